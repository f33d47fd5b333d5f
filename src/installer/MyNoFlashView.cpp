#include "installer/MyNoFlashView.h"

#include "platform/qt/ZvStringTable.h"
#include "widgets/ZRNamedImage.h"

MyNoFlashView::MyNoFlashView(QWidget* parent) : ZRColorView(parent) {}

void MyNoFlashView::ConnectOutlets() {
    if (idFlashBanner == nullptr) {
        idFlashBanner = findChild<ZRClickableImageView*>(QStringLiteral("idFlashBanner"));
    }
    if (idNoFlashText == nullptr) {
        idNoFlashText = findChild<QLabel*>(QStringLiteral("idNoFlashText"));
    }
}

void MyNoFlashView::awakeFromNib() {
    ConnectOutlets();
    if (idNoFlashText != nullptr) {
        idNoFlashText->setText(ZvStringTable::Localized("textNoFlash"));
        idNoFlashText->setHidden(false);
    }
    const QImage cursor = ZRNamedImage(QStringLiteral("myClickCursor"));
    if (idFlashBanner != nullptr) {
        idFlashBanner->SetLinkedURL(QString::fromLatin1(kFlashDownloadURL), cursor);
        idFlashBanner->SetUsingSafari(true);
    }
}
