#include "installer/MyUiLoader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "installer/MyAgreeView.h"
#include "installer/MyChooseView.h"
#include "installer/MyFinishedView.h"
#include "installer/MyInstallerWindow.h"
#include "installer/MyNoFlashView.h"
#include "installer/MyProgressView.h"
#include "installer/MyTitleView.h"
#include "platform/qt/ZvApplication.h"

MyUiLoader::MyUiLoader(QObject* parent) : ZRUiLoader(parent) {
    RegisterWidgetClass<MyInstallerWindow>(QStringLiteral("MyInstallerWindow"));
    RegisterWidgetClass<MyTitleView>(QStringLiteral("MyTitleView"));
    RegisterWidgetClass<MyAgreeView>(QStringLiteral("MyAgreeView"));
    RegisterWidgetClass<MyChooseView>(QStringLiteral("MyChooseView"));
    RegisterWidgetClass<MyProgressView>(QStringLiteral("MyProgressView"));
    RegisterWidgetClass<MyFinishedView>(QStringLiteral("MyFinishedView"));
    RegisterWidgetClass<MyNoFlashView>(QStringLiteral("MyNoFlashView"));
}

QWidget* MyUiLoader::LoadFile(const QString& uiPath) {
    QFile file(uiPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    MyUiLoader loader;
    // Pictures named in the description are files beside it.
    loader.setWorkingDirectory(QFileInfo(uiPath).absoluteDir());
    QWidget* top = loader.load(&file);
    ZvApplication::AwakeFromNib(top);
    return top;
}
