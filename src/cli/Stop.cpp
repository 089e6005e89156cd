#include "Stop.h"

#include "front/KeepLive.h"
#include "shell/Interrupt.h"

#include <atomic>
#include <csignal>

namespace cli {

namespace {
std::atomic<int> stopSignal{SIGINT};
std::atomic<int> stops{0};

void onStop(int signal) {
    NoteStop(signal);
}
} // namespace

void NoteStop(int signal) {
    // Only atomics: this runs in a signal handler.
    stopSignal.store(signal);
    stops.fetch_add(1);
    front::setQuitExitStatus(128 + signal);
    shell::requestQuit();
}

void HandleStopSignals() {
    struct sigaction action = {};
    action.sa_handler = onStop;
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    front::setQuitExitStatus(StopStatus());
}

int StopSignal() {
    return stopSignal.load();
}

int StopCount() {
    return stops.load();
}

int StopStatus() {
    return 128 + stopSignal.load();
}

QString StopName() {
    switch (stopSignal.load()) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("Ctrl-C");
    }
}

} // namespace cli
