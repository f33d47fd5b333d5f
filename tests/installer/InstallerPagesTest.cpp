// The page state machine: titles, buttons, keys and transitions, the
// environment checks that choose the pages, and the program's end.
#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "InstallerFixture.h"
#include "installer/MyNoFlashView.h"
#include "platform/places.h"
#include "widgets/ZRClickableImageView.h"

namespace {

using Mode = MyInstallerWindow::Mode;

class InstallerPagesTest : public InstallerFixture {
  protected:
    void SetUp() override {
        InstallerFixture::SetUp();
        AddModule(SampleModule());
        AddScriptTool("exit 0\n");
    }

    // The state of one button: its title, whether it can be pressed, and
    // whether Return presses it.
    struct ButtonState {
        QString title;
        bool shown;
        bool enabled;
    };
    static ButtonState StateOf(const QAbstractButton* button) {
        return {button->text(), !button->isHidden(), button->isEnabled()};
    }
    void ExpectPage(Mode mode, const char* titleKey, const char* button1Key,
                    const char* button2Key) {
        SCOPED_TRACE(titleKey);
        EXPECT_EQ(Window()->CurrentMode(), mode);
        EXPECT_EQ(Title(), English(titleKey));
        const ButtonState one = StateOf(Button1());
        EXPECT_TRUE(one.shown && one.enabled);
        EXPECT_EQ(one.title, English(button1Key));
        const ButtonState two = StateOf(Button2());
        if (button2Key == nullptr) {
            EXPECT_FALSE(two.shown);
            EXPECT_FALSE(two.enabled);
        } else {
            EXPECT_TRUE(two.shown && two.enabled);
            EXPECT_EQ(two.title, English(button2Key));
        }
        // The page area holds exactly the current page, shown.
        QWidget* area = Child<QWidget>("idParentView");
        const QList<QWidget*> pages = area->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        ASSERT_EQ(pages.size(), 1);
        EXPECT_EQ(pages.front(), Window()->CurrentPage());
        EXPECT_FALSE(pages.front()->isHidden());
    }
    void ActivateWindow() {
        Window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
    }
    void PressReturn() { QTest::keyClick(Window(), Qt::Key_Return); }
};

TEST_F(InstallerPagesTest, WalkWithLicenceShowsEveryPageWithItsButtons) {
    AddResource(QStringLiteral("EULA.rtf"), "{\\rtf1\\ansi {\\b Licence} terms\\par}");
    AddRealFileCopy();
    ASSERT_NE(Load(), nullptr);
    EXPECT_TRUE(Window()->isVisible());

    ExpectPage(MyInstallerWindow::kModeWelcome, "titleWelcome", "goNext", nullptr);
    Press1();
    ExpectPage(MyInstallerWindow::kModeAgreement, "titleAgreement", "agree", "notAgree");
    // The licence was loaded as formatted text.
    auto* licence = Child<QTextEdit>("idAgreeTextView");
    EXPECT_EQ(licence->toPlainText().trimmed(), QStringLiteral("Licence terms"));
    EXPECT_FALSE(licence->isHidden());
    Press1();
    ExpectPage(MyInstallerWindow::kModeChooseUser, "titleChooseUser", "goNext", "abort");
    EXPECT_EQ(Child<QAbstractButton>("idChkCurrUser")->text(), English("textCurrUser"));
    EXPECT_EQ(Child<QAbstractButton>("idChkAllUser")->text(), English("textAllUsers"));
    Install(false);
    ExpectPage(MyInstallerWindow::kModeFinished, "titleFinished", "finished", nullptr);
    EXPECT_EQ(m_terminations, 0);
    // The progress page was shown in between, with both buttons hidden.
    ASSERT_FALSE(m_modeSamples.empty());
    EXPECT_EQ(m_modeSamples.front(), MyInstallerWindow::kModeProgress);
}

TEST_F(InstallerPagesTest, WithoutLicenceTheWelcomePageLeadsToTheChoice) {
    ASSERT_NE(Load(), nullptr);
    EXPECT_FALSE(Window()->IsExistingEULA());
    Press1();
    ExpectPage(MyInstallerWindow::kModeChooseUser, "titleChooseUser", "goNext", "abort");
}

TEST_F(InstallerPagesTest, LicenceAsAnRtfdFolderCountsAsPresent) {
    ASSERT_TRUE(QDir().mkpath(Resources() + QStringLiteral("/EULA.rtf")));
    ASSERT_TRUE(WriteFile(Resources() + QStringLiteral("/EULA.rtf/TXT.rtf"),
                          "{\\rtf1 Folder licence\\par}"));
    ASSERT_NE(Load(), nullptr);
    EXPECT_TRUE(Window()->IsExistingEULA());
    Press1();
    EXPECT_EQ(Window()->CurrentMode(), MyInstallerWindow::kModeAgreement);
    EXPECT_EQ(Child<QTextEdit>("idAgreeTextView")->toPlainText().trimmed(),
              QStringLiteral("Folder licence"));
}

TEST_F(InstallerPagesTest, ReturnPressesNextButNeverAgrees) {
    AddResource(QStringLiteral("EULA.rtf"), "{\\rtf1 Terms\\par}");
    ASSERT_NE(Load(), nullptr);
    ActivateWindow();
    PressReturn();
    ASSERT_EQ(Window()->CurrentMode(), MyInstallerWindow::kModeAgreement);
    PressReturn();
    PressReturn();
    EXPECT_EQ(Window()->CurrentMode(), MyInstallerWindow::kModeAgreement);
    EXPECT_EQ(m_terminations, 0);
    Press1();
    EXPECT_EQ(Window()->CurrentMode(), MyInstallerWindow::kModeChooseUser);
}

TEST_F(InstallerPagesTest, SecondaryButtonEndsTheProgramWhereverItIsShown) {
    AddResource(QStringLiteral("EULA.rtf"), "{\\rtf1 Terms\\par}");
    for (Mode mode : {MyInstallerWindow::kModeAgreement, MyInstallerWindow::kModeChooseUser}) {
        SCOPED_TRACE(mode);
        m_terminations = 0;
        ASSERT_NE(Load(), nullptr);
        while (Window()->CurrentMode() != mode) {
            Press1();
        }
        Button2()->click();
        EXPECT_EQ(m_terminations, 1);
    }
}

TEST_F(InstallerPagesTest, ClosingTheWindowEndsTheProgramInsteadOfClosing) {
    ASSERT_NE(Load(), nullptr);
    EXPECT_FALSE(Window()->close());
    EXPECT_EQ(m_terminations, 1);
    EXPECT_TRUE(Window()->isVisible());
}

TEST_F(InstallerPagesTest, NoPluginPageOffersOnlyQuit) {
    ASSERT_TRUE(QDir(LocalLibrary() + QStringLiteral("/Internet Plug-Ins")).removeRecursively());
    QImage picture(200, 80, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(Resources() + QStringLiteral("/flashBanner.png")));
    ASSERT_NE(Load(), nullptr);
    ExpectPage(MyInstallerWindow::kModeNoFlash, "titleNoFlash", "quit", nullptr);
    auto* banner = Child<ZRClickableImageView>("idFlashBanner");
    ASSERT_NE(banner, nullptr);
    // The banner's picture is the bundle's flashBanner.png.
    EXPECT_EQ(banner->pixmap().size(), QSize(200, 80));
    EXPECT_EQ(banner->linkedURL(), QString::fromLatin1(MyNoFlashView::kFlashDownloadURL));
    EXPECT_TRUE(banner->linkedURL().endsWith(QStringLiteral("/go/gnavtray_dl_flashpl_jp")));
    EXPECT_FALSE(banner->usesDefaultBrowser());
    EXPECT_FALSE(Child<QLabel>("idNoFlashText")->text().isEmpty());
    ActivateWindow();
    PressReturn();
    EXPECT_EQ(m_terminations, 1);
    Press1();
    EXPECT_EQ(m_terminations, 2);
}

// Where the plug-in is looked for, and in which form.
TEST_F(InstallerPagesTest, PluginCheckWantsTheRightKindInTheLocalLibrary) {
    struct Case {
        const char* name;
        QString library;
        const char* path;
        bool folder;
        bool found;
    };
    const Case cases[] = {
        {"bundle folder", LocalLibrary(), "Flash Player.plugin", true, true},
        {"single file", LocalLibrary(), "Shockwave Flash NP-PPC", false, true},
        {"file named like the bundle", LocalLibrary(), "Flash Player.plugin", false, false},
        {"folder named like the file", LocalLibrary(), "Shockwave Flash NP-PPC", true, false},
        {"only in the user's library", UserLibrary(), "Flash Player.plugin", true, false},
        {"only in the system library", SystemLibrary(), "Flash Player.plugin", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& library : {LocalLibrary(), UserLibrary(), SystemLibrary()}) {
            QDir(library + QStringLiteral("/Internet Plug-Ins")).removeRecursively();
        }
        const QString path =
            c.library + QStringLiteral("/Internet Plug-Ins/") + QString::fromUtf8(c.path);
        if (c.folder) {
            ASSERT_TRUE(QDir().mkpath(path));
        } else {
            ASSERT_TRUE(WriteFile(path, "plug-in"));
        }
        ASSERT_NE(Load(), nullptr);
        EXPECT_EQ(Window()->CheckFlashPlugin(), c.found);
        EXPECT_EQ(Window()->CurrentMode(),
                  c.found ? MyInstallerWindow::kModeWelcome : MyInstallerWindow::kModeNoFlash);
    }
}

TEST_F(InstallerPagesTest, ReadmeBoxIsTickedAndEnabledExactlyWhenThereIsAReadme) {
    struct Case {
        const char* file;  // null: no read-me
        bool ticked;
    };
    for (const Case& c : {Case{"readme.rtf", true}, Case{"Readme.rtf", true},
                          Case{"README.RTF", true}, Case{nullptr, false}}) {
        SCOPED_TRACE(c.file != nullptr ? c.file : "none");
        for (const QString& old :
             QDir(Resources()).entryList({QStringLiteral("*.rtf"), QStringLiteral("*.RTF")})) {
            QFile::remove(Resources() + QLatin1Char('/') + old);
        }
        if (c.file != nullptr) {
            AddResource(QString::fromLatin1(c.file), "{\\rtf1 Read me\\par}");
        }
        ASSERT_NE(Load(), nullptr);
        auto* readme = Child<QCheckBox>("idChkViewReadme");
        EXPECT_EQ(readme->isChecked(), c.ticked);
        EXPECT_EQ(readme->isEnabled(), c.ticked);
        EXPECT_EQ(readme->text(), English("textShowReadme"));
        EXPECT_EQ(Child<QCheckBox>("idChkSetSaver")->text(), English("textSetSaver"));
    }
}

TEST_F(InstallerPagesTest, TextsFollowTheLocaleAndAMissingKeyShowsTheKey) {
    QLocale::setDefault(QLocale(QStringLiteral("ja_JP")));
    ASSERT_NE(Load(), nullptr);
    EXPECT_EQ(Title(), QStringLiteral("ようこそ"));
    EXPECT_EQ(Button1()->text(), QStringLiteral("続ける"));

    // A second bundle without string tables.
    const QString bare = Root() + QStringLiteral("/bare");
    ASSERT_TRUE(QDir().mkpath(bare + QStringLiteral("/Resources")));
    ASSERT_TRUE(QFile::copy(Resources() + QStringLiteral("/installer.ui"),
                            bare + QStringLiteral("/Resources/installer.ui")));
    BundleSetMainBundlePath(bare.toUtf8().constData());
    ASSERT_NE(Load(), nullptr);
    EXPECT_EQ(Title(), QStringLiteral("titleWelcome"));
    EXPECT_EQ(Button1()->text(), QStringLiteral("goNext"));
    EXPECT_EQ(Child<QAbstractButton>("idChkAllUser")->text(), QStringLiteral("textAllUsers"));
}

TEST_F(InstallerPagesTest, WindowIsCentredOnTheWholeMainScreen) {
    ASSERT_NE(Load(), nullptr);
    // Placed by the size the window had then, before any frame was added.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = Window()->frameGeometry();
    EXPECT_NEAR(frame.x(), screen.x() + (screen.width() - Window()->width()) / 2, 1);
    EXPECT_NEAR(frame.y(), screen.y() + (screen.height() - Window()->height()) / 2, 1);
}

}  // namespace
