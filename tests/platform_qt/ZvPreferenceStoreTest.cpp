#include "platform/qt/ZvPreferenceStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "platform_qt/ZvTestEnv.h"

namespace {

const QString kDomain = QStringLiteral("com.apple.screensaver");

QJsonObject ReadJson(const QString& path) {
    return QJsonDocument::fromJson(ReadFile(path)).object();
}

class ZvPreferenceStoreTest : public ::testing::Test {
  protected:
    QTemporaryDir m_config;
    ScopedEnv m_xdg{"XDG_CONFIG_HOME", m_config.path()};
};

TEST_F(ZvPreferenceStoreTest, FileIsPerDomainAndHostUnderTheConfigFolder) {
    ZvPreferenceStore store(kDomain);
    const QString expected = m_config.path() + QStringLiteral("/zorvane/ByHost/") + kDomain +
                             QLatin1Char('.') + ZvPreferenceStore::HostKey() +
                             QStringLiteral(".json");
    EXPECT_EQ(store.FilePath(), expected);

    // The host key is the machine id where the machine has one.
    QFile machineId(QStringLiteral("/etc/machine-id"));
    if (machineId.open(QIODevice::ReadOnly)) {
        const QString id = QString::fromLatin1(machineId.readAll()).trimmed();
        if (!id.isEmpty()) {
            EXPECT_EQ(ZvPreferenceStore::HostKey(), id);
        }
    }
    const QString key = ZvPreferenceStore::HostKey();
    ASSERT_FALSE(key.isEmpty());
    for (QChar c : key) {
        EXPECT_TRUE(c.unicode() < 128 && c.isLetterOrNumber()) << key.toStdString();
    }
}

TEST_F(ZvPreferenceStoreTest, SetValueStoresStringsAndKeepsOtherKeys) {
    ZvPreferenceStore store(kDomain);
    EXPECT_TRUE(store.Value(QStringLiteral("moduleName")).isEmpty());
    ASSERT_TRUE(store.SetValue(QStringLiteral("moduleName"), QStringLiteral("Name")));
    ASSERT_TRUE(store.SetValue(QStringLiteral("modulePath"),
                               QStringLiteral("/home/u/Screen Savers/Name.saver")));
    ASSERT_TRUE(store.SetValue(QStringLiteral("moduleName"), QStringLiteral("名前")));

    const QJsonObject json = ReadJson(store.FilePath());
    EXPECT_EQ(json.size(), 2);
    EXPECT_EQ(json.value(QStringLiteral("moduleName")).toString(), QStringLiteral("名前"));
    EXPECT_EQ(json.value(QStringLiteral("modulePath")).toString(),
              QStringLiteral("/home/u/Screen Savers/Name.saver"));
    // A second store object reads what the first wrote.
    EXPECT_EQ(ZvPreferenceStore(kDomain).Value(QStringLiteral("moduleName")),
              QStringLiteral("名前"));
    // Other domains are other files.
    EXPECT_TRUE(ZvPreferenceStore(QStringLiteral("org.other"))
                    .Value(QStringLiteral("moduleName"))
                    .isEmpty());
}

TEST_F(ZvPreferenceStoreTest, WritesAtomicallyAndLeavesTheFileReadable) {
    const mode_t oldMask = umask(022);
    ZvPreferenceStore store(kDomain);
    ASSERT_TRUE(store.SetValue(QStringLiteral("a"), QStringLiteral("1")));
    ASSERT_TRUE(store.SetValue(QStringLiteral("b"), QStringLiteral("2")));
    umask(oldMask);

    // Nothing but the file itself is left in its folder.
    const QDir folder = QFileInfo(store.FilePath()).dir();
    EXPECT_EQ(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QFileInfo(store.FilePath()).fileName()});
    struct stat st;
    ASSERT_EQ(stat(store.FilePath().toUtf8().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(ZvPreferenceStoreTest, DamagedFileIsReplacedByAValidOne) {
    ZvPreferenceStore store(kDomain);
    ASSERT_TRUE(WriteFile(store.FilePath(), "{ not json"));
    EXPECT_TRUE(store.Value(QStringLiteral("moduleName")).isEmpty());
    ASSERT_TRUE(store.SetValue(QStringLiteral("moduleName"), QStringLiteral("X")));
    EXPECT_EQ(ReadJson(store.FilePath()).value(QStringLiteral("moduleName")).toString(),
              QStringLiteral("X"));
}

TEST_F(ZvPreferenceStoreTest, BadDomainsAndKeysAreRefused) {
    for (const char* domain : {"", ".hidden", "a/b", "../up"}) {
        SCOPED_TRACE(domain);
        ZvPreferenceStore store(QString::fromLatin1(domain));
        EXPECT_TRUE(store.FilePath().isEmpty());
        EXPECT_FALSE(store.SetValue(QStringLiteral("k"), QStringLiteral("v")));
    }
    EXPECT_FALSE(ZvPreferenceStore(kDomain).SetValue(QString(), QStringLiteral("v")));
    EXPECT_TRUE(QDir(m_config.path()).isEmpty());
}

TEST(ZvPreferenceStoreConfig, RelativeConfigHomeFallsBackToHome) {
    QTemporaryDir home;
    ScopedEnv xdg("XDG_CONFIG_HOME", QStringLiteral("relative/config"));
    ScopedEnv homeVar("HOME", home.path());
    ZvPreferenceStore store(kDomain);
    EXPECT_TRUE(store.FilePath().startsWith(home.path() + QStringLiteral("/.config/zorvane/")));
    ASSERT_TRUE(store.SetValue(QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_TRUE(QFileInfo::exists(store.FilePath()));
}

TEST(ZvPreferenceStoreConfig, UnsetConfigHomeUsesHomeConfig) {
    QTemporaryDir home;
    ScopedEnv xdg("XDG_CONFIG_HOME");
    ScopedEnv homeVar("HOME", home.path());
    EXPECT_TRUE(ZvPreferenceStore(kDomain).FilePath().startsWith(home.path() +
                                                                 QStringLiteral("/.config/")));
}

}  // namespace
