#pragma once
// The two windows are built from tables: one row per control with its name,
// kind, container, caption, position and size in twips and tab index, so the
// numbers of every control stand in one place and a test can walk the same
// rows. Twips are 1/1440 inch; at 96 dots per inch 15 of them make a pixel.
#include "shell/TableList.h"

#include <QFont>
#include <QHash>
#include <QRect>
#include <QString>
#include <span>

class QWidget;

namespace ui {

enum class ControlKind { Frame, Label, TextBox, PasswordBox, PushButton, List, ProgressBar };

struct ControlRow {
    const char16_t* name;
    ControlKind kind;
    const char16_t* container; // nullptr: the window itself
    const char16_t* caption;   // empty for text boxes and lists
    int left, top, width, height;
    int tabIndex; // -1: takes no part in the tab order
};

inline constexpr int twipsPerPixel = 15;

// Each edge is converted on its own, so neighbours that share an edge in
// twips share it in pixels too.
constexpr int pixels(int twips) {
    return (twips + twipsPerPixel / 2) / twipsPerPixel;
}
QRect pixelRect(const ControlRow& row);

struct KindFonts {
    QFont frame, label, textBox, pushButton, list, progressBar;
    const QFont& of(ControlKind kind) const;
};

// Creates the controls of the table on the window, in table order (a
// container's row comes before the rows of its controls), named after their
// rows, and chains the keyboard focus through them in tab index order.
QHash<QString, QWidget*> BuildControls(QWidget* window, std::span<const ControlRow> rows,
                                       const KindFonts& fonts);

QFont ArialFont(double points, bool bold);

// The names and selection of a list control.
shell::TableList TableListOf(QWidget* list);

// Both windows: a fixed border, no maximise button, the client area of the table.
void MakeFixedWindow(QWidget* window, int widthTwips, int heightTwips);
// Puts the window in the middle of its screen's free area.
void CentreOnScreen(QWidget* window);

} // namespace ui
