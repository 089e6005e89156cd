#pragma once
// The look the two main windows share: the optional skin beside the program,
// the button-face colours, the application title that captions the message
// boxes, and the file test the load handlers use for the optional files.
// None of these has a trap of its own; a failure goes to the calling handler.
#include <QColor>
#include <QString>

class QWidget;

namespace ui {

inline constexpr char16_t productName[] = u"Duskferry";
inline constexpr int applicationTitleLimit = 40;

// True when the last-modified time of the named file can be read; false for
// any failure, never an exception.
bool FileExists(const QString& path) noexcept;

// The folder of the executable: the optional pointer and skin files live there.
QString ProgramFolder();

// <program folder>/x/o.cjs, a Qt style sheet.
QString SkinFilePath(const QString& programFolder = ProgramFolder());

// The colour of a push button's face in the application palette.
QColor ButtonFaceColour();

// When the skin file is a normal file in the program folder: the button-face
// colours, then the skin, on the connection window. Otherwise nothing at all.
// Throws Failure when the skin file cannot be read or is not a style sheet.
void ApplySkin(QWidget* connectionWindow, const QString& programFolder = ProgramFolder());

// The window's background and those of its option buttons, check boxes,
// frames and labels become the button-face colour; other controls keep theirs.
void ApplyWindowColours(QWidget* window);

// The title rule: cut the name before its last blank, at least once and until
// it is at most 40 characters long. A name without a blank stays whole (cut
// to 40 characters if it is longer).
QString ApplicationTitleFor(const QString& productName);

// Sets the process-wide title from the product name; ApplicationTitle() gives
// it (the application name until it has been set).
void SetApplicationTitle();
QString ApplicationTitle();

} // namespace ui
