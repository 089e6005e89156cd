#include "TableStructure.h"

#include "PortableSql.h"
#include "db/Structure.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"

#include <sql.h>
#include <sqlext.h>

namespace transfer {

using kernel::QuotedName;

namespace {

QString text(const db::RowSet& rows, int field) {
    return rows.Fields().item(field).Value().text();
}

// The rows of a catalogue function, of one schema only: the first one's.
// Several schemas: none.
template <class Each> void ofOneSchema(db::RowSet rows, Each&& each) {
    std::vector<std::vector<db::Value>> kept;
    QString schema;
    bool first = true;
    for (; !rows.Eof(); rows.MoveNext()) {
        if (first) {
            schema = text(rows, 1);
            first = false;
        } else if (text(rows, 1) != schema) {
            return;
        }
        std::vector<db::Value> row;
        for (int f = 0; f < rows.Fields().count(); ++f) {
            row.push_back(rows.Fields().item(f).Value());
        }
        kept.push_back(std::move(row));
    }
    for (const std::vector<db::Value>& row : kept) {
        each(row);
    }
}

QStringList firstColumn(db::Connection& source, QStringView form, const QString& table) {
    QStringList values;
    if (form.isEmpty()) {
        return values;
    }
    db::RowSet rows;
    rows.Open(form.toString().arg(kernel::TextLiteral(table)), source);
    for (; !rows.Eof(); rows.MoveNext()) {
        if (!rows.Fields().item(0).Value().isNull()) {
            values << text(rows, 0);
        }
    }
    return values;
}

// The rows of a query of two columns; none where the server has no such
// query.
std::vector<std::pair<QString, QString>> pairs(db::Connection& source, QStringView form,
                                               const QString& table) {
    std::vector<std::pair<QString, QString>> found;
    if (form.isEmpty()) {
        return found;
    }
    db::RowSet rows;
    rows.Open(form.toString().arg(kernel::TextLiteral(table)), source);
    for (; !rows.Eof(); rows.MoveNext()) {
        found.emplace_back(text(rows, 0), text(rows, 1));
    }
    return found;
}

QString columnList(const QStringList& names) {
    QStringList quoted;
    for (const QString& name : names) {
        quoted << QuotedName(name);
    }
    return quoted.join(QStringLiteral(", "));
}

} // namespace

QString FilledForm(QStringView form, const QStringList& values) {
    QString filled;
    for (qsizetype i = 0; i < form.size(); ++i) {
        const int n = i + 1 < form.size() ? form[i + 1].digitValue() : -1;
        if (form[i] == u'%' && n >= 1 && n <= values.size()) {
            filled += values[n - 1];
            ++i;
        } else {
            filled += form[i];
        }
    }
    return filled;
}

void ExecuteMaking(db::Connection& target, const QString& sql, const QString& shownAs,
                   QString* why) {
    try {
        kernel::ExecuteStatement(target, sql);
    } catch (const db::Error& failure) {
        *why = failure.description();
        throw db::Error(QStringLiteral("The %1 is not made: %2").arg(shownAs, *why),
                        failure.sqlState(), failure.connectionLost(), failure.nativeError());
    }
}

TableStructure ReadStructure(db::Connection& source, const QString& table) {
    TableStructure structure;
    QMap<int, QString> keyColumns;
    ofOneSchema(source.OpenPrimaryKey(table), [&](const std::vector<db::Value>& row) {
        keyColumns.insert(row[4].text().toInt(), row[3].text());
        structure.primaryKeyName = row[5].text();
    });
    structure.primaryKey = keyColumns.values();
    const db::StructureForms& forms = db::StructureFormsOf(source.profile().serverKind);
    const QString keyIndex = structure.primaryKeyName;
    if (structure.primaryKeyName == forms.sharedPrimaryKeyName) {
        structure.primaryKeyName.clear(); // the target names it
    }

    const QStringList constraints = firstColumn(source, forms.uniqueConstraints, table);
    QMap<QString, QMap<int, IndexColumn>> columns; // index → place → column
    QMap<QString, bool> unique;
    ofOneSchema(source.OpenIndexes(table), [&](const std::vector<db::Value>& row) {
        if (row[6].text().toInt() == SQL_TABLE_STAT || row[5].isNull()) {
            return;
        }
        const QString name = row[5].text();
        unique[name] = row[3].text().toInt() == 0 && row[3].text() != u"True";
        columns[name].insert(row[7].text().toInt(), {row[8].text(), row[9].text() == u"D"});
    });
    for (auto index = columns.cbegin(); index != columns.cend(); ++index) {
        TableIndex made{
            index.key(), unique.value(index.key()), constraints.contains(index.key()), {}};
        for (const IndexColumn& c : *index) {
            made.columns.push_back(c);
        }
        QStringList names;
        for (const IndexColumn& c : made.columns) {
            names << c.name;
        }
        // The primary key's own index goes with the key.
        if ((!keyIndex.isEmpty() && index.key() == keyIndex) ||
            (made.unique && names == structure.primaryKey)) {
            continue;
        }
        structure.indexes.push_back(std::move(made));
    }

    structure.unquoted = forms.unquoted;
    structure.identities = firstColumn(source, forms.identities, table);
    for (const auto& [name, condition] : pairs(source, forms.checks, table)) {
        structure.checks.push_back({name, condition});
    }
    for (const auto& [column, value] : pairs(source, forms.defaults, table)) {
        if (!structure.identities.contains(column)) {
            structure.defaults.insert(column, value);
        }
    }
    const QStringList comment = firstColumn(source, forms.tableComment, table);
    structure.comment = comment.isEmpty() ? QString() : comment.first();
    for (const auto& [column, remark] : pairs(source, forms.columnComments, table)) {
        structure.columnComments.insert(column, remark);
    }
    return structure;
}

std::vector<StructureStatement> StructureStatements(const TableStructure& structure,
                                                    const QString& table, db::ServerKind kind,
                                                    const QMap<QString, QString>& definitions) {
    const db::StructureForms& forms = db::StructureFormsOf(kind);
    std::vector<StructureStatement> statements;
    const QString onTable = QuotedName(table);
    // A name the target cannot take is not made under another one: the
    // user chooses it.
    const auto named = [&](const QString& object, const QString& name, const QString& sql) {
        if (name.size() > forms.longestName) {
            statements.push_back({object,
                                  {},
                                  QStringLiteral("its name is longer than the target's %1 "
                                                 "characters")
                                      .arg(forms.longestName)});
        } else {
            statements.push_back({object, sql, {}});
        }
    };
    if (!structure.primaryKey.isEmpty()) {
        const QString& name = structure.primaryKeyName;
        const QString columns = columnList(structure.primaryKey);
        if (name.isEmpty()) {
            statements.push_back(
                {QStringLiteral("primary key (%1)").arg(columns),
                 QStringLiteral("ALTER TABLE %1 ADD PRIMARY KEY (%2)").arg(onTable, columns),
                 {}});
        } else {
            named(QStringLiteral("primary key %1").arg(QuotedName(name)), name,
                  QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 PRIMARY KEY (%3)")
                      .arg(onTable, QuotedName(name), columns));
        }
    }
    for (const TableIndex& index : structure.indexes) {
        QStringList terms;
        QStringList names;
        for (const IndexColumn& c : index.columns) {
            terms << QuotedName(c.name) + (c.descending ? QStringLiteral(" DESC") : QString());
            names << c.name;
        }
        if (index.constraint) {
            named(QStringLiteral("unique constraint %1").arg(QuotedName(index.name)), index.name,
                  QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 UNIQUE (%3)")
                      .arg(onTable, QuotedName(index.name), columnList(names)));
        } else {
            named(QStringLiteral("index %1").arg(QuotedName(index.name)), index.name,
                  QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                      .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(),
                           QuotedName(index.name), onTable, terms.join(QStringLiteral(", "))));
        }
    }
    for (const TableCheck& check : structure.checks) {
        const QString object = QStringLiteral("check %1").arg(QuotedName(check.name));
        if (const std::optional<QString> condition =
                PortableCondition(check.condition, structure.unquoted)) {
            named(object, check.name,
                  QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 CHECK (%3)")
                      .arg(onTable, QuotedName(check.name), *condition));
        } else {
            statements.push_back({object,
                                  {},
                                  QStringLiteral("its condition is not one every server runs "
                                                 "alike: %1")
                                      .arg(check.condition)});
        }
    }
    if (!structure.comment.isEmpty()) {
        statements.push_back(
            {QStringLiteral("comment on %1").arg(onTable),
             forms.commentOnTable.toString().arg(onTable, kernel::TextLiteral(structure.comment)),
             {}});
    }
    for (auto c = structure.columnComments.cbegin(); c != structure.columnComments.cend(); ++c) {
        const QString object = QStringLiteral("comment on %1.%2").arg(onTable, QuotedName(c.key()));
        if (!definitions.contains(c.key())) {
            statements.push_back({object, {}, QStringLiteral("the copy has no such column")});
            continue;
        }
        const QString sql = FilledForm(forms.commentOnColumn, {onTable, QuotedName(c.key()),
                                                               kernel::TextLiteral(c.value()),
                                                               definitions.value(c.key())});
        statements.push_back({object, sql, {}});
    }
    // After the comments: MariaDB restates a column to comment on it, and
    // would forget its default.
    for (auto d = structure.defaults.cbegin(); d != structure.defaults.cend(); ++d) {
        const QString object = QStringLiteral("default of %1.%2").arg(onTable, QuotedName(d.key()));
        const std::optional<QString> value = PortableDefault(*d, structure.unquoted, forms);
        if (!definitions.contains(d.key())) {
            statements.push_back({object, {}, QStringLiteral("the copy has no such column")});
        } else if (!value) {
            statements.push_back(
                {object, {}, QStringLiteral("it is not a literal or a known moment: %1").arg(*d)});
        } else {
            const QString sql =
                FilledForm(forms.setDefault, {onTable, QuotedName(d.key()), *value});
            statements.push_back({object, sql, {}});
        }
    }
    return statements;
}

} // namespace transfer
