#pragma once

#include "frame/Values.h"

#include <QDate>
#include <QString>
#include <QVector>

namespace ORBTAgentes {

/// One month of an agent's settlement: the sums of its day totals (Agentes_Acumulados)
/// in that month of the period, each rounded half to even to cents.
struct MesLiquidacion {
    QDate mes; // its first day
    Currency ventas, comisionVenta, comisionCobro;
};

/// What an agent is paid for a period. The amount is figured in cents, as it is paid:
/// the months' sums are rounded half to even to cents and the totals add up what the
/// sheet shows; the withholding is Retencion_IRPF percent of the commissions (on sales
/// plus on collections), rounded half to even to cents; the net amount is the
/// commissions less the withholding.
struct Liquidacion {
    qint16 agente = 0;
    QString nombre;
    QString cuentaBancaria;        // Cta_Bancaria as the agent record holds it
    Currency retencionIRPF;        // percentage
    QVector<MesLiquidacion> meses; // every month of the period, in order

    Currency ventas() const;
    Currency comisiones() const; // on sales plus on collections
    Currency retencion() const;
    Currency neto() const { return comisiones() - retencion(); }
};

/// `porcentaje` percent of `importe`, rounded half to even to cents.
Currency porcentajeEnCentimos(Currency importe, Currency porcentaje);

/// The settlements of company `empresa` for the days from `desde` to `hasta` (both
/// included), agent by agent in code order: of agent `agente`, with or without
/// movements; or, with `agente` 0, of every agent with movements in the period whose
/// NoImpLiquidacion is not set. The agents (name, account, withholding) are read with one
/// statement, the months' sums with the agents' summary's own (ResumenAgentes::sentencia,
/// grouped by agent and month by the database). An unknown agent, a
/// period that ends before it starts or that spans more than 120 months fail with a
/// Spanish description (source "Liquidaciones").
QVector<Liquidacion> Liquidaciones(qint16 empresa, const QDate& desde, const QDate& hasta,
                                   qint16 agente = 0);

} // namespace ORBTAgentes
