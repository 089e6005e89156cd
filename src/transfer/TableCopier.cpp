#include "CopyRun.h"
#include "FittedTypes.h"
#include "db/Structure.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "kernel/TableOrder.h"

#include <QScopeGuard>

namespace transfer {

namespace detail {

TableCopier::TableCopier(const CopyRoute& route, const TableRequest& request)
    : route_(route), request_(request), trap_(route.trap), lastStatement_(route.lastStatement),
      lines_(route.steps), table_(request.source) {
    table_.reportsBefore = trap_.reportCount();
    trap_.endRunOnLostConnection([this] { return progress(); });
    trap_.describeSubject([this](shell::Report& report) {
        report.table = table_.figures.table;
        report.row = table_.subjectRow;
    });
    route_.activity.tableRunning([this] { return figuresSoFar(); });
}

TableCopier::~TableCopier() {
    // Between tables a lost connection still ends the run, with nothing to
    // add about a table.
    trap_.endRunOnLostConnection([] { return QString(); });
    trap_.describeSubject(nullptr);
    route_.activity.tableRunning(nullptr);
}

TableCopy TableCopier::run() {
    try {
        copyTable();
    } catch (const shell::RunEnded&) {
        finishTable(TableCopy::Outcome::Lost);
    } catch (const shell::Cancelled&) {
        finishTable(TableCopy::Outcome::Interrupted);
    }
    return table_.figures;
}

QString TableCopier::progress() const {
    return QStringLiteral("Table %1 was being copied; %2 of its rows had arrived.")
        .arg(QuotedName(table_.figures.table))
        .arg(rowsArrived());
}

TableCopy TableCopier::figuresSoFar() const {
    TableCopy copy = table_.figures;
    copy.outcome = TableCopy::Outcome::Interrupted;
    copy.rowsInserted = rowsArrived();
    copy.rowsInDoubt += table_.sink != nullptr ? table_.sink->inDoubt() : 0;
    copy.seconds = double(table_.time.nsecsElapsed()) / 1e9;
    return copy;
}

qint64 TableCopier::rowsArrived() const {
    return table_.sink != nullptr ? table_.sink->arrived() : table_.figures.rowsInserted;
}

void TableCopier::resetProgressBar() {
    trap_.step(lines_.progressReset, [&] { route_.activity.resetProgress(); });
}

void TableCopier::finishTable(TableCopy::Outcome outcome) {
    table_.figures.outcome = outcome;
    table_.figures.seconds = double(table_.time.nsecsElapsed()) / 1e9;
    route_.activity.tableFinished(table_.figures);
}

void TableCopier::copyTable() {
    TableCopy& figures = table_.figures;
    const QString& sourceName = request_.source;
    const OnTarget onTarget = request_.onTarget;
    if (onTarget == OnTarget::Resume) {
        resumeTable(sourceName, request_.target);
        return;
    }
    if (onTarget == OnTarget::Sync) {
        syncTable(sourceName, request_.target);
        return;
    }
    if (onTarget == OnTarget::Keep) {
        if (options().countSkipped) {
            countSkipped(sourceName, request_.target);
        }
        finishTable(TableCopy::Outcome::Skipped);
        return;
    }
    const bool part = onTarget == OnTarget::Part;
    const bool replace = onTarget == OnTarget::Replace;

    // The source is opened before the target table is dropped: a source that
    // cannot be read (gone meanwhile, no privilege, a failing view) must not
    // leave the user with neither table.
    // The source's own count drives the progress bar from the first row: the
    // rows are read only a bounded way ahead of the inserts, so the row set
    // learns its count near the end.
    db::RowSet rows;
    qint64 sourceRows = -1;
    const QString& where = options().where;
    if (!trap_.step(openRowSet, [&] {
            // A condition of the user's own is shown with its statement
            // when the server refuses it.
            if (!where.isEmpty()) {
                lastStatement_ = CountWhereStatement(sourceName, where);
            }
            // The catalogue is read before the rows, which hold the
            // connection until they are all read.
            if (options().exactTypes) {
                table_.unboundedNumbers = UnboundedNumberColumns(source(), sourceName);
                if (options().fitTypes) {
                    table_.fitted = FitColumnTypes(source(), route_.to, sourceName,
                                                   table_.unboundedNumbers, where);
                }
            }
            if (options().structure && !part) {
                readStructure(sourceName);
            }
            sourceRows = CountRows(source(), sourceName, where);
            if (!where.isEmpty()) {
                lastStatement_ = SelectWhereStatement(sourceName, where);
            }
            rows.Open(SelectWhereStatement(sourceName, where), source());
        })) {
        finishTable(TableCopy::Outcome::Failed);
        return;
    }
    route_.activity.tableStarted(sourceName, sourceRows);
    if (replace && dryRun()) {
        figures.replaces = true;
        trap_.step(lines_.rowCount,
                   [&] { figures.targetRows = CountRows(target(), request_.target); });
    } else if (replace) {
        const bool dropped = trap_.step(
            dropOnYes, [&] { ExecuteStatement(target(), DropTableStatement(request_.target)); });
        // Only a table that is gone leaves the list.
        if (dropped && route_.listing != nullptr) {
            route_.listing->dropped(request_.target);
        }
    }
    const QString targetName = part ? request_.target : sourceName;
    if (!(part ? describeTargetTable(rows, targetName) && nameTargetColumns(rows, targetName)
               : createTargetTable(rows, targetName))) {
        finishTable(TableCopy::Outcome::Failed);
        return;
    }
    if (dryRun()) {
        figures.createStatement = lastStatement_;
        copyRows(rows, sourceName, sourceName, sourceRows);
        makeStructure(sourceName);
        finishTable(TableCopy::Outcome::Checked);
        return;
    }
    if (!part && route_.listing != nullptr) {
        route_.listing->created(sourceName);
    }
    copyRows(rows, sourceName, targetName, sourceRows);
    resetProgressBar();
    trap_.step(lines_.closeRowSet, [&] { rows.Close(); });
    if (!part && route_.listing != nullptr) {
        route_.listing->copied(sourceName);
    }
    // The rows decide the outcome; the structure's reports say what it
    // lacks.
    const TableCopy::Outcome outcome = outcomeAtEnd();
    if (outcome == TableCopy::Outcome::Copied || outcome == TableCopy::Outcome::Short) {
        makeStructure(targetName);
    }
    finishTable(outcome);
}

void TableCopier::readStructure(const QString& sourceName) {
    try {
        table_.structure = ReadStructure(source(), sourceName);
    } catch (const db::Error& failure) {
        table_.structureProblem = failure.description();
    }
}

// Each object that cannot be made is one report, and the rest are made.
void TableCopier::makeStructure(const QString& tableName) {
    if (!options().structure) {
        return;
    }
    TableCopy& figures = table_.figures;
    if (!table_.structure) {
        const QString why =
            QStringLiteral("the source's catalogue could not be read: ") + table_.structureProblem;
        figures.structureMissed.push_back({QStringLiteral("structure"), why});
        if (!dryRun()) {
            trap_.report(why);
        }
        return;
    }
    std::vector<StructureStatement> statements =
        StructureStatements(*table_.structure, tableName, table_.dialect, table_.definitions);
    identityStatements(tableName, statements);
    for (const StructureStatement& statement : statements) {
        if (statement.sql.isEmpty()) {
            figures.structureMissed.push_back({statement.object, statement.why});
            if (!dryRun()) {
                trap_.report(
                    QStringLiteral("The %1 is not made: %2.").arg(statement.object, statement.why));
            }
            continue;
        }
        if (dryRun()) {
            figures.structureStatements << statement.sql;
            continue;
        }
        lastStatement_ = statement.sql;
        QString why;
        if (trap_.step(structureExecute,
                       [&] { ExecuteMaking(target(), statement.sql, statement.object, &why); })) {
            figures.structureMade << statement.object;
        } else {
            figures.structureMissed.push_back({statement.object, why});
        }
    }
}

// Right after the key (MariaDB's AUTO_INCREMENT needs it, and restates the
// column, which a comment made after it keeps): each identity column's, and
// the next value past the highest one copied.
void TableCopier::identityStatements(const QString& tableName,
                                     std::vector<StructureStatement>& all) {
    std::vector<StructureStatement> statements;
    const auto afterKey = qScopeGuard([&] {
        const std::ptrdiff_t at = table_.structure->primaryKey.isEmpty() || all.empty() ? 0 : 1;
        all.insert(all.begin() + at, statements.begin(), statements.end());
    });
    const db::StructureForms& forms = db::StructureFormsOf(table_.dialect);
    const QString onTable = QuotedName(tableName);
    for (const QString& name : table_.identitiesRefused) {
        statements.push_back({QStringLiteral("identity %1").arg(QuotedName(name)),
                              {},
                              QStringLiteral("it needs a whole-number column, which exact types "
                                             "give it")});
    }
    for (const QString& name : table_.identitiesAfter) {
        const QString sql = FilledForm(forms.identityAfter,
                                       {onTable, QuotedName(name), table_.definitions.value(name)});
        statements.push_back({QStringLiteral("identity %1").arg(QuotedName(name)), sql, {}});
    }
    for (const QString& name : table_.identitiesCreated + table_.identitiesAfter) {
        QString next = QStringLiteral("(the highest value + 1)");
        if (!dryRun()) {
            trap_.step(structureExecute, [&] {
                db::RowSet highest;
                highest.Open(
                    QStringLiteral("SELECT MAX(%1) FROM %2").arg(QuotedName(name), onTable),
                    target());
                const db::Value value = highest.Fields().item(0).Value();
                next = value.isNull() ? QStringLiteral("1")
                                      : QString::number(value.text().toLongLong() + 1);
            });
        }
        const QString sql = FilledForm(forms.restartIdentity, {onTable, QuotedName(name), next});
        statements.push_back(
            {QStringLiteral("identity %1's next value").arg(QuotedName(name)), sql, {}});
    }
}

void TableCopier::makeIdentity(int field, const QString& name, QString& typeText) {
    TableState& table = table_;
    if (!options().structure || !table.structure || !table.structure->identities.contains(name)) {
        return;
    }
    using Kind = ColumnType::Kind;
    const bool ruled = std::size_t(field) < table.ruled.size() && table.ruled[std::size_t(field)];
    const ColumnType* type =
        options().exactTypes && !ruled && std::size_t(field) < table.exactTypes.size()
            ? &table.exactTypes[std::size_t(field)]
            : nullptr;
    const bool whole =
        type != nullptr &&
        (type->kind == Kind::SmallInt || type->kind == Kind::Integer ||
         type->kind == Kind::BigInt || (type->kind == Kind::Decimal && type->scale == 0));
    if (!whole) {
        table.identitiesRefused << name;
        return;
    }
    const db::StructureForms& forms = db::StructureFormsOf(table.dialect);
    if (forms.identityClause.isEmpty()) {
        table.identitiesAfter << name;
        return;
    }
    // The clause goes after the type, before NOT NULL (Oracle's order).
    const qsizetype at = typeText.indexOf(QStringLiteral(" NOT NULL"));
    typeText.insert(at >= 0 ? at : typeText.size() - 1, forms.identityClause.toString());
    table.identitiesCreated << name;
}

// A table another run made, or one made before, may hold the columns in
// another order: each INSERT names them.
bool TableCopier::nameTargetColumns(db::RowSet& rows, const QString& targetName) {
    return trap_.step(openRowSet, [&] {
        QStringList names;
        for (int f = 0; f < rows.Fields().count(); ++f) {
            names << rows.Fields().item(f).Name();
        }
        QString problem;
        const std::optional<QStringList> columns =
            TargetColumnNames(target(), targetName, names, &problem);
        if (!columns) {
            throw shell::Failure(QStringLiteral("Table %1 on the target has other columns than "
                                                "the source (%2): no rows are added to it.")
                                     .arg(QuotedName(targetName), problem));
        }
        table_.insertColumns = *columns;
    });
}

// A table left alone may be one an interrupted copy left part-way: the rows
// of both sides tell. A side that cannot be counted stays unknown (-1).
void TableCopier::countSkipped(const QString& sourceName, const QString& targetName) {
    TableCopy& figures = table_.figures;
    trap_.step(lines_.rowCount,
               [&] { figures.sourceRows = CountRows(source(), sourceName, options().where); });
    trap_.step(lines_.rowCount, [&] { figures.targetRows = CountRows(target(), targetName); });
}

} // namespace detail

kernel::TableCopy CopyTable(const CopyRoute& route, const TableRequest& request) {
    return detail::TableCopier(route, request).run();
}

} // namespace transfer
