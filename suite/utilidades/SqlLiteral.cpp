#include "SqlLiteral.h"

#include "automation/AutomationError.h"

#include <QLocale>
#include <cmath>

namespace utilidades {

QString sqlQuoted(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'\'';
    for (QChar c : text) {
        if (c == u'\'')
            out += u'\'';
        out += c;
    }
    out += u'\'';
    return out;
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
