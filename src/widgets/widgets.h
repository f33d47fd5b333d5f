// Interface widgets: reusable Qt Widgets views for the installer window.
//
// Drawing views:
//   ZRColorView            fills its exposed area with one colour, translucent
//                          white unless told otherwise; base of the page views.
//   ZRDropShadowTextField  paints its string with a soft drop shadow.
//   ZRImageBgView          paints a background picture behind its children.
//   MyBackgroundView       a plain view with no behaviour of its own.
// Link widgets:
//   ZRClickableImageView   a picture that opens a URL when clicked.
//   ZRClickableTextField   a line of text drawn and used as a link.
//   LaunchURLWithBrowser   opens a URL with the application of a desktop-entry
//                          identifier; ZROpenURL opens one with the default one.
// Loading:
//   ZRUiLoader             a QUiLoader that builds these classes from a .ui file
//                          and can be taught more classes.
//
// How the views stand on Qt:
//   - drawing in a rectangle is the paint event; its rectangle is the exposed
//     (dirty) one; the view's origin is its top-left corner, y pointing down;
//   - a view that is not opaque has its parent painted beneath it (no
//     Qt::WA_OpaquePaintEvent, no auto-filled background);
//   - cursor rectangles are the widget's cursor, tracking rectangles are its
//     enter and leave events;
//   - images are QImage values and colours QColor values: holding one is
//     holding a reference, replacing or destroying gives it up.
#pragma once

#include "widgets/LaunchURLWithBrowser.h"
#include "widgets/MyBackgroundView.h"
#include "widgets/ZRClickableImageView.h"
#include "widgets/ZRClickableTextField.h"
#include "widgets/ZRColorView.h"
#include "widgets/ZRDropShadowTextField.h"
#include "widgets/ZRImageBgView.h"
#include "widgets/ZRNamedImage.h"
#include "widgets/ZROpenURL.h"
#include "widgets/ZRUiLoader.h"
