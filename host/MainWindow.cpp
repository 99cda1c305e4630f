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
    setCentralWidget(central);
    // The agents' summary, opened as any host opens a window of the component and then
    // laid into the main window.
    try {
        resumen_ = std::make_shared<ORBTAgentes::frmclsResumenAgentes>();
        resumen_->EmpresaOrbenta(empresa_);
        resumen_->ConexionOrbenta(connection_);
        resumen_->Show(0, this);
        if (QWidget* w = resumen_->window())
            layout->addWidget(w, 1);
    } catch (const automation::AutomationError& e) {
        ui::ShowFailure(e.description(), e.number(), e.source(), windowTitle());
        layout->addStretch();
    }

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
    agentes->addSeparator();
    agentes->addAction(QStringLiteral("C&omisiones por Familia y Artículo..."), this,
                       [this] { abrirComisiones(1); });
    agentes->addAction(QStringLiteral("Comisiones por Familia y Artículo (no mo&dal)"), this,
                       [this] { abrirComisiones(0); });
    statusBar()->showMessage(dialectName(connection_->dialect()));
    resize(900, 760);
}

namespace {
// As a host program does: create the window class once, hand it the company and the
// connection, and show it over the main window; a failure is told, not thrown.
template <class Clase>
void abrir(std::shared_ptr<Clase>& clase, const std::shared_ptr<ORBTEmp::Empresa>& empresa,
           const std::shared_ptr<ado::Connection>& cn, qint16 modal, QWidget* owner) {
    try {
        if (!clase)
            clase = std::make_shared<Clase>();
        clase->EmpresaOrbenta(empresa);
        clase->ConexionOrbenta(cn);
        clase->Show(modal, owner);
    } catch (const automation::AutomationError& e) {
        ui::ShowFailure(e.description(), e.number(), e.source(), owner->windowTitle());
    }
}
} // namespace

void MainWindow::abrirAgentes(qint16 modal) {
    abrir(agentes_, empresa_, connection_, modal, this);
}

void MainWindow::abrirComisiones(qint16 modal) {
    abrir(comisiones_, empresa_, connection_, modal, this);
}

void MainWindow::abrirCambioFactura(qint16 modal) {
    abrir(cambioFactura_, empresa_, connection_, modal, this);
}

} // namespace orbenta::host
