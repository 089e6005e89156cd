#include "Controls.h"

#include <QFocusEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <limits>
#include <vector>

namespace ui {

namespace {

// Moving into a box (Tab, Shift+Tab, a shortcut, the window's first focus)
// selects its value, so typing replaces it. A click puts the caret where the
// user clicked; a closing context menu or a return from another window leaves
// the selection as it was (Paste must not replace a whole value the user never
// chose to select).
class SelectAllBox final : public QLineEdit {
public:
    explicit SelectAllBox(QWidget* parent) : QLineEdit(parent) {
        // The toolkit would cut a value at 32767 characters, and the cut value
        // would go back to the store on the next start: the boxes take any length.
        setMaxLength(std::numeric_limits<int>::max());
    }

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        const Qt::FocusReason reason = event->reason();
        const bool movedInto = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                               reason == Qt::ShortcutFocusReason ||
                               reason == Qt::OtherFocusReason ||
                               (reason == Qt::ActiveWindowFocusReason && !focusedBefore_);
        focusedBefore_ = true;
        if (movedInto) {
            selectAll();
        }
    }

private:
    bool focusedBefore_ = false;
};

bool takesFocus(ControlKind kind) {
    return kind == ControlKind::TextBox || kind == ControlKind::PasswordBox ||
           kind == ControlKind::PushButton || kind == ControlKind::List;
}

QWidget* create(const ControlRow& row, QWidget* container) {
    const QString caption = QString::fromUtf16(row.caption);
    switch (row.kind) {
    case ControlKind::Frame:
        return new QGroupBox(caption, container);
    case ControlKind::Label:
        return new QLabel(caption, container);
    case ControlKind::TextBox:
        return new SelectAllBox(container);
    case ControlKind::PasswordBox: {
        auto* box = new SelectAllBox(container);
        box->setEchoMode(QLineEdit::Password);
        // The platform's bullet would do, but the login boxes promise a "*"
        // per character, and a style sheet property is the one way to choose
        // the mask that survives a skin on the window.
        box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
        return box;
    }
    case ControlKind::PushButton: {
        auto* button = new QPushButton(caption, container);
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::List: {
        // The model keeps the names in order: a list is sorted whoever adds to it.
        auto* list = new QListView(container);
        list->setModel(new shell::TableListModel(list));
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        return list;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(container);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setFormat(caption);
        bar->setTextVisible(true);
        bar->setAlignment(Qt::AlignCenter);
        return bar;
    }
    }
    return nullptr;
}

} // namespace

shell::TableList TableListOf(QWidget* list) {
    return shell::TableList(static_cast<QListView*>(list)->selectionModel());
}

QRect pixelRect(const ControlRow& row) {
    const int left = pixels(row.left);
    const int top = pixels(row.top);
    return QRect(left, top, pixels(row.left + row.width) - left,
                 pixels(row.top + row.height) - top);
}

const QFont& KindFonts::of(ControlKind kind) const {
    switch (kind) {
    case ControlKind::Frame:
        return frame;
    case ControlKind::Label:
        return label;
    case ControlKind::TextBox:
    case ControlKind::PasswordBox:
        return textBox;
    case ControlKind::PushButton:
        return pushButton;
    case ControlKind::List:
        return list;
    case ControlKind::ProgressBar:
        return progressBar;
    }
    return frame;
}

QFont ArialFont(double points, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    // Where Arial itself is missing, a metric-compatible sans face keeps the
    // captions within the sizes of the tables.
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QHash<QString, QWidget*> BuildControls(QWidget* window, std::span<const ControlRow> rows,
                                       const KindFonts& fonts) {
    QHash<QString, QWidget*> controls;
    for (const ControlRow& row : rows) {
        QWidget* container =
            row.container == nullptr ? window : controls.value(QString::fromUtf16(row.container));
        Q_ASSERT(container != nullptr);
        QWidget* control = create(row, container);
        control->setObjectName(QString::fromUtf16(row.name));
        control->setFont(fonts.of(row.kind));
        control->setGeometry(pixelRect(row));
        controls.insert(control->objectName(), control);
    }

    std::vector<const ControlRow*> focusOrder;
    for (const ControlRow& row : rows) {
        if (row.tabIndex >= 0 && takesFocus(row.kind)) {
            focusOrder.push_back(&row);
        }
    }
    std::stable_sort(
        focusOrder.begin(), focusOrder.end(),
        [](const ControlRow* a, const ControlRow* b) { return a->tabIndex < b->tabIndex; });
    for (std::size_t i = 1; i < focusOrder.size(); ++i) {
        QWidget::setTabOrder(controls.value(QString::fromUtf16(focusOrder[i - 1]->name)),
                             controls.value(QString::fromUtf16(focusOrder[i]->name)));
    }
    return controls;
}

void MakeFixedWindow(QWidget* window, int widthTwips, int heightTwips) {
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    window->setFixedSize(pixels(widthTwips), pixels(heightTwips));
}

void CentreOnScreen(QWidget* window) {
    const QScreen* screen =
        window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace ui
