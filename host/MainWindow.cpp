#include "MainWindow.h"

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
    setWindowTitle(QStringLiteral("Orbenta - %1").arg(empresa_->Nombre()));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* title = new QLabel(QStringLiteral("<h2>%1</h2>").arg(empresa_->Nombre().toHtmlEscaped()));
    auto* info = new QLabel(QStringLiteral("Empresa %1 · Base de datos: %2")
                                .arg(empresa_->CodEmpresa())
                                .arg(connection_->ConnectionString().toHtmlEscaped()));
    info->setObjectName(QStringLiteral("lblBaseDatos"));
    layout->addWidget(title);
    layout->addWidget(info);
    layout->addStretch();
    setCentralWidget(central);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Archivo"));
    file->addAction(QStringLiteral("&Salir"), this, &QWidget::close);
    menuBar()->addMenu(QStringLiteral("A&gentes"));
    statusBar()->showMessage(dialectName(connection_->dialect()));
    resize(800, 600);
}

} // namespace orbenta::host
