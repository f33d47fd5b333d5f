#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cmath>
#include <limits>

#include "pixel_tools.h"
#include "widgets/ZRColorView.h"

namespace {

// White at alpha 0.5 over opaque black, and over opaque (0, 0, 200).
const QColor kHalfWhiteOverBlack(128, 128, 128);
const QColor kHalfWhiteOverBlue(128, 128, 228);

TEST(ZRColorView, StartsTranslucentWhiteAndNeverOpaque) {
    ZRColorView view;
    EXPECT_FALSE(view.isOpaque());
    EXPECT_FALSE(view.testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_FALSE(view.autoFillBackground());
    EXPECT_EQ(view.fillColor(), QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.5f));
}

TEST(ZRColorView, BlendsOverExactlyTheExposedRectangle) {
    ZRColorView view;
    view.resize(40, 40);
    QImage canvas = Canvas(view.size(), Qt::black);
    const QRect exposed(12, 7, 10, 10);
    RenderExposed(view, canvas, exposed);

    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const QColor expected =
                exposed.contains(x, y) ? kHalfWhiteOverBlack : QColor(Qt::black);
            ASSERT_LE(ColorDistance(PixelAt(canvas, x, y), expected), 1) << x << "," << y;
        }
    }
}

TEST(ZRColorView, ParentIsPaintedBeneath) {
    SolidWidget parent(QColor(0, 0, 200));
    parent.resize(60, 60);
    ZRColorView view(&parent);
    view.setGeometry(10, 10, 20, 20);

    QImage canvas = Canvas(parent.size(), Qt::green);
    parent.render(&canvas);

    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const QColor expected =
                view.geometry().contains(x, y) ? kHalfWhiteOverBlue : QColor(0, 0, 200);
            ASSERT_LE(ColorDistance(PixelAt(canvas, x, y), expected), 1) << x << "," << y;
        }
    }
}

TEST(ZRColorView, NewFillColourShowsOnlyFromTheNextPaint) {
    ZRColorView view;
    view.resize(30, 30);
    ASSERT_TRUE(ShowAndExpose(view));
    PaintRecorder paints(&view);

    view.SetFillColor(0.0f, 0.0f, 1.0f, 1.0f);
    QCoreApplication::processEvents();
    EXPECT_TRUE(paints.paints().empty()) << "setting the colour must not ask for a redraw";

    QImage canvas = Canvas(view.size(), Qt::red);
    RenderExposed(view, canvas, view.rect());
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            ASSERT_EQ(PixelAt(canvas, x, y), QColor(0, 0, 255)) << x << "," << y;
        }
    }
}

TEST(ZRColorView, FillComponentsAreClampedToTheUnitRange) {
    struct Case {
        float r, g, b, a;
        QColor expected;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {0.25f, 0.5f, 0.75f, 1.0f, QColor::fromRgbF(0.25f, 0.5f, 0.75f, 1.0f)},
        {-1.0f, 2.0f, 0.5f, 0.5f, QColor::fromRgbF(0.0f, 1.0f, 0.5f, 0.5f)},
        {nan, 0.0f, 1.0f, nan, QColor::fromRgbF(0.0f, 0.0f, 1.0f, 0.0f)},
    };
    for (const Case& c : cases) {
        ZRColorView view;
        view.SetFillColor(c.r, c.g, c.b, c.a);
        EXPECT_EQ(view.fillColor(), c.expected) << c.r << " " << c.g << " " << c.b << " " << c.a;
        EXPECT_TRUE(view.fillColor().isValid());
    }
}

}  // namespace
