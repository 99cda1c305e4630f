// The statement shapes a connection has translated, by skeleton and by statement.
#include "SqlDialect.h"
#include "SqlLexer.h"
#include "Statement.h"

#include <algorithm>
#include <atomic>

namespace ado {

Translation ShapeCache::translate(const QString& tsql, bool parameterize) {
    if (!parameterize)
        return ado::translate(tsql, dialect_, false, scales(), collation_);
    if (dialect_ == Dialect::SqlServer || !skeletonOf(tsql, skeleton_, spans_))
        return ado::translate(tsql, dialect_, true, scales(), collation_);
    const auto literal = [&](size_t i) {
        return QStringView(tsql).mid(spans_[i].begin, spans_[i].length);
    };
    const auto it = templates_.find(skeleton_);
    if (it != templates_.end()) {
        const Template& tpl = it->second;
        const bool sameInline =
            std::all_of(tpl.inlined.begin(), tpl.inlined.end(),
                        [&](const auto& k) { return literal(k.first) == k.second; });
        if (!tpl.usable || !sameInline)
            return ado::translate(tsql, dialect_, true, scales(), collation_);
        ++fastHits_;
        Translation t;
        t.shape = tpl.shape;
        t.literalUses = tpl.uses;
        t.parameters.reserve(qsizetype(spans_.size() - tpl.inlined.size()));
        for (size_t i = 0; i < spans_.size(); ++i)
            if (const LiteralUse use = tpl.uses[qsizetype(i)]; use != LiteralUse::Inline)
                t.parameters.push_back(
                    literalValue(tsql, spans_[i], use == LiteralUse::NegatedParameter, dialect_));
        return t;
    }
    // A skeleton seen for the first time: its statement is most likely sent as text (a
    // shape is prepared when it comes again), so the text comes with the shape.
    Translation t = ado::translate(tsql, dialect_, true, scales(), collation_, true);
    Template tpl;
    tpl.usable = t.parameterized() && t.literalUses.size() == qsizetype(spans_.size());
    if (tpl.usable) {
        tpl.shape = t.shape;
        tpl.uses = t.literalUses;
        for (size_t i = 0; i < spans_.size(); ++i)
            if (t.literalUses[qsizetype(i)] == LiteralUse::Inline)
                tpl.inlined.emplace_back(i, literal(i).toString());
    }
    if (templates_.size() >= 1024)
        templates_.clear(); // a workload of endless new skeletons: start again
    templates_.emplace(skeleton_, std::move(tpl));
    return t;
}

std::optional<Translation> ShapeCache::bind(const Statement& s) {
    auto [it, isNew] = boundShapes_.try_emplace(s.sql);
    if (isNew) {
        if (boundShapes_.size() > 1024) { // endless new statements: start again
            boundShapes_.clear();
            it = boundShapes_.try_emplace(s.sql).first;
        }
        // Every "?" of a Statement stands for a value (none may stand in a quoted text),
        // so counting them is enough.
        if (dialect_ != Dialect::SqlServer && !s.sql.contains(QChar(0)) &&
            secondStatementAt(s.sql) < 0) {
            static std::atomic<quint64> lastId{0};
            it->second = {ado::translate(s.sql, dialect_, false, scales(), collation_).text,
                          ++lastId, s.sql.count(u'?')};
        }
    }
    const BoundShape& bound = it->second;
    if (bound.shape.isEmpty() || bound.placeholders != s.values.size())
        return std::nullopt;
    Translation t;
    t.shape = bound.shape;
    t.shapeId = bound.id;
    t.parameters.reserve(s.values.size());
    for (const Param& v : s.values) {
        if (v.kind() == Param::Integer) {
            t.parameters.push_back(QVariant(v.integer()));
            continue;
        }
        if (v.string().contains(QChar(0)))
            return std::nullopt;
        t.parameters.push_back(QVariant(v.string()));
    }
    return t;
}

} // namespace ado
