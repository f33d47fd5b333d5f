// MyUiLoader: the loader of the installer's interface description. It builds
// the widget classes of the widget library and, in addition, the installer's
// window (MyInstallerWindow) and its six page views by name.
#pragma once

#include <QString>
#include <QWidget>

#include "widgets/ZRUiLoader.h"

class MyUiLoader : public ZRUiLoader {
    Q_OBJECT

  public:
    explicit MyUiLoader(QObject* parent = nullptr);

    // Loads the interface description at uiPath and wakes every loaded
    // object (awakeFromNib). Pictures it names are looked for in its own
    // folder. Null when it cannot be loaded.
    static QWidget* LoadFile(const QString& uiPath);
};
