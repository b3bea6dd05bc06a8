#include "window/HeldUpCalls.h"

#include <gtest/gtest.h>

using pivora::window::HeldUpCalls;

TEST(HeldUpCalls, TheWorkRunsOnlyWhileItsOwnersCallIsHeldUp)
{
    HeldUpCalls calls;
    const auto later = HeldUpCalls::Clock::now() + std::chrono::hours(1);
    const auto past = HeldUpCalls::Clock::now() - std::chrono::seconds(1);
    int runs = 0, woken = 0;
    const auto owner = [&] { calls.Enter({later, 0, [&] { ++woken; }}); };
    calls.SetWork([&] {
        ++runs;
        EXPECT_FALSE(calls.RunIfHeldUp(true)) << "never inside itself";
    });

    // Between its calls the owner does the work itself.
    EXPECT_FALSE(calls.RunIfHeldUp(true));
    // In its own call, in time and with nothing inside, the call ends by itself.
    owner();
    EXPECT_FALSE(calls.RunIfHeldUp(false));
    // A loop of the toolkit's own inside it, another call of the pump, or its time gone by.
    EXPECT_TRUE(calls.RunIfHeldUp(true));
    calls.Enter({later, 1, nullptr});
    EXPECT_TRUE(calls.RunIfHeldUp(false));
    calls.Leave();
    calls.Leave();
    calls.Enter({past, 0, nullptr});
    EXPECT_TRUE(calls.RunIfHeldUp(false));
    calls.Leave();
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(calls.Runs(), 3u);
    EXPECT_EQ(woken, 2) << "the waits in progress were woken before the work ran";

    // Work set inside a call belongs to that depth: the outer call alone is not its owner's.
    owner();
    calls.SetWork([&] { ++runs; });
    EXPECT_FALSE(calls.RunIfHeldUp(true));
    calls.SetWork({});
    calls.Enter({past, 0, nullptr});
    EXPECT_FALSE(calls.RunIfHeldUp(true)) << "no work, nothing runs";
}
