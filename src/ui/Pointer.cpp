#include "Pointer.h"

#include <QAbstractScrollArea>
#include <QCursor>
#include <QEnterEvent>
#include <QHash>
#include <QMouseEvent>
#include <QScrollBar>
#include <QVariant>
#include <QWidget>

namespace ui {

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

namespace {

class HoverFilter final : public QObject {
public:
    explicit HoverFilter(QWidget* window) : QObject(window), window_(window) {
        watch(window, PointerState::Default);
    }

    void watch(QWidget* area, PointerState value) {
        targets_.insert(area, value);
        // Without tracking a widget hears of the pointer only while a button is held.
        area->setMouseTracking(true);
        area->installEventFilter(this);
        // A list's items are drawn on its viewport, which is what the pointer is over.
        if (auto* scrollArea = qobject_cast<QAbstractScrollArea*>(area)) {
            for (QWidget* part :
                 {scrollArea->viewport(), static_cast<QWidget*>(scrollArea->verticalScrollBar()),
                  static_cast<QWidget*>(scrollArea->horizontalScrollBar())}) {
                watch(part, value);
            }
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        QPointF position;
        if (event->type() == QEvent::MouseMove) {
            position = static_cast<QMouseEvent*>(event)->position();
        } else if (event->type() == QEvent::Enter) {
            position = static_cast<QEnterEvent*>(event)->position();
        } else {
            return false;
        }
        const auto target = targets_.constFind(watched);
        if (target == targets_.cend()) {
            return false;
        }
        // A frame or the window also hears the movement its buttons and labels
        // pass on; only the pointer over its own area counts.
        if (static_cast<QWidget*>(watched)->childAt(position.toPoint()) != nullptr) {
            return false;
        }
        HoverPointer(window_, *target);
        return false;
    }

private:
    QWidget* window_;
    QHash<const QObject*, PointerState> targets_;
};

} // namespace

void InstallHoverPointer(QWidget* window, const QList<QWidget*>& handSetters,
                         const QList<QWidget*>& defaultSetters) {
    auto* filter = new HoverFilter(window);
    for (QWidget* button : handSetters) {
        filter->watch(button, PointerState::Hand);
    }
    for (QWidget* area : defaultSetters) {
        filter->watch(area, PointerState::Default);
    }
}

} // namespace ui
