#include "widgets/ZRTextDrawing.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>

namespace {

const char kDrawingFamily[] = "Osaka";

// Layout flags for text that is neither wrapped nor aligned: lines start at the
// left edge, the first line at the top.
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;

}  // namespace

QFont ZRDrawingFont(const QFont& ownFont) {
    if (!QFontDatabase::hasFamily(QString::fromLatin1(kDrawingFamily))) {
        return ownFont;
    }
    QFont font(QString::fromLatin1(kDrawingFamily));
    if (ownFont.pointSizeF() > 0) {
        font.setPointSizeF(ownFont.pointSizeF());
    } else if (ownFont.pixelSize() > 0) {
        font.setPixelSize(ownFont.pixelSize());
    }
    return font;
}

QSize ZRTextSize(const QFont& font, const QString& text) {
    if (text.isEmpty()) {
        return QSize(0, QFontMetrics(font).height());
    }
    return QFontMetrics(font).size(kTextFlags, text);
}

void ZRDrawText(QPainter& painter, const QFont& font, const QString& text, QPoint topLeft) {
    painter.setFont(font);
    // The rectangle is the text's own size, so the flags place the first line's
    // top-left corner exactly at topLeft; the painter clips nothing to it.
    const QRect box(topLeft, ZRTextSize(font, text));
    painter.drawText(box, kTextFlags | Qt::TextDontClip, text);
}
