#include "Importes.h"

#include "automation/AutomationError.h"
#include "utilidades/Regional.h"

#include <QLocale>
#include <QRegularExpression>

namespace report {

qint64 tenThousandths(const QVariant& v) {
    const QString t = v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'f', 4)
                                                      : v.toString().trimmed();
    static const QRegularExpression amount(QStringLiteral("^(-?)(\\d{1,14})(?:\\.(\\d{0,4}))?$"));
    const QRegularExpressionMatch m = amount.match(t);
    if (!m.hasMatch())
        throw automation::AutomationError(13, QStringLiteral("Report"),
                                          QStringLiteral("«") + t +
                                              QStringLiteral("» no es un importe."));
    const qint64 n = m.captured(2).toLongLong() * 10000 +
                     QString(m.captured(3) + QStringLiteral("0000")).left(4).toLongLong();
    return m.captured(1).isEmpty() ? n : -n;
}

QString amountText(qint64 v) {
    const bool negative = v < 0;
    const qint64 a = negative ? -v : v;
    qint64 cents = a / 100;
    const qint64 rest = a % 100;
    if (rest > 50 || (rest == 50 && cents % 2 == 1))
        ++cents;
    const QLocale l = utilidades::regional();
    return (negative && cents != 0 ? l.negativeSign() : QString()) + QString::number(cents / 100) +
           l.decimalPoint() + QStringLiteral("%1").arg(cents % 100, 2, 10, QChar(u'0'));
}

} // namespace report
