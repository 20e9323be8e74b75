#pragma once
// The time of day, for the minute timer. Tests set their own.
#include <QTime>

namespace launch {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QTime currentTime() = 0;
};

// The local time of the machine.
Clock &systemClock();

}  // namespace launch
