#pragma once
// The SQL text the program sends, built by concatenation: quoted identifiers,
// the maintenance statements and the INSERT statement of one row. Every
// builder appends in place to the statement the caller owns, so that a copy
// run can build a row's statement step by step and still show how far it got
// when a step fails.
//
//     QString last;
//     BeginInsert(last, u"PEOPLE");
//     for (const db::Value& v : row) AppendValue(last, ValueOrDefault(v, {}), Side::Db2);
//     EndInsert(last);   // INSERT INTO "PEOPLE" VALUES('12', NULL)
#include "WholeKey.h"
#include "db/BoundValues.h"
#include "db/Server.h"
#include "db/Side.h"
#include "db/Value.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace kernel {

// The database a copy writes to decides column types and how Booleans are
// written.
using db::Side;

// "name" with every double quote inside doubled, so a name can never end the
// identifier early and smuggle text into the statement.
QString QuotedName(QStringView name);
void AppendQuotedName(QString& statement, QStringView name);

QString SelectAllStatement(QStringView tableName); // SELECT * FROM "T"
QString CountRowsStatement(QStringView tableName); // SELECT COUNT(*) FROM "T"
// The same for the rows that match a condition, placed as the user gave it:
// SELECT * FROM "T" WHERE <condition> (the whole table when it is empty).
QString SelectWhereStatement(QStringView tableName, const QString& condition);
QString CountWhereStatement(QStringView tableName, const QString& condition);
// SELECT * FROM "T" WHERE 1 = 0: the columns, and no row.
QString NoRowsStatement(QStringView tableName);
// Both conditions: the user's in parentheses (it may hold an OR), then the
// program's own; the second alone when the first is empty.
QString BothConditions(const QString& users, const QString& own);
// The ranges that begin at each bound (a literal), the first from nothing
// and the last to nothing: every value of the term falls into one.
QStringList RangeConditions(const QString& term, const QStringList& bounds);
// first <= term <= last.
QString ClosedRange(const QString& term, const QString& first, const QString& last);
// A text term whose empty text counts as NULL, as a copy writes it.
QString NullIfEmpty(const QString& term);
// SELECT MAX(m1), MAX(m2), ... FROM "T" [WHERE condition]: each measure's
// largest value over the rows.
QString MeasureStatement(QStringView tableName, const QStringList& measures,
                         const QString& condition);
// 'it''s': a text as a literal.
QString TextLiteral(QStringView text);
// A whole-number key on one server, for its key set's fingerprint: its
// value as a number, and as its decimal digits.
struct KeyTerms {
    QString number;
    QString text;
    // An integer column whose keys lie within ±2^62, so that a key's
    // distance from another is a server's integer: no wide decimals.
    bool narrow = false;
};
// SELECT COUNT(*), <the sum of its keys' hashes, or 0 unless hashed>,
// MIN(<key>), MAX(<key>) of the rows where the condition holds, in the
// server's forms (db::OrderForms).
QString KeyFiguresStatement(const db::OrderForms& forms, QStringView tableName, const KeyTerms& key,
                            const QString& condition, bool hashed);
// The same per range of `width` keys from `low` (`ranges` of them): each
// range's index, its count and hash sum, and with `bounds` its lowest and
// highest key. Keys below the span are in range -1, those above in range
// `ranges`: only a key's distance of 0 or more from `low` is divided, so
// that no quotient outgrows the server's integers.
QString RangeFiguresStatement(const db::OrderForms& forms, QStringView tableName,
                              const KeyTerms& key, const QString& condition, WholeKey low,
                              WholeKey width, qint64 ranges, bool bounds);

// SELECT MIN(<key>), MAX(<key>) FROM "T" [WHERE <condition>]
QString KeyBoundsStatement(QStringView tableName, const QString& key, const QString& condition);
QString DropTableStatement(QStringView tableName);                 // DROP TABLE "T"
QString RenameStatement(QStringView oldName, QStringView newName); // RENAME "A" TO "B"

// The value when it is not Null, otherwise the fallback.
db::Value ValueOrDefault(const db::Value& value, const db::Value& fallback);

// Replaces the statement with INSERT INTO "T" VALUES(' — the trailing quote
// stands ready for the first value. With columns, INSERT INTO "T" ("A",
// "B") VALUES(': a table the program did not just create may hold its
// columns in another order.
void BeginInsert(QString& lastStatement, QStringView tableName, const QStringList& columns = {});
// One value: NULL for Null or empty text, a quoted literal with single quotes
// doubled otherwise. Toward Oracle a Boolean is the bare 1 or 0 (Oracle has no
// literal that reads 'True'); text that happens to read True stays text.
// With the target server's typed literal forms (for columns of exact types),
// bytes and Booleans are written as that server's typed columns take them,
// HEXTORAW('0a0b') and TRUE, say; without, as quoted text that the default
// wide, forgiving columns take.
void AppendValue(QString& lastStatement, const db::Value& value, Side target,
                 const db::LiteralForms* typed = nullptr);
// Takes back the separator after the last value and closes the list.
void EndInsert(QString& lastStatement);

// The most bytes one literal of a row of `values` values may take between its
// quotes on a server of these limits, so that neither the literal nor the
// row's statement passes them; 0 for no limit.
qint64 LiteralBudget(const db::LiteralLimits& limits, int values);
// Whether the value's literal, as AppendValue writes it, would take more
// than `budget` bytes (0: never).
bool LiteralTooLong(const db::Value& value, qint64 budget);
// A "?" where the next value goes, for a value that is bound instead.
void AppendPlaceholder(QString& lastStatement);
// The statement as a report shows it: each bound value by its length.
QString ShownWithBound(const QString& statement, const db::BoundValues& bound);
// The value as it is bound in place of its literal.
db::BoundValue BoundValueOf(const db::Value& value, const db::LiteralForms* typed);
// A row's INSERT with each value past the budget bound; `bound` gets those.
QString BoundInsertStatement(Side target, QStringView tableName, const QList<db::Value>& values,
                             const db::LiteralForms* typed, const QStringList& columns,
                             qint64 budget, db::BoundValues& bound);

QString InsertStatement(Side target, QStringView tableName, const QList<db::Value>& values,
                        const db::LiteralForms* typed = nullptr, const QStringList& columns = {});

// INSERT INTO "T" VALUES(?, ?, …) with one parameter per column, for bulk
// mode; the columns named as BeginInsert names them.
QString PreparedInsertStatement(QStringView tableName, int columnCount,
                                const QStringList& columns = {});

// Replaces the statement with CREATE TABLE "T"(
void BeginCreateTable(QString& lastStatement, QStringView tableName);
// Appends "field" and the column type text (which carries its own comma).
void AppendColumnDefinition(QString& lastStatement, QStringView fieldName,
                            QStringView columnTypeText);
// Drops the comma of the last definition and closes the list.
void EndCreateTable(QString& lastStatement);

} // namespace kernel
