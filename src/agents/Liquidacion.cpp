#include "Liquidacion.h"

#include "ResumenAgentes.h"
#include "frame/Errors.h"
#include "frame/SharedContext.h"
#include "frame/SqlValues.h"

#include <QHash>
#include <QSet>

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
    QHash<qint16, qsizetype> indice; // agent code -> its settlement in `todas`
    ado::Connection& cn = *SharedContext::conexion();
    ado::Recordset rs;
    // Who is settled: the named agent, who must exist; or every agent not marked
    // NoImpLiquidacion.
    rs.Open(QStringLiteral("SELECT a.Codigo, ") + kAgente +
                QStringLiteral(" FROM Agentes a WHERE ") +
                (agente != 0 ? QStringLiteral("a.Codigo = ") + sqlInteger(agente)
                             : QStringLiteral("a.NoImpLiquidacion = 0")) +
                QStringLiteral(" ORDER BY a.Codigo"),
            cn);
    for (; !rs.Eof(); rs.MoveNext()) {
        Liquidacion l;
        l.agente = toInteger(rs.Fields(QStringLiteral("Codigo")));
        l.nombre = toText(rs.Fields(QStringLiteral("Nombre")));
        l.cuentaBancaria = toText(rs.Fields(QStringLiteral("Cta_Bancaria")));
        l.retencionIRPF = toCurrency(rs.Fields(QStringLiteral("Retencion_IRPF")));
        for (const QDate& m : meses)
            l.meses.push_back({m, {}, {}, {}});
        indice.insert(l.agente, todas.size());
        todas.push_back(l);
    }
    rs.Close();
    if (agente != 0 && todas.isEmpty())
        fallo(QStringLiteral("El agente ") + QString::number(agente) +
              QStringLiteral(" no existe."));
    // The months' sums, as the agents' summary reads them (one statement, grouped by
    // agent and month by the database).
    QSet<qint16> conMovimientos;
    rs.Open(ResumenAgentes::sentencia(empresa, desde, hasta,
                                      agente != 0 ? std::optional<qint16>(agente) : std::nullopt),
            cn);
    for (; !rs.Eof(); rs.MoveNext()) {
        const auto l = indice.constFind(toInteger(rs.Fields(QStringLiteral("Cod_Agente"))));
        if (l == indice.cend())
            continue; // not settled
        const int mes = (toInteger(rs.Fields(QStringLiteral("Anio"))) - desde.year()) * 12 +
                        toInteger(rs.Fields(QStringLiteral("Mes"))) - desde.month();
        if (mes < 0 || mes >= meses.size())
            fallo(QStringLiteral("La base de datos ha devuelto un mes fuera del periodo."));
        MesLiquidacion& m = todas[*l].meses[mes];
        m.ventas = centimos(toCurrency(rs.Fields(QStringLiteral("Ventas"))));
        m.comisionVenta = centimos(toCurrency(rs.Fields(QStringLiteral("ComisionVenta"))));
        m.comisionCobro = centimos(toCurrency(rs.Fields(QStringLiteral("ComisionCobro"))));
        conMovimientos.insert(todas[*l].agente);
    }
    rs.Close();
    // Without a named agent, only those with movements in the period.
    if (agente == 0)
        todas.removeIf([&](const Liquidacion& l) { return !conMovimientos.contains(l.agente); });
    return todas;
}

} // namespace ORBTAgentes
