#include "platform/qt/ZvModalSession.h"

#include <gtest/gtest.h>
#include <QTimer>
#include <QWidget>

namespace {

TEST(ZvModalSession, RunDispatchesEventsWhileTheSessionGoesOn) {
    QWidget window;
    ZvModalSession session(&window);
    bool fired = false;
    QTimer::singleShot(60, [&fired] { fired = true; });
    int rounds = 0;
    while (!fired && rounds < 1000) {
        ASSERT_EQ(session.Run(), ZvModalSession::kContinue);
        ++rounds;
    }
    EXPECT_TRUE(fired);
}

TEST(ZvModalSession, RunReturnsWhenNothingHappens) {
    // With no events at all, the tick still brings Run() back.
    QWidget window;
    ZvModalSession session(&window);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(session.Run(), ZvModalSession::kContinue);
    }
}

TEST(ZvModalSession, StopOrALostWindowEndsTheSession) {
    QWidget window;
    ZvModalSession stopped(&window);
    QTimer::singleShot(0, [&stopped] { stopped.Stop(); });
    int response = ZvModalSession::kContinue;
    for (int i = 0; i < 100 && response == ZvModalSession::kContinue; ++i) {
        response = stopped.Run();
    }
    EXPECT_EQ(response, ZvModalSession::kStopped);
    EXPECT_EQ(stopped.Run(), ZvModalSession::kStopped);

    auto* doomed = new QWidget;
    ZvModalSession orphaned(doomed);
    delete doomed;
    EXPECT_EQ(orphaned.Run(), ZvModalSession::kStopped);
}

}  // namespace
