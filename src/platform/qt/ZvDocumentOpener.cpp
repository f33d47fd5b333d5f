#include "platform/qt/ZvDocumentOpener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace {

// The stand-in for platform plugins that cannot open anything themselves
// (QDesktopServices then answers false).
bool StartXdgOpen(const QString& argument) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (program.isEmpty()) {
        return false;
    }
    return QProcess::startDetached(program, QStringList{argument});
}

}  // namespace

bool ZvDocumentOpener::OpenFile(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) || StartXdgOpen(path);
}

bool ZvDocumentOpener::OpenUrl(const QUrl& url) {
    if (url.isEmpty() || !url.isValid()) {
        return false;
    }
    if (QDesktopServices::openUrl(url)) {
        return true;
    }
    return StartXdgOpen(url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded));
}
