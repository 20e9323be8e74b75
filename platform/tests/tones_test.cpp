// A tone and a pause hold the caller at least as long as they last, whether or
// not the machine has a sound device (the test machine usually has none).
#include "platform/tones.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// With the default device writing to a file (the test's ALSA set-up), the tone
// itself can be checked: its length in samples and its pitch.
TEST(TonesThroughAlsa, SineOfTheAskedFrequencyAndLength)
{
    const char *capture = std::getenv("TESSALY_TONE_CAPTURE");
    if (!capture)
        GTEST_SKIP() << "needs the capturing ALSA set-up";
    QFile::remove(QString::fromLocal8Bit(capture));

    systemTones().beep(880, 250);

    QFile file(QString::fromLocal8Bit(capture));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray raw = file.readAll();
    std::vector<std::int16_t> samples(std::size_t(raw.size()) / 2);
    std::memcpy(samples.data(), raw.constData(), samples.size() * 2);

    // 44100 samples a second: a quarter second, give or take a period's padding.
    EXPECT_GE(samples.size(), 11025u);
    EXPECT_LE(samples.size(), 11025u + 4410u);

    // Upward zero crossings over the tone's whole length: 880 a second.
    int crossings = 0;
    int loudest = 0;
    for (std::size_t i = 1; i < std::min<std::size_t>(samples.size(), 11025); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0)
            ++crossings;
        loudest = std::max(loudest, std::abs(int(samples[i])));
    }
    EXPECT_NEAR(crossings, 220, 3);
    EXPECT_GT(loudest, 8000);  // a tone one can hear, not silence
}

TEST(TonesThroughAlsa, SilentFrequencyWritesNoSound)
{
    const char *capture = std::getenv("TESSALY_TONE_CAPTURE");
    if (!capture)
        GTEST_SKIP() << "needs the capturing ALSA set-up";
    QFile::remove(QString::fromLocal8Bit(capture));
    systemTones().beep(20, 50);
    EXPECT_FALSE(QFile::exists(QString::fromLocal8Bit(capture)));
}
