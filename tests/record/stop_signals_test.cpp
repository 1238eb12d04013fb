#include "tools/record/stop_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

namespace {

void (*handlerOf(int number))(int) {
    struct sigaction now {};
    sigaction(number, nullptr, &now);
    return now.sa_handler;
}

TEST(StopSignals, ASignalRaisesTheFlagAndTheProgramGoesOn) {
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        const auto before = handlerOf(number);
        {
            StopSignals signals;
            EXPECT_FALSE(signals.requested());
            EXPECT_EQ(signals.signalNumber(), 0);
            signals.endByTheSignal();  // nothing came: nothing happens
            raise(number);
            EXPECT_TRUE(signals.requested()) << number;
            EXPECT_EQ(signals.signalNumber(), number);
            raise(SIGINT);
            EXPECT_EQ(signals.signalNumber(), number) << "the first one counts";
        }
        EXPECT_EQ(handlerOf(number), before) << "put back as it was";
        EXPECT_FALSE(StopSignals().requested()) << "a new recording starts afresh";
    }
}

TEST(StopSignals, AnIgnoredSignalStaysIgnored) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before {};
    sigaction(SIGHUP, &ignore, &before);
    {
        StopSignals signals;
        raise(SIGHUP);
        EXPECT_FALSE(signals.requested());
    }
    EXPECT_EQ(handlerOf(SIGHUP), SIG_IGN);
    sigaction(SIGHUP, &before, nullptr);
}

TEST(StopSignalsDeathTest, EndsTheProgramAsTheSignalWould) {
    EXPECT_EXIT(
        {
            StopSignals signals;
            raise(SIGTERM);
            signals.endByTheSignal();
            std::exit(0);
        },
        testing::KilledBySignal(SIGTERM), "");
}

}  // namespace
