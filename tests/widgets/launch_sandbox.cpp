#include "launch_sandbox.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QThread>

namespace {

QStringList ReadLog(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool WaitForLines(const QString& path, int count) {
    return QTest::qWaitFor([&] { return ReadLog(path).size() >= count; }, 10000);
}

}  // namespace

LaunchSandbox::LaunchSandbox() : m_Dir(QDir::tempPath() + QStringLiteral("/zv widgets-XXXXXX")) {
    if (!m_Dir.isValid()) {
        return;
    }
    const QString root = m_Dir.path();
    QDir(root).mkpath(QStringLiteral("home data/applications"));
    QDir(root).mkpath(QStringLiteral("system data/applications"));
    QDir(root).mkpath(QStringLiteral("bin"));
    WriteScript(root + QStringLiteral("/bin/xdg-open"), root + QStringLiteral("/opener.log"));
    WriteScript(root + QStringLiteral("/bin/fake browser"), root + QStringLiteral("/browser.log"));

    SetEnv("XDG_DATA_HOME", (root + QStringLiteral("/home data")).toUtf8());
    SetEnv("XDG_DATA_DIRS", (root + QStringLiteral("/system data")).toUtf8());
    SetEnv("PATH", (root + QStringLiteral("/bin:")).toUtf8() + qgetenv("PATH"));
    UnsetEnv("BROWSER");
    UnsetEnv("DEFAULT_BROWSER");
    m_bValid = true;
}

LaunchSandbox::~LaunchSandbox() {
    for (const auto& [name, value] : m_SavedEnv) {
        if (value) {
            qputenv(name.constData(), *value);
        } else {
            qunsetenv(name.constData());
        }
    }
}

QString LaunchSandbox::QuotedBrowser() const {
    return QLatin1Char('"') + Root() + QStringLiteral("/bin/fake browser\"");
}

void LaunchSandbox::AddEntry(const QString& identifier, const QString& contents, bool systemWide) {
    const QString folder =
        systemWide ? QStringLiteral("/system data") : QStringLiteral("/home data");
    QFile file(Root() + folder + QStringLiteral("/applications/") + identifier +
               QStringLiteral(".desktop"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(contents.toUtf8());
    }
}

QStringList LaunchSandbox::OpenerCalls() const {
    return ReadLog(Root() + QStringLiteral("/opener.log"));
}

QStringList LaunchSandbox::BrowserCalls() const {
    return ReadLog(Root() + QStringLiteral("/browser.log"));
}

bool LaunchSandbox::WaitForOpener(int count) const {
    return WaitForLines(Root() + QStringLiteral("/opener.log"), count);
}

bool LaunchSandbox::WaitForBrowser(int count) const {
    return WaitForLines(Root() + QStringLiteral("/browser.log"), count);
}

void LaunchSandbox::Settle() {
    QTest::qWait(300);
}

void LaunchSandbox::SetEnv(const char* name, const QByteArray& value) {
    if (m_SavedEnv.find(name) == m_SavedEnv.end()) {
        m_SavedEnv[name] =
            qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    qputenv(name, value);
}

void LaunchSandbox::UnsetEnv(const char* name) {
    if (m_SavedEnv.find(name) == m_SavedEnv.end()) {
        m_SavedEnv[name] =
            qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    qunsetenv(name);
}

void LaunchSandbox::WriteScript(const QString& path, const QString& log) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return;
    }
    file.write(
        QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '%1'; done\n")
            .arg(log)
            .toUtf8());
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
