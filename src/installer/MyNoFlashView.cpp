#include "installer/MyNoFlashView.h"

#include <QPixmap>

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
        // The banner shows the bundle's image "flashBanner" unless the
        // interface description gave it a picture of its own.
        const QImage banner = ZRNamedImage(QStringLiteral("flashBanner"));
        if (idFlashBanner->pixmap().isNull() && !banner.isNull()) {
            idFlashBanner->setPixmap(QPixmap::fromImage(banner));
        }
        idFlashBanner->SetLinkedURL(QString::fromLatin1(kFlashDownloadURL), cursor);
        idFlashBanner->SetUsingSafari(true);
    }
}
