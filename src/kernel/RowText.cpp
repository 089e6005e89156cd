#include "RowText.h"

#include "Statements.h"
#include "db/SqlClass.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace kernel {

namespace {

using db::SqlFamily;

// What a column's values are written as.
enum class Form : unsigned char { WholeNumber, Decimal, Boolean, Timestamp, Time, Bytes, Text };

// A number, a time or a Boolean's text is at most so long.
constexpr qint64 shortBytes = 45;
// What a length, its colon and the separator after a value add.
constexpr qint64 textOverhead = 8;
// A value written as the hex digits of its MD5.
constexpr qint64 digestBytes = 32;

std::optional<Form> formOf(const db::ColumnDescription& column) {
    if (column.zoned) {
        return std::nullopt;
    }
    switch (db::ClassOfSqlType(column.sqlType).family) {
    case SqlFamily::Integer:
        return Form::WholeNumber;
    case SqlFamily::Decimal:
        return column.size > 0 && column.decimalDigits == 0 ? Form::WholeNumber : Form::Decimal;
    case SqlFamily::Real:
    case SqlFamily::Double:
        // Oracle's NUMBER without a precision, as its driver describes it.
        if (db::IsDecimalTypeName(column.typeName)) {
            return Form::Decimal;
        }
        return std::nullopt;
    case SqlFamily::Boolean:
        return Form::Boolean;
    case SqlFamily::Date:
    case SqlFamily::Timestamp:
        return Form::Timestamp;
    case SqlFamily::Time:
        return Form::Time;
    case SqlFamily::Bytes:
        return Form::Bytes;
    case SqlFamily::Text:
    case SqlFamily::Guid:
    case SqlFamily::Other:
        break;
    }
    return Form::Text;
}

bool isNumber(Form form) {
    return form == Form::WholeNumber || form == Form::Decimal || form == Form::Boolean;
}

// Whether the two forms write one value alike: a Boolean copied as a
// number, a number of any scale, bytes copied as their hex digits.
// A number, Boolean, timestamp or bytes the copy made text: as its text.
bool alike(Form source, Form target) {
    return source == target || (isNumber(source) && isNumber(target)) ||
           (target == Form::Text && source != Form::Time);
}

bool isLob(const db::ColumnDescription& column) {
    return db::ClassOfSqlType(column.sqlType).isLong;
}

// The most bytes a column's text can take on a server: four a character.
qint64 declaredBytes(const db::ColumnDescription& column, Form form,
                     const db::ChecksumForms& forms) {
    if (form != Form::Text && form != Form::Bytes) {
        return shortBytes;
    }
    // A text's characters, or bytes as two hex digits each.
    const qint64 perUnit = form == Form::Text ? 4 : 2;
    qint64 bytes = column.size > 0 ? column.size * perUnit : std::numeric_limits<qint64>::max() / 8;
    if (!isLob(column) && forms.columnBytes > 0) {
        bytes = std::min(bytes, forms.columnBytes * (form == Form::Text ? 1 : 2));
    }
    return bytes;
}

struct Column {
    QString sourceName;
    QString targetName;
    Form sourceForm;
    Form targetForm;
    db::ColumnDescription sourceType;
    db::ColumnDescription targetType;
    bool padded;
    qint64 bytes;        // the longer side's
    bool digest = false; // written as its MD5
    // A decimal's scale where both sides have the same one, else 0.
    int scale = 0;
};

QString zeros(int count) {
    return QString(count, u'0');
}

class Writer {
public:
    explicit Writer(const db::ServerBehavior& server)
        : forms_(server.checksum), md5_(server.order.md5Hex) {}

    QString row(const std::vector<Column>& columns, bool target) const {
        QStringList pieces;
        for (const Column& c : columns) {
            if (!pieces.isEmpty()) {
                pieces << QStringLiteral("'|'");
            }
            pieces << piece(c, target);
        }
        return join(pieces);
    }

private:
    QString join(const QStringList& pieces) const {
        return forms_.joinOpen.toString() + pieces.join(forms_.joinSeparator.toString()) +
               forms_.joinClose.toString();
    }
    static QString form(QStringView form, const QString& term) { return form.toString().arg(term); }
    static QString literal(const QString& text) { return u'\'' + text + u'\''; }

    // A time without its fraction's trailing zeros; a date at midnight.
    QString time(const db::ColumnDescription& column, Form kind, const QString& quoted) const {
        if (db::ClassOfSqlType(column.sqlType).family == SqlFamily::Date) {
            return join({form(forms_.date, quoted), literal(QStringLiteral(" 00:00:00"))});
        }
        // The server writes the column's own digits: a point only with some.
        const bool whole = column.decimalDigits == 0;
        if (kind == Form::Time) {
            return form(whole && !forms_.timeWhole.isEmpty() ? forms_.timeWhole : forms_.time,
                        quoted);
        }
        return form(whole && !forms_.timestampWhole.isEmpty() ? forms_.timestampWhole
                                                              : forms_.timestamp,
                    quoted);
    }

    // The column's value in its canonical form; NULL for NULL.
    QString value(const Column& c, const QString& quoted, Form kind,
                  const db::ColumnDescription& column) const {
        switch (kind) {
        case Form::WholeNumber:
            return form(forms_.wholeNumber, quoted);
        case Form::Decimal:
            if (c.scale > 0) {
                return forms_.decimalOwn.isEmpty()
                           ? forms_.decimalFixed.toString().arg(quoted, zeros(c.scale))
                           : form(forms_.decimalOwn, quoted);
            }
            return form(forms_.decimal, quoted);
        case Form::Boolean:
            return form(forms_.boolean, quoted);
        case Form::Timestamp:
        case Form::Time:
            return time(column, kind, quoted);
        case Form::Bytes:
            return NullIfEmpty(form(forms_.bytes, quoted));
        case Form::Text:
            break;
        }
        return {};
    }

    QString piece(const Column& c, bool target) const {
        const QString quoted = QuotedName(target ? c.targetName : c.sourceName);
        const Form kind = target ? c.targetForm : c.sourceForm;
        const db::ColumnDescription& column = target ? c.targetType : c.sourceType;
        // What decides the piece's NULL mark, and what it writes.
        QString tested;
        QString content;
        // Both sides write a value of the column in one shape: a text,
        // and bytes that went into a text, with its length first.
        const bool sized = c.sourceForm == Form::Text || c.targetForm == Form::Text;
        if (kind == Form::Text) {
            QString text = quoted;
            if (c.sourceForm == Form::Bytes) {
                text = form(forms_.upper, text); // hex digits in either case
            } else if (c.padded) {
                text = form(forms_.rtrim, text);
            }
            tested = NullIfEmpty(text);
            // What the copy made text of, written as its source writes it;
            // a timestamp's text is the canonical one already.
            if (isNumber(c.sourceForm)) {
                tested = form(
                    c.sourceForm == Form::Boolean ? forms_.booleanText : forms_.numberText, tested);
                text = tested;
            }
            content = c.digest ? form(forms_.upper, form(md5_, form(forms_.text, tested)))
                               : join({form(forms_.length, tested), QStringLiteral("':'"),
                                       form(forms_.text, text)});
        } else {
            tested = value(c, quoted, kind, column);
            content = c.digest ? form(forms_.upper, form(md5_, tested))
                      : sized  ? join({form(forms_.length, tested), QStringLiteral("':'"), tested})
                               : tested;
        }
        if (forms_.joinKeepsNull) {
            return QStringLiteral("COALESCE(%1, '~')").arg(content);
        }
        return QStringLiteral("CASE WHEN %1 IS NULL THEN '~' ELSE %2 END").arg(tested, content);
    }

    const db::ChecksumForms& forms_;
    QStringView md5_;
};

QString familyWord(Form form) {
    switch (form) {
    case Form::WholeNumber:
    case Form::Decimal:
        return QStringLiteral("a number");
    case Form::Boolean:
        return QStringLiteral("a Boolean");
    case Form::Timestamp:
        return QStringLiteral("a date or timestamp");
    case Form::Time:
        return QStringLiteral("a time of day");
    case Form::Bytes:
        return QStringLiteral("bytes");
    case Form::Text:
        break;
    }
    return QStringLiteral("text");
}

} // namespace

RowTexts CanonicalRowTexts(const TableOrder& order, const db::ServerBehavior& source,
                           const db::ServerBehavior& target) {
    RowTexts texts;
    std::vector<Column> columns;
    for (const ComparedColumn& c : order.columns) {
        const QString quoted = QuotedName(c.name);
        const std::optional<Form> s = formOf(c.sourceType);
        const std::optional<Form> t = formOf(c.targetType);
        if (c.sourceType.zoned || c.targetType.zoned) {
            texts.why = QStringLiteral("column %1 holds timestamps with a zone").arg(quoted);
        } else if (!s || !t) {
            texts.why = QStringLiteral("column %1 is a floating-point number, which the servers "
                                       "write in forms of their own")
                            .arg(quoted);
        } else if (!alike(*s, *t)) {
            texts.why = QStringLiteral("column %1 is %2 on the source and %3 on the target")
                            .arg(quoted, familyWord(*s), familyWord(*t));
        } else if ((isLob(c.sourceType) && !source.checksum.hashesLobs) ||
                   (isLob(c.targetType) && !target.checksum.hashesLobs)) {
            texts.why = QStringLiteral("column %1 is a LOB, which a hash on the %2 does not take")
                            .arg(quoted, isLob(c.sourceType) && !source.checksum.hashesLobs
                                             ? QStringLiteral("source")
                                             : QStringLiteral("target"));
        }
        if (!texts.why.isEmpty()) {
            return texts;
        }
        const qint64 bytes = std::max(declaredBytes(c.sourceType, *s, source.checksum),
                                      declaredBytes(c.targetType, *t, target.checksum));
        Column column{c.name,   c.targetName,         *s,
                      *t,       c.sourceType,         c.targetType,
                      c.padded, bytes + textOverhead, isLob(c.sourceType) || isLob(c.targetType)};
        if (*s == Form::Decimal && *t == Form::Decimal && c.sourceType.size > 0 &&
            c.targetType.size > 0 && c.sourceType.decimalDigits == c.targetType.decimalDigits) {
            column.scale = c.sourceType.decimalDigits;
        }
        columns.push_back(column);
    }
    // A row's text must fit the smaller of the two hashes' limits: the
    // longest values go as their digests until it does.
    const auto limit = [](qint64 bytes) {
        return bytes > 0 ? bytes : std::numeric_limits<qint64>::max();
    };
    const qint64 most =
        std::min(limit(source.checksum.hashedBytes), limit(target.checksum.hashedBytes));
    for (;;) {
        qint64 total = 0;
        Column* longest = nullptr;
        for (Column& c : columns) {
            total += c.digest ? digestBytes + 1 : c.bytes;
            if (!c.digest && c.bytes > digestBytes + 1 && (!longest || c.bytes > longest->bytes)) {
                longest = &c;
            }
        }
        if (total <= most) {
            break;
        }
        if (longest == nullptr) {
            texts.why = QStringLiteral("its %1 columns make a row's text longer than the %2 "
                                       "bytes a hash takes")
                            .arg(columns.size())
                            .arg(most);
            return texts;
        }
        longest->digest = true;
    }
    texts.source = Writer(source).row(columns, false);
    texts.target = Writer(target).row(columns, true);
    return texts;
}

} // namespace kernel
