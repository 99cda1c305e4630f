#include "SqlDialect.h"

#include "SqlLexer.h"

#include <vector>

namespace ado {

using namespace lex;

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

struct Frame {
    QString limit;          // TOP count moved to the end of this query level
    bool inOrderBy = false; // inside ORDER BY / GROUP BY at this level
    // Position in both outputs just after the last significant token of this level,
    // where a LIMIT belongs when the level ends.
    qsizetype textTail = 0;
    qsizetype shapeTail = 0;
    // What follows this level's closing parenthesis (the end of a rewritten function).
    QString closing;
};

class Translator {
public:
    // `withText`: a parameterized run builds the plain text beside the shape too.
    Translator(const QString& sql, Dialect d, bool parameterize, const ColumnScale* scales,
               bool withText = false)
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
        text_ = !param_ || withText;
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
        if (text_)
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
    // unless the text is asked for too.
    void put(QStringView t) {
        if (text_)
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

    // Ends a level; answers what goes after its closing parenthesis.
    QString closeFrame() {
        Frame f = frames_.takeLast();
        if (f.limit.isEmpty())
            return f.closing;
        const QString lim = QStringLiteral(" LIMIT ") + f.limit;
        if (text_)
            out_.insert(f.textTail, lim);
        shape_.insert(f.shapeTail, lim);
        return f.closing;
    }

    void literal(const Token& t, const QString& sign) {
        const bool number = t.type == Tok::Number;
        // The value's text: the number with its sign folded in, or the literal as written.
        QString lit = (number && !sign.isEmpty()) ? QStringLiteral("-") : QString();
        lit += t.national ? text(t).mid(1) : text(t); // N'..' reads as '..' on these engines
        const QString written = number ? sign + text(t).toString() : lit;
        if (text_)
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
            QString closing;
            if (op == u")" && frames_.size() > 1)
                closing = closeFrame();
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
            put(closing);
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
        } else if ((is(w, "YEAR") || is(w, "MONTH")) && next >= 0 && text(toks_[next]) == u"(") {
            // YEAR(x), MONTH(x): the whole number of the date's year or month.
            const bool year = is(w, "YEAR");
            put(d_ == Dialect::SQLite ? (year ? QStringLiteral("CAST(strftime('%Y', ")
                                              : QStringLiteral("CAST(strftime('%m', "))
                                      : (year ? QStringLiteral("CAST(EXTRACT(YEAR FROM ")
                                              : QStringLiteral("CAST(EXTRACT(MONTH FROM ")));
            markSignificant(toks_[next]);
            frames_.push_back({});
            frames_.back().textTail = out_.size();
            frames_.back().shapeTail = shape_.size();
            frames_.back().closing = QStringLiteral(" AS INTEGER)");
            return next;
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
    // Answers what goes right after the operator: the opening of a ROUND (of the value
    // checked by kExactFunction) when an assignment to a fixed-point column starts.
    QString assignmentOp(QStringView op) {
        if (!inSet_)
            return {};
        if (op == u"=" && !target_.isEmpty() && roundScale_ < 0) {
            const int scale = (*scales_)(table_, target_);
            target_.clear();
            if (scale < 0)
                return {};
            roundScale_ = scale;
            return roundingHead();
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
        const QString tail = roundingTail(roundScale_);
        roundScale_ = -1;
        if (text_)
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
    bool text_ = true; // the plain text is built
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

// The text and the shape with the collation after their text ORDER BY terms.
Translation collated(Translation t, QStringView collation) {
    if (collation.isEmpty())
        return t;
    QString c;
    if (collateOrderBy(t.text, collation, c))
        t.text = c;
    if (collateOrderBy(t.shape, collation, c))
        t.shape = c;
    return t;
}

} // namespace

Translation translate(const QString& tsql, Dialect dialect, bool parameterize,
                      const ColumnScale* scales, QStringView collation, bool withText) {
    if (!parameterize && dialect != Dialect::SqlServer) {
        Translation r;
        if (scales && *scales && isUpdate(tsql)) {
            if (roundedAssignments(tsql, *scales, r.text))
                return r;
        } else if (!needsRewriting(tsql)) {
            r.text = tsql;
            return collated(std::move(r), collation);
        }
    }
    return collated(Translator(tsql, dialect, parameterize, scales, withText).run(), collation);
}

} // namespace ado
