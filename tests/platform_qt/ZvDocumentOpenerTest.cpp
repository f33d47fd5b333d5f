#include "platform/qt/ZvDocumentOpener.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <QUrl>

#include "platform_qt/ZvTestEnv.h"

namespace {

// A fake xdg-open first on PATH records what it was asked to open.
class ZvDocumentOpenerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(
            WriteScript(m_bin.path() + QStringLiteral("/xdg-open"),
                        "printf '%s\\n' \"$@\" >> \"" + m_bin.path().toUtf8() + "/opened\"\n"));
    }
    QString Opened() const { return m_bin.path() + QStringLiteral("/opened"); }

    QTemporaryDir m_bin;
    ScopedEnv m_path{"PATH", m_bin.path() + QStringLiteral(":") + qEnvironmentVariable("PATH")};
};

TEST_F(ZvDocumentOpenerTest, OpensAFileWithTheDesktopOpener) {
    const QString document = m_bin.path() + QStringLiteral("/Read me.rtf");
    ASSERT_TRUE(WriteFile(document, "{\\rtf1 x}"));
    ASSERT_TRUE(ZvDocumentOpener::OpenFile(document));
    ASSERT_TRUE(WaitForFile(Opened()));
    EXPECT_EQ(ReadFile(Opened()), document.toUtf8() + "\n");
}

TEST_F(ZvDocumentOpenerTest, OpensAUrlWithTheDesktopOpener) {
    const QUrl url(QStringLiteral("https://example.org/go/page?x=1"));
    ASSERT_TRUE(ZvDocumentOpener::OpenUrl(url));
    ASSERT_TRUE(WaitForFile(Opened()));
    EXPECT_EQ(ReadFile(Opened()), QByteArray("https://example.org/go/page?x=1\n"));
}

TEST_F(ZvDocumentOpenerTest, EmptyOrInvalidTargetsOpenNothing) {
    EXPECT_FALSE(ZvDocumentOpener::OpenFile(QString()));
    EXPECT_FALSE(ZvDocumentOpener::OpenUrl(QUrl()));
    EXPECT_FALSE(ZvDocumentOpener::OpenUrl(QUrl(QStringLiteral("http://[bad"))));
    EXPECT_FALSE(WaitForFile(Opened(), 300));
}

TEST(ZvDocumentOpenerNoOpener, WithoutAnOpenerNothingIsStarted) {
    QTemporaryDir empty;
    ScopedEnv path("PATH", empty.path());
    EXPECT_FALSE(ZvDocumentOpener::OpenFile(QStringLiteral("/tmp/whatever.rtf")));
}

}  // namespace
