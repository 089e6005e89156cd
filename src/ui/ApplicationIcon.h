#pragma once
#include <QIcon>
#include <QImage>

namespace ui {

// The icon of both windows: drawn, not read from a file, so the program keeps
// no files of its own beside the optional pointer and skin.
QIcon ApplicationIcon();

// The same drawing at one size, for the icon files an installed program
// needs in the desktop's icon theme. Needs no display.
QImage ApplicationIconImage(int size);

} // namespace ui
