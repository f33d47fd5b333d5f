#include "platform/qt/ZvPreferenceStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSysInfo>

namespace {

const char* const kMachineIdFiles[] = {"/etc/machine-id", "/var/lib/dbus/machine-id"};

bool IsPlainName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
           !name.startsWith(QLatin1Char('.')) && !name.contains(QChar(0));
}

// A host key goes into a file name: letters and digits only, not too long.
bool IsUsableKey(const QString& key) {
    if (key.isEmpty() || key.size() > 64) {
        return false;
    }
    for (QChar c : key) {
        if (c.unicode() > 127 || !c.isLetterOrNumber()) {
            return false;
        }
    }
    return true;
}

QString ConfigHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) {
        return xdg;
    }
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty() && QDir::isAbsolutePath(home)) {
        return home + QStringLiteral("/.config");
    }
    return QString();
}

}  // namespace

ZvPreferenceStore::ZvPreferenceStore(const QString& domain) : m_domain(domain) {}

QString ZvPreferenceStore::HostKey() {
    for (const char* path : kMachineIdFiles) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) {
            const QString key = QString::fromLatin1(file.read(128)).trimmed();
            if (IsUsableKey(key)) {
                return key;
            }
        }
    }
    QString host;
    for (QChar c : QSysInfo::machineHostName()) {
        if (c.unicode() < 128 && c.isLetterOrNumber()) {
            host += c;
        }
    }
    return IsUsableKey(host) ? host : QStringLiteral("localhost");
}

QString ZvPreferenceStore::FilePath() const {
    const QString config = ConfigHome();
    if (!IsPlainName(m_domain) || config.isEmpty()) {
        return QString();
    }
    return config + QStringLiteral("/zorvane/ByHost/") + m_domain + QLatin1Char('.') + HostKey() +
           QStringLiteral(".json");
}

QJsonObject ZvPreferenceStore::ReadAll() const {
    QFile file(FilePath());
    if (FilePath().isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return QJsonObject();
    }
    // A file that is not a JSON object holds nothing we could keep.
    return QJsonDocument::fromJson(file.readAll()).object();
}

bool ZvPreferenceStore::SetValue(const QString& key, const QString& value) {
    const QString path = FilePath();
    if (path.isEmpty() || key.isEmpty()) {
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QJsonObject all = ReadAll();
    all.insert(key, value);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = QJsonDocument(all).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString ZvPreferenceStore::Value(const QString& key) const {
    return ReadAll().value(key).toString();
}
