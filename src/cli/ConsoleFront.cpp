#include "ConsoleFront.h"

#include "Summary.h"
#include "kernel/Statements.h"
#include "shell/ErrorTrap.h"

#include <QJsonObject>

namespace cli {

QString OneLine(const QString& text) {
    QStringList lines;
    for (const QString& line : shell::WithLineFeeds(text).split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty()) {
            lines << trimmed;
        }
    }
    return lines.join(u' ');
}

void ConsoleReports::failureReport(const shell::Report& report) {
    const QString reason = OneLine(report.description);
    QJsonObject event{{QStringLiteral("reason"), reason}};
    if (!report.table.isEmpty()) {
        event.insert(QStringLiteral("table"), report.table);
    }
    if (report.row > 0) {
        event.insert(QStringLiteral("row"), report.row);
    }
    if (report.hasStatement && !report.statement.isEmpty()) {
        event.insert(QStringLiteral("statement"), report.statement);
    }
    log_.write(report.row > 0 ? QStringLiteral("row-refused") : QStringLiteral("error"), event);
    if (verbose_) {
        console_.err(shell::WithLineFeeds(shell::ErrorReportText(report)) + QStringLiteral("\n\n"));
        return;
    }
    // One line a failure: the window's report (handler, line, the support
    // request, a statement that may hold a whole row's data) has no place in
    // a script's log.
    QString subject;
    if (!report.table.isEmpty()) {
        subject = kernel::QuotedName(report.table) + QStringLiteral(": ");
        if (report.row > 0) {
            subject.chop(2);
            subject += QStringLiteral(": row %1 refused: ").arg(report.row);
        }
    }
    console_.err(QStringLiteral("duskferry-cli: ") + subject + reason + u'\n');
}

QString JobProgressLine(qint64 done, qint64 total) {
    return QStringLiteral("%1 %2 %3\n").arg(jobProgressMark).arg(done).arg(total);
}

void ConsoleActivity::tableStarted(const QString& table, qint64 sourceRows) {
    log_.write(QStringLiteral("table-started"),
               {{QStringLiteral("table"), table}, {QStringLiteral("sourceRows"), sourceRows}});
    table_ = table;
    tableTime_.start();
    lastShownMs_ = -1;
    if (jobProgress_) {
        console_.err(JobProgressLine(0, sourceRows));
    }
}

void ConsoleActivity::showProgress(qint64 done, qint64 total) {
    if (!showProgress_ && !jobProgress_) {
        return;
    }
    const qint64 elapsedMs = tableTime_.elapsed();
    // Ten lines a second are plenty to watch, and cost nothing per row.
    if (lastShownMs_ >= 0 && elapsedMs - lastShownMs_ < 100 && done < total) {
        return;
    }
    lastShownMs_ = elapsedMs;
    if (jobProgress_) {
        console_.err(JobProgressLine(done, total));
        return;
    }
    const double seconds = double(elapsedMs) / 1000.0;
    console_.progress(QStringLiteral("%1: %2 of %3 rows, %4 rows/s, %5 s")
                          .arg(kernel::QuotedName(table_))
                          .arg(done)
                          .arg(total)
                          .arg(seconds > 0 ? qint64(double(done) / seconds) : 0)
                          .arg(seconds, 0, 'f', 1));
}

void ConsoleActivity::tableFinished(const kernel::TableCopy& copy) {
    running_ = nullptr;
    console_.clearProgress();
    for (const QString& warning : copy.warnings) {
        console_.err(QStringLiteral("duskferry-cli: warning: %1\n").arg(warning));
    }
    if (copy.outcome == kernel::TableCopy::Outcome::Skipped) {
        console_.err(QStringLiteral("duskferry-cli: %1 is on the target already; skipped "
                                    "(--replace copies over it)\n")
                         .arg(kernel::QuotedName(copy.table)));
    }
    log_.write(QStringLiteral("table-finished"), TableJson(LineFor(copy)));
    copies_.append(copy);
}

} // namespace cli
