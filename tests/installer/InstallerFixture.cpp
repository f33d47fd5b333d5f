#include "InstallerFixture.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProgressBar>
#include <map>

#include "installer/MyUiLoader.h"
#include "platform/places.h"
#include "platform/qt/ZvApplication.h"
#include "platform/qt/ZvToolLauncher.h"

namespace {

const QString kBuildResources = QStringLiteral(ZV_INSTALLER_RESOURCES_DIR);
const QString kFileCopy = QStringLiteral(ZV_FILECOPY_PATH);

std::string Md5Of(const QByteArray& bytes) {
    return zvtest::Md5Of(bytes.toStdString());
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned state = seed;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return bytes;
}

}  // namespace

QString English(const char* key) {
    static const std::map<std::string, const char*> texts = {
        {"titleWelcome", "Welcome"},
        {"titleAgreement", "Licence Agreement"},
        {"titleChooseUser", "Who Will Use the Screen Saver?"},
        {"titleProgress", "Installing…"},
        {"titleFinished", "The Installation Is Complete"},
        {"titleNoFinished", "The Installation Failed"},
        {"titleNoFlash", "Flash Player Is Required"},
        {"goNext", "Continue"},
        {"agree", "Agree"},
        {"notAgree", "Disagree"},
        {"abort", "Cancel"},
        {"finished", "Done"},
        {"quit", "Quit"},
        {"textCurrUser", "Install for me only"},
        {"textAllUsers",
         "Install for all users of this computer (needs an administrator password)"},
        {"textSetSaver", "Use it as my screen saver now"},
        {"textShowReadme", "Show the Read Me"},
    };
    const auto found = texts.find(key);
    return found != texts.end() ? QString::fromUtf8(found->second) : QString();
}

void InstallerFixture::SetUp() {
    ASSERT_TRUE(m_root.isValid());
    for (const QString& dir :
         {Resources(), UserLibrary(), LocalLibrary(), SystemLibrary(), ConfigHome(),
          Root() + QStringLiteral("/tmp"), Root() + QStringLiteral("/home"), Bin()}) {
        ASSERT_TRUE(QDir().mkpath(dir));
    }
    for (const char* name : {"installer.ui", "Localizable_en.qm", "Localizable_ja.qm"}) {
        ASSERT_TRUE(QFile::copy(kBuildResources + QLatin1Char('/') + QLatin1String(name),
                                Resources() + QLatin1Char('/') + QLatin1String(name)))
            << name;
    }
    m_env[0] = std::make_unique<ScopedEnv>("XDG_DATA_HOME", UserLibrary());
    m_env[1] = std::make_unique<ScopedEnv>("XDG_DATA_DIRS",
                                           LocalLibrary() + QLatin1Char(':') + SystemLibrary());
    m_env[2] = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", ConfigHome());
    m_env[3] = std::make_unique<ScopedEnv>("TMPDIR", Root() + QStringLiteral("/tmp"));
    m_env[4] = std::make_unique<ScopedEnv>("HOME", Root() + QStringLiteral("/home"));
    m_env[5] = std::make_unique<ScopedEnv>("PATH",
                                           Bin() + QLatin1Char(':') + qEnvironmentVariable("PATH"));
    m_env[6] = std::make_unique<ScopedEnv>("XDG_CURRENT_DESKTOP");
    ASSERT_TRUE(WriteScript(Bin() + QStringLiteral("/xdg-open"),
                            "printf '%s\\n' \"$1\" >> \"" + OpenedLog().toUtf8() + "\"\n"));

    BundleSetMainBundlePath(Bundle().toUtf8().constData());
    ASSERT_TRUE(PrivateTemp().startsWith(Root() + QStringLiteral("/tmp/")));
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    ZvApplication::SetTerminateHandler([this] { ++m_terminations; });
    // Without a pkexec stand-in, the privileged launch must not reach a real
    // pkexec (nor run the tool as root).
    UsePkexec("echo 'no right in tests' >&2\nexit 127\n");
    AddFlashPlugin();
}

void InstallerFixture::TearDown() {
    m_window.reset();  // waits for a worker that is still running
    ZvApplication::SetTerminateHandler(nullptr);
    ZvToolLauncher::SetPkexecPathForTests(std::string());
    MyInstallerWindow::SetValidFCDigestForTests(nullptr);
    BundleSetMainBundlePath(nullptr);
    QLocale::setDefault(QLocale::system());
    for (auto& env : m_env) {
        env.reset();
    }
}

QString InstallerFixture::PrivateTemp() const {
    char path[1024];
    if (FSFindFolderPath(kUserDomain, kTemporaryFolderType, path, sizeof(path)) != kNoErr) {
        return QString();
    }
    return QString::fromUtf8(path);
}

void InstallerFixture::WriteArchive(const QString& name, const zvtest::TestArchive& archive) {
    ASSERT_TRUE(zvtest::WriteFileBytes((Resources() + QLatin1Char('/') + name).toStdString(),
                                       archive.Build()));
}

void InstallerFixture::AddModule(const std::vector<ModuleFile>& files) {
    zvtest::TestArchive archive;
    for (const ModuleFile& file : files) {
        archive.Add(file.name, file.outputPath, file.bytes);
    }
    WriteArchive(QStringLiteral("saver.bin"), archive);
}

std::vector<ModuleFile> InstallerFixture::SampleModule() {
    return {
        {"Info.plist", "./Name.saver/Contents/", "<plist><dict/></plist>\n"},
        {"Name", "./Name.saver/Contents/MacOS/", RandomBytes(300000, 7)},
        {"thumbnail.png", "./Name.saver/Contents/Resources/", RandomBytes(5000, 11)},
        {"Extra.txt", "./", "not part of the module\n"},
    };
}

void InstallerFixture::AddToolArchive(const std::string& toolBytes) {
    zvtest::TestArchive archive;
    archive.Add("FileCopy", "./", toolBytes, 0755);
    WriteArchive(QStringLiteral("fc.bin"), archive);
    const QByteArray written = ReadFile(Resources() + QStringLiteral("/fc.bin"));
    const std::string digest = Md5Of(written);
    MyInstallerWindow::SetValidFCDigestForTests(
        reinterpret_cast<const unsigned char*>(digest.data()));
}

void InstallerFixture::AddRealFileCopy() {
    const QByteArray tool = ReadFile(kFileCopy);
    ASSERT_FALSE(tool.isEmpty()) << kFileCopy.toStdString();
    AddToolArchive(tool.toStdString());
}

void InstallerFixture::AddScriptTool(const std::string& body) {
    AddToolArchive("#!/bin/sh\n" + body);
}

void InstallerFixture::AddBackground(bool withPicture) {
    zvtest::TestArchive archive;
    if (withPicture) {
        QImage picture(620, 440, QImage::Format_RGB32);
        picture.fill(QColor(10, 120, 200));
        QByteArray tiff;
        QBuffer buffer(&tiff);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(picture.save(&buffer, "TIFF"));
        archive.Add("bg.tif", "./", tiff.toStdString());
    }
    WriteArchive(QStringLiteral("bg.bin"), archive);
}

void InstallerFixture::AddResource(const QString& name, const QByteArray& bytes) {
    ASSERT_TRUE(WriteFile(Resources() + QLatin1Char('/') + name, bytes));
}

void InstallerFixture::AddFlashPlugin() {
    ASSERT_TRUE(
        QDir().mkpath(LocalLibrary() + QStringLiteral("/Internet Plug-Ins/Flash Player.plugin")));
}

void InstallerFixture::UsePkexec(const QByteArray& body) {
    const QString pkexec = Bin() + QStringLiteral("/pkexec");
    ASSERT_TRUE(WriteScript(pkexec, body));
    ZvToolLauncher::SetPkexecPathForTests(pkexec.toStdString());
}

MyInstallerWindow* InstallerFixture::Load(bool launch) {
    QWidget* top = MyUiLoader::LoadFile(Resources() + QStringLiteral("/installer.ui"));
    auto* window = qobject_cast<MyInstallerWindow*>(top);
    if (window == nullptr) {
        delete top;
        ADD_FAILURE() << "installer.ui did not load as a MyInstallerWindow";
        return nullptr;
    }
    m_window.reset(window);
    if (launch) {
        ZvApplication::Send(window, "applicationDidFinishLaunching");
    }
    return window;
}

QAbstractButton* InstallerFixture::Button1() const {
    return Child<QAbstractButton>("idButton1");
}
QAbstractButton* InstallerFixture::Button2() const {
    return Child<QAbstractButton>("idButton2");
}

QString InstallerFixture::Title() const {
    const QLabel* title = Child<QLabel>("idTextPageTitle");
    return title != nullptr ? title->text() : QString();
}

void InstallerFixture::Press1() {
    QAbstractButton* button = Button1();
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible() && button->isEnabled()) << Title().toStdString();
    button->click();
}

void InstallerFixture::WalkToChooseUser() {
    ASSERT_EQ(Window()->CurrentMode(), MyInstallerWindow::kModeWelcome);
    Press1();
    if (Window()->CurrentMode() == MyInstallerWindow::kModeAgreement) {
        Press1();
    }
    ASSERT_EQ(Window()->CurrentMode(), MyInstallerWindow::kModeChooseUser);
}

void InstallerFixture::Install(bool allUsers) {
    auto* choice = Child<QAbstractButton>(allUsers ? "idChkAllUser" : "idChkCurrUser");
    ASSERT_NE(choice, nullptr);
    choice->click();
    auto* bar = Child<QProgressBar>("idProgressIndicator");
    ASSERT_NE(bar, nullptr);
    m_barSamples.clear();
    m_modeSamples.clear();
    // Every value the bar takes, with the page shown at that moment.
    const QMetaObject::Connection watch =
        QObject::connect(bar, &QProgressBar::valueChanged, [this, bar](int value) {
            const double span = bar->maximum() - bar->minimum();
            m_barSamples.push_back(100.0 * (value - bar->minimum()) / span);
            m_modeSamples.push_back(Window()->CurrentMode());
        });
    Press1();
    QObject::disconnect(watch);
}

QStringList InstallerFixture::Tree(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files.append(QDir(folder).relativeFilePath(it.next()));
    }
    files.sort();
    return files;
}
