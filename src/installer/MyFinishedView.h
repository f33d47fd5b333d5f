// MyFinishedView: the last page, for a finished or a failed installation. Its
// two check boxes offer to make the new module the current screen saver
// (idChkSetSaver) and to open the read-me (idChkViewReadme). After a failed
// installation the boxes are hidden, and a hidden box counts as not ticked.
#pragma once

#include <QAbstractButton>

#include "widgets/ZRColorView.h"

class MyFinishedView : public ZRColorView {
    Q_OBJECT

  public:
    explicit MyFinishedView(QWidget* parent = nullptr);

    // Whether the Resources folder holds "readme.rtf" (in any letter case,
    // the same file the finishing action opens as "Readme.rtf").
    bool IsExsitReadme();

    // Titles the boxes ("textSetSaver", "textShowReadme"); ticks and enables
    // the read-me box when there is a read-me, else unticks and disables it.
    // The set-saver box keeps the state the interface description gave it.
    Q_INVOKABLE void awakeFromNib();

    // False when the box is hidden, else whether it is ticked.
    bool IsCheckedSetSaver();
    bool IsCheckedViewReadme();

    // Hides the set-saver box, then the read-me box.
    void HideAllButtons();

  public slots:
    // Actions of the two boxes; they do nothing.
    void onCheckedSetSaver(bool checked);
    void onCheckedShowReadme(bool checked);

  private:
    void ConnectOutlets();

    QAbstractButton* idChkSetSaver = nullptr;
    QAbstractButton* idChkViewReadme = nullptr;
};
