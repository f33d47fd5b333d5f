#include "platform/qt/ZvBundle.h"

#include <QDir>
#include <QFileInfo>

#include "platform/files.h"
#include "platform/places.h"

namespace {

bool IsPlainName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
           !name.startsWith(QLatin1Char('.')) && !name.contains(QChar(0));
}

}  // namespace

QString ZvBundle::ResourcesPath() {
    FSRef ref;
    if (BundleGetResourcesFolder(&ref) != kNoErr) {
        return QString();
    }
    char path[1024];
    if (FSRefMakePath(&ref, path, sizeof(path)) != kNoErr) {
        return QString();
    }
    return QString::fromUtf8(path);
}

QString ZvBundle::FindResource(const QString& name, bool caseInsensitive) {
    const QString folder = ResourcesPath();
    if (folder.isEmpty() || !IsPlainName(name)) {
        return QString();
    }
    const QString exact = folder + QLatin1Char('/') + name;
    if (QFileInfo::exists(exact)) {
        return exact;
    }
    if (!caseInsensitive) {
        return QString();
    }
    // Sorted, so that the same one of several case variants is always found.
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            return folder + QLatin1Char('/') + entry;
        }
    }
    return QString();
}

QString ZvBundle::LibraryPath(std::int16_t domain) {
    if (domain != kUserDomain && domain != kLocalDomain && domain != kSystemDomain) {
        return QString();
    }
    char path[1024];
    if (FSFindFolderPath(domain, kLibraryFolderType, path, sizeof(path)) != kNoErr) {
        return QString();
    }
    return QString::fromUtf8(path);
}
