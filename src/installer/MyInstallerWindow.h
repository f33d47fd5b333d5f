// MyInstallerWindow: the installer's only window and its controller.
//
// It is built from the interface description "installer.ui" together with
// its two buttons, its title field, its page area and the six page views, and
// runs the wizard's page state machine:
//
//   mode 0 welcome -> (1 agreement, when "EULA.rtf" exists) -> 2 user choice
//   -> 3 progress -> 4 finished / not finished;   5 no plug-in.
//
// On the progress page the installation worker FileExtractFunction runs on a
// thread of its own while the main thread keeps the window responsive and
// moves the bar. The two threads share only the counters, the flags and the
// two strings below; the worker writes the finished flag last (release) and
// the main thread reads the results only after it has seen it (acquire).
//
// The secondary button and closing the window end the program at once, on
// every page. The program ends through ZvApplication::Terminate, which does
// not wait for a worker that is still running.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QMainWindow>
#include <atomic>
#include <cstdint>
#include <thread>

class MyAgreeView;
class MyChooseView;
class MyFinishedView;
class MyNoFlashView;
class MyProgressView;
class MyTitleView;
class ZvModalSession;

class MyInstallerWindow : public QMainWindow {
    Q_OBJECT

  public:
    enum Mode : std::int32_t {
        kModeWelcome = 0,
        kModeAgreement = 1,
        kModeChooseUser = 2,
        kModeProgress = 3,
        kModeFinished = 4,  // finished or not finished
        kModeNoFlash = 5,
    };

    explicit MyInstallerWindow(QWidget* parent = nullptr);
    // Waits for a worker that is still running, so that it never writes into
    // a destroyed window. (The program itself never gets here with a worker:
    // it ends through Terminate.)
    ~MyInstallerWindow() override;

    // Finishing actions and environment checks.
    void openPrefPanel();
    void SetPreference();
    void showReadme();
    // Page switches.
    void setTitleView();
    void setAgreeView();
    bool IsExistingEULA();
    void setChooseUserView();
    void setProgressView();
    void setNoFlashView();
    bool CheckFlashPlugin();

    // Puts the background picture of "bg.bin" behind the window's content.
    Q_INVOKABLE void awakeFromNib();
    // Centres the window, shows the first page and the window.
    Q_INVOKABLE void applicationDidFinishLaunching();

    // The installation; runs on the worker thread only.
    void FileExtractFunction();

    // State, for the finishing actions and for tests.
    std::int32_t CurrentMode() const { return m_nCurrentMode; }
    QWidget* CurrentPage() const { return m_lpPreView; }
    std::int32_t FilesNum() const { return m_nFilesNum.load(std::memory_order_relaxed); }
    std::int32_t ExtractedNum() const { return m_nExtractedNum.load(std::memory_order_relaxed); }
    bool IsExtractFinished() const { return m_bExtractFinished.load(std::memory_order_acquire); }
    bool IsInstallNoErr() const { return m_bInstallNoErr.load(std::memory_order_relaxed); }
    bool IsInstallAllUser() const { return m_bInstallAllUser.load(std::memory_order_relaxed); }
    // The installed module's name and path; empty until the worker has
    // finished.
    QString ModuleName() const;
    QString InstalledPath() const;

    // Copies the MD5 digest of the "fc.bin" that ships with the product,
    // fixed when the product is built, into digest.
    static void GetValidFCDigest(unsigned char digest[16]);
    // Test seam: accept "fc.bin" files with this digest instead (null
    // restores the built-in one).
    static void SetValidFCDigestForTests(const unsigned char* digest);

  public slots:
    void pressedButton1();
    void pressedButton2();

  protected:
    // Closing the window ends the program instead, in every mode.
    void closeEvent(QCloseEvent* event) override;

  private:
    void ConnectOutlets();
    void SwitchPage(QWidget* page, std::int32_t mode, const char* titleKey);
    void SetUpButton(QAbstractButton* button, const char* titleKey, bool enabled,
                     const char* keyEquivalent);
    void HideButton(QAbstractButton* button);
    void PressKeyEquivalent();
    void Redraw();
    double ProgressPercent() const;
    void RunWorkerAndWait();
    void ShowResultPage();
    void CenterOnMainScreen();
    void Terminate();
    bool InstallModule(char* tempFolder, char* toolFolder);
    bool UnpackModule(const char* resources, const char* destinationFolder, char* tempFolder,
                      char* moduleFolder);
    bool RunCopyTool(const char* toolPath, const char* source);

    // Outlets, filled from the interface description.
    QAbstractButton* idButton1 = nullptr;
    QAbstractButton* idButton2 = nullptr;
    QWidget* idParentView = nullptr;
    QLabel* idTextPageTitle = nullptr;
    MyAgreeView* idViewAgree = nullptr;
    MyChooseView* idViewChooseUser = nullptr;
    MyFinishedView* idViewFinished = nullptr;
    MyNoFlashView* idViewNoFlash = nullptr;
    MyProgressView* idViewProgress = nullptr;
    MyTitleView* idViewTitle = nullptr;

    // Shared with the worker thread.
    std::atomic<std::int32_t> m_nFilesNum{0};
    std::atomic<std::int32_t> m_nExtractedNum{0};
    std::atomic<bool> m_bExtractFinished{false};
    std::atomic<bool> m_bInstallNoErr{false};
    std::atomic<bool> m_bInstallAllUser{false};
    char m_szModuleName[1024] = {};
    char m_szInstalledPath[1024] = {};

    // Main thread only.
    QWidget* m_lpPreView = nullptr;
    std::int32_t m_nCurrentMode = 0;
    QWidget* m_lpPageStore = nullptr;  // holds the pages that are not shown
    ZvModalSession* m_lpSession = nullptr;
    bool m_bOutletsConnected = false;
    bool m_bTerminated = false;
    std::thread m_worker;
};
