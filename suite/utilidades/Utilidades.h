#pragma once

#include <QString>

namespace utilidades {

/// The suite's shared utility object: the formatters the component asks for.
/// Created once per component and kept while it is loaded.
class Utilidades {
public:
    static constexpr const char* classId = "{73B588C3-2C8D-497B-93AE-FD4AE51707A7}";
    static constexpr const char* interfaceId = "{53E80001-DAC0-43CC-BB1A-F6EE26F50330}";

    /// SQL literal formatter: a number as the text to write, unquoted, into a
    /// statement ("12.5", "-3"), the same whatever the user's regional settings.
    QString FormatoSQL(double valor) const;
    /// Date display formatter: a date written as text (as stored or as typed) to the
    /// user's short date; a text that is no date comes back unchanged.
    QString FormatoFecha(const QString& fecha) const;
    /// Number display formatter: `valor` with `decimales` decimals in the suite's
    /// regional settings, without group separators so that it reads back as the same
    /// number (Spanish: 200 with 2 decimals reads "200,00", 12345.5 reads "12345,50").
    QString FormatoNumero(double valor, int decimales) const;
};

/// The user's short date format with two-digit day and month and a four-digit year:
/// the form the date display formatter writes, and reads back.
QString shortDateFormat();

} // namespace utilidades
