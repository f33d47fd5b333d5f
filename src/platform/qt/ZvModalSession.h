// ZvModalSession: lets the main thread wait for work done elsewhere while the
// window stays responsive.
//
// The caller polls: each Run() dispatches the events that are pending (input,
// painting, timers) and returns; when none are pending it sleeps until one
// arrives or one tick has passed, so a polling loop wakes a few dozen times a
// second instead of spinning a core. The session ends when Stop() is called,
// when its window is destroyed or when the application is shutting down.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class ZvModalSession {
  public:
    // Run() answers kContinue while the session goes on, kStopped after.
    static constexpr int kContinue = -1002;
    static constexpr int kStopped = -1000;
    // Longest sleep of one Run(), in milliseconds.
    static constexpr int kTickMs = 40;

    // Begins a session for window.
    explicit ZvModalSession(QWidget* window);
    ~ZvModalSession();
    ZvModalSession(const ZvModalSession&) = delete;
    ZvModalSession& operator=(const ZvModalSession&) = delete;

    int Run();
    void Stop() { m_stopped = true; }

  private:
    QPointer<QWidget> m_window;
    QTimer m_tick;
    bool m_stopped = false;
};
