#pragma once
// What each server says of a table's structure beyond what ODBC's catalogue
// functions give (SQLPrimaryKeys and SQLStatistics give the keys and the
// indexes), and how it is told the same of a copy: which unique indexes
// are constraints, the comments, how long a name may be. The vendors' own
// catalogues for Oracle and DB2, the stand-ins' for the stand-ins.
#include "Server.h"

#include <QStringView>

namespace db {

struct StructureForms {
    // Queries, %1 the table's name as a text literal: the names of its
    // unique constraints; its comment (one row or none); its columns'
    // comments (name, comment), only those with one.
    QStringView uniqueConstraints;
    QStringView tableComment;
    QStringView columnComments;
    // Statements: %1 the table's quoted name, then the comment's literal;
    // for a column, %1 the table, %2 the column, %3 the literal, %4 the
    // column's definition as the copy made it (MariaDB restates it).
    QStringView commentOnTable;
    QStringView commentOnColumn;
    // The longest name of a table, constraint or index, in characters.
    int longestName = 128;
    // Queries, %1 the table's name as a literal: its check constraints
    // (name, condition as the server writes it, with or without CHECK) and
    // its columns' defaults (name, the default's text).
    QStringView checks;
    QStringView defaults;
    // %1 the table, %2 the column, %3 the default.
    QStringView setDefault;
    // The server's words for the moment and the day a row is written.
    QStringView now;
    QStringView today;
    // How the server reads a name that is not quoted in a condition it
    // writes back.
    enum class Fold : unsigned char { Upper, Lower, None } unquoted = Fold::Upper;
    // A primary key's name that every table's has (MariaDB's PRIMARY): a
    // copy's key is left for the target to name.
    QStringView sharedPrimaryKeyName;
    // Identity columns: a query of their names (%1 the table's literal);
    // the clause a whole-number column's type takes in the CREATE (empty
    // where the server makes one only on a key, after it: `identityAfter`,
    // %1 the table, %2 the column, %3 its definition); and the statement
    // that makes the next value %3.
    QStringView identities;
    QStringView identityClause;
    QStringView identityAfter;
    QStringView restartIdentity;
};

const StructureForms& StructureFormsOf(ServerKind kind);

} // namespace db
