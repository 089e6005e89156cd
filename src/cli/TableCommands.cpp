#include "CommandRun.h"
#include "Comparisons.h"
#include "Jobs.h"
#include "Split.h"
#include "Stop.h"
#include "compare/CompareRun.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "shell/Failure.h"
#include "shell/Yield.h"
#include "transfer/TransferRun.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <optional>

namespace cli::detail {

int CommandRun::loadBoth(BothSides& sides) {
    if (!loginStored(Side::Oracle) || !loginStored(Side::Db2)) {
        return LoginMissing;
    }
    if (!load(Side::Oracle, sides.oracle) || !load(Side::Db2, sides.db2)) {
        return LoginMissing;
    }
    sides.tables = command_.all ? sides.sourceList().list.names() : command_.tables;
    // A table named twice would be copied twice, and by two jobs at once
    // with --jobs. A name is the source list's item of exactly that text
    // (another spelling is another table there), so exact repeats go.
    sides.tables.removeDuplicates();
    return Done;
}

int CommandRun::runJobs(const BothSides& sides) {
    return RunTableJobs(command_, sides.tables, sides.source, program(), console_);
}

int CommandRun::split(const BothSides& sides) {
    const QString& table = sides.tables.first();
    if (!sides.sourceList().selectOnly(table)) {
        error(notListed(table, sides.sourceList(), sides.source));
        lines_.append(TableLine{kernel::TableCopy{table}, Outcome::NotOnSource});
        console_.out(command_.json ? JsonSummary(sides.source, sides.target, lines_, TableFailed)
                                   : PlainSummary(lines_));
        return TableFailed;
    }
    // The target's spelling: the same first, else one that differs in case.
    const QStringList targetNames =
        (sides.target == Side::Oracle ? sides.oracle : sides.db2).list.names();
    QString targetTable = table;
    if (!targetNames.contains(table)) {
        for (const QString& name : targetNames) {
            if (kernel::SameTableName(name, table)) {
                targetTable = name;
                break;
            }
        }
    }
    const QString oracle = db::OracleConnectionString(oracleLogin());
    const QString db2 = db::Db2ConnectionString(db2Login());
    const bool fromOracle = sides.source == Side::Oracle;
    const bool onTarget = targetNames.contains(targetTable);
    return RunSplit({command_, table, targetTable, onTarget, sides.source,
                     fromOracle ? oracle : db2, fromOracle ? db2 : oracle, program()},
                    console_);
}

QString CommandRun::program() const {
    return seams_.program.isEmpty() ? QCoreApplication::applicationFilePath() : seams_.program;
}

int CommandRun::copy() {
    BothSides sides(command_.side);
    if (const int status = loadBoth(sides); status != Done) {
        return status;
    }
    if (command_.split > 1) {
        return split(sides);
    }
    if (command_.jobs > 1 && sides.tables.size() > 1) {
        return runJobs(sides);
    }
    const SideList& sourceList = sides.sourceList();
    const QStringList& tables = sides.tables;
    dialogs_.setOverwriteAnswer(command_.replace);
    kernel::Workspace ws = workspace(sides.oracle, sides.db2);
    ws.options.bulk = command_.bulk;
    ws.options.batchSize = command_.batchSize;
    ws.options.exactTypes = command_.exactTypes;
    ws.options.countSkipped = true;
    ws.options.maxRefused = command_.maxRefused;
    ws.options.dryRun = command_.dryRun;
    ws.options.where = command_.where;
    ws.options.resume = command_.resume;
    ws.options.part = command_.part;
    ws.options.partTarget = command_.partTarget;
    QList<TableLine>& lines = lines_;
    // A server that does not answer a stop within the grace: the figures so
    // far are printed before the program ends.
    shell::setQuitGrace(stopGrace);
    shell::setLastWords([&] { lastWords(sides.source, sides.target, tables); });
    const auto quiet = qScopeGuard([] { shell::setLastWords(nullptr); });
    bool stopped = false;
    bool interrupted = false;
    for (const QString& table : tables) {
        if (stopped) {
            lines.append(TableLine{kernel::TableCopy{table}, Outcome::NotStarted});
            continue;
        }
        if (!sourceList.selectOnly(table)) {
            error(notListed(table, sourceList, sides.source));
            lines.append(TableLine{kernel::TableCopy{table}, Outcome::NotOnSource});
            continue;
        }
        // One run per table keeps the order given; the run reports each
        // table it finishes.
        const qsizetype before = activity_.copies().size();
        try {
            if (sides.source == Side::Oracle) {
                transfer::CopyOracleToDb2(ws);
            } else {
                transfer::CopyDb2ToOracle(ws);
            }
        } catch (const shell::Cancelled&) {
            interrupted = true;
            stopped = true;
        }
        if (activity_.copies().size() > before) {
            lines.append(LineFor(activity_.copies().last()));
        } else {
            // The run ended before the table (its connections did not open).
            lines.append(TableLine{kernel::TableCopy{table},
                                   interrupted ? Outcome::Interrupted : Outcome::Failed});
        }
        if (command_.verify && lines.last().outcome == Outcome::Copied) {
            verify(ws, lines.last(), &interrupted);
            stopped = interrupted;
        }
        if (lines.last().outcome == Outcome::Lost) {
            stopped = true;
        }
    }
    const int status = interrupted ? StopStatus() : StatusOf(lines);
    console_.out(command_.json     ? JsonSummary(sides.source, sides.target, lines, status)
                 : command_.dryRun ? DryRunSummary(lines)
                                   : PlainSummary(lines));
    if (interrupted) {
        error(QStringLiteral("stopped by ") + StopName());
    }
    return status;
}

void CommandRun::verify(const kernel::Workspace& ws, TableLine& line, bool* interrupted) {
    using Compared = compare::TableComparison::Outcome;
    try {
        compare::CompareTables(ws, command_.side, [&](const compare::TableComparison& c) {
            line.verified = c;
            log_.write(QStringLiteral("table-compared"), ComparisonJson(c));
        });
    } catch (const shell::Cancelled&) {
        *interrupted = true;
    }
    if (!line.verified) {
        line.verified = compare::TableComparison{.table = line.copy.table};
    }
    if (line.verified->outcome == Compared::Interrupted) {
        line.outcome = Outcome::Interrupted;
    } else if (line.verified->outcome != Compared::Equal) {
        line.outcome = Outcome::Differs;
    }
}

int CommandRun::compareTables() {
    BothSides sides(command_.side);
    if (const int status = loadBoth(sides); status != Done) {
        return status;
    }
    if (command_.jobs > 1 && sides.tables.size() > 1) {
        return runJobs(sides);
    }
    const SideList& sourceList = sides.sourceList();
    const QStringList& tables = sides.tables;
    kernel::Workspace ws = workspace(sides.oracle, sides.db2);
    ws.options.where = command_.where;
    QList<compare::TableComparison> results;
    const auto printAll = [&](int status) {
        QList<compare::TableComparison> all = results;
        while (all.size() < tables.size()) {
            all.append({.table = tables[all.size()],
                        .outcome = compare::TableComparison::Outcome::Interrupted,
                        .problem = QStringLiteral("not compared")});
        }
        if (command_.json) {
            console_.out(ComparisonsJson(sides.source, sides.target, all, status));
            return;
        }
        for (const compare::TableComparison& c : all) {
            console_.out(compare::ComparisonText(c));
        }
    };
    shell::setQuitGrace(stopGrace);
    shell::setLastWords([&] {
        printAll(StopStatus());
        error(QStringLiteral("stopped by %1; a server did not answer within %2 s")
                  .arg(StopName())
                  .arg(std::chrono::duration_cast<std::chrono::seconds>(stopGrace).count()));
    });
    const auto quiet = qScopeGuard([] { shell::setLastWords(nullptr); });
    bool interrupted = false;
    for (const QString& table : tables) {
        if (!sourceList.selectOnly(table)) {
            error(notListed(table, sourceList, sides.source));
            results.append(
                {.table = table,
                 .outcome = compare::TableComparison::Outcome::Missing,
                 .problem =
                     QStringLiteral("not a table on the %1 side").arg(sideTitle(sides.source))});
            continue;
        }
        const qsizetype before = results.size();
        try {
            compare::CompareTables(ws, sides.target, [&](const compare::TableComparison& c) {
                results.append(c);
                log_.write(QStringLiteral("table-compared"), ComparisonJson(c));
            });
        } catch (const shell::Cancelled&) {
            interrupted = true;
        }
        if (results.size() == before) {
            // The run ended before the table (its connections did not open).
            results.append({.table = table,
                            .outcome = interrupted ? compare::TableComparison::Outcome::Interrupted
                                                   : compare::TableComparison::Outcome::Failed});
        }
        if (interrupted || results.last().outcome == compare::TableComparison::Outcome::Lost) {
            break;
        }
    }
    const int status = interrupted ? StopStatus() : ComparisonStatus(results);
    printAll(status);
    if (interrupted) {
        error(QStringLiteral("stopped by ") + StopName());
    }
    return status;
}

void CommandRun::lastWords(Side source, Side target, const QStringList& tables) {
    QList<TableLine> lines = lines_;
    if (const std::optional<kernel::TableCopy> running = activity_.runningTable()) {
        lines.append(LineFor(*running));
    }
    while (lines.size() < tables.size()) {
        lines.append(TableLine{kernel::TableCopy{tables[lines.size()]}, Outcome::NotStarted});
    }
    console_.out(command_.json ? JsonSummary(source, target, lines, StopStatus())
                               : PlainSummary(lines));
    error(QStringLiteral("stopped by %1; a server did not answer within %2 s")
              .arg(StopName())
              .arg(std::chrono::duration_cast<std::chrono::seconds>(stopGrace).count()));
}

} // namespace cli::detail
