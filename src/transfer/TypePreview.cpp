#include "TypePreview.h"

#include "Datatype.h"
#include "ExactTypes.h"
#include "FittedTypes.h"
#include "db/SqlClass.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"

namespace transfer {

namespace {

// The driver's name with the size and scale it gives, where they matter.
QString SourceTypeText(const db::ColumnDescription& description) {
    QString text = description.typeName.isEmpty()
                       ? QStringLiteral("type %1").arg(description.sqlType)
                       : description.typeName;
    using F = db::SqlFamily;
    const db::SqlClass type = db::ClassOfSqlType(description.sqlType);
    if (description.size > 0 && !type.isLong &&
        (type.family == F::Text || type.family == F::Bytes)) {
        text += QStringLiteral("(%1)").arg(description.size);
    } else if (description.size > 0 && type.family == F::Decimal) {
        text += QStringLiteral("(%1,%2)").arg(description.size).arg(description.decimalDigits);
    }
    return text;
}

} // namespace

TablePreview PreviewColumnTypes(db::Connection& source, db::Side to, db::ServerKind targetServer,
                                const QString& table, bool exactTypes, bool fitTypes,
                                const kernel::TypeRules* rules) {
    // As the copy does: the catalogue first, then the table's description.
    const QStringList unbounded =
        exactTypes ? kernel::UnboundedNumberColumns(source, table) : QStringList();
    const QMap<QString, ColumnType> fitted = exactTypes && fitTypes
                                                 ? FitColumnTypes(source, to, table, unbounded, {})
                                                 : QMap<QString, ColumnType>();
    db::RowSet rows;
    rows.Open(kernel::NoRowsStatement(table), source);
    const db::ServerKind dialect = DialectOf(to, targetServer);
    TablePreview preview;
    QStringList names;
    for (int f = 0; f < rows.Fields().count(); ++f) {
        const db::Field field = rows.Fields().item(f);
        // Rules match the type as the driver describes it, as the copy's do.
        const db::ColumnDescription described = field.Description();
        ColumnMapping column{field.Name(), SourceTypeText(described), {}, {}};
        if (!exactTypes) {
            column.targetType = ColumnTypeFor(to, field.Type()).mid(1).chopped(1);
            column.rule = QStringLiteral("default");
        } else {
            column.rule = unbounded.contains(column.name)
                              ? QStringLiteral("exact; declared without a precision")
                              : QStringLiteral("exact");
            if (fitted.contains(column.name)) {
                column.rule = QStringLiteral("fitted to the values");
            }
            column.targetType =
                ColumnTypeName(DeclaredType(to, AsDeclared(described, column.name, unbounded),
                                            column.name, fitted),
                               dialect);
        }
        if (rules != nullptr) {
            if (const std::optional<kernel::TypeRule> rule =
                    rules->ruleFor(to, table, column.name, described.typeName, described.size,
                                   described.decimalDigits)) {
                column.targetType = rule->target;
                column.rule = QStringLiteral("rule ") + rule->origin;
            }
        }
        names << column.name;
        preview.columns.push_back(std::move(column));
    }
    if (rules != nullptr) {
        preview.warnings = rules->unknownColumns(to, table, names);
    }
    return preview;
}

} // namespace transfer
