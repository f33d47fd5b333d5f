// A private desktop for the link tests: a temporary folder (its name holds a
// space, so commands must be quoted) that serves as the only XDG data folders,
// a fake "xdg-open" first on PATH, and a fake browser program. Both fakes
// append each argument they get as one line to their own log. The environment
// is restored when the sandbox goes.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <optional>

class LaunchSandbox {
  public:
    LaunchSandbox();
    ~LaunchSandbox();
    LaunchSandbox(const LaunchSandbox&) = delete;
    LaunchSandbox& operator=(const LaunchSandbox&) = delete;

    bool IsValid() const { return m_bValid; }
    QString Root() const { return m_Dir.path(); }

    // The fake browser's path, quoted for an Exec line.
    QString QuotedBrowser() const;

    // Writes "<identifier>.desktop" into the user's (or, with systemWide, the
    // system's) application folder.
    void AddEntry(const QString& identifier, const QString& contents, bool systemWide = false);

    // The arguments recorded so far by the fake default opener and browser.
    QStringList OpenerCalls() const;
    QStringList BrowserCalls() const;

    // Waits until the fake has recorded at least count lines.
    bool WaitForOpener(int count = 1) const;
    bool WaitForBrowser(int count = 1) const;

    // Gives a program that was started by mistake time to record itself.
    static void Settle();

  private:
    void SetEnv(const char* name, const QByteArray& value);
    void UnsetEnv(const char* name);
    void WriteScript(const QString& path, const QString& log);

    QTemporaryDir m_Dir;
    bool m_bValid = false;
    std::map<QByteArray, std::optional<QByteArray>> m_SavedEnv;
};
