#pragma once
// Column types for a copied table, chosen from the source field's ADO type
// code alone, and the CREATE TABLE statement built from them. Size,
// precision and nullability of the source column are deliberately not
// carried over: the target gets wide, forgiving columns.
#include "kernel/Statements.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <utility>

namespace transfer {

// The five column type texts the default mapping gives (the server table's).
namespace columnTypeTexts = db::columnTypeTexts;

// The enumerator name of an ADO DataTypeEnum value ("adBigInt"); empty for any
// code not in the enumeration. The code is taken as a 16-bit value.
QString AdoTypeName(int code);

// Column type text (" LONG VARCHAR,", " DATE,", ...) for a lower-cased type
// name; each list tries its substring rules in order and falls back to its
// default.
QString Db2ColumnType(QStringView loweredName);
QString OracleColumnType(QStringView loweredName);

// The lower-cased name of the code run through the target's rule list.
QString ColumnTypeFor(db::Side target, int adoCode);

// The whole statement for (field name, ADO code) pairs in field order.
QString CreateTableStatement(db::Side target, QStringView tableName,
                             const QList<std::pair<QString, int>>& fields);

} // namespace transfer
