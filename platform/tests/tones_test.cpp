// A tone and a pause hold the caller at least as long as they last, whether or
// not the machine has a sound device (the test machine usually has none).
#include "platform/tones.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using platform::systemTones;

TEST(Tones, BeepLastsItsLength)
{
    QElapsedTimer clock;
    clock.start();
    systemTones().beep(880, 120);
    EXPECT_GE(clock.elapsed(), 120);
}

TEST(Tones, SilentFrequenciesStillWait)
{
    QElapsedTimer clock;
    clock.start();
    systemTones().beep(0, 60);
    systemTones().beep(-5, 60);
    systemTones().beep(40000, 60);
    EXPECT_GE(clock.elapsed(), 180);
}

TEST(Tones, PauseWaitsAndNonPositiveLengthsReturnAtOnce)
{
    QElapsedTimer clock;
    clock.start();
    systemTones().pause(80);
    EXPECT_GE(clock.elapsed(), 80);
    systemTones().pause(0);
    systemTones().pause(-1000);
    systemTones().beep(440, 0);
    systemTones().beep(440, -1000);
    EXPECT_LT(clock.elapsed(), 900);  // a negative length is no length, not a huge one
}
