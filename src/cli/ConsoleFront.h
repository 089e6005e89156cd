#pragma once
// What the operations tell a front end, on a console: a failing step is a
// line on standard error that waits for nobody (its whole report with
// --verbose), and each copied table's figures are kept for the summary. With
// --log every event also goes to the log as a JSON line.
#include "Console.h"
#include "EventLog.h"
#include "kernel/Workspace.h"
#include "shell/Dialogs.h"

#include <QElapsedTimer>
#include <QList>
#include <functional>
#include <optional>

namespace cli {

// A driver's message on one line: its records joined, blanks at the ends of
// lines and empty lines left out.
QString OneLine(const QString& text);

// A job's progress on its standard error: "<mark> <rows done> <rows in all>".
inline constexpr QStringView jobProgressMark = u"duskferry-job-progress";
QString JobProgressLine(qint64 done, qint64 total);

class ConsoleReports final : public shell::Reports {
public:
    ConsoleReports(Console& console, EventLog& log) : console_(console), log_(log) {}

    void setVerbose(bool verbose) { verbose_ = verbose; }

    void failureReport(const shell::Report& report) override;

private:
    Console& console_;
    EventLog& log_;
    bool verbose_ = false;
};

class ConsoleActivity final : public kernel::Activity {
public:
    ConsoleActivity(Console& console, EventLog& log) : console_(console), log_(log) {}

    void beginOperation() override {}
    void endOperation() override {}
    void setPointer(shell::PointerState) override {}
    void tableStarted(const QString& table, qint64 sourceRows) override;
    void showProgress(qint64 done, qint64 total) override;
    void resetProgress() override {}
    void tableFinished(const kernel::TableCopy& copy) override;
    void tableRunning(std::function<kernel::TableCopy()> figures) override {
        running_ = std::move(figures);
    }
    // The figures of the table being copied, if one is.
    std::optional<kernel::TableCopy> runningTable() const {
        return running_ ? std::optional(running_()) : std::nullopt;
    }

    const QList<kernel::TableCopy>& copies() const { return copies_; }
    // --no-progress: no progress line even on a terminal.
    void setShowProgress(bool show) { showProgress_ = show; }
    // A job of a --jobs run: its progress as lines for the program that
    // started it (JobProgressLine), whatever standard error is.
    void setJobProgress(bool job) { jobProgress_ = job; }

private:
    Console& console_;
    EventLog& log_;
    QString table_;
    QElapsedTimer tableTime_;
    qint64 lastShownMs_ = -1;
    bool showProgress_ = true;
    bool jobProgress_ = false;
    QList<kernel::TableCopy> copies_;
    std::function<kernel::TableCopy()> running_;
};

} // namespace cli
