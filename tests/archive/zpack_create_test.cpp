// Tests of `zpack create`, run as a program: a tree survives create, list,
// verify and extract byte for byte with its modes and modification times;
// single files take the output path; usage errors and missing paths change
// nothing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "ArchiveFixture.h"

namespace fs = std::filesystem;
using zvtest::ReadFileText;

namespace {

struct Result {
    int status;
    std::string out, err;
};

class ZpackCreateTest : public zvtest::ArchiveFixture {
  protected:
    // Runs "cd scratch && zpack args" (args shell-quoted where needed).
    Result Run(const std::string& args) {
        const char* tool = std::getenv("ZPACK");
        EXPECT_NE(nullptr, tool) << "ZPACK must name the zpack binary";
        const std::string out = Path("stdout").string(), err = Path("stderr").string();
        const std::string cmd = "cd '" + m_dir.string() + "' && '" + (tool ? tool : "zpack") +
                                "' " + args + " >'" + out + "' 2>'" + err + "' </dev/null";
        const int rc = std::system(cmd.c_str());
        Result r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ReadFileText(out), ReadFileText(err)};
        fs::remove(out);
        fs::remove(err);
        return r;
    }
    void Put(const std::string& rel, const std::string& data, mode_t mode, long sec, long nsec) {
        const fs::path p = Path(rel);
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << data;
        chmod(p.c_str(), mode);
        const struct timespec times[2] = {{sec, nsec}, {sec, nsec}};
        utimensat(AT_FDCWD, p.c_str(), times, 0);
    }
};

struct FileFacts {
    std::string data;
    mode_t mode;
    struct timespec mtime;
};

// Every file below root by its path relative to root.
std::map<std::string, FileFacts> Files(const fs::path& root) {
    std::map<std::string, FileFacts> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) {
            struct stat st;
            lstat(e.path().c_str(), &st);
            files[fs::relative(e.path(), root).string()] = {ReadFileText(e.path().string()),
                                                            st.st_mode & 07777, st.st_mtim};
        }
    }
    return files;
}

TEST_F(ZpackCreateTest, TreeSurvivesCreateListVerifyAndExtract) {
    std::mt19937 gen(7);
    std::string noise(300000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(gen());
    }
    Put("Top/readme.txt", "read me\n", 0644, 1600000000, 0);
    Put("Top/run.sh", "#!/bin/sh\necho hi\n", 0755, 1600000001, 500000000);
    Put("Top/empty", "", 0600, 1500000000, 250000000);
    Put("Top/Sub/noise.bin", noise, 0640, 1700000000, 123456789);
    Put("Top/Sub/Deeper/words.txt", std::string(100000, 'w') + "end", 0444, 1234567890, 0);
    Put("Top/.DS_Store", "finder", 0644, 1600000000, 0);
    fs::create_directories(Path("Top/EmptyFolder"));

    Result r = Run("create out.zpk Top");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.err);

    r = Run("list out.zpk");
    ASSERT_EQ(0, r.status) << r.err;
    for (const char* p : {"./Top/readme.txt", "./Top/run.sh", "./Top/empty", "./Top/Sub/noise.bin",
                          "./Top/Sub/Deeper/words.txt"}) {
        EXPECT_NE(std::string::npos, r.out.find(p)) << p;
    }
    EXPECT_EQ(std::string::npos, r.out.find(".DS_Store"));
    EXPECT_EQ(0, Run("verify out.zpk").status);

    fs::create_directories(Path("dst"));
    r = Run("extract out.zpk -C dst");
    ASSERT_EQ(0, r.status) << r.err;
    auto source = Files(Path("Top"));
    source.erase(".DS_Store");
    const auto copy = Files(Path("dst/Top"));
    ASSERT_EQ(source.size(), copy.size());
    for (const auto& [rel, want] : source) {
        SCOPED_TRACE(rel);
        const auto it = copy.find(rel);
        ASSERT_NE(copy.end(), it);
        EXPECT_TRUE(want.data == it->second.data);
        EXPECT_EQ(want.mode, it->second.mode);
        EXPECT_EQ(want.mtime.tv_sec, it->second.mtime.tv_sec);
        // Dates are kept in 1/65536 s.
        EXPECT_NEAR(want.mtime.tv_nsec, it->second.mtime.tv_nsec, 1e9 / 65536 + 1);
    }
    // Folders are no entries: an empty folder leaves no trace.
    EXPECT_FALSE(fs::exists(Path("dst/Top/EmptyFolder")));
}

TEST_F(ZpackCreateTest, SingleFilesTakeTheOutputPath) {
    Put("a.txt", "alpha", 0644, 1600000000, 0);
    Put("Dir/b.txt", "beta", 0644, 1600000000, 0);
    const struct {
        std::string args, listed;
    } rows[] = {
        {"create s.zpk a.txt", "./a.txt"},
        {"create s.zpk a.txt --output-path ./Docs/", "./Docs/a.txt"},
        {"create s.zpk --output-path=Docs a.txt", "Docs/a.txt"},
        {"create s.zpk a.txt Dir --output-path ./P/", "./Dir/b.txt"},  // folders ignore it
        {"create s.zpk ./Dir/", "./Dir/b.txt"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        Result r = Run(row.args);
        ASSERT_EQ(0, r.status) << r.err;
        r = Run("list s.zpk");
        ASSERT_EQ(0, r.status);
        EXPECT_NE(std::string::npos, r.out.find(" " + row.listed + "\n")) << r.out;
    }
}

TEST_F(ZpackCreateTest, ReplacesAnExistingArchiveAndLeavesItselfOut) {
    Put("Top/a.txt", "first", 0644, 1600000000, 0);
    ASSERT_EQ(0, Run("create Top/self.zpk Top").status);
    Put("Top/a.txt", "second", 0644, 1600000000, 0);
    const Result r = Run("create Top/self.zpk Top");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("left out"));
    fs::create_directories(Path("dst"));
    ASSERT_EQ(0, Run("extract Top/self.zpk -C dst").status);
    EXPECT_EQ("second", ReadFileText(Path("dst/Top/a.txt").string()));
    EXPECT_FALSE(fs::exists(Path("dst/Top/self.zpk")));
    // a.txt and the archive, nothing else.
    EXPECT_EQ(2, std::distance(fs::directory_iterator(Path("Top")), fs::directory_iterator()));
}

TEST_F(ZpackCreateTest, ErrorsLeaveNoArchive) {
    Put("a.txt", "alpha", 0644, 1600000000, 0);
    const struct {
        const char* args;
        int status;
    } rows[] = {
        {"create", 2},
        {"create x.zpk", 2},
        {"create x.zpk a.txt --output-path", 2},
        {"create x.zpk a.txt --bogus", 2},
        {"create x.zpk a.txt --output-path ../up/", 2},
        {"create x.zpk a.txt --output-path /abs/", 2},
        {"create x.zpk a.txt missing.txt", 1},
        {"create nowhere/x.zpk a.txt", 1},
    };
    for (const auto& row : rows) {
        const Result r = Run(row.args);
        EXPECT_EQ(row.status, r.status) << row.args;
        EXPECT_FALSE(r.err.empty()) << row.args;
        EXPECT_FALSE(fs::exists(Path("x.zpk"))) << row.args;
    }
    EXPECT_NE(std::string::npos, Run("create x.zpk missing.txt").err.find("missing.txt"));
    // A failed create leaves an existing archive as it was.
    ASSERT_EQ(0, Run("create x.zpk a.txt").status);
    const std::string before = ReadFileText(Path("x.zpk").string());
    EXPECT_EQ(1, Run("create x.zpk a.txt missing.txt").status);
    EXPECT_EQ(before, ReadFileText(Path("x.zpk").string()));
    EXPECT_NE(std::string::npos, Run("--help").out.find("zpack create ARCHIVE PATH..."));
}

}  // namespace
