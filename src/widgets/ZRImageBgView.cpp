#include "widgets/ZRImageBgView.h"

#include <QPaintEvent>
#include <QPainter>

#include "widgets/ZRNamedImage.h"

ZRImageBgView::ZRImageBgView(QWidget* parent) : QWidget(parent) {}

void ZRImageBgView::setImage(const QImage& image) {
    m_bgImage = image;
    update();
}

void ZRImageBgView::setImageByName(const QString& name) {
    setImage(ZRNamedImage(name));
}

void ZRImageBgView::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (m_bgImage.isNull()) {
        return;
    }
    // Source rectangle = exposed rectangle, in picture pixels; the target has
    // the same size in view units, so the picture is never scaled, whatever
    // device pixel ratio the image carries.
    const QRect source = event->rect() & m_bgImage.rect();
    if (source.isEmpty()) {
        return;
    }
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QRectF(source), m_bgImage, QRectF(source));
}
