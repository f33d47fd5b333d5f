#include "pixel_tools.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>

QImage Canvas(QSize size, QColor fill) {
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(fill);
    return canvas;
}

void RenderExposed(QWidget& widget, QImage& canvas, const QRegion& region,
                   QWidget::RenderFlags flags) {
    widget.render(&canvas, region.boundingRect().topLeft(), region, flags);
}

QColor PixelAt(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

int MaxDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return 256;
    }
    const QImage left = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage right = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int worst = 0;
    for (int y = 0; y < left.height(); ++y) {
        for (int x = 0; x < left.width(); ++x) {
            const QRgb p = left.pixel(x, y);
            const QRgb q = right.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return worst;
}

int ColorDistance(QColor a, QColor b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue()), std::abs(a.alpha() - b.alpha())});
}

int AdvanceOf(const QFont& font, const QString& text) {
    return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
}

PaintRecorder::PaintRecorder(QWidget* widget) : QObject(widget) {
    widget->installEventFilter(this);
}

bool PaintRecorder::eventFilter(QObject* /*watched*/, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        m_Paints.push_back(static_cast<QPaintEvent*>(event)->rect());
    }
    return false;
}

void SolidWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter(this).fillRect(rect(), m_Color);
}

bool ShowAndExpose(QWidget& widget) {
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget)) {
        return false;
    }
    QCoreApplication::processEvents();
    return true;
}
