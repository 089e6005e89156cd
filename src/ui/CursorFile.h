#pragma once
// The hand pointer image: a Windows cursor file (.cur) beside the program.
#include "Look.h"

#include <QCursor>
#include <QString>

class QWidget;

namespace ui {

inline constexpr char16_t cursorFileName[] = u"HAND-M.CUR";

// <program folder>/HAND-M.CUR
QString CursorFilePath(const QString& programFolder = ProgramFolder());

// The cursor image with the hot spot the file gives (an icon file, which the
// platform also accepts as a cursor, gets its hot spot in the middle).
// Throws Failure when the file cannot be read as a cursor.
QCursor LoadCursorFile(const QString& path);

// Loads the file and makes it the window's custom pointer image; when loading
// fails the window keeps the image it had (none at load time) and the failure
// goes to the caller.
void LoadCustomPointerImage(QWidget* window, const QString& path);

} // namespace ui
