#pragma once
#include <QtGlobal>

// Peak resident memory of this process so far (VmHWM), in KiB; -1 when unknown.
qint64 peakResidentKiB();
