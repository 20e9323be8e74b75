#include "platform/tones.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

namespace platform {
namespace {

constexpr unsigned kRate = 44100;
// The frequencies a tone may have (those the original accepted); others are silent.
constexpr int kLowestHertz = 37;
constexpr int kHighestHertz = 32767;
// Samples made and handed to the device at a time (a quarter second).
constexpr std::size_t kBlockFrames = kRate / 4;

void silentAlsaErrors(const char *, int, const char *, int, const char *, ...) {}

void sleepFor(std::chrono::steady_clock::duration d)
{
    if (d > std::chrono::steady_clock::duration::zero())
        std::this_thread::sleep_for(d);
}

// Plays the tone; returns false when no sound device could be opened.
bool playSine(int hertz, int milliseconds)
{
    // ALSA reports a machine without a sound card on stderr; that is not a fault here.
    snd_lib_error_set_handler(silentAlsaErrors);
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    snd_pcm_nonblock(pcm, 0);
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kRate,
                           1, 100000) < 0) {
        snd_pcm_close(pcm);
        return false;
    }

    const std::size_t frames = std::size_t(kRate) * std::size_t(milliseconds) / 1000;
    // A few milliseconds of fade at both ends keep the tone free of clicks.
    const std::size_t fade = std::min<std::size_t>(kRate / 200, frames / 2);
    const double step = 2.0 * std::numbers::pi / kRate;
    // Made and written a block at a time: a script may ask for a tone of hours,
    // whose samples would not fit in memory at once.
    std::vector<std::int16_t> block(std::min<std::size_t>(frames, kBlockFrames));
    std::size_t made = 0;
    bool failed = false;
    while (made < frames && !failed) {
        const std::size_t count = std::min(block.size(), frames - made);
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t i = made + k;
            double gain = 0.5;
            if (i < fade)
                gain *= double(i) / double(fade);
            else if (frames - i <= fade)
                gain *= double(frames - i) / double(fade);
            // The phase from whole numbers, so that it stays exact however long the
            // tone: hertz * i turns of 1/kRate, taken within one turn.
            const double phase = step * double((std::uint64_t(hertz) * i) % kRate);
            block[k] = static_cast<std::int16_t>(std::lround(gain * 32767.0 * std::sin(phase)));
        }
        std::size_t written = 0;
        while (written < count) {
            snd_pcm_sframes_t n = snd_pcm_writei(pcm, block.data() + written, count - written);
            if (n < 0)
                n = snd_pcm_recover(pcm, int(n), 1);
            if (n < 0) {
                failed = true;
                break;
            }
            written += std::size_t(n);
        }
        made += count;
    }
    snd_pcm_drain(pcm);
    snd_pcm_close(pcm);
    return true;
}

class SystemTones : public Tones {
public:
    void beep(int hertz, int milliseconds) override
    {
        if (milliseconds <= 0)
            return;
        const auto start = std::chrono::steady_clock::now();
        const auto length = std::chrono::milliseconds(milliseconds);
        if (hertz >= kLowestHertz && hertz <= kHighestHertz)
            playSine(hertz, milliseconds);
        // Whatever the device did, the caller is held for the tone's length.
        sleepFor(start + length - std::chrono::steady_clock::now());
    }

    void pause(int milliseconds) override
    {
        if (milliseconds > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

}  // namespace

Tones &systemTones()
{
    static SystemTones tones;
    return tones;
}

}  // namespace platform
