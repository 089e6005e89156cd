#include "ConsoleFront.h"

#include "transfer/Statements.h"

namespace cli {

void ConsoleDialogs::notice(const QString& text) {
    console_.err(shell::WithLineFeeds(text) + u'\n');
}

bool ConsoleDialogs::askYesNo(const QString&, const QString&) {
    // The one question the runs ask is whether to overwrite a table.
    return replace_;
}

QString ConsoleDialogs::inputText(const QString&, const QString&) {
    return newName_;
}

void ConsoleDialogs::errorReport(const QString& text) {
    console_.err(shell::WithLineFeeds(text) + QStringLiteral("\n\n"));
}

void ConsoleActivity::tableStarted(const QString& table, qint64) {
    table_ = table;
    tableTime_.start();
    lastShownMs_ = -1;
}

void ConsoleActivity::showProgress(qint64 done, qint64 total) {
    const qint64 elapsedMs = tableTime_.elapsed();
    // Ten lines a second are plenty to watch, and cost nothing per row.
    if (lastShownMs_ >= 0 && elapsedMs - lastShownMs_ < 100 && done < total) {
        return;
    }
    lastShownMs_ = elapsedMs;
    const double seconds = double(elapsedMs) / 1000.0;
    console_.progress(QStringLiteral("%1: %2 of %3 rows, %4 rows/s, %5 s")
                          .arg(transfer::QuotedName(table_))
                          .arg(done)
                          .arg(total)
                          .arg(seconds > 0 ? qint64(double(done) / seconds) : 0)
                          .arg(seconds, 0, 'f', 1));
}

void ConsoleActivity::tableFinished(const transfer::TableCopy& copy) {
    console_.clearProgress();
    if (copy.outcome == transfer::TableCopy::Outcome::Skipped) {
        console_.err(QStringLiteral("duskferry-cli: %1 is on the target already; skipped "
                                    "(--replace copies over it)\n")
                         .arg(transfer::QuotedName(copy.table)));
    }
    copies_.append(copy);
}

} // namespace cli
