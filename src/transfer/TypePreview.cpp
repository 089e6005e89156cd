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
                                const QString& table, const PreviewChoices& choices,
                                const kernel::TypeRules* rules) {
    // As the copy does: the catalogue first, then the table's description.
    const QStringList unbounded =
        choices.exactTypes ? kernel::UnboundedNumberColumns(source, table) : QStringList();
    const bool fit = choices.exactTypes && choices.fitTypes;
    QMap<QString, ColumnMeasure> measures;
    if (fit || choices.measureAll) {
        measures =
            MeasureColumns(source, to, table, unbounded, {},
                           choices.measureAll ? Measuring::NumbersAndTexts : Measuring::Fittable);
    }
    const std::optional<kernel::TypeRules> typeRulesOnly =
        rules != nullptr ? std::optional(rules->withoutColumnRules(to, table)) : std::nullopt;
    db::RowSet rows;
    rows.Open(kernel::NoRowsStatement(table), source);
    const db::ServerKind dialect = DialectOf(to, targetServer);
    TablePreview preview;
    QStringList names;
    for (int f = 0; f < rows.Fields().count(); ++f) {
        const db::Field field = rows.Fields().item(f);
        // Rules match the type as the driver describes it, as the copy's do.
        const db::ColumnDescription described = field.Description();
        ColumnMapping column;
        column.name = field.Name();
        column.sourceType = SourceTypeText(described);
        std::optional<ColumnType> limits;
        if (!choices.exactTypes) {
            column.targetType = ColumnTypeFor(to, field.Type()).mid(1).chopped(1);
            column.rule = QStringLiteral("default");
            limits = DefaultColumnLimits(to, field.Type());
        } else {
            const db::ColumnDescription declared = AsDeclared(described, column.name, unbounded);
            column.rule = unbounded.contains(column.name)
                              ? QStringLiteral("exact; declared without a precision")
                              : QStringLiteral("exact");
            // Fitting narrows only the types that say too little.
            QMap<QString, ColumnType> fittedHere;
            if (const auto m = measures.constFind(column.name);
                fit && m != measures.cend() && m->anyValue &&
                Fittable(ExactColumnType(to, declared))) {
                fittedHere.insert(column.name, FittedType(to, *m));
                column.rule = QStringLiteral("fitted to the values");
            }
            limits = DeclaredType(to, declared, column.name, fittedHere);
            column.targetType = ColumnTypeName(*limits, dialect);
        }
        column.unruledType = column.targetType;
        if (rules != nullptr) {
            const auto ruleFor = [&](const kernel::TypeRules& from) {
                return from.ruleFor(to, table, column.name, described.typeName, described.size,
                                    described.decimalDigits);
            };
            if (const std::optional<kernel::TypeRule> rule = ruleFor(*rules)) {
                column.targetType = rule->target;
                column.rule = QStringLiteral("rule ") + rule->origin;
                limits = TypeOfText(rule->target);
            }
            if (const std::optional<kernel::TypeRule> rule = ruleFor(*typeRulesOnly)) {
                column.unruledType = rule->target;
            }
        }
        if (const auto m = measures.constFind(column.name); m != measures.cend()) {
            column.measure = *m;
            column.holds = HoldsText(*m);
            if (limits) {
                column.misfit = MeasureMisfit(*m, *limits).value_or(QString());
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
