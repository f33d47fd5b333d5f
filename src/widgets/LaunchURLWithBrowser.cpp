#include "widgets/LaunchURLWithBrowser.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "widgets/ZRDesktopEntry.h"

namespace {

// The executable a program name of an entry stands for: an absolute path as it
// is, a bare name through PATH; empty when there is none.
QString ResolveProgram(const QString& program) {
    if (QDir::isAbsolutePath(program)) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? program : QString();
    }
    if (program.contains(QLatin1Char('/'))) {
        return QString();
    }
    return QStandardPaths::findExecutable(program);
}

bool IsLaunchable(const ZRDesktopEntry& entry) {
    if (entry.BoolValue(QStringLiteral("Terminal"))) {
        return false;
    }
    const QString tryExec = entry.Value(QStringLiteral("TryExec"));
    return tryExec.isEmpty() || !ResolveProgram(tryExec).isEmpty();
}

}  // namespace

int32_t LaunchURLWithBrowser(const QUrl& url, const QString& identifier) {
    if (!url.isValid() || url.isRelative() || identifier.isEmpty() ||
        identifier.startsWith(QLatin1Char('.')) || identifier.contains(QLatin1Char('/'))) {
        return kZRLaunchBadArgument;
    }
    const QString path = ZRDesktopEntry::FindFile(identifier);
    if (path.isEmpty()) {
        return kZRLaunchNoApplication;
    }
    ZRDesktopEntry entry;
    if (!entry.Load(path)) {
        return kZRLaunchFailed;
    }
    if (entry.BoolValue(QStringLiteral("Hidden")) ||
        entry.Value(QStringLiteral("Type")) != QLatin1String("Application")) {
        return kZRLaunchNoApplication;
    }
    QStringList command;
    if (!IsLaunchable(entry) || !entry.CommandFor(url, &command)) {
        return kZRLaunchFailed;
    }
    const QString program = ResolveProgram(command.takeFirst());
    if (program.isEmpty()) {
        return kZRLaunchFailed;
    }
    const QString folder = entry.Value(QStringLiteral("Path"));
    if (!QProcess::startDetached(program, command, folder)) {
        return kZRLaunchFailed;
    }
    return 0;
}
