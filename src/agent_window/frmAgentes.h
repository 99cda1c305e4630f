#pragma once

#include "frame/FormBase.h"
#include "frame/WindowClass.h"

#include <array>
#include <memory>

class QComboBox;
class QLabel;
class QPlainTextEdit;

namespace controls {
class HxAlmacen;
class HxCheckBox;
class HxMaskEdBox;
class HxPushButton;
class HxTextBox;
} // namespace controls
namespace utilidades {
class CodigosPostales;
}

namespace ORBTAgentes {

class clsAgente;

/// "Agentes": the office's window for the agent records. One agent at a time, found by
/// code (Enter), by name (Buscar...) or by the four navigation buttons and Alt+arrows;
/// edited and saved with F9, emptied with F12 or Esc, deleted after a confirmation.
/// All reading and writing of agents goes through the window's own clsAgente.
///
/// The block date travels through the suite's date formatter into its ##/##/#### box and
/// back by the same regional order of day, month and year, so loading an agent and saving
/// it unchanged keeps its block date in any locale whose short date fits the box.
class frmAgentes : public FormBase {
    Q_OBJECT
public:
    explicit frmAgentes(QWidget* parent = nullptr);
    ~frmAgentes() override;
    using FormBase::Mostrar; // showing the window; Mostrar() below fills it

    /// The agent the window shows (or is creating); null before the window loads.
    clsAgente* agente() const { return agente_.get(); }
    /// Types a code and presses Enter in the code box (for the host's pictures).
    void CargarCodigo(qint16 codigo);

protected:
    void Form_Load() override;
    bool keyPreview(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // The benchmarks time filling the controls alone (the window's fixed cost).
    friend struct AgentWindowBench;

    void Mostrar();
    /// Showing an agent (true) or waiting for a code (false): the code box and the
    /// agent's buttons.
    void setEditing(bool editing);
    void mostrarCampos();
    void Limpiar();
    void cargarPorCodigo(int& keyAscii);
    void navegar(bool (clsAgente::*operacion)(clsAgente*));
    void agenteMostrado();
    void buscar();
    void cancelar();
    void aceptar();
    void eliminar();
    void contrasena();
    void reglaBloqueo();
    void buscarCodigoPostal();
    void buscarBanco();
    void comprobarEmail();
    void marcarDigitosControl();

    controls::HxTextBox *txtCodigo, *txtNombre, *txtDireccion, *txtTelefono, *txtCp, *txtLocalidad,
        *txtMovil, *txtProvincia, *txtFax, *txtEMail, *txtBloq_Motivo, *txtComVenta, *txtComCobro,
        *txtRetencion;
    QComboBox* cboBloqueado;
    controls::HxMaskEdBox* txtBloq_Fecha;
    controls::HxAlmacen* txtAlmacen;
    controls::HxCheckBox* chkNoImpLiquidacion;
    /// Bank, branch, check digits, account number, and the bank's name.
    std::array<controls::HxTextBox*, 5> txtCta_Bancaria;
    QPlainTextEdit* txtObserv;
    controls::HxPushButton *cmdAceptar, *cmdCancelar, *cmdEliminar, *cmdSetPassword;
    QLabel *lblBloq_Fecha, *lblBloq_Motivo;
    std::unique_ptr<clsAgente> agente_;
    std::unique_ptr<utilidades::CodigosPostales> codigosPostales_;
};

/// The public window class that opens "Agentes".
class frmclsAgente : public WindowClass<frmAgentes> {
public:
    frmclsAgente() : WindowClass(interfaceInfo()) {}
    /// Its identities and members (the host's two properties and Show).
    static const ClassInfo& interfaceInfo();
};

} // namespace ORBTAgentes
