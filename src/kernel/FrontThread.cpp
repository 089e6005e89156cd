#include "FrontThread.h"

#include "shell/Interrupt.h"

namespace kernel {

void FrontThreadReports::failureReport(const shell::Report& report) {
    shell::OnFrontThread([&] { inner_.failureReport(report); });
}

FrontThreadActivity::FrontThreadActivity(Activity& inner)
    : inner_(inner), progress_(std::make_shared<Progress>()) {
    progress_->inner = &inner;
}

FrontThreadActivity::~FrontThreadActivity() {
    // On the front end's thread, as the posted calls run: none of them
    // reaches the front end after this.
    shell::OnFrontThread([&] { progress_->inner = nullptr; });
}

void FrontThreadActivity::beginOperation() {
    shell::OnFrontThread([&] { inner_.beginOperation(); });
}

void FrontThreadActivity::endOperation() {
    shell::OnFrontThread([&] { inner_.endOperation(); });
}

void FrontThreadActivity::setPointer(shell::PointerState state) {
    shell::OnFrontThread([&] { inner_.setPointer(state); });
}

void FrontThreadActivity::tableStarted(const QString& table, qint64 sourceRows) {
    shell::OnFrontThread([&] { inner_.tableStarted(table, sourceRows); });
}

// Once per row: the newest figures, one call on its way at most, and no
// more than a bar can show (each call wakes the front end's thread, which
// shares the processors with the copy).
void FrontThreadActivity::showProgress(qint64 done, qint64 total) {
    progress_->done.store(done, std::memory_order_relaxed);
    progress_->total.store(total, std::memory_order_relaxed);
    if (progress_->shown.isValid() && progress_->shown.elapsed() < showInterval) {
        return;
    }
    if (progress_->posted.exchange(true)) {
        return;
    }
    progress_->shown.start();
    shell::PostToFrontThread([progress = progress_] {
        progress->posted.store(false);
        if (progress->inner != nullptr) {
            progress->inner->showProgress(progress->done.load(std::memory_order_relaxed),
                                          progress->total.load(std::memory_order_relaxed));
        }
    });
}

void FrontThreadActivity::resetProgress() {
    shell::OnFrontThread([&] { inner_.resetProgress(); });
}

void FrontThreadActivity::tableFinished(const TableCopy& copy) {
    shell::OnFrontThread([&] { inner_.tableFinished(copy); });
}

void FrontThreadActivity::tableRunning(std::function<TableCopy()> figures) {
    shell::OnFrontThread([&] { inner_.tableRunning(std::move(figures)); });
}

} // namespace kernel
