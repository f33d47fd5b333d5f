#include "widgets/ZRNamedImage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

namespace {

const char* const kExtensions[] = {"png", "tiff", "tif", "jpg", "jpeg", "gif", "bmp", "xpm"};

bool IsPlainName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
           !name.startsWith(QLatin1Char('.')) && !name.contains(QChar(0));
}

QImage ReadImage(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return QImage();
    }
    return QImage(path);
}

}  // namespace

QString ZRResourcesFolder() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Resources");
}

QImage ZRNamedImage(const QString& name) {
    if (!IsPlainName(name)) {
        return QImage();
    }
    const QString base = ZRResourcesFolder() + QLatin1Char('/') + name;
    if (!QFileInfo(name).suffix().isEmpty()) {
        return ReadImage(base);
    }
    for (const char* extension : kExtensions) {
        QImage image = ReadImage(base + QLatin1Char('.') + QLatin1String(extension));
        if (!image.isNull()) {
            return image;
        }
    }
    return QImage();
}
