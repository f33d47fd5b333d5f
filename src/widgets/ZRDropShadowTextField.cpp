#include "widgets/ZRDropShadowTextField.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

#include "widgets/ZRTextDrawing.h"

namespace {

// The shadow falls 2 units to the right and 2 down (y grows downwards here).
constexpr QPoint kShadowOffset(2, 2);
constexpr qreal kShadowBlurRadius = 2.0;

std::vector<float> GaussianKernel(qreal radius) {
    const qreal sigma = radius / 2.0;
    const int half = static_cast<int>(std::ceil(3.0 * sigma));
    std::vector<float> kernel(2 * half + 1);
    float sum = 0.0f;
    for (int i = -half; i <= half; ++i) {
        const float weight = static_cast<float>(std::exp(-(i * i) / (2.0 * sigma * sigma)));
        kernel[i + half] = weight;
        sum += weight;
    }
    for (float& weight : kernel) {
        weight /= sum;
    }
    return kernel;
}

// One pass of a separable blur along x (step 1) or y (step width) over a w x h
// plane; samples outside the plane count as 0.
void BlurPass(const std::vector<float>& in, std::vector<float>& out, int w, int h,
              const std::vector<float>& kernel, bool alongX) {
    const int half = static_cast<int>(kernel.size() / 2);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float sum = 0.0f;
            for (int k = -half; k <= half; ++k) {
                const int sx = alongX ? x + k : x;
                const int sy = alongX ? y : y + k;
                if (sx >= 0 && sx < w && sy >= 0 && sy < h) {
                    sum += kernel[k + half] * in[sy * w + sx];
                }
            }
            out[y * w + x] = sum;
        }
    }
}

// Blurs the alpha of a premultiplied image whose colour is black everywhere.
void BlurAlpha(QImage& mask, qreal radiusInPixels) {
    const int w = mask.width();
    const int h = mask.height();
    std::vector<float> plane(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            plane[y * w + x] = static_cast<float>(qAlpha(line[x]));
        }
    }
    const std::vector<float> kernel = GaussianKernel(radiusInPixels);
    std::vector<float> across(plane.size());
    BlurPass(plane, across, w, h, kernel, true);
    BlurPass(across, plane, w, h, kernel, false);
    for (int y = 0; y < h; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int alpha = std::clamp(static_cast<int>(std::lround(plane[y * w + x])), 0, 255);
            line[x] = qRgba(0, 0, 0, alpha);
        }
    }
}

// The shadow of text drawn at the origin: an image in shadowColor whose alpha
// is the blurred coverage of the text (times the text colour's alpha, as the
// shadow of translucent text is fainter), and where to put its top-left corner.
QImage ShadowImage(const QFont& font, const QString& text, const QColor& textColor,
                   const QColor& shadowColor, qreal dpr, QPoint* topLeft) {
    // Room for the blur and for glyphs that reach outside their advance box.
    const int margin =
        static_cast<int>(std::ceil(1.5 * kShadowBlurRadius)) + QFontMetrics(font).height() / 2 + 1;
    const QSize size = ZRTextSize(font, text) + QSize(2 * margin, 2 * margin);
    QImage mask((QSizeF(size) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    mask.setDevicePixelRatio(dpr);
    mask.fill(Qt::transparent);
    {
        QPainter painter(&mask);
        painter.setPen(QColor(0, 0, 0, textColor.alpha()));
        ZRDrawText(painter, font, text, QPoint(margin, margin));
    }
    BlurAlpha(mask, kShadowBlurRadius * dpr);
    {
        QPainter painter(&mask);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRectF(QPointF(0, 0), QSizeF(size)), shadowColor);
    }
    *topLeft = kShadowOffset - QPoint(margin, margin);
    return mask;
}

}  // namespace

ZRDropShadowTextField::ZRDropShadowTextField(QWidget* parent) : QLabel(parent) {
    // The field never paints a background of its own.
    setAutoFillBackground(false);
}

QColor ZRDropShadowTextField::textColor() const {
    return palette().color(foregroundRole());
}

QColor ZRDropShadowTextField::backgroundColor() const {
    return palette().color(backgroundRole());
}

void ZRDropShadowTextField::paintEvent(QPaintEvent* /*event*/) {
    if (text().isEmpty()) {
        return;
    }
    QPainter painter(this);
    DrawString(painter, textColor(), backgroundColor());
}

void ZRDropShadowTextField::DrawString(QPainter& painter, const QColor& textColor,
                                       const QColor& shadowColor) {
    const QFont font = ZRDrawingFont(this->font());
    const QString string = text();
    QPoint shadowAt;
    const QImage shadow = ShadowImage(font, string, textColor, shadowColor,
                                      painter.device()->devicePixelRatioF(), &shadowAt);
    painter.drawImage(shadowAt, shadow);
    painter.setPen(textColor);
    ZRDrawText(painter, font, string, QPoint(0, 0));
}
