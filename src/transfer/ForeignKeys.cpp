#include "ForeignKeys.h"

#include "TableStructure.h"
#include "kernel/Statements.h"

#include <QMap>
#include <sql.h>
#include <sqlext.h>

namespace transfer {

using kernel::QuotedName;

namespace {

struct ForeignKey {
    QString name;
    QString referenced;
    QMap<int, std::pair<QString, QString>> columns; // place → (column, referenced column)
    int deleteRule = SQL_NO_ACTION;
};

// The table's keys, by name; several schemas' tables of the name: none.
std::vector<ForeignKey> foreignKeysOf(db::Connection& source, const QString& table) {
    QMap<QString, ForeignKey> keys;
    db::RowSet rows = source.OpenForeignKeys(table);
    QString schema;
    for (bool first = true; !rows.Eof(); rows.MoveNext(), first = false) {
        const auto text = [&](int field) { return rows.Fields().item(field).Value().text(); };
        if (first) {
            schema = text(5);
        } else if (text(5) != schema) {
            return {};
        }
        ForeignKey& key = keys[text(11)];
        key.name = text(11);
        key.referenced = text(2);
        key.columns.insert(text(8).toInt(), {text(7), text(3)});
        key.deleteRule = rows.Fields().item(10).Value().isNull() ? SQL_NO_ACTION : text(10).toInt();
    }
    return {keys.begin(), keys.end()};
}

} // namespace

void MakeForeignKeys(const ForeignKeyRun& run, std::vector<kernel::TableCopy*> tables) {
    for (kernel::TableCopy* table : tables) {
        std::vector<ForeignKey> keys;
        if (!run.trap.step(foreignKeyStep,
                           [&] { keys = foreignKeysOf(run.source, table->table); })) {
            table->structureMissed.push_back(
                {QStringLiteral("foreign keys"), QStringLiteral("the source's catalogue could "
                                                                "not be read")});
            continue;
        }
        for (const ForeignKey& key : keys) {
            const QString object = QStringLiteral("foreign key %1").arg(QuotedName(key.name));
            const std::optional<QString> referenced = run.onTarget(key.referenced);
            if (!referenced) {
                const QString why = QStringLiteral("it refers to %1, which the target does not "
                                                   "have")
                                        .arg(QuotedName(key.referenced));
                table->structureMissed.push_back({object, why});
                if (!run.dryRun) {
                    run.trap.report(QStringLiteral("The %1 of %2 is not made: %3.")
                                        .arg(object, QuotedName(table->table), why));
                }
                continue;
            }
            QStringList columns;
            QStringList targets;
            for (const auto& [column, target] : key.columns) {
                columns << QuotedName(column);
                targets << QuotedName(target);
            }
            // Oracle knows no ON UPDATE, and no other ON DELETE than these.
            const QString onDelete =
                key.deleteRule == SQL_CASCADE    ? QStringLiteral(" ON DELETE CASCADE")
                : key.deleteRule == SQL_SET_NULL ? QStringLiteral(" ON DELETE SET NULL")
                                                 : QString();
            const QString sql =
                QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 FOREIGN KEY (%3) REFERENCES "
                               "%4 (%5)%6")
                    .arg(QuotedName(table->table), QuotedName(key.name),
                         columns.join(QStringLiteral(", ")), QuotedName(*referenced),
                         targets.join(QStringLiteral(", ")), onDelete);
            if (run.dryRun) {
                table->structureStatements << sql;
                continue;
            }
            run.lastStatement = sql;
            QString why;
            if (run.trap.step(foreignKeyStep, [&] {
                    ExecuteMaking(run.target, sql,
                                  QStringLiteral("%1 of %2").arg(object, QuotedName(table->table)),
                                  &why);
                })) {
                table->structureMade << object;
            } else {
                table->structureMissed.push_back({object, why});
            }
        }
    }
}

} // namespace transfer
