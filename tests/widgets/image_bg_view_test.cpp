#include <gtest/gtest.h>

#include <QCoreApplication>

#include "pixel_tools.h"
#include "widgets/ZRImageBgView.h"

namespace {

// A picture whose every pixel differs from its neighbours: (x, y) is
// (x mod 256, y mod 256, 77), opaque.
QImage Pattern(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            image.setPixel(x, y, qRgb(x % 256, y % 256, 77));
        }
    }
    return image;
}

// Every canvas pixel is the picture's pixel inside painted, otherwise outside.
void ExpectPicture(const QImage& canvas, const QImage& picture, const QRect& painted,
                   QColor outside) {
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const QColor expected = painted.contains(x, y) ? picture.pixelColor(x, y) : outside;
            ASSERT_EQ(PixelAt(canvas, x, y), expected) << x << "," << y;
        }
    }
}

TEST(ZRImageBgView, WithoutPictureDrawsNothing) {
    ZRImageBgView view;
    view.resize(30, 20);
    EXPECT_TRUE(view.image().isNull());
    QImage canvas = Canvas(view.size(), Qt::green);
    RenderExposed(view, canvas, view.rect());
    ExpectPicture(canvas, QImage(), QRect(), Qt::green);
}

TEST(ZRImageBgView, PaintsThePictureOneToOneFromTheOrigin) {
    const QImage picture = Pattern(QSize(64, 32));
    ZRImageBgView view;
    view.resize(100, 50);
    view.setImage(picture);

    QImage canvas = Canvas(view.size(), Qt::black);
    RenderExposed(view, canvas, view.rect());
    ExpectPicture(canvas, picture, picture.rect(), Qt::black);
}

TEST(ZRImageBgView, PartialExposureRepaintsTheMatchingPartOnly) {
    const QImage picture = Pattern(QSize(200, 120));
    ZRImageBgView view;
    view.resize(picture.size());
    view.setImage(picture);

    QImage canvas = Canvas(view.size(), Qt::green);
    const QRect exposed(100, 50, 20, 20);
    RenderExposed(view, canvas, exposed);
    ExpectPicture(canvas, picture, exposed, Qt::green);
}

TEST(ZRImageBgView, ExposureReachingPastThePictureGetsOnlyItsPart) {
    const QImage picture = Pattern(QSize(40, 30));
    ZRImageBgView view;
    view.resize(80, 60);
    view.setImage(picture);

    QImage canvas = Canvas(view.size(), Qt::green);
    const QRect exposed(30, 20, 30, 30);
    RenderExposed(view, canvas, exposed);
    ExpectPicture(canvas, picture, exposed & picture.rect(), Qt::green);
}

TEST(ZRImageBgView, BlendsTranslucentPicturesOverWhatIsBelow) {
    QImage picture(10, 10, QImage::Format_ARGB32);
    picture.fill(QColor(255, 0, 0, 128));
    ZRImageBgView view;
    view.resize(picture.size());
    view.setImage(picture);

    QImage canvas = Canvas(view.size(), QColor(0, 0, 255));
    RenderExposed(view, canvas, view.rect());
    EXPECT_LE(ColorDistance(PixelAt(canvas, 5, 5), QColor(128, 0, 127)), 1);
}

TEST(ZRImageBgView, SetImageAsksForAWholeRedraw) {
    ZRImageBgView view;
    view.resize(50, 40);
    ASSERT_TRUE(ShowAndExpose(view));
    PaintRecorder paints(&view);

    view.setImage(Pattern(QSize(10, 10)));
    QCoreApplication::processEvents();
    ASSERT_FALSE(paints.paints().empty());
    EXPECT_EQ(paints.paints().back(), view.rect());
}

TEST(ZRImageBgView, SettingTheHeldImageAgainKeepsIt) {
    const QImage picture = Pattern(QSize(16, 16));
    ZRImageBgView view;
    view.resize(picture.size());
    view.setImage(picture);
    view.setImage(view.image());

    ASSERT_FALSE(view.image().isNull());
    EXPECT_EQ(view.image(), picture);
    QImage canvas = Canvas(view.size(), Qt::black);
    RenderExposed(view, canvas, view.rect());
    ExpectPicture(canvas, picture, picture.rect(), Qt::black);
}

TEST(ZRImageBgView, UnknownImageNameLeavesTheViewWithoutPicture) {
    ZRImageBgView view;
    view.setImage(Pattern(QSize(8, 8)));
    view.setImageByName(QStringLiteral("no-such-image-anywhere"));
    EXPECT_TRUE(view.image().isNull());
}

}  // namespace
