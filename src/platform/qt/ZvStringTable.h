// ZvStringTable: the program's texts, looked up by key.
//
// A table is the Qt translation file "Localizable_<language>.qm" of a
// Resources folder, chosen by locale; when none fits the locale,
// "Localizable_en.qm" is used. Keys are the source texts of the context
// "Localizable". A key that the table does not hold, or a folder without any
// table, gives the key itself, so a missing text shows its key.
#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>
#include <memory>

class ZvStringTable {
  public:
    ZvStringTable() = default;

    // Loads the table of resourcesDir that fits locale. Answers whether a
    // table was loaded; without one every key gives itself.
    bool Load(const QString& resourcesDir, const QLocale& locale = QLocale());

    // The text for key, or key itself when the table has none.
    QString Text(const char* key) const;

    // The language of the loaded table ("en", "ja"), empty when none is.
    QString Language() const { return m_language; }

    // The text for key from the main bundle's table for the default locale
    // (the user's, unless QLocale::setDefault changed it), loaded on first use
    // and again whenever the main bundle or the default locale has changed.
    static QString Localized(const char* key);

  private:
    std::unique_ptr<QTranslator> m_translator;
    QString m_language;
};
