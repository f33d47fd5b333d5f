// ZRDesktopEntry: one XDG desktop entry (a ".desktop" file), read as far as
// launching its application with a URL needs.
//
// Only the [Desktop Entry] group is read; localized keys (Key[xx]) are not
// used. String values are unescaped (\s \n \t \r \\). The command line is the
// Exec value split by the Desktop Entry quoting rules, with its field codes
// expanded for one URL:
//   %u %U      the URL (fully encoded)
//   %f %F      the URL's local path; a URL that is not a local file cannot be
//              given to such an entry
//   %i         "--icon" and the Icon value (nothing without an Icon), as a
//              whole argument only
//   %c         the Name value; %k the entry's file path; %% a "%"
//   %d %D %n %N %v %m   deprecated, removed
// Any other code is an error, and so is a field code in the program name. An
// Exec line without a URL or file code gets the URL as its last argument.
// Nothing here runs a shell: the arguments are passed to the program as they
// are.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>

class ZRDesktopEntry {
  public:
    // The XDG application folders, the most important first:
    // $XDG_DATA_HOME/applications (default ~/.local/share/applications), then
    // "applications" in each folder of $XDG_DATA_DIRS (default
    // /usr/local/share:/usr/share). Relative folders in these variables are
    // ignored, as the XDG rules require.
    static QStringList ApplicationFolders();

    // The file "<identifier>.desktop" in the first application folder that has
    // one, or an empty string. An identifier that is empty, begins with "." or
    // contains "/" finds nothing.
    static QString FindFile(const QString& identifier);

    // Reads the entry at path. False when it cannot be read or has no
    // [Desktop Entry] group.
    bool Load(const QString& path);

    QString filePath() const { return m_FilePath; }
    bool HasKey(const QString& key) const { return m_Values.contains(key); }
    // The unescaped value of key, empty when absent.
    QString Value(const QString& key) const { return m_Values.value(key); }
    // True exactly when the value of key is "true".
    bool BoolValue(const QString& key) const;

    // Splits an Exec value into its arguments. False on an unterminated quote.
    static bool SplitExec(const QString& exec, QStringList* arguments);

    // The program and arguments that open url. False when Exec is missing or
    // empty, malformed, uses an unknown field code or a field code in the
    // program name, or asks for a local file when url is not one.
    bool CommandFor(const QUrl& url, QStringList* command) const;

  private:
    bool ExpandArgument(const QString& argument, const QUrl& url, QStringList* out,
                        bool* usedUrl) const;

    QString m_FilePath;
    QHash<QString, QString> m_Values;
};
