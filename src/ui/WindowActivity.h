#pragma once
// What a window shows of a table operation: its buttons off, its pointer and
// its progress bar.
#include "DisabledButtons.h"
#include "kernel/Workspace.h"

#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

class QProgressBar;
class QWidget;

namespace ui {

class WindowActivity final : public kernel::Activity {
public:
    WindowActivity(QWidget* window, QProgressBar* progressBar);

    void beginOperation() override;
    void endOperation() override;
    void setPointer(shell::PointerState state) override;
    void tableStarted(const QString&, qint64) override {}
    void showProgress(qint64 done, qint64 total) override;
    void resetProgress() override;
    void tableFinished(const kernel::TableCopy& copy) override { warnings_ << copy.warnings; }

    // The warnings of the tables finished since the last call.
    QStringList takeWarnings() { return std::exchange(warnings_, {}); }

private:
    QStringList warnings_;
    QWidget* window_;
    QProgressBar* progressBar_;
    std::vector<std::unique_ptr<DisabledButtons>> operations_;
};

} // namespace ui
