#include "Pointer.h"

#include <QCursor>
#include <QVariant>
#include <QWidget>

namespace shell {

namespace {
constexpr char stateProperty[] = "duskferryPointer";
constexpr char imageProperty[] = "duskferryPointerImage";
} // namespace

PointerState windowPointer(const QWidget* window) {
    return static_cast<PointerState>(window->property(stateProperty).toInt());
}

void setWindowPointer(QWidget* window, PointerState state) {
    window->setProperty(stateProperty, static_cast<int>(state));
    switch (state) {
    case PointerState::Default:
        window->unsetCursor();
        break;
    case PointerState::Busy:
        window->setCursor(Qt::WaitCursor);
        break;
    case PointerState::Hand: {
        const QVariant image = window->property(imageProperty);
        window->setCursor(image.isValid() ? image.value<QCursor>()
                                          : QCursor(Qt::PointingHandCursor));
        break;
    }
    }
}

void setCustomPointerImage(QWidget* window, const QCursor& image) {
    window->setProperty(imageProperty, QVariant::fromValue(image));
}

bool hasCustomPointerImage(const QWidget* window) {
    return window->property(imageProperty).isValid();
}

void HoverPointer(QWidget* window, PointerState value) {
    if (windowPointer(window) != PointerState::Busy) {
        setWindowPointer(window, value);
    }
}

} // namespace shell
