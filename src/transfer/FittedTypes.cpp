#include "FittedTypes.h"

#include "db/SqlClass.h"
#include "kernel/Statements.h"

#include <QRegularExpression>
#include <vector>

namespace transfer {

namespace {

using Kind = ColumnType::Kind;

struct Measured {
    QString name;
    bool number = false;
    int first = 0;   // the column of its first measure in the result
    int second = -1; // of its second; none for a text's bytes toward DB2
};

// Whether the column is measured, and as a number or a text.
std::optional<bool> measuredAsNumber(db::Side to, const db::ColumnDescription& description,
                                     Measuring which) {
    const db::SqlFamily family = db::ClassOfSqlType(description.sqlType).family;
    if (which == Measuring::NumbersAndTexts) {
        if (family == db::SqlFamily::Decimal || family == db::SqlFamily::Integer) {
            return true;
        }
        return family == db::SqlFamily::Text ? std::optional(false) : std::nullopt;
    }
    const ColumnType type = ExactColumnType(to, description);
    if (!Fittable(type)) {
        return std::nullopt;
    }
    const bool number = type.kind != Kind::Clob;
    if (!number && family != db::SqlFamily::Text) {
        return std::nullopt;
    }
    return number;
}

QString counted(qint64 n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

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

QMap<QString, ColumnMeasure> MeasureColumns(db::Connection& source, db::Side to,
                                            const QString& table,
                                            const QStringList& unboundedNumbers,
                                            const QString& condition, Measuring which) {
    const db::ServerBehavior::FitForms& forms = source.profile().server().fit;
    std::vector<Measured> measured;
    QStringList measures;
    {
        db::RowSet shape;
        shape.Open(kernel::NoRowsStatement(table), source);
        for (int f = 0; f < shape.Fields().count(); ++f) {
            const db::Field field = shape.Fields().item(f);
            const std::optional<bool> number = measuredAsNumber(
                to, AsDeclared(field.Description(), field.Name(), unboundedNumbers), which);
            if (!number) {
                continue;
            }
            // Oracle's VARCHAR2 holds 4 000 bytes; DB2's VARCHAR is declared
            // in characters.
            const bool second = *number || to == db::Side::Oracle;
            const QStringView a = *number ? forms.magnitude : forms.characters;
            const QStringView b = *number ? forms.fractionDigits : forms.bytes;
            if (a.isEmpty() || (second && b.isEmpty())) {
                continue;
            }
            const QString column = kernel::QuotedName(field.Name());
            const int first = int(measures.size());
            measures << a.toString().arg(column);
            if (second) {
                measures << b.toString().arg(column);
            }
            measured.push_back({field.Name(), *number, first, second ? first + 1 : -1});
        }
    }
    QMap<QString, ColumnMeasure> result;
    if (measured.empty()) {
        return result;
    }
    db::RowSet figures;
    figures.Open(kernel::MeasureStatement(table, measures, condition), source);
    for (const Measured& m : measured) {
        ColumnMeasure measure;
        measure.number = m.number;
        const db::Value first = figures.Fields().item(m.first).Value();
        // A count's text may carry a fraction (".0" from some servers).
        const auto count = [&](int column) {
            return qint64(figures.Fields().item(column).Value().text().toDouble());
        };
        if (!first.isNull()) {
            measure.anyValue = true;
            if (m.number) {
                // The largest magnitude's digits before its point are the
                // most any value has.
                const QString largest = first.text();
                const qsizetype point = largest.indexOf(u'.');
                measure.wholeDigits = int(point < 0 ? largest.size() : point);
                if (largest == u"0" || largest.startsWith(u"0.")) {
                    measure.wholeDigits = 0;
                }
                measure.fractionDigits = int(std::max<qint64>(count(m.second), 0));
            } else {
                measure.characters = count(m.first);
                if (m.second >= 0) {
                    measure.bytes = count(m.second);
                }
            }
        }
        result.insert(m.name, measure);
    }
    return result;
}

ColumnType FittedType(db::Side to, const ColumnMeasure& measure) {
    return measure.number ? FittedNumber(to, measure.wholeDigits, measure.fractionDigits)
                          : FittedText(to, measure.characters, measure.bytes.value_or(0));
}

QString HoldsText(const ColumnMeasure& measure) {
    if (!measure.anyValue) {
        return QStringLiteral("no values");
    }
    if (measure.number) {
        return QStringLiteral("up to %1 before the point, %2 after")
            .arg(counted(measure.wholeDigits, "digit", "digits"))
            .arg(measure.fractionDigits);
    }
    QString text =
        QStringLiteral("up to ") + counted(measure.characters, "character", "characters");
    if (measure.bytes && *measure.bytes != measure.characters) {
        text += QStringLiteral(", %1").arg(counted(*measure.bytes, "byte", "bytes"));
    }
    return text;
}

std::optional<QString> MeasureMisfit(const ColumnMeasure& measure, const ColumnType& type) {
    if (!measure.anyValue) {
        return std::nullopt;
    }
    const auto refused = [](const QString& why) {
        return std::optional(QStringLiteral("some values would be refused: ") + why);
    };
    if (measure.number) {
        int whole = 0;
        int fraction = 0;
        switch (type.kind) {
        case Kind::Decimal:
            whole = type.precision - type.scale;
            fraction = type.scale;
            break;
        // The most digits every value of so many digits fits in.
        case Kind::SmallInt:
            whole = 4;
            break;
        case Kind::Integer:
            whole = 9;
            break;
        case Kind::BigInt:
            whole = 18;
            break;
        default:
            return std::nullopt;
        }
        if (measure.wholeDigits > whole) {
            return refused(QStringLiteral("the largest has %1 before the point")
                               .arg(counted(measure.wholeDigits, "digit", "digits")));
        }
        if (measure.fractionDigits > fraction) {
            return refused(QStringLiteral("one has %1 after the point")
                               .arg(counted(measure.fractionDigits, "digit", "digits")));
        }
        return std::nullopt;
    }
    if (type.kind != Kind::Char && type.kind != Kind::Varchar) {
        return std::nullopt;
    }
    if (measure.characters > type.length) {
        return refused(QStringLiteral("the longest has ") +
                       counted(measure.characters, "character", "characters"));
    }
    if (type.byteLimit > 0 && measure.bytes && *measure.bytes > type.byteLimit) {
        return refused(QStringLiteral("the longest has ") +
                       counted(*measure.bytes, "byte", "bytes"));
    }
    return std::nullopt;
}

std::optional<ColumnType> TypeOfText(QStringView text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*([A-Za-z][A-Za-z0-9 ]*?)\s*(?:\(\s*(\d+)\s*(?:,\s*(\d+)\s*)?)"
                       R"((?:\s+(?:CHAR|BYTE|CODEUNITS32|OCTETS))?\s*\))?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QString name = match.captured(1).toUpper();
    const int first = match.captured(2).toInt();
    const int second = match.captured(3).toInt();
    ColumnType type;
    if (name == u"SMALLINT" || name == u"INTEGER" || name == u"INT" || name == u"BIGINT") {
        type.kind = name == u"SMALLINT" ? Kind::SmallInt
                    : name == u"BIGINT" ? Kind::BigInt
                                        : Kind::Integer;
    } else if ((name == u"DECIMAL" || name == u"NUMERIC" || name == u"NUMBER" || name == u"DEC") &&
               match.hasCaptured(2)) {
        type.kind = Kind::Decimal;
        type.precision = first;
        type.scale = second;
    } else if (match.hasCaptured(2) && !match.hasCaptured(3) &&
               (name == u"VARCHAR" || name == u"VARCHAR2" || name == u"NVARCHAR2" ||
                name == u"CHAR" || name == u"NCHAR" || name == u"CHARACTER")) {
        type.kind = name.contains(u"VAR") ? Kind::Varchar : Kind::Char;
        type.length = first;
    } else {
        return std::nullopt;
    }
    return type;
}

QMap<QString, ColumnType> FitColumnTypes(db::Connection& source, db::Side to, const QString& table,
                                         const QStringList& unboundedNumbers,
                                         const QString& condition) {
    QMap<QString, ColumnType> fitted;
    const QMap<QString, ColumnMeasure> measures =
        MeasureColumns(source, to, table, unboundedNumbers, condition, Measuring::Fittable);
    for (auto m = measures.cbegin(); m != measures.cend(); ++m) {
        if (m->anyValue) {
            fitted.insert(m.key(), FittedType(to, *m));
        }
    }
    return fitted;
}

} // namespace transfer
