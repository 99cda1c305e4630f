#include "SqlDialect.h"

#include <array>
#include <limits>
#include <vector>

namespace ado {

QString dialectName(Dialect d) {
    switch (d) {
    case Dialect::SqlServer:
        return QStringLiteral("ODBC");
    case Dialect::SQLite:
        return QStringLiteral("SQLite");
    case Dialect::PostgreSQL:
        return QStringLiteral("PostgreSQL");
    }
    return {};
}

namespace {

enum class Tok { Space, Comment, Word, QuotedIdent, Number, String, Op };

struct Token {
    Tok type;
    qsizetype begin;
    qsizetype end;
    bool national = false;     // N'...' string
    bool unterminated = false; // a string literal without its closing quote
};

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

// Reads the one token that starts at `i`.
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

// Keywords after which a value starts, so that a following "-" is a sign.
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

// Words that end an ORDER BY or GROUP BY list inside the same query level.
bool isListEndKeyword(QStringView w) {
    static constexpr const char* k[] = {"LIMIT",  "OFFSET", "UNION", "EXCEPT", "INTERSECT",
                                        "HAVING", "FOR",    "FETCH", "SELECT"};
    for (const char* kw : k)
        if (w.compare(QLatin1StringView(kw), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The size class of a number literal by its digits alone: what PostgreSQL types it as,
// and the marker it leaves in a statement's skeleton.
enum class NumberClass : char { Int = 'i', Big = 'l', Huge = 'x', Decimal = 'd' };

// The value of a number token made of ASCII digits only; false for anything else
// (a decimal point, an exponent, other scripts' digits) or a value beyond 64 bits.
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

struct Frame {
    QString limit;          // TOP count moved to the end of this query level
    bool inOrderBy = false; // inside ORDER BY / GROUP BY at this level
    // Position in both outputs just after the last significant token of this level,
    // where a LIMIT belongs when the level ends.
    qsizetype textTail = 0;
    qsizetype shapeTail = 0;
};

class Translator {
public:
    Translator(const QString& sql, Dialect d, bool parameterize, const ColumnScale* scales)
        : s_(sql), d_(d), toks_(tokenize(sql)) {
        out_.reserve(sql.size() + 16);
        shape_.reserve(sql.size() + 16);
        QStringView kind;
        for (const Token& t : toks_) {
            if (t.type == Tok::Word) {
                kind = text(t);
                break;
            }
            if (t.type != Tok::Space && t.type != Tok::Comment)
                break;
        }
        param_ =
            parameterize && d_ != Dialect::SqlServer &&
            (is(kind, "SELECT") || is(kind, "INSERT") || is(kind, "UPDATE") || is(kind, "DELETE"));
        if (scales && *scales && is(kind, "UPDATE"))
            scales_ = scales;
    }

    Translation run() {
        Translation r;
        if (d_ == Dialect::SqlServer) {
            r.text = s_;
            return r;
        }
        frames_.push_back({});
        for (qsizetype i = 0; i < qsizetype(toks_.size()); ++i)
            i = step(i);
        flushMinus();
        closeRound();
        closeFrame(); // the statement level
        if (!param_)
            r.text = out_;
        if (param_) {
            r.shape = shape_;
            r.parameters = params_;
            r.literalUses = uses_;
        }
        return r;
    }

private:
    QStringView text(const Token& t) const { return QStringView(s_).mid(t.begin, t.end - t.begin); }
    static bool is(QStringView w, const char* keyword) {
        return w.compare(QLatin1StringView(keyword), Qt::CaseInsensitive) == 0;
    }

    qsizetype nextSignificant(qsizetype i) const {
        for (++i; i < qsizetype(toks_.size()); ++i)
            if (toks_[i].type != Tok::Space && toks_[i].type != Tok::Comment)
                return i;
        return -1;
    }

    // Text and shape are built side by side; a parameterized run builds the shape alone
    // (the text is asked for only when the shape cannot be used).
    void put(QStringView t) {
        if (!param_)
            out_ += t;
        shape_ += t;
    }

    void markSignificant(const Token& t) {
        prev_ = t;
        havePrev_ = true;
        frames_.back().textTail = out_.size();
        frames_.back().shapeTail = shape_.size();
    }

    bool valueStarts() const {
        if (!havePrev_)
            return true;
        switch (prev_.type) {
        case Tok::Number:
        case Tok::String:
        case Tok::QuotedIdent:
            return false;
        case Tok::Word:
            return isValueStartKeyword(text(prev_));
        case Tok::Op:
            return text(prev_) != u")";
        default:
            return true;
        }
    }

    void flushMinus() {
        if (pendingMinus_.isEmpty())
            return;
        const QString m = pendingMinus_;
        pendingMinus_.clear();
        put(m);
        frames_.back().textTail = out_.size() - (m.size() - 1);
        frames_.back().shapeTail = shape_.size() - (m.size() - 1);
    }

    void closeFrame() {
        Frame f = frames_.takeLast();
        if (f.limit.isEmpty())
            return;
        const QString lim = QStringLiteral(" LIMIT ") + f.limit;
        if (!param_)
            out_.insert(f.textTail, lim);
        shape_.insert(f.shapeTail, lim);
    }

    void literal(const Token& t, const QString& sign) {
        const bool number = t.type == Tok::Number;
        // The value's text: the number with its sign folded in, or the literal as written.
        QString lit = (number && !sign.isEmpty()) ? QStringLiteral("-") : QString();
        lit += t.national ? text(t).mid(1) : text(t); // N'..' reads as '..' on these engines
        const QString written = number ? sign + text(t).toString() : lit;
        if (!param_)
            out_ += written;
        // An unterminated literal stays in the text for the server to reject.
        if (!param_ || frames_.back().inOrderBy || t.unterminated) {
            shape_ += written;
            uses_.push_back(LiteralUse::Inline);
            return;
        }
        uses_.push_back(sign.isEmpty() ? LiteralUse::Parameter : LiteralUse::NegatedParameter);
        const LiteralSpan span{
            t.begin, t.end - t.begin,
            !number ? (t.national ? LiteralSpan::NationalString : LiteralSpan::String)
                    : LiteralSpan::Number};
        params_.push_back(literalValue(s_, span, !sign.isEmpty(), d_));
        if (number && d_ == Dialect::PostgreSQL)
            // The server types a literal by its form and size (a sign is an operator to
            // it); the placeholder says the same.
            shape_ += QStringLiteral("CAST(? AS %1)")
                          .arg(QLatin1String(postgresType(numberClass(text(t)))));
        else
            shape_ += u'?';
    }

    qsizetype step(qsizetype i) {
        const Token& t = toks_[i];
        if (t.type == Tok::Space && afterRound_)
            return i; // "= ROUND(" hugs the expression
        afterRound_ = false;
        if (t.type == Tok::Space || t.type == Tok::Comment) {
            if (!pendingMinus_.isEmpty())
                pendingMinus_ += text(t);
            else
                put(text(t));
            return i;
        }
        if (t.type == Tok::Number && !pendingMinus_.isEmpty()) {
            const QString sign = pendingMinus_;
            pendingMinus_.clear();
            literal(t, sign);
            markSignificant(t);
            afterSelect_ = false;
            return i;
        }
        flushMinus();

        if (t.type == Tok::Op) {
            const QStringView op = text(t);
            if (op == u"-" && valueStarts()) {
                pendingMinus_ = op.toString();
                prev_ = t;
                havePrev_ = true;
                return i;
            }
            afterSelect_ = false;
            if (op == u"(") {
                put(op);
                markSignificant(t);
                frames_.push_back({});
                frames_.back().textTail = out_.size();
                frames_.back().shapeTail = shape_.size();
                return i;
            }
            if (op == u")" && frames_.size() > 1)
                closeFrame();
            if (scales_ && frames_.size() == 1) {
                const QString after = assignmentOp(op);
                if (!after.isEmpty()) {
                    put(op);
                    markSignificant(t);
                    put(after);
                    afterRound_ = true;
                    return i;
                }
            }
            put(op);
            if (op == u";") {
                // A statement end is not where a LIMIT goes.
                prev_ = t;
                havePrev_ = true;
            } else {
                markSignificant(t);
            }
            return i;
        }
        if (t.type == Tok::Number || t.type == Tok::String) {
            literal(t, {});
            markSignificant(t);
            afterSelect_ = false;
            return i;
        }
        if (t.type == Tok::QuotedIdent) {
            if (scales_ && frames_.size() == 1)
                assignmentWord(t, text(t), nextSignificant(i));
            put(text(t));
            markSignificant(t);
            afterSelect_ = false;
            return i;
        }

        // A word.
        const QStringView w = text(t);
        const qsizetype next = nextSignificant(i);
        if (scales_ && frames_.size() == 1)
            assignmentWord(t, w, next);
        if (is(w, "SELECT")) {
            frames_.back().inOrderBy = false;
            put(text(t));
            markSignificant(t);
            afterSelect_ = true;
            return i;
        }
        if (afterSelect_ && (is(w, "DISTINCT") || is(w, "ALL"))) {
            put(text(t));
            markSignificant(t);
            return i;
        }
        if (afterSelect_ && is(w, "TOP")) {
            afterSelect_ = false;
            if (const qsizetype end = topCount(next); end >= 0) {
                // Drop "TOP n" and the blanks after it; the count closes the level.
                qsizetype j = end + 1;
                while (j < qsizetype(toks_.size()) && toks_[j].type == Tok::Space)
                    ++j;
                return j - 1;
            }
        }
        afterSelect_ = false;
        if (is(w, "ISNULL") && next >= 0 && text(toks_[next]) == u"(") {
            put(QStringLiteral("COALESCE"));
        } else if (is(w, "TRUNCATE") && !havePrev_ && next >= 0 && is(text(toks_[next]), "TABLE")) {
            put(QStringLiteral("DELETE FROM"));
            markSignificant(toks_[next]);
            return next;
        } else {
            if ((is(w, "ORDER") || is(w, "GROUP")) && next >= 0 && is(text(toks_[next]), "BY"))
                frames_.back().inOrderBy = true;
            else if (isListEndKeyword(w))
                frames_.back().inOrderBy = false;
            put(text(t));
        }
        markSignificant(t);
        return i;
    }

    // UPDATE t SET c = expr, ...: the table, then each target column of the SET list,
    // tracked at the statement's own level.
    static QStringView unquoted(QStringView w) {
        return (w.startsWith(u'"') || w.startsWith(u'[')) && w.size() >= 2 ? w.mid(1, w.size() - 2)
                                                                           : w;
    }
    void assignmentWord(const Token& t, QStringView w, qsizetype next) {
        if (t.type == Tok::Word && is(w, "UPDATE")) {
            wantTable_ = true;
            return;
        }
        if (wantTable_) {
            wantTable_ = false;
            table_ = unquoted(w).toString();
            return;
        }
        if (t.type == Tok::Word && is(w, "SET")) {
            inSet_ = true;
            wantTarget_ = true;
            return;
        }
        if (t.type == Tok::Word && (is(w, "WHERE") || is(w, "FROM"))) {
            closeRound();
            inSet_ = false;
            wantTarget_ = false;
            return;
        }
        if (inSet_ && wantTarget_) {
            wantTarget_ = false;
            target_ = unquoted(w).toString();
            // "t.c" names the column c.
            if (next >= 0 && text(toks_[next]) == u".")
                target_.clear();
        }
    }
    // Answers what goes right after the operator: the opening of a ROUND when an
    // assignment to a fixed-point column starts.
    QString assignmentOp(QStringView op) {
        if (!inSet_)
            return {};
        if (op == u"=" && !target_.isEmpty() && roundScale_ < 0) {
            const int scale = (*scales_)(table_, target_);
            target_.clear();
            if (scale < 0)
                return {};
            roundScale_ = scale;
            return QStringLiteral(" ROUND(");
        }
        if (op == u",") {
            closeRound();
            wantTarget_ = true;
        }
        return {};
    }
    // Ends an open ROUND( just after the expression's last significant token.
    void closeRound() {
        if (roundScale_ < 0)
            return;
        const QString tail = QStringLiteral(", ") + QString::number(roundScale_) + u')';
        roundScale_ = -1;
        if (!param_)
            out_.insert(frames_.front().textTail, tail);
        shape_.insert(frames_.front().shapeTail, tail);
        frames_.front().textTail += tail.size();
        frames_.front().shapeTail += tail.size();
    }

    // At `i` (the token after TOP): "n" or "( n )" with no PERCENT / WITH TIES after it.
    // Sets the level's LIMIT and answers the index of the last token of the count, or
    // -1 when the form is one we leave alone.
    qsizetype topCount(qsizetype i) {
        if (i < 0)
            return -1;
        qsizetype last = -1;
        QString n;
        if (toks_[i].type == Tok::Number) {
            n = text(toks_[i]).toString();
            last = i;
        } else if (text(toks_[i]) == u"(") {
            const qsizetype num = nextSignificant(i);
            const qsizetype close = num >= 0 ? nextSignificant(num) : -1;
            if (close < 0 || toks_[num].type != Tok::Number || text(toks_[close]) != u")")
                return -1;
            n = text(toks_[num]).toString();
            last = close;
        } else {
            return -1;
        }
        const qsizetype after = nextSignificant(last);
        if (after >= 0 && (is(text(toks_[after]), "PERCENT") || is(text(toks_[after]), "WITH")))
            return -1;
        frames_.back().limit = n;
        uses_.push_back(LiteralUse::Inline); // the count stays in the text
        return last;
    }

    const QString& s_;
    Dialect d_;
    std::vector<Token> toks_;
    bool param_ = false;
    QString out_;
    QString shape_;
    QVector<QVariant> params_;
    QVector<LiteralUse> uses_;
    QVector<Frame> frames_;
    Token prev_{Tok::Space, 0, 0};
    bool havePrev_ = false;
    bool afterSelect_ = false;
    QString pendingMinus_;
    const ColumnScale* scales_ = nullptr;
    bool wantTable_ = false, inSet_ = false, wantTarget_ = false, afterRound_ = false;
    QString table_, target_;
    int roundScale_ = -1;
};

} // namespace

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

Translation ShapeCache::translate(const QString& tsql) {
    if (dialect_ == Dialect::SqlServer || !skeletonOf(tsql, skeleton_, spans_))
        return ado::translate(tsql, dialect_, true, scales());
    const auto it = templates_.find(skeleton_);
    if (it != templates_.end()) {
        if (!it->second.usable)
            return ado::translate(tsql, dialect_, true, scales());
        ++fastHits_;
        Translation t;
        t.shape = it->second.shape;
        t.literalUses = it->second.uses;
        t.parameters.reserve(qsizetype(spans_.size()));
        for (size_t i = 0; i < spans_.size(); ++i)
            t.parameters.push_back(literalValue(
                tsql, spans_[i], it->second.uses[qsizetype(i)] == LiteralUse::NegatedParameter,
                dialect_));
        return t;
    }
    Translation t = ado::translate(tsql, dialect_, true, scales());
    Template tpl;
    tpl.usable = t.parameterized() && t.literalUses.size() == qsizetype(spans_.size()) &&
                 !t.literalUses.contains(LiteralUse::Inline);
    if (tpl.usable) {
        tpl.shape = t.shape;
        tpl.uses = t.literalUses;
    }
    if (templates_.size() >= 1024)
        templates_.clear(); // a workload of endless new skeletons: start again
    templates_.emplace(skeleton_, std::move(tpl));
    return t;
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

namespace {
// Whether the plain text of a statement has anything the translator changes: TOP,
// ISNULL, TRUNCATE or an N'' literal. Most statements have none and pass unchanged.
bool rewritten(const QString& tsql, const Token& t) {
    if (t.type == Tok::String && t.national)
        return true;
    if (t.type == Tok::Word) {
        const QStringView w = QStringView(tsql).mid(t.begin, t.end - t.begin);
        for (const char* k : {"TOP", "ISNULL", "TRUNCATE"})
            if (w.compare(QLatin1StringView(k), Qt::CaseInsensitive) == 0)
                return true;
    }
    return false;
}

bool needsRewriting(const QString& tsql) {
    for (qsizetype i = 0; i < tsql.size();) {
        const Token t = lexOne(tsql, i);
        i = t.end;
        if (rewritten(tsql, t))
            return true;
    }
    return false;
}

// The plain text of an UPDATE: only its assignments to decimal columns change, each
// expression wrapped in ROUND(..., scale), as the full translation does; the text comes
// back as it is when there are none. False when the statement has something else to
// rewrite (the full translation's work), found in the same single pass.
bool roundedAssignments(const QString& tsql, const ColumnScale& scales, QString& out) {
    struct Insert {
        qsizetype at;
        QString text;
        qsizetype skip = 0; // blanks replaced by the text
    };
    std::vector<Insert> inserts;
    enum { Start, Table, BeforeSet, Target, Equals, Expression, Done } state = Start;
    QStringView table, target;
    int depth = 0, scale = -1;
    qsizetype lastEnd = 0; // end of the last significant token
    bool opening = false;  // "= ROUND(" placed, waiting for the expression's first token
    const auto close = [&] {
        if (scale >= 0)
            inserts.push_back({lastEnd, QStringLiteral(", ") + QString::number(scale) + u')'});
        scale = -1;
    };
    const auto name = [&](const Token& t) {
        const QStringView w = QStringView(tsql).mid(t.begin, t.end - t.begin);
        return t.type == Tok::QuotedIdent ? w.mid(1, w.size() - 2) : w;
    };
    for (qsizetype i = 0; i < tsql.size();) {
        const Token t = lexOne(tsql, i);
        i = t.end;
        if (t.type == Tok::Space || t.type == Tok::Comment)
            continue;
        if (rewritten(tsql, t))
            return false;
        const QStringView w = QStringView(tsql).mid(t.begin, t.end - t.begin);
        const bool word = t.type == Tok::Word;
        if (opening) {
            inserts.back().skip = t.begin - inserts.back().at;
            opening = false;
        }
        if (t.type == Tok::Op && (w == u"(" || w == u")"))
            depth += w == u"(" ? 1 : -1;
        switch (state) {
        case Start:
            state = Table;
            break;
        case Table:
            table = name(t);
            state = BeforeSet;
            break;
        case BeforeSet:
            if (word && w.compare(u"SET", Qt::CaseInsensitive) == 0)
                state = Target;
            break;
        case Target:
            target = name(t);
            state = Equals;
            break;
        case Equals:
            if (w == u"=") {
                scale = scales(table, target);
                if (scale >= 0) {
                    inserts.push_back({t.end, QStringLiteral(" ROUND(")});
                    opening = true;
                }
                state = Expression;
            } else {
                state = Done; // "t.c = ...": left as written
            }
            break;
        case Expression:
            if (depth == 0 && w == u",") {
                close();
                state = Target;
            } else if (depth == 0 && word &&
                       (w.compare(u"WHERE", Qt::CaseInsensitive) == 0 ||
                        w.compare(u"FROM", Qt::CaseInsensitive) == 0)) {
                close();
                state = Done;
            } else if (depth == 0 && w == u";") {
                close();
                state = Done;
            }
            break;
        case Done:
            break;
        }
        lastEnd = t.end;
    }
    if (state == Expression)
        close();
    if (inserts.empty()) {
        out = tsql;
        return true;
    }
    out.clear();
    out.reserve(tsql.size() + qsizetype(inserts.size()) * 8);
    qsizetype from = 0;
    for (const Insert& in : inserts) {
        out += QStringView(tsql).mid(from, in.at - from);
        out += in.text;
        from = in.at + in.skip;
    }
    out += QStringView(tsql).mid(from);
    return true;
}

bool isUpdate(const QString& tsql) {
    for (qsizetype i = 0; i < tsql.size();) {
        const Token t = lexOne(tsql, i);
        i = t.end;
        if (t.type == Tok::Space || t.type == Tok::Comment)
            continue;
        return t.type == Tok::Word && QStringView(tsql)
                                              .mid(t.begin, t.end - t.begin)
                                              .compare(u"UPDATE", Qt::CaseInsensitive) == 0;
    }
    return false;
}
} // namespace

Translation translate(const QString& tsql, Dialect dialect, bool parameterize,
                      const ColumnScale* scales) {
    if (!parameterize && dialect != Dialect::SqlServer) {
        Translation r;
        if (scales && *scales && isUpdate(tsql)) {
            if (roundedAssignments(tsql, *scales, r.text))
                return r;
        } else if (!needsRewriting(tsql)) {
            r.text = tsql;
            return r;
        }
    }
    return Translator(tsql, dialect, parameterize, scales).run();
}

} // namespace ado
