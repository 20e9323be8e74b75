#pragma once
// Tones and plain waits, for the launch runner.
namespace platform {

class Tones {
public:
    virtual ~Tones() = default;
    // A sine tone of `hertz` for `milliseconds` through ALSA; returns when it ends.
    // Without a sound device it still waits that long.
    virtual void beep(int hertz, int milliseconds) = 0;
    // A plain sleep: no events run meanwhile.
    virtual void pause(int milliseconds) = 0;
};

Tones &systemTones();

}  // namespace platform
