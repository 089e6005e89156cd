#include "TypeRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace kernel {

namespace {

// NAME, NAME(p) or NAME(p,s); p and s a number or *.
const QRegularExpression typePattern(QStringLiteral(
    R"(^([A-Za-z][A-Za-z0-9_ ]*?)\s*(?:\(\s*(\*|\d+)\s*(?:,\s*(\*|-?\d+)\s*)?\))?$)"));

// The section a line opens, where it is a section's name.
std::optional<db::Side> sectionOf(const QString& line) {
    const QString name = line.trimmed().toLower().remove(u' ');
    if (name == u"[todb2]") {
        return db::Side::Db2;
    }
    if (name == u"[tooracle]") {
        return db::Side::Oracle;
    }
    return std::nullopt;
}

QString sectionName(db::Side to) {
    return to == db::Side::Db2 ? QStringLiteral("[to db2]") : QStringLiteral("[to oracle]");
}

// Whether the line is a rule for a column of the table.
bool namesColumnOf(const QString& line, const QString& table) {
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0 || line.trimmed().startsWith(u'#') || line.trimmed().startsWith(u';')) {
        return false;
    }
    const QString source = line.left(equals).trimmed();
    const qsizetype dot = source.indexOf(u'.');
    return dot > 0 && !source.contains(u'(') && source.left(dot).trimmed() == table;
}

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
            section = sectionOf(line);
            if (!section) {
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

TypeRules TypeRules::withoutColumnRules(db::Side to, QStringView table) const {
    TypeRules rest;
    rest.origin_ = origin_;
    for (const Rule& rule : rules_) {
        if (rule.to != to || rule.column.isEmpty() || rule.table != table) {
            rest.rules_.push_back(rule);
        }
    }
    return rest;
}

std::optional<QString> TypeRules::SaveColumnRules(const QString& file, db::Side to,
                                                  const QString& table,
                                                  const std::vector<ColumnChoice>& columns) {
    // A rule's source is TABLE.COLUMN up to the first dot and the first =.
    const auto unwritable = [](const QString& name) {
        return name.trimmed() != name || name.contains(u'=') || name.contains(u'\n') ||
               name.contains(u'(');
    };
    if (unwritable(table) || table.contains(u'.')) {
        return QStringLiteral("The table \"%1\" cannot be named in a rule").arg(table);
    }
    QString text;
    if (QFile in(file); in.exists()) {
        if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
            return QStringLiteral("%1: %2").arg(file, in.errorString());
        }
        text = QString::fromUtf8(in.readAll());
    }
    QStringList lines = text.isEmpty() ? QStringList() : text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    QStringList added;
    for (const ColumnChoice& choice : columns) {
        const QString target = choice.target.trimmed();
        if (unwritable(choice.column) || target.isEmpty() || target.contains(u'\n')) {
            return QStringLiteral("The column \"%1\" and the type \"%2\" cannot be written as "
                                  "a rule")
                .arg(choice.column, choice.target);
        }
        added << QStringLiteral("%1.%2 = %3").arg(table, choice.column, target);
    }
    // The table's old column rules go; the new ones close its section.
    std::optional<db::Side> section;
    qsizetype end = -1; // after the section's name or last rule
    for (qsizetype n = 0; n < lines.size(); ++n) {
        if (lines[n].trimmed().startsWith(u'[')) {
            section = sectionOf(lines[n]);
        } else if (section == to && namesColumnOf(lines[n], table)) {
            lines.removeAt(n--);
            continue;
        }
        const QString line = lines[n].trimmed();
        if (section == to && !line.isEmpty() && !line.startsWith(u'#') && !line.startsWith(u';')) {
            end = n + 1;
        }
    }
    if (end < 0 && !added.isEmpty()) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) {
            lines << QString();
        }
        lines << sectionName(to);
        end = lines.size();
    }
    for (qsizetype i = 0; i < added.size(); ++i) {
        lines.insert(end + i, added[i]);
    }
    const QString saved = lines.join(u'\n') + u'\n';
    if (const auto parsed = Parse(saved, QFileInfo(file).fileName());
        std::holds_alternative<QString>(parsed)) {
        return std::get<QString>(parsed);
    }
    QDir().mkpath(QFileInfo(file).path());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text) || out.write(saved.toUtf8()) < 0 ||
        !out.commit()) {
        return QStringLiteral("%1: %2").arg(file, out.errorString());
    }
    return std::nullopt;
}

} // namespace kernel
