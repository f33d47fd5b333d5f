#include "platform/qt/ZvBundle.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

#include "platform/places.h"
#include "platform/types.h"
#include "platform_qt/ZvTestEnv.h"

namespace {

class ZvBundleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(m_bundle.path()).mkpath(QStringLiteral("Resources")));
        BundleSetMainBundlePath(m_bundle.path().toUtf8().constData());
    }
    void TearDown() override { BundleSetMainBundlePath(nullptr); }
    QString Resource(const char* name) const {
        return m_bundle.path() + QStringLiteral("/Resources/") + QLatin1String(name);
    }

    QTemporaryDir m_bundle;
};

TEST_F(ZvBundleTest, ResourcesFolderIsInsideTheMainBundle) {
    EXPECT_EQ(ZvBundle::ResourcesPath(), Resource("").chopped(1));
    ASSERT_TRUE(QDir(Resource("")).removeRecursively());
    EXPECT_TRUE(ZvBundle::ResourcesPath().isEmpty());
    EXPECT_TRUE(ZvBundle::FindResource(QStringLiteral("EULA.rtf")).isEmpty());
}

TEST_F(ZvBundleTest, FindResourceMatchesExactlyOrIgnoringCase) {
    ASSERT_TRUE(WriteFile(Resource("readme.rtf"), "r"));
    ASSERT_TRUE(QDir().mkpath(Resource("EULA.rtf")));  // an RTFD folder counts too
    struct Case {
        const char* name;
        bool caseInsensitive;
        const char* found;  // null: nothing
    };
    const Case cases[] = {
        {"readme.rtf", false, "readme.rtf"}, {"Readme.rtf", false, nullptr},
        {"Readme.rtf", true, "readme.rtf"},  {"README.RTF", true, "readme.rtf"},
        {"EULA.rtf", false, "EULA.rtf"},     {"eula.rtf", true, "EULA.rtf"},
        {"missing.rtf", true, nullptr},      {"", true, nullptr},
        {"../Resources", true, nullptr},     {".", true, nullptr},
        {"a/readme.rtf", true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.caseInsensitive ? " (any case)" : ""));
        const QString found = ZvBundle::FindResource(QString::fromUtf8(c.name), c.caseInsensitive);
        EXPECT_EQ(found, c.found != nullptr ? Resource(c.found) : QString());
    }
}

TEST_F(ZvBundleTest, ExactSpellingWinsOverOtherCases) {
    ASSERT_TRUE(WriteFile(Resource("README.rtf"), "upper"));
    ASSERT_TRUE(WriteFile(Resource("Readme.rtf"), "exact"));
    EXPECT_EQ(ZvBundle::FindResource(QStringLiteral("Readme.rtf"), true), Resource("Readme.rtf"));
}

TEST(ZvBundleLibrary, LibraryFoldersFollowTheXdgVariables) {
    ScopedEnv dataHome("XDG_DATA_HOME", QStringLiteral("/tmp/zv-home-data"));
    ScopedEnv dataDirs("XDG_DATA_DIRS", QStringLiteral("/tmp/zv-local:/tmp/zv-middle:/tmp/zv-sys"));
    EXPECT_EQ(ZvBundle::LibraryPath(kUserDomain), QStringLiteral("/tmp/zv-home-data"));
    EXPECT_EQ(ZvBundle::LibraryPath(kLocalDomain), QStringLiteral("/tmp/zv-local"));
    EXPECT_EQ(ZvBundle::LibraryPath(kSystemDomain), QStringLiteral("/tmp/zv-sys"));
    EXPECT_TRUE(ZvBundle::LibraryPath(0).isEmpty());
}

}  // namespace
