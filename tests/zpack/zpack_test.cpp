// Tests of the zpack tool, run as a program: usage and exit statuses, list,
// extract (folders, empty entries, damaged entries, names) and verify.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ArchiveFixture.h"

namespace fs = std::filesystem;
using zvtest::ReadFileText;
using zvtest::TestArchive;

namespace {

struct Result {
    int status;
    std::string out, err;
};

class ZpackTest : public zvtest::ArchiveFixture {
  protected:
    // Runs zpack with args (already shell-quoted where needed).
    Result Run(const std::string& args) {
        const char* tool = std::getenv("ZPACK");
        EXPECT_NE(nullptr, tool) << "ZPACK must name the zpack binary";
        const std::string out = Path("stdout").string(), err = Path("stderr").string();
        const std::string cmd = std::string("'") + (tool ? tool : "zpack") + "' " + args + " >'" +
                                out + "' 2>'" + err + "' </dev/null";
        const int rc = std::system(cmd.c_str());
        Result r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ReadFileText(out), ReadFileText(err)};
        fs::remove(out);
        fs::remove(err);
        return r;
    }
    static std::string Q(const std::string& s) { return "'" + s + "'"; }

    TestArchive Sample() {
        TestArchive t;
        t.Add("a.txt", "./Top/", "alpha\n", 0640);
        t.Add("empty", "./Top/Sub/", "");
        t.Add("b.bin", "./Top/Sub/", std::string(3000, 'b'), 0755);
        return t;
    }
};

TEST_F(ZpackTest, UsageAndExitStatuses) {
    Result r = Run("--help");
    EXPECT_EQ(0, r.status);
    EXPECT_NE(std::string::npos, r.out.find("zpack extract ARCHIVE [-C DIR] [NAME...]"));
    EXPECT_EQ(0, Run("extract --help").status);

    struct Row {
        const char* args;
        int status;
    };
    const Row rows[] = {
        {"", 2},
        {"bogus", 2},
        {"list", 2},
        {"list a b", 2},
        {"verify", 2},
        {"extract", 2},
        {"extract a -C", 2},
        {"extract a -x", 2},
        {"list /nonexistent/x.zpk", 1},
    };
    for (const Row& row : rows) {
        r = Run(row.args);
        EXPECT_EQ(row.status, r.status) << row.args;
        EXPECT_FALSE(r.err.empty()) << row.args;
    }
}

TEST_F(ZpackTest, OneClearLineForFilesThatAreNoArchives) {
    zvtest::WriteFileBytes(Path("text.txt").string(), zvtest::Bytes(100, 'x'));
    zvtest::Bytes damaged = Sample().Build();
    damaged[30] ^= 0xFF;
    const std::string bad = SaveBytes(damaged, "damaged.zpk");
    struct Row {
        std::string path;
        const char* says;
    };
    const Row rows[] = {
        {Path("missing.zpk").string(), "No such file"},
        {Path("text.txt").string(), "not a packed archive"},
        {bad, "damaged archive (catalogue checksum mismatch)"},
        {Path(".").string(), "not a packed archive"},
    };
    for (const Row& row : rows) {
        for (const char* cmd : {"list ", "verify ", "extract "}) {
            const Result r = Run(cmd + Q(row.path));
            EXPECT_EQ(1, r.status) << cmd << row.path;
            EXPECT_NE(std::string::npos, r.err.find(row.says)) << cmd << row.path << ": " << r.err;
            EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
        }
    }
}

TEST_F(ZpackTest, ListShowsIdSizesAndPath) {
    TestArchive t = Sample();
    const Result r = Run("list " + Q(Save(t)));
    EXPECT_EQ(0, r.status);
    char line[200];
    std::string expected;
    const char* paths[] = {"./Top/a.txt", "./Top/Sub/empty", "./Top/Sub/b.bin"};
    for (int i = 0; i < 3; ++i) {
        std::snprintf(line, sizeof line, "%6d %12u %12u  %s\n", i, t.records[i].nSize,
                      t.records[i].nPackedSize, paths[i]);
        expected += line;
    }
    EXPECT_EQ(expected, r.out);
}

TEST_F(ZpackTest, ListMasksControlCharacters) {
    TestArchive t;
    t.Add("evil\x1b]0;title\x07.txt", "./\n/", "x");
    const Result r = Run("list " + Q(Save(t)));
    EXPECT_EQ(0, r.status);
    EXPECT_NE(std::string::npos, r.out.find("./?/evil?]0;title?.txt"));
    EXPECT_EQ(std::string::npos, r.out.find('\x1b'));
}

TEST_F(ZpackTest, ExtractWritesEverythingWithFoldersDatesAndModes) {
    const std::string archive = Save(Sample());
    const std::string out = OutDir();
    const Result r = Run("extract " + Q(archive) + " -C " + Q(out));
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.err);  // no progress line when stderr is not a terminal
    EXPECT_EQ("alpha\n", ReadFileText(out + "Top/a.txt"));
    EXPECT_EQ(std::string(3000, 'b'), ReadFileText(out + "Top/Sub/b.bin"));
    ASSERT_TRUE(fs::is_regular_file(out + "Top/Sub/empty"));
    EXPECT_EQ(0u, fs::file_size(out + "Top/Sub/empty"));
    struct stat st;
    ASSERT_EQ(0, stat((out + "Top/Sub/b.bin").c_str(), &st));
    EXPECT_EQ(0755u, st.st_mode & 07777);
    EXPECT_EQ(3660779045LL - 2082844800LL, static_cast<long long>(st.st_mtime));
    ASSERT_EQ(0, stat((out + "Top/a.txt").c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
}

TEST_F(ZpackTest, ExtractDefaultsToTheCurrentFolder) {
    const std::string archive = Save(Sample());
    const std::string out = OutDir();
    const std::string tool = std::getenv("ZPACK") ? std::getenv("ZPACK") : "zpack";
    const std::string cmd =
        "cd " + Q(out) + " && " + Q(tool) + " extract " + Q(archive) + " >/dev/null 2>&1";
    EXPECT_EQ(0, std::system(cmd.c_str()));
    EXPECT_EQ("alpha\n", ReadFileText(out + "Top/a.txt"));
}

TEST_F(ZpackTest, ExtractGoesOnPastAFailingEntryAndNamesIt) {
    TestArchive t = Sample();
    t.Add("c.txt", "./Top/", "gamma");
    t.Add("inside", "../", "x");  // lands inside after the joining rules
    t.Add("evil", "./Top/../../", "x");
    t.streams[2][4] ^= 1;  // b.bin damaged
    const std::string out = OutDir();
    const Result r = Run("extract " + Q(Save(t)) + " -C " + Q(out));
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("./Top/Sub/b.bin: damaged")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("./Top/../../evil: cannot be written")) << r.err;
    EXPECT_EQ(2, std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
    EXPECT_EQ("alpha\n", ReadFileText(out + "Top/a.txt"));
    EXPECT_EQ("gamma", ReadFileText(out + "Top/c.txt"));
    EXPECT_TRUE(fs::exists(out + "Top/Sub/empty"));
    EXPECT_FALSE(fs::exists(out + "Top/Sub/b.bin"));
    EXPECT_EQ("x", ReadFileText(out + "inside"));
    EXPECT_FALSE(fs::exists(Path("evil")));
}

TEST_F(ZpackTest, ExtractOnlyTheNamedEntries) {
    const std::string archive = Save(Sample());
    const std::string out = OutDir();
    Result r = Run("extract " + Q(archive) + " -C " + Q(out) + " b.bin empty");
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_TRUE(fs::exists(out + "Top/Sub/b.bin"));
    EXPECT_TRUE(fs::exists(out + "Top/Sub/empty"));
    EXPECT_FALSE(fs::exists(out + "Top/a.txt"));

    r = Run("extract -C " + Q(out) + " " + Q(archive) + " nothing a.txt");
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("nothing: not in archive"));
    EXPECT_TRUE(fs::exists(out + "Top/a.txt"));

    r = Run("extract " + Q(archive) + " -C " + Q(Path("no-such-dir").string()));
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("no such folder"));
}

TEST_F(ZpackTest, VerifyNamesEachDamagedEntry) {
    TestArchive t = Sample();
    Result r = Run("verify " + Q(Save(t)));
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("3 entries checked, 0 damaged\n", r.out);

    t.streams[0][3] ^= 1;
    t.records[2].nSize += 1;
    r = Run("verify " + Q(Save(t)));
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("3 entries checked, 2 damaged\n", r.out);
    EXPECT_NE(std::string::npos, r.err.find("entry 0 damaged: ./Top/a.txt"));
    EXPECT_NE(std::string::npos, r.err.find("entry 2 damaged: ./Top/Sub/b.bin"));
    EXPECT_EQ(std::string::npos, r.err.find("entry 1"));

    r = Run("verify " + Q(Save(TestArchive())));
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("0 entries checked, 0 damaged\n", r.out);
}

}  // namespace
