// MyInstallerWindow: outlets, page switches, buttons and the progress wait.
#include "installer/MyInstallerWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <cmath>
#include <cstring>

#include "installer/MyAgreeView.h"
#include "installer/MyChooseView.h"
#include "installer/MyFinishedView.h"
#include "installer/MyNoFlashView.h"
#include "installer/MyProgressView.h"
#include "installer/MyTitleView.h"
#include "platform/qt/ZvApplication.h"
#include "platform/qt/ZvModalSession.h"
#include "platform/qt/ZvStringTable.h"

namespace {

// Key equivalents are kept on the buttons themselves.
const char kKeyEquivalent[] = "zvKeyEquivalent";
const char kReturnKey[] = "\r";

template <class T>
void Find(QObject* root, T*& outlet, const char* name) {
    if (outlet == nullptr) {
        outlet = root->findChild<T*>(QString::fromLatin1(name));
    }
}

}  // namespace

MyInstallerWindow::MyInstallerWindow(QWidget* parent) : QMainWindow(parent) {
    m_lpPageStore = new QWidget(this);
    m_lpPageStore->setObjectName(QStringLiteral("zvPageStore"));
    m_lpPageStore->hide();
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &MyInstallerWindow::PressKeyEquivalent);
    }
}

MyInstallerWindow::~MyInstallerWindow() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

// Fills the outlets from the loaded interface, once, and wires the buttons.
void MyInstallerWindow::ConnectOutlets() {
    if (m_bOutletsConnected) {
        return;
    }
    m_bOutletsConnected = true;
    Find(this, idButton1, "idButton1");
    Find(this, idButton2, "idButton2");
    Find(this, idParentView, "idParentView");
    Find(this, idTextPageTitle, "idTextPageTitle");
    Find(this, idViewAgree, "idViewAgree");
    Find(this, idViewChooseUser, "idViewChooseUser");
    Find(this, idViewFinished, "idViewFinished");
    Find(this, idViewNoFlash, "idViewNoFlash");
    Find(this, idViewProgress, "idViewProgress");
    Find(this, idViewTitle, "idViewTitle");
    if (idButton1 != nullptr) {
        connect(idButton1, &QAbstractButton::clicked, this, &MyInstallerWindow::pressedButton1);
    }
    if (idButton2 != nullptr) {
        connect(idButton2, &QAbstractButton::clicked, this, &MyInstallerWindow::pressedButton2);
    }
    // Pages wait out of sight until they are switched in: the page area holds
    // exactly one page at a time.
    for (QWidget* page :
         std::initializer_list<QWidget*>{idViewAgree, idViewChooseUser, idViewFinished,
                                         idViewNoFlash, idViewProgress, idViewTitle}) {
        if (page != nullptr && page != m_lpPreView) {
            page->hide();
            page->setParent(m_lpPageStore);
        }
    }
}

void MyInstallerWindow::SwitchPage(QWidget* page, std::int32_t mode, const char* titleKey) {
    ConnectOutlets();
    if (m_lpPreView != nullptr) {
        m_lpPreView->hide();
        m_lpPreView->setParent(m_lpPageStore);
    }
    if (page != nullptr && idParentView != nullptr) {
        page->setParent(idParentView);
        page->setGeometry(idParentView->rect());
        page->show();
    }
    m_nCurrentMode = mode;
    m_lpPreView = page;
    if (idTextPageTitle != nullptr) {
        idTextPageTitle->setText(ZvStringTable::Localized(titleKey));
        idTextPageTitle->setHidden(false);
    }
}

// Gives the button its title (null: unchanged), enables and shows it or
// disables and hides it, and sets its key equivalent (null: unchanged).
void MyInstallerWindow::SetUpButton(QAbstractButton* button, const char* titleKey, bool enabled,
                                    const char* keyEquivalent) {
    if (button == nullptr) {
        return;
    }
    if (titleKey != nullptr) {
        button->setText(ZvStringTable::Localized(titleKey));
    }
    button->setEnabled(enabled);
    button->setHidden(!enabled);
    if (keyEquivalent != nullptr) {
        button->setProperty(kKeyEquivalent, QString::fromLatin1(keyEquivalent));
        if (auto* push = qobject_cast<QPushButton*>(button)) {
            push->setDefault(std::strcmp(keyEquivalent, kReturnKey) == 0);
        }
    }
}

void MyInstallerWindow::HideButton(QAbstractButton* button) {
    SetUpButton(button, nullptr, false, nullptr);
}

// Return (or Enter) presses the button whose key equivalent it is, when that
// button can be pressed.
void MyInstallerWindow::PressKeyEquivalent() {
    for (QAbstractButton* button : {idButton1, idButton2}) {
        if (button != nullptr && button->isEnabled() && button->isVisible() &&
            button->property(kKeyEquivalent).toString() == QLatin1String(kReturnKey)) {
            button->click();
            return;
        }
    }
}

void MyInstallerWindow::Redraw() {
    if (QWidget* content = centralWidget()) {
        content->update();
    }
}

void MyInstallerWindow::setTitleView() {
    SwitchPage(idViewTitle, kModeWelcome, "titleWelcome");
    SetUpButton(idButton1, "goNext", true, kReturnKey);
    HideButton(idButton2);
    Redraw();
}

void MyInstallerWindow::setAgreeView() {
    SwitchPage(idViewAgree, kModeAgreement, "titleAgreement");
    // Return must not agree to the licence.
    SetUpButton(idButton1, "agree", true, "");
    SetUpButton(idButton2, "notAgree", true, nullptr);
    Redraw();
}

void MyInstallerWindow::setChooseUserView() {
    SwitchPage(idViewChooseUser, kModeChooseUser, "titleChooseUser");
    SetUpButton(idButton1, "goNext", true, kReturnKey);
    SetUpButton(idButton2, "abort", true, nullptr);
    Redraw();
}

void MyInstallerWindow::setNoFlashView() {
    SwitchPage(idViewNoFlash, kModeNoFlash, "titleNoFlash");
    SetUpButton(idButton1, "quit", true, kReturnKey);
    HideButton(idButton2);
    Redraw();
}

void MyInstallerWindow::setProgressView() {
    SwitchPage(idViewProgress, kModeProgress, "titleProgress");
    HideButton(idButton1);
    HideButton(idButton2);
    Redraw();
    if (m_worker.joinable()) {
        return;  // one installation per run
    }
    RunWorkerAndWait();
    if (m_bTerminated) {
        return;  // the program has ended; no last page
    }
    if (idViewProgress != nullptr) {
        idViewProgress->SetBarValue(100.0);
    }
    ShowResultPage();
}

// Bar value: the share of the module's entries unpacked so far, in percent.
double MyInstallerWindow::ProgressPercent() const {
    const std::int32_t files = m_nFilesNum.load(std::memory_order_relaxed);
    const std::int32_t done = m_nExtractedNum.load(std::memory_order_relaxed);
    if (files <= 0) {
        return 0.0;
    }
    const double value = static_cast<double>(done) / files * 100.0;
    return value > 100.0 ? 100.0 : value;
}

// Starts the worker and keeps the window responsive, moving the bar, until
// the worker has finished or the session was ended (the program ending).
void MyInstallerWindow::RunWorkerAndWait() {
    ZvModalSession session(this);
    m_lpSession = &session;
    m_worker = std::thread(&MyInstallerWindow::FileExtractFunction, this);
    for (;;) {
        if (idViewProgress != nullptr) {
            idViewProgress->SetBarValue(ProgressPercent());
        }
        if (session.Run() != ZvModalSession::kContinue) {
            break;
        }
        // The worker sets the flag last, on every path, so its counters and
        // results are final once it is seen.
        if (m_bExtractFinished.load(std::memory_order_acquire)) {
            break;
        }
    }
    m_lpSession = nullptr;
}

// The finished or the not-finished page, by the outcome seen now.
void MyInstallerWindow::ShowResultPage() {
    if (m_bInstallNoErr.load(std::memory_order_acquire)) {
        SwitchPage(idViewFinished, kModeFinished, "titleFinished");
        SetUpButton(idButton1, "finished", true, kReturnKey);
    } else {
        if (idViewFinished != nullptr) {
            idViewFinished->HideAllButtons();
        }
        SwitchPage(idViewFinished, kModeFinished, "titleNoFinished");
        SetUpButton(idButton1, "quit", true, kReturnKey);
    }
    HideButton(idButton2);
    Redraw();
}

void MyInstallerWindow::pressedButton1() {
    switch (m_nCurrentMode) {
        case kModeWelcome:
            if (IsExistingEULA()) {
                setAgreeView();
            } else {
                setChooseUserView();
            }
            break;
        case kModeAgreement:
            setChooseUserView();
            break;
        case kModeChooseUser:
            m_bInstallAllUser.store(
                idViewChooseUser != nullptr && idViewChooseUser->IsCheckedAllUser(),
                std::memory_order_relaxed);
            setProgressView();
            break;
        case kModeProgress:
        case kModeFinished:
            if (idViewFinished != nullptr && idViewFinished->IsCheckedSetSaver()) {
                SetPreference();
            }
            if (idViewFinished != nullptr && idViewFinished->IsCheckedViewReadme()) {
                showReadme();
            }
            Terminate();
            break;
        case kModeNoFlash:
            Terminate();
            break;
        default:
            break;
    }
}

void MyInstallerWindow::pressedButton2() {
    Terminate();
}

void MyInstallerWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    Terminate();
}

void MyInstallerWindow::Terminate() {
    m_bTerminated = true;
    if (m_lpSession != nullptr) {
        m_lpSession->Stop();
    }
    ZvApplication::Terminate();
}

void MyInstallerWindow::CenterOnMainScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    // The whole screen, not only the part left free by panels and docks.
    const QRect s = screen->geometry();
    const QRect w = frameGeometry();
    const float x =
        std::fmaf(static_cast<float>(s.width() - w.width()), 0.5f, static_cast<float>(s.x()));
    const float y =
        std::fmaf(static_cast<float>(s.height() - w.height()), 0.5f, static_cast<float>(s.y()));
    move(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

void MyInstallerWindow::applicationDidFinishLaunching() {
    ConnectOutlets();
    CenterOnMainScreen();
    m_nCurrentMode = kModeWelcome;
    if (CheckFlashPlugin()) {
        setTitleView();
    } else {
        setNoFlashView();
    }
    show();
    raise();
    activateWindow();
}

QString MyInstallerWindow::ModuleName() const {
    return IsExtractFinished() ? QString::fromUtf8(m_szModuleName) : QString();
}

QString MyInstallerWindow::InstalledPath() const {
    return IsExtractFinished() ? QString::fromUtf8(m_szInstalledPath) : QString();
}
