#include "TableOrder.h"

#include "Statements.h"
#include "db/SqlClass.h"

#include <QMap>
#include <algorithm>
#include <optional>
#include <sql.h>
#include <sqlext.h>

namespace kernel {

namespace {

struct Described {
    QString name;
    db::ColumnDescription description;
};

std::vector<Described> describe(db::Connection& connection, const QString& table) {
    db::RowSet rows;
    rows.Open(NoRowsStatement(table), connection);
    std::vector<Described> columns;
    for (int f = 0; f < rows.Fields().count(); ++f) {
        columns.push_back({rows.Fields().item(f).Name(), rows.Fields().item(f).Description()});
    }
    return columns;
}

QString text(const db::RowSet& rows, int field) {
    return rows.Fields().item(field).Value().text();
}

// The catalogue's keys of a table, each as its columns in order. A table
// name found in several schemas gives no key: which one is the login's
// cannot be told here, and a wrong key would pair the wrong rows.
struct Key {
    QString name;
    QStringList columns;
};

std::vector<Key> keysOf(db::RowSet rows, int nameField, int positionField, int columnField,
                        const std::function<bool(const db::RowSet&)>& take) {
    QMap<QString, QMap<QString, QMap<int, QString>>> bySchema; // schema → key → place → column
    for (; !rows.Eof(); rows.MoveNext()) {
        if (!take(rows)) {
            continue;
        }
        const QString name = nameField < 0 ? QString() : text(rows, nameField);
        bySchema[text(rows, 1)][name].insert(text(rows, positionField).toInt(),
                                             text(rows, columnField));
    }
    std::vector<Key> keys;
    if (bySchema.size() != 1) {
        return keys;
    }
    const auto& byName = bySchema.first();
    for (auto k = byName.begin(); k != byName.end(); ++k) {
        keys.push_back({k.key(), k.value().values()});
    }
    return keys;
}

std::optional<std::size_t> indexOf(const std::vector<ComparedColumn>& columns, QStringView name) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return std::nullopt;
}

// The key the rows are sorted by: the primary key, else the unique index
// with the fewest columns, all NOT NULL (a NULL in a unique index does not
// make a row known).
std::optional<Key> chooseKey(db::Connection& source, const QString& table,
                             const std::vector<ComparedColumn>& columns,
                             const std::vector<Described>& described) {
    std::vector<Key> keys =
        keysOf(source.OpenPrimaryKey(table), -1, 4, 3, [](const db::RowSet&) { return true; });
    if (!keys.empty()) {
        keys.front().name = QStringLiteral("its primary key");
        return keys.front();
    }
    keys = keysOf(source.OpenUniqueIndexes(table), 5, 7, 8, [](const db::RowSet& rows) {
        const db::Value type = rows.Fields().item(6).Value();
        const db::Value nonUnique = rows.Fields().item(3).Value();
        return type.text().toInt() != SQL_TABLE_STAT && !nonUnique.isNull() &&
               nonUnique.text() != u"True" && nonUnique.text().toInt() == 0;
    });
    std::optional<Key> best;
    for (const Key& key : keys) {
        const bool usable = std::all_of(key.columns.begin(), key.columns.end(), [&](auto& name) {
            const std::optional<std::size_t> at = indexOf(columns, name);
            return at && described[columns[*at].sourceField].description.nullable ==
                             db::ColumnDescription::Nullable::No;
        });
        if (usable && (!best || key.columns.size() < best->columns.size())) {
            best = key;
            best->name = QStringLiteral("its unique index %1").arg(QuotedName(key.name));
        }
    }
    return best;
}

bool isLong(const db::ColumnDescription& column) {
    return db::ClassOfSqlType(column.sqlType).isLong && (column.size <= 0 || column.size > 32672);
}

QString applied(QStringView form, const QString& term) {
    return form.isEmpty() ? term : form.toString().arg(term);
}

// The sort term of one column on one side: text by code point (its empty
// text as the Null the copy made of it), numbers kept as text by their
// value; the copy's target may hold any of them as text.
QString sortTerm(const db::OrderForms& forms, const QString& quoted, Category as, Category holds) {
    QString term = quoted;
    if (holds == Category::Text) {
        const QString nonEmpty = NullIfEmpty(quoted);
        term = as == Category::Number ? applied(forms.number, nonEmpty)
                                      : applied(forms.codePoints, nonEmpty);
    }
    return term + forms.nullsFirst.toString();
}

bool isWholeNumber(const db::ColumnDescription& column) {
    switch (db::ClassOfSqlType(column.sqlType).family) {
    case db::SqlFamily::Integer:
        return true;
    case db::SqlFamily::Decimal:
        return column.size > 0 && column.decimalDigits == 0;
    default:
        return false;
    }
}

// A whole-number column's value; the whole number a text column holds.
QString wholeNumberTerm(const db::OrderForms& forms, const QString& quoted, Category holds) {
    return holds == Category::Text ? applied(forms.wholeNumber, NullIfEmpty(quoted)) : quoted;
}

QString columnList(const std::vector<ComparedColumn>& columns, const std::vector<std::size_t>& of) {
    QStringList names;
    for (std::size_t i : of) {
        names << QuotedName(columns[i].name);
    }
    return names.join(QStringLiteral(", "));
}

} // namespace

void PrepareKeyOrder(db::Connection& connection) {
    for (const QString& setUp : connection.profile().server().order.setUp) {
        connection.Execute(setUp);
    }
}

TableOrder PlanOrder(db::Connection& source, const QString& sourceTable, db::Connection& target,
                     const QString& targetTable, const QString& sourceCondition) {
    TableOrder order;
    const std::vector<Described> sourceColumns = describe(source, sourceTable);
    const std::vector<Described> targetColumns = describe(target, targetTable);
    QStringList problems;
    std::vector<bool> matched(targetColumns.size(), false);
    for (std::size_t s = 0; s < sourceColumns.size(); ++s) {
        const auto found = std::find_if(targetColumns.begin(), targetColumns.end(), [&](auto& t) {
            return t.name.compare(sourceColumns[s].name, Qt::CaseInsensitive) == 0;
        });
        if (found == targetColumns.end()) {
            problems << QStringLiteral("the target has no column %1")
                            .arg(QuotedName(sourceColumns[s].name));
            continue;
        }
        const std::size_t t = std::size_t(found - targetColumns.begin());
        matched[t] = true;
        order.columns.push_back(
            {sourceColumns[s].name, found->name, int(s), int(t),
             CategoryOf(sourceColumns[s].description),
             IsPadded(sourceColumns[s].description) || IsPadded(found->description),
             sourceColumns[s].description, found->description});
    }
    for (std::size_t t = 0; t < targetColumns.size(); ++t) {
        if (!matched[t]) {
            problems << QStringLiteral("the source has no column %1")
                            .arg(QuotedName(targetColumns[t].name));
        }
    }
    if (!problems.isEmpty()) {
        order.problem = problems.join(QStringLiteral("; "));
        order.columnsDiffer = true;
        return order;
    }

    if (const std::optional<Key> key =
            chooseKey(source, sourceTable, order.columns, sourceColumns)) {
        for (const QString& name : key->columns) {
            order.sortedBy.push_back(*indexOf(order.columns, name));
        }
        order.keyed = true;
        order.description =
            key->name + QStringLiteral(" (") + columnList(order.columns, order.sortedBy) + u')';
    } else {
        const db::OrderForms& sourceForms = source.profile().server().order;
        const db::OrderForms& targetForms = target.profile().server().order;
        QStringList unsorted;
        for (std::size_t i = 0; i < order.columns.size(); ++i) {
            const ComparedColumn& c = order.columns[i];
            const bool sortable = (!isLong(sourceColumns[std::size_t(c.sourceField)].description) ||
                                   sourceForms.sortsLongValues) &&
                                  (!isLong(targetColumns[std::size_t(c.targetField)].description) ||
                                   targetForms.sortsLongValues);
            if (sortable) {
                order.sortedBy.push_back(i);
            } else {
                unsorted << QuotedName(c.name);
            }
        }
        order.description = unsorted.isEmpty()
                                ? QStringLiteral("every column (it has no key)")
                                : QStringLiteral("every column but %1 (it has no key)")
                                      .arg(unsorted.join(QStringLiteral(", ")));
        if (order.sortedBy.empty()) {
            order.problem = QStringLiteral("it has no key and no column that both servers can "
                                           "sort by");
            return order;
        }
    }

    QStringList sourceTerms;
    QStringList targetTerms;
    for (std::size_t i : order.sortedBy) {
        const ComparedColumn& c = order.columns[i];
        const QString quoted = QuotedName(c.name);
        // The source holds a zoned value as an instant, whatever its text.
        const Category held = sourceColumns[std::size_t(c.sourceField)].description.zoned
                                  ? Category::Time
                                  : c.category;
        sourceTerms << sortTerm(source.profile().server().order, quoted, c.category, held);
        targetTerms << sortTerm(target.profile().server().order,
                                QuotedName(targetColumns[std::size_t(c.targetField)].name),
                                c.category,
                                CategoryOf(targetColumns[std::size_t(c.targetField)].description));
    }
    order.sourceOrderBy = QStringLiteral(" ORDER BY ") + sourceTerms.join(QStringLiteral(", "));
    order.targetOrderBy = QStringLiteral(" ORDER BY ") + targetTerms.join(QStringLiteral(", "));
    order.sourceSelect = SelectWhereStatement(sourceTable, sourceCondition) + order.sourceOrderBy;
    order.targetSelect = SelectAllStatement(targetTable) + order.targetOrderBy;
    if (order.keyed && order.sortedBy.size() == 1) {
        const ComparedColumn& key = order.columns[order.sortedBy.front()];
        const db::ColumnDescription& held = sourceColumns[std::size_t(key.sourceField)].description;
        if (isWholeNumber(held)) {
            const db::ColumnDescription& copy =
                targetColumns[std::size_t(key.targetField)].description;
            const QString sourceQuoted = QuotedName(key.name);
            const QString targetQuoted = QuotedName(key.targetName);
            const db::OrderForms& targetForms = target.profile().server().order;
            order.sourceNumberKey = sourceQuoted;
            order.targetNumberKey = wholeNumberTerm(targetForms, targetQuoted, CategoryOf(copy));
            order.sourceKeyText = applied(source.profile().server().order.keyText, sourceQuoted);
            order.targetKeyText = CategoryOf(copy) == Category::Text
                                      ? targetQuoted
                                      : applied(targetForms.keyText, targetQuoted);
        }
    }
    return order;
}

std::optional<QStringList> TargetColumnNames(db::Connection& target, const QString& targetTable,
                                             const QStringList& sourceColumns, QString* problem) {
    const std::vector<Described> targetColumns = describe(target, targetTable);
    QStringList names;
    QStringList problems;
    for (const QString& column : sourceColumns) {
        const auto found = std::find_if(targetColumns.begin(), targetColumns.end(), [&](auto& t) {
            return t.name.compare(column, Qt::CaseInsensitive) == 0;
        });
        if (found == targetColumns.end()) {
            problems << QStringLiteral("the target has no column %1").arg(QuotedName(column));
        } else {
            names << found->name;
        }
    }
    if (qsizetype(targetColumns.size()) != names.size()) {
        problems << QStringLiteral("the target has %1 columns, the source %2")
                        .arg(targetColumns.size())
                        .arg(sourceColumns.size());
    }
    if (!problems.isEmpty()) {
        *problem = problems.join(QStringLiteral("; "));
        return std::nullopt;
    }
    return names;
}

CuttingKey KeyToCutBy(db::Connection& connection, const QString& table) {
    // The table against itself: its key is the key of both sides.
    const TableOrder order = PlanOrder(connection, table, connection, table);
    if (!order.keyed || order.sortedBy.size() != 1) {
        return {};
    }
    if (!order.sourceNumberKey.isEmpty()) {
        return {CuttingKey::Kind::WholeNumber, order.sourceNumberKey};
    }
    const ComparedColumn& key = order.columns[order.sortedBy.front()];
    const db::ColumnDescription column =
        describe(connection, table)[std::size_t(key.sourceField)].description;
    if (column.zoned) {
        return {};
    }
    switch (db::ClassOfSqlType(column.sqlType).family) {
    case db::SqlFamily::Date:
        return {CuttingKey::Kind::Date, QuotedName(key.name)};
    case db::SqlFamily::Timestamp:
        return {CuttingKey::Kind::Timestamp, QuotedName(key.name)};
    default:
        return {};
    }
}

} // namespace kernel
