#include "platform/qt/ZvStringTable.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include "platform/places.h"

namespace {

// Folder with Localizable_en.qm and Localizable_ja.qm, made by the build.
const QString kTables = QStringLiteral(ZV_TEST_TABLES_DIR);

struct LocaleCase {
    const char* locale;
    const char* language;
    const char* greeting;
    const char* farewell;
};

TEST(ZvStringTable, ChoosesTheTableByLocaleAndFallsBackToEnglish) {
    const LocaleCase cases[] = {
        {"ja_JP", "ja", "こんにちは", "farewell"},  // the ja table lacks "farewell"
        {"en_US", "en", "Hello", "Goodbye"},       {"en_GB", "en", "Hello", "Goodbye"},
        {"fr_FR", "en", "Hello", "Goodbye"},  // no French table: English
        {"C", "en", "Hello", "Goodbye"},
    };
    for (const LocaleCase& c : cases) {
        SCOPED_TRACE(c.locale);
        ZvStringTable table;
        ASSERT_TRUE(table.Load(kTables, QLocale(QString::fromLatin1(c.locale))));
        EXPECT_EQ(table.Language(), QString::fromLatin1(c.language));
        EXPECT_EQ(table.Text("greeting"), QString::fromUtf8(c.greeting));
        EXPECT_EQ(table.Text("farewell"), QString::fromUtf8(c.farewell));
    }
}

TEST(ZvStringTable, MissingKeyOrMissingTableGivesTheKey) {
    ZvStringTable loaded;
    ASSERT_TRUE(loaded.Load(kTables, QLocale(QStringLiteral("en_US"))));
    EXPECT_EQ(loaded.Text("titleNowhere"), QStringLiteral("titleNowhere"));
    EXPECT_EQ(loaded.Text(""), QString());
    EXPECT_EQ(loaded.Text(nullptr), QString());

    QTemporaryDir empty;
    ZvStringTable none;
    EXPECT_FALSE(none.Load(empty.path(), QLocale(QStringLiteral("en_US"))));
    EXPECT_TRUE(none.Language().isEmpty());
    EXPECT_EQ(none.Text("greeting"), QStringLiteral("greeting"));

    ZvStringTable unnamed;
    EXPECT_FALSE(unnamed.Load(QString()));
    EXPECT_EQ(unnamed.Text("greeting"), QStringLiteral("greeting"));
}

// The main bundle's table follows the bundle and the default locale.
TEST(ZvStringTable, LocalizedReadsTheMainBundleTable) {
    QTemporaryDir bundle;
    QTemporaryDir bare;
    ASSERT_TRUE(QDir(bundle.path()).mkpath(QStringLiteral("Resources")));
    ASSERT_TRUE(QDir(bare.path()).mkpath(QStringLiteral("Resources")));
    for (const char* name : {"Localizable_en.qm", "Localizable_ja.qm"}) {
        ASSERT_TRUE(
            QFile::copy(kTables + QLatin1Char('/') + QLatin1String(name),
                        bundle.path() + QStringLiteral("/Resources/") + QLatin1String(name)));
    }

    BundleSetMainBundlePath(bundle.path().toUtf8().constData());
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    EXPECT_EQ(ZvStringTable::Localized("greeting"), QStringLiteral("Hello"));
    QLocale::setDefault(QLocale(QStringLiteral("ja_JP")));
    EXPECT_EQ(ZvStringTable::Localized("greeting"), QStringLiteral("こんにちは"));

    BundleSetMainBundlePath(bare.path().toUtf8().constData());
    EXPECT_EQ(ZvStringTable::Localized("greeting"), QStringLiteral("greeting"));

    BundleSetMainBundlePath(nullptr);
    QLocale::setDefault(QLocale::system());
}

}  // namespace
