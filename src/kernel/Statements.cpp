#include "Statements.h"

#include <algorithm>

namespace kernel {

namespace {

// Appends text with every occurrence of quote doubled. Most values and names
// hold no quote at all, so they are appended whole after one scan.
void appendDoubling(QString& statement, QStringView text, QChar quote) {
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(quote); at >= 0; at = text.indexOf(quote, from)) {
        statement += text.sliced(from, at + 1 - from);
        statement += quote;
        from = at + 1;
    }
    statement += text.sliced(from);
}

} // namespace

void AppendQuotedName(QString& statement, QStringView name) {
    statement += u'"';
    appendDoubling(statement, name, u'"');
    statement += u'"';
}

QString TextLiteral(QStringView text) {
    QString literal;
    literal.reserve(text.size() + 2);
    literal += u'\'';
    appendDoubling(literal, text, u'\'');
    literal += u'\'';
    return literal;
}

QString QuotedName(QStringView name) {
    QString quoted;
    quoted.reserve(name.size() + 2);
    AppendQuotedName(quoted, name);
    return quoted;
}

QString SelectAllStatement(QStringView tableName) {
    QString statement = QStringLiteral("SELECT * FROM ");
    AppendQuotedName(statement, tableName);
    return statement;
}

QString CountRowsStatement(QStringView tableName) {
    return QStringLiteral("SELECT COUNT(*) FROM ") + QuotedName(tableName);
}

namespace {

QString withCondition(QString statement, const QString& condition) {
    return condition.isEmpty() ? statement : statement + QStringLiteral(" WHERE ") + condition;
}

} // namespace

QString SelectWhereStatement(QStringView tableName, const QString& condition) {
    return withCondition(SelectAllStatement(tableName), condition);
}

QString CountWhereStatement(QStringView tableName, const QString& condition) {
    return withCondition(CountRowsStatement(tableName), condition);
}

QString NoRowsStatement(QStringView tableName) {
    return SelectAllStatement(tableName) + QStringLiteral(" WHERE 1 = 0");
}

QString MeasureStatement(QStringView tableName, const QStringList& measures,
                         const QString& condition) {
    QStringList largest;
    for (const QString& measure : measures) {
        largest << QStringLiteral("MAX(%1)").arg(measure);
    }
    QString statement =
        QStringLiteral("SELECT ") + largest.join(QStringLiteral(", ")) + QStringLiteral(" FROM ");
    AppendQuotedName(statement, tableName);
    return withCondition(statement, condition);
}

QString BothConditions(const QString& users, const QString& own) {
    return users.isEmpty() ? own : QStringLiteral("(%1) AND %2").arg(users, own);
}

QStringList RangeConditions(const QString& term, const QStringList& bounds) {
    if (bounds.isEmpty()) {
        return {QStringLiteral("1 = 1")};
    }
    QStringList conditions{QStringLiteral("%1 < %2").arg(term, bounds.first())};
    for (qsizetype i = 1; i < bounds.size(); ++i) {
        conditions << QStringLiteral("%1 >= %2 AND %1 < %3").arg(term, bounds[i - 1], bounds[i]);
    }
    conditions << QStringLiteral("%1 >= %2").arg(term, bounds.last());
    return conditions;
}

QString ClosedRange(const QString& term, const QString& first, const QString& last) {
    return QStringLiteral("%1 >= %2 AND %1 <= %3").arg(term, first, last);
}

QString NullIfEmpty(const QString& term) {
    return QStringLiteral("NULLIF(%1, '')").arg(term);
}

namespace {

// The sum of the rows' hashes, each the number its MD5's first 15 hex
// digits write.
QString hashSum(const db::OrderForms& forms, const KeyTerms& key) {
    return forms.wideSum.toString().arg(
        forms.hexNumber.toString().arg(forms.md5Hex.toString().arg(key.text)));
}

} // namespace

// One flat aggregate, no derived table: MariaDB materializes one.
QString KeyFiguresStatement(const db::OrderForms& forms, QStringView tableName, const KeyTerms& key,
                            const QString& condition, bool hashed) {
    return withCondition(QStringLiteral("SELECT COUNT(*), %1, MIN(%2), MAX(%2) FROM %3")
                             .arg(hashed ? hashSum(forms, key) : QStringLiteral("0"), key.number,
                                  QuotedName(tableName)),
                         condition);
}

QString RangeFiguresStatement(const db::OrderForms& forms, QStringView tableName,
                              const KeyTerms& key, const QString& condition, WholeKey low,
                              WholeKey width, qint64 ranges, bool bounds) {
    const QString number = key.narrow ? key.number : forms.wideNumber.toString().arg(key.number);
    const QStringView division = key.narrow ? forms.narrowDivision : forms.wholeDivision;
    const QString range =
        QStringLiteral("CASE WHEN %1 < %2 THEN -1 WHEN %1 > %3 THEN %4 ELSE %5 END")
            .arg(number, WholeKeyText(low), WholeKeyText(low + width * ranges - 1))
            .arg(ranges)
            .arg(division.toString().arg(QStringLiteral("%1 - (%2)").arg(number, WholeKeyText(low)),
                                         WholeKeyText(width)));
    return withCondition(
               QStringLiteral("SELECT %1, COUNT(*), %2%3 FROM %4")
                   .arg(range, hashSum(forms, key),
                        bounds ? QStringLiteral(", MIN(%1), MAX(%1)").arg(key.number) : QString(),
                        QuotedName(tableName)),
               condition) +
           QStringLiteral(" GROUP BY ") + range;
}

QString KeyBoundsStatement(QStringView tableName, const QString& key, const QString& condition) {
    return withCondition(
        QStringLiteral("SELECT MIN(%1), MAX(%1) FROM %2").arg(key, QuotedName(tableName)),
        condition);
}

QString DropTableStatement(QStringView tableName) {
    QString statement = QStringLiteral("DROP TABLE ");
    AppendQuotedName(statement, tableName);
    return statement;
}

QString RenameStatement(QStringView oldName, QStringView newName) {
    QString statement = QStringLiteral("RENAME ");
    AppendQuotedName(statement, oldName);
    statement += u" TO ";
    AppendQuotedName(statement, newName);
    return statement;
}

db::Value ValueOrDefault(const db::Value& value, const db::Value& fallback) {
    return value.isNull() ? fallback : value;
}

namespace {

void appendInsertInto(QString& statement, QStringView tableName, const QStringList& columns) {
    statement += u"INSERT INTO ";
    AppendQuotedName(statement, tableName);
    if (!columns.isEmpty()) {
        statement += u" (";
        for (qsizetype c = 0; c < columns.size(); ++c) {
            if (c > 0) {
                statement += u", ";
            }
            AppendQuotedName(statement, columns[c]);
        }
        statement += u')';
    }
    statement += u" VALUES(";
}

} // namespace

void BeginInsert(QString& lastStatement, QStringView tableName, const QStringList& columns) {
    lastStatement.resize(0); // keeps the capacity of the previous row's statement
    appendInsertInto(lastStatement, tableName, columns);
    lastStatement += u'\'';
}

void AppendValue(QString& lastStatement, const db::Value& value, Side target,
                 const db::LiteralForms* typed) {
    const QString& text = value.text();
    if (value.isNull() || text.isEmpty()) {
        lastStatement.chop(1); // the quote that stood ready for this value
        lastStatement += u"NULL, '";
        return;
    }
    if (value.kind() == db::Value::Kind::Boolean) {
        const db::BooleanWords words = typed ? db::BooleanWords{typed->trueWord, typed->falseWord}
                                             : db::DefaultBooleanWords(target);
        if (!words.trueWord.isEmpty()) {
            lastStatement.chop(1);
            lastStatement += text == u"True" ? words.trueWord : words.falseWord;
            lastStatement += u", '";
            return;
        }
    }
    if (value.kind() == db::Value::Kind::Binary && typed) {
        lastStatement.chop(1);
        lastStatement += typed->bytesBefore;
        lastStatement += text; // hex digits only
        lastStatement += typed->bytesAfter;
        lastStatement += u", '";
        return;
    }
    appendDoubling(lastStatement, text, u'\'');
    lastStatement += u"', '";
}

void EndInsert(QString& lastStatement) {
    lastStatement.chop(3);
    lastStatement += u')';
}

qint64 LiteralBudget(const db::LiteralLimits& limits, int values) {
    qint64 budget = limits.literalBytes;
    if (limits.statementBytes > 0) {
        // What the other values of a row, the names and the keywords take
        // is small beside a literal this long.
        const qint64 share = std::max<qint64>(limits.statementBytes / std::max(values, 1) - 256, 1);
        budget = budget > 0 ? std::min(budget, share) : share;
    }
    return budget;
}

bool LiteralTooLong(const db::Value& value, qint64 budget) {
    if (budget <= 0 || value.isNull()) {
        return false;
    }
    const db::Value::Kind kind = value.kind();
    if (kind != db::Value::Kind::Text && kind != db::Value::Kind::Binary) {
        return false;
    }
    if (value.longValue()) {
        return true; // far past any server's literal
    }
    const QString& text = value.text();
    // A UTF-16 unit is at most three bytes in UTF-8 (a pair of them four),
    // and a doubled quote two: most values are told without counting.
    if (text.size() * 3 <= budget) {
        return false;
    }
    if (text.size() > budget) {
        return true;
    }
    qint64 bytes = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        bytes += u == u'\'' ? 2 : u < 0x80 ? 1 : u < 0x800 || c.isSurrogate() ? 2 : 3;
    }
    return bytes > budget;
}

void AppendPlaceholder(QString& lastStatement) {
    lastStatement.chop(1); // the quote that stood ready for this value
    lastStatement += u"?, '";
}

QString ShownWithBound(const QString& statement, const db::BoundValues& bound) {
    if (bound.empty()) {
        return statement;
    }
    QStringList described;
    for (const db::BoundValue& value : bound) {
        described << db::BoundValueDescription(value);
    }
    return statement + QStringLiteral(" -- bound: ") + described.join(QStringLiteral(", "));
}

db::BoundValue BoundValueOf(const db::Value& value, const db::LiteralForms* typed) {
    // Without typed forms, bytes go as the text of their hex digits, as
    // their literal would.
    return {value.kind() == db::Value::Kind::Binary && typed != nullptr, value.text(),
            value.sharedLongValue()};
}

QString BoundInsertStatement(Side target, QStringView tableName, const QList<db::Value>& values,
                             const db::LiteralForms* typed, const QStringList& columns,
                             qint64 budget, db::BoundValues& bound) {
    QString statement;
    BeginInsert(statement, tableName, columns);
    for (const db::Value& value : values) {
        if (LiteralTooLong(value, budget)) {
            AppendPlaceholder(statement);
            bound.push_back(BoundValueOf(value, typed));
        } else {
            AppendValue(statement, value, target, typed);
        }
    }
    EndInsert(statement);
    return statement;
}

QString InsertStatement(Side target, QStringView tableName, const QList<db::Value>& values,
                        const db::LiteralForms* typed, const QStringList& columns) {
    QString statement;
    qsizetype size = tableName.size() + 24;
    for (const db::Value& value : values)
        size += value.text().size() + 4;
    statement.reserve(size);
    BeginInsert(statement, tableName, columns);
    for (const db::Value& value : values)
        AppendValue(statement, value, target, typed);
    EndInsert(statement);
    return statement;
}

QString PreparedInsertStatement(QStringView tableName, int columnCount,
                                const QStringList& columns) {
    QString statement;
    appendInsertInto(statement, tableName, columns);
    for (int c = 0; c < columnCount; ++c) {
        statement += c == 0 ? u"?" : u", ?";
    }
    statement += u')';
    return statement;
}

void BeginCreateTable(QString& lastStatement, QStringView tableName) {
    lastStatement.resize(0); // keeps the capacity of the previous statement
    lastStatement += u"CREATE TABLE ";
    AppendQuotedName(lastStatement, tableName);
    lastStatement += u'(';
}

void AppendColumnDefinition(QString& lastStatement, QStringView fieldName,
                            QStringView columnTypeText) {
    AppendQuotedName(lastStatement, fieldName);
    lastStatement += columnTypeText;
}

void EndCreateTable(QString& lastStatement) {
    lastStatement.chop(1);
    lastStatement += u')';
}

} // namespace kernel
