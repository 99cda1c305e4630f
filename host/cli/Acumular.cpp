// "acumular": the day totals of sales and commissions.
#include "Cli.h"

#include <ORBTAgentesData.h>
#include <QRegularExpression>

namespace orbenta::host {

using automation::AutomationError;

namespace {

// An amount as typed on the command line: a point, or the regional decimal separator.
ORBTAgentes::Currency amountArg(const QCommandLineParser& p, const char* option) {
    const QString name = QLatin1String(option);
    if (!p.isSet(name))
        usage(QStringLiteral("--") + name + QStringLiteral(" es obligatorio"));
    try {
        return ORBTAgentes::toCurrency(QVariant(p.value(name)));
    } catch (const AutomationError& e) {
        if (e.number() == 6)
            throw;
        // What is read, in the regional settings of this run: a point, the decimal
        // separator, and group separators only together with it.
        const QLocale regional = utilidades::regional();
        const QString decimal = QStringLiteral("12") + regional.decimalPoint() + u'5';
        const QString grouped = u'1' + regional.groupSeparator() + QStringLiteral("234") +
                                regional.decimalPoint() + u'5';
        usage(QStringLiteral("--") + name + QStringLiteral(" debe ser un importe como 12.5") +
              (decimal == u"12.5" ? QString() : QStringLiteral(" o ") + decimal) +
              QStringLiteral(" (separadores de miles solo junto con el separador decimal, "
                             "como en ") +
              grouped + QStringLiteral("): ") + p.value(name));
    }
}

QDateTime dateArg(const QCommandLineParser& p) {
    const QString v = p.value(QStringLiteral("fecha"));
    static const QRegularExpression iso(
        QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}(T[0-9]{2}:[0-9]{2}:[0-9]{2})?$"));
    if (!iso.match(v).hasMatch())
        usage(QStringLiteral("--fecha debe ser AAAA-MM-DD o AAAA-MM-DDThh:mm:ss: ") + v);
    if (!QDateTime::fromString(v.size() == 10 ? v + QStringLiteral("T00:00:00") : v, Qt::ISODate)
             .isValid())
        usage(QStringLiteral("--fecha: no existe esa fecha: ") + v);
    return ORBTAgentes::toDate(QVariant(v)); // the suite's date rules, its range included
}

} // namespace

int cmdAcumular(Context& c) {
    const QString usage_ = QStringLiteral("uso: orbenta acumular venta --agente A --fecha F "
                                          "--pvp X --costo Y | comision-venta|comision-cobro "
                                          "--agente A --fecha F --importe X | articulo --almacen W "
                                          "--fecha F --articulo N --agente A --pvp X --costo Y");
    if (c.args.size() != 1)
        usage(usage_);
    const QCommandLineParser& p = c.parser;
    const auto whole = [&](const char* option) {
        if (!p.isSet(QLatin1String(option)))
            usage(QStringLiteral("--") + QLatin1String(option) + QStringLiteral(" es obligatorio"));
        return p.value(QLatin1String(option));
    };
    const QString kind = c.args[0];
    if (kind != u"venta" && kind != u"comision-venta" && kind != u"comision-cobro" &&
        kind != u"articulo")
        usage(usage_);
    const qint16 agente = c.int16Arg(whole("agente"), QStringLiteral("--agente"));
    const QDateTime fecha = dateArg(p);
    auto cn = c.connection();
    c.shareWithComponent(cn, true);
    if (!agentExists(*cn, agente))
        usage(QStringLiteral("acumular: no existe el agente ") + QString::number(agente));
    ORBTAgentes::clsAgente a;
    if (kind == u"venta") {
        a.AcumularVenta(agente, fecha, amountArg(p, "pvp"), amountArg(p, "costo"));
    } else if (kind == u"comision-venta") {
        a.AcumularComisionVenta(agente, fecha, amountArg(p, "importe"));
    } else if (kind == u"comision-cobro") {
        a.AcumularComisionCobro(agente, fecha, amountArg(p, "importe"));
    } else {
        bool ok = false;
        const qint32 articulo = whole("articulo").toInt(&ok);
        if (!ok)
            usage(QStringLiteral("--articulo debe ser un número entero"));
        a.Acum_Venta_Art(c.int16Arg(whole("almacen"), QStringLiteral("--almacen")), fecha, articulo,
                         agente, amountArg(p, "pvp"), amountArg(p, "costo"));
    }
    out() << "acumulado\n";
    return 0;
}

} // namespace orbenta::host
