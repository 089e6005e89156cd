#include "Routines.h"

#include "Statements.h"
#include "db/Session.h"

namespace kernel {

bool SameTableName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::optional<QString> TargetSpelling(const QStringList& names, const QString& name) {
    if (names.contains(name)) {
        return name;
    }
    for (const QString& listed : names) {
        if (SameTableName(listed, name)) {
            return listed;
        }
    }
    return std::nullopt;
}

bool ListContainsName(const shell::TableList& list, QStringView name) {
    for (int i = 0; i < list.count(); ++i) {
        if (SameTableName(list.name(i), name)) {
            return true;
        }
    }
    return false;
}

void RemoveListName(const shell::TableList& list, QStringView name) {
    // From the end, so an item that moves up into an emptied position has
    // already been looked at.
    for (int i = list.count() - 1; i >= 0; --i) {
        if (list.name(i) == name) {
            list.removeRow(i);
        }
    }
}

void AddListName(const shell::TableList& list, const QString& name) {
    list.addName(name);
}

void ExecuteStatement(db::Connection& connection, const QString& statement) {
    connection.Execute(statement);
}

qint64 CountRows(db::Connection& connection, QStringView tableName, const QString& condition) {
    db::RowSet count;
    count.Open(CountWhereStatement(tableName, condition), connection);
    return count.Fields().item(0).Value().text().toLongLong();
}

QStringList UnboundedNumberColumns(db::Connection& connection, QStringView tableName) {
    const QStringView form = connection.profile().server().unboundedNumbers;
    if (form.isEmpty()) {
        return {};
    }
    QStringList names;
    try {
        db::RowSet columns;
        columns.Open(form.toString().arg(TextLiteral(tableName)), connection);
        for (; !columns.Eof(); columns.MoveNext()) {
            names << columns.Fields().item(0).Value().text();
        }
    } catch (const db::Error&) {
        return {};
    }
    return names;
}

} // namespace kernel
