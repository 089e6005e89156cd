#include "CommandRun.h"
#include "Comparisons.h"
#include "Jobs.h"
#include "Split.h"
#include "Stop.h"
#include "compare/CompareTable.h"
#include "front/KeepLive.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "shell/Failure.h"
#include "shell/Interrupt.h"
#include "transfer/CopyTable.h"
#include "transfer/ForeignKeys.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <optional>

namespace cli::detail {

int CommandRun::loadBoth(BothSides& sides) {
    if (!loginStored(Side::Oracle) || !loginStored(Side::Db2)) {
        return LoginMissing;
    }
    if (!load(sides.source, sides.sourceNames) || !load(sides.target, sides.targetNames)) {
        return LoginMissing;
    }
    sides.tables = command_.all ? sides.sourceNames : command_.tables;
    // A table named twice would be copied twice, and by two jobs at once
    // with --jobs. A name is the source's table of exactly that text
    // (another spelling is another table there), so exact repeats go.
    sides.tables.removeDuplicates();
    return Done;
}

int CommandRun::runJobs(const BothSides& sides) {
    return RunTableJobs(command_, sides.tables, sides.source, program(), console_);
}

int CommandRun::split(const BothSides& sides) {
    const QString& table = sides.tables.first();
    if (!sides.sourceNames.contains(table)) {
        error(notListed(table, sides.sourceNames, sides.source));
        lines_.append(TableLine{kernel::TableCopy{table}, Outcome::NotOnSource});
        console_.out(command_.json ? JsonSummary(sides.source, sides.target, lines_, TableFailed)
                                   : PlainSummary(lines_));
        return TableFailed;
    }
    const std::optional<QString> onTarget = kernel::TargetSpelling(sides.targetNames, table);
    return RunSplit({command_, table, onTarget.value_or(table), onTarget.has_value(), sides.source,
                     connectionString(sides.source), connectionString(sides.target), program()},
                    console_);
}

QString CommandRun::program() const {
    return seams_.program.isEmpty() ? QCoreApplication::applicationFilePath() : seams_.program;
}

// As the window opens them: the source read ahead on a thread of its own,
// the target taking statements.
bool CommandRun::openForCopy(const BothSides& sides, Connections& connections) {
    try {
        for (db::Connection* connection : {&connections.source, &connections.target}) {
            const bool isSource = connection == &connections.source;
            connection->setCursorLocation(isSource ? db::CursorLocation::Client
                                                   : db::CursorLocation::Server);
            connection->setReadAhead(isSource);
            connection->setCommandTimeout(5000);
            connection->setConnectionTimeout(5000);
            connection->Open(connectionString(isSource ? sides.source : sides.target));
        }
        return true;
    } catch (const shell::Failure& failure) {
        reportTrouble(failure.description());
        return false;
    }
}

bool CommandRun::openForComparison(const BothSides& sides, Connections& connections) {
    try {
        compare::OpenForComparison(connections.source, connectionString(sides.source));
        compare::OpenForComparison(connections.target, connectionString(sides.target));
        return true;
    } catch (const shell::Failure& failure) {
        reportTrouble(failure.description());
        return false;
    }
}

// What becomes of the target's table of that name is the command's to say:
// --sync brings it up to date, --resume adds the missing rows, a part adds
// its rows, --replace replaces it; otherwise it is left alone.
kernel::TableCopy CommandRun::copyTable(const BothSides& sides, Connections& connections,
                                        const QString& table,
                                        const std::optional<QString>& onTarget, QString* copyName) {
    using transfer::OnTarget;
    transfer::TableRequest request{table, onTarget.value_or(table)};
    const bool changes = !command_.options.dryRun;
    if (!onTarget) {
        if (command_.options.part && changes) {
            error(QStringLiteral("%1 is not on the target: its parts are added to the table the "
                                 "first of them made")
                      .arg(kernel::QuotedName(table)));
            return kernel::TableCopy{table};
        }
        request.onTarget = OnTarget::Absent;
    } else if (command_.options.sync) {
        request.onTarget = OnTarget::Sync;
    } else if (command_.options.resume && changes) {
        request.onTarget = OnTarget::Resume;
    } else if (command_.options.part && changes) {
        request.onTarget = OnTarget::Part;
        if (!command_.options.partTarget.isEmpty()) {
            request.target = command_.options.partTarget;
        }
    } else {
        request.onTarget = command_.replace ? OnTarget::Replace : OnTarget::Keep;
    }
    // A table made afresh has the source's spelling.
    const bool addsToIt = request.onTarget == OnTarget::Resume ||
                          request.onTarget == OnTarget::Sync || request.onTarget == OnTarget::Part;
    *copyName = addsToIt ? request.target : table;
    const transfer::Direction& direction = transfer::DirectionTo(sides.target);
    QString lastStatement;
    shell::ErrorTrap trap(reports_, u"Form2", QStringView(direction.handler), lastStatement);
    trap.endRunOnLostConnection([] { return QString(); });
    const transfer::CopyRoute route{connections.source,
                                    connections.target,
                                    sides.target,
                                    [&] { return connectionString(sides.target); },
                                    options_,
                                    activity_,
                                    trap,
                                    lastStatement,
                                    direction.lines};
    return transfer::CopyTable(route, request);
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
    const QStringList& tables = sides.tables;
    // A table left alone is counted on both sides: the summary says
    // whether an interrupted copy left it part-way.
    options_ = command_.options;
    options_.countSkipped = true;
    options_.typeRules = typeRules_;
    QList<TableLine>& lines = lines_;
    // A server that does not answer a stop within the grace: the figures so
    // far are printed before the program ends.
    front::setQuitGrace(stopGrace);
    front::setLastWords([&] { lastWords(sides.source, sides.target, tables); });
    const auto quiet = qScopeGuard([] { front::setLastWords(nullptr); });
    Connections connections;
    bool interrupted = false;
    bool open = false;
    try {
        open = openForCopy(sides, connections);
    } catch (const shell::Cancelled&) {
        interrupted = true;
    }
    bool stopped = false;
    for (const QString& table : tables) {
        if (stopped) {
            lines.append(TableLine{kernel::TableCopy{table}, Outcome::NotStarted});
            continue;
        }
        if (!sides.sourceNames.contains(table)) {
            error(notListed(table, sides.sourceNames, sides.source));
            lines.append(TableLine{kernel::TableCopy{table}, Outcome::NotOnSource});
            continue;
        }
        if (!open) {
            // Without both connections no table can be copied.
            lines.append(TableLine{kernel::TableCopy{table},
                                   interrupted ? Outcome::Interrupted : Outcome::Failed});
            stopped = interrupted;
            continue;
        }
        QString copyName;
        lines.append(
            LineFor(copyTable(sides, connections, table,
                              kernel::TargetSpelling(sides.targetNames, table), &copyName)));
        interrupted = lines.last().outcome == Outcome::Interrupted;
        if (command_.verify && lines.last().outcome == Outcome::Copied) {
            verify(sides, copyName, lines.last(), &interrupted);
        }
        stopped = interrupted || lines.last().outcome == Outcome::Lost;
    }
    if (open && !stopped && command_.options.foreignKeys) {
        makeForeignKeys(sides, connections);
    }
    const int status = interrupted ? StopStatus() : StatusOf(lines);
    console_.out(command_.json             ? JsonSummary(sides.source, sides.target, lines, status)
                 : command_.options.dryRun ? DryRunSummary(lines)
                                           : PlainSummary(lines));
    if (interrupted) {
        error(QStringLiteral("stopped by ") + StopName());
    }
    return status;
}

// Of the tables the run made, toward those the target has now.
void CommandRun::makeForeignKeys(const BothSides& sides, Connections& connections) {
    std::vector<kernel::TableCopy*> made;
    QStringList names = sides.targetNames;
    for (TableLine& line : lines_) {
        const bool created = line.outcome == Outcome::WouldCreate ||
                             line.outcome == Outcome::WouldReplace ||
                             ((line.outcome == Outcome::Copied || line.outcome == Outcome::Short) &&
                              line.copy.rowsAlreadyThere < 0 && line.copy.rowsUnchanged < 0);
        if (created) {
            made.push_back(&line.copy);
            names << line.copy.table;
        }
    }
    QString lastStatement;
    shell::ErrorTrap trap(reports_, u"Form2",
                          QStringView(transfer::DirectionTo(sides.target).handler), lastStatement);
    trap.endRunOnLostConnection([] { return QString(); });
    try {
        transfer::MakeForeignKeys(
            {connections.source, connections.target, trap, lastStatement, command_.options.dryRun,
             [&](const QString& table) { return kernel::TargetSpelling(names, table); }},
            made);
    } catch (const shell::RunEnded&) {
        // Reported once; the tables' own lines stand.
    }
}

compare::TableComparison CommandRun::compareTable(const BothSides& sides, Connections& connections,
                                                  const QString& table) {
    using Compared = compare::TableComparison::Outcome;
    const std::optional<QString> copy = kernel::TargetSpelling(sides.targetNames, table);
    if (!copy) {
        return {.table = table,
                .outcome = Compared::Missing,
                .problem = QStringLiteral("there is no table %1 on the target")
                               .arg(kernel::QuotedName(table))};
    }
    QString lastStatement;
    shell::ErrorTrap trap(reports_, u"Form2", u"CompareTables", lastStatement);
    const compare::CompareRoute route{
        connections.source, connections.target, command_.options.where, activity_, trap,
        lastStatement,      command_.byRows};
    compare::TableComparison result = compare::CompareTable(route, table, *copy);
    log_.write(QStringLiteral("table-compared"), ComparisonJson(result));
    return result;
}

void CommandRun::verify(const BothSides& sides, const QString& copyName, TableLine& line,
                        bool* interrupted) {
    using Compared = compare::TableComparison::Outcome;
    if (!verifying_) {
        verifying_.emplace();
        bool open = false;
        try {
            open = openForComparison(sides, *verifying_);
        } catch (const shell::Cancelled&) {
            *interrupted = true;
        }
        if (!open) {
            verifying_.reset();
            line.verified = compare::TableComparison{.table = line.copy.table};
            line.outcome = *interrupted ? Outcome::Interrupted : Outcome::Differs;
            return;
        }
    }
    // The copy is there now, whatever the lists said before it.
    BothSides copied(sides.target);
    copied.targetNames = {copyName};
    line.verified = compareTable(copied, *verifying_, line.copy.table);
    if (line.verified->outcome == Compared::Interrupted) {
        *interrupted = true;
        line.outcome = Outcome::Interrupted;
    } else if (line.verified->outcome != Compared::Equal) {
        line.outcome = Outcome::Differs;
    }
    if (line.verified->outcome == Compared::Lost) {
        verifying_.reset();
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
    const QStringList& tables = sides.tables;
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
    front::setQuitGrace(stopGrace);
    front::setLastWords([&] {
        printAll(StopStatus());
        error(QStringLiteral("stopped by %1; a server did not answer within %2 s")
                  .arg(StopName())
                  .arg(std::chrono::duration_cast<std::chrono::seconds>(stopGrace).count()));
    });
    const auto quiet = qScopeGuard([] { front::setLastWords(nullptr); });
    Connections connections;
    bool open = false;
    bool interrupted = false;
    try {
        open = openForComparison(sides, connections);
    } catch (const shell::Cancelled&) {
        interrupted = true;
    }
    for (const QString& table : tables) {
        if (!sides.sourceNames.contains(table)) {
            error(notListed(table, sides.sourceNames, sides.source));
            results.append(
                {.table = table,
                 .outcome = compare::TableComparison::Outcome::Missing,
                 .problem =
                     QStringLiteral("not a table on the %1 side").arg(sideTitle(sides.source))});
            continue;
        }
        if (!open) {
            results.append({.table = table,
                            .outcome = interrupted ? compare::TableComparison::Outcome::Interrupted
                                                   : compare::TableComparison::Outcome::Failed});
            if (interrupted) {
                break;
            }
            continue;
        }
        results.append(compareTable(sides, connections, table));
        interrupted = results.last().outcome == compare::TableComparison::Outcome::Interrupted;
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
