// types: the column types a copy would give each table, and why.
#include "CommandRun.h"
#include "transfer/TypePreview.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli::detail {

namespace {

QString PlainTypes(const QString& table, Side target,
                   const std::vector<transfer::ColumnMapping>& columns) {
    qsizetype nameWidth = 0;
    qsizetype sourceWidth = 0;
    qsizetype targetWidth = 0;
    for (const transfer::ColumnMapping& c : columns) {
        nameWidth = std::max(nameWidth, c.name.size() + 2);
        sourceWidth = std::max(sourceWidth, c.sourceType.size());
        targetWidth = std::max(targetWidth, c.targetType.size());
    }
    QString text = QStringLiteral("\"%1\" on %2:\n").arg(table, sideTitle(target));
    for (const transfer::ColumnMapping& c : columns) {
        text += QStringLiteral("  %1  %2  -> %3  %4")
                    .arg((u'"' + c.name + u'"').leftJustified(nameWidth),
                         c.sourceType.leftJustified(sourceWidth),
                         c.targetType.leftJustified(targetWidth), c.rule);
        if (!c.holds.isEmpty()) {
            text += QStringLiteral("; holds ") + c.holds;
        }
        text += u'\n';
        if (!c.misfit.isEmpty()) {
            text += QStringLiteral("    ! %1 in %2\n").arg(c.misfit, c.targetType);
        }
    }
    return text;
}

QJsonObject JsonTypes(const QString& table, const std::vector<transfer::ColumnMapping>& columns) {
    QJsonArray list;
    for (const transfer::ColumnMapping& c : columns) {
        QJsonObject column{{QStringLiteral("name"), c.name},
                           {QStringLiteral("source"), c.sourceType},
                           {QStringLiteral("target"), c.targetType},
                           {QStringLiteral("rule"), c.rule}};
        if (!c.holds.isEmpty()) {
            column.insert(QStringLiteral("holds"), c.holds);
        }
        if (!c.misfit.isEmpty()) {
            column.insert(QStringLiteral("misfit"), c.misfit);
        }
        list.append(column);
    }
    return {{QStringLiteral("table"), table}, {QStringLiteral("columns"), list}};
}

} // namespace

int CommandRun::previewTypes() {
    BothSides sides(command_.side);
    if (const int status = loadBoth(sides); status != Done) {
        return status;
    }
    // The target's server decides the spellings, so it is asked too.
    Connections connections;
    if (!openForCopy(sides, connections)) {
        return LoginMissing;
    }
    int status = Done;
    QJsonArray tables;
    for (const QString& table : sides.tables) {
        if (!sides.sourceNames.contains(table)) {
            error(notListed(table, sides.sourceNames, sides.source));
            status = TableFailed;
            continue;
        }
        transfer::TablePreview preview;
        try {
            preview = transfer::PreviewColumnTypes(connections.source, sides.target,
                                                   connections.target.profile().serverKind, table,
                                                   {.exactTypes = command_.options.exactTypes,
                                                    .fitTypes = command_.options.fitTypes,
                                                    .measureAll = command_.measureTypes},
                                                   typeRules_.get());
        } catch (const db::Error& failure) {
            reportTrouble(QStringLiteral("\"%1\": %2").arg(table, failure.description()));
            status = TableFailed;
            continue;
        }
        for (const QString& warning : preview.warnings) {
            error(QStringLiteral("warning: ") + warning);
        }
        if (command_.json) {
            tables.append(JsonTypes(table, preview.columns));
        } else {
            console_.out(PlainTypes(table, sides.target, preview.columns));
        }
    }
    if (command_.json) {
        console_.out(QString::fromUtf8(
                         QJsonDocument(QJsonObject{{QStringLiteral("to"), SideName(sides.target)},
                                                   {QStringLiteral("tables"), tables}})
                             .toJson(QJsonDocument::Compact)) +
                     u'\n');
    }
    return status;
}

} // namespace cli::detail
