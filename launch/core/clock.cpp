#include "launch/core/clock.h"

namespace launch {

namespace {

class SystemClock : public Clock {
public:
    QTime currentTime() override { return QTime::currentTime(); }
};

}  // namespace

Clock &systemClock()
{
    static SystemClock clock;
    return clock;
}

}  // namespace launch
