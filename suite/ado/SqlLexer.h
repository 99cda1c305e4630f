#pragma once

// The tokens of a T-SQL statement, shared by the translator, the skeleton scan and the
// plain-text rewriting of the dialect. Private to the data layer.
#include "SqlDialect.h"

#include <vector>

namespace ado::lex {

enum class Tok { Space, Comment, Word, QuotedIdent, Number, String, Op };

struct Token {
    Tok type;
    qsizetype begin;
    qsizetype end;
    bool national = false;     // N'...' string
    bool unterminated = false; // a string literal without its closing quote
};

/// Reads the one token that starts at `i`.
Token lexOne(QStringView str, qsizetype i);
std::vector<Token> tokenize(const QString& s);
/// Keywords after which a value starts, so that a following "-" is a sign.
bool isValueStartKeyword(QStringView w);
/// Words that end an ORDER BY or GROUP BY list inside the same query level.
bool isListEndKeyword(QStringView w);

/// The size class of a number literal by its digits alone: what PostgreSQL types it as,
/// and the marker it leaves in a statement's skeleton.
enum class NumberClass : char { Int = 'i', Big = 'l', Huge = 'x', Decimal = 'd' };
/// The value of a number token made of ASCII digits only; false for anything else
/// (a decimal point, an exponent, other scripts' digits) or a value beyond 64 bits.
bool wholeNumber(QStringView digits, qulonglong& value);
NumberClass numberClass(QStringView digits);
const char* postgresType(NumberClass c);

/// Whether the plain text of a statement has anything the translator changes (TOP,
/// ISNULL, YEAR, MONTH, TRUNCATE or an N'' literal).
bool needsRewriting(const QString& tsql);
bool isUpdate(const QString& tsql);
/// On SQLite a decimal column holds a floating-point number, exact to its scale only up
/// to (2^53 - 1) / 10^scale (about 9 * 10^11 with four decimals). A value an UPDATE
/// assigns to one is written ROUND(ado_exact(value, scale), scale): the connection's
/// function answers the value itself, or fails with "numeric field overflow" beyond that
/// bound, so that a growing total is refused, as a server refuses its overflow, instead
/// of being kept inexact.
inline constexpr const char* kExactFunction = "ado_exact";
/// The start of such an assignment's value, " ROUND(ado_exact(", and its end,
/// ", scale), scale)".
QString roundingHead();
QString roundingTail(int scale);
/// The plain text of an UPDATE with its assignments to decimal columns rounded to their
/// scale; false when the statement has something else to rewrite.
bool roundedAssignments(const QString& tsql, const ColumnScale& scales, QString& out);

/// The text with " COLLATE " and `collation` after each ORDER BY term that names a text
/// column (sortsAsText) alone, with or without its table and its direction; false
/// (and `out` untouched) when no term is. Expressions, positions, terms collated
/// already and the ORDER BY of a SELECT DISTINCT or of a UNION, EXCEPT or INTERSECT
/// (which must name what is selected as it stands) are left alone.
bool collateOrderBy(const QString& sql, QStringView collation, QString& out);

} // namespace ado::lex
