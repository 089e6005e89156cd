#include "PortableSql.h"

#include "kernel/Statements.h"

#include <QRegularExpression>
#include <vector>

namespace transfer {

namespace {

using Fold = db::StructureForms::Fold;

struct Token {
    enum class Kind { Name, Word, String, Number, Symbol } kind;
    QString text; // a name as the server means it; a word upper-cased
};

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_';
}
bool isNamePart(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#';
}

// The words of a type after PostgreSQL's :: (character varying(10)[]).
const QStringList typeWords{u"VARYING"_qs, u"PRECISION"_qs, u"WITHOUT"_qs,
                            u"WITH"_qs,    u"TIME"_qs,      u"ZONE"_qs};
const QStringList numberTypes{u"INTEGER"_qs, u"NUMERIC"_qs, u"BIGINT"_qs, u"SMALLINT"_qs,
                              u"DOUBLE"_qs,  u"REAL"_qs,    u"DECIMAL"_qs};

std::optional<std::vector<Token>> tokens(QStringView text, Fold unquoted) {
    std::vector<Token> out;
    qsizetype at = 0;
    const auto peek = [&](qsizetype ahead = 0) {
        return at + ahead < text.size() ? text[at + ahead] : QChar();
    };
    while (at < text.size()) {
        const QChar c = text[at];
        if (c.isSpace()) {
            ++at;
        } else if (c == u'\'') {
            QString literal(u'\'');
            for (++at;; ++at) {
                if (at >= text.size()) {
                    return std::nullopt;
                }
                literal += text[at];
                if (text[at] == u'\'') {
                    if (peek(1) != u'\'') {
                        break;
                    }
                    literal += text[++at];
                }
            }
            ++at;
            out.push_back({Token::Kind::String, literal});
        } else if (c == u'"' || c == u'`') {
            const qsizetype end = text.indexOf(c, at + 1);
            if (end < 0) {
                return std::nullopt;
            }
            out.push_back({Token::Kind::Name, text.sliced(at + 1, end - at - 1).toString()});
            at = end + 1;
        } else if (c.isDigit() || (c == u'.' && peek(1).isDigit())) {
            const qsizetype start = at;
            while (peek().isDigit() || peek() == u'.' ||
                   ((peek() == u'E' || peek() == u'e') && (peek(1).isDigit() || peek(1) == u'-'))) {
                at += (peek() == u'E' || peek() == u'e') && peek(1) == u'-' ? 2 : 1;
            }
            out.push_back({Token::Kind::Number, text.sliced(start, at - start).toString()});
        } else if (isNameStart(c)) {
            const qsizetype start = at;
            while (isNamePart(peek())) {
                ++at;
            }
            const QString word = text.sliced(start, at - start).toString();
            out.push_back({Token::Kind::Word, word});
        } else if (c == u':' && peek(1) == u':') {
            // A cast: the type's words, a size, an array's brackets.
            at += 2;
            QString type;
            while (at < text.size() && text[at].isSpace()) {
                ++at;
            }
            while (isNamePart(peek())) {
                type += text[at++];
            }
            for (;;) {
                qsizetype next = at;
                while (next < text.size() && text[next].isSpace()) {
                    ++next;
                }
                qsizetype end = next;
                while (end < text.size() && isNamePart(text[end])) {
                    ++end;
                }
                if (end == next ||
                    !typeWords.contains(text.sliced(next, end - next).toString().toUpper())) {
                    break;
                }
                at = end;
            }
            if (peek() == u'(') {
                const qsizetype close = text.indexOf(u')', at);
                if (close < 0) {
                    return std::nullopt;
                }
                at = close + 1;
            }
            if (peek() == u'[' && peek(1) == u']') {
                at += 2;
            }
            // '-1'::integer is a number.
            if (numberTypes.contains(type.toUpper()) && !out.empty() &&
                out.back().kind == Token::Kind::String) {
                const QString inner = out.back().text.mid(1).chopped(1);
                bool number = false;
                inner.toDouble(&number);
                if (number) {
                    out.back() = {Token::Kind::Number, inner};
                }
            }
        } else {
            static const QStringList symbols{u"<>"_qs, u"!="_qs, u"<="_qs, u">="_qs, u"="_qs,
                                             u"<"_qs,  u">"_qs,  u"("_qs,  u")"_qs,  u","_qs,
                                             u"["_qs,  u"]"_qs,  u"-"_qs,  u"+"_qs};
            bool found = false;
            for (const QString& symbol : symbols) {
                if (text.sliced(at).startsWith(symbol)) {
                    out.push_back({Token::Kind::Symbol, symbol == u"!=" ? u"<>"_qs : symbol});
                    at += symbol.size();
                    found = true;
                    break;
                }
            }
            if (!found) {
                return std::nullopt;
            }
        }
    }
    // Bare words: keywords, else names as the server folds them.
    static const QStringList keywords{u"AND"_qs,   u"OR"_qs,   u"NOT"_qs,     u"IN"_qs,
                                      u"IS"_qs,    u"NULL"_qs, u"BETWEEN"_qs, u"ANY"_qs,
                                      u"ARRAY"_qs, u"TRUE"_qs, u"FALSE"_qs};
    for (Token& token : out) {
        if (token.kind != Token::Kind::Word) {
            continue;
        }
        if (keywords.contains(token.text.toUpper())) {
            token.text = token.text.toUpper();
            continue;
        }
        token.kind = Token::Kind::Name;
        token.text = unquoted == Fold::Upper   ? token.text.toUpper()
                     : unquoted == Fold::Lower ? token.text.toLower()
                                               : token.text;
    }
    return out;
}

// = ANY (ARRAY[a, b]) as IN (a, b), however many parentheses PostgreSQL
// puts around the array.
bool rewriteAny(std::vector<Token>& list) {
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        if (!(list[i].text == u"=" && list[i + 1].text == u"ANY")) {
            continue;
        }
        std::size_t at = i + 2;
        int opened = 0;
        while (at < list.size() && list[at].text == u"(") {
            ++opened;
            ++at;
        }
        if (opened == 0 || at + 1 >= list.size() || list[at].text != u"ARRAY" ||
            list[at + 1].text != u"[") {
            return false;
        }
        std::vector<Token> items;
        for (at += 2; at < list.size() && list[at].text != u"]"; ++at) {
            items.push_back(list[at]);
        }
        for (++at; opened > 0 && at < list.size() && list[at].text == u")"; ++at) {
            --opened;
        }
        if (opened != 0) {
            return false;
        }
        std::vector<Token> in{{Token::Kind::Word, u"IN"_qs}, {Token::Kind::Symbol, u"("_qs}};
        in.insert(in.end(), items.begin(), items.end());
        in.push_back({Token::Kind::Symbol, u")"_qs});
        list.erase(list.begin() + std::ptrdiff_t(i), list.begin() + std::ptrdiff_t(at));
        list.insert(list.begin() + std::ptrdiff_t(i), in.begin(), in.end());
    }
    return true;
}

QString joined(const std::vector<Token>& list) {
    QString text;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Token& t = list[i];
        const bool tight = t.text == u")" || t.text == u"," ||
                           (i > 0 && list[i - 1].text == u"(") ||
                           (i > 0 && list[i - 1].text == u"-" &&
                            (i == 1 || list[i - 2].kind == Token::Kind::Symbol));
        if (i > 0 && !tight) {
            text += u' ';
        }
        text += t.kind == Token::Kind::Name ? kernel::QuotedName(t.text) : t.text;
    }
    return text;
}

} // namespace

std::optional<QString> PortableCondition(QStringView text, Fold unquoted) {
    QStringView condition = text.trimmed();
    if (condition.startsWith(u"CHECK", Qt::CaseInsensitive)) {
        condition = condition.sliced(5).trimmed();
    }
    std::optional<std::vector<Token>> list = tokens(condition, unquoted);
    if (!list || list->empty() || !rewriteAny(*list)) {
        return std::nullopt;
    }
    int depth = 0;
    for (std::size_t i = 0; i < list->size(); ++i) {
        const Token& t = (*list)[i];
        depth += t.text == u"(" ? 1 : t.text == u")" ? -1 : 0;
        // A name before "(" calls a function; what is left of ANY or
        // brackets is PostgreSQL's own.
        const bool call =
            t.kind == Token::Kind::Name && i + 1 < list->size() && (*list)[i + 1].text == u"(";
        if (depth < 0 || call || t.text == u"ANY" || t.text == u"ARRAY" || t.text == u"[" ||
            t.text == u"]") {
            return std::nullopt;
        }
    }
    return depth == 0 ? std::optional(joined(*list)) : std::nullopt;
}

std::optional<QString> PortableDefault(QStringView text, Fold unquoted,
                                       const db::StructureForms& target) {
    const QString spoken = text.trimmed().toString().toUpper().remove(u' ');
    static const QStringList moments{u"CURRENT_TIMESTAMP"_qs, u"CURRENT_TIMESTAMP()"_qs,
                                     u"CURRENTTIMESTAMP"_qs,  u"SYSTIMESTAMP"_qs,
                                     u"SYSDATE"_qs,           u"NOW()"_qs,
                                     u"LOCALTIMESTAMP"_qs};
    static const QStringList days{u"CURRENT_DATE"_qs, u"CURRENTDATE"_qs, u"CURDATE()"_qs,
                                  u"TRUNC(SYSDATE)"_qs};
    if (moments.contains(spoken)) {
        return target.now.toString();
    }
    if (days.contains(spoken)) {
        return target.today.toString();
    }
    std::optional<std::vector<Token>> list = tokens(text.trimmed(), unquoted);
    if (!list) {
        return std::nullopt;
    }
    // A literal, a signed number, NULL; parentheses around them as
    // PostgreSQL writes ('x'::text).
    std::vector<Token> bare;
    for (const Token& t : *list) {
        if (t.text != u"(" && t.text != u")") {
            bare.push_back(t);
        }
    }
    const bool literal =
        bare.size() == 1 && (bare[0].kind == Token::Kind::String ||
                             bare[0].kind == Token::Kind::Number || bare[0].text == u"NULL");
    const bool signedNumber =
        bare.size() == 2 && bare[0].text == u"-" && bare[1].kind == Token::Kind::Number;
    if (!literal && !signedNumber) {
        return std::nullopt;
    }
    return joined(bare);
}

} // namespace transfer
