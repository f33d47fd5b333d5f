// A fixture for in-process tests of the installer window: a bundle in a
// temporary folder (installer.ui and the string tables of the build, plus the
// archives and documents a test adds), a private XDG environment (Library
// folders, configuration, temporary folder), fake xdg-open and pkexec
// programs first on PATH, and a terminate handler that records the end of
// the program instead of ending the test.
#pragma once

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QLabel>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include "TestArchive.h"
#include "installer/MyInstallerWindow.h"
#include "platform_qt/ZvTestEnv.h"

// One file of a test module: its name, its output folder and its bytes.
struct ModuleFile {
    std::string name;
    std::string outputPath;
    std::string bytes;
};

class InstallerFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Places.
    QString Root() const { return m_root.path(); }
    QString Bundle() const { return Root() + QStringLiteral("/bundle"); }
    QString Resources() const { return Bundle() + QStringLiteral("/Resources"); }
    QString UserLibrary() const { return Root() + QStringLiteral("/data-home"); }
    QString LocalLibrary() const { return Root() + QStringLiteral("/local"); }
    QString SystemLibrary() const { return Root() + QStringLiteral("/system"); }
    QString ConfigHome() const { return Root() + QStringLiteral("/config"); }
    QString PrivateTemp() const;  // the private temporary folder of the platform
    QString Bin() const { return Root() + QStringLiteral("/bin"); }
    QString OpenedLog() const { return Bin() + QStringLiteral("/opened"); }

    // Bundle contents.
    void WriteArchive(const QString& name, const zvtest::TestArchive& archive);
    void AddModule(const std::vector<ModuleFile>& files);
    static std::vector<ModuleFile> SampleModule();
    // fc.bin holding toolBytes as "FileCopy" (mode 0755), accepted by the
    // installer's digest check.
    void AddToolArchive(const std::string& toolBytes);
    void AddRealFileCopy();
    // A shell script as the copy tool.
    void AddScriptTool(const std::string& body);
    void AddBackground(bool withPicture);
    void AddResource(const QString& name, const QByteArray& bytes);
    void AddFlashPlugin();
    // A stand-in for pkexec with this body, used by the installer.
    void UsePkexec(const QByteArray& body);

    // Loads the interface as the application main does. With launch, the
    // window is then started (applicationDidFinishLaunching).
    MyInstallerWindow* Load(bool launch = true);
    MyInstallerWindow* Window() const { return m_window.get(); }
    QAbstractButton* Button1() const;
    QAbstractButton* Button2() const;
    QString Title() const;
    template <class T>
    T* Child(const char* name) const {
        return m_window->findChild<T*>(QString::fromLatin1(name));
    }
    // Presses the primary button, which must be pressable.
    void Press1();

    // Walks from the welcome page to the user-choice page.
    void WalkToChooseUser();
    // Chooses all users (or the current user) and starts the installation;
    // returns when the last page is shown. Every value the bar takes meanwhile
    // (in percent) goes into m_barSamples, the mode at that moment into
    // m_modeSamples.
    void Install(bool allUsers);

    // Files below folder (relative paths, sorted) and their bytes.
    static QStringList Tree(const QString& folder);

    int m_terminations = 0;
    std::vector<double> m_barSamples;
    std::vector<int> m_modeSamples;

  private:
    QTemporaryDir m_root;
    std::unique_ptr<ScopedEnv> m_env[7];
    std::unique_ptr<MyInstallerWindow> m_window;
};

// The text of a key in the English table, spelt out here so that a lookup
// that goes wrong is caught.
QString English(const char* key);
