#include "widgets/ZROpenURL.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

bool ZROpenURL(const QUrl& url) {
    if (!url.isValid() || url.isRelative()) {
        return false;
    }
    if (QDesktopServices::openUrl(url)) {
        return true;
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        return false;
    }
    return QProcess::startDetached(opener, {url.toString(QUrl::FullyEncoded)});
}
