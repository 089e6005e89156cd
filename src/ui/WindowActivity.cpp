#include "WindowActivity.h"

#include "Pointer.h"

#include <QProgressBar>
#include <algorithm>

namespace ui {

WindowActivity::WindowActivity(QWidget* window, QProgressBar* progressBar)
    : window_(window), progressBar_(progressBar) {}

void WindowActivity::beginOperation() {
    operations_.push_back(std::make_unique<DisabledButtons>(window_));
}

void WindowActivity::endOperation() {
    operations_.pop_back();
}

void WindowActivity::setPointer(shell::PointerState state) {
    setWindowPointer(window_, state);
}

void WindowActivity::showProgress(qint64 done, qint64 total) {
    // Rows added since the count must not push the bar past its end.
    progressBar_->setValue(std::min(100, int(double(done) / double(total) * 100.0)));
}

void WindowActivity::resetProgress() {
    progressBar_->setValue(0);
    progressBar_->setFormat(QStringLiteral("Progress Bar"));
}

} // namespace ui
