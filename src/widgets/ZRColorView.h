// ZRColorView: a view that fills the area it is asked to paint with one colour.
//
// The fill starts as white with alpha 0.5 and is blended over whatever lies
// beneath (source-over), so a translucent colour lets the parent show through.
// The view is never opaque: Qt paints its parent first (the view sets neither
// Qt::WA_OpaquePaintEvent nor an auto-filled background). The page views of the
// installer derive from it.
#pragma once

#include <QColor>
#include <QWidget>

class ZRColorView : public QWidget {
    Q_OBJECT

  public:
    explicit ZRColorView(QWidget* parent = nullptr);

    // Replaces the fill colour with the RGB colour of these components (0.0 to
    // 1.0; values outside are clamped, NaN counts as 0.0). Asks for no redraw:
    // the new colour shows from the view's next paint on.
    void SetFillColor(float red, float green, float blue, float alpha);

    QColor fillColor() const { return m_FillColor; }

    // Always false: what lies behind the view is painted before it.
    bool isOpaque() const { return false; }

  protected:
    // Fills exactly the exposed rectangle with the fill colour.
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor m_FillColor;
};
