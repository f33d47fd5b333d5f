// Start-up: the background picture from "bg.bin", and the program as a whole
// started from its bundle.
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>

#include "InstallerFixture.h"
#include "widgets/ZRImageBgView.h"

namespace {

class InstallerStartupTest : public InstallerFixture {};

TEST_F(InstallerStartupTest, BackgroundPictureGoesBehindTheWholeContent) {
    AddBackground(true);
    ASSERT_NE(Load(), nullptr);
    EXPECT_EQ(m_terminations, 0);
    auto* background = qobject_cast<ZRImageBgView*>(Window()->centralWidget());
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->image().size(), QSize(620, 440));
    EXPECT_EQ(background->image().pixelColor(5, 5), QColor(10, 120, 200));
    // The former content, with every control, lies inside it.
    QWidget* content = Child<QWidget>("contentView");
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->parentWidget(), background);
    EXPECT_TRUE(background->isAncestorOf(Button1()));
    EXPECT_TRUE(background->isAncestorOf(Child<QWidget>("idParentView")));
    EXPECT_EQ(Window()->CurrentMode(), MyInstallerWindow::kModeWelcome);
    EXPECT_EQ(Tree(PrivateTemp()), QStringList());
}

TEST_F(InstallerStartupTest, MissingOrUnreadableBackgroundKeepsThePlainContent) {
    struct Case {
        const char* name;
        QByteArray bgBin;  // empty: no bg.bin
    };
    for (const Case& c : {Case{"missing", QByteArray()}, Case{"not an archive", "junk"}}) {
        SCOPED_TRACE(c.name);
        QFile::remove(Resources() + QStringLiteral("/bg.bin"));
        if (!c.bgBin.isEmpty()) {
            AddResource(QStringLiteral("bg.bin"), c.bgBin);
        }
        ASSERT_NE(Load(), nullptr);
        EXPECT_EQ(m_terminations, 0);
        EXPECT_EQ(Window()->centralWidget(), Child<QWidget>("contentView"));
        EXPECT_EQ(Window()->CurrentMode(), MyInstallerWindow::kModeWelcome);
        EXPECT_TRUE(Window()->isVisible());
        EXPECT_EQ(Tree(PrivateTemp()), QStringList());
    }
}

TEST_F(InstallerStartupTest, BackgroundArchiveWithoutPictureGivesAnEmptyBackground) {
    zvtest::TestArchive archive;
    archive.Add("other.txt", "./", "not a picture");
    WriteArchive(QStringLiteral("bg.bin"), archive);
    ASSERT_NE(Load(), nullptr);
    EXPECT_EQ(m_terminations, 0);
    auto* background = qobject_cast<ZRImageBgView*>(Window()->centralWidget());
    ASSERT_NE(background, nullptr);
    EXPECT_TRUE(background->image().isNull());
    EXPECT_TRUE(background->isAncestorOf(Button1()));
}

TEST_F(InstallerStartupTest, BackgroundArchiveThatCannotBeUnpackedEndsTheProgram) {
    struct Case {
        const char* name;
        std::function<void(zvtest::TestArchive&)> fill;
    };
    const Case cases[] = {
        {"no entries", [](zvtest::TestArchive&) {}},
        {"damaged entry",
         [](zvtest::TestArchive& a) {
             a.Add("bg.tif", "./", "picture bytes");
             a.streams[0][0] = static_cast<char>(a.streams[0][0] ^ 0x01);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_terminations = 0;
        zvtest::TestArchive archive;
        c.fill(archive);
        WriteArchive(QStringLiteral("bg.bin"), archive);
        ASSERT_NE(Load(false), nullptr);
        // It ended while the interface was being loaded, before any page.
        EXPECT_EQ(m_terminations, 1);
        EXPECT_FALSE(Window()->isVisible());
        EXPECT_EQ(Window()->CurrentPage(), nullptr);
    }
}

// The executable itself, started from a bundle: it finds its Resources
// folder beside it and ends at start-up, with status 0, when "bg.bin" opens
// but cannot be unpacked; without its interface description it fails.
TEST_F(InstallerStartupTest, ProgramStartedFromItsBundle) {
    const QString program = Bundle() + QStringLiteral("/installer");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZV_INSTALLER_PATH), program));
    ASSERT_TRUE(QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    AddModule(SampleModule());
    WriteArchive(QStringLiteral("bg.bin"), zvtest::TestArchive());

    QProcess run;
    run.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    run.start(program, {});
    ASSERT_TRUE(run.waitForFinished(30000));
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.exitCode(), 0);

    QFile::remove(Resources() + QStringLiteral("/installer.ui"));
    run.start(program, {});
    ASSERT_TRUE(run.waitForFinished(30000));
    EXPECT_EQ(run.exitCode(), 1);
    EXPECT_TRUE(run.readAllStandardError().contains("installer.ui"));
}

}  // namespace
