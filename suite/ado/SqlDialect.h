#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

namespace ado {

/// The engines the data layer runs on. The component always writes T-SQL; for the
/// engines that speak another dialect the layer rewrites the few forms that differ.
enum class Dialect { SqlServer, SQLite, PostgreSQL };

QString dialectName(Dialect d);

/// A T-SQL statement prepared for one engine.
struct Translation {
    /// The statement to send as plain text (rewritten for the engine). Left empty when
    /// the statement was parameterized: translate it again without parameters when the
    /// text is needed after all.
    QString text;
    /// The same statement with its literals replaced by placeholders ("?"), and the
    /// literal values to bind, in order. Empty when the statement is not worth or
    /// not safe to run as a prepared statement (DDL, transaction control, ODBC).
    QString shape;
    QVector<QVariant> parameters;

    bool parameterized() const { return !shape.isEmpty(); }
};

/// Rewrites a T-SQL statement for `dialect`:
///  - `SELECT [DISTINCT] TOP n ...` (also `TOP (n)` and inside sub-queries) becomes
///    `SELECT ... LIMIT n`, the LIMIT closing the query it belongs to;
///  - `ISNULL(` in any letter case becomes `COALESCE(`;
///  - `TRUNCATE TABLE t` becomes `DELETE FROM t`, which runs inside transactions and
///    reports the rows it removed on every engine;
///  - `N'text'` becomes `'text'`.
/// Nothing inside string literals, quoted identifiers or comments is touched. For
/// SqlServer the text is returned unchanged.
///
/// With `parameterize`, data statements (SELECT, INSERT, UPDATE, DELETE) also get a
/// shape: every number and string literal becomes a placeholder bound with a value of
/// its own type, except the count of TOP/LIMIT and positions in ORDER BY and GROUP BY
/// lists, whose meaning changes when they are parameters. A minus sign directly in
/// front of a number where a value starts is folded into the literal, so `= -5` and
/// `= 5` share one shape. On PostgreSQL a number placeholder carries the type the
/// server would give the literal (integer, bigint, numeric), so the prepared statement
/// behaves exactly as the text.
Translation translate(const QString& tsql, Dialect dialect, bool parameterize = false);

} // namespace ado
