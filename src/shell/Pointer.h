#pragma once
// The pointer of a window as a whole: default, busy or hand. The state is kept
// on the window so that the hover rule can tell a busy window from an idle one.
class QCursor;
class QWidget;

namespace shell {

enum class PointerState : int { Default = 0, Busy = 11, Hand = 99 };

PointerState windowPointer(const QWidget* window);
void setWindowPointer(QWidget* window, PointerState state);

// The image the hand state shows; an empty (default-constructed) cursor means
// the toolkit's pointing hand.
void setCustomPointerImage(QWidget* window, const QCursor& image);
bool hasCustomPointerImage(const QWidget* window);

// The hover rule: a busy window keeps its pointer; otherwise the pointer
// becomes the given state.
void HoverPointer(QWidget* window, PointerState value);

} // namespace shell
