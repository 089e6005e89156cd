#include "ProgramWindow.h"

#include "Controls.h"
#include "Program.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace ui {

void ProgramWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    EndProgram();
}

void ProgramWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
}

} // namespace ui
