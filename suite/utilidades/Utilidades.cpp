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

namespace {

// "yyyy-MM-dd", alone or followed by "THH:mm:ss" or " HH:mm:ss": the forms the data
// layer writes. Read without a time zone: a date shown is the date stored, and no
// call reaches the C library's local-time machinery (which re-reads the zone file).
QDate isoDate(const QString& t) {
    if (t.size() < 10)
        return {};
    const QDate d = QDate::fromString(QStringView(t).left(10), Qt::ISODate);
    if (!d.isValid() || t.size() == 10)
        return d;
    const QChar sep = t.at(10);
    if ((sep != u'T' && sep != u' ') ||
        !QTime::fromString(QStringView(t).mid(11), Qt::ISODate).isValid())
        return {};
    return d;
}

} // namespace

QString Utilidades::FormatoFecha(const QString& fecha) const {
    const QString t = fecha.trimmed();
    if (t.isEmpty())
        return fecha;
    QDate d = isoDate(t);
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
