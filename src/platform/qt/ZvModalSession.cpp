#include "platform/qt/ZvModalSession.h"

#include <QCoreApplication>
#include <QEventLoop>

ZvModalSession::ZvModalSession(QWidget* window) : m_window(window) {
    // The tick only wakes the wait; it has nothing to do itself.
    m_tick.setInterval(kTickMs);
    m_tick.start();
}

ZvModalSession::~ZvModalSession() {
    m_tick.stop();
}

int ZvModalSession::Run() {
    if (m_stopped || m_window.isNull() || QCoreApplication::closingDown()) {
        return kStopped;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (m_stopped || m_window.isNull() || QCoreApplication::closingDown()) {
        return kStopped;
    }
    return kContinue;
}
