#include "Values.h"

#include "Errors.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <limits>
#include <utilidades/Regional.h>
#include <utilidades/Utilidades.h>

namespace ORBTAgentes {

QDateTime naive(const QDate& date, const QTime& time) {
    return QDateTime(date, time, Qt::UTC);
}

namespace {

[[noreturn]] void fail(qint32 number) {
    throw runtimeError(number);
}

const QDateTime& zero() {
    static const QDateTime z = naive(QDate(1899, 12, 30), QTime(0, 0));
    return z;
}

// A date as the runtime's day count: whole days since the zero date, the time of day
// as the fraction.
double dateToNumber(const QDateTime& d) {
    const qint64 days = zero().date().daysTo(d.date());
    const double frac = d.time().msecsSinceStartOfDay() / 86400000.0;
    return days >= 0 ? days + frac : days - frac;
}

// The suite's dates run from 1 January 100 to 31 December 9999; anything outside
// (a negative year typed, a day count far off) is an overflow, before it reaches a
// statement or a property.
const QDateTime& inRange(const QDateTime& d) {
    if (!d.isValid() || d.date().year() < 100 || d.date().year() > 9999)
        fail(rt::Overflow);
    return d;
}

QDateTime numberToDate(double n) {
    if (!std::isfinite(n) || std::abs(n) > 3000000.0)
        fail(rt::Overflow);
    const double days = std::trunc(n);
    const double frac = std::abs(n - days);
    return inRange(
        naive(zero().date().addDays(qint64(days)),
              QTime::fromMSecsSinceStartOfDay(int(std::llround(frac * 86400000.0)) % 86400000)));
}

// "yyyy-MM-ddTHH:mm:ss" (or with a blank for the T, or a date alone): the form dates
// are stored in. Parsed by hand: this runs for every date of every loaded row.
bool parseIsoDate(QStringView t, QDateTime& out) {
    const auto num = [&](qsizetype at, qsizetype len, int& v) {
        v = 0;
        for (qsizetype k = at; k < at + len; ++k) {
            const char16_t c = t[k].unicode();
            if (c < u'0' || c > u'9')
                return false;
            v = v * 10 + (c - u'0');
        }
        return true;
    };
    int y, mo, d, h = 0, mi = 0, se = 0;
    if (t.size() < 10 || t[4] != u'-' || t[7] != u'-' || !num(0, 4, y) || !num(5, 2, mo) ||
        !num(8, 2, d))
        return false;
    if (t.size() == 19) {
        if ((t[10] != u'T' && t[10] != u' ') || t[13] != u':' || t[16] != u':' || !num(11, 2, h) ||
            !num(14, 2, mi) || !num(17, 2, se))
            return false;
    } else if (t.size() != 10) {
        return false;
    }
    const QDate date(y, mo, d);
    const QTime time(h, mi, se);
    if (!date.isValid() || !time.isValid())
        return false;
    out = naive(date, time);
    return true;
}

// Text to number by the suite's one rule (utilidades::canonicalNumber): the machine
// form with a point, or the regional form; a text that could be read two ways is no
// number at all.
bool parseNumber(const QString& text, double& out) {
    return utilidades::parseNumber(text, out);
}

// Any value as a double, by the runtime's rules; Empty reads 0.
double numberOf(const QVariant& v) {
    if (!v.isValid())
        return 0;
    if (v.isNull())
        fail(rt::InvalidUseOfNull);
    switch (v.typeId()) {
    // The kinds the drivers give numbers in, read in place: a list reads thousands.
    case QMetaType::Int:
        return *static_cast<const int*>(v.constData());
    case QMetaType::LongLong:
        return double(*static_cast<const qlonglong*>(v.constData()));
    case QMetaType::Double:
        return *static_cast<const double*>(v.constData());
    case QMetaType::Bool:
        return v.toBool() ? -1 : 0;
    case QMetaType::QString: {
        double d = 0;
        if (!parseNumber(v.toString(), d))
            fail(rt::TypeMismatch);
        return d;
    }
    case QMetaType::QDateTime:
        return dateToNumber(v.toDateTime());
    case QMetaType::QDate:
        return dateToNumber(naive(v.toDate(), QTime(0, 0)));
    default:
        break;
    }
    if (v.typeId() == qMetaTypeId<Currency>())
        return v.value<Currency>().toDouble();
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        fail(rt::TypeMismatch);
    return d;
}

template <class T> T wholeNumber(double v, double lo, double hi) {
    const double r = roundHalfEven(v);
    if (!(r >= lo && r <= hi))
        fail(rt::Overflow);
    return T(r);
}

constexpr qint64 kMaxScaled = std::numeric_limits<qint64>::max();
constexpr qint64 kMinScaled = std::numeric_limits<qint64>::min();

qint64 checkedScaled(__int128 v) {
    if (v > kMaxScaled || v < kMinScaled)
        fail(rt::Overflow);
    return qint64(v);
}

} // namespace

QDateTime zeroDate() {
    return zero();
}

double roundHalfEven(double value) {
    // The default floating-point rounding mode rounds to nearest, ties to even.
    return std::nearbyint(value);
}

double Val(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    QString digits;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        digits += text[i++];
    bool point = false, any = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 128) {
            digits += c;
            any = true;
        } else if (c == u'.' && !point) {
            digits += c;
            point = true;
        } else {
            break;
        }
    }
    return any ? QLocale::c().toDouble(digits.endsWith(u'.') ? digits + u'0' : digits) : 0.0;
}

qint16 toInteger(double v) {
    return wholeNumber<qint16>(v, -32768, 32767);
}
qint32 toLong(double v) {
    return wholeNumber<qint32>(v, -2147483648.0, 2147483647.0);
}
quint8 toByte(double v) {
    return wholeNumber<quint8>(v, 0, 255);
}

qint16 toInteger(const QVariant& v) {
    return toInteger(numberOf(v));
}
qint32 toLong(const QVariant& v) {
    return toLong(numberOf(v));
}
quint8 toByte(const QVariant& v) {
    return toByte(numberOf(v));
}
double toDouble(const QVariant& v) {
    return numberOf(v);
}

bool toBoolean(const QVariant& v) {
    if (v.isValid() && !v.isNull() && v.typeId() == QMetaType::QString) {
        const QString t = v.toString().trimmed();
        if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return numberOf(v) != 0;
}

Currency toCurrency(const QVariant& v) {
    if (!v.isValid())
        return {};
    if (v.isNull())
        fail(rt::InvalidUseOfNull);
    switch (v.typeId()) {
    case QMetaType::QString: {
        // Exact decimal text (how the server hands amounts over); other forms by value.
        // Exact decimal text (how the server hands amounts over, or as shown in the
        // regional settings); an exponent form goes through its double.
        const QString t = utilidades::canonicalNumber(v.toString());
        if (t.isEmpty())
            fail(rt::TypeMismatch);
        if (t.contains(u'e') || t.contains(u'E'))
            return Currency::fromDouble(numberOf(v));
        return Currency::fromString(t);
    }
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::Char:
    case QMetaType::SChar:
        return Currency::fromScaled(checkedScaled(__int128(v.toLongLong()) * 10000));
    default:
        break;
    }
    if (v.typeId() == qMetaTypeId<Currency>())
        return v.value<Currency>();
    return Currency::fromDouble(numberOf(v));
}

namespace {
QDateTime dateOf(const QVariant& v);
}

QDateTime toDate(const QVariant& v) {
    return inRange(dateOf(v));
}

namespace {
QDateTime dateOf(const QVariant& v) {
    if (!v.isValid())
        return zero();
    if (v.isNull())
        fail(rt::InvalidUseOfNull);
    switch (v.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime d = v.toDateTime();
        return naive(d.date(), d.time());
    }
    case QMetaType::QDate:
        return naive(v.toDate(), QTime(0, 0));
    case QMetaType::QString: {
        const QString t = v.toString().trimmed();
        QDateTime iso;
        if (parseIsoDate(t, iso))
            return iso;
        for (const char* f : {"yyyy-MM-ddTHH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss.zzz"}) {
            const QDateTime d = QDateTime::fromString(t, QLatin1String(f));
            if (d.isValid())
                return naive(d.date(), d.time());
        }
        // As the date display formatter writes it.
        if (const QDate shown = QDate::fromString(t, utilidades::shortDateFormat());
            shown.isValid())
            return naive(shown, QTime(0, 0));
        const QLocale loc = utilidades::regional();
        for (QLocale::FormatType f : {QLocale::ShortFormat, QLocale::LongFormat}) {
            const QDateTime d = loc.toDateTime(t, f);
            if (d.isValid())
                return naive(d.date(), d.time());
            const QDate day = loc.toDate(t, f);
            if (day.isValid())
                return naive(day, QTime(0, 0));
        }
        fail(rt::TypeMismatch);
    }
    default:
        return numberToDate(numberOf(v));
    }
}
} // namespace

QString toText(const QVariant& v) {
    if (!v.isValid())
        return {};
    if (v.isNull())
        fail(rt::InvalidUseOfNull);
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    // Whole numbers written straight away: a list of articles writes thousands of codes.
    case QMetaType::Int:
        return QString::number(*static_cast<const int*>(v.constData()));
    case QMetaType::LongLong:
        return QString::number(*static_cast<const qlonglong*>(v.constData()));
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', 15);
    case QMetaType::QDateTime:
    case QMetaType::QDate: {
        // The short date as the suite shows it, and the time of day when there is one.
        const QDateTime d = toDate(v);
        const QLocale loc = utilidades::regional();
        const QString time = QStringLiteral("HH:mm:ss");
        if (d.time() == QTime(0, 0))
            return loc.toString(d.date(), utilidades::shortDateFormat());
        if (d.date() == zero().date())
            return loc.toString(d.time(), time);
        return loc.toString(d.date(), utilidades::shortDateFormat()) + u' ' +
               loc.toString(d.time(), time);
    }
    default:
        break;
    }
    if (v.typeId() == qMetaTypeId<Currency>())
        return v.value<Currency>().toString();
    return v.toString();
}

QString sqlDateText(const QDateTime& d) {
    inRange(d);
    // Written by hand: it runs for every date of every statement.
    const QDate day = d.date();
    const QTime t = d.time();
    char16_t buf[19];
    const auto put = [&](int at, int value, int digits) {
        for (int k = digits - 1; k >= 0; --k, value /= 10)
            buf[at + k] = char16_t(u'0' + value % 10);
    };
    put(0, day.year(), 4);
    buf[4] = u'-';
    put(5, day.month(), 2);
    buf[7] = u'-';
    put(8, day.day(), 2);
    buf[10] = u'T';
    put(11, t.hour(), 2);
    buf[13] = u':';
    put(14, t.minute(), 2);
    buf[16] = u':';
    put(17, t.second(), 2);
    return QString(reinterpret_cast<const QChar*>(buf), 19);
}

Currency Currency::fromDouble(double value) {
    const double scaled = roundHalfEven(value * 10000.0);
    if (!std::isfinite(scaled) || scaled >= 9223372036854775807.0 ||
        scaled < -9223372036854775808.0)
        fail(rt::Overflow);
    return fromScaled(qint64(scaled));
}

Currency Currency::fromString(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        negative = t[i++] == u'-';
    __int128 whole = 0;
    int digits = 0;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i, ++digits) {
        whole = whole * 10 + (t[i].unicode() - '0');
        if (whole > __int128(kMaxScaled))
            fail(rt::Overflow);
    }
    __int128 frac = 0;
    int fracDigits = 0;
    int roundDigit = -1; // the fifth decimal
    bool stickyBeyond = false;
    if (i < t.size() && t[i] == u'.') {
        for (++i; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i) {
            const int d = t[i].unicode() - '0';
            if (fracDigits < 4)
                frac = frac * 10 + d;
            else if (fracDigits == 4)
                roundDigit = d;
            else if (d != 0)
                stickyBeyond = true;
            ++fracDigits;
            ++digits;
        }
    }
    if (digits == 0 || i != t.size())
        fail(rt::TypeMismatch);
    for (int k = fracDigits; k < 4; ++k)
        frac *= 10;
    __int128 scaled = whole * 10000 + frac;
    // Half to even on the fifth decimal (and what follows it).
    if (roundDigit > 5 || (roundDigit == 5 && (stickyBeyond || (scaled % 2) == 1)))
        ++scaled;
    return fromScaled(checkedScaled(negative ? -scaled : scaled));
}

QString Currency::toString() const {
    const bool neg = v_ < 0;
    const unsigned long long a = neg ? 0ULL - (unsigned long long)(v_) : (unsigned long long)(v_);
    QString s = QString::number(a / 10000);
    unsigned long long f = a % 10000;
    if (f) {
        QString fs = QStringLiteral("%1").arg(f, 4, 10, QLatin1Char('0'));
        while (fs.endsWith(u'0'))
            fs.chop(1);
        s += u'.' + fs;
    }
    return neg ? u'-' + s : s;
}

Currency Currency::operator-() const {
    if (v_ == kMinScaled)
        fail(rt::Overflow);
    return fromScaled(-v_);
}
Currency Currency::operator+(Currency o) const {
    return fromScaled(checkedScaled(__int128(v_) + o.v_));
}
Currency Currency::operator-(Currency o) const {
    return fromScaled(checkedScaled(__int128(v_) - o.v_));
}

QString textoComision(const QString& typed) {
    return typed.trimmed().replace(u'.', u',');
}

bool leerPorcentaje(const QString& texto, double& value) {
    static const QRegularExpression forma(QStringLiteral("^[+-]?([0-9]+(,[0-9]*)?|,[0-9]+)$"));
    if (!forma.match(texto).hasMatch())
        return false;
    bool ok = false;
    value = QString(texto).replace(u',', u'.').toDouble(&ok);
    if (value == 0)
        value = 0; // "-0" is stored as 0
    return ok;
}

QString validarComision(const QString& texto, double& value) {
    double p = 0;
    if (!leerPorcentaje(texto, p))
        return QStringLiteral("Comisión inválida.");
    if (p < 0 || p > 100)
        return QStringLiteral("La comisión debe estar entre 0 y 100.");
    value = p;
    return {};
}

} // namespace ORBTAgentes
