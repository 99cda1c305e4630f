#pragma once

#include "frame/FormBase.h"

namespace controls {
class ListBox;
class HxPushButton;
} // namespace controls

namespace ORBTAgentes {

/// "Busqueda de Agentes": every agent by name; the user picks one. The agent window
/// shows it modally and then reads CodigoSeleccionado (0: none picked). Enter presses the
/// focused button (Aceptar from the list), Esc cancels; a double click does nothing.
class frmAgentes_Buscar : public FormBase {
    Q_OBJECT
public:
    explicit frmAgentes_Buscar(QWidget* parent = nullptr);

    /// The code of the accepted line; 0 until one is accepted, and after a cancel.
    qint16 CodigoSeleccionado = 0;

    /// A line of the list: the code with at least two digits, " - ", the name.
    static QString linea(qint16 codigo, const QString& nombre);

protected:
    void Form_Load() override;
    bool keyPreview(QKeyEvent* e) override;

private:
    void aceptar();
    void cancelar();

    controls::ListBox* lstLineas;
    controls::HxPushButton *cmdAceptar, *cmdCancelar;
};

} // namespace ORBTAgentes
