#include "FittedTypes.h"

#include "db/SqlClass.h"
#include "kernel/Statements.h"

#include <vector>

namespace transfer {

namespace {

struct Measured {
    QString name;
    bool number = false;
    int first = 0; // the column of its first measure in the result
};

} // namespace

db::ColumnDescription AsDeclared(db::ColumnDescription description, const QString& name,
                                 const QStringList& unboundedNumbers) {
    if (unboundedNumbers.contains(name)) {
        description.size = 0;
    }
    return description;
}

ColumnType DeclaredType(db::Side to, const db::ColumnDescription& declared, const QString& name,
                        const QMap<QString, ColumnType>& fitted) {
    ColumnType type = ExactColumnType(to, declared);
    if (const auto fit = fitted.constFind(name); fit != fitted.cend()) {
        const bool notNull = type.notNull;
        type = *fit;
        type.notNull = notNull;
    }
    return type;
}

QMap<QString, ColumnType> FitColumnTypes(db::Connection& source, db::Side to, const QString& table,
                                         const QStringList& unboundedNumbers,
                                         const QString& condition) {
    const db::ServerBehavior::FitForms& forms = source.profile().server().fit;
    std::vector<Measured> measured;
    QStringList measures;
    {
        db::RowSet shape;
        shape.Open(kernel::NoRowsStatement(table), source);
        for (int f = 0; f < shape.Fields().count(); ++f) {
            const db::Field field = shape.Fields().item(f);
            const db::ColumnDescription description =
                AsDeclared(field.Description(), field.Name(), unboundedNumbers);
            const ColumnType type = ExactColumnType(to, description);
            if (!Fittable(type)) {
                continue;
            }
            const bool number = type.kind != ColumnType::Kind::Clob;
            if (!number && db::ClassOfSqlType(description.sqlType).family != db::SqlFamily::Text) {
                continue;
            }
            const QStringView a = number ? forms.magnitude : forms.characters;
            const QStringView b = number ? forms.fractionDigits : forms.bytes;
            if (a.isEmpty() || b.isEmpty()) {
                continue;
            }
            const QString column = kernel::QuotedName(field.Name());
            measured.push_back({field.Name(), number, int(measures.size())});
            measures << a.toString().arg(column) << b.toString().arg(column);
        }
    }
    QMap<QString, ColumnType> fitted;
    if (measured.empty()) {
        return fitted;
    }
    db::RowSet figures;
    figures.Open(kernel::MeasureStatement(table, measures, condition), source);
    for (const Measured& m : measured) {
        const db::Value first = figures.Fields().item(m.first).Value();
        const db::Value second = figures.Fields().item(m.first + 1).Value();
        if (first.isNull() || second.isNull()) {
            continue; // no value to fit to
        }
        // A count's text may carry a fraction (".0" from some servers); the
        // largest magnitude's digits before its point are the most any
        // value has.
        const qint64 b = qint64(second.text().toDouble());
        if (m.number) {
            const QString largest = first.text();
            const qsizetype point = largest.indexOf(u'.');
            const int whole = int(point < 0 ? largest.size() : point);
            fitted.insert(m.name, FittedNumber(to, whole, int(std::max<qint64>(b, 0))));
        } else {
            fitted.insert(m.name, FittedText(to, qint64(first.text().toDouble()), b));
        }
    }
    return fitted;
}

} // namespace transfer
