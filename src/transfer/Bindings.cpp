#include "Bindings.h"

#include "Datatype.h"
#include "db/SqlClass.h"

namespace transfer {

using namespace kernel;

db::BulkInsert::Binding BindingFor(Side target, int adoCode) {
    const QString type = ColumnTypeFor(target, adoCode);
    if (type == columnTypeTexts::date) {
        return db::BulkInsert::Binding::Date;
    }
    if (type == columnTypeTexts::numeric) {
        return db::BulkInsert::Binding::Decimal;
    }
    if (type == columnTypeTexts::boolean) {
        return db::BulkInsert::Binding::Boolean;
    }
    return db::BulkInsert::Binding::Text;
}

db::BulkInsert::Binding BindingFor(const ColumnType& type, const db::ColumnDescription& source) {
    using Binding = db::BulkInsert::Binding;
    if (db::ClassOfSqlType(source.sqlType).family == db::SqlFamily::Boolean) {
        return Binding::Boolean;
    }
    switch (type.kind) {
    case ColumnType::Kind::Binary:
    case ColumnType::Kind::Varbinary:
    case ColumnType::Kind::Blob:
        return Binding::Binary;
    case ColumnType::Kind::SmallInt:
    case ColumnType::Kind::Integer:
    case ColumnType::Kind::BigInt:
        return Binding::Decimal;
    case ColumnType::Kind::Real:
    case ColumnType::Kind::Double:
        return Binding::Double;
    case ColumnType::Kind::Date:
        return Binding::Date;
    case ColumnType::Kind::Timestamp:
        return Binding::Timestamp;
    default:
        return Binding::Text;
    }
}

} // namespace transfer
