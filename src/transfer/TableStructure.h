#pragma once
// A table's keys, unique constraints, indexes and comments, read from the
// source and made on a copy after its rows have arrived (so that the load
// pays no index upkeep): the statements, each with the object it makes.
//
//     const TableStructure structure = ReadStructure(source, "ORDERS");
//     for (const StructureStatement& s : StructureStatements(structure, ...)) ...
#include "db/Session.h"
#include "db/Structure.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <vector>

namespace transfer {

struct IndexColumn {
    QString name;
    bool descending = false;
};

struct TableIndex {
    QString name;
    bool unique = false;
    bool constraint = false; // a unique constraint, not only an index
    std::vector<IndexColumn> columns;
};

struct TableCheck {
    QString name;
    QString condition; // as the source's server writes it back
};

struct TableStructure {
    QString primaryKeyName;
    QStringList primaryKey;          // its columns in order; empty: none
    std::vector<TableIndex> indexes; // but the primary key's own
    QString comment;
    QMap<QString, QString> columnComments;
    std::vector<TableCheck> checks;
    QMap<QString, QString> defaults; // by column, as the source writes them
    QStringList identities;          // the identity columns
    // How the source reads an unquoted name in its checks and defaults.
    db::StructureForms::Fold unquoted = db::StructureForms::Fold::Upper;
};

// Throws db::Error where the catalogue cannot be read. A table name found
// in several schemas gives no keys or indexes: which are the login's
// cannot be told.
TableStructure ReadStructure(db::Connection& source, const QString& table);

struct StructureStatement {
    QString object; // "primary key \"ORDERS_PK\"", "index \"ORD_DATE\"", "comment on \"T\""
    QString sql;    // empty where the object cannot be made; then `why`
    QString why;
};

// A statement form of the server table with %1, %2… filled in, in one pass:
// a name that holds "%2" stays as it is.
QString FilledForm(QStringView form, const QStringList& values);

// Runs the statement that makes an object, `shownAs` in a refusal's report
// ("index \"I\""); *why gets the server's own message. A lost connection
// still ends the run.
void ExecuteMaking(db::Connection& target, const QString& sql, const QString& shownAs,
                   QString* why);

// The statements that make the structure on the copy `table` of a target
// server of `kind`; `definitions`: each column's definition as the copy's
// CREATE made it, by name.
std::vector<StructureStatement> StructureStatements(const TableStructure& structure,
                                                    const QString& table, db::ServerKind kind,
                                                    const QMap<QString, QString>& definitions);

} // namespace transfer
