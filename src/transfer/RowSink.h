#pragma once
// Where the copy's one row loop puts each row it reads. The loop reads a
// row's values one by one into the sink (beginRow, value per field, endRow),
// so that a row's statement stands built as far as the values read when one
// of them fails; between rows the sink reports what the server refused.
//
//     StatementSink  one literal INSERT per row, sent in order from a helper
//                    thread (db::StatementQueue), each refused row reported
//     BulkSink       rows bound in arrays to one prepared INSERT
//                    (db::BulkInsert), a refused batch sent again row by row
//     CheckSink      a dry run: every value checked, nothing sent
//
// A sink holds the target connection's statements until it goes: nothing
// else may be sent on that connection before settle() has run.
#include "db/Session.h"
#include "kernel/Statements.h"
#include "kernel/Workspace.h"
#include "shell/ErrorTrap.h"

namespace transfer {

// What a sink shares with the run: the trap its failures are reported
// through, the statement the reports show, the table and its figures.
struct SinkContext {
    shell::ErrorTrap& trap;
    QString& lastStatement;
    db::Connection& target;
    db::Side direction;
    const db::LiteralForms* literals; // typed columns' forms, or none
    QString tableName;
    int insertFirstLine;
    int insertExecuteLine;
    kernel::TableCopy& figures; // refused rows are counted into it
    qint64& subjectRow;         // the row a failing step concerns, from 1
    // The target's columns in the order of the values; none where the
    // INSERT names none (a table the run has just created).
    QStringList columns;
};

class RowSink {
public:
    virtual ~RowSink() = default;

    virtual void beginRow() {}
    virtual void value(int field, const db::Value& value) = 0;
    // Every value of the row was read and fits; `row` counts from 1.
    virtual void endRow(qint64 row) = 0;
    // Between two rows: reports what the server refused meanwhile.
    virtual void betweenRows() = 0;
    // Waits for every row handed over, reporting what was refused.
    virtual void settle() = 0;
    // After a stop: waits for what is with the server, so that the figures
    // are exact; reports nothing.
    virtual void settleAfterStop() noexcept = 0;

    // Rows the target took so far.
    virtual qint64 arrived() const = 0;
    // Rows handed over and not yet answered for.
    virtual qint64 inDoubt() const = 0;
};

} // namespace transfer
