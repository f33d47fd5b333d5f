// ZRImageBgView: a view that paints a background picture behind its children.
//
// The picture is painted at 1:1 (one picture pixel per view unit) with its
// top-left corner at the view's top-left corner, neither scaled nor centred.
// A paint of part of the view repaints exactly the matching part of the
// picture, blended source-over; parts of the view beyond the picture get
// nothing from it. The installer makes one the window's content view.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

class ZRImageBgView : public QWidget {
    Q_OBJECT

  public:
    explicit ZRImageBgView(QWidget* parent = nullptr);

    // Holds image (a null image means none) in place of the previous one and
    // asks for a redraw of the whole view. Passing the image already held is
    // safe and keeps it.
    void setImage(const QImage& image);

    // The same with the bundle's image of that name (see ZRNamedImage); a name
    // that finds nothing leaves the view without an image.
    void setImageByName(const QString& name);

    QImage image() const { return m_bgImage; }

  protected:
    // The inherited drawing, then the exposed part of the picture.
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage m_bgImage;
};
