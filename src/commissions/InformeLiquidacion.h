#pragma once

#include <QDate>
#include <memory>

namespace report {
class Report;
}

namespace ORBTAgentes {

/// The settlement sheet: report "Liquidacion" of the company's application folder, one
/// page per agent with the period's months (sales, commission on sales, on collections),
/// the totals, the withholding (Retencion_IRPF) and the net amount, and the agent's bank
/// account (see Liquidaciones for the figures and for which agents it shows). The
/// program hands the rows to the report: nothing is written to the database. The
/// company's subreport is logged on as every report of the component is
/// (InformeComisiones::Conectar).
class InformeLiquidacion {
public:
    /// The sheet of agent `agente` (0: every agent to settle) for the days from `desde`
    /// to `hasta`, its rows read; a period without anything to settle fails with a
    /// Spanish description.
    static std::shared_ptr<report::Report> Preparar(qint16 agente, const QDate& desde,
                                                    const QDate& hasta);
    /// The sheet in the report viewer window, modal: what a dashboard calls.
    static void Ver(qint16 agente, const QDate& desde, const QDate& hasta);
};

} // namespace ORBTAgentes
