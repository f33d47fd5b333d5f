#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>

#include <optional>

#include "launch_sandbox.h"
#include "pixel_tools.h"
#include "widgets/ZRClickableImageView.h"

namespace {

const QString kURL =
    QStringLiteral("https://download.example.org/go/gnavtray_dl_flashpl_jp?a=1&b=2");

QImage CursorImage() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::black);
    return image;
}

class ZRClickableImageViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sandbox.IsValid());
        view.resize(120, 40);
        ASSERT_TRUE(ShowAndExpose(view));
    }

    void AddSafari(const QString& exec) {
        sandbox.AddEntry(QStringLiteral("com.apple.safari"),
                         QStringLiteral("[Desktop Entry]\nType=Application\nName=Safari\nExec=") +
                             exec + QLatin1Char('\n'));
    }

    LaunchSandbox sandbox;
    ZRClickableImageView view;
};

TEST_F(ZRClickableImageViewTest, WithoutLinkIsInert) {
    EXPECT_TRUE(view.linkedURL().isEmpty());
    EXPECT_FALSE(view.usesDefaultBrowser());
    EXPECT_FALSE(view.testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);

    QTest::mouseClick(&view, Qt::LeftButton);
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Return);
    LaunchSandbox::Settle();
    EXPECT_TRUE(sandbox.OpenerCalls().isEmpty());
    EXPECT_TRUE(sandbox.BrowserCalls().isEmpty());
}

TEST_F(ZRClickableImageViewTest, LinkShowsThePointingHandAndKeepsTheCustomCursor) {
    view.SetLinkedURL(kURL, CursorImage());
    EXPECT_EQ(view.linkedURL(), kURL);
    EXPECT_TRUE(view.testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(view.cursor().shape(), Qt::PointingHandCursor);
    ASSERT_TRUE(view.customCursor().has_value());
    EXPECT_EQ(view.customCursor()->hotSpot(), QPoint(3, 1));
    EXPECT_EQ(view.customCursor()->pixmap().size(), QSize(16, 16));
}

TEST_F(ZRClickableImageViewTest, LinkWithoutCursorImageStillShowsThePointingHand) {
    view.SetLinkedURL(kURL, QImage());
    EXPECT_FALSE(view.customCursor().has_value());
    EXPECT_EQ(view.cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(ZRClickableImageViewTest, ClearingTheLinkGivesTheCursorBack) {
    view.SetLinkedURL(kURL, CursorImage());
    view.SetLinkedURL(QString(), QImage());
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(view.customCursor().has_value());
    QTest::mouseClick(&view, Qt::LeftButton);
    LaunchSandbox::Settle();
    EXPECT_TRUE(sandbox.OpenerCalls().isEmpty());
}

TEST_F(ZRClickableImageViewTest, LinkIsTheAccessibleDescription) {
    view.SetLinkedURL(kURL, CursorImage());
    EXPECT_EQ(view.accessibleDescription(), kURL);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Description), kURL);
}

TEST_F(ZRClickableImageViewTest, KeyboardActivatesTheLinkWhenFocused) {
    view.SetLinkedURL(kURL, CursorImage());
    view.SetUsingSafari(0);
    EXPECT_EQ(view.focusPolicy(), Qt::StrongFocus);
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_A);
    LaunchSandbox::Settle();
    EXPECT_TRUE(sandbox.OpenerCalls().isEmpty()) << "only Space, Return and Enter activate";

    QTest::keyClick(&view, Qt::Key_Return);
    ASSERT_TRUE(sandbox.WaitForOpener());
    QTest::keyClick(&view, Qt::Key_Space);
    ASSERT_TRUE(sandbox.WaitForOpener(2));
    EXPECT_EQ(sandbox.OpenerCalls(), QStringList({kURL, kURL}));
}

TEST_F(ZRClickableImageViewTest, OtherButtonsDoNotOpen) {
    view.SetLinkedURL(kURL, CursorImage());
    view.SetUsingSafari(0);
    QTest::mouseClick(&view, Qt::RightButton);
    LaunchSandbox::Settle();
    EXPECT_TRUE(sandbox.OpenerCalls().isEmpty());
}

// Which program a left click reaches, by the state of the "com.apple.safari"
// entry and the SetUsingSafari call.
enum class Safari { Missing, Working, Broken };
enum class Reaches { Browser, Opener };

struct ClickCase {
    const char* name;
    Safari safari;
    std::optional<bool> usingSafari;
    Reaches reaches;
};

class ClickOrderTest : public ZRClickableImageViewTest,
                       public ::testing::WithParamInterface<ClickCase> {};

TEST_P(ClickOrderTest, ClickTriesSafariFirstUnlessToldOtherwise) {
    const ClickCase& c = GetParam();
    if (c.safari == Safari::Working) {
        AddSafari(sandbox.QuotedBrowser() + QStringLiteral(" %u"));
    } else if (c.safari == Safari::Broken) {
        AddSafari(QStringLiteral("/nonexistent/safari %u"));
    }
    view.SetLinkedURL(kURL, CursorImage());
    if (c.usingSafari) {
        view.SetUsingSafari(*c.usingSafari);
    }

    QTest::mouseClick(&view, Qt::LeftButton);
    if (c.reaches == Reaches::Browser) {
        ASSERT_TRUE(sandbox.WaitForBrowser());
    } else {
        ASSERT_TRUE(sandbox.WaitForOpener());
    }
    LaunchSandbox::Settle();
    const QStringList expected{kURL};
    EXPECT_EQ(sandbox.BrowserCalls(), c.reaches == Reaches::Browser ? expected : QStringList());
    EXPECT_EQ(sandbox.OpenerCalls(), c.reaches == Reaches::Opener ? expected : QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClickOrderTest,
    ::testing::Values(ClickCase{"SafariMissingFallsBack", Safari::Missing, std::nullopt,
                                Reaches::Opener},
                      ClickCase{"SafariByDefault", Safari::Working, std::nullopt, Reaches::Browser},
                      ClickCase{"SafariWhenAsked", Safari::Working, true, Reaches::Browser},
                      ClickCase{"ZeroSkipsSafari", Safari::Working, false, Reaches::Opener},
                      ClickCase{"SafariFailingFallsBack", Safari::Broken, true, Reaches::Opener},
                      ClickCase{"ZeroWithoutSafari", Safari::Missing, false, Reaches::Opener}),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.name); });

}  // namespace
