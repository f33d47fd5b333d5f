#include "installer/MyChooseView.h"

#include "installer/MyControlState.h"
#include "platform/qt/ZvStringTable.h"

MyChooseView::MyChooseView(QWidget* parent) : ZRColorView(parent) {}

void MyChooseView::ConnectOutlets() {
    if (idChkAllUser == nullptr) {
        idChkAllUser = findChild<QAbstractButton*>(QStringLiteral("idChkAllUser"));
        if (idChkAllUser != nullptr) {
            connect(idChkAllUser, &QAbstractButton::clicked, this, &MyChooseView::onCheckedAllUser);
        }
    }
    if (idChkCurrUser == nullptr) {
        idChkCurrUser = findChild<QAbstractButton*>(QStringLiteral("idChkCurrUser"));
        if (idChkCurrUser != nullptr) {
            connect(idChkCurrUser, &QAbstractButton::clicked, this,
                    &MyChooseView::onCheckedCurrUser);
        }
    }
}

void MyChooseView::awakeFromNib() {
    ConnectOutlets();
    if (idChkCurrUser != nullptr) {
        idChkCurrUser->setText(ZvStringTable::Localized("textCurrUser"));
    }
    if (idChkAllUser != nullptr) {
        idChkAllUser->setText(ZvStringTable::Localized("textAllUsers"));
    }
}

bool MyChooseView::IsCheckedAllUser() {
    ConnectOutlets();
    return MyControlState(idChkAllUser) == 1;
}

void MyChooseView::onCheckedAllUser(bool) {}

void MyChooseView::onCheckedCurrUser(bool) {}
