#include "installer/MyFinishedView.h"

#include "installer/MyControlState.h"
#include "platform/qt/ZvBundle.h"
#include "platform/qt/ZvStringTable.h"

namespace {

bool IsTicked(const QAbstractButton* box) {
    if (box == nullptr || box->isHidden()) {
        return false;
    }
    return MyControlState(box) == 1;
}

}  // namespace

MyFinishedView::MyFinishedView(QWidget* parent) : ZRColorView(parent) {}

void MyFinishedView::ConnectOutlets() {
    if (idChkSetSaver == nullptr) {
        idChkSetSaver = findChild<QAbstractButton*>(QStringLiteral("idChkSetSaver"));
        if (idChkSetSaver != nullptr) {
            connect(idChkSetSaver, &QAbstractButton::clicked, this,
                    &MyFinishedView::onCheckedSetSaver);
        }
    }
    if (idChkViewReadme == nullptr) {
        idChkViewReadme = findChild<QAbstractButton*>(QStringLiteral("idChkViewReadme"));
        if (idChkViewReadme != nullptr) {
            connect(idChkViewReadme, &QAbstractButton::clicked, this,
                    &MyFinishedView::onCheckedShowReadme);
        }
    }
}

bool MyFinishedView::IsExsitReadme() {
    return !ZvBundle::FindResource(QStringLiteral("readme.rtf"), true).isEmpty();
}

void MyFinishedView::awakeFromNib() {
    ConnectOutlets();
    if (idChkSetSaver != nullptr) {
        idChkSetSaver->setText(ZvStringTable::Localized("textSetSaver"));
    }
    if (idChkViewReadme != nullptr) {
        idChkViewReadme->setText(ZvStringTable::Localized("textShowReadme"));
    }
    const bool readme = IsExsitReadme();
    MySetControlState(idChkViewReadme, readme ? 1 : 0);
    if (idChkViewReadme != nullptr) {
        idChkViewReadme->setEnabled(readme);
    }
}

bool MyFinishedView::IsCheckedSetSaver() {
    ConnectOutlets();
    return IsTicked(idChkSetSaver);
}

bool MyFinishedView::IsCheckedViewReadme() {
    ConnectOutlets();
    return IsTicked(idChkViewReadme);
}

void MyFinishedView::HideAllButtons() {
    ConnectOutlets();
    if (idChkSetSaver != nullptr) {
        idChkSetSaver->setHidden(true);
    }
    if (idChkViewReadme != nullptr) {
        idChkViewReadme->setHidden(true);
    }
}

void MyFinishedView::onCheckedSetSaver(bool) {}

void MyFinishedView::onCheckedShowReadme(bool) {}
