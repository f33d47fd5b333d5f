// Pixel helpers for the drawing tests: canvases, rendering a widget's exposed
// region onto one, and comparisons.
#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QRegion>
#include <QWidget>

#include <vector>

// A premultiplied ARGB canvas filled with fill.
QImage Canvas(QSize size, QColor fill);

// Renders region of widget (widget coordinates) onto canvas at the same
// coordinates, as a paint of exactly that exposed region would.
void RenderExposed(QWidget& widget, QImage& canvas, const QRegion& region,
                   QWidget::RenderFlags flags = QWidget::RenderFlags());

// The unpremultiplied colour of a pixel.
QColor PixelAt(const QImage& image, int x, int y);

// Largest difference of any channel of any pixel (premultiplied values) of two
// images of one size.
int MaxDifference(const QImage& a, const QImage& b);

// Largest channel difference of two colours.
int ColorDistance(QColor a, QColor b);

// The width of text in font, rounded up to whole units.
int AdvanceOf(const QFont& font, const QString& text);

// Counts the paint events a widget receives and keeps their rectangles.
class PaintRecorder : public QObject {
  public:
    explicit PaintRecorder(QWidget* widget);
    const std::vector<QRect>& paints() const { return m_Paints; }
    void clear() { m_Paints.clear(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::vector<QRect> m_Paints;
};

// A widget that paints itself one opaque colour; a parent for views that must
// let it show through, or draw nothing over it.
class SolidWidget : public QWidget {
  public:
    explicit SolidWidget(QColor color) : m_Color(color) {}

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor m_Color;
};

// Shows a widget on the offscreen screen and waits until it is exposed and has
// been painted once.
bool ShowAndExpose(QWidget& widget);
