#include <gtest/gtest.h>

#include <cstdint>

#include "framework/systimer.h"
#include "win32/timesource.h"

namespace {

// A clock at 1000 counts per second that the test moves by hand.
class TimerTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        win32::SetTimeSourceForTest(1000, GetParam(), [this] { return now_; });
        sysTimerResetForTest();
    }
    void TearDown() override {
        sysTimerResetForTest();
        win32::ResetTimeSource();
    }
    void At(double seconds) { now_ = static_cast<std::int64_t>(seconds * 1000.0 + 0.5); }
    static float T(TimerCommand c) { return sysTimer(c); }

    std::int64_t now_ = 0;
};

constexpr float kMs = 0.0015f;  // the millisecond source rounds to whole milliseconds

TEST_P(TimerTest, StopAdvanceStartSequence) {
    At(5);
    EXPECT_EQ(T(TimerCommand::Start), 0.0f);  // the first Start makes now the origin
    EXPECT_NEAR(T(TimerCommand::GetAppTime), 0.0f, kMs);
    At(7);
    EXPECT_NEAR(T(TimerCommand::GetAppTime), 2.0f, kMs);
    EXPECT_NEAR(T(TimerCommand::GetElapsedTime), 2.0f, kMs);

    T(TimerCommand::Stop);
    At(9);
    // Standing: the application time does not move, the absolute time does.
    EXPECT_NEAR(T(TimerCommand::GetAppTime), 2.0f, kMs);
    EXPECT_NEAR(T(TimerCommand::GetAbsoluteTime), 9.0f, kMs);
    T(TimerCommand::GetElapsedTime);
    EXPECT_EQ(T(TimerCommand::GetElapsedTime), 0.0f);

    T(TimerCommand::Advance);
    EXPECT_NEAR(T(TimerCommand::GetAppTime), 2.1f, kMs);
    EXPECT_NEAR(T(TimerCommand::GetElapsedTime), 0.1f, kMs);
    EXPECT_NEAR(T(TimerCommand::GetAppTime), 2.1f, kMs);

    At(10);
    T(TimerCommand::Start);  // the stopped interval is not counted
    EXPECT_NEAR(T(TimerCommand::GetAppTime), 2.1f, kMs);
    At(11);
    EXPECT_NEAR(T(TimerCommand::GetAppTime), 3.1f, kMs);
    EXPECT_NEAR(T(TimerCommand::GetElapsedTime), 1.0f, kMs);
}

TEST_P(TimerTest, SecondStopChangesNothing) {
    At(1);
    T(TimerCommand::Start);
    At(3);
    T(TimerCommand::Stop);
    At(6);
    T(TimerCommand::Stop);
    T(TimerCommand::Start);
    EXPECT_NEAR(T(TimerCommand::GetAppTime), 2.0f, kMs);
}

TEST_P(TimerTest, UnknownCommandGivesMinusOneAndChangesNothing) {
    At(1);
    T(TimerCommand::Start);
    At(2);
    EXPECT_EQ(sysTimer(static_cast<TimerCommand>(7)), -1.0f);
    EXPECT_EQ(sysTimer(static_cast<TimerCommand>(-1)), -1.0f);
    EXPECT_NEAR(T(TimerCommand::GetElapsedTime), 1.0f, kMs);
}

INSTANTIATE_TEST_SUITE_P(Sources, TimerTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Counter" : "Milliseconds"; });

// The two sources differ in one respect: Stop moves the counter's elapsed mark only.
TEST(TimerSources, ElapsedAfterStopDiffersBetweenSources) {
    for (bool counter : {true, false}) {
        std::int64_t now = 0;
        win32::SetTimeSourceForTest(1000, counter, [&] { return now; });
        sysTimerResetForTest();
        now = 1000;
        sysTimer(TimerCommand::Start);
        now = 3000;
        sysTimer(TimerCommand::Stop);
        const float e = sysTimer(TimerCommand::GetElapsedTime);
        if (counter)
            EXPECT_EQ(e, 0.0f);
        else
            EXPECT_NEAR(e, 2.0f, kMs);
    }
    sysTimerResetForTest();
    win32::ResetTimeSource();
}

}  // namespace
