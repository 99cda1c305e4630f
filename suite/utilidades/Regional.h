#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

namespace utilidades {

/// The suite's regional settings: the process's locale (QLocale(), which a host may set
/// with QLocale::setDefault), or Spanish (Spain) when that locale is C or POSIX. The
/// suite's texts are Spanish, and a machine without a configured locale (a service, a
/// container, LANG unset) would otherwise show "07 Jan 2026" and read "0,5" as 5. A
/// LANG or LC_ALL that names a real locale wins. The formatters, the controls and the
/// component's conversions all read numbers and dates through these settings.
QLocale regional();

/// Qt's own texts (the standard buttons "Sí", "No", "Aceptar", "Cancelar", the file and
/// print dialogs) in Spanish whenever the regional settings are Spanish: installs Qt's
/// Spanish translation (qtbase_es.qm, from Qt's translations folder) in the running
/// application. Decided once per process, by the first call made on the application's
/// thread once the application exists; without the file Qt stays in English.
void instalarTraduccionQt();

/// A text as the lists compare what the user types to what they hold: accents and marks
/// dropped (Á, ñ, ü read as a, n, u) and in one letter case ("Ñandú" and "NANDU" match).
QString plegado(const QString& text);

/// Reads a number the way the suite accepts numbers as text, and answers it in the
/// form every engine and QLocale::c() read: digits, an optional "." and an optional
/// exponent ("-1234.5", "1e-05"). Empty when the text is not one number that can be
/// read without doubt. Accepted:
///  - the machine form, with a point and no group separators ("0.125", "-3", "1.0e-05"):
///    what databases hand over and what a user may always type;
///  - the regional form without group separators ("0,125" in Spain);
///  - the regional form with group separators in their places, only together with the
///    decimal separator ("1.234,50" in Spain), so that a group separator can never be
///    taken for a decimal point.
/// Refused: anything else, such as "0,125" where "," groups thousands (en_US), "1,234"
/// there too (a thousand, or one and a quarter?), "1,234.5" in Spain, blanks inside.
QString canonicalNumber(QStringView text);

/// canonicalNumber() as a double; false when the text is refused.
bool parseNumber(QStringView text, double& value);

/// A number in the regional settings, `decimals` decimals, no group separators, so
/// that what is shown reads back as the same number.
QString regionalNumber(double value, int decimals);

} // namespace utilidades
