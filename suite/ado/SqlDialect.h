#pragma once

#include "Statement.h"

#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace ado {

/// The engines the data layer runs on. The component always writes T-SQL; for the
/// engines that speak another dialect the layer rewrites the few forms that differ.
enum class Dialect { SqlServer, SQLite, PostgreSQL };

QString dialectName(Dialect d);

/// What became of each literal of a statement, in the order they stand.
enum class LiteralUse : char { Inline, Parameter, NegatedParameter };

/// A T-SQL statement prepared for one engine.
struct Translation {
    /// The statement to send as plain text (rewritten for the engine). May be left empty
    /// when the statement was parameterized: translate it again without parameters when
    /// the text is needed after all.
    QString text;
    /// The same statement with its literals replaced by placeholders ("?"), and the
    /// literal values to bind, in order. Empty when the statement is not worth or
    /// not safe to run as a prepared statement (DDL, transaction control, ODBC).
    QString shape;
    QVector<QVariant> parameters;
    /// For each literal of the statement: kept in the shape, or bound (with the minus
    /// sign before it folded into its value).
    QVector<LiteralUse> literalUses;
    /// A bound statement's shape (see ShapeCache::bind) has a number of its own, never
    /// given to another shape in the process; 0 for the others.
    quint64 shapeId = 0;

    bool parameterized() const { return !shape.isEmpty(); }
};

/// The number of decimals a column keeps (the scale of a DECIMAL(p,s) column), or -1
/// when it is no fixed-point column. Asked with the table and column as written.
using ColumnScale = std::function<int(QStringView table, QStringView column)>;

/// Whether a column holds text: the text columns of the suite's schema, by name (no
/// name is text in one table and a number in another). Lists are sorted by them.
bool sortsAsText(QStringView column);

/// Rewrites a T-SQL statement for `dialect`:
///  - `SELECT [DISTINCT] TOP n ...` (also `TOP (n)` and inside sub-queries) becomes
///    `SELECT ... LIMIT n`, the LIMIT closing the query it belongs to;
///  - `ISNULL(` in any letter case becomes `COALESCE(`;
///  - `YEAR(x)` and `MONTH(x)` become the engine's whole-number year and month of the
///    date x (`CAST(strftime('%Y', x) AS INTEGER)` on SQLite,
///    `CAST(EXTRACT(YEAR FROM x) AS INTEGER)` on PostgreSQL);
///  - `TRUNCATE TABLE t` becomes `DELETE FROM t`, which runs inside transactions and
///    reports the rows it removed on every engine;
///  - `N'text'` becomes `'text'`;
///  - with `scales` (SQLite), in `UPDATE t SET c = expr`, an expression assigned to a
///    column of scale s becomes `ROUND(expr, s)`: SQLite keeps such a column as a
///    binary double, and without the rounding a running total drifts away from its
///    decimal value (0.1 added ten times and 1 taken away leaves -1.1e-16). With it,
///    the column always holds the double nearest its exact decimal, as a server's
///    DECIMAL column would;
///  - with a `collation` (the connection's Spanish one, as the engine names it), an
///    ORDER BY term that is a text column alone (sortsAsText: `Nombre`, `a.Nombre DESC`)
///    gets `COLLATE collation`, so that lists sort in Spanish order (Álvaro among the
///    A's, Ñ after N) whatever the database's own collation; on every dialect,
///    SqlServer included.
/// Nothing inside string literals, quoted identifiers or comments is touched. For
/// SqlServer the text is otherwise returned unchanged.
///
/// With `parameterize`, data statements (SELECT, INSERT, UPDATE, DELETE) also get a
/// shape: every number and string literal becomes a placeholder bound with a value of
/// its own type, except the count of TOP/LIMIT and positions in ORDER BY and GROUP BY
/// lists, whose meaning changes when they are parameters. A minus sign directly in
/// front of a number where a value starts is folded into the literal, so `= -5` and
/// `= 5` share one shape. On PostgreSQL a number placeholder carries the type the
/// server would give the literal (integer, bigint, numeric), so the prepared statement
/// behaves exactly as the text. `withText`: a parameterized translation brings the
/// plain text beside the shape too.
Translation translate(const QString& tsql, Dialect dialect, bool parameterize = false,
                      const ColumnScale* scales = nullptr, QStringView collation = {},
                      bool withText = false);

/// Where a second statement starts in `tsql`: the first significant token after a ";"
/// outside literals, quoted identifiers and comments; -1 when the text holds one
/// statement (blanks, comments and further ";" may follow it).
qsizetype secondStatementAt(const QString& tsql);

/// A literal as the skeleton scan finds it.
struct LiteralSpan {
    enum Kind : char { Number, String, NationalString };
    qsizetype begin;
    qsizetype length;
    Kind kind;
};

/// The skeleton of a statement: its text with every literal replaced by a marker of
/// its kind (and, for numbers, of the size class that decides their type), and the
/// places of those literals. Statements with the same skeleton translate to the same
/// shape, with the same literals bound, so the data layer translates a skeleton once and
/// afterwards only reads the literals of each new statement. Answers false for a text
/// it does not want to judge (an unterminated literal, the marker character itself).
bool skeletonOf(const QString& tsql, QString& skeleton, std::vector<LiteralSpan>& spans);

/// The value to bind for a literal found by skeletonOf, as translate() binds it.
QVariant literalValue(const QString& tsql, const LiteralSpan& span, bool negated, Dialect dialect);

/// translate() with parameters, remembered by skeleton: the first statement of a
/// skeleton is translated in full, its text included; the next ones only have their
/// literals read. A shape that keeps a literal as written (a TOP count, an ORDER BY
/// position) is used again only for statements with that same literal there. The dialect and the
/// column scales are those of one connection, and so is the collation; without `parameterize` the
/// statement is translated to text alone.
class ShapeCache {
public:
    explicit ShapeCache(Dialect dialect, ColumnScale scales = {}, QString collation = {})
        : dialect_(dialect), scales_(std::move(scales)), collation_(std::move(collation)) {}
    Translation translate(const QString& tsql, bool parameterize = true);
    /// A statement whose values go to the engine as they are (see Statement): its shape
    /// is its own text translated once, each "?" kept, and its parameters are its values
    /// (a whole number as a number, a Number as its literal, a Text as its body). No text
    /// is written. nullopt when it must go as text instead: not one statement, a "?" for
    /// which there is no value (or a value without a "?"), a NUL anywhere.
    std::optional<Translation> bind(const Statement& s);
    qint64 fastHits() const { return fastHits_; }

private:
    struct Template {
        bool usable = false;
        QString shape;
        QVector<LiteralUse> uses;
        /// The literals the shape keeps as written, by place: a statement of the
        /// skeleton with other ones there is translated in full.
        std::vector<std::pair<size_t, QString>> inlined;
    };
    const ColumnScale* scales() const { return scales_ ? &scales_ : nullptr; }
    Dialect dialect_;
    ColumnScale scales_;
    QString collation_;
    std::unordered_map<QString, Template> templates_;
    struct BoundShape {
        QString shape; // "": the statement goes as text
        quint64 id = 0;
        qsizetype placeholders = 0; // the "?" of the statement's text
    };
    std::unordered_map<QString, BoundShape> boundShapes_; // by Statement::sql
    QString skeleton_;
    std::vector<LiteralSpan> spans_;
    qint64 fastHits_ = 0;
};

} // namespace ado
