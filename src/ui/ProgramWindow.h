#pragma once
// What both windows do alike: closing either ends the program at once, and
// each is centred on the screen the first time it is shown.
#include <QWidget>

namespace ui {

class ProgramWindow : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool centred_ = false;
};

} // namespace ui
