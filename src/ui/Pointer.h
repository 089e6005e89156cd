#pragma once
// The pointer of a window as a whole: default, busy or hand. The state is kept
// on the window so that the hover rule can tell a busy window from an idle one.
#include "shell/PointerState.h"

#include <QList>

class QCursor;
class QWidget;

namespace ui {

using shell::PointerState;

PointerState windowPointer(const QWidget* window);
void setWindowPointer(QWidget* window, PointerState state);

// The image the hand state shows; until one is set the hand state shows the
// toolkit's pointing hand.
void setCustomPointerImage(QWidget* window, const QCursor& image);
bool hasCustomPointerImage(const QWidget* window);

// The hover rule: a busy window keeps its pointer; otherwise the pointer
// becomes the given state.
void HoverPointer(QWidget* window, PointerState value);

// Drives the hover rule from pointer movement: moving over one of the hand
// setters (the buttons) asks for the hand, over one of the default setters
// (lists, text boxes, frames) or the window's own background for the default
// pointer. Everything else (labels, the progress bar) leaves the pointer as it
// is, also where it lies inside a frame or on the window.
void InstallHoverPointer(QWidget* window, const QList<QWidget*>& handSetters,
                         const QList<QWidget*>& defaultSetters);

} // namespace ui
