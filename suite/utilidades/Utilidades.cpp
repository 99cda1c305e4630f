#include "Utilidades.h"

#include "Regional.h"
#include "SqlLiteral.h"

#include <QDateTime>

namespace utilidades {

// The user's short date with two-digit day and month and a four-digit year, as the
// suite shows dates ("05/01/2026" in Spain, "1/5/2026" becomes "01/05/2026" in the US).
QString shortDateFormat() {
    QString f = regional().dateFormat(QLocale::ShortFormat);
    if (!f.contains(QStringLiteral("yyyy")))
        f.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    if (!f.contains(QStringLiteral("dd")))
        f.replace(u'd', QStringLiteral("dd"));
    if (!f.contains(QStringLiteral("MM")))
        f.replace(u'M', QStringLiteral("MM"));
    return f;
}

QString Utilidades::FormatoSQL(double valor) const {
    return sqlNumber(valor);
}

QString Utilidades::FormatoFecha(const QString& fecha) const {
    const QString t = fecha.trimmed();
    QDate d;
    for (const char* f : {"yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd"}) {
        const QDateTime dt = QDateTime::fromString(t, QLatin1String(f));
        if (dt.isValid()) {
            d = dt.date();
            break;
        }
    }
    if (!d.isValid())
        d = regional().toDate(t, QLocale::ShortFormat);
    if (!d.isValid())
        d = QDate::fromString(t, shortDateFormat());
    return d.isValid() ? regional().toString(d, shortDateFormat()) : fecha;
}

QString Utilidades::FormatoNumero(double valor, int decimales) const {
    return regionalNumber(valor, decimales);
}

} // namespace utilidades
