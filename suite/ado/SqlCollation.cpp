// Spanish order for the lists: the ORDER BY terms that name a text column get the
// connection's Spanish collation.
#include "SqlLexer.h"

#include <algorithm>
#include <iterator>

namespace ado {

using namespace lex;

bool sortsAsText(QStringView column) {
    // The text columns of the suite's schema (db/schema_*.sql), in alphabetical order.
    static constexpr const char* kText[] = {
        "Bloq_Motivo",     "Clave",    "Cta_Bancaria", "Descripcion", "Direccion",  "Elemento",
        "EMail",           "Fax",      "Localidad",    "Movil",       "Nivel1",     "Nivel2",
        "Nivel3",          "Nombre",   "Observ",       "Password",    "Porcentaje", "Provincia",
        "Ruta_Aplicacion", "Telefono", "Valor"};
    const auto less = [](const char* a, QStringView b) {
        return QLatin1StringView(a).compare(b, Qt::CaseInsensitive) < 0;
    };
    const auto* it = std::lower_bound(std::begin(kText), std::end(kText), column, less);
    return it != std::end(kText) &&
           QLatin1StringView(*it).compare(column, Qt::CaseInsensitive) == 0;
}

namespace lex {

namespace {

bool is(QStringView w, const char* keyword) {
    return w.compare(QLatin1StringView(keyword), Qt::CaseInsensitive) == 0;
}

QStringView unquoted(QStringView w) {
    return (w.startsWith(u'"') || w.startsWith(u'[')) && w.size() >= 2 ? w.mid(1, w.size() - 2) : w;
}

// One query level (the statement, or a parenthesis).
struct Level {
    bool afterSelect = false;
    bool distinct = false;     // SELECT DISTINCT: an ORDER BY term must repeat a selected one
    bool setOperation = false; // UNION...: the order is by a result column as named
    bool inOrderBy = false;
    bool nested = false;     // the current term holds a parenthesis: an expression
    std::vector<Token> term; // its significant tokens at this level
};

} // namespace

bool collateOrderBy(const QString& sql, QStringView collation, QString& out) {
    if (collation.isEmpty() || !sql.contains(QLatin1StringView("ORDER"), Qt::CaseInsensitive))
        return false;
    const QStringView s(sql);
    const auto text = [&](const Token& t) { return s.mid(t.begin, t.end - t.begin); };
    std::vector<qsizetype> at; // where a COLLATE goes
    std::vector<Level> levels(1);
    // A term ends: a column (qualified or not, quoted or not) named alone, with its
    // direction at most, is collated when it holds text.
    const auto endTerm = [&](Level& l) {
        std::vector<Token>& t = l.term;
        if (!t.empty() && t.back().type == Tok::Word &&
            (is(text(t.back()), "ASC") || is(text(t.back()), "DESC")))
            t.pop_back();
        const bool column =
            !l.nested && !l.distinct && !l.setOperation &&
            (t.size() == 1 || (t.size() == 3 && text(t[1]) == u"." &&
                               (t[0].type == Tok::Word || t[0].type == Tok::QuotedIdent))) &&
            (t.back().type == Tok::Word || t.back().type == Tok::QuotedIdent);
        if (column && sortsAsText(unquoted(text(t.back()))))
            at.push_back(t.back().end);
        t.clear();
        l.nested = false;
    };
    const std::vector<Token> toks = tokenize(sql);
    for (size_t i = 0; i < toks.size(); ++i) {
        const Token& t = toks[i];
        if (t.type == Tok::Space || t.type == Tok::Comment)
            continue;
        Level& l = levels.back();
        const QStringView w = text(t);
        if (t.type == Tok::Op && w == u"(") {
            if (l.inOrderBy)
                l.nested = true;
            levels.emplace_back();
            continue;
        }
        if (t.type == Tok::Op && (w == u")" || w == u";")) {
            if (l.inOrderBy)
                endTerm(l);
            l.inOrderBy = false;
            if (w == u")" && levels.size() > 1)
                levels.pop_back();
            continue;
        }
        if (t.type == Tok::Word) {
            const bool wasAfterSelect = l.afterSelect;
            l.afterSelect = is(w, "SELECT");
            if (wasAfterSelect && is(w, "DISTINCT"))
                l.distinct = true;
            if (is(w, "UNION") || is(w, "EXCEPT") || is(w, "INTERSECT"))
                l.setOperation = true;
            if (is(w, "ORDER")) {
                if (l.inOrderBy)
                    endTerm(l);
                size_t j = i + 1;
                while (j < toks.size() &&
                       (toks[j].type == Tok::Space || toks[j].type == Tok::Comment))
                    ++j;
                if (j < toks.size() && is(text(toks[j]), "BY")) {
                    l.inOrderBy = true;
                    i = j;
                    continue;
                }
            } else if (l.inOrderBy && isListEndKeyword(w)) {
                endTerm(l);
                l.inOrderBy = false;
            }
            if (l.inOrderBy && is(w, "COLLATE"))
                l.nested = true; // collated already
        }
        if (!l.inOrderBy)
            continue;
        if (t.type == Tok::Op && w == u",")
            endTerm(l);
        else
            l.term.push_back(t);
    }
    if (levels.back().inOrderBy)
        endTerm(levels.back());
    if (at.empty())
        return false;
    const QString clause = QStringLiteral(" COLLATE ") + collation;
    out.clear();
    out.reserve(sql.size() + qsizetype(at.size()) * clause.size());
    qsizetype from = 0;
    for (const qsizetype p : at) {
        out.append(s.mid(from, p - from)).append(clause);
        from = p;
    }
    out.append(s.mid(from));
    return true;
}

} // namespace lex

} // namespace ado
