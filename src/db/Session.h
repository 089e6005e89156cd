#pragma once
// The database session layer: a connection and a row set over the ODBC
// wide-character API, with the members the rest of the program uses and
// nothing else. Every failure throws db::Error with the driver's diagnostics.
//
//     db::Connection target;
//     target.setCursorLocation(db::CursorLocation::Server);
//     target.Open(connectionString);
//     target.Execute(u"DROP TABLE \"T\""_s);
//
//     db::RowSet rows;
//     rows.Open(u"SELECT * FROM \"T\""_s, source);
//     for (; !rows.Eof(); rows.MoveNext()) { ... rows.Fields().item(0).Value() ... }
//
// Knows nothing of widgets or event loops: it waits for a driver through the
// shell's CallDriver and WaitFor, where a stop reaches it (Interrupt.h).
//
// Threads, and the connection each works on:
//   - the caller's (the window's or the command line's): every call here;
//   - the front end's helper (CallDriver, where the front end installed
//     one): one blocking driver call at a time for the caller, who serves
//     the event loop meanwhile;
//   - a row set's reader (RowSource.h), for a client-side row set that reads
//     ahead: the source connection's statement, until the row set closes;
//   - a statement queue's or bulk insert's worker (Worker.h): the target
//     connection's INSERTs or batches, in order.
// The rule that keeps them apart: a connection has one user at a time. A row
// set, queue or bulk insert is drained (closed, drain(), finish(), or gone)
// before its connection is used for anything else, and the driver's text
// forms are read and written in one place (Server.h says which per driver,
// ValueText.h holds the forms).
#include "BoundValues.h"
#include "ColumnDescription.h"
#include "Error.h"
#include "Server.h"
#include "Value.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace db {

namespace detail {
struct ConnectionCore;
struct RowSource;
} // namespace detail

enum class CursorLocation : int { Server = 2, Client = 3 };

// The catalogue that OpenSchema(20) returns: every table, view and system
// object the login can see.
inline constexpr int schemaTables = 20;

class RowSet;

class Connection {
public:
    Connection();
    ~Connection(); // closes an open connection
    Connection(Connection&&) noexcept;
    Connection& operator=(Connection&&) noexcept;

    // Set before Open. Client: row sets read every row at open and know their
    // count; Server (the default): rows are streamed and the count is -1.
    void setCursorLocation(CursorLocation location);
    CursorLocation cursorLocation() const;
    // With client-side row sets: read the rows on a helper thread while the
    // caller goes through them, instead of all of them before Open returns.
    // The count is then exact once every row has been read.
    void setReadAhead(bool readAhead);
    // Seconds a statement may run (0: no limit).
    void setCommandTimeout(int seconds);
    // Seconds a login may take (0: the driver's default).
    void setConnectionTimeout(int seconds);

    void Open(const QString& connectionString);
    bool isOpen() const;
    // The server and driver as classified when the connection opened, with
    // what each does differently.
    const ServerProfile& profile() const;
    void Execute(const QString& sql);
    // The same with its "?" bound to the values, in order.
    void Execute(const QString& sql, const BoundValues& values);
    RowSet OpenSchema(int schema);
    // The catalogue's rows on a table's keys, in every schema that has a
    // table of that name (column 2 names the schema). Its primary key
    // (SQLPrimaryKeys): the column in 4, its place in the key in 5. Its
    // unique indexes (SQLStatistics): the index in 6, the column's place in
    // it in 8, the column in 9.
    RowSet OpenPrimaryKey(const QString& table);
    RowSet OpenUniqueIndexes(const QString& table);
    // Every index (SQLStatistics, SQL_INDEX_ALL): as above, with the column
    // in 9 and A or D in 10.
    RowSet OpenIndexes(const QString& table);
    // The foreign keys of the table (SQLForeignKeys): the referenced table
    // in 2, its column in 3, the column in 7, its place in 8, the delete
    // rule in 10, the key's name in 11 (from 0).
    RowSet OpenForeignKeys(const QString& table);
    // The server's data types (SQLGetTypeInfo): the name in column 1.
    RowSet OpenTypeInfo();
    void Close();

private:
    template <class Call> RowSet openCatalogue(Call&& call);
    RowSet openStatistics(const QString& table, unsigned short which);

    friend class RowSet;
    friend class StatementQueue;
    friend class BulkInsert;
    std::shared_ptr<detail::ConnectionCore> core_;
};

class Field {
public:
    QString Name() const;
    // The ADO data type code.
    int Type() const;
    // Size, scale, nullability and the server's type name.
    const ColumnDescription& Description() const;
    // Throws when this field's value of the current row could not be read.
    db::Value Value() const;

private:
    friend class Fields;
    Field(const RowSet* rows, int index) : rows_(rows), index_(index) {}
    const RowSet* rows_;
    int index_;
};

class Fields {
public:
    int count() const;
    Field item(int index) const;
    // By column name, without regard to letter case.
    Field item(QStringView name) const;

private:
    friend class RowSet;
    explicit Fields(const RowSet* rows) : rows_(rows) {}
    const RowSet* rows_;
};

class RowSet {
public:
    RowSet();
    ~RowSet();
    RowSet(RowSet&&) noexcept;
    RowSet& operator=(RowSet&&) noexcept;

    void Open(const QString& sql, Connection& connection);
    // Cursor and lock types are accepted for the callers' sake; rows are
    // always read forward only.
    void Open(const QString& sql, Connection& connection, int cursorType, int lockType);
    // Exact with client-side row sets (waiting, if the rows are read ahead,
    // until all are read, which lifts the bound on their temporary space),
    // -1 with server-side ones.
    qint64 RecordCount() const;
    // (The name EOF is taken by the C library's macro.)
    bool Eof() const;
    void MoveNext();
    void Close();
    bool isOpen() const;

    db::Fields Fields() const { return db::Fields(this); }

private:
    friend class Field;
    friend class db::Fields;
    friend class Connection;
    detail::RowSource& open() const;
    std::unique_ptr<detail::RowSource> source_;
};

} // namespace db
