#pragma once
// One table's copy (CopyTable.h): the target table and the rows
// (TableCopier.cpp, TransferRows.cpp), the rows a copy lacks
// (ResumeRows.cpp), or the changes that bring it up to date (SyncRows.cpp).
// Private to the copy.
#include "CheckSink.h"
#include "CopyTable.h"
#include "ExactTypes.h"
#include "RowSink.h"
#include "TableStructure.h"
#include "db/BulkInsert.h"
#include "db/Session.h"
#include "kernel/TableOrder.h"
#include "kernel/Workspace.h"
#include "shell/ErrorTrap.h"

#include <QElapsedTimer>
#include <QMap>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace transfer::detail {

using namespace kernel;

// Everything one table's copy keeps, made afresh for each table.
struct TableState {
    explicit TableState(const QString& name) : figures{name} { time.start(); }

    // What the front end is told when the table is done.
    TableCopy figures;
    QElapsedTimer time;
    // The row (from 1) that a failing step would leave out.
    qint64 subjectRow = 0;
    // The reports shown before the table began.
    int reportsBefore = 0;
    // The target server's dialect, and each column as created: its name,
    // type and what its values are checked against.
    db::ServerKind dialect = db::ServerKind::Oracle;
    std::vector<CheckedColumn> columns;
    // With exact types: each column's type and the source's description.
    std::vector<ColumnType> exactTypes;
    std::vector<db::ColumnDescription> sourceColumns;
    // The source's numbers declared without a precision that its driver
    // describes with one.
    QStringList unboundedNumbers;
    // With --fit-types: the types fitted to the source's values, by name.
    QMap<QString, ColumnType> fitted;
    // The columns declared by the user's type rules, by field.
    std::vector<bool> ruled;
    // Where the rows go while they are copied.
    const RowSink* sink = nullptr;
    // The target's columns, named in each INSERT where the run did not make
    // the table.
    QStringList insertColumns;
    // With the structure: the source's, read before its rows, or why it
    // could not be; each column's definition as the CREATE made it.
    std::optional<TableStructure> structure;
    QString structureProblem;
    QMap<QString, QString> definitions;
    // The identity columns the CREATE makes, and those to make after the
    // key (MariaDB's AUTO_INCREMENT stands only on one).
    QStringList identitiesCreated;
    QStringList identitiesAfter;
    QStringList identitiesRefused; // not on a whole-number column
};

// A sink's figures into the table's once it goes. Where a lost connection
// or a stop ended the table, what was with the server is in doubt: it may
// or may not have arrived.
void TallySink(const RowSink& sink, TableCopy& figures, bool ended);

class TableCopier {
public:
    TableCopier(const CopyRoute& route, const TableRequest& request);
    ~TableCopier();
    TableCopier(const TableCopier&) = delete;
    TableCopier& operator=(const TableCopier&) = delete;

    TableCopy run();

private:
    const CopyOptions& options() const { return route_.options; }
    bool dryRun() const { return options().dryRun; }
    db::Connection& source() { return route_.source; }
    db::Connection& target() { return route_.target; }

    void copyTable();
    void finishTable(TableCopy::Outcome outcome);
    bool nameTargetColumns(db::RowSet& rows, const QString& targetName);
    // Adds the source rows whose key the target's table lacks (ResumeRows.cpp).
    void resumeTable(const QString& sourceName, const QString& targetName);
    // What a resume or sync says it does not do for a target of other
    // columns, or a source without a key.
    struct Refusals {
        QString otherColumns;
        QString noKey;
    };
    // Opens `reader` on the target and plans both tables' key order, or
    // throws the refusal (ResumeRows.cpp).
    TableOrder planWithReader(db::Connection& reader, const QString& sourceName,
                              const QString& targetName, const Refusals& refusals);
    // Opens a part's rows on both sides; none on the target without its
    // SELECT.
    bool openPart(const QString& sourceSelect, db::RowSet& sourceRows, const QString& targetSelect,
                  db::RowSet& targetRows, db::Connection& reader);
    // Brings the target's table up to date by the key (SyncRows.cpp).
    void syncTable(const QString& sourceName, const QString& targetName);
    std::vector<std::pair<QString, QString>> syncParts(const TableOrder& order,
                                                       db::Connection& reader,
                                                       const QString& targetName,
                                                       qint64* sourceRows, qint64* targetRows);
    // False where the walk or its changes ended early.
    bool walkChanges(const TableOrder& order, db::Connection& reader, const QString& targetName,
                     const std::vector<std::pair<QString, QString>>& parts, qint64 toWalk);
    void checkSyncedCounts(const QString& targetName, qint64 heldBefore);
    void refuseLongKey(const TableOrder& order, const QString& targetName);
    void countSkipped(const QString& sourceName, const QString& targetName);
    bool createTargetTable(db::RowSet& rows, const QString& tableName);
    // The target table's columns and CREATE statement for the source's
    // columns, nothing executed; false when a column could not be read.
    bool describeTargetTable(db::RowSet& rows, const QString& tableName);
    QString columnTypeText(db::RowSet& rows, int field, bool* read);
    void applyTypeRule(db::RowSet& rows, int field, QString& typeText);
    // Typed columns take bytes and Booleans in the target server's own forms.
    const db::LiteralForms* literals() const {
        return options().exactTypes ? &db::BehaviorOf(table_.dialect).literals : nullptr;
    }
    void copyRows(db::RowSet& rows, const QString& sourceName, const QString& tableName,
                  qint64 sourceRows);
    // Where the rows of `tableName` go, with the table's figures.
    SinkContext sinkContext(const QString& tableName);
    std::unique_ptr<RowSink> openSink(const SinkContext& context, db::RowSet& rows, int fieldCount);
    bool bulkBindings(db::RowSet& rows, int fieldCount,
                      std::vector<db::BulkInsert::Binding>& bindings);
    // `before`: the table's rows already walked past (a resumed table's),
    // for the progress bar and the rows' numbers.
    void readRows(db::RowSet& rows, RowSink& sink, int fieldCount, qint64 rowCount,
                  qint64 before = 0);
    bool startRow(db::RowSet& rows, qint64 row, qint64 rowCount);
    db::Value valueToSend(db::RowSet& rows, int field);
    db::Value valueToSend(const db::Value& read, int field);
    // The target's count must be what it held before and the rows it took,
    // and the source's count (TransferRows.cpp).
    void checkCounts(const QString& sourceName, const QString& tableName, qint64 taken,
                     qint64 heldBefore = 0);
    // Copied only where the table's steps reported nothing and the target
    // holds no more rows than the source.
    TableCopy::Outcome outcomeAtEnd() const;
    // One row into the sink, value by value (`value` gives each field's);
    // `row` counts from 1. The row counts as read once its values are (for
    // a caller that does not count its rows itself). False when a value left
    // the row out.
    bool sendRow(RowSink& sink, qint64 row, int fieldCount,
                 const std::function<db::Value(int)>& value, bool countRead);
    void moveNext(db::RowSet& rows, const std::function<void()>& settle, bool* atEnd);
    QString progress() const;
    TableCopy figuresSoFar() const;
    qint64 rowsArrived() const;
    // More rows refused than the user allows: the table's copy stops.
    bool pastRefusalLimit() const {
        return options().maxRefused >= 0 && table_.figures.rowsRefused > options().maxRefused;
    }
    void resetProgressBar();
    // The source's keys, indexes and comments made on the copy, after its
    // rows (TableCopier.cpp); a dry run lists the statements.
    void makeStructure(const QString& tableName);
    void readStructure(const QString& sourceName);
    // A source's identity column as one on the copy, where its type is a
    // whole number: in the CREATE's type text, or after the key.
    void makeIdentity(int field, const QString& name, QString& typeText);
    void identityStatements(const QString& tableName, std::vector<StructureStatement>& all);

    const CopyRoute& route_;
    const TableRequest& request_;
    shell::ErrorTrap& trap_;
    QString& lastStatement_;
    const Lines& lines_;
    TableState table_;
};

} // namespace transfer::detail
