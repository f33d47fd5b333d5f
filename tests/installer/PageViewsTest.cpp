// The page views on their own: the choice, the finishing boxes and the bar.
#include <QCheckBox>
#include <QProgressBar>
#include <QRadioButton>

#include "InstallerFixture.h"
#include "installer/MyChooseView.h"
#include "installer/MyFinishedView.h"
#include "installer/MyProgressView.h"

namespace {

class PageViewsTest : public InstallerFixture {
  protected:
    void SetUp() override {
        InstallerFixture::SetUp();
        ASSERT_NE(Load(false), nullptr);
    }
};

TEST_F(PageViewsTest, AllUsersIsChosenOnlyWhenItsControlIsOn) {
    auto* view = Child<MyChooseView>("idViewChooseUser");
    auto* all = Child<QRadioButton>("idChkAllUser");
    auto* current = Child<QRadioButton>("idChkCurrUser");
    ASSERT_TRUE(view && all && current);
    EXPECT_TRUE(current->isChecked());
    EXPECT_FALSE(view->IsCheckedAllUser());
    all->click();
    EXPECT_TRUE(view->IsCheckedAllUser());
    current->click();
    EXPECT_FALSE(view->IsCheckedAllUser());
}

TEST_F(PageViewsTest, MixedStateIsNotOn) {
    // A tri-state check box in place of the all-users control.
    auto* view = Child<MyChooseView>("idViewChooseUser");
    auto* page = new MyChooseView;
    auto* box = new QCheckBox(page);
    box->setObjectName(QStringLiteral("idChkAllUser"));
    box->setTristate(true);
    const struct {
        Qt::CheckState state;
        bool chosen;
    } cases[] = {{Qt::Checked, true}, {Qt::PartiallyChecked, false}, {Qt::Unchecked, false}};
    for (const auto& c : cases) {
        box->setCheckState(c.state);
        EXPECT_EQ(page->IsCheckedAllUser(), c.chosen) << c.state;
    }
    delete page;
    EXPECT_NE(view, nullptr);
}

TEST_F(PageViewsTest, HiddenBoxesCountAsNotTicked) {
    auto* view = Child<MyFinishedView>("idViewFinished");
    auto* saver = Child<QCheckBox>("idChkSetSaver");
    auto* readme = Child<QCheckBox>("idChkViewReadme");
    ASSERT_TRUE(view && saver && readme);
    readme->setEnabled(true);
    saver->setChecked(true);
    readme->setChecked(true);
    EXPECT_TRUE(view->IsCheckedSetSaver());
    EXPECT_TRUE(view->IsCheckedViewReadme());
    view->HideAllButtons();
    EXPECT_TRUE(saver->isHidden());
    EXPECT_TRUE(readme->isHidden());
    EXPECT_TRUE(saver->isChecked());
    EXPECT_FALSE(view->IsCheckedSetSaver());
    EXPECT_FALSE(view->IsCheckedViewReadme());
}

TEST_F(PageViewsTest, BarRunsFromZeroToOneHundred) {
    auto* view = Child<MyProgressView>("idViewProgress");
    auto* bar = Child<QProgressBar>("idProgressIndicator");
    ASSERT_TRUE(view && bar);
    const auto percent = [bar] {
        return 100.0 * (bar->value() - bar->minimum()) / (bar->maximum() - bar->minimum());
    };
    const struct {
        double set;
        double shown;
    } cases[] = {{0.0, 0.0}, {100.0, 100.0}, {100.0 / 3.0, 33.33}, {250.0, 33.33}, {-1.0, 33.33}};
    for (const auto& c : cases) {
        view->SetBarValue(c.set);
        EXPECT_NEAR(percent(), c.shown, 0.001) << c.set;
    }
}

}  // namespace
