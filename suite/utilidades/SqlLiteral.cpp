#include "SqlLiteral.h"

#include "automation/AutomationError.h"

#include <QLocale>
#include <cmath>

namespace utilidades {

QString sqlEscaped(const QString& text) {
    if (!text.contains(u'\''))
        return text;
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        if (c == u'\'')
            out += u'\'';
        out += c;
    }
    return out;
}

QString sqlQuoted(const QString& text) {
    return u'\'' + sqlEscaped(text) + u'\'';
}

QString sqlNumber(double value) {
    if (!std::isfinite(value))
        throw automation::AutomationError(6, QStringLiteral("Utilidades"),
                                          QStringLiteral("Overflow"));
    if (value == 0)
        return QStringLiteral("0");
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

} // namespace utilidades
