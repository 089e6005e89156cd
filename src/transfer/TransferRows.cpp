#include "Bindings.h"
#include "BulkSink.h"
#include "CopyRun.h"
#include "Datatype.h"
#include "FittedTypes.h"
#include "StatementSink.h"
#include "ValueChecks.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "shell/Interrupt.h"

#include <QScopeGuard>

namespace transfer::detail {

void TallySink(const RowSink& sink, TableCopy& figures, bool ended) {
    figures.rowsInserted = sink.arrived();
    if (ended) {
        figures.rowsInDoubt += sink.inDoubt();
    }
}

bool TableCopier::createTargetTable(db::RowSet& rows, const QString& tableName) {
    if (!describeTargetTable(rows, tableName)) {
        return false;
    }
    if (dryRun()) {
        return true;
    }
    // The exact lengths are characters, as the drivers report them; a server
    // that counts bytes unless told otherwise is told.
    if (options().exactTypes) {
        const QString create = lastStatement_;
        for (const QString& setUp : target().profile().server().characterLengthSetUp) {
            lastStatement_ = setUp;
            if (!trap_.step(lines_.createExecute,
                            [&] { ExecuteStatement(target(), lastStatement_); })) {
                return false;
            }
        }
        lastStatement_ = create;
    }
    // A table that could not be created may exist under that name with
    // someone else's rows in it: nothing is inserted into it.
    return trap_.step(lines_.createExecute, [&] { ExecuteStatement(target(), lastStatement_); });
}

bool TableCopier::describeTargetTable(db::RowSet& rows, const QString& tableName) {
    trap_.step(createFirstPiece, [&] { BeginCreateTable(lastStatement_, tableName); });
    int fieldCount = 0;
    if (!trap_.step(lines_.createFieldLoop, [&] { fieldCount = rows.Fields().count(); })) {
        return false;
    }
    TableState& table = table_;
    table.dialect = DialectOf(route_.to, target().profile().serverKind);
    bool complete = true;
    for (int f = 0; f < fieldCount; ++f) {
        trap_.step(fieldYield, [] { shell::Pause(); });
        QString name;
        // A column whose name or type cannot be read would get a wrong
        // definition; such a table is not created at all.
        complete = trap_.step(fieldName, [&] { name = rows.Fields().item(f).Name(); }) && complete;
        bool read = false;
        QString type = columnTypeText(rows, f, &read);
        complete = read && complete;
        table.columns.back().name = name;
        if (read) {
            applyTypeRule(rows, f, type);
            makeIdentity(f, name, type);
        }
        AppendColumnDefinition(lastStatement_, name, type);
        QString definition = type.trimmed();
        if (definition.endsWith(u',')) {
            definition.chop(1);
        }
        table.definitions.insert(name, definition);
    }
    EndCreateTable(lastStatement_);
    if (options().typeRules) {
        QStringList names;
        for (const CheckedColumn& column : table.columns) {
            names << column.name;
        }
        table.figures.warnings =
            options().typeRules->unknownColumns(route_.to, request_.source, names);
    }
    return complete;
}

QString TableCopier::columnTypeText(db::RowSet& rows, int field, bool* read) {
    TableState& table = table_;
    if (!options().exactTypes) {
        int adoType = 0;
        *read = trap_.step(fieldType, [&] { adoType = rows.Fields().item(field).Type(); });
        const QString text = ColumnTypeFor(route_.to, adoType);
        table.columns.push_back(
            {{}, text.mid(1).chopped(1), DefaultColumnLimits(route_.to, adoType)});
        return text;
    }
    db::ColumnDescription description;
    QString name;
    *read = trap_.step(fieldType, [&] {
        name = rows.Fields().item(field).Name();
        description =
            AsDeclared(rows.Fields().item(field).Description(), name, table.unboundedNumbers);
    });
    const ColumnType type = DeclaredType(route_.to, description, name, table.fitted);
    table.sourceColumns.push_back(description);
    table.exactTypes.push_back(type);
    table.columns.push_back({{}, ColumnTypeName(type, table.dialect), type});
    return ColumnTypeText(type, table.dialect);
}

// The user's rule for the column, where there is one, declares it as the
// rule says (NOT NULL kept); its values then go unchecked, since only the
// server knows what the user's type holds.
void TableCopier::applyTypeRule(db::RowSet& rows, int field, QString& typeText) {
    if (!options().typeRules || options().typeRules->empty()) {
        return;
    }
    TableState& table = table_;
    CheckedColumn& column = table.columns.back();
    db::ColumnDescription description;
    if (!trap_.step(fieldType, [&] { description = rows.Fields().item(field).Description(); })) {
        return;
    }
    const std::optional<TypeRule> rule =
        options().typeRules->ruleFor(route_.to, request_.source, column.name, description.typeName,
                                     description.size, description.decimalDigits);
    if (!rule) {
        return;
    }
    const bool notNull =
        options().exactTypes && description.nullable == db::ColumnDescription::Nullable::No;
    typeText = u' ' + rule->target + (notNull ? QStringLiteral(" NOT NULL,") : QStringLiteral(","));
    column.typeText = rule->target;
    column.limits.reset();
    if (table.ruled.size() <= std::size_t(field)) {
        table.ruled.resize(std::size_t(field) + 1, false);
    }
    table.ruled[std::size_t(field)] = true;
}

// The field's value, Null for an empty one. With exact types, a value that
// its column would not keep unchanged is not sent: a server rounds a decimal
// or a fraction of a second without a word. (A dry run counts such values
// instead.)
db::Value TableCopier::valueToSend(db::RowSet& rows, int field) {
    return valueToSend(rows.Fields().item(field).Value(), field);
}

db::Value TableCopier::valueToSend(const db::Value& read, int field) {
    db::Value value = ValueOrDefault(read, {});
    const TableState& table = table_;
    if (dryRun() || std::size_t(field) >= table.exactTypes.size() ||
        (std::size_t(field) < table.ruled.size() && table.ruled[std::size_t(field)])) {
        return value;
    }
    const ColumnType& type = table.exactTypes[std::size_t(field)];
    if (const std::optional<QString> why = Misfit(value, type)) {
        throw shell::Failure(
            QStringLiteral("The value of column %1 does not fit the target's %2 (%3); the row "
                           "is not copied.")
                .arg(QuotedName(table.columns[std::size_t(field)].name),
                     ColumnTypeName(type, table.dialect), *why));
    }
    return value;
}

void TableCopier::copyRows(db::RowSet& rows, const QString& sourceName, const QString& tableName,
                           qint64 sourceRows) {
    qint64 rowCount = -1;
    trap_.step(lines_.rowCount, [&] { rowCount = sourceRows; });
    int fieldCount = 0;
    if (!trap_.step(lines_.valueLoop, [&] { fieldCount = rows.Fields().count(); })) {
        return;
    }
    TableState& table = table_;
    const SinkContext context = sinkContext(tableName);
    std::unique_ptr<CheckSink> check;
    std::unique_ptr<RowSink> sink;
    if (dryRun()) {
        check = std::make_unique<CheckSink>(context, table.columns);
    } else {
        sink = openSink(context, rows, fieldCount);
    }
    RowSink& into = check ? *check : *sink;
    table.sink = &into;
    const auto tally = qScopeGuard([&, unwinding = std::uncaught_exceptions()] {
        TallySink(into, table.figures, std::uncaught_exceptions() > unwinding);
        table.sink = nullptr;
    });
    try {
        readRows(rows, into, fieldCount, rowCount);
    } catch (const shell::Cancelled&) {
        into.settleAfterStop();
        throw;
    }
    into.settle();
    if (check) {
        table.figures.losses = check->losses(table.figures.rowsRead);
        table.figures.bound = check->bound(table.figures.rowsRead);
    } else if (!options().part) {
        checkCounts(sourceName, tableName, into.arrived());
    }
}

SinkContext TableCopier::sinkContext(const QString& tableName) {
    TableState& table = table_;
    return {trap_,         lastStatement_,   target(),           route_.to,
            literals(),    tableName,        lines_.insertFirst, lines_.insertExecute,
            table.figures, table.subjectRow, table.insertColumns};
}

// Bulk mode where the server prepares its INSERT, row by row otherwise.
std::unique_ptr<RowSink> TableCopier::openSink(const SinkContext& context, db::RowSet& rows,
                                               int fieldCount) {
    std::vector<db::BulkInsert::Binding> bindings;
    if (options().bulk && bulkBindings(rows, fieldCount, bindings)) {
        if (std::unique_ptr<BulkSink> bulk =
                BulkSink::open(context, std::move(bindings), options().batchSize)) {
            return bulk;
        }
    }
    // The statements go to the server from a helper thread while the next
    // ones are built; each refused one is still reported on its own.
    return std::make_unique<StatementSink>(context, fieldCount);
}

bool TableCopier::bulkBindings(db::RowSet& rows, int fieldCount,
                               std::vector<db::BulkInsert::Binding>& bindings) {
    const TableState& table = table_;
    for (int f = 0; f < fieldCount; ++f) {
        if (std::size_t(f) < table.exactTypes.size()) {
            bindings.push_back(
                BindingFor(table.exactTypes[std::size_t(f)], table.sourceColumns[std::size_t(f)]));
        } else if (!trap_.step(fieldType, [&] {
                       bindings.push_back(BindingFor(route_.to, rows.Fields().item(f).Type()));
                   })) {
            return false;
        }
    }
    return true;
}

// The one row loop: each row read once, value by value, into the sink.
// Every row to the end of the row set, whatever the count said; the count
// only drives the progress bar.
void TableCopier::readRows(db::RowSet& rows, RowSink& sink, int fieldCount, qint64 rowCount,
                           qint64 before) {
    for (qint64 r = before;; ++r) {
        if (!startRow(rows, r, rowCount)) {
            break;
        }
        sendRow(
            sink, r + 1, fieldCount, [&](int f) { return valueToSend(rows, f); }, true);
        if (pastRefusalLimit()) {
            break;
        }
        bool atEnd = true;
        moveNext(
            rows, [&] { sink.settle(); }, &atEnd);
        if (atEnd) {
            break;
        }
    }
}

// A value that cannot be read, or that its column would not keep, leaves its
// row out: whatever stood in its place would be wrong.
bool TableCopier::sendRow(RowSink& sink, qint64 row, int fieldCount,
                          const std::function<db::Value(int)>& value, bool countRead) {
    TableState& table = table_;
    sink.beginRow();
    table.subjectRow = row;
    bool complete = true;
    for (int f = 0; f < fieldCount; ++f) {
        trap_.step(lines_.valueYield, [] { shell::Pause(); });
        complete = trap_.step(lines_.valueText, [&] { sink.value(f, value(f)); }) && complete;
    }
    table.subjectRow = 0;
    if (countRead) {
        ++table.figures.rowsRead;
    }
    if (complete) {
        sink.endRow(row);
    } else {
        ++table.figures.rowsRefused; // its value's report says why
    }
    sink.betweenRows();
    return complete;
}

// The steps before each row: the end test, a turn for the event loop, the
// progress bar. False at the end of the rows (or when the end cannot be
// told).
bool TableCopier::startRow(db::RowSet& rows, qint64 row, qint64 rowCount) {
    bool atEnd = true;
    if (!trap_.step(lines_.rowLoop, [&] { atEnd = rows.Eof(); }) || atEnd) {
        return false;
    }
    trap_.step(lines_.rowYield, [] { shell::Pause(); });
    if (rowCount > 0) {
        trap_.step(lines_.progress, [&] { route_.activity.showProgress(row + 1, rowCount); });
    }
    return true;
}

// The table's rows as both servers count them once it is done. The
// target's must be what it held before and the rows it took without error:
// a trigger, a rule or a filter on the server may drop rows without
// refusing them, and the user would never know. And they must be the
// source's own count under the same condition: the program's figures of
// what it read and sent would add up as well for a row read twice or never.
// A report of the table's (a refused row, a read that failed) says already
// why the counts differ.
void TableCopier::checkCounts(const QString& sourceName, const QString& tableName, qint64 taken,
                              qint64 heldBefore) {
    TableCopy& figures = table_.figures;
    trap_.step(lines_.rowCount, [&] {
        const qint64 held = CountRows(target(), tableName);
        figures.targetRows = held;
        if (held != heldBefore + taken) {
            throw shell::Failure(
                heldBefore == 0
                    ? QStringLiteral("Table %1 holds %2 rows, but %3 were inserted without error.")
                          .arg(QuotedName(tableName))
                          .arg(held)
                          .arg(taken)
                    : QStringLiteral("Table %1 holds %2 rows, but it held %3 and %4 were "
                                     "inserted without error.")
                          .arg(QuotedName(tableName))
                          .arg(held)
                          .arg(heldBefore)
                          .arg(taken));
        }
        figures.sourceRows = CountRows(source(), sourceName, options().where);
        if (held != figures.sourceRows && trap_.reportCount() == table_.reportsBefore) {
            throw shell::Failure(QStringLiteral("Table %1 holds %2 rows, but its source %3 %4.")
                                     .arg(QuotedName(tableName))
                                     .arg(held)
                                     .arg(QuotedName(sourceName))
                                     .arg(options().where.isEmpty()
                                              ? QStringLiteral("has %1").arg(figures.sourceRows)
                                              : QStringLiteral("has %1 that match the condition")
                                                    .arg(figures.sourceRows)));
        }
    });
}

TableCopy::Outcome TableCopier::outcomeAtEnd() const {
    const TableCopy& figures = table_.figures;
    if (pastRefusalLimit()) {
        return TableCopy::Outcome::Failed;
    }
    if (figures.sourceRows >= 0 && figures.targetRows > figures.sourceRows) {
        return TableCopy::Outcome::Extra;
    }
    return trap_.reportCount() == table_.reportsBefore ? TableCopy::Outcome::Copied
                                                       : TableCopy::Outcome::Short;
}

// A row set that cannot move on cannot deliver the next row either: the
// table's copy ends, and the report says how many of its rows arrived (the
// rows already handed over are waited for, so the figure is exact).
void TableCopier::moveNext(db::RowSet& rows, const std::function<void()>& settle, bool* atEnd) {
    std::exception_ptr failure;
    try {
        rows.MoveNext();
        *atEnd = false;
        return;
    } catch (const shell::Failure&) {
        failure = std::current_exception();
    } catch (const std::exception&) {
        failure = std::current_exception();
    }
    *atEnd = true;
    settle();
    trap_.step(lines_.moveNext, [&] {
        try {
            std::rethrow_exception(failure);
        } catch (const shell::Failure& known) {
            if (known.connectionLost()) {
                throw; // the trap adds the progress and ends the run
            }
            throw shell::Failure(known.description() + u'\n' + progress());
        }
    });
}

} // namespace transfer::detail
