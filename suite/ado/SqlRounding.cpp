#include "SqlLexer.h"

// The plain-text path of the translation: most statements need no rewriting at all, and
// an UPDATE of decimal columns on SQLite only has its assignments rounded.
namespace ado::lex {

namespace {
// Whether the plain text of a statement has anything the translator changes: TOP,
// ISNULL, YEAR, MONTH, TRUNCATE or an N'' literal. Most statements have none and pass unchanged.
bool rewritten(const QString& tsql, const Token& t) {
    if (t.type == Tok::String && t.national)
        return true;
    if (t.type == Tok::Word) {
        const QStringView w = QStringView(tsql).mid(t.begin, t.end - t.begin);
        for (const char* k : {"TOP", "ISNULL", "TRUNCATE", "YEAR", "MONTH"})
            if (w.compare(QLatin1StringView(k), Qt::CaseInsensitive) == 0)
                return true;
    }
    return false;
}

} // namespace

QString roundingHead() {
    return QStringLiteral(" ROUND(") + QLatin1StringView(kExactFunction) + u'(';
}

QString roundingTail(int scale) {
    const QString n = QString::number(scale);
    return QStringLiteral(", ") + n + QStringLiteral("), ") + n + u')';
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
// expression wrapped in ROUND(ado_exact(..., scale), scale), as the full translation
// does; the text comes back as it is when there are none. False when the statement has
// something else to rewrite (the full translation's work), found in the same single pass.
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
            inserts.push_back({lastEnd, roundingTail(scale)});
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
                    inserts.push_back({t.end, roundingHead()});
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

} // namespace ado::lex
