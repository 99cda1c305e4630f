#include "Liquidacion.h"

#include "frame/Errors.h"
#include "frame/SharedContext.h"
#include "frame/SqlValues.h"

#include <ado/Connection.h>
#include <ado/Recordset.h>
#include <automation/AutomationError.h>
#include <utilidades/Regional.h>
#include <utilidades/Utilidades.h>

namespace ORBTAgentes {

namespace {

const QString kFuente = QStringLiteral("Liquidaciones");
constexpr int kMesesMaximos = 120;
// What the sheet shows of an agent; a name or an account never set reads as empty.
const QString kAgente = QStringLiteral("ISNULL(a.Nombre, '') AS Nombre, ISNULL(a.Cta_Bancaria, "
                                       "'') AS Cta_Bancaria, a.Retencion_IRPF");

[[noreturn]] void fallo(const QString& texto) {
    throw automation::AutomationError(rt::InvalidCall, kFuente, texto);
}

QString fecha(const QDate& d) {
    return QLatin1Char('\'') + sqlDateBody(naive(d, QTime(0, 0))) + QLatin1Char('\'');
}

QString mostrada(const QDate& d) {
    return utilidades::regional().toString(d, utilidades::shortDateFormat());
}

// The first day of each month of the period.
QVector<QDate> mesesDe(const QDate& desde, const QDate& hasta) {
    QVector<QDate> meses;
    for (QDate m(desde.year(), desde.month(), 1); m <= hasta && meses.size() <= kMesesMaximos;
         m = m.addMonths(1))
        meses << m;
    return meses;
}

// Half to even, from ten-thousandths to whole cents (still in ten-thousandths).
qint64 aCentimos(__int128 v, __int128 unidad) {
    const bool negativo = v < 0;
    const __int128 a = negativo ? -v : v;
    __int128 q = a / unidad;
    const __int128 resto = a % unidad;
    if (resto * 2 > unidad || (resto * 2 == unidad && q % 2 == 1))
        ++q;
    return qint64(negativo ? -q : q) * 100;
}

Currency centimos(Currency c) {
    return Currency::fromScaled(aCentimos(c.scaled(), 100));
}

QString sqlLiquidaciones(qint16 empresa, const QDate& desde, const QDate& hasta, qint16 agente) {
    const QVector<QDate> meses = mesesDe(desde, hasta);
    // The month as its position in the period, from boundaries every engine compares alike.
    QString mes = QStringLiteral("CASE");
    for (int i = 0; i < meses.size(); ++i)
        mes += QStringLiteral(" WHEN c.Fecha < ") +
               fecha(i + 1 < meses.size() ? meses[i + 1] : hasta.addDays(1)) +
               QStringLiteral(" THEN ") + sqlInteger(i);
    mes += QStringLiteral(" END");
    // Grouped outside the row's own select: a driver may turn the boundaries into
    // parameters, and a GROUP BY could then not name the same expression.
    return QStringLiteral("SELECT m.Cod_Agente, m.Nombre, m.Cta_Bancaria, m.Retencion_IRPF, "
                          "m.Mes, SUM(m.Importe_Pvp) AS Ventas, SUM(m.ComisionVenta) AS "
                          "ComisionVenta, SUM(m.ComisionCobro) AS ComisionCobro FROM (SELECT "
                          "c.Cod_Agente, ") +
           kAgente + QStringLiteral(", ") + mes +
           QStringLiteral(" AS Mes, c.Importe_Pvp, c.ComisionVenta, c.ComisionCobro FROM "
                          "Agentes_Acumulados c INNER JOIN Agentes a ON a.Codigo = c.Cod_Agente "
                          "WHERE c.Cod_Empresa = ") +
           sqlInteger(empresa) + QStringLiteral(" AND c.Fecha >= ") + fecha(desde) +
           QStringLiteral(" AND c.Fecha < ") + fecha(hasta.addDays(1)) +
           (agente != 0 ? QStringLiteral(" AND c.Cod_Agente = ") + sqlInteger(agente)
                        : QStringLiteral(" AND a.NoImpLiquidacion = 0")) +
           QStringLiteral(") m GROUP BY m.Cod_Agente, m.Nombre, m.Cta_Bancaria, "
                          "m.Retencion_IRPF, m.Mes ORDER BY m.Cod_Agente");
}

} // namespace

Currency Liquidacion::ventas() const {
    Currency t;
    for (const MesLiquidacion& m : meses)
        t = t + m.ventas;
    return t;
}

Currency Liquidacion::comisiones() const {
    Currency t;
    for (const MesLiquidacion& m : meses)
        t = t + m.comisionVenta + m.comisionCobro;
    return t;
}

Currency Liquidacion::retencion() const {
    return porcentajeEnCentimos(comisiones(), retencionIRPF);
}

Currency porcentajeEnCentimos(Currency importe, Currency porcentaje) {
    // ten-thousandths × ten-thousandths of a percent: 10^-10 units; cents are 10^8 of them.
    return Currency::fromScaled(
        aCentimos(__int128(importe.scaled()) * porcentaje.scaled(), __int128(100'000'000)));
}

QVector<Liquidacion> Liquidaciones(qint16 empresa, const QDate& desde, const QDate& hasta,
                                   qint16 agente) {
    if (!desde.isValid() || !hasta.isValid() || hasta < desde)
        fallo(QStringLiteral("El periodo del ") + mostrada(desde) + QStringLiteral(" al ") +
              mostrada(hasta) + QStringLiteral(" termina antes de empezar."));
    const QVector<QDate> meses = mesesDe(desde, hasta);
    if (meses.size() > kMesesMaximos)
        fallo(QStringLiteral("Un periodo de liquidación abarca como mucho ") +
              QString::number(kMesesMaximos) + QStringLiteral(" meses."));
    QVector<Liquidacion> todas;
    ado::Connection& cn = *SharedContext::conexion();
    ado::Recordset rs;
    const auto nueva = [&](qint16 codigo) {
        Liquidacion l;
        l.agente = codigo;
        l.nombre = toText(rs.Fields(QStringLiteral("Nombre")));
        l.cuentaBancaria = toText(rs.Fields(QStringLiteral("Cta_Bancaria")));
        l.retencionIRPF = toCurrency(rs.Fields(QStringLiteral("Retencion_IRPF")));
        for (const QDate& m : meses)
            l.meses.push_back({m, {}, {}, {}});
        todas.push_back(l);
    };
    if (agente != 0) {
        rs.Open(QStringLiteral("SELECT ") + kAgente +
                    QStringLiteral(" FROM Agentes a WHERE a.Codigo = ") + sqlInteger(agente),
                cn);
        if (rs.Eof())
            fallo(QStringLiteral("El agente ") + QString::number(agente) +
                  QStringLiteral(" no existe."));
        nueva(agente);
        rs.Close();
    }
    rs.Open(sqlLiquidaciones(empresa, desde, hasta, agente), cn);
    for (; !rs.Eof(); rs.MoveNext()) {
        const qint16 codigo = toInteger(rs.Fields(QStringLiteral("Cod_Agente")));
        if (todas.isEmpty() || todas.last().agente != codigo)
            nueva(codigo);
        const qint16 mes = toInteger(rs.Fields(QStringLiteral("Mes")));
        if (mes < 0 || mes >= meses.size())
            fallo(QStringLiteral("La base de datos ha devuelto un mes fuera del periodo."));
        MesLiquidacion& m = todas.last().meses[mes];
        m.ventas = centimos(toCurrency(rs.Fields(QStringLiteral("Ventas"))));
        m.comisionVenta = centimos(toCurrency(rs.Fields(QStringLiteral("ComisionVenta"))));
        m.comisionCobro = centimos(toCurrency(rs.Fields(QStringLiteral("ComisionCobro"))));
    }
    rs.Close();
    return todas;
}

} // namespace ORBTAgentes
