#pragma once
#include "LongValue.h"

#include <QString>
#include <memory>

namespace db {

// A field value: Null, or a typed value with one text form that does not
// depend on the user's locale. Booleans read "True"/"False", integers plain
// digits, decimals the driver's digits, floating point the shortest text that
// reads back to the same number, DATE YYYY-MM-DD, TIME HH:MM:SS[.fraction] as
// the driver writes it, TIMESTAMP
// YYYY-MM-DD HH:MM:SS[.fraction], binary lower-case hex, text unchanged.
// A text or byte value too long for memory is a LongValue instead, and its
// text() is empty.
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
    Value(Kind kind, std::shared_ptr<const LongValue> body) : kind_(kind), long_(std::move(body)) {}
    static Value boolean(bool b) {
        return {Kind::Boolean, b ? QStringLiteral("True") : QStringLiteral("False")};
    }

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    // Empty for Null and for a long value.
    const QString& text() const { return text_; }
    const LongValue* longValue() const { return long_.get(); }
    const std::shared_ptr<const LongValue>& sharedLongValue() const { return long_; }
    // A text's UTF-16 units, a byte value's bytes.
    qint64 length() const {
        return long_ ? long_->units() : kind_ == Kind::Binary ? text_.size() / 2 : text_.size();
    }

    // Long values by their size and digest; one held in memory against a
    // long one by the digest its content would have.
    friend bool operator==(const Value& a, const Value& b) {
        if (a.kind_ != b.kind_) {
            return false;
        }
        if (!a.long_ && !b.long_) {
            return a.text_ == b.text_;
        }
        const bool bytes = a.kind_ == Kind::Binary;
        const auto digest = [bytes](const Value& v) {
            return v.long_ ? v.long_->digest() : LongValue::digestOf(bytes, v.text_);
        };
        return digest(a) == digest(b);
    }

private:
    Kind kind_ = Kind::Null;
    QString text_;
    std::shared_ptr<const LongValue> long_;
};

} // namespace db
