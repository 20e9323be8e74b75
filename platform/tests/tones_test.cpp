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
namespace {

// The capture file's name, emptied for the next tone; null without the set-up.
const char *freshCapture()
{
    const char *capture = std::getenv("TESSALY_TONE_CAPTURE");
    if (capture)
        QFile::remove(QString::fromLocal8Bit(capture));
    return capture;
}

std::vector<std::int16_t> capturedSamples(const char *capture)
{
    QFile file(QString::fromLocal8Bit(capture));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray raw = file.readAll();
    std::vector<std::int16_t> samples(std::size_t(raw.size()) / 2);
    std::memcpy(samples.data(), raw.constData(), samples.size() * 2);
    return samples;
}

// Upward zero crossings among the first `count` samples.
int upwardCrossings(const std::vector<std::int16_t> &samples, std::size_t count)
{
    int crossings = 0;
    for (std::size_t i = 1; i < std::min(samples.size(), count); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0)
            ++crossings;
    }
    return crossings;
}

}  // namespace

TEST(TonesThroughAlsa, SineOfTheAskedFrequencyAndLength)
{
    const char *capture = freshCapture();
    if (!capture)
        GTEST_SKIP() << "needs the capturing ALSA set-up";

    systemTones().beep(880, 250);
    const std::vector<std::int16_t> samples = capturedSamples(capture);

    // 44100 samples a second: a quarter second, give or take a period's padding.
    EXPECT_GE(samples.size(), 11025u);
    EXPECT_LE(samples.size(), 11025u + 4410u);

    // Upward zero crossings over the tone's whole length: 880 a second.
    EXPECT_NEAR(upwardCrossings(samples, 11025), 220, 3);
    int loudest = 0;
    for (std::size_t i = 0; i < std::min<std::size_t>(samples.size(), 11025); ++i)
        loudest = std::max(loudest, std::abs(int(samples[i])));
    EXPECT_GT(loudest, 8000);  // a tone one can hear, not silence
}

TEST(TonesThroughAlsa, LongerToneIsOneUnbrokenSine)
{
    // Longer than the part of a tone that is made at a time, so that its parts
    // must join without a jump.
    const char *capture = freshCapture();
    if (!capture)
        GTEST_SKIP() << "needs the capturing ALSA set-up";

    systemTones().beep(523, 700);
    const std::vector<std::int16_t> samples = capturedSamples(capture);
    const std::size_t expected = 44100 * 7 / 10;
    ASSERT_GE(samples.size(), expected);
    EXPECT_LE(samples.size(), expected + 4410u);
    EXPECT_NEAR(upwardCrossings(samples, expected), 366, 3);

    // A 523 Hz sine at half volume moves at most 2 pi 523 / 44100 of 16384 a sample.
    int steepest = 0;
    for (std::size_t i = 1; i < expected; ++i)
        steepest = std::max(steepest, std::abs(int(samples[i]) - int(samples[i - 1])));
    EXPECT_LE(steepest, 1300);
}

TEST(TonesThroughAlsa, SilentFrequencyWritesNoSound)
{
    const char *capture = freshCapture();
    if (!capture)
        GTEST_SKIP() << "needs the capturing ALSA set-up";
    systemTones().beep(20, 50);
    EXPECT_FALSE(QFile::exists(QString::fromLocal8Bit(capture)));
}
