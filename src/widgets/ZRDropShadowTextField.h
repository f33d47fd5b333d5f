// ZRDropShadowTextField: a text field that paints its string with a soft drop
// shadow.
//
// Each paint reads the field's current string (text()), font, text colour (the
// palette colour of foregroundRole()) and background colour (the palette colour
// of backgroundRole()). The string is drawn in "Osaka" at the point size of the
// field's font (the field's own font where "Osaka" is not installed, see
// ZRTextDrawing.h), in the text colour, with its top-left corner at the view's
// origin: the field's alignment, frame, border and background play no part,
// and nothing is wrapped or resized. The shadow lies 2 units right of and 2
// below the text, is blurred with radius 2 (a Gaussian with sigma = radius / 2)
// and has the background colour. An empty string draws nothing at all.
#pragma once

#include <QColor>
#include <QLabel>

class QPainter;

class ZRDropShadowTextField : public QLabel {
    Q_OBJECT

  public:
    explicit ZRDropShadowTextField(QWidget* parent = nullptr);

    QColor textColor() const;
    QColor backgroundColor() const;

  protected:
    // Nothing for an empty string; otherwise DrawString with the text colour
    // and, as shadow colour, the background colour. The inherited label drawing
    // (frame, background) never runs.
    void paintEvent(QPaintEvent* event) override;

    // Draws the string in textColor with a drop shadow in shadowColor.
    void DrawString(QPainter& painter, const QColor& textColor, const QColor& shadowColor);
};
