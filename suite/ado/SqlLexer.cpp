#include "SqlLexer.h"

#include <array>
#include <limits>

namespace ado {

namespace {

// Character classes of the lexer. ASCII, which is nearly every character of a
// statement, is answered from a table; the rest by Unicode's categories.
enum : quint8 { kSpace = 1, kLetter = 2, kDigit = 4, kDollar = 8 };
constexpr std::array<quint8, 128> kAsciiClass = [] {
    std::array<quint8, 128> t{};
    for (int c = 0; c < 128; ++c) {
        if (c == ' ' || (c >= 0x09 && c <= 0x0d))
            t[c] = kSpace;
        else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '@' ||
                 c == '#')
            t[c] = kLetter;
        else if (c >= '0' && c <= '9')
            t[c] = kDigit;
        else if (c == '$')
            t[c] = kDollar;
    }
    return t;
}();

inline bool isSpace(char16_t u) {
    return u < 128 ? (kAsciiClass[u] & kSpace) != 0 : QChar(u).isSpace();
}
inline bool isDigit(char16_t u) {
    return u < 128 ? (kAsciiClass[u] & kDigit) != 0 : QChar(u).isDigit();
}
inline bool isWordStart(char16_t u) {
    return u < 128 ? (kAsciiClass[u] & kLetter) != 0 : QChar(u).isLetter();
}
inline bool isWordChar(char16_t u) {
    return u < 128 ? (kAsciiClass[u] & (kLetter | kDigit | kDollar)) != 0
                   : QChar(u).isLetterOrNumber();
}

bool isTwoCharOperator(char16_t a, char16_t b) {
    switch (a) {
    case '<':
        return b == u'=' || b == u'>';
    case '>':
        return b == u'=';
    case '!':
        return b == u'=' || b == u'<' || b == u'>';
    case '|':
        return b == u'|';
    case ':':
        return b == u':';
    default:
        return false;
    }
}

} // namespace

namespace lex {

Token lexOne(QStringView str, qsizetype i) {
    const char16_t* s = str.utf16();
    const qsizetype n = str.size();
    const qsizetype b = i;
    const char16_t c = s[i];
    if (isSpace(c)) {
        while (i < n && isSpace(s[i]))
            ++i;
        return Token{Tok::Space, b, i};
    }
    if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
        while (i < n && s[i] != u'\n')
            ++i;
        return Token{Tok::Comment, b, i};
    }
    if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
        const qsizetype e = str.indexOf(u"*/", i + 2);
        return Token{Tok::Comment, b, e < 0 ? n : e + 2};
    }
    if (c == u'\'' || ((c == u'N' || c == u'n') && i + 1 < n && s[i + 1] == u'\'')) {
        Token t{Tok::String, b, 0, c != u'\''};
        i += t.national ? 2 : 1;
        // A quote is doubled inside a literal; an unterminated literal runs to the end
        // and is left for the server to reject.
        t.unterminated = true;
        while (i < n) {
            if (s[i] == u'\'') {
                if (i + 1 < n && s[i + 1] == u'\'') {
                    i += 2;
                    continue;
                }
                ++i;
                t.unterminated = false;
                break;
            }
            ++i;
        }
        t.end = i;
        return t;
    }
    if (c == u'"' || c == u'[') {
        const char16_t close = c == u'"' ? u'"' : u']';
        ++i;
        while (i < n && s[i] != close)
            ++i;
        return Token{Tok::QuotedIdent, b, i < n ? i + 1 : i};
    }
    if (isDigit(c) || (c == u'.' && i + 1 < n && isDigit(s[i + 1]))) {
        while (i < n && isDigit(s[i]))
            ++i;
        if (i < n && s[i] == u'.') {
            ++i;
            while (i < n && isDigit(s[i]))
                ++i;
        }
        if (i < n && (s[i] == u'e' || s[i] == u'E')) {
            qsizetype j = i + 1;
            if (j < n && (s[j] == u'+' || s[j] == u'-'))
                ++j;
            if (j < n && isDigit(s[j])) {
                i = j;
                while (i < n && isDigit(s[i]))
                    ++i;
            }
        }
        // "1abc" is not a number followed by a word in any dialect we speak.
        if (i < n && isWordStart(s[i])) {
            while (i < n && isWordChar(s[i]))
                ++i;
            return Token{Tok::Word, b, i};
        }
        return Token{Tok::Number, b, i};
    }
    if (isWordStart(c)) {
        while (i < n && isWordChar(s[i]))
            ++i;
        return Token{Tok::Word, b, i};
    }
    return Token{Tok::Op, b, i + ((i + 1 < n && isTwoCharOperator(c, s[i + 1])) ? 2 : 1)};
}

std::vector<Token> tokenize(const QString& s) {
    std::vector<Token> out;
    out.reserve(s.size() / 3 + 4);
    for (qsizetype i = 0; i < s.size();) {
        out.push_back(lexOne(s, i));
        i = out.back().end;
    }
    return out;
}

bool isValueStartKeyword(QStringView w) {
    static constexpr const char* k[] = {"SELECT", "WHERE",  "AND",     "OR",     "NOT",
                                        "ON",     "THEN",   "ELSE",    "WHEN",   "CASE",
                                        "IN",     "LIKE",   "BETWEEN", "HAVING", "DISTINCT",
                                        "ALL",    "RETURN", "VALUES",  "IS",     "SET"};
    for (const char* kw : k)
        if (w.compare(QLatin1StringView(kw), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool isListEndKeyword(QStringView w) {
    static constexpr const char* k[] = {"LIMIT",  "OFFSET", "UNION", "EXCEPT", "INTERSECT",
                                        "HAVING", "FOR",    "FETCH", "SELECT"};
    for (const char* kw : k)
        if (w.compare(QLatin1StringView(kw), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// QStringView::toULongLong would give the same answers through a temporary copy.
bool wholeNumber(QStringView digits, qulonglong& value) {
    value = 0;
    for (const QChar q : digits) {
        const char16_t c = q.unicode();
        if (c < u'0' || c > u'9')
            return false;
        const unsigned d = unsigned(c - u'0');
        if (value > (std::numeric_limits<qulonglong>::max() - d) / 10)
            return false;
        value = value * 10 + d;
    }
    return !digits.isEmpty();
}

NumberClass numberClass(QStringView digits) {
    for (QChar c : digits)
        if (c == u'.' || c == u'e' || c == u'E')
            return NumberClass::Decimal;
    qulonglong v = 0;
    if (!wholeNumber(digits, v) || v > qulonglong(std::numeric_limits<qint64>::max()))
        return NumberClass::Huge;
    return v <= qulonglong(std::numeric_limits<qint32>::max()) ? NumberClass::Int
                                                               : NumberClass::Big;
}

const char* postgresType(NumberClass c) {
    switch (c) {
    case NumberClass::Int:
        return "integer";
    case NumberClass::Big:
        return "bigint";
    default:
        return "numeric";
    }
}

} // namespace lex

using namespace lex;

bool skeletonOf(const QString& str, QString& skeleton, std::vector<LiteralSpan>& spans) {
    const QStringView s(str);
    skeleton.clear();
    spans.clear();
    skeleton.reserve(s.size());
    qsizetype copied = 0; // s[copied, token) is still to be copied into the skeleton
    for (qsizetype i = 0; i < s.size();) {
        const Token t = lexOne(s, i);
        i = t.end;
        char marker = 0;
        LiteralSpan::Kind kind = LiteralSpan::Number;
        if (t.type == Tok::String) {
            if (t.unterminated)
                return false;
            marker = t.national ? 'N' : 'S';
            kind = t.national ? LiteralSpan::NationalString : LiteralSpan::String;
        } else if (t.type == Tok::Number) {
            marker = char(numberClass(s.mid(t.begin, t.end - t.begin)));
        } else if (t.type == Tok::Op && (s[t.begin] == u'\x01' || s[t.begin] == u'\0')) {
            return false; // the marker itself, or a NUL: left to the full translation
        }
        if (!marker)
            continue;
        skeleton.append(s.mid(copied, t.begin - copied));
        skeleton.append(QChar(u'\x01'));
        skeleton.append(QLatin1Char(marker));
        spans.push_back({t.begin, t.end - t.begin, kind});
        copied = t.end;
    }
    skeleton.append(s.mid(copied));
    return true;
}

QVariant literalValue(const QString& s, const LiteralSpan& span, bool negated, Dialect dialect) {
    const QStringView t = QStringView(s).mid(span.begin, span.length);
    if (span.kind != LiteralSpan::Number) {
        const QStringView body = t.mid(span.kind == LiteralSpan::NationalString ? 2 : 1).chopped(1);
        return body.contains(u'\'')
                   ? body.toString().replace(QStringLiteral("''"), QStringLiteral("'"))
                   : body.toString();
    }
    if (dialect == Dialect::PostgreSQL)
        return negated ? u'-' + t.toString() : t.toString();
    // A whole number that fits in 64 bits (the sign included) binds as an integer,
    // anything else as a double.
    qulonglong v = 0;
    const qulonglong limit = qulonglong(std::numeric_limits<qint64>::max()) + (negated ? 1 : 0);
    if (wholeNumber(t, v) && v <= limit)
        return QVariant(negated ? qlonglong(0ULL - v) : qlonglong(v));
    const double d = t.toDouble();
    return QVariant(negated ? -d : d);
}

qsizetype secondStatementAt(const QString& tsql) {
    if (!tsql.contains(u';'))
        return -1; // nearly every statement: no lexing needed
    bool ended = false, first = true, create = false;
    int block = 0; // inside CREATE ... BEGIN ... END (a trigger's body), ";" ends nothing
    for (qsizetype i = 0; i < tsql.size();) {
        const Token t = lexOne(tsql, i);
        i = t.end;
        if (t.type == Tok::Space || t.type == Tok::Comment)
            continue;
        if (ended)
            return t.begin;
        const QStringView w = QStringView(tsql).mid(t.begin, t.end - t.begin);
        if (t.type == Tok::Word) {
            if (first)
                create = w.compare(u"CREATE", Qt::CaseInsensitive) == 0;
            else if (create && (w.compare(u"BEGIN", Qt::CaseInsensitive) == 0 ||
                                (block > 0 && w.compare(u"CASE", Qt::CaseInsensitive) == 0)))
                ++block;
            else if (block > 0 && w.compare(u"END", Qt::CaseInsensitive) == 0)
                --block;
        }
        first = false;
        if (t.type == Tok::Op && w == u";" && block == 0)
            ended = true;
    }
    return -1;
}

} // namespace ado
