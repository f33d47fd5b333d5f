#include "widgets/ZRClickableImageView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QUrl>

#include "widgets/LaunchURLWithBrowser.h"
#include "widgets/ZROpenURL.h"

namespace {

const char kPreferredBrowser[] = "com.apple.safari";
constexpr int kCursorHotX = 3;
constexpr int kCursorHotY = 1;

bool IsActivationKey(const QKeyEvent* event) {
    const int key = event->key();
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

ZRClickableImageView::ZRClickableImageView(QWidget* parent) : QLabel(parent) {}

void ZRClickableImageView::SetLinkedURL(const QString& url, const QImage& cursorImage) {
    m_strLinkedURL = url;
    m_CursorImage = cursorImage;
    m_Cursor.reset();
    if (!m_CursorImage.isNull()) {
        m_Cursor.emplace(QPixmap::fromImage(m_CursorImage), kCursorHotX, kCursorHotY);
    }
    setAccessibleDescription(m_strLinkedURL);
    setFocusPolicy(IsLink() ? Qt::StrongFocus : Qt::NoFocus);
    resetCursorRects();
}

void ZRClickableImageView::SetUsingSafari(bool flag) {
    m_bUseDefaultBrowser = !flag;
}

void ZRClickableImageView::resetCursorRects() {
    unsetCursor();
    SetClickable();
}

void ZRClickableImageView::SetClickable() {
    if (!IsLink()) {
        return;
    }
    // Qt always has a pointing-hand cursor, so the custom one is never needed.
    setCursor(Qt::PointingHandCursor);
}

void ZRClickableImageView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !IsLink()) {
        event->ignore();
        return;
    }
    event->accept();
    OpenLink();
}

void ZRClickableImageView::keyPressEvent(QKeyEvent* event) {
    if (!IsLink() || !IsActivationKey(event)) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    OpenLink();
}

void ZRClickableImageView::OpenLink() {
    if (!m_bUseDefaultBrowser) {
        const QUrl url(m_strLinkedURL);
        if (LaunchURLWithBrowser(url, QString::fromLatin1(kPreferredBrowser)) == 0) {
            return;
        }
    }
    ZROpenURL(QUrl(m_strLinkedURL));
}
