#include "installer/MyAgreeView.h"

#include <QTextCursor>

#include "platform/qt/ZvBundle.h"
#include "rtf/RtfQtDocument.h"

MyAgreeView::MyAgreeView(QWidget* parent) : ZRColorView(parent) {}

void MyAgreeView::ConnectOutlets() {
    if (idAgreeTextView == nullptr) {
        idAgreeTextView = findChild<QTextEdit*>(QStringLiteral("idAgreeTextView"));
    }
}

void MyAgreeView::awakeFromNib() {
    ConnectOutlets();
    if (idAgreeTextView == nullptr) {
        return;
    }
    const QString resources = ZvBundle::ResourcesPath();
    if (!resources.isEmpty()) {
        RtfQtDocument::Load(resources + QStringLiteral("/EULA.rtf"), *idAgreeTextView->document());
        // The view's cursor moved along with the loaded text; the licence is
        // read from its beginning.
        idAgreeTextView->moveCursor(QTextCursor::Start);
    }
    idAgreeTextView->setHidden(false);
}
