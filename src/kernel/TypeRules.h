#pragma once
// The column types a user sets for copies, kept in a file that a DBA edits by
// hand and that the windows and the command line read alike:
//
//     # Comments start with # or ;
//     [to db2]
//     NUMBER = DECIMAL(31,0)             every NUMBER, whatever its size
//     NUMBER(*,0) = BIGINT               a NUMBER of any precision, scale 0
//     NUMERIC(12,2) = DECIMAL(18,2)      exactly that size
//     ORDERS.AMOUNT = DECIMAL(18,4)      one column: TABLE.COLUMN as the source spells it
//     [to oracle]
//     LONGTEXT = CLOB
//
// A source type is matched by the name its driver gives (letter case
// ignored) and, where the rule gives them, its precision or length and its
// scale (* for any). A column's rule comes before a type's; of two rules of
// the same kind, the first in the file. The target type is written into the
// CREATE as it stands: a type the server refuses fails there, with the
// usual report.
#include "db/Side.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>
#include <vector>

namespace kernel {

struct TypeRule {
    QString target; // "DECIMAL(18,4)"
    QString origin; // "types.ini:12"
};

class TypeRules {
public:
    // The rules of the file; none where it does not exist. A line that is
    // not a rule is an error naming the file and the line.
    static std::variant<TypeRules, QString> Read(const QString& file);
    static std::variant<TypeRules, QString> Parse(const QString& text, const QString& origin);

    bool empty() const { return rules_.empty(); }
    std::optional<TypeRule> ruleFor(db::Side to, QStringView table, QStringView column,
                                    QStringView typeName, qint64 size, int scale) const;
    // The column rules toward `to` for the table that name none of its
    // columns: "types.ini:12: ORDERS.AMONT names no column of \"ORDERS\"".
    QStringList unknownColumns(db::Side to, QStringView table, const QStringList& columns) const;
    // These rules but those naming a column of the table toward `to`.
    TypeRules withoutColumnRules(db::Side to, QStringView table) const;

    // Replaces the file's rules for columns of the table toward `to` with
    // `columns` (column name, target type), in that direction's section;
    // every other line stays as the user wrote it. An error names what
    // could not be written; nothing then changes.
    struct ColumnChoice {
        QString column;
        QString target;
    };
    static std::optional<QString> SaveColumnRules(const QString& file, db::Side to,
                                                  const QString& table,
                                                  const std::vector<ColumnChoice>& columns);

private:
    struct Rule {
        db::Side to = db::Side::Db2;
        // A column's rule: the table and column; else the source type.
        QString table;
        QString column;
        QString typeName;
        std::optional<qint64> size; // nothing: any
        std::optional<int> scale;   // nothing: any
        QString target;
        int line = 0;
    };
    QString origin_;
    std::vector<Rule> rules_;
};

} // namespace kernel
