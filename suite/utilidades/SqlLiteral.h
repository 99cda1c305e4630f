#pragma once

#include <QString>

namespace utilidades {

/// The inside of an SQL string literal: the text with every single quote doubled.
/// Statements whose fixed pieces carry the quotes put this between them.
QString sqlEscaped(const QString& text);

/// A text as an SQL string literal: between single quotes, every quote inside doubled.
/// This is the only way any code of the suite or the component writes a text into a
/// statement, so no text can end a literal early.
QString sqlQuoted(const QString& text);

/// A number as an SQL numeric literal, whatever the user's regional settings: a point
/// for decimals, no group separators, no exponent, the fewest digits that read back as
/// the same double ("12.5", "-3", "0.0001"). Infinities and NaN have no SQL form and
/// fail with runtime error 6 "Overflow".
QString sqlNumber(double value);

} // namespace utilidades
