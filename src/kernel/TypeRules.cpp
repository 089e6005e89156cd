#include "TypeRules.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace kernel {

namespace {

// NAME, NAME(p) or NAME(p,s); p and s a number or *.
const QRegularExpression typePattern(QStringLiteral(
    R"(^([A-Za-z][A-Za-z0-9_ ]*?)\s*(?:\(\s*(\*|\d+)\s*(?:,\s*(\*|-?\d+)\s*)?\))?$)"));

} // namespace

std::variant<TypeRules, QString> TypeRules::Read(const QString& file) {
    QFile in(file);
    if (!in.exists()) {
        return TypeRules{};
    }
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return QStringLiteral("%1: %2").arg(file, in.errorString());
    }
    return Parse(QString::fromUtf8(in.readAll()), QFileInfo(file).fileName());
}

std::variant<TypeRules, QString> TypeRules::Parse(const QString& text, const QString& origin) {
    TypeRules rules;
    rules.origin_ = origin;
    std::optional<db::Side> section;
    const QStringList lines = text.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        const auto fail = [&](const QString& why) {
            return QStringLiteral("%1:%2: %3").arg(origin).arg(n + 1).arg(why);
        };
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';')) {
            continue;
        }
        if (line.startsWith(u'[')) {
            const QString name = line.toLower().remove(u' ');
            if (name == u"[todb2]") {
                section = db::Side::Db2;
            } else if (name == u"[tooracle]") {
                section = db::Side::Oracle;
            } else {
                return fail(
                    QStringLiteral("unknown section %1 ([to db2] or [to oracle])").arg(line));
            }
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) {
            return fail(QStringLiteral("not a rule (SOURCE = TARGET TYPE): %1").arg(line));
        }
        if (!section) {
            return fail(QStringLiteral("a rule before [to db2] or [to oracle]"));
        }
        Rule rule;
        rule.to = *section;
        rule.line = int(n + 1);
        const QString source = line.left(equals).trimmed();
        rule.target = line.mid(equals + 1).trimmed();
        if (rule.target.isEmpty()) {
            return fail(QStringLiteral("no target type after ="));
        }
        const qsizetype dot = source.indexOf(u'.');
        if (dot > 0 && !source.contains(u'(')) {
            rule.table = source.left(dot).trimmed();
            rule.column = source.mid(dot + 1).trimmed();
            if (rule.column.isEmpty()) {
                return fail(QStringLiteral("no column after the table's name: %1").arg(source));
            }
        } else {
            const QRegularExpressionMatch match = typePattern.match(source);
            if (!match.hasMatch()) {
                return fail(QStringLiteral("not a source type (NAME, NAME(p) or NAME(p,s), * "
                                           "for any): %1")
                                .arg(source));
            }
            rule.typeName = match.captured(1).trimmed();
            if (match.hasCaptured(2) && match.captured(2) != u"*") {
                rule.size = match.captured(2).toLongLong();
            }
            if (match.hasCaptured(3) && match.captured(3) != u"*") {
                rule.scale = match.captured(3).toInt();
            }
        }
        rules.rules_.push_back(std::move(rule));
    }
    return rules;
}

std::optional<TypeRule> TypeRules::ruleFor(db::Side to, QStringView table, QStringView column,
                                           QStringView typeName, qint64 size, int scale) const {
    const auto found = [&](const Rule& rule) {
        return TypeRule{rule.target, QStringLiteral("%1:%2").arg(origin_).arg(rule.line)};
    };
    for (const Rule& rule : rules_) {
        if (rule.to == to && !rule.column.isEmpty() && rule.table == table &&
            rule.column == column) {
            return found(rule);
        }
    }
    for (const Rule& rule : rules_) {
        if (rule.to == to && rule.column.isEmpty() &&
            rule.typeName.compare(typeName, Qt::CaseInsensitive) == 0 &&
            (!rule.size || *rule.size == size) && (!rule.scale || *rule.scale == scale)) {
            return found(rule);
        }
    }
    return std::nullopt;
}

QStringList TypeRules::unknownColumns(db::Side to, QStringView table,
                                      const QStringList& columns) const {
    QStringList warnings;
    for (const Rule& rule : rules_) {
        if (rule.to == to && !rule.column.isEmpty() && rule.table == table &&
            !columns.contains(rule.column)) {
            warnings << QStringLiteral("%1:%2: %3.%4 names no column of \"%3\"")
                            .arg(origin_)
                            .arg(rule.line)
                            .arg(rule.table, rule.column);
        }
    }
    return warnings;
}

} // namespace kernel
