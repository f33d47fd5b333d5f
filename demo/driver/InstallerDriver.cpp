// libzv_installer_driver.so: walks the unmodified installer through its pages
// when preloaded into it (LD_PRELOAD), for screenshots, benchmarks and
// end-to-end tests of an assembled bundle.
//
// Once the installer's window is shown, the driver presses the primary button
// on every page, chooses the current user or all users on the user-choice
// page and, on the last page, unticks the finishing boxes (unless told to keep
// them) and presses the button that ends the program. It reaches the window
// only through Qt: object names from the interface description and button
// clicks, as a user would.
//
// Settings, from the environment:
//   ZV_DRIVER_CHOICE   "current" (default) or "all"
//   ZV_DRIVER_SHOTS    folder: a PNG of the window for every page, named
//                      after the page (welcome.png, agreement.png, ...)
//   ZV_DRIVER_REPORT   file: one "key=value" line per fact (pages seen, the
//                      last page, times, main-thread CPU time)
//   ZV_DRIVER_FINISH   "untick" (default) or "keep": what to do with the
//                      finished page's boxes before the last press
//   ZV_DRIVER_TIMEOUT  seconds without progress before giving up (default
//                      600); the driver then writes "error=timeout" and ends
//                      the process with status 3
//
// The driver removes LD_PRELOAD from the environment when the application
// object is made, so the programs the installer starts (the copy tool, the
// document opener) run without it.
#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double Seconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

QString Env(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

// Read once, when the library is loaded.
struct Settings {
    Settings() {
        loadedAt = Seconds(CLOCK_MONOTONIC);
        choice = Env("ZV_DRIVER_CHOICE");
        shots = Env("ZV_DRIVER_SHOTS");
        report = Env("ZV_DRIVER_REPORT");
        keepBoxes = Env("ZV_DRIVER_FINISH") == QStringLiteral("keep");
        bool ok = false;
        const int seconds = Env("ZV_DRIVER_TIMEOUT").toInt(&ok);
        timeout = ok && seconds > 0 ? seconds : 600;
    }
    double loadedAt = 0;
    QString choice;
    QString shots;
    QString report;
    bool keepBoxes = false;
    int timeout = 600;
};

const Settings& TheSettings() {
    static const Settings settings;
    return settings;
}

// Makes sure the settings are read while the process has one thread only.
const Settings& g_settingsAtLoad = TheSettings();

// Page view object names of the interface description and the names the
// driver gives them.
struct PageName {
    const char* objectName;
    const char* name;
};
const PageName kPages[] = {
    {"idViewTitle", "welcome"},          {"idViewAgree", "agreement"},
    {"idViewChooseUser", "choose-user"}, {"idViewProgress", "progress"},
    {"idViewFinished", "finished"},      {"idViewNoFlash", "no-plugin"},
};

class Driver : public QObject {
  public:
    Driver() : QObject(qApp) {
        connect(&m_tick, &QTimer::timeout, this, &Driver::Tick);
        m_tick.start(kTickMs);
        m_lastChange = Seconds(CLOCK_MONOTONIC);
    }

  private:
    // How often the driver looks for a new page: often enough that its own
    // delays do not count in a timed run.
    static constexpr int kTickMs = 5;

    QWidget* Window() const {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->inherits("MyInstallerWindow") && top->isVisible()) {
                return top;
            }
        }
        return nullptr;
    }

    template <class T>
    T* Child(const char* name) const {
        return m_window ? m_window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    }

    // The page shown in the page area, by the driver's name; empty when none.
    QString CurrentPage() const {
        auto* area = Child<QWidget>("idParentView");
        if (area == nullptr) {
            return QString();
        }
        for (const PageName& page : kPages) {
            auto* view = area->findChild<QWidget*>(QString::fromLatin1(page.objectName),
                                                   Qt::FindDirectChildrenOnly);
            if (view == nullptr) {
                continue;
            }
            const QString name = QString::fromLatin1(page.name);
            if (name == QStringLiteral("finished")) {
                // A failed installation hides both boxes of the finished page.
                auto* box = Child<QAbstractButton>("idChkSetSaver");
                if (box != nullptr && box->isHidden()) {
                    return QStringLiteral("not-finished");
                }
            }
            return name;
        }
        return QString();
    }

    QString Title() const {
        auto* title = Child<QLabel>("idTextPageTitle");
        return title ? title->text() : QString();
    }

    void Shoot(const QString& page, const QImage& image) {
        if (TheSettings().shots.isEmpty() || image.isNull()) {
            return;
        }
        QDir().mkpath(TheSettings().shots);
        const QString path = TheSettings().shots + QLatin1Char('/') + page + QStringLiteral(".png");
        if (!image.save(path, "PNG", 0)) {
            m_errors << QStringLiteral("cannot write ") + path;
        }
    }

    QImage Grab() const { return m_window->grab().toImage(); }

    void Tick() {
        const double now = Seconds(CLOCK_MONOTONIC);
        if (now - m_lastChange > TheSettings().timeout) {
            m_errors << QStringLiteral("timeout");
            Finish(QStringLiteral("none"), 3);
        }
        if (m_busy) {
            return;  // the installation runs inside the last press
        }
        if (m_window == nullptr) {
            m_window = Window();
            if (m_window == nullptr) {
                return;
            }
            m_shownAt = now;
        }
        const QString page = CurrentPage();
        if (page.isEmpty() || page == m_page) {
            return;
        }
        m_page = page;
        m_lastChange = now;
        m_pages << page;
        // The picture is taken, and the button pressed, once the page has
        // settled (lazy text layout, scroll bars), as a user would see it.
        m_busy = true;
        QTimer::singleShot(m_shotDelayMs, this, [this, page] {
            Shoot(page, Grab());
            m_busy = false;
            Act(page);
        });
    }

    void Act(const QString& page) {
        auto* button = Child<QAbstractButton>("idButton1");
        if (button == nullptr || !button->isVisible() || !button->isEnabled()) {
            m_errors << QStringLiteral("no primary button on ") + page;
            Finish(page, 3);
            return;
        }
        if (page == QStringLiteral("choose-user")) {
            Install(button);
            return;
        }
        if (page == QStringLiteral("finished") || page == QStringLiteral("not-finished") ||
            page == QStringLiteral("no-plugin")) {
            if (!TheSettings().keepBoxes) {
                for (const char* name : {"idChkSetSaver", "idChkViewReadme"}) {
                    if (auto* box = Child<QAbstractButton>(name)) {
                        box->setChecked(false);
                    }
                }
            }
            WriteReport(page);
            button->click();  // ends the program
            return;
        }
        button->click();
    }

    // Presses the primary button on the user-choice page. The installation
    // runs inside that press, in the window's own wait loop; the driver's
    // progress timer keeps one picture of the progress page meanwhile.
    void Install(QAbstractButton* button) {
        const bool all = TheSettings().choice == QStringLiteral("all");
        if (auto* choice = Child<QAbstractButton>(all ? "idChkAllUser" : "idChkCurrUser")) {
            choice->setChecked(true);
        }
        // Without pictures to take, the driver wakes rarely during the
        // installation, so that the main thread's time is the window's own.
        const bool shots = !TheSettings().shots.isEmpty();
        QTimer progress;
        connect(&progress, &QTimer::timeout, this, [this] { WatchProgress(); });
        progress.start(shots ? 5 : 250);
        QTimer::singleShot(0, this, [this] { WatchProgress(); });  // the wait's first pass
        m_tick.setInterval(1000);
        m_busy = true;
        m_installStart = Seconds(CLOCK_MONOTONIC);
        m_mainCpuStart = Seconds(CLOCK_THREAD_CPUTIME_ID);
        button->click();
        m_mainCpuEnd = Seconds(CLOCK_THREAD_CPUTIME_ID);
        m_installEnd = Seconds(CLOCK_MONOTONIC);
        m_busy = false;
        progress.stop();
        m_tick.setInterval(kTickMs);
        m_lastChange = m_installEnd;
        if (m_sawProgress) {
            m_pages << QStringLiteral("progress");
            Shoot(QStringLiteral("progress"), m_progressPicture);
        }
    }

    // Notes that the progress page is shown and, when taking pictures, keeps
    // the first picture with the bar between a fifth and four fifths, else
    // the latest one.
    void WatchProgress() {
        if (CurrentPage() != QStringLiteral("progress")) {
            return;
        }
        m_sawProgress = true;
        if (TheSettings().shots.isEmpty() || m_progressSettled) {
            return;
        }
        auto* bar = Child<QProgressBar>("idProgressIndicator");
        const int value = bar ? bar->value() : 0;
        m_progressPicture = Grab();
        m_progressSettled = value >= 20 && value <= 80;
    }

    void WriteReport(const QString& page) {
        if (TheSettings().report.isEmpty()) {
            return;
        }
        QFile file(TheSettings().report);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            return;
        }
        const Settings& s = TheSettings();
        QStringList lines;
        lines << QStringLiteral("last=") + page;
        lines << QStringLiteral("pages=") + m_pages.join(QLatin1Char(','));
        lines << QStringLiteral("title=") + Title();
        lines << QStringLiteral("startup_s=%1").arg(m_shownAt - s.loadedAt, 0, 'f', 4);
        if (m_installEnd > 0) {
            const double wall = m_installEnd - m_installStart;
            const double cpu = m_mainCpuEnd - m_mainCpuStart;
            lines << QStringLiteral("install_s=%1").arg(wall, 0, 'f', 4);
            lines << QStringLiteral("install_main_cpu_s=%1").arg(cpu, 0, 'f', 4);
            lines << QStringLiteral("install_main_cpu_share=%1")
                         .arg(wall > 0 ? cpu / wall : 0.0, 0, 'f', 4);
        }
        lines << QStringLiteral("total_s=%1").arg(Seconds(CLOCK_MONOTONIC) - s.loadedAt, 0, 'f', 4);
        for (const QString& error : m_errors) {
            lines << QStringLiteral("error=") + error;
        }
        file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        file.close();
    }

    void Finish(const QString& page, int status) {
        WriteReport(page);
        std::fflush(nullptr);
        std::_Exit(status);
    }

    QTimer m_tick;
    QWidget* m_window = nullptr;
    QString m_page;
    QStringList m_pages;
    QStringList m_errors;
    bool m_busy = false;
    // Without pictures to take there is nothing to wait for.
    const int m_shotDelayMs = TheSettings().shots.isEmpty() ? 0 : 150;
    bool m_sawProgress = false;
    QImage m_progressPicture;
    bool m_progressSettled = false;
    double m_lastChange = 0;
    double m_shownAt = 0;
    double m_installStart = 0;
    double m_installEnd = 0;
    double m_mainCpuStart = 0;
    double m_mainCpuEnd = 0;
};

// Runs from the application object's constructor; the driver starts once the
// event loop runs.
void StartDriver() {
    // Only the program with an application object is driven; it starts its
    // own programs without the driver. (A wrapper such as timeout keeps
    // LD_PRELOAD for the program it starts.)
    unsetenv("LD_PRELOAD");
    QMetaObject::invokeMethod(
        qApp, [] { new Driver; }, Qt::QueuedConnection);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartDriver)
