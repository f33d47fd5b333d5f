#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>

#include <memory>

#include "pixel_tools.h"
#include "widgets/MyBackgroundView.h"
#include "widgets/ZRClickableImageView.h"
#include "widgets/ZRClickableTextField.h"
#include "widgets/ZRColorView.h"
#include "widgets/ZRDropShadowTextField.h"
#include "widgets/ZRImageBgView.h"
#include "widgets/ZRUiLoader.h"

namespace {

QString FixturePath(const char* name) {
    return qEnvironmentVariable("ZV_SOURCE_DIR") + QStringLiteral("/tests/widgets/fixtures/") +
           QString::fromLatin1(name);
}

TEST(ZRUiLoader, BuildsEveryWidgetClassFromAUiFile) {
    QFile file(FixturePath("all_widgets.ui"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    ZRUiLoader loader;
    std::unique_ptr<QWidget> window(loader.LoadInterface(&file));
    ASSERT_NE(window, nullptr) << loader.errorString().toStdString();

    EXPECT_NE(qobject_cast<ZRImageBgView*>(window.get()), nullptr);
    EXPECT_EQ(window->objectName(), QStringLiteral("window"));
    auto* page = window->findChild<ZRColorView*>(QStringLiteral("page"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->geometry(), QRect(10, 10, 380, 280));
    auto* title = page->findChild<ZRDropShadowTextField*>(QStringLiteral("title"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), QStringLiteral("Welcome"));
    EXPECT_NE(page->findChild<ZRClickableImageView*>(QStringLiteral("banner")), nullptr);
    auto* plain = page->findChild<MyBackgroundView*>(QStringLiteral("plain"));
    ASSERT_NE(plain, nullptr);
    EXPECT_NE(plain->findChild<QLabel*>(QStringLiteral("note")), nullptr);

    // A link field's text from the file goes through its own setter.
    auto* link = page->findChild<ZRClickableTextField*>(QStringLiteral("link"));
    ASSERT_NE(link, nullptr);
    EXPECT_FALSE(link->isHidden());
    EXPECT_EQ(link->width(), AdvanceOf(link->font(), QStringLiteral("Visit us")));
    auto* emptyLink = page->findChild<ZRClickableTextField*>(QStringLiteral("emptyLink"));
    ASSERT_NE(emptyLink, nullptr);
    EXPECT_TRUE(emptyLink->isHidden());
}

// A page class of a program that uses the loader: it notes its awakening.
class AwakeningView : public QWidget {
    Q_OBJECT
  public:
    explicit AwakeningView(QWidget* parent, QStringList* log) : QWidget(parent), m_Log(log) {}
    Q_INVOKABLE void awakeFromNib() { m_Log->append(objectName()); }

  private:
    QStringList* m_Log;
};

const char kAwakeningUi[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <widget class="AwakeningView" name="root">
  <widget class="ZRColorView" name="page">
   <widget class="AwakeningView" name="first"/>
   <widget class="QPushButton" name="button"/>
  </widget>
  <widget class="AwakeningView" name="second"/>
 </widget>
</ui>
)";

TEST(ZRUiLoader, RegisteredClassesAreBuiltAndAwakenedInFileOrder) {
    QStringList log;
    ZRUiLoader loader;
    EXPECT_TRUE(loader.IsRegisteredClass(QStringLiteral("ZRColorView")));
    EXPECT_FALSE(loader.IsRegisteredClass(QStringLiteral("AwakeningView")));
    loader.RegisterWidgetClass(QStringLiteral("AwakeningView"),
                               [&log](QWidget* parent) { return new AwakeningView(parent, &log); });
    EXPECT_TRUE(loader.IsRegisteredClass(QStringLiteral("AwakeningView")));

    QByteArray data(kAwakeningUi);
    QBuffer buffer(&data);
    std::unique_ptr<QWidget> root(loader.LoadInterface(&buffer));
    ASSERT_NE(root, nullptr) << loader.errorString().toStdString();
    EXPECT_NE(qobject_cast<AwakeningView*>(root.get()), nullptr);
    EXPECT_NE(root->findChild<QWidget*>(QStringLiteral("button")), nullptr);
    EXPECT_EQ(log, QStringList({"root", "first", "second"}));
}

// A page class whose awakening destroys its next sibling, as a text view that
// loads a document drops its old text objects.
class DestroyingView : public QWidget {
    Q_OBJECT
  public:
    explicit DestroyingView(QWidget* parent, QStringList* log) : QWidget(parent), m_Log(log) {}
    Q_INVOKABLE void awakeFromNib() {
        m_Log->append(objectName());
        delete parentWidget()->findChild<QWidget*>(QStringLiteral("victim"));
    }

  private:
    QStringList* m_Log;
};

const char kDestroyingUi[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <widget class="QWidget" name="root">
  <widget class="DestroyingView" name="first"/>
  <widget class="AwakeningView" name="victim"/>
  <widget class="AwakeningView" name="last"/>
 </widget>
</ui>
)";

TEST(ZRUiLoader, ObjectsDestroyedWhileAwakeningAreSkipped) {
    QStringList log;
    ZRUiLoader loader;
    loader.RegisterWidgetClass(QStringLiteral("AwakeningView"),
                               [&log](QWidget* parent) { return new AwakeningView(parent, &log); });
    loader.RegisterWidgetClass(QStringLiteral("DestroyingView"), [&log](QWidget* parent) {
        return new DestroyingView(parent, &log);
    });
    QByteArray data(kDestroyingUi);
    QBuffer buffer(&data);
    std::unique_ptr<QWidget> root(loader.LoadInterface(&buffer));
    ASSERT_NE(root, nullptr) << loader.errorString().toStdString();
    EXPECT_EQ(root->findChild<QWidget*>(QStringLiteral("victim")), nullptr);
    EXPECT_EQ(log, QStringList({"first", "last"}));
}

TEST(ZRUiLoader, UnreadableInterfaceGivesNothing) {
    QByteArray data("not a ui file");
    QBuffer buffer(&data);
    ZRUiLoader loader;
    EXPECT_EQ(loader.LoadInterface(&buffer), nullptr);
}

}  // namespace

#include "ui_loader_test.moc"
