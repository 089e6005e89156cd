#include "Arguments.h"

#include <limits>
#include <optional>

namespace cli {

namespace {

std::optional<Side> sideNamed(const QString& name) {
    if (name == u"oracle") {
        return Side::Oracle;
    }
    if (name == u"db2") {
        return Side::Db2;
    }
    return std::nullopt;
}

struct Parser {
    QStringList words;
    qsizetype next = 0;
    Command command;
    std::optional<UsageError> error;

    bool fail(const QString& message) {
        if (!error) {
            error = UsageError{message};
        }
        return false;
    }

    // The value of an option: "--to db2" or "--to=db2".
    std::optional<QString> valueOf(const QString& word, const QString& option) {
        if (word.startsWith(option + u'=')) {
            return word.mid(option.size() + 1);
        }
        if (next >= words.size()) {
            fail(QStringLiteral("%1 needs a value").arg(option));
            return std::nullopt;
        }
        return words.at(next++);
    }

    bool takeSide(const QString& word, const QString& option, bool* given) {
        if (*given) {
            return fail(QStringLiteral("%1 is given twice").arg(option));
        }
        *given = true;
        const std::optional<QString> value = valueOf(word, option);
        if (!value) {
            return false;
        }
        const std::optional<Side> side = sideNamed(*value);
        if (!side) {
            return fail(
                QStringLiteral("unknown side \"%1\" for %2 (oracle or db2)").arg(*value, option));
        }
        command.side = *side;
        return true;
    }

    // A whole number from `least` to `most`.
    std::optional<int> number(const QString& word, const QString& option, int least, int most,
                              const QString& what) {
        const std::optional<QString> value = valueOf(word, option);
        if (!value) {
            return std::nullopt;
        }
        bool isNumber = false;
        const int n = value->toInt(&isNumber);
        if (!isNumber || n < least || n > most) {
            fail(QStringLiteral("%1 takes %2 from %3 to %4, not \"%5\"")
                     .arg(option, what)
                     .arg(least)
                     .arg(most)
                     .arg(*value));
            return std::nullopt;
        }
        return n;
    }
};

bool isOption(const QString& word, const char16_t* option) {
    const QString name = QString::fromUtf16(option);
    return word == name || word.startsWith(name + u'=');
}

Command only(Command::Kind kind) {
    Command command;
    command.kind = kind;
    return command;
}

} // namespace

std::variant<Command, UsageError> ParseArguments(const QStringList& arguments) {
    Parser p;
    p.words = arguments;
    std::optional<Command::Kind> kind;
    bool sideGiven = false;
    bool batchSizeGiven = false;
    bool optionsEnded = false;
    QStringList names;

    while (p.next < p.words.size() && !p.error) {
        const QString word = p.words.at(p.next++);
        // The commands that change a database take the options of scripts.
        const bool changes = kind == Command::Kind::Copy || kind == Command::Kind::Drop ||
                             kind == Command::Kind::Rename;
        // Copy and compare work through tables of the other side.
        const bool tablewise = kind == Command::Kind::Copy || kind == Command::Kind::Compare;
        // So do the types a copy would make, without a row.
        const bool previews = kind == Command::Kind::Types;
        if (optionsEnded || !word.startsWith(u'-') || word == u"-") {
            if (!kind) {
                static const struct {
                    const char16_t* name;
                    Command::Kind kind;
                } commands[] = {
                    {u"check", Command::Kind::Check}, {u"list", Command::Kind::List},
                    {u"copy", Command::Kind::Copy},   {u"compare", Command::Kind::Compare},
                    {u"drop", Command::Kind::Drop},   {u"rename", Command::Kind::Rename},
                    {u"types", Command::Kind::Types}};
                for (const auto& known : commands) {
                    if (word == QStringView(known.name)) {
                        kind = known.kind;
                    }
                }
                if (!kind) {
                    p.fail(QStringLiteral("unknown command \"%1\"").arg(word));
                }
            } else {
                names << word;
            }
        } else if (word == u"--") {
            optionsEnded = true;
        } else if (word == u"--help" || word == u"-h") {
            return only(Command::Kind::Help);
        } else if (word == u"--version") {
            return only(Command::Kind::Version);
        } else if (isOption(word, u"--config")) {
            if (const std::optional<QString> file = p.valueOf(word, QStringLiteral("--config"))) {
                if (file->isEmpty()) {
                    p.fail(QStringLiteral("--config needs a file name"));
                }
                p.command.configFile = *file;
            }
        } else if ((tablewise || previews) && isOption(word, u"--to")) {
            p.takeSide(word, QStringLiteral("--to"), &sideGiven);
        } else if ((kind == Command::Kind::Drop || kind == Command::Kind::Rename) &&
                   isOption(word, u"--on")) {
            p.takeSide(word, QStringLiteral("--on"), &sideGiven);
        } else if (changes && word == u"--dry-run") {
            p.command.options.dryRun = true;
        } else if ((changes || tablewise) && word == u"--verbose") {
            p.command.verbose = true;
        } else if ((changes || tablewise) && isOption(word, u"--log")) {
            if (const std::optional<QString> file = p.valueOf(word, QStringLiteral("--log"))) {
                if (file->isEmpty()) {
                    p.fail(QStringLiteral("--log needs a file name"));
                }
                p.command.logFile = *file;
            }
        } else if (tablewise && word == u"--no-progress") {
            p.command.noProgress = true;
        } else if (tablewise && isOption(word, u"--jobs")) {
            if (const std::optional<int> n = p.number(word, QStringLiteral("--jobs"), 1, mostJobs,
                                                      QStringLiteral("a number of jobs"))) {
                p.command.jobs = *n;
            }
        } else if (tablewise && word == u"--job") {
            p.command.job = true;
        } else if (kind == Command::Kind::Copy && isOption(word, u"--split")) {
            if (const std::optional<int> n = p.number(word, QStringLiteral("--split"), 2, mostJobs,
                                                      QStringLiteral("a number of parts"))) {
                p.command.split = *n;
            }
        } else if (kind == Command::Kind::Copy && isOption(word, u"--part")) {
            if (const std::optional<QString> into = p.valueOf(word, QStringLiteral("--part"))) {
                p.command.options.part = true;
                p.command.options.partTarget = *into;
            }
        } else if (kind == Command::Kind::Copy && isOption(word, u"--max-refused")) {
            if (const std::optional<int> n =
                    p.number(word, QStringLiteral("--max-refused"), 0,
                             std::numeric_limits<int>::max(), QStringLiteral("a number of rows"))) {
                p.command.options.maxRefused = *n;
            }
        } else if (kind == Command::Kind::Copy && word == u"--replace") {
            p.command.replace = true;
        } else if ((tablewise || previews) && word == u"--json") {
            p.command.json = true;
        } else if ((tablewise || previews) && word == u"--all") {
            p.command.all = true;
        } else if (kind == Command::Kind::Copy && word == u"--resume") {
            p.command.options.resume = true;
        } else if (kind == Command::Kind::Copy && word == u"--sync") {
            p.command.options.sync = true;
        } else if (kind == Command::Kind::Copy && word == u"--delete-extra") {
            p.command.options.deleteExtra = true;
        } else if (kind == Command::Kind::Copy && isOption(word, u"--max-changes")) {
            if (const std::optional<int> n =
                    p.number(word, QStringLiteral("--max-changes"), 0,
                             std::numeric_limits<int>::max(), QStringLiteral("a number of rows"))) {
                p.command.options.maxChanges = *n;
            }
        } else if (kind == Command::Kind::Copy && word == u"--structure") {
            p.command.options.structure = true;
        } else if (kind == Command::Kind::Copy && word == u"--foreign-keys") {
            p.command.options.foreignKeys = true;
        } else if (kind == Command::Kind::Copy && word == u"--verify") {
            p.command.verify = true;
        } else if ((kind == Command::Kind::Copy || kind == Command::Kind::Compare) &&
                   word == u"--by-rows") {
            p.command.byRows = true;
        } else if (tablewise && isOption(word, u"--where")) {
            if (const std::optional<QString> condition =
                    p.valueOf(word, QStringLiteral("--where"))) {
                if (condition->trimmed().isEmpty()) {
                    p.fail(QStringLiteral("--where needs a condition"));
                }
                p.command.options.where = *condition;
            }
        } else if (kind == Command::Kind::Copy && word == u"--bulk") {
            p.command.options.bulk = true;
        } else if ((kind == Command::Kind::Copy || previews) && isOption(word, u"--types")) {
            if (const std::optional<QString> file = p.valueOf(word, QStringLiteral("--types"))) {
                if (file->isEmpty()) {
                    p.fail(QStringLiteral("--types needs a file name"));
                }
                p.command.typesFile = *file;
            }
        } else if (previews && word == u"--measure") {
            p.command.measureTypes = true;
        } else if ((kind == Command::Kind::Copy || previews) && word == u"--fit-types") {
            p.command.options.fitTypes = true;
        } else if ((kind == Command::Kind::Copy || previews) && word == u"--exact-types") {
            p.command.options.exactTypes = true;
        } else if (kind == Command::Kind::Copy && isOption(word, u"--batch-size")) {
            if (const std::optional<int> n =
                    p.number(word, QStringLiteral("--batch-size"), 1, largestBatch,
                             QStringLiteral("a number of rows"))) {
                p.command.options.batchSize = *n;
            }
            batchSizeGiven = true;
        } else {
            p.fail(kind ? QStringLiteral("unknown option \"%1\" for this command").arg(word)
                        : QStringLiteral("unknown option \"%1\"").arg(word));
        }
    }
    if (p.error) {
        return *p.error;
    }
    if (!kind) {
        return UsageError{QStringLiteral("no command given")};
    }
    if (p.command.options.fitTypes && !p.command.options.exactTypes) {
        return UsageError{QStringLiteral("--fit-types goes with --exact-types")};
    }
    Command command = p.command;
    command.kind = *kind;
    switch (*kind) {
    case Command::Kind::Check:
        if (!names.isEmpty()) {
            return UsageError{QStringLiteral("check takes no names")};
        }
        break;
    case Command::Kind::List: {
        if (names.size() != 1) {
            return UsageError{QStringLiteral("list needs one side: oracle or db2")};
        }
        const std::optional<Side> side = sideNamed(names.first());
        if (!side) {
            return UsageError{
                QStringLiteral("unknown side \"%1\" (oracle or db2)").arg(names.first())};
        }
        command.side = *side;
        break;
    }
    case Command::Kind::Copy:
        if (!sideGiven) {
            return UsageError{QStringLiteral("copy needs --to db2 or --to oracle")};
        }
        if (command.all && !names.isEmpty()) {
            return UsageError{QStringLiteral("copy takes table names or --all, not both")};
        }
        if (!command.all && names.isEmpty()) {
            return UsageError{QStringLiteral("copy needs table names or --all")};
        }
        if (batchSizeGiven && !command.options.bulk) {
            return UsageError{QStringLiteral("--batch-size goes with --bulk")};
        }
        if (!command.options.where.isEmpty() && (command.all || names.size() != 1)) {
            return UsageError{QStringLiteral("--where goes with one table")};
        }
        if (command.split > 1 && (command.all || names.size() != 1)) {
            return UsageError{QStringLiteral("--split goes with one table")};
        }
        if (command.options.foreignKeys && (command.split > 1 || command.jobs > 1)) {
            return UsageError{QStringLiteral("--foreign-keys goes with one job: they are made "
                                             "after every table of the run")};
        }
        if (command.split > 1 && command.options.structure) {
            return UsageError{QStringLiteral("--structure does not go with --split: the parts "
                                             "would each make the keys")};
        }
        if (command.split > 1 && command.options.dryRun) {
            return UsageError{QStringLiteral("--split cannot be a dry run")};
        }
        if (command.options.resume && command.replace) {
            return UsageError{QStringLiteral("--resume adds to a table that --replace would drop: "
                                             "give one of them")};
        }
        if (command.options.resume && command.options.dryRun) {
            return UsageError{QStringLiteral("--resume cannot be a dry run")};
        }
        if (command.options.sync && (command.replace || command.options.resume)) {
            return UsageError{QStringLiteral("--sync brings a table up to date: neither --replace "
                                             "nor --resume goes with it")};
        }
        if (command.options.sync && command.split > 1) {
            return UsageError{QStringLiteral("--sync does not go with --split")};
        }
        if (!command.options.sync &&
            (command.options.deleteExtra || command.options.maxChanges >= 0)) {
            return UsageError{QStringLiteral("--delete-extra and --max-changes go with --sync")};
        }
        if (command.byRows && !command.verify) {
            return UsageError{QStringLiteral("--by-rows says how --verify compares: give both")};
        }
        if (command.verify && command.options.dryRun) {
            return UsageError{QStringLiteral("--verify compares what a copy made; a dry run "
                                             "makes nothing")};
        }
        command.tables = names;
        break;
    case Command::Kind::Types:
        if (!sideGiven) {
            return UsageError{QStringLiteral("types needs --to db2 or --to oracle")};
        }
        if (command.all == !names.isEmpty()) {
            return UsageError{QStringLiteral("types needs table names or --all, not both")};
        }
        command.tables = names;
        break;
    case Command::Kind::Compare:
        if (!sideGiven) {
            return UsageError{QStringLiteral("compare needs --to db2 or --to oracle")};
        }
        if (command.all && !names.isEmpty()) {
            return UsageError{QStringLiteral("compare takes table names or --all, not both")};
        }
        if (!command.all && names.isEmpty()) {
            return UsageError{QStringLiteral("compare needs table names or --all")};
        }
        if (!command.options.where.isEmpty() && (command.all || names.size() != 1)) {
            return UsageError{QStringLiteral("--where goes with one table")};
        }
        command.tables = names;
        break;
    case Command::Kind::Drop:
        if (!sideGiven) {
            return UsageError{QStringLiteral("drop needs --on oracle or --on db2")};
        }
        if (names.isEmpty()) {
            return UsageError{QStringLiteral("drop needs at least one table name")};
        }
        // A name given twice is one table, dropped once.
        names.removeDuplicates();
        command.tables = names;
        break;
    case Command::Kind::Rename:
        if (!sideGiven) {
            return UsageError{QStringLiteral("rename needs --on oracle or --on db2")};
        }
        if (names.size() != 2 || names.at(1).isEmpty()) {
            return UsageError{QStringLiteral("rename needs the old and the new name")};
        }
        if (names.at(0) == names.at(1)) {
            return UsageError{QStringLiteral("rename needs a new name other than the old one")};
        }
        command.tables = names;
        break;
    case Command::Kind::Help:
    case Command::Kind::Version:
        break;
    }
    return command;
}

QStringList JobArguments(const Command& command, const QString& table) {
    QStringList words;
    if (!command.configFile.isEmpty()) {
        words << QStringLiteral("--config") << command.configFile;
    }
    const bool copy = command.kind == Command::Kind::Copy;
    words << (copy ? QStringLiteral("copy") : QStringLiteral("compare")) << QStringLiteral("--to")
          << SideName(command.side) << QStringLiteral("--job") << QStringLiteral("--no-progress");
    const auto flag = [&](bool on, const char16_t* name) {
        if (on) {
            words << QString::fromUtf16(name);
        }
    };
    const auto value = [&](bool on, const char16_t* name, const QString& text) {
        if (on) {
            words << QString::fromUtf16(name) << text;
        }
    };
    flag(command.json, u"--json");
    flag(command.verbose, u"--verbose");
    value(!command.logFile.isEmpty(), u"--log", command.logFile);
    if (copy) {
        flag(command.replace, u"--replace");
        flag(command.options.bulk, u"--bulk");
        value(command.options.bulk, u"--batch-size", QString::number(command.options.batchSize));
        flag(command.options.exactTypes, u"--exact-types");
        flag(command.options.fitTypes, u"--fit-types");
        value(!command.typesFile.isEmpty(), u"--types", command.typesFile);
        value(command.options.maxRefused >= 0, u"--max-refused",
              QString::number(command.options.maxRefused));
        flag(command.verify, u"--verify");
        flag(command.options.structure, u"--structure");
        flag(command.options.resume, u"--resume");
        flag(command.options.sync, u"--sync");
        flag(command.options.deleteExtra, u"--delete-extra");
        value(command.options.maxChanges >= 0, u"--max-changes",
              QString::number(command.options.maxChanges));
        flag(command.options.dryRun, u"--dry-run");
        value(command.options.part, u"--part", command.options.partTarget);
    }
    flag(command.byRows, u"--by-rows");
    // The compare job of a copy's --verify compares the rows it copied.
    value(!command.options.where.isEmpty(), u"--where", command.options.where);
    // A table's name may begin with a dash.
    words << QStringLiteral("--") << table;
    return words;
}

QString SideName(Side side) {
    return side == Side::Oracle ? QStringLiteral("oracle") : QStringLiteral("db2");
}

} // namespace cli
