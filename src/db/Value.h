#pragma once
#include <QString>

namespace db {

// A field value: Null, or a typed value with one text form that does not
// depend on the user's locale. Booleans read "True"/"False", integers plain
// digits, decimals the driver's digits, floating point the shortest text that
// reads back to the same number, DATE YYYY-MM-DD, TIME HH:MM:SS[.fraction] as
// the driver writes it, TIMESTAMP
// YYYY-MM-DD HH:MM:SS[.fraction], binary lower-case hex, text unchanged.
class Value {
public:
    enum class Kind : unsigned char {
        Null,
        Boolean,
        Integer,
        Decimal,
        Floating,
        Date,
        Time,
        Timestamp,
        Binary,
        Text
    };

    Value() = default;
    Value(Kind kind, QString text) : kind_(kind), text_(std::move(text)) {}
    static Value boolean(bool b) {
        return {Kind::Boolean, b ? QStringLiteral("True") : QStringLiteral("False")};
    }

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    // Empty for Null.
    const QString& text() const { return text_; }

    friend bool operator==(const Value&, const Value&) = default;

private:
    Kind kind_ = Kind::Null;
    QString text_;
};

} // namespace db
