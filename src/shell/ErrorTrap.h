#pragma once
// The error trap of the button and load handlers. A handler is a sequence of
// numbered steps; a step that fails shows the error report (description,
// location, line) and the handler goes on with its next step. Handlers read as
// their numbered steps:
//
//     shell::ErrorTrap trap(dialogs, u"Form2", u"PushButton1_Click");
//     trap.step(104, [&] { activity.setPointer(PointerState::Busy); });
//     if (trap.check(110, [&] { return list.isSelected(i); })) { ... }
//
// step() answers whether the step completed, so a handler can leave out the
// steps that cannot work after a failure (for example everything that needs a
// connection that did not open).
#include "Dialogs.h"
#include "Failure.h"

#include <QString>
#include <exception>
#include <functional>
#include <utility>

namespace shell {

// "in Duskferry2021/08/31.<window>.<handler> " — the trailing blank is part of it.
QString ErrorLocation(QStringView window, QStringView handler);

// The report text: description, CR LF, location, "at line ", the number, CR CR,
// the support request, and with a statement: CR CR, "sql: ", the statement.
QString ErrorReportText(const QString& description, const QString& location, int line);
QString ErrorReportText(const QString& description, const QString& location, int line,
                        const QString& lastStatement);
QString ErrorReportText(const Report& report);

inline constexpr char16_t supportAddress[] = u"support@duskferry.example";

class ErrorTrap {
public:
    ErrorTrap(Reports& reports, QStringView window, QStringView handler);
    // For the two copy handlers: every report ends with "sql: " and the
    // statement as it stands when the step fails ("sql: " alone before the
    // first one is built). The text must outlive the trap.
    ErrorTrap(Reports& reports, QStringView window, QStringView handler,
              const QString& lastStatement);
    ErrorTrap(Reports&, QStringView, QStringView, QString&&) = delete;
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // For the operations that work on a connection: a step that fails because
    // a connection is gone is reported once, its description followed by what
    // `progress` tells about how far the operation got (nothing when it
    // answers an empty text), and then RunEnded is thrown so that the
    // operation goes to its closing steps.
    void endRunOnLostConnection(std::function<QString()> progress);
    // For operations that work through tables and rows: fills in the table
    // and row a failing step worked on.
    void describeSubject(std::function<void(Report&)> subject);

    // Runs one numbered step. True when it completed; false when it failed and
    // the report has been shown.
    template <class Step> bool step(int line, Step&& body) {
        line_ = line;
        try {
            std::forward<Step>(body)();
            return true;
        } catch (const Cancelled&) {
            throw;
        } catch (const RunEnded&) {
            throw;
        } catch (...) {
            reportFailure(std::current_exception());
            return false;
        }
    }

    // A numbered condition. A condition that cannot be evaluated is reported
    // and counts as not holding, so the guarded work (a drop, a copy) never
    // runs because a check failed.
    template <class Condition> bool check(int line, Condition&& condition) {
        bool holds = false;
        step(line, [&] { holds = static_cast<bool>(std::forward<Condition>(condition)()); });
        return holds;
    }

    int line() const { return line_; }
    // How many reports this trap has shown: a run tells from it whether a
    // piece of its work went through untouched.
    int reportCount() const { return reports_; }
    const QString& location() const { return location_; }

    // Shows the report for a failure at the current line.
    void report(const QString& description);

private:
    void report(const QString& description, bool lost);
    static QString describe(std::exception_ptr failure);
    // Throws RunEnded for a lost connection when asked to.
    void reportFailure(std::exception_ptr failure);

    Reports& sink_;
    QString location_;
    int line_ = 0;
    int reports_ = 0;
    const QString* lastStatement_ = nullptr;
    std::function<QString()> progress_;
    std::function<void(Report&)> subject_;
};

} // namespace shell
