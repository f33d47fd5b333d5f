#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

#include "launch_sandbox.h"
#include "widgets/ZRDesktopEntry.h"

namespace {

const QUrl kWebURL(QStringLiteral("https://example.org/a b?x=1&y=%22"));
const QString kWeb = kWebURL.toString(QUrl::FullyEncoded);

// Writes an entry with these lines (after "[Desktop Entry]") and loads it.
class EntryFile {
  public:
    explicit EntryFile(const QString& body) {
        m_Path = m_Dir.path() + QStringLiteral("/test.desktop");
        QFile file(m_Path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(body.toUtf8());
        }
    }
    QString Path() const { return m_Path; }

  private:
    QTemporaryDir m_Dir;
    QString m_Path;
};

struct CommandCase {
    const char* name;
    const char* lines;  // the entry, after "[Desktop Entry]\n"
    QUrl url;
    std::optional<QStringList> command;  // none: no command can be made
};

class CommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandTest, ExecLineBecomesTheCommand) {
    const CommandCase& c = GetParam();
    EntryFile file(QStringLiteral("[Desktop Entry]\n") + QString::fromUtf8(c.lines));
    ZRDesktopEntry entry;
    ASSERT_TRUE(entry.Load(file.Path()));
    QStringList command{QStringLiteral("stale")};
    const bool made = entry.CommandFor(c.url, &command);
    ASSERT_EQ(made, c.command.has_value());
    if (made) {
        QStringList expected = *c.command;
        expected.replaceInStrings(QStringLiteral("@FILE@"), file.Path());
        EXPECT_EQ(command, expected);
    } else {
        EXPECT_TRUE(command.isEmpty());
    }
}

const QUrl kFileURL = QUrl::fromLocalFile(QStringLiteral("/tmp/read me.rtf"));

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandTest,
    ::testing::Values(
        CommandCase{"Url", "Exec=browser %u\n", kWebURL, QStringList{"browser", kWeb}},
        CommandCase{"UrlList", "Exec=browser --new-window %U\n", kWebURL,
                    QStringList{"browser", "--new-window", kWeb}},
        CommandCase{"NoCodeAppendsUrl", "Exec=browser\n", kWebURL, QStringList{"browser", kWeb}},
        CommandCase{"QuotedProgram", "Exec=\"/opt/my browser/run\" %u\n", kWebURL,
                    QStringList{"/opt/my browser/run", kWeb}},
        CommandCase{"QuotedEscapes",
                    "Exec=run \"say \\\\\"hi\\\\\" \\\\$HOME \\\\`x\\\\` \\\\\\\\\" %u\n", kWebURL,
                    QStringList{"run", "say \"hi\" $HOME `x` \\", kWeb}},
        CommandCase{"StringEscapes", "Exec=run\\targ %u\n", kWebURL,
                    QStringList{"run", "arg", kWeb}},
        CommandCase{"NoShell", "Exec=run ; rm -rf $HOME | cat %u\n", kWebURL,
                    QStringList{"run", ";", "rm", "-rf", "$HOME", "|", "cat", kWeb}},
        CommandCase{"Percent", "Exec=run 100%% --x=%%u %u\n", kWebURL,
                    QStringList{"run", "100%", "--x=%u", kWeb}},
        CommandCase{"EmbeddedUrl", "Exec=run --url=%u\n", kWebURL,
                    QStringList{"run", "--url=" + kWeb}},
        CommandCase{"IconNameFile", "Name=Web\nIcon=web-browser\nExec=run %i %c %k %u\n", kWebURL,
                    QStringList{"run", "--icon", "web-browser", "Web", "@FILE@", kWeb}},
        CommandCase{"IconWithoutIcon", "Exec=run %i %u\n", kWebURL, QStringList{"run", kWeb}},
        CommandCase{"DeprecatedCodesGo", "Exec=run %d %D %n %N %v %m %u\n", kWebURL,
                    QStringList{"run", kWeb}},
        CommandCase{"LocalFileForFileUrl", "Exec=viewer %f\n", kFileURL,
                    QStringList{"viewer", "/tmp/read me.rtf"}},
        CommandCase{"LocalFileRefusesWebUrl", "Exec=viewer %F\n", kWebURL, std::nullopt},
        CommandCase{"UnknownCode", "Exec=run %x %u\n", kWebURL, std::nullopt},
        CommandCase{"TrailingPercent", "Exec=run %u %\n", kWebURL, std::nullopt},
        CommandCase{"CodeAsProgram", "Exec=%u\n", kWebURL, std::nullopt},
        CommandCase{"CodeInProgram", "Exec=/bin/%c %u\n", kWebURL, std::nullopt},
        CommandCase{"UnterminatedQuote", "Exec=\"run %u\n", kWebURL, std::nullopt},
        CommandCase{"EmptyExec", "Exec=\n", kWebURL, std::nullopt},
        CommandCase{"NoExec", "Name=Nothing\n", kWebURL, std::nullopt},
        CommandCase{"OnlyMainGroup", "Exec=main %u\n[Desktop Action new]\nExec=other %u\n", kWebURL,
                    QStringList{"main", kWeb}}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST(ZRDesktopEntry, ReadsOnlyTheMainGroupAndUnlocalizedKeys) {
    EntryFile file(
        QStringLiteral("# comment\n[Other]\nName=Wrong\n[Desktop Entry]\n"
                       "Name[de]=Netz\nName = Web\nHidden=true\nTerminal=True\n"));
    ZRDesktopEntry entry;
    ASSERT_TRUE(entry.Load(file.Path()));
    EXPECT_EQ(entry.Value(QStringLiteral("Name")), QStringLiteral("Web"));
    EXPECT_TRUE(entry.BoolValue(QStringLiteral("Hidden")));
    EXPECT_FALSE(entry.BoolValue(QStringLiteral("Terminal"))) << "booleans are lower case";
    EXPECT_FALSE(entry.HasKey(QStringLiteral("Exec")));
}

TEST(ZRDesktopEntry, LoadFailsWithoutTheMainGroupOrFile) {
    EntryFile file(QStringLiteral("[Something Else]\nExec=run\n"));
    ZRDesktopEntry entry;
    EXPECT_FALSE(entry.Load(file.Path()));
    EXPECT_FALSE(entry.Load(file.Path() + QStringLiteral(".missing")));
}

TEST(ZRDesktopEntry, ApplicationFoldersFollowTheXdgVariables) {
    LaunchSandbox sandbox;  // restores the variables afterwards
    qputenv("XDG_DATA_HOME", "/home/u/data/");
    qputenv("XDG_DATA_DIRS", "/opt/share:relative/share::/usr/share");
    EXPECT_EQ(ZRDesktopEntry::ApplicationFolders(),
              QStringList({"/home/u/data/applications", "/opt/share/applications",
                           "/usr/share/applications"}));

    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");
    EXPECT_EQ(ZRDesktopEntry::ApplicationFolders(),
              QStringList({QDir::homePath() + "/.local/share/applications",
                           "/usr/local/share/applications", "/usr/share/applications"}));
}

TEST(ZRDesktopEntry, FindFilePrefersTheUsersFolderAndRefusesPaths) {
    LaunchSandbox sandbox;
    ASSERT_TRUE(sandbox.IsValid());
    sandbox.AddEntry(QStringLiteral("org.example.web"), QStringLiteral("[Desktop Entry]\n"), true);
    EXPECT_EQ(ZRDesktopEntry::FindFile(QStringLiteral("org.example.web")),
              sandbox.Root() + QStringLiteral("/system data/applications/org.example.web.desktop"));
    sandbox.AddEntry(QStringLiteral("org.example.web"), QStringLiteral("[Desktop Entry]\n"));
    EXPECT_EQ(ZRDesktopEntry::FindFile(QStringLiteral("org.example.web")),
              sandbox.Root() + QStringLiteral("/home data/applications/org.example.web.desktop"));

    for (const char* bad : {"", "../applications/org.example.web", "x/org.example.web", ".hidden",
                            "org.example.missing"}) {
        EXPECT_TRUE(ZRDesktopEntry::FindFile(QString::fromUtf8(bad)).isEmpty()) << bad;
    }
}

}  // namespace
