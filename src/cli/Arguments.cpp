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
        if (optionsEnded || !word.startsWith(u'-') || word == u"-") {
            if (!kind) {
                static const struct {
                    const char16_t* name;
                    Command::Kind kind;
                } commands[] = {
                    {u"check", Command::Kind::Check}, {u"list", Command::Kind::List},
                    {u"copy", Command::Kind::Copy},   {u"compare", Command::Kind::Compare},
                    {u"drop", Command::Kind::Drop},   {u"rename", Command::Kind::Rename}};
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
        } else if (tablewise && isOption(word, u"--to")) {
            p.takeSide(word, QStringLiteral("--to"), &sideGiven);
        } else if ((kind == Command::Kind::Drop || kind == Command::Kind::Rename) &&
                   isOption(word, u"--on")) {
            p.takeSide(word, QStringLiteral("--on"), &sideGiven);
        } else if (changes && word == u"--dry-run") {
            p.command.dryRun = true;
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
                p.command.part = true;
                p.command.partTarget = *into;
            }
        } else if (kind == Command::Kind::Copy && isOption(word, u"--max-refused")) {
            if (const std::optional<int> n =
                    p.number(word, QStringLiteral("--max-refused"), 0,
                             std::numeric_limits<int>::max(), QStringLiteral("a number of rows"))) {
                p.command.maxRefused = *n;
            }
        } else if (kind == Command::Kind::Copy && word == u"--replace") {
            p.command.replace = true;
        } else if (tablewise && word == u"--json") {
            p.command.json = true;
        } else if (tablewise && word == u"--all") {
            p.command.all = true;
        } else if (kind == Command::Kind::Copy && word == u"--resume") {
            p.command.resume = true;
        } else if (kind == Command::Kind::Copy && word == u"--verify") {
            p.command.verify = true;
        } else if (tablewise && isOption(word, u"--where")) {
            if (const std::optional<QString> condition =
                    p.valueOf(word, QStringLiteral("--where"))) {
                if (condition->trimmed().isEmpty()) {
                    p.fail(QStringLiteral("--where needs a condition"));
                }
                p.command.where = *condition;
            }
        } else if (kind == Command::Kind::Copy && word == u"--bulk") {
            p.command.bulk = true;
        } else if (kind == Command::Kind::Copy && word == u"--exact-types") {
            p.command.exactTypes = true;
        } else if (kind == Command::Kind::Copy && isOption(word, u"--batch-size")) {
            if (const std::optional<int> n =
                    p.number(word, QStringLiteral("--batch-size"), 1, largestBatch,
                             QStringLiteral("a number of rows"))) {
                p.command.batchSize = *n;
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
        if (batchSizeGiven && !command.bulk) {
            return UsageError{QStringLiteral("--batch-size goes with --bulk")};
        }
        if (!command.where.isEmpty() && (command.all || names.size() != 1)) {
            return UsageError{QStringLiteral("--where goes with one table")};
        }
        if (command.split > 1 && (command.all || names.size() != 1)) {
            return UsageError{QStringLiteral("--split goes with one table")};
        }
        if (command.split > 1 && command.dryRun) {
            return UsageError{QStringLiteral("--split cannot be a dry run")};
        }
        if (command.resume && command.replace) {
            return UsageError{QStringLiteral("--resume adds to a table that --replace would drop: "
                                             "give one of them")};
        }
        if (command.resume && command.dryRun) {
            return UsageError{QStringLiteral("--resume cannot be a dry run")};
        }
        if (command.verify && command.dryRun) {
            return UsageError{QStringLiteral("--verify compares what a copy made; a dry run "
                                             "makes nothing")};
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
        if (!command.where.isEmpty() && (command.all || names.size() != 1)) {
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
        flag(command.bulk, u"--bulk");
        value(command.bulk, u"--batch-size", QString::number(command.batchSize));
        flag(command.exactTypes, u"--exact-types");
        value(command.maxRefused >= 0, u"--max-refused", QString::number(command.maxRefused));
        flag(command.verify, u"--verify");
        flag(command.resume, u"--resume");
        flag(command.dryRun, u"--dry-run");
        value(command.part, u"--part", command.partTarget);
    }
    // The compare job of a copy's --verify compares the rows it copied.
    value(!command.where.isEmpty(), u"--where", command.where);
    // A table's name may begin with a dash.
    words << QStringLiteral("--") << table;
    return words;
}

QString SideName(Side side) {
    return side == Side::Oracle ? QStringLiteral("oracle") : QStringLiteral("db2");
}

QString HelpText() {
    return QStringLiteral(
               "Usage:\n"
               "  duskferry-cli [--config FILE] check\n"
               "  duskferry-cli [--config FILE] list oracle|db2\n"
               "  duskferry-cli [--config FILE] copy --to db2|oracle [--replace] [--json]\n"
               "                [--bulk [--batch-size N]] [--exact-types] [--max-refused N]\n"
               "                [--verify] [--resume] [--dry-run] [--verbose] [--log FILE]\n"
               "                [--no-progress] [--jobs N] TABLE... | --all\n"
               "  duskferry-cli [--config FILE] copy --to db2|oracle --where CONDITION [...] "
               "TABLE\n"
               "  duskferry-cli [--config FILE] copy --to db2|oracle --split N [...] TABLE\n"
               "  duskferry-cli [--config FILE] compare --to db2|oracle [--json] [--verbose]\n"
               "                [--log FILE] [--no-progress] [--jobs N] TABLE... | --all\n"
               "  duskferry-cli [--config FILE] compare --to db2|oracle --where CONDITION [...] "
               "TABLE\n"
               "  duskferry-cli [--config FILE] drop --on oracle|db2 [--dry-run] [--verbose]\n"
               "                [--log FILE] TABLE...\n"
               "  duskferry-cli [--config FILE] rename --on oracle|db2 [--dry-run] [--verbose]\n"
               "                [--log FILE] OLD NEW\n"
               "  duskferry-cli --help | --version\n"
               "\n"
               "Commands:\n"
               "  check    open both logins and say, for each, ok or the driver's message\n"
               "  list     print one side's tables, one per line, as the window lists them\n"
               "  copy     copy tables of the other side to the --to side, in the order given\n"
               "  compare  compare tables of the other side with their copies on the --to\n"
               "           side, row by row and value by value\n"
               "  drop     drop tables of the --on side\n"
               "  rename   rename one table of the --on side\n"
               "\n"
               "Options:\n"
               "  --config FILE  the logins' file (default: the windows' own, Quorvane.ini in\n"
               "                 the user's configuration folder); never a password here.\n"
               "                 DUSKFERRY_ORACLE_SERVER, _USER, _PASSWORD and\n"
               "                 DUSKFERRY_DB2_SERVER, _PORT, _USER, _PASSWORD, _DATABASE in\n"
               "                 the environment override the file's keys\n"
               "  --to SIDE      copy: the side the tables go to (oracle or db2); compare:\n"
               "                 the side the copies are on\n"
               "  --on SIDE      drop, rename: the side the tables are on (oracle or db2)\n"
               "  --replace      copy: drop a table that is on the target already (letter\n"
               "                 case ignored; the same spelling first) and copy it again;\n"
               "                 without it, such a table is skipped, and its rows on both\n"
               "                 sides are counted\n"
               "  --all          copy, compare: every table of the source side\n"
               "  --json         copy, compare: the summary as one JSON document\n"
               "  --resume       copy: where the target has the table, add the source rows\n"
               "                 whose key (primary key or unique NOT NULL index) it lacks,\n"
               "                 leaving the rows it has as they are\n"
               "  --where COND   copy, compare: only the source rows that match the SQL\n"
               "                 condition, as written in the source's SELECT (one table)\n"
               "  --verify       copy: compare each copied table with its source; a table\n"
               "                 whose rows or values differ has the outcome differs\n"
               "  --bulk         copy: send the rows in arrays through one prepared INSERT,\n"
               "                 one commit per batch, instead of one INSERT per row; the\n"
               "                 same tables result, many times faster over a network\n"
               "  --batch-size N copy --bulk: rows per batch and commit, 1 to %1\n"
               "                 (default 1000)\n"
               "  --exact-types  copy: give each new column the source column's length,\n"
               "                 precision, scale and NOT NULL (docs/copy-modes.md: the types)\n"
               "                 instead of wide text and number columns\n"
               "  --max-refused N  copy: stop a table once more than N of its rows are\n"
               "                 refused (outcome failed)\n"
               "  --dry-run      say what would be created, replaced, skipped, dropped or\n"
               "                 renamed, and what a copy's columns would lose; change nothing\n"
               "  --verbose      a failure's whole report, its statement included\n"
               "  --log FILE     one JSON line per event (table started, row refused with\n"
               "                 its reason and statement, table finished with its figures,\n"
               "                 table compared with its differences)\n"
               "  --no-progress  no progress line, even on a terminal (also TERM=dumb)\n"
               "  --jobs N       copy, compare: up to N tables at once (1 to 16, default 1),\n"
               "                 each by a job of its own with two connections; the summary\n"
               "                 keeps the order the tables were given\n"
               "  --split N      copy: one table whose key is one column of whole numbers,\n"
               "                 dates or timestamps, its key range cut into N parts (2 to\n"
               "                 16), each copied by a job of its own into the one table;\n"
               "                 the count check and --verify see the whole table\n"
               "  --             what follows is a table name, even when it starts with -\n"
               "  -h, --help     this text\n"
               "  --version      the program's version\n"
               "\n"
               "Exit status: 0 everything done as asked; 1 a table failed, came out short, is\n"
               "not there, was skipped with other rows on the target than on the source, or\n"
               "differs from its copy;\n"
               "2 the command line is wrong; 3 a login is missing or a connection cannot be\n"
               "opened; 130 stopped by Ctrl-C (SIGINT), 143 by SIGTERM, 129 by SIGHUP.\n")
        .arg(largestBatch);
}

} // namespace cli
