#include "installer/MyTitleView.h"

#include "platform/qt/ZvStringTable.h"

MyTitleView::MyTitleView(QWidget* parent) : ZRColorView(parent) {}

void MyTitleView::ConnectOutlets() {
    if (idViewText == nullptr) {
        idViewText = findChild<QLabel*>(QStringLiteral("idViewText"));
    }
}

void MyTitleView::awakeFromNib() {
    ConnectOutlets();
    if (idViewText != nullptr) {
        idViewText->setText(ZvStringTable::Localized("textTitleView"));
        idViewText->setHidden(false);
    }
}
