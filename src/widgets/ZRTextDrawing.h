// Text drawing shared by the link and drop-shadow fields.
//
// Both fields draw their string in the font "Osaka" at the point size of the
// field's own font. Where no font family "Osaka" is installed, they draw with
// the field's own font instead (family, size and style), so the text keeps a
// sensible face and the shadow and link styling still apply.
//
// The string is drawn unwrapped, unclipped and unaligned with its top-left
// corner at the given point; line breaks in it start new lines.
#pragma once

#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>

class QPainter;

// "Osaka" at the point (or pixel) size of ownFont, or ownFont itself when the
// family is not installed.
QFont ZRDrawingFont(const QFont& ownFont);

// The natural size of text in font: the width of its widest line and the
// height of all its lines.
QSize ZRTextSize(const QFont& font, const QString& text);

// Draws text with the painter's current pen in font, its top-left corner at
// topLeft. The painter's font is left set to font.
void ZRDrawText(QPainter& painter, const QFont& font, const QString& text, QPoint topLeft);
