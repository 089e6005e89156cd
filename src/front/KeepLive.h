#pragma once
// How both front ends wait while the layers below them work: a driver call
// that may block runs on a helper thread while the thread that installed
// this goes on serving its event loop, so a window stays live whatever a
// server does; between rows the event loop gets a turn every few
// milliseconds. When a stop is asked for and a server still has not answered
// after the grace (or the stop is asked for a second time), the thread inside
// the driver can be neither stopped nor waited for: the program says its last
// words and ends, with the quit status (0 unless a front end says otherwise:
// nothing is left to save, every edit of the logins is on disk already).
#include <chrono>
#include <functional>

namespace front {

// Installs the waiting, once; the calling thread is the one whose event loop
// is served. Other threads (a parallel job's) have no loop to serve and make
// their driver calls themselves.
void KeepLive();

inline constexpr std::chrono::milliseconds defaultQuitGrace{500};
void setQuitGrace(std::chrono::milliseconds grace);
void setQuitExitStatus(int status);
// What the front end says before the program ends that way: how far it got.
// Runs on the thread that waited.
void setLastWords(std::function<void()> lastWords);

// Shortest time between two event-loop passes between rows.
inline constexpr std::chrono::milliseconds passInterval{10};

} // namespace front
