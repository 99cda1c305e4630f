#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <compare>

namespace ORBTAgentes {

/// Fixed-point amount with four decimals in a 64-bit integer, as the suite's amounts
/// are. Conversions into it round half to even; out of range fails with runtime error 6.
class Currency {
public:
    constexpr Currency() = default;
    static constexpr Currency fromScaled(qint64 tenThousandths) {
        Currency c;
        c.v_ = tenThousandths;
        return c;
    }
    static Currency fromDouble(double value);
    /// Exact decimal text with a point ("-12.5", "0.0001", "3"); more than four
    /// decimals round half to even. Anything else fails with runtime error 13.
    static Currency fromString(const QString& text);

    constexpr qint64 scaled() const { return v_; }
    double toDouble() const { return double(v_) / 10000.0; }
    /// "12.5", "-3", "0.0001": a point, no trailing zeros.
    QString toString() const;

    Currency operator-() const;
    Currency operator+(Currency o) const;
    Currency operator-(Currency o) const;
    constexpr auto operator<=>(const Currency&) const = default;

private:
    qint64 v_ = 0;
};

/// 30 December 1899 00:00:00: the zero date, the value of a date nobody set.
QDateTime zeroDate();

/// A date and time of day as the component keeps them: without a time zone, so that no
/// daylight-saving change can move or reject a time (kept as UTC underneath).
QDateTime naive(const QDate& date, const QTime& time);

/// Nearest whole number, a half going to the even neighbour.
double roundHalfEven(double value);

/// The numeric value of the start of a text: blanks skipped, a sign, digits and one
/// decimal point read; reading stops at anything else; 0 when nothing is read.
double Val(const QString& text);

// Conversions of a value read from the database (or handed in by a script host) to
// the types of the component's properties. A NULL fails with runtime error 94, a text
// that is not a number with 13, a number out of range with 6. Whole numbers round half
// to even.
qint16 toInteger(const QVariant& v);
qint32 toLong(const QVariant& v);
quint8 toByte(const QVariant& v);
double toDouble(const QVariant& v);
bool toBoolean(const QVariant& v);
Currency toCurrency(const QVariant& v);
/// Dates run from year 100 to 9999, as the suite's dates do; outside that range a
/// conversion (and sqlDateText) fails with runtime error 6.
QDateTime toDate(const QVariant& v);
QString toText(const QVariant& v);

/// Whole-number conversions of a double (half to even, 6 when out of range).
qint16 toInteger(double v);
qint32 toLong(double v);
quint8 toByte(double v);

/// A date as the component writes it into statements: 'YYYY-MM-DDThh:mm:ss' without
/// the quotes. One form for every engine and every regional setting, so the same date
/// is always the same text. A date outside years 100 to 9999 fails with error 6.
QString sqlDateText(const QDateTime& d);

/// A commission percentage as the user typed it (a cell of the commission window, the
/// command line), cleaned up: blanks around it removed, every "." read as the decimal ",".
QString textoComision(const QString& typed);
/// A cleaned-up percentage read as a number: an optional sign, digits and at most one
/// decimal comma. Exponents, group separators and signs such as "%" make it no number:
/// a percentage is typed as it is shown. "-0" reads as 0.
bool leerPorcentaje(const QString& texto, double& value);
/// The rule every stored commission percentage passes, wherever it is typed: a number
/// from 0 to 100, both included. Answers the message that refuses `texto` ("Comisión
/// inválida.", "La comisión debe estar entre 0 y 100."), or an empty text with the
/// percentage in `value`.
QString validarComision(const QString& texto, double& value);

} // namespace ORBTAgentes

Q_DECLARE_METATYPE(ORBTAgentes::Currency)
