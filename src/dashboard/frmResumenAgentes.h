#pragma once

#include "frame/FormBase.h"
#include "frame/WindowClass.h"

#include <QDate>
#include <memory>

class QChartView;
class QModelIndex;
class QSortFilterProxyModel;
class QTableView;

namespace controls {
class HxMaskEdBox;
class HxPushButton;
} // namespace controls

namespace ORBTAgentes {

class ResumenAgentes;
class frmclsAgente;

/// "Resumen de Agentes": the agents' figures of the shared company over a date range
/// (this month when it opens): a bar chart of each agent's sales and margin, a line
/// chart of the selected agent's sales and commissions per month, and under them the
/// same figures per agent and month in a table sortable by any column. Double-clicking
/// a row opens the agent window on that agent.
class frmResumenAgentes : public FormBase {
    Q_OBJECT
public:
    explicit frmResumenAgentes(QWidget* parent = nullptr);
    ~frmResumenAgentes() override;

    /// Types a range into the date fields and shows its figures, as the clerk does
    /// (for the host's pictures and demonstrations).
    void Rango(QDate desde, QDate hasta);

protected:
    void Form_Load() override;
    bool keyPreview(QKeyEvent* e) override;

private:
    QDate desde_, hasta_; // the period the figures shown are of
    /// Reads the range typed and shows its figures; a bad range is told and changes
    /// nothing shown.
    void actualizar();
    /// Reads the period from the date fields; tells the user and gives false when a date
    /// is not valid or Desde comes after Hasta.
    bool periodo(QDate& desde, QDate& hasta);
    /// "Liquidación...": the settlement sheet of the period in the viewer.
    void liquidar();
    void dibujarVentas();
    /// The line chart of the agent of the table's current row.
    void dibujarMeses();
    void abrirAgente(const QModelIndex& index);
    qint16 agenteDe(const QModelIndex& index) const;

    controls::HxMaskEdBox *txtDesde, *txtHasta;
    controls::HxPushButton* cmdActualizar;
    QChartView *chtVentas, *chtMeses;
    QTableView* vsResumen;
    ResumenAgentes* modelo_;
    QSortFilterProxyModel* orden_;
    std::unique_ptr<frmclsAgente> agentes_;
};

/// The public window class that opens "Resumen de Agentes".
class frmclsResumenAgentes : public WindowClass<frmResumenAgentes> {
public:
    frmclsResumenAgentes() : WindowClass(interfaceInfo()) {}
    /// Its identities and members (the host's two properties and Show).
    static const ClassInfo& interfaceInfo();
};

} // namespace ORBTAgentes
