#pragma once

#include <QMainWindow>
#include <memory>

namespace ado {
class Connection;
}
namespace ORBTEmp {
class Empresa;
}

namespace ORBTAgentes {
class frmclsCambioFactura;
class frmclsAgente;
class frmclsComision_Familias;
class frmclsResumenAgentes;
} // namespace ORBTAgentes

namespace orbenta::host {

/// The suite's main window as the demo host shows it: the company and database it
/// works on, the agents' summary of the component in the middle, and one menu entry per
/// window of the component.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(std::shared_ptr<ado::Connection> connection,
               std::shared_ptr<ORBTEmp::Empresa> empresa, QWidget* parent = nullptr);

private:
    void abrirCambioFactura(qint16 modal);
    void abrirAgentes(qint16 modal);
    void abrirComisiones(qint16 modal);
    std::shared_ptr<ado::Connection> connection_;
    std::shared_ptr<ORBTEmp::Empresa> empresa_;
    std::shared_ptr<ORBTAgentes::frmclsCambioFactura> cambioFactura_;
    std::shared_ptr<ORBTAgentes::frmclsAgente> agentes_;
    std::shared_ptr<ORBTAgentes::frmclsComision_Familias> comisiones_;
    std::shared_ptr<ORBTAgentes::frmclsResumenAgentes> resumen_;
};

} // namespace orbenta::host
