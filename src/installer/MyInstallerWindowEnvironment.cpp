// MyInstallerWindow: the start-up background, the plug-in and licence checks
// and the finishing actions. All of them run on the main thread.
#include <QImage>
#include <QVBoxLayout>
#include <cstring>
#include <memory>

#include "archive/CZPackedFile.h"
#include "filelib/CFile.h"
#include "filelib/zrPath.h"
#include "installer/MyInstallerWindow.h"
#include "installer/MyTempFolder.h"
#include "platform/files.h"
#include "platform/qt/ZvBundle.h"
#include "platform/qt/ZvDocumentOpener.h"
#include "platform/qt/ZvPreferenceStore.h"
#include "widgets/ZRImageBgView.h"

namespace {

const char kScreenSaverDomain[] = "com.apple.screensaver";

// Whether something of the wanted kind exists at path (the last component is
// not followed when it is a symbolic link).
bool Exists(const char* path, bool wantFolder) {
    FSRef ref;
    bool isFolder = false;
    return path[0] != '\0' && FSPathMakeRef(path, &ref, &isFolder) == kNoErr &&
           isFolder == wantFolder;
}

}  // namespace

void MyInstallerWindow::awakeFromNib() {
    ConnectOutlets();
    char tempFolder[1024] = {};
    zrLib::File::CFile::CreateDirInTemp(tempFolder);
    const QByteArray resources = ZvBundle::ResourcesPath().toUtf8();
    // Without a temporary folder or a Resources folder there is nowhere safe
    // to unpack into, and no archive to unpack: no background.
    if (tempFolder[0] == '\0' || resources.isEmpty()) {
        MyRemoveTempFolder(tempFolder);
        return;
    }
    char archivePath[1024];
    zrCatPath(archivePath, resources.constData(), "bg.bin");

    auto archive = std::make_unique<zorvane::CZPackedFile>();
    if (archive->Open(archivePath)) {
        if (!archive->OutputAllFile(tempFolder, "", false)) {
            // An archive that opens but cannot be unpacked ends the program;
            // its temporary folder stays behind.
            Terminate();
            return;
        }
        char picturePath[1024];
        zrCatPath(picturePath, tempFolder, "bg.tif");
        const QImage picture(QString::fromUtf8(picturePath));

        QWidget* content = takeCentralWidget();
        auto* background = new ZRImageBgView;
        background->setImage(picture);
        setCentralWidget(background);
        if (content != nullptr) {
            background->resize(content->size());
            auto* layout = new QVBoxLayout(background);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(0);
            layout->addWidget(content);
            content->show();
        }
    }
    MyRemoveTempFolder(tempFolder);
}

bool MyInstallerWindow::CheckFlashPlugin() {
    const QByteArray library = ZvBundle::LibraryPath(kLocalDomain).toUtf8();
    if (library.isEmpty()) {
        return false;
    }
    char path[1024];
    zrCatPath(path, library.constData(), "Internet Plug-Ins/Flash Player.plugin");
    if (Exists(path, true)) {
        return true;
    }
    zrCatPath(path, library.constData(), "Internet Plug-Ins/Shockwave Flash NP-PPC");
    return Exists(path, false);
}

bool MyInstallerWindow::IsExistingEULA() {
    return !ZvBundle::FindResource(QStringLiteral("EULA.rtf")).isEmpty();
}

void MyInstallerWindow::SetPreference() {
    // The worker's name and path are final only once it has finished.
    if (IsExtractFinished()) {
        ZvPreferenceStore store(QString::fromLatin1(kScreenSaverDomain));
        store.SetValue(QStringLiteral("moduleName"), QString::fromUtf8(m_szModuleName));
        store.SetValue(QStringLiteral("modulePath"), QString::fromUtf8(m_szInstalledPath));
    }
    openPrefPanel();
}

void MyInstallerWindow::openPrefPanel() {
    const QString library = ZvBundle::LibraryPath(kSystemDomain);
    if (library.isEmpty()) {
        return;
    }
    ZvDocumentOpener::OpenFile(library + QStringLiteral("/PreferencePanes/ScreenSaver.prefPane"));
}

void MyInstallerWindow::showReadme() {
    // "readme.rtf" and "Readme.rtf" name one resource; it is found under
    // either spelling.
    QString readme = ZvBundle::FindResource(QStringLiteral("Readme.rtf"), true);
    if (readme.isEmpty()) {
        const QString resources = ZvBundle::ResourcesPath();
        if (resources.isEmpty()) {
            return;
        }
        readme = resources + QStringLiteral("/Readme.rtf");
    }
    ZvDocumentOpener::OpenFile(readme);
}
