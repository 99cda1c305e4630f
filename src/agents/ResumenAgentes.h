#pragma once

#include "frame/Values.h"

#include <QAbstractTableModel>
#include <QDate>
#include <optional>
#include <vector>

namespace ORBTAgentes {

/// The agents' figures per month: the day totals of Agentes_Acumulados of the shared
/// context's company, summed by the database per agent and month over a date range.
/// One model for everything that shows them: the summary window's table and charts and
/// the command line. It has no widgets.
class ResumenAgentes : public QAbstractTableModel {
    Q_OBJECT
public:
    /// One agent in one month.
    struct Fila {
        qint16 agente = 0;
        QString nombre; // empty when the agent is not on file
        int anio = 0, mes = 0;
        Currency ventas, costo, comisionVenta, comisionCobro;
        Currency margen() const { return ventas - costo; }
    };
    /// One agent over the whole range.
    struct Total {
        qint16 agente = 0;
        QString nombre;
        Currency ventas, costo, comisionVenta, comisionCobro;
        Currency margen() const { return ventas - costo; }
    };
    enum Columna { Agente, Nombre, Mes, Ventas, Costo, Margen, ComisionVenta, ComisionCobro };
    /// What the table sorts by: numbers as numbers, texts as texts.
    static constexpr int kOrden = Qt::UserRole;

    explicit ResumenAgentes(QObject* parent = nullptr);

    /// The statement that reads the figures from `desde` to `hasta` (both days included)
    /// for company `empresa`, of one agent or of all.
    static QString sentencia(qint16 empresa, QDate desde, QDate hasta,
                             std::optional<qint16> agente = {});
    /// Reads the figures again on the shared connection, for the shared company. The
    /// rows come by agent, year and month. A failure reaches the caller, and the model
    /// keeps the rows it had.
    void Cargar(QDate desde, QDate hasta, std::optional<qint16> agente = {});

    const std::vector<Fila>& filas() const { return filas_; }
    /// The rows summed per agent, in agent order.
    std::vector<Total> totales() const;
    /// The rows of one agent, in month order.
    std::vector<Fila> meses(qint16 agente) const;

    /// "2026-03": the month as the command line and the table show it.
    static QString textoMes(const Fila& f);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::vector<Fila> filas_;
};

} // namespace ORBTAgentes
