#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QTest>

#include "launch_sandbox.h"
#include "pixel_tools.h"
#include "widgets/ZRClickableTextField.h"

namespace {

const QString kURL = QStringLiteral("https://example.org/zorvane?from=link");
const QString kText = QStringLiteral("Download");

class ZRClickableTextFieldTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(QFontDatabase::hasFamily(QStringLiteral("Osaka")));
        parent.resize(300, 100);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(12);
        field.setFont(font);
        // A plain field draws red, so blue can only come from the link drawing.
        QPalette palette = field.palette();
        palette.setColor(field.foregroundRole(), Qt::red);
        field.setPalette(palette);
        field.resize(10, 30);
    }

    void Hover(bool inside) {
        if (inside) {
            QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QCoreApplication::sendEvent(&field, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(&field, &leave);
        }
    }

    QImage Draw() {
        // The first paint of a link also fits the field to its text.
        QImage canvas = Canvas(field.size(), Qt::transparent);
        RenderExposed(field, canvas, field.rect());
        canvas = Canvas(field.size(), Qt::transparent);
        RenderExposed(field, canvas, field.rect());
        return canvas;
    }

    QWidget parent;
    ZRClickableTextField field{&parent};
};

// Ink colour of a drawing: every visible pixel must have one hue.
bool AllInkIs(const QImage& canvas, QColor hue) {
    bool anyInk = false;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const QColor c = PixelAt(canvas, x, y);
            if (c.alpha() < 64) {
                continue;
            }
            anyInk = true;
            if (ColorDistance(QColor(c.red(), c.green(), c.blue()), hue) > 8) {
                return false;
            }
        }
    }
    return anyInk;
}

// True when some row is inked across nearly the whole width: an underline.
bool HasUnderline(const QImage& canvas) {
    for (int y = 0; y < canvas.height(); ++y) {
        int inked = 0;
        for (int x = 0; x < canvas.width(); ++x) {
            inked += PixelAt(canvas, x, y).alpha() >= 64 ? 1 : 0;
        }
        if (inked >= canvas.width() * 9 / 10) {
            return true;
        }
    }
    return false;
}

TEST_F(ZRClickableTextFieldTest, HiddenAfterConstructionEvenWhenItsParentShows) {
    ASSERT_TRUE(ShowAndExpose(parent));
    EXPECT_TRUE(field.isHidden());
    EXPECT_FALSE(field.isVisible());
}

TEST_F(ZRClickableTextFieldTest, WidthFollowsTheTextAndEmptyTextHides) {
    ASSERT_TRUE(ShowAndExpose(parent));
    const QString texts[] = {kText, QStringLiteral("A much longer line of link text"), QString(),
                             QStringLiteral("x")};
    for (const QString& text : texts) {
        field.SetLinkString(text, kURL, QImage());
        EXPECT_EQ(field.width(), AdvanceOf(field.font(), text)) << text.toStdString();
        EXPECT_EQ(field.height(), 30) << text.toStdString();
        EXPECT_EQ(field.isVisible(), !text.isEmpty()) << text.toStdString();
        EXPECT_EQ(field.text(), text);
    }
}

TEST_F(ZRClickableTextFieldTest, TextPropertyAndSetTextResizeAndShowToo) {
    ASSERT_TRUE(ShowAndExpose(parent));
    field.setProperty("text", kText);
    EXPECT_TRUE(field.isVisible());
    EXPECT_EQ(field.width(), AdvanceOf(field.font(), kText));
    field.setText(QString());
    EXPECT_TRUE(field.isHidden());
    EXPECT_EQ(field.width(), 0);
}

TEST_F(ZRClickableTextFieldTest, LinkIsBlueAndUnderlinedOnlyWhileHovered) {
    ASSERT_TRUE(ShowAndExpose(parent));
    field.SetLinkString(kText, kURL, QImage());
    const QImage plain = Draw();
    EXPECT_EQ(field.size(),
              QSize(AdvanceOf(field.font(), kText), QFontMetrics(field.font()).height()));
    EXPECT_TRUE(AllInkIs(plain, Qt::blue));
    EXPECT_FALSE(HasUnderline(plain));

    PaintRecorder paints(&field);
    Hover(true);
    QCoreApplication::processEvents();
    EXPECT_FALSE(paints.paints().empty()) << "entering redraws the field";
    EXPECT_TRUE(field.isHovered());
    const QImage hovered = Draw();
    EXPECT_TRUE(AllInkIs(hovered, Qt::blue));
    EXPECT_TRUE(HasUnderline(hovered));

    paints.clear();
    Hover(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(paints.paints().empty()) << "leaving redraws the field";
    EXPECT_FALSE(field.isHovered());
    const QImage left = Draw();
    EXPECT_FALSE(HasUnderline(left));
    EXPECT_EQ(MaxDifference(left, plain), 0);
}

TEST_F(ZRClickableTextFieldTest, LinkIsDrawnAtTheOriginWhateverTheAlignment) {
    ASSERT_TRUE(ShowAndExpose(parent));
    field.SetLinkString(kText, kURL, QImage());
    const QImage left = Draw();
    field.setAlignment(Qt::AlignRight | Qt::AlignBottom);
    field.setFrameStyle(QFrame::Box | QFrame::Plain);
    field.resize(200, 60);
    EXPECT_EQ(MaxDifference(Draw(), left), 0);
}

TEST_F(ZRClickableTextFieldTest, WithoutURLDrawsAsPlainFieldAndIgnoresHover) {
    ASSERT_TRUE(ShowAndExpose(parent));
    field.SetLinkString(kText, QString(), QImage());
    Hover(true);
    EXPECT_FALSE(field.isHovered());
    EXPECT_FALSE(field.testAttribute(Qt::WA_SetCursor));
    const QImage drawn = Draw();
    EXPECT_TRUE(AllInkIs(drawn, Qt::red));
    EXPECT_FALSE(HasUnderline(drawn));
}

TEST_F(ZRClickableTextFieldTest, LinkCursorIsThePointingHandWithCustomCursorKept) {
    QImage image(12, 12, QImage::Format_ARGB32);
    image.fill(Qt::black);
    field.SetLinkString(kText, kURL, image);
    EXPECT_EQ(field.cursor().shape(), Qt::PointingHandCursor);
    ASSERT_TRUE(field.customCursor().has_value());
    EXPECT_EQ(field.customCursor()->hotSpot(), QPoint(3, 1));
    EXPECT_EQ(field.accessibleDescription(), kURL);

    field.SetLinkString(kText, QString(), image);
    EXPECT_FALSE(field.testAttribute(Qt::WA_SetCursor));
}

TEST_F(ZRClickableTextFieldTest, LosingTheLinkWhileHoveredEndsTheHover) {
    field.SetLinkString(kText, kURL, QImage());
    Hover(true);
    field.SetLinkString(kText, QString(), QImage());
    EXPECT_FALSE(field.isHovered());
    field.SetLinkString(kText, kURL, QImage());
    EXPECT_FALSE(HasUnderline(Draw()));
}

TEST_F(ZRClickableTextFieldTest, ClickOpensTheURLOnlyWhenThereIsOne) {
    LaunchSandbox sandbox;
    ASSERT_TRUE(sandbox.IsValid());
    sandbox.AddEntry(QStringLiteral("com.apple.safari"),
                     QStringLiteral("[Desktop Entry]\nType=Application\nExec=") +
                         sandbox.QuotedBrowser() + QStringLiteral(" %u\n"));
    ASSERT_TRUE(ShowAndExpose(parent));

    field.SetLinkString(kText, QString(), QImage());
    QTest::mouseClick(&field, Qt::LeftButton);
    LaunchSandbox::Settle();
    EXPECT_TRUE(sandbox.OpenerCalls().isEmpty());

    field.SetLinkString(kText, kURL, QImage());
    QTest::mouseClick(&field, Qt::LeftButton);
    ASSERT_TRUE(sandbox.WaitForOpener());
    field.setFocus();
    QTest::keyClick(&field, Qt::Key_Enter);
    ASSERT_TRUE(sandbox.WaitForOpener(2));
    LaunchSandbox::Settle();
    EXPECT_EQ(sandbox.OpenerCalls(), QStringList({kURL, kURL}));
    EXPECT_TRUE(sandbox.BrowserCalls().isEmpty()) << "the link field uses the default browser";
}

}  // namespace
