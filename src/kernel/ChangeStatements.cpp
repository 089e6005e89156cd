#include "ChangeStatements.h"

#include <functional>

namespace kernel {

namespace {

// One value as AppendValue writes it into a VALUES list, without the list's
// separators.
void appendLiteral(QString& statement, const db::Value& value, Side target,
                   const db::LiteralForms* typed, qint64 budget, db::BoundValues& bound) {
    statement += u'\'';
    if (LiteralTooLong(value, budget)) {
        AppendPlaceholder(statement);
        bound.push_back(BoundValueOf(value, typed));
    } else {
        AppendValue(statement, value, target, typed);
    }
    statement.chop(3); // the ", '" that stood ready for the next value
}

void appendAssignments(QString& statement, const QStringList& columns,
                       const std::function<void(qsizetype)>& value, QStringView separator) {
    for (qsizetype c = 0; c < columns.size(); ++c) {
        if (c > 0) {
            statement += separator;
        }
        AppendQuotedName(statement, columns[c]);
        value(c);
    }
}

// The key's values as AppendValue writes them would turn an empty text into
// NULL, and "= NULL" matches no row.
void appendKey(QString& statement, const ColumnValues& key, Side target,
               const db::LiteralForms* typed, qint64 budget, db::BoundValues& bound) {
    statement += u" WHERE ";
    appendAssignments(
        statement, key.columns,
        [&](qsizetype c) {
            const db::Value& value = key.values[c];
            if (value.isNull()) {
                statement += u" IS NULL";
            } else if (value.text().isEmpty()) {
                statement += u" = ''";
            } else {
                statement += u" = ";
                appendLiteral(statement, value, target, typed, budget, bound);
            }
        },
        u" AND ");
}

void beginUpdate(QString& statement, QStringView tableName) {
    statement += u"UPDATE ";
    AppendQuotedName(statement, tableName);
    statement += u" SET ";
}

void beginDelete(QString& statement, QStringView tableName) {
    statement += u"DELETE FROM ";
    AppendQuotedName(statement, tableName);
}

} // namespace

QString BoundUpdateStatement(Side target, QStringView tableName, const ColumnValues& set,
                             const ColumnValues& key, const db::LiteralForms* typed, qint64 budget,
                             db::BoundValues& bound) {
    QString statement;
    beginUpdate(statement, tableName);
    appendAssignments(
        statement, set.columns,
        [&](qsizetype c) {
            statement += u" = ";
            appendLiteral(statement, set.values[c], target, typed, budget, bound);
        },
        u", ");
    appendKey(statement, key, target, typed, budget, bound);
    return statement;
}

QString BoundDeleteStatement(Side target, QStringView tableName, const ColumnValues& key,
                             const db::LiteralForms* typed, qint64 budget, db::BoundValues& bound) {
    QString statement;
    beginDelete(statement, tableName);
    appendKey(statement, key, target, typed, budget, bound);
    return statement;
}

QString PreparedUpdateStatement(QStringView tableName, const QStringList& set,
                                const QStringList& key) {
    QString statement;
    beginUpdate(statement, tableName);
    appendAssignments(
        statement, set, [&](qsizetype) { statement += u" = ?"; }, u", ");
    statement += u" WHERE ";
    appendAssignments(
        statement, key, [&](qsizetype) { statement += u" = ?"; }, u" AND ");
    return statement;
}

QString PreparedDeleteStatement(QStringView tableName, const QStringList& key) {
    QString statement;
    beginDelete(statement, tableName);
    statement += u" WHERE ";
    appendAssignments(
        statement, key, [&](qsizetype) { statement += u" = ?"; }, u" AND ");
    return statement;
}

} // namespace kernel
