#pragma once
// What a table operation works on: the two table lists, what its front end
// shows while it runs, the dialogs, and the login details, read at the moment
// a connection opens, never cached. The window and the command line each
// hand in their own.
#include "TypeRules.h"
#include "db/Profiles.h"
#include "shell/Dialogs.h"
#include "shell/PointerState.h"
#include "shell/TableList.h"

#include <QStringList>
#include <functional>
#include <memory>

namespace kernel {

// How one table of a copy ended, for a front end that sums up a run.
struct TableCopy {
    enum class Outcome {
        Copied,      // every row arrived, nothing was reported
        Skipped,     // on the target already, and not to be replaced
        Failed,      // no table was created, or none could be read
        Short,       // created, but some rows were refused or did not arrive
        Extra,       // the target holds more rows than the source
        Lost,        // a connection went while the table was being copied
        Interrupted, // the user stopped the program
        Checked,     // a dry run: what a copy would do, nothing changed
    };
    QString table;
    Outcome outcome = Outcome::Failed;
    qint64 rowsRead = 0;
    qint64 rowsInserted = 0;
    qint64 rowsRefused = 0;
    // The rows of each side, counted by each server: a skipped table's when
    // the front end asks for them, a copied one's when the copy has ended;
    // -1 when not counted.
    qint64 sourceRows = -1;
    qint64 targetRows = -1;
    // Rows with the server when the program had to end without waiting for
    // its answer: they may or may not have arrived.
    qint64 rowsInDoubt = 0;
    // A dry run: the statement that would create the table, whether a table
    // of the target would be dropped for it (then targetRows are its rows),
    // and each column whose values the target would not all keep.
    QString createStatement{};
    bool replaces = false;
    QStringList losses{};
    // And each column with values the server would refuse as literals for
    // their length, which the copy binds instead: how many, the longest.
    QStringList bound{};
    // With the structure: the keys, indexes and comments made on the copy,
    // and those not made with why (a dry run: the statements it would run).
    struct StructureMiss {
        QString object;
        QString why;
    };
    QStringList structureMade{};
    std::vector<StructureMiss> structureMissed{};
    QStringList structureStatements{};
    // What the user should know that stopped nothing: a column type rule
    // that names no column of the table.
    QStringList warnings{};
    // A resumed table: the source rows the target held already (-1: not a
    // resumed table), those it held with other values (left as they are),
    // and the target's rows that the source does not have.
    qint64 rowsAlreadyThere = -1;
    qint64 rowsDiffering = 0;
    qint64 rowsOnlyOnTarget = 0;
    // A table brought up to date: its rows already as the source has them
    // (-1: not a table brought up to date), those given the source's values
    // and those deleted; rowsInserted are the source's rows it lacked, and
    // rowsOnlyOnTarget those kept without --delete-extra. A dry run counts
    // what it would change.
    qint64 rowsUnchanged = -1;
    qint64 rowsUpdated = 0;
    qint64 rowsDeleted = 0;
    double seconds = 0;
};

// What a front end shows of a running operation: the window greys its
// buttons, shows the pointer and moves its progress bar; the command line
// prints a progress line and a summary.
class Activity {
public:
    virtual ~Activity() = default;
    // While an operation runs, nothing may start a second one.
    virtual void beginOperation() = 0;
    virtual void endOperation() = 0;
    virtual void setPointer(shell::PointerState state) = 0;
    virtual void tableStarted(const QString& table, qint64 sourceRows) = 0;
    // `done` rows of the current table built, of `total` (more than 0).
    virtual void showProgress(qint64 done, qint64 total) = 0;
    virtual void resetProgress() = 0;
    virtual void tableFinished(const TableCopy& copy) = 0;
    // From a table's start to its tableFinished: its figures so far, for a
    // front end that must say how far a run got when the program cannot
    // wait for the run's end (a server that does not answer a stop).
    virtual void tableRunning(std::function<TableCopy()> figures) { (void)figures; }
};

// An operation running, for its front end, from here to the end of the
// scope: the window greys its buttons meanwhile.
class RunningOperation {
public:
    explicit RunningOperation(Activity& activity) : activity_(activity) {
        activity_.beginOperation();
    }
    ~RunningOperation() { activity_.endOperation(); }
    RunningOperation(const RunningOperation&) = delete;
    RunningOperation& operator=(const RunningOperation&) = delete;

private:
    Activity& activity_;
};

// How a copy sends its rows. Row by row is the default: one literal INSERT
// per row. Bulk mode binds arrays of rows to one prepared INSERT and commits
// once per batch, with the same results.
// Exact types: each target column keeps the source column's length,
// precision, scale and NOT NULL, instead of the wide default types.
// Rows a bulk batch holds unless asked otherwise.
inline constexpr int defaultBatchSize = 1000;

struct CopyOptions {
    bool bulk = false;
    int batchSize = defaultBatchSize;
    bool exactTypes = false;
    // With exact types: a number without a precision, or a text of any
    // length, gets the narrowest type its values fit (FittedTypes.h).
    bool fitTypes = false;
    // Count the rows of both sides of a table that is skipped.
    bool countSkipped = false;
    // Stop a table once more of its rows than this are refused; -1: never.
    qint64 maxRefused = -1;
    // Read and check everything, change nothing on the target.
    bool dryRun = false;
    // Copy only the source rows that match this SQL condition; empty: all.
    QString where{};
    // A table the target has already is not replaced: the source rows whose
    // key it lacks are added to it.
    bool resume = false;
    // A table the target has already is brought up to date by its key: the
    // source rows it lacks inserted, those it holds with other values
    // updated, and with deleteExtra the rows the source lacks deleted; no
    // more than maxChanges rows of a table changed (-1: any number).
    bool sync = false;
    bool deleteExtra = false;
    qint64 maxChanges = -1;
    // One part of a table that several runs fill at once: the table is on
    // the target already (the first run made it), the rows are added to it
    // without a question, and its count is checked by whoever started the
    // parts, since the others' rows arrive meanwhile.
    bool part = false;
    // The table the parts go into, as the run that started them spelled it.
    QString partTarget{};
    // A table the copy creates gets the source's keys, unique constraints,
    // indexes and comments once its rows have arrived.
    bool structure = false;
    // And after every table of the run, the foreign keys of those it made.
    bool foreignKeys = false;
    // The user's own column types, which come before the mapping's.
    std::shared_ptr<const TypeRules> typeRules{};
};

struct Workspace {
    Activity* activity = nullptr;
    CopyOptions options;
    shell::TableList oracleList; // List1
    shell::TableList db2List;    // List2
    shell::Dialogs* dialogs = nullptr;
    std::function<db::OracleLogin()> oracleLogin;
    std::function<db::Db2Login()> db2Login;
};

} // namespace kernel
