#include "MainWindow.h"

#include <ORBTAgentes.h>
#include <OrbentaSuite.h>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

namespace orbenta::host {

MainWindow::MainWindow(std::shared_ptr<ado::Connection> connection,
                       std::shared_ptr<ORBTEmp::Empresa> empresa, QWidget* parent)
    : QMainWindow(parent), connection_(std::move(connection)), empresa_(std::move(empresa)) {
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Orbenta - ") + empresa_->Nombre());
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* title = new QLabel(QStringLiteral("<h2>") + empresa_->Nombre().toHtmlEscaped() +
                             QStringLiteral("</h2>"));
    auto* info =
        new QLabel(QStringLiteral("Empresa ") + QString::number(empresa_->CodEmpresa()) +
                   QStringLiteral(" · Base de datos: ") +
                   ado::displayConnectionString(connection_->ConnectionString()).toHtmlEscaped());
    info->setObjectName(QStringLiteral("lblBaseDatos"));
    layout->addWidget(title);
    layout->addWidget(info);
    layout->addStretch();
    setCentralWidget(central);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Archivo"));
    file->addAction(QStringLiteral("&Salir"), this, &QWidget::close);
    QMenu* agentes = menuBar()->addMenu(QStringLiteral("A&gentes"));
    agentes->addAction(QStringLiteral("&Agentes..."), this, [this] { abrirAgentes(1); });
    agentes->addAction(QStringLiteral("Agentes (no &modal)"), this, [this] { abrirAgentes(0); });
    agentes->addSeparator();
    agentes->addAction(QStringLiteral("&Cambio de Agente en Factura..."), this,
                       [this] { abrirCambioFactura(1); });
    agentes->addAction(QStringLiteral("Cambio de Agente en Factura (&no modal)"), this,
                       [this] { abrirCambioFactura(0); });
    statusBar()->showMessage(dialectName(connection_->dialect()));
    resize(800, 600);
}

// As a host program does: create the window class, hand it the company and the
// connection, and show it over the main window.
void MainWindow::abrirAgentes(qint16 modal) {
    try {
        if (!agentes_)
            agentes_ = std::make_shared<ORBTAgentes::frmclsAgente>();
        agentes_->EmpresaOrbenta(empresa_);
        agentes_->ConexionOrbenta(connection_);
        agentes_->Show(modal, this);
    } catch (const automation::AutomationError& e) {
        ui::ShowFailure(e.description(), e.number(), e.source(), windowTitle());
    }
}

void MainWindow::abrirCambioFactura(qint16 modal) {
    try {
        if (!cambioFactura_)
            cambioFactura_ = std::make_shared<ORBTAgentes::frmclsCambioFactura>();
        cambioFactura_->EmpresaOrbenta(empresa_);
        cambioFactura_->ConexionOrbenta(connection_);
        cambioFactura_->Show(modal, this);
    } catch (const automation::AutomationError& e) {
        ui::ShowFailure(e.description(), e.number(), e.source(), windowTitle());
    }
}

} // namespace orbenta::host
