#include "ResumenAgentes.h"

#include "frame/SharedContext.h"
#include "frame/SqlValues.h"

#include <ado/Connection.h>
#include <ado/Recordset.h>
#include <empresa/Empresa.h>
#include <map>
#include <utilidades/Regional.h>

namespace ORBTAgentes {

ResumenAgentes::ResumenAgentes(QObject* parent) : QAbstractTableModel(parent) {}

QString ResumenAgentes::sentencia(qint16 empresa, QDate desde, QDate hasta,
                                  std::optional<qint16> agente) {
    // The sums are the database's, on its fixed-point columns; the range is compared as
    // the dates are stored, up to the start of the day after `hasta`.
    const auto dia = [](QDate d) { return sqlDateBody(naive(d, QTime(0, 0))); };
    return QStringLiteral(
               "SELECT A.Cod_Agente, G.Nombre, YEAR(A.Fecha) AS Anio, MONTH(A.Fecha) AS Mes,"
               " SUM(A.Importe_Pvp) AS Ventas, SUM(A.Importe_Costo) AS Costo,"
               " SUM(A.ComisionVenta) AS ComisionVenta, SUM(A.ComisionCobro) AS ComisionCobro"
               " FROM Agentes_Acumulados A LEFT JOIN Agentes G ON G.Codigo = A.Cod_Agente"
               " WHERE A.Cod_Empresa =") +
           sqlInteger(empresa) + QStringLiteral(" AND A.Fecha >='") + dia(desde) +
           (hasta < QDate(9999, 12, 31)
                ? QString(QStringLiteral("' AND A.Fecha <'") + dia(hasta.addDays(1)))
                : QStringLiteral("' AND A.Fecha <='9999-12-31T23:59:59")) + // no next day
           u'\'' +
           (agente ? QStringLiteral(" AND A.Cod_Agente =") + sqlInteger(*agente) : QString()) +
           QStringLiteral(" GROUP BY A.Cod_Agente, G.Nombre, YEAR(A.Fecha), MONTH(A.Fecha)"
                          " ORDER BY A.Cod_Agente, YEAR(A.Fecha), MONTH(A.Fecha)");
}

void ResumenAgentes::Cargar(QDate desde, QDate hasta, std::optional<qint16> agente) {
    const qint16 empresa = SharedContext::empresa()->CodEmpresa();
    std::shared_ptr<ado::Connection> cn = SharedContext::conexion();
    ado::Recordset rs;
    rs.Open(sentencia(empresa, desde, hasta, agente), *cn);
    std::vector<Fila> filas;
    for (; !rs.Eof(); rs.MoveNext()) {
        Fila f;
        f.agente = toInteger(toDouble(rs.Fields(0)));
        f.nombre = rs.Fields(1).isNull() ? QString() : toText(rs.Fields(1));
        f.anio = int(toDouble(rs.Fields(2)));
        f.mes = int(toDouble(rs.Fields(3)));
        f.ventas = toCurrency(rs.Fields(4));
        f.costo = toCurrency(rs.Fields(5));
        f.comisionVenta = toCurrency(rs.Fields(6));
        f.comisionCobro = toCurrency(rs.Fields(7));
        filas.push_back(std::move(f));
    }
    rs.Close();
    beginResetModel();
    filas_ = std::move(filas);
    endResetModel();
}

std::vector<ResumenAgentes::Total> ResumenAgentes::totales() const {
    std::map<qint16, Total> porAgente;
    for (const Fila& f : filas_) {
        Total& t = porAgente[f.agente];
        t.agente = f.agente;
        t.nombre = f.nombre;
        t.ventas = t.ventas + f.ventas;
        t.costo = t.costo + f.costo;
        t.comisionVenta = t.comisionVenta + f.comisionVenta;
        t.comisionCobro = t.comisionCobro + f.comisionCobro;
    }
    std::vector<Total> r;
    r.reserve(porAgente.size());
    for (auto& [codigo, t] : porAgente)
        r.push_back(std::move(t));
    return r;
}

std::vector<ResumenAgentes::Fila> ResumenAgentes::meses(qint16 agente) const {
    std::vector<Fila> r;
    for (const Fila& f : filas_)
        if (f.agente == agente)
            r.push_back(f);
    return r;
}

QString ResumenAgentes::textoMes(const Fila& f) {
    return QString::number(f.anio).rightJustified(4, u'0') + u'-' +
           QString::number(f.mes).rightJustified(2, u'0');
}

int ResumenAgentes::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(filas_.size());
}

int ResumenAgentes::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ComisionCobro + 1;
}

QVariant ResumenAgentes::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() ||
        (role != Qt::DisplayRole && role != kOrden && role != Qt::TextAlignmentRole &&
         role != Qt::ToolTipRole))
        return {};
    const Fila& f = filas_[size_t(index.row())];
    const int c = index.column();
    if (role == Qt::ToolTipRole) // the name whole, where the table cuts it
        return c == Nombre ? QVariant(f.nombre) : QVariant();
    if (role == Qt::TextAlignmentRole)
        return c == Nombre ? QVariant() : QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
    if (c == Agente)
        return role == kOrden ? QVariant(int(f.agente)) : QVariant(QString::number(f.agente));
    if (c == Nombre)
        return f.nombre;
    if (c == Mes)
        return role == kOrden ? QVariant(f.anio * 100 + f.mes) : QVariant(textoMes(f));
    const Currency v = c == Ventas          ? f.ventas
                       : c == Costo         ? f.costo
                       : c == Margen        ? f.margen()
                       : c == ComisionVenta ? f.comisionVenta
                                            : f.comisionCobro;
    if (role == kOrden)
        return v.scaled();
    return utilidades::regional().toString(v.toDouble(), 'f', 2);
}

QVariant ResumenAgentes::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const titulos[] = {
        "Agente", "Nombre", "Mes", "Ventas", "Costo", "Margen", "Comisión venta", "Comisión cobro"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section > ComisionCobro)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromUtf8(titulos[section]);
}

} // namespace ORBTAgentes
