#include "widgets/ZRColorView.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

float ClampComponent(float value) {
    if (std::isnan(value)) {
        return 0.0f;
    }
    return std::clamp(value, 0.0f, 1.0f);
}

}  // namespace

ZRColorView::ZRColorView(QWidget* parent)
    : QWidget(parent), m_FillColor(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.5f)) {
    // Not opaque: the parent is painted beneath the view.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);
}

void ZRColorView::SetFillColor(float red, float green, float blue, float alpha) {
    m_FillColor = QColor::fromRgbF(ClampComponent(red), ClampComponent(green), ClampComponent(blue),
                                   ClampComponent(alpha));
}

void ZRColorView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(event->rect(), m_FillColor);
}
