// The installation: full walks for the current user and for all users, the
// failures that must copy nothing, and the progress page around them.
#include <fcntl.h>
#include <unistd.h>
#include <QCheckBox>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "InstallerFixture.h"
#include "platform/qt/ZvPreferenceStore.h"

namespace {

const QStringList kInstalledTree = {
    QStringLiteral("Name.saver"),
    QStringLiteral("Name.saver/Contents"),
    QStringLiteral("Name.saver/Contents/Info.plist"),
    QStringLiteral("Name.saver/Contents/MacOS"),
    QStringLiteral("Name.saver/Contents/MacOS/Name"),
    QStringLiteral("Name.saver/Contents/Resources"),
    QStringLiteral("Name.saver/Contents/Resources/thumbnail.png"),
};

// Sends this process's standard output to a file for one scope.
class StdoutCapture {
  public:
    explicit StdoutCapture(const QString& path) : m_path(path) {
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        const int fd = open(path.toUtf8().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
    ~StdoutCapture() { Stop(); }
    QByteArray Stop() {
        if (m_saved >= 0) {
            std::fflush(stdout);
            dup2(m_saved, STDOUT_FILENO);
            close(m_saved);
            m_saved = -1;
        }
        return ReadFile(m_path);
    }

  private:
    QString m_path;
    int m_saved = -1;
};

class InstallerWorkerTest : public InstallerFixture {
  protected:
    QString SaversOf(const QString& library) const {
        return library + QStringLiteral("/Screen Savers");
    }
    // The installed module is the sample module, byte for byte.
    void ExpectSampleInstalledIn(const QString& library) {
        const QString savers = SaversOf(library);
        ASSERT_EQ(Tree(savers), kInstalledTree);
        for (const ModuleFile& file : SampleModule()) {
            if (file.name == "Extra.txt") {
                continue;
            }
            const QString path = savers + QLatin1Char('/') +
                                 QString::fromStdString(file.outputPath).mid(2) +
                                 QString::fromStdString(file.name);
            EXPECT_EQ(ReadFile(path).toStdString(), file.bytes) << path.toStdString();
        }
    }
    void ExpectNothingInstalled() {
        EXPECT_TRUE(Tree(SaversOf(UserLibrary())).isEmpty());
        EXPECT_TRUE(Tree(SaversOf(LocalLibrary())).isEmpty());
    }
    void ExpectNotFinishedPage() {
        EXPECT_EQ(Window()->CurrentMode(), MyInstallerWindow::kModeFinished);
        EXPECT_FALSE(Window()->IsInstallNoErr());
        EXPECT_EQ(Title(), English("titleNoFinished"));
        EXPECT_EQ(Button1()->text(), English("quit"));
        EXPECT_TRUE(Button1()->isVisible() && Button1()->isEnabled());
        EXPECT_TRUE(Button2()->isHidden());
        EXPECT_TRUE(Child<QCheckBox>("idChkSetSaver")->isHidden());
        EXPECT_TRUE(Child<QCheckBox>("idChkViewReadme")->isHidden());
    }
    // No temporary folder is left behind.
    void ExpectTempFoldersGone() { EXPECT_EQ(Tree(PrivateTemp()), QStringList()); }
    double FinalBar() {
        auto* bar = Child<QProgressBar>("idProgressIndicator");
        return 100.0 * (bar->value() - bar->minimum()) / (bar->maximum() - bar->minimum());
    }
    // Every value of the bar is 100 * k / n for some k; the values never go
    // back or past 100, and they end at 100.
    void ExpectBarSteps(int entries) {
        ASSERT_FALSE(m_barSamples.empty());
        EXPECT_DOUBLE_EQ(m_barSamples.back(), 100.0);
        double previous = 0.0;
        for (double sample : m_barSamples) {
            EXPECT_GE(sample, previous);
            EXPECT_LE(sample, 100.0);
            const double k = std::round(sample * entries / 100.0);
            EXPECT_NEAR(sample, 100.0 * k / entries, 0.011);
            previous = sample;
        }
        EXPECT_DOUBLE_EQ(FinalBar(), 100.0);
    }
    // After the not-finished page, "quit" ends the program with no
    // finishing action, whatever the boxes said before they were hidden.
    void ExpectQuitDoesNothingElse() {
        Press1();
        EXPECT_EQ(m_terminations, 1);
        EXPECT_FALSE(QFileInfo::exists(
            ZvPreferenceStore(QStringLiteral("com.apple.screensaver")).FilePath()));
        EXPECT_FALSE(WaitForFile(OpenedLog(), 300));
    }
    // A copy tool that records its arguments in the bin folder.
    void AddRecordingTool(const char* exitStatus = "0") {
        AddScriptTool("printf '%s\\n' \"$@\" > \"" + Bin().toStdString() + "/tool-args\"\nexit " +
                      exitStatus + "\n");
    }
    QStringList ToolArgs() const {
        return QString::fromUtf8(ReadFile(Bin() + QStringLiteral("/tool-args")))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

TEST_F(InstallerWorkerTest, FullWalkForTheCurrentUser) {
    AddModule(SampleModule());
    AddRealFileCopy();
    AddResource(QStringLiteral("EULA.rtf"), "{\\rtf1 Terms\\par}");
    AddResource(QStringLiteral("readme.rtf"), "{\\rtf1 Read me\\par}");
    AddBackground(true);
    ASSERT_NE(Load(), nullptr);

    std::vector<int> modes{Window()->CurrentMode()};
    Press1();
    modes.push_back(Window()->CurrentMode());
    Press1();
    modes.push_back(Window()->CurrentMode());
    Install(false);
    modes.push_back(m_modeSamples.empty() ? -1 : m_modeSamples.front());
    modes.push_back(Window()->CurrentMode());
    EXPECT_EQ(modes, (std::vector<int>{0, 1, 2, 3, 4}));

    EXPECT_TRUE(Window()->IsInstallNoErr());
    EXPECT_FALSE(Window()->IsInstallAllUser());
    EXPECT_EQ(Title(), English("titleFinished"));
    EXPECT_EQ(Button1()->text(), English("finished"));
    EXPECT_EQ(Window()->FilesNum(), 4);
    EXPECT_EQ(Window()->ExtractedNum(), 4);
    ExpectBarSteps(4);
    ExpectSampleInstalledIn(UserLibrary());
    EXPECT_FALSE(QFileInfo::exists(SaversOf(LocalLibrary())));
    ExpectTempFoldersGone();
    const QString installed = SaversOf(UserLibrary()) + QStringLiteral("/Name.saver");
    EXPECT_EQ(Window()->ModuleName(), QStringLiteral("Name"));
    EXPECT_EQ(Window()->InstalledPath(), installed);

    // Both boxes ticked: the module becomes the screen saver, then the
    // settings panel and the read-me are opened, and the program ends.
    EXPECT_TRUE(Child<QCheckBox>("idChkSetSaver")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>("idChkViewReadme")->isChecked());
    Press1();
    EXPECT_EQ(m_terminations, 1);
    ZvPreferenceStore store(QStringLiteral("com.apple.screensaver"));
    EXPECT_TRUE(store.FilePath().startsWith(ConfigHome()));
    const QJsonObject prefs = QJsonDocument::fromJson(ReadFile(store.FilePath())).object();
    EXPECT_EQ(prefs.value(QStringLiteral("moduleName")).toString(), QStringLiteral("Name"));
    EXPECT_EQ(prefs.value(QStringLiteral("modulePath")).toString(), installed);

    const QSet<QString> expectedOpens = {
        SystemLibrary() + QStringLiteral("/PreferencePanes/ScreenSaver.prefPane"),
        Resources() + QStringLiteral("/readme.rtf")};
    const QStringList lines = WaitForLines(OpenedLog(), 2);
    const QSet<QString> opened(lines.begin(), lines.end());
    EXPECT_EQ(lines.size(), 2);
    EXPECT_EQ(opened, expectedOpens);
}

TEST_F(InstallerWorkerTest, UntickedBoxesDoNothingButEnd) {
    AddModule(SampleModule());
    AddRealFileCopy();
    AddResource(QStringLiteral("readme.rtf"), "{\\rtf1 Read me\\par}");
    ASSERT_NE(Load(), nullptr);
    WalkToChooseUser();
    Install(false);
    ASSERT_TRUE(Window()->IsInstallNoErr());
    Child<QCheckBox>("idChkSetSaver")->setChecked(false);
    Child<QCheckBox>("idChkViewReadme")->setChecked(false);
    ExpectQuitDoesNothingElse();
}

// All users: the right is asked for with pkexec; only a granted right runs
// the tool, whose output is echoed to standard output.
TEST_F(InstallerWorkerTest, AllUsersNeedTheAdministratorRight) {
    struct Case {
        const char* name;
        QByteArray pkexec;
        bool granted;
    };
    const QByteArray recordArgs = "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/pkexec-args\"\n";
    const Case cases[] = {
        {"granted", recordArgs + "exec \"$@\"\n", true},
        {"refused", recordArgs + "echo 'Not authorized' >&2\nexit 127\n", false},
        {"cancelled", recordArgs + "echo 'Request dismissed' >&2\nexit 126\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(SaversOf(LocalLibrary())).removeRecursively();
        m_terminations = 0;
        AddModule(SampleModule());
        AddRealFileCopy();
        UsePkexec(c.pkexec);
        ASSERT_NE(Load(), nullptr);
        WalkToChooseUser();
        StdoutCapture capture(Root() + QStringLiteral("/stdout"));
        Install(true);
        const QByteArray echoed = capture.Stop();

        EXPECT_TRUE(Window()->IsInstallAllUser());
        ExpectTempFoldersGone();
        // pkexec was asked to run the tool from the private temporary folder,
        // by absolute path, with the module folder and its destination.
        const QStringList args = QString::fromUtf8(ReadFile(Bin() + QStringLiteral("/pkexec-args")))
                                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(args.size(), 3);
        EXPECT_TRUE(args[0].startsWith(PrivateTemp() + QLatin1Char('/')));
        EXPECT_TRUE(args[0].endsWith(QStringLiteral("/FileCopy")));
        EXPECT_TRUE(args[1].startsWith(PrivateTemp() + QLatin1Char('/')));
        EXPECT_TRUE(args[1].endsWith(QStringLiteral("/Name.saver")));
        EXPECT_EQ(args[2], SaversOf(LocalLibrary()) + QStringLiteral("/Name.saver"));
        if (c.granted) {
            EXPECT_EQ(Title(), English("titleFinished"));
            ExpectSampleInstalledIn(LocalLibrary());
            EXPECT_FALSE(QFileInfo::exists(SaversOf(UserLibrary())));
            EXPECT_EQ(echoed.count('\n'), 1) << echoed.toStdString();
            EXPECT_TRUE(echoed.contains("Name.saver")) << echoed.toStdString();
        } else {
            ExpectNotFinishedPage();
            ExpectNothingInstalled();
            EXPECT_TRUE(echoed.isEmpty()) << echoed.toStdString();
            ExpectQuitDoesNothingElse();
        }
    }
}

TEST_F(InstallerWorkerTest, DamagedToolArchiveFailsAfterTheWholeModuleIsUnpacked) {
    struct Case {
        const char* name;
        std::function<void()> damage;
    };
    const Case cases[] = {
        {"digest differs",
         [this] {
             QByteArray bytes = ReadFile(Resources() + QStringLiteral("/fc.bin"));
             bytes[bytes.size() - 1] = static_cast<char>(bytes[bytes.size() - 1] ^ 0x55);
             ASSERT_TRUE(WriteFile(Resources() + QStringLiteral("/fc.bin"), bytes));
         }},
        {"missing", [this] { QFile::remove(Resources() + QStringLiteral("/fc.bin")); }},
        {"right digest, not an archive",
         [this] {
             const QByteArray junk("not an archive at all");
             ASSERT_TRUE(WriteFile(Resources() + QStringLiteral("/fc.bin"), junk));
             const std::string digest = zvtest::Md5Of(junk.toStdString());
             MyInstallerWindow::SetValidFCDigestForTests(
                 reinterpret_cast<const unsigned char*>(digest.data()));
         }},
        {"right digest, no FileCopy entry",
         [this] {
             zvtest::TestArchive other;
             other.Add("Other", "./", "#!/bin/sh\nexit 0\n", 0755);
             WriteArchive(QStringLiteral("fc.bin"), other);
             const std::string digest =
                 zvtest::Md5Of(ReadFile(Resources() + QStringLiteral("/fc.bin")).toStdString());
             MyInstallerWindow::SetValidFCDigestForTests(
                 reinterpret_cast<const unsigned char*>(digest.data()));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_terminations = 0;
        AddModule(SampleModule());
        AddRecordingTool();
        c.damage();
        ASSERT_NE(Load(), nullptr);
        WalkToChooseUser();
        Install(false);
        EXPECT_EQ(Window()->FilesNum(), 4);
        EXPECT_EQ(Window()->ExtractedNum(), 4);
        ExpectBarSteps(4);
        ExpectNotFinishedPage();
        ExpectNothingInstalled();
        ExpectTempFoldersGone();
        EXPECT_TRUE(ToolArgs().isEmpty());
        ExpectQuitDoesNothingElse();
    }
}

TEST_F(InstallerWorkerTest, MissingModuleArchiveKeepsTheBarAtZeroThenFillsIt) {
    AddRecordingTool();
    ASSERT_NE(Load(), nullptr);
    WalkToChooseUser();
    Install(false);
    // The bar never moved before it was filled at the end.
    EXPECT_EQ(m_barSamples, std::vector<double>{100.0});
    EXPECT_EQ(m_modeSamples, std::vector<int>{MyInstallerWindow::kModeProgress});
    EXPECT_DOUBLE_EQ(FinalBar(), 100.0);
    EXPECT_EQ(Window()->FilesNum(), 0);
    EXPECT_EQ(Window()->ExtractedNum(), 0);
    ExpectNotFinishedPage();
    ExpectTempFoldersGone();
    EXPECT_TRUE(ToolArgs().isEmpty());
}

// An archive without a usable module folder name would have the tool copy
// the temporary folder over the whole "Screen Savers" folder: it fails, and
// nothing there changes.
TEST_F(InstallerWorkerTest, ArchiveWithoutAModuleFolderNameCopiesNothing) {
    struct Case {
        const char* name;
        std::vector<ModuleFile> files;
    };
    const Case cases[] = {
        {"no entries", {}},
        {"entry 0 at ./", {{"loose.txt", "./", "x"}, {"b", "./Name.saver/", "y"}}},
        {"entry 0 at the empty path", {{"loose.txt", "", "x"}}},
        {"entry 0 at dots and slashes", {{"loose.txt", "./.././/", "x"}}},
    };
    const QString other = SaversOf(UserLibrary()) + QStringLiteral("/Other.saver/file");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteFile(other, "kept"));
        AddModule(c.files);
        AddRecordingTool();
        ASSERT_NE(Load(), nullptr);
        WalkToChooseUser();
        Install(false);
        ExpectNotFinishedPage();
        EXPECT_EQ(Tree(SaversOf(UserLibrary())),
                  (QStringList{QStringLiteral("Other.saver"), QStringLiteral("Other.saver/file")}));
        EXPECT_EQ(ReadFile(other), QByteArray("kept"));
        EXPECT_TRUE(ToolArgs().isEmpty());
        ExpectTempFoldersGone();
    }
}

TEST_F(InstallerWorkerTest, ModuleFolderNameComesFromTheFirstEntry) {
    struct Case {
        const char* outputPath;
        const char* folder;
        const char* module;
    };
    const Case cases[] = {
        {"./Name.saver/Contents/", "Name.saver", "Name"},
        {"./A.B.saver/", "A.B.saver", "A.B"},
        {"Plain/x/", "Plain", "Plain"},
        {"/abs.saver/", "abs.saver", "abs"},
        {"../up.saver/", "up.saver", "up"},
        {"./.hidden.saver/", "hidden.saver", "hidden"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outputPath);
        QFile::remove(Bin() + QStringLiteral("/tool-args"));
        AddModule({{"file", c.outputPath, "data"}, {"Extra.txt", "./", "extra"}});
        AddRecordingTool();
        ASSERT_NE(Load(), nullptr);
        WalkToChooseUser();
        Install(false);
        ASSERT_TRUE(Window()->IsInstallNoErr());
        const QString folder = QString::fromLatin1(c.folder);
        const QString installed = SaversOf(UserLibrary()) + QLatin1Char('/') + folder;
        EXPECT_EQ(Window()->ModuleName(), QString::fromLatin1(c.module));
        EXPECT_EQ(Window()->InstalledPath(), installed);
        const QStringList args = ToolArgs();
        ASSERT_EQ(args.size(), 2);
        EXPECT_TRUE(args[0].startsWith(PrivateTemp() + QLatin1Char('/')));
        EXPECT_TRUE(args[0].endsWith(QLatin1Char('/') + folder));
        EXPECT_EQ(args[1], installed);
    }
}

// Only a tool that ran and reported success finishes the installation; the
// tool replaces nothing unless its copy is complete.
TEST_F(InstallerWorkerTest, OnlyASuccessfulToolRunFinishes) {
    struct Case {
        const char* name;
        std::string tool;
        bool finished;
    };
    const Case cases[] = {
        {"tool succeeds", "#!/bin/sh\nexit 0\n", true},
        {"tool fails", "#!/bin/sh\nexit 1\n", false},
        {"tool exits 127", "#!/bin/sh\nexit 127\n", false},
        {"tool killed", "#!/bin/sh\nkill -TERM $$\n", false},
        {"not a program",
         std::string("\x7f"
                     "ELF garbage",
                     12),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AddModule(SampleModule());
        AddToolArchive(c.tool);
        ASSERT_NE(Load(), nullptr);
        WalkToChooseUser();
        Install(false);
        EXPECT_EQ(Window()->IsInstallNoErr(), c.finished);
        EXPECT_EQ(Title(), English(c.finished ? "titleFinished" : "titleNoFinished"));
        ExpectTempFoldersGone();
    }
}

TEST_F(InstallerWorkerTest, GrantedRightWithAFailingToolDoesNotFinishButEchoes) {
    AddModule(SampleModule());
    AddScriptTool("echo 'cannot copy'\nexit 1\n");
    UsePkexec("exec \"$@\"\n");
    ASSERT_NE(Load(), nullptr);
    WalkToChooseUser();
    StdoutCapture capture(Root() + QStringLiteral("/stdout"));
    Install(true);
    EXPECT_EQ(capture.Stop(), QByteArray("cannot copy\n"));
    ExpectNotFinishedPage();
}

// A module entry that cannot be unpacked leaves an incomplete module, which
// is not installed; empty files are part of the module like any other.
TEST_F(InstallerWorkerTest, IncompleteModuleIsNotInstalledAndEmptyFilesAre) {
    {
        zvtest::TestArchive archive;
        for (const ModuleFile& file : SampleModule()) {
            archive.Add(file.name, file.outputPath, file.bytes);
        }
        archive.streams[1][0] = static_cast<char>(archive.streams[1][0] ^ 0x01);
        WriteArchive(QStringLiteral("saver.bin"), archive);
    }
    AddRealFileCopy();
    ASSERT_NE(Load(), nullptr);
    WalkToChooseUser();
    Install(false);
    EXPECT_EQ(Window()->FilesNum(), 4);
    EXPECT_EQ(Window()->ExtractedNum(), 4);
    ExpectBarSteps(4);
    ExpectNotFinishedPage();
    ExpectNothingInstalled();
    ExpectTempFoldersGone();

    std::vector<ModuleFile> withEmpty = SampleModule();
    withEmpty.push_back({"empty", "./Name.saver/Contents/", ""});
    AddModule(withEmpty);
    ASSERT_NE(Load(), nullptr);
    WalkToChooseUser();
    Install(false);
    ASSERT_TRUE(Window()->IsInstallNoErr());
    const QString empty = SaversOf(UserLibrary()) + QStringLiteral("/Name.saver/Contents/empty");
    EXPECT_TRUE(QFileInfo(empty).isFile());
    EXPECT_EQ(QFileInfo(empty).size(), 0);
}

TEST_F(InstallerWorkerTest, ClosingDuringTheProgressPageEndsTheProgramAtOnce) {
    AddModule(SampleModule());
    AddScriptTool("sleep 3\nexit 0\n");
    ASSERT_NE(Load(), nullptr);
    WalkToChooseUser();
    QTimer::singleShot(300, Window(), [this] { Window()->close(); });
    Install(false);
    EXPECT_EQ(m_terminations, 1);
    // The wait ended while the worker was still busy, and no last page was
    // put up for a program that has ended.
    EXPECT_FALSE(Window()->IsExtractFinished());
    EXPECT_EQ(Window()->CurrentMode(), MyInstallerWindow::kModeProgress);
}

}  // namespace
