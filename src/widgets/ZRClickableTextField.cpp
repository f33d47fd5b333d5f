#include "widgets/ZRClickableTextField.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QUrl>

#include "widgets/ZROpenURL.h"
#include "widgets/ZRTextDrawing.h"

namespace {

constexpr int kCursorHotX = 3;
constexpr int kCursorHotY = 1;

bool IsActivationKey(const QKeyEvent* event) {
    const int key = event->key();
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Tags of tracking areas: unique, never 0.
int32_t NextTrackingTag() {
    static int32_t lastTag = 0;
    lastTag = lastTag == INT32_MAX ? 1 : lastTag + 1;
    return lastTag;
}

}  // namespace

ZRClickableTextField::ZRClickableTextField(QWidget* parent) : QLabel(parent) {
    hide();
}

void ZRClickableTextField::setStringValue(const QString& text) {
    const int width = ZRTextSize(font(), text).width();
    resize(width, height());
    setVisible(!text.isEmpty());
    QLabel::setText(text);
}

void ZRClickableTextField::SetLinkString(const QString& text, const QString& url,
                                         const QImage& cursorImage) {
    m_CursorImage = cursorImage;
    m_Cursor.reset();
    if (!m_CursorImage.isNull()) {
        m_Cursor.emplace(QPixmap::fromImage(m_CursorImage), kCursorHotX, kCursorHotY);
    }
    m_strURL = url;
    setAccessibleDescription(m_strURL);
    setFocusPolicy(IsLink() ? Qt::StrongFocus : Qt::NoFocus);
    setStringValue(text);
    resetCursorRects();
}

void ZRClickableTextField::resetCursorRects() {
    unsetCursor();
    m_TrackingRectTag = 0;  // the previous tracking ends here
    if (IsLink()) {
        // Qt always has a pointing-hand cursor, so the custom one is never needed.
        setCursor(Qt::PointingHandCursor);
        m_TrackingRectTag = NextTrackingTag();
    } else {
        // Without tracking no leave event can end the hover state.
        m_bInCursor = false;
    }
    update();
}

void ZRClickableTextField::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    if (m_TrackingRectTag != 0) {
        m_bInCursor = true;
        update();
    }
}

void ZRClickableTextField::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    if (m_TrackingRectTag != 0) {
        m_bInCursor = false;
        update();
    }
}

void ZRClickableTextField::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // The inherited handling (selection) never runs; an empty URL opens nothing.
    event->accept();
    if (IsLink()) {
        ZROpenURL(QUrl(m_strURL));
    }
}

void ZRClickableTextField::keyPressEvent(QKeyEvent* event) {
    if (!IsLink() || !IsActivationKey(event)) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    ZROpenURL(QUrl(m_strURL));
}

void ZRClickableTextField::paintEvent(QPaintEvent* event) {
    if (!IsLink()) {
        QLabel::paintEvent(event);
        return;
    }
    DrawLink();
}

void ZRClickableTextField::DrawLink() {
    QFont font = ZRDrawingFont(this->font());
    font.setUnderline(m_bInCursor);
    const QString string = text();
    const QSize natural = ZRTextSize(font, string);
    if (size() != natural) {
        resize(natural);
    }
    QPainter painter(this);
    painter.setPen(QColor(0, 0, 255));
    ZRDrawText(painter, font, string, QPoint(0, 0));
}
