#include "InformeLiquidacion.h"

#include "InformeComisiones.h"
#include "agents/Liquidacion.h"
#include "frame/Errors.h"
#include "frame/SharedContext.h"
#include "report_view/frmView.h"

#include <automation/AutomationError.h>
#include <empresa/Empresa.h>
#include <report/Report.h>
#include <utilidades/Regional.h>
#include <utilidades/Utilidades.h>

namespace ORBTAgentes {

namespace {

const QString kFuente = QStringLiteral("InformeLiquidacion::Preparar");

QString mostrada(const QDate& d) {
    return utilidades::regional().toString(d, utilidades::shortDateFormat());
}

// "2100 0418 45 0200051332", as the agent window shows the account's four parts.
QString cuenta(const QString& cta) {
    if (cta.trimmed().isEmpty())
        return QStringLiteral("(sin cuenta)");
    return QStringList{cta.left(4), cta.mid(4, 4), cta.mid(8, 2), cta.mid(10)}.join(u' ').trimmed();
}

QString mes(const QDate& d) {
    QString nombre = utilidades::regional().standaloneMonthName(d.month());
    if (!nombre.isEmpty())
        nombre[0] = nombre[0].toUpper();
    return nombre + u' ' + QString::number(d.year());
}

} // namespace

std::shared_ptr<report::Report> InformeLiquidacion::Preparar(qint16 agente, const QDate& desde,
                                                             const QDate& hasta) {
    const std::shared_ptr<ORBTEmp::Empresa> empresa = SharedContext::empresa();
    std::shared_ptr<report::Report> r =
        report::Report::open(empresa->RutaAplicacion() + QStringLiteral("\\Rpt\\Liquidacion.rpt"));
    report::Report& sub = r->OpenSubreport(QStringLiteral("Empresa.rpt"));
    sub.ParameterFields().Item(1).AddCurrentValue(empresa->CodEmpresa());
    InformeComisiones::Conectar(sub, kFuente);
    const QString periodo =
        QStringLiteral("Del ") + mostrada(desde) + QStringLiteral(" al ") + mostrada(hasta);
    const QVector<Liquidacion> todas = Liquidaciones(empresa->CodEmpresa(), desde, hasta, agente);
    if (todas.isEmpty())
        throw automation::AutomationError(
            rt::InvalidCall, kFuente,
            QStringLiteral("No hay nada que liquidar ") + periodo.toLower() +
                QStringLiteral(": ningún agente a liquidar tiene ventas ni comisiones en él."));
    // A withholding that is no percentage of the commissions would print a net amount
    // that no one can pay (more than earned, or negative): the agent's record is wrong,
    // and nothing is printed until it is mended.
    for (const Liquidacion& l : todas)
        if (l.retencionIRPF < Currency() ||
            l.retencionIRPF > Currency::fromString(QStringLiteral("100")))
            throw automation::AutomationError(
                rt::InvalidCall, kFuente,
                QStringLiteral("La retención IRPF del agente ") + QString::number(l.agente) +
                    QStringLiteral(" (") +
                    utilidades::regional().toString(l.retencionIRPF.toDouble()) +
                    QStringLiteral(" %) no está entre 0 y 100: corríjala en su ficha antes de "
                                   "liquidar."));
    r->ParameterFields().Item(1).AddCurrentValue(QStringLiteral("Liquidación de Agentes"));
    r->ParameterFields().Item(2).AddCurrentValue(periodo);
    // One row per agent and month; the agent's figures repeat on each, and the report
    // adds the months up.
    QVector<QVector<QVariant>> filas;
    for (const Liquidacion& l : todas)
        for (const MesLiquidacion& m : l.meses)
            filas.push_back(
                {l.agente, l.nombre, cuenta(l.cuentaBancaria), mes(m.mes), m.ventas.toString(),
                 m.comisionVenta.toString(), m.comisionCobro.toString(), l.retencionIRPF.toString(),
                 l.comisiones().toString(), l.retencion().toString(), l.neto().toString()});
    r->setRows(std::move(filas));
    r->ReadRecords();
    return r;
}

void InformeLiquidacion::Ver(qint16 agente, const QDate& desde, const QDate& hasta) {
    clsView vista;
    vista.MostrarGrupos = agente == 0;
    vista.Report = Preparar(agente, desde, hasta);
    vista.Cargar(true, 100);
}

} // namespace ORBTAgentes
