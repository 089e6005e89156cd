#include "Datatype.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace transfer {

using namespace kernel;

namespace {

// Texts live in static storage and are handed out without copying: the copy
// run asks for a column type per field and a name per field.
QString staticText(QStringView text) {
    return QString::fromRawData(text.data(), text.size());
}

struct TypeName {
    std::int16_t code;
    QStringView name;
};

// Sorted by code for the binary search.
constexpr std::array<TypeName, 39> typeNames{{
    {0, u"adEmpty"},
    {2, u"adSmallInt"},
    {3, u"adInteger"},
    {4, u"adSingle"},
    {5, u"adDouble"},
    {6, u"adCurrency"},
    {7, u"adDate"},
    {8, u"adBSTR"},
    {9, u"adIDispatch"},
    {10, u"adError"},
    {11, u"adBoolean"},
    {12, u"adVariant"},
    {13, u"adIUnknown"},
    {14, u"adDecimal"},
    {16, u"adTinyInt"},
    {17, u"adUnsignedTinyInt"},
    {18, u"adUnsignedSmallInt"},
    {19, u"adUnsignedInt"},
    {20, u"adBigInt"},
    {21, u"adUnsignedBigInt"},
    {64, u"adFileTime"},
    {72, u"adGUID"},
    {128, u"adBinary"},
    {129, u"adChar"},
    {130, u"adWChar"},
    {131, u"adNumeric"},
    {132, u"adUserDefined"},
    {133, u"adDBDate"},
    {134, u"adDBTime"},
    {135, u"adDBTimeStamp"},
    {136, u"adChapter"},
    {138, u"adPropVariant"},
    {139, u"adVarNumeric"},
    {200, u"adVarChar"},
    {201, u"adLongVarChar"},
    {202, u"adVarWChar"},
    {203, u"adLongVarWChar"},
    {204, u"adVarBinary"},
    {205, u"adLongVarBinary"},
}};

QStringView typeNameOf(int code) {
    const auto code16 = static_cast<std::int16_t>(code);
    const auto found =
        std::lower_bound(typeNames.begin(), typeNames.end(), code16,
                         [](const TypeName& t, std::int16_t c) { return t.code < c; });
    if (found == typeNames.end() || found->code != code16)
        return {};
    return found->name;
}

QStringView columnTypeView(Side target, QStringView loweredName) {
    const db::DefaultTypeRules& rules = db::DefaultTypeRulesOf(target);
    for (const db::DefaultTypeRule& rule : rules.rules) {
        if (loweredName.contains(rule.pattern, Qt::CaseSensitive))
            return rule.text;
    }
    return rules.fallback;
}

} // namespace

QString AdoTypeName(int code) {
    return staticText(typeNameOf(code));
}

QString Db2ColumnType(QStringView loweredName) {
    return staticText(columnTypeView(Side::Db2, loweredName));
}

QString OracleColumnType(QStringView loweredName) {
    return staticText(columnTypeView(Side::Oracle, loweredName));
}

QString ColumnTypeFor(Side target, int adoCode) {
    // The names are short ASCII words: lower-case them on the stack.
    const QStringView name = typeNameOf(adoCode);
    std::array<char16_t, 32> lowered{};
    const auto length = std::min<qsizetype>(name.size(), lowered.size());
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = name[i].unicode();
        lowered[i] = (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c;
    }
    return staticText(columnTypeView(target, QStringView(lowered.data(), length)));
}

QString CreateTableStatement(Side target, QStringView tableName,
                             const QList<std::pair<QString, int>>& fields) {
    QString statement;
    qsizetype size = tableName.size() + 20;
    for (const auto& field : fields)
        size += field.first.size() + 20;
    statement.reserve(size);
    BeginCreateTable(statement, tableName);
    for (const auto& [name, code] : fields)
        AppendColumnDefinition(statement, name, ColumnTypeFor(target, code));
    EndCreateTable(statement);
    return statement;
}

} // namespace transfer
