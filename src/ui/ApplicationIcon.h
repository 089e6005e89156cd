#pragma once
#include <QIcon>

namespace ui {

// The icon of both windows: drawn, not read from a file, so the program keeps
// no files of its own beside the optional pointer and skin.
QIcon ApplicationIcon();

} // namespace ui
