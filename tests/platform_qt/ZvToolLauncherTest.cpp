#include "platform/qt/ZvToolLauncher.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QFileInfo>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "platform_qt/ZvTestEnv.h"

namespace {

using Outcome = ZvToolLauncher::Outcome;

// A tool named like the real one, which records its arguments, prints a line
// and exits with the status given in its folder's "status" file.
class ZvToolLauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_tool = Path("FileCopy");
        ASSERT_TRUE(WriteScript(QString::fromStdString(m_tool),
                                "d=$(dirname \"$0\")\n"
                                "printf '%s\\n' \"$@\" > \"$d/tool-args\"\n"
                                "echo \"copied $1\"\n"
                                "exit $(cat \"$d/status\" 2>/dev/null || echo 0)\n"));
    }
    void TearDown() override { ZvToolLauncher::SetPkexecPathForTests(std::string()); }

    std::string Path(const char* name) const {
        return (m_dir.path() + QLatin1Char('/') + QLatin1String(name)).toStdString();
    }
    void SetToolStatus(int status) {
        ASSERT_TRUE(WriteFile(QString::fromStdString(Path("status")), QByteArray::number(status)));
    }
    // A stand-in for pkexec with the given body, used from now on.
    void UsePkexec(const QByteArray& body) {
        const std::string pkexec = Path("pkexec");
        ASSERT_TRUE(WriteScript(QString::fromStdString(pkexec), body));
        ZvToolLauncher::SetPkexecPathForTests(pkexec);
    }
    bool ToolRan() const { return QFileInfo::exists(QString::fromStdString(Path("tool-args"))); }
    QByteArray ToolArgs() const { return ReadFile(QString::fromStdString(Path("tool-args"))); }

    ZvToolLauncher::Result RunPrivileged() {
        m_output.clear();
        return ZvToolLauncher::RunPrivileged(m_tool, {"/src dir/Name.saver", "/dst/Name.saver"},
                                             [this](const char* bytes, std::size_t count) {
                                                 EXPECT_LE(count, 512u);
                                                 m_output.append(bytes, count);
                                             });
    }

    QTemporaryDir m_dir;
    std::string m_tool;
    std::string m_output;
};

TEST_F(ZvToolLauncherTest, RunPassesArgumentsAndAnswersTheExitStatus) {
    SetToolStatus(7);
    const ZvToolLauncher::Result result = ZvToolLauncher::Run(m_tool, {"a b", "c"});
    EXPECT_EQ(result.outcome, Outcome::Ran);
    EXPECT_EQ(result.exitStatus, 7);
    EXPECT_EQ(ToolArgs(), QByteArray("a b\nc\n"));
}

TEST_F(ZvToolLauncherTest, RunOfAMissingToolDoesNotStart) {
    const ZvToolLauncher::Result result = ZvToolLauncher::Run(Path("nothing-here"), {"a"});
    EXPECT_EQ(result.outcome, Outcome::NotStarted);
    EXPECT_EQ(result.exitStatus, -1);
}

TEST_F(ZvToolLauncherTest, RunReportsASignalAs128PlusItsNumber) {
    const std::string tool = Path("killer");
    ASSERT_TRUE(WriteScript(QString::fromStdString(tool), "kill -TERM $$\n"));
    const ZvToolLauncher::Result result = ZvToolLauncher::Run(tool, {});
    EXPECT_EQ(result.outcome, Outcome::Ran);
    EXPECT_EQ(result.exitStatus, 128 + 15);
}

// pkexec's own answers and the tool's exit statuses, told apart.
TEST_F(ZvToolLauncherTest, PrivilegedOutcomesAreToldApartFromTheToolsStatus) {
    struct Case {
        const char* name;
        QByteArray pkexec;
        int toolStatus;
        Outcome outcome;
        int exitStatus;
        bool toolRuns;
    };
    const QByteArray grant = "exec \"$@\"\n";
    const Case cases[] = {
        {"granted", grant, 0, Outcome::Ran, 0, true},
        {"granted, tool fails", grant, 3, Outcome::Ran, 3, true},
        {"granted, tool exits 126", grant, 126, Outcome::Ran, 126, true},
        {"granted, tool exits 127", grant, 127, Outcome::Ran, 127, true},
        {"dismissed", "echo 'Request dismissed' >&2\nexit 126\n", 0, Outcome::Dismissed, -1, false},
        {"refused", "echo 'Not authorized' >&2\nexit 127\n", 0, Outcome::Refused, -1, false},
        {"pkexec fails otherwise", "exit 1\n", 0, Outcome::Refused, -1, false},
        {"pkexec killed", "kill -KILL $$\n", 0, Outcome::Refused, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QString::fromStdString(Path("tool-args")));
        UsePkexec(c.pkexec);
        SetToolStatus(c.toolStatus);
        const ZvToolLauncher::Result result = RunPrivileged();
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.exitStatus, c.exitStatus);
        EXPECT_EQ(ToolRan(), c.toolRuns);
        EXPECT_EQ(m_output, c.toolRuns ? "copied /src dir/Name.saver\n" : "");
    }
}

TEST_F(ZvToolLauncherTest, PkexecGetsTheToolByAbsolutePathThenItsArguments) {
    UsePkexec("d=$(dirname \"$0\")\nprintf '%s\\n' \"$@\" > \"$d/pkexec-args\"\nexec \"$@\"\n");
    ASSERT_EQ(RunPrivileged().outcome, Outcome::Ran);
    const QByteArray expected =
        QByteArray::fromStdString(m_tool) + "\n/src dir/Name.saver\n/dst/Name.saver\n";
    EXPECT_EQ(ReadFile(QString::fromStdString(Path("pkexec-args"))), expected);
    EXPECT_EQ(ToolArgs(), QByteArray("/src dir/Name.saver\n/dst/Name.saver\n"));
}

TEST_F(ZvToolLauncherTest, MissingPkexecDoesNotStart) {
    ZvToolLauncher::SetPkexecPathForTests(Path("no-pkexec"));
    const ZvToolLauncher::Result result = RunPrivileged();
    EXPECT_EQ(result.outcome, Outcome::NotStarted);
    EXPECT_FALSE(ToolRan());
}

TEST_F(ZvToolLauncherTest, LongOutputReachesTheSinkWhole) {
    const std::string tool = Path("talker");
    ASSERT_TRUE(WriteScript(QString::fromStdString(tool),
                            "i=0\nwhile [ $i -lt 4000 ]; do echo \"line $i of the copy\"; "
                            "i=$((i+1)); done\n"));
    UsePkexec("exec \"$@\"\n");
    std::string output;
    const ZvToolLauncher::Result result = ZvToolLauncher::RunPrivileged(
        tool, {}, [&output](const char* bytes, std::size_t count) { output.append(bytes, count); });
    ASSERT_EQ(result.outcome, Outcome::Ran);
    std::string expected;
    for (int i = 0; i < 4000; ++i) {
        expected += "line " + std::to_string(i) + " of the copy\n";
    }
    EXPECT_EQ(output, expected);
}

TEST_F(ZvToolLauncherTest, RootRunsTheToolItselfWithoutPkexec) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root";
    }
    ZvToolLauncher::SetPkexecPathForTests(std::string());
    SetToolStatus(4);
    const ZvToolLauncher::Result result = RunPrivileged();
    EXPECT_EQ(result.outcome, Outcome::Ran);
    EXPECT_EQ(result.exitStatus, 4);
    EXPECT_EQ(m_output, "copied /src dir/Name.saver\n");
}

}  // namespace
