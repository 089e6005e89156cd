#include "Probes.h"

namespace bench {

GapMeter::GapMeter() {
    timer_.setInterval(10);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        const qint64 now = clock_.nsecsElapsed();
        // The first tick after arming starts the measurement: whatever ran
        // before it (opening the connections) is not a gap of the copy.
        if (armed_ && last_ >= 0) {
            longest_ = std::max(longest_, now - last_);
        }
        last_ = armed_ ? now : -1;
    });
    clock_.start();
    timer_.start();
}

void GapMeter::arm() {
    armed_ = true;
    last_ = -1;
}

} // namespace bench
