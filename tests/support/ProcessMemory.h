#pragma once
#include <QtGlobal>

// Peak resident memory of this process so far (VmHWM), in KiB; -1 when unknown.
qint64 peakResidentKiB();

// Disk space that this process's temporary files of rows and of long values
// take now (their allocated blocks, in bytes). They are unlinked, so they are found through
// /proc/self/fd.
qint64 rowFileBytes();
