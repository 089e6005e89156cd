#pragma once
// What an operation tells its front end, taken to the front end's thread:
// a window's front end (its boxes, its progress bar, its lists) lives on
// the thread of its event loop, and the window's handlers run each table's
// operation off that thread (shell::RunOperation), so that the window is
// served whatever a server does. Every call is waited for, except the
// progress, of which only the newest matters.
#include "Workspace.h"
#include "shell/Dialogs.h"

#include <QElapsedTimer>
#include <atomic>
#include <memory>

namespace kernel {

class FrontThreadReports final : public shell::Reports {
public:
    explicit FrontThreadReports(shell::Reports& inner) : inner_(inner) {}
    void failureReport(const shell::Report& report) override;

private:
    shell::Reports& inner_;
};

class FrontThreadActivity final : public Activity {
public:
    explicit FrontThreadActivity(Activity& inner);
    ~FrontThreadActivity() override;
    FrontThreadActivity(const FrontThreadActivity&) = delete;
    FrontThreadActivity& operator=(const FrontThreadActivity&) = delete;

    void beginOperation() override;
    void endOperation() override;
    void setPointer(shell::PointerState state) override;
    void tableStarted(const QString& table, qint64 sourceRows) override;
    void showProgress(qint64 done, qint64 total) override;
    void resetProgress() override;
    void tableFinished(const TableCopy& copy) override;
    void tableRunning(std::function<TableCopy()> figures) override;

private:
    // Shared with the progress calls still on their way: the one that
    // arrives after this is gone finds no front end.
    struct Progress {
        Activity* inner;
        std::atomic<qint64> done{0};
        std::atomic<qint64> total{0};
        std::atomic<bool> posted{false};
        // Since the last call was posted; the operation's thread alone.
        QElapsedTimer shown;
    };
    static constexpr qint64 showInterval = 15; // ms
    Activity& inner_;
    std::shared_ptr<Progress> progress_;
};

} // namespace kernel
