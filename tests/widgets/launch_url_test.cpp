#include <gtest/gtest.h>

#include <QDir>

#include "launch_sandbox.h"
#include "widgets/LaunchURLWithBrowser.h"

namespace {

const QUrl kURL(QStringLiteral("https://example.org/go/page?a=1&b=2"));
const QString kID = QStringLiteral("org.example.browser");

class LaunchURLWithBrowserTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(sandbox.IsValid()); }

    QString Entry(const QString& extraLines) const {
        return QStringLiteral("[Desktop Entry]\nType=Application\nName=Browser\n") + extraLines;
    }
    QString BrowserExec() const {
        return QStringLiteral("Exec=") + sandbox.QuotedBrowser() + QStringLiteral(" --open %u\n");
    }
    void ExpectNothingOpened() const {
        LaunchSandbox::Settle();
        EXPECT_TRUE(sandbox.BrowserCalls().isEmpty());
        EXPECT_TRUE(sandbox.OpenerCalls().isEmpty());
    }

    LaunchSandbox sandbox;
};

TEST_F(LaunchURLWithBrowserTest, UnknownIdentifierAnswersNonZeroAndOpensNothing) {
    sandbox.AddEntry(QStringLiteral("org.example.other"), Entry(BrowserExec()));
    EXPECT_EQ(LaunchURLWithBrowser(kURL, kID), kZRLaunchNoApplication);
    ExpectNothingOpened();
}

TEST_F(LaunchURLWithBrowserTest, LaunchesTheEntrysCommandWithTheURL) {
    sandbox.AddEntry(kID, Entry(BrowserExec()), true);
    EXPECT_EQ(LaunchURLWithBrowser(kURL, kID), 0);
    ASSERT_TRUE(sandbox.WaitForBrowser(2));
    EXPECT_EQ(sandbox.BrowserCalls(),
              QStringList({QStringLiteral("--open"), kURL.toString(QUrl::FullyEncoded)}));
    EXPECT_TRUE(sandbox.OpenerCalls().isEmpty());
}

TEST_F(LaunchURLWithBrowserTest, ProgramIsFoundOnPathAndRunsInTheEntrysFolder) {
    // "xdg-open" here is the sandbox's fake on PATH; Path must exist.
    sandbox.AddEntry(kID, Entry(QStringLiteral("Exec=xdg-open %u\nPath=") + QDir::rootPath() +
                                QLatin1Char('\n')));
    EXPECT_EQ(LaunchURLWithBrowser(kURL, kID), 0);
    ASSERT_TRUE(sandbox.WaitForOpener());
    EXPECT_EQ(sandbox.OpenerCalls(), QStringList{kURL.toString(QUrl::FullyEncoded)});
}

struct RefusalCase {
    const char* name;
    const char* lines;  // "@BROWSER@" stands for the working browser's Exec line
    int32_t status;
};

class RefusalTest : public LaunchURLWithBrowserTest,
                    public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, EntryThatCannotOpenTheURLAnswersNonZero) {
    QString lines = QString::fromUtf8(GetParam().lines);
    lines.replace(QStringLiteral("@BROWSER@"), BrowserExec());
    sandbox.AddEntry(kID, QStringLiteral("[Desktop Entry]\n") + lines);
    // A working entry of the same name further down must not be used instead.
    sandbox.AddEntry(kID, Entry(BrowserExec()), true);
    EXPECT_EQ(LaunchURLWithBrowser(kURL, kID), GetParam().status);
    ExpectNothingOpened();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    ::testing::Values(
        RefusalCase{"Hidden", "Type=Application\nHidden=true\n@BROWSER@", kZRLaunchNoApplication},
        RefusalCase{"NotAnApplication", "Type=Link\nURL=https://example.org\n@BROWSER@",
                    kZRLaunchNoApplication},
        RefusalCase{"NoExec", "Type=Application\n", kZRLaunchFailed},
        RefusalCase{"MissingProgram", "Type=Application\nExec=/nonexistent/browser %u\n",
                    kZRLaunchFailed},
        RefusalCase{"ProgramNotOnPath", "Type=Application\nExec=zv-no-such-browser %u\n",
                    kZRLaunchFailed},
        RefusalCase{"RelativeProgram", "Type=Application\nExec=bin/xdg-open %u\n", kZRLaunchFailed},
        RefusalCase{"TryExecMissing", "Type=Application\nTryExec=zv-no-such-browser\n@BROWSER@",
                    kZRLaunchFailed},
        RefusalCase{"NeedsTerminal", "Type=Application\nTerminal=true\n@BROWSER@", kZRLaunchFailed},
        RefusalCase{"MissingFolder", "Type=Application\nPath=/nonexistent/folder\n@BROWSER@",
                    kZRLaunchFailed},
        RefusalCase{"FileOnly", "Type=Application\nExec=xdg-open %f\n", kZRLaunchFailed}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST_F(LaunchURLWithBrowserTest, BadArgumentsAreRefused) {
    sandbox.AddEntry(kID, Entry(BrowserExec()));
    const QString badIdentifiers[] = {QString(), QStringLiteral("../applications/") + kID,
                                      QStringLiteral("sub/") + kID, QStringLiteral(".") + kID};
    for (const QString& identifier : badIdentifiers) {
        EXPECT_EQ(LaunchURLWithBrowser(kURL, identifier), kZRLaunchBadArgument)
            << identifier.toStdString();
    }
    const QUrl badURLs[] = {QUrl(), QUrl(QStringLiteral("relative/page")),
                            QUrl(QStringLiteral("http://exa mple.org/"), QUrl::StrictMode)};
    for (const QUrl& url : badURLs) {
        EXPECT_EQ(LaunchURLWithBrowser(url, kID), kZRLaunchBadArgument)
            << url.toString().toStdString();
    }
    ExpectNothingOpened();
}

}  // namespace
