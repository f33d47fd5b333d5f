#include "platform/qt/ZvApplication.h"

#include <gtest/gtest.h>
#include <QObject>

namespace {

class Sleeper : public QObject {
    Q_OBJECT
  public:
    int awakened = 0;
    Q_INVOKABLE void awakeFromNib() { ++awakened; }
};

TEST(ZvApplication, SendCallsOnlyMethodsTheObjectHas) {
    Sleeper sleeper;
    EXPECT_TRUE(ZvApplication::Send(&sleeper, "awakeFromNib"));
    EXPECT_EQ(sleeper.awakened, 1);
    EXPECT_FALSE(ZvApplication::Send(&sleeper, "applicationDidFinishLaunching"));
    EXPECT_FALSE(ZvApplication::Send(nullptr, "awakeFromNib"));
    EXPECT_EQ(sleeper.awakened, 1);
}

TEST(ZvApplication, TerminateCallsTheTestHandler) {
    int calls = 0;
    ZvApplication::SetTerminateHandler([&calls] { ++calls; });
    ZvApplication::Terminate();
    ZvApplication::Terminate();
    EXPECT_EQ(calls, 2);
    ZvApplication::SetTerminateHandler(nullptr);
}

// Without a handler the process ends at once with status 0, other threads
// and pending output notwithstanding.
TEST(ZvApplicationDeathTest, TerminateEndsTheProcessWithStatusZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::printf("flushed before the end");
            ZvApplication::Terminate();
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace

#include "ZvApplicationTest.moc"
