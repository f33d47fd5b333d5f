// The FileCopy tool, run as a separate program with an empty environment:
// arguments, messages, exit statuses, parent folders, replacing, links.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../copyengine/CopyTestSupport.h"

using namespace copytest;

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

std::string ToolPath() {
    const char* binary = std::getenv("ZV_BINARY_DIR");
    return std::string(binary != nullptr ? binary : ".") + "/bin/FileCopy";
}

// Runs FileCopy with the arguments and no environment at all.
Result RunTool(const std::vector<std::string>& args, const ScratchDir&) {
    const ScratchDir outputs;
    const std::string outPath = outputs / "stdout.txt";
    const std::string errPath = outputs / "stderr.txt";
    const std::string tool = ToolPath();
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv{const_cast<char*>(tool.c_str())};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        char* envp[] = {nullptr};
        execve(tool.c_str(), argv.data(), envp);
        _exit(99);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return Result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(outPath),
                  ReadFile(errPath)};
}

int Lines(const std::string& text) {
    int n = 0;
    for (char c : text) {
        n += c == '\n';
    }
    return n;
}

class FileCopyTool : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeDir(dir / "module");
        WriteFile(dir / "module/saver", Bytes(100000, 3), 0755);
        SetXattr(dir / "module/saver", "user.note", "kept");
        MakeDir(dir / "module/Resources");
        WriteFile(dir / "module/Resources/strings", "text", 0644);
        MakeLink("/etc/passwd", dir / "module/Resources/link");
        SetMtime(dir / "module/Resources", 1500000000);
        SetMtime(dir / "module", 1500000001);
    }
    ScratchDir dir;
};

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
};

class FileCopyUsage : public FileCopyTool, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(FileCopyUsage, RefusesWithAUsageLineAndStatus1) {
    std::vector<std::string> args;
    for (const std::string& a : GetParam().args) {
        args.push_back(a.rfind("@", 0) == 0 ? dir / a.substr(1) : a);
    }
    const Result r = RunTool(args, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("usage: FileCopy SOURCE DESTINATION", 0), 0u) << r.err;
    EXPECT_EQ(Lines(r.err), 1);
    EXPECT_EQ(List(dir.path()), (std::vector<std::string>{"module"}));
}

INSTANTIATE_TEST_SUITE_P(Arguments, FileCopyUsage,
                         ::testing::Values(UsageCase{"None", {}}, UsageCase{"One", {"@module"}},
                                           UsageCase{"Three", {"@module", "@a", "@b"}},
                                           UsageCase{"RelativeSource", {"module", "@copy"}},
                                           UsageCase{"RelativeDestination", {"@module", "copy"}},
                                           UsageCase{"RootAsDestination", {"@module", "/"}},
                                           UsageCase{"DotDot", {"@module", "@x/.."}},
                                           UsageCase{"TooLong",
                                                     {"@module", "/" + std::string(1100, 'x')}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileCopyTool, CopiesAFolderToExactlyTheDestinationCreatingParents) {
    const Result r = RunTool({dir / "module", dir / "Library/Screen Savers/module"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "FileCopy: copied folder " + (dir / "module") + " to " +
                         (dir / "Library/Screen Savers/module") + "\n");
    EXPECT_EQ(Diff(Snap(dir / "module"), Snap(dir / "Library/Screen Savers/module")), "");
    EXPECT_EQ(ModeOf(dir / "Library"), 0755u);
}

TEST_F(FileCopyTool, ReplacesWhatIsAtTheDestination) {
    MakeDir(dir / "dest");
    MakeDir(dir / "dest/module");
    WriteFile(dir / "dest/module/old", "old");
    WriteFile(dir / "dest/neighbour", "stays");
    const Result r = RunTool({dir / "module", dir / "dest/module/"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Diff(Snap(dir / "module"), Snap(dir / "dest/module")), "");
    EXPECT_EQ(List(dir / "dest"), (std::vector<std::string>{"module", "neighbour"}));
}

TEST_F(FileCopyTool, CopiesAFileAndALinkAsThemselves) {
    Result r = RunTool({dir / "module/saver", dir / "out/saver.bin"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("FileCopy: copied file ", 0), 0u);
    EXPECT_EQ(Diff(Snap(dir / "module/saver"), Snap(dir / "out/saver.bin")), "");

    r = RunTool({dir / "module/Resources/link", dir / "out/link"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("FileCopy: copied link ", 0), 0u);
    EXPECT_EQ(Diff(Snap(dir / "module/Resources/link"), Snap(dir / "out/link")), "");
}

struct FailureCase {
    const char* name;
    std::string source;  // relative to the scratch folder
    std::string destination;
    std::string message;  // what the error line says
};

class FileCopyFailure : public FileCopyTool, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FileCopyFailure, SaysWhyOnOneLineWithStatus1) {
    WriteFile(dir / "afile", "f");
    const Snapshot before = Snap(dir.path());
    const Result r = RunTool({dir / GetParam().source, dir / GetParam().destination}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("FileCopy: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    EXPECT_EQ(Lines(r.err), 1);
    EXPECT_EQ(Diff(before, Snap(dir.path())), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileCopyFailure,
    ::testing::Values(
        FailureCase{"MissingSource", "nothing", "copy", "nothing: no such file or folder"},
        FailureCase{"IntoItself", "module", "module/Resources/copy", "could not copy folder"},
        FailureCase{"OntoItself", "module", "module", "could not copy folder"},
        FailureCase{"ParentIsAFile", "module", "afile/copy", "cannot create the folder"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
