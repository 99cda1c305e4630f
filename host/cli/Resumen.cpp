// "resumen": the agents' figures per month, as the summary window shows them.
#include "Cli.h"

#include <ORBTAgentesData.h>
#include <QRegularExpression>

namespace orbenta::host {

namespace {

using Fila = ORBTAgentes::ResumenAgentes::Fila;

QDate dayArg(const QCommandLineParser& p, const char* option) {
    const QString name = QLatin1String(option);
    if (!p.isSet(name))
        usage(QStringLiteral("resumen: falta --") + name +
              QStringLiteral(" AAAA-MM-DD\nuso: orbenta resumen [--agente A] --desde "
                             "AAAA-MM-DD --hasta AAAA-MM-DD [--csv]"));
    static const QRegularExpression iso(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    const QString v = p.value(name);
    const QDate d = QDate::fromString(v, Qt::ISODate);
    if (!iso.match(v).hasMatch() || !d.isValid() || d.year() < 100)
        usage(QStringLiteral("resumen: --") + name +
              QStringLiteral(" no es una fecha válida (AAAA-MM-DD): ") + v);
    return d;
}

// An amount with its four decimals, exactly as kept, with `point` as decimal separator.
QString amount(ORBTAgentes::Currency c, QChar point) {
    const qint64 v = c.scaled();
    const quint64 abs = v < 0 ? quint64(0) - quint64(v) : quint64(v);
    return (v < 0 ? QStringLiteral("-") : QString()) + QString::number(abs / 10000) + point +
           QString::number(abs % 10000).rightJustified(4, u'0');
}

// A CSV field: quoted when it holds the separator, a quote or a line break.
QString csvField(const QString& f, QChar separator) {
    if (!f.contains(separator) && !f.contains(u'"') && !f.contains(u'\n') && !f.contains(u'\r'))
        return f;
    return u'"' + QString(f).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// A name as a spreadsheet must read it: text, never a formula (a cell that starts with
// "=", "+", "-" or "@" is one there, and may fetch or run what it names).
QString csvText(const QString& f) {
    return !f.isEmpty() && QStringLiteral("=+-@\t\r").contains(f.front()) ? u'\'' + f : f;
}

} // namespace

// "resumen [--agente A] --desde D --hasta H [--csv]": one row per agent and month.
int cmdResumen(Context& c) {
    if (!c.args.isEmpty())
        usage(QStringLiteral("uso: orbenta resumen [--agente A] --desde AAAA-MM-DD --hasta "
                             "AAAA-MM-DD [--csv]"));
    const QCommandLineParser& p = c.parser;
    const QDate desde = dayArg(p, "desde");
    const QDate hasta = dayArg(p, "hasta");
    if (desde > hasta)
        usage(QStringLiteral("resumen: --desde (") + desde.toString(Qt::ISODate) +
              QStringLiteral(") es posterior a --hasta (") + hasta.toString(Qt::ISODate) + u')');
    std::optional<qint16> agente;
    if (p.isSet(QStringLiteral("agente")))
        agente = c.int16Arg(p.value(QStringLiteral("agente")), QStringLiteral("--agente"));
    auto cn = c.connection();
    c.shareWithComponent(cn, true);
    ORBTAgentes::ResumenAgentes resumen;
    resumen.Cargar(desde, hasta, agente);

    // Spreadsheets of the regional settings read a decimal comma with ";" between fields.
    const bool coma = utilidades::regional().decimalPoint() == u',';
    const QChar point = coma ? u',' : u'.';
    QList<QStringList> rows{{QStringLiteral("Agente"), QStringLiteral("Nombre"),
                             QStringLiteral("Mes"), QStringLiteral("Ventas"),
                             QStringLiteral("Costo"), QStringLiteral("Margen"),
                             QStringLiteral("Comisión venta"), QStringLiteral("Comisión cobro")}};
    for (const Fila& f : resumen.filas())
        rows.append({QString::number(f.agente), f.nombre, ORBTAgentes::ResumenAgentes::textoMes(f),
                     amount(f.ventas, point), amount(f.costo, point), amount(f.margen(), point),
                     amount(f.comisionVenta, point), amount(f.comisionCobro, point)});
    if (p.isSet(QStringLiteral("csv"))) {
        const QChar separator = coma ? u';' : u',';
        // The byte order mark tells a spreadsheet that the file is UTF-8: without it some
        // read the accented names in the machine's old code page.
        out() << QChar(0xFEFF);
        for (const QStringList& r : rows) {
            QStringList fields;
            for (qsizetype i = 0; i < r.size(); ++i)
                fields << csvField(i == 1 ? csvText(r[i]) : r[i], separator);
            out() << fields.join(separator) << "\r\n";
        }
        return 0;
    }
    // Aligned columns: texts to the left, numbers to the right; a name's line breaks are
    // shown as blanks, so that each row stays on its line.
    for (QStringList& r : rows)
        r[1].replace(u'\r', u' ').replace(u'\n', u' ');
    QList<qsizetype> width(rows[0].size(), 0);
    for (const QStringList& r : rows)
        for (qsizetype i = 0; i < r.size(); ++i)
            width[i] = std::max(width[i], r[i].size());
    for (const QStringList& r : rows) {
        QStringList cells;
        for (qsizetype i = 0; i < r.size(); ++i)
            cells << (i == 1 || i == 2 ? r[i].leftJustified(width[i])
                                       : r[i].rightJustified(width[i]));
        out() << cells.join(QStringLiteral("  ")) << '\n';
    }
    return 0;
}

} // namespace orbenta::host
