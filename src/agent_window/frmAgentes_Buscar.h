#pragma once

#include "frame/FormBase.h"

#include <QList>

class QLabel;

namespace controls {
class ListBox;
class HxPushButton;
} // namespace controls

namespace ORBTAgentes {

/// "Busqueda de Agentes": every agent by name; the user picks one. The agent window
/// shows it modally and then reads CodigoSeleccionado (0: none picked). Enter presses the
/// focused button (Aceptar from the list), Esc cancels; a double click does nothing.
///
/// Find as you type: what the user types while the list has the focus (letters, digits,
/// blanks, signs; never with Ctrl or Alt) narrows the list, already filled, to the agents
/// whose name holds the typed text or whose code starts with it, accents and letter case
/// ignored (so "alv" finds "Álvaro", "nandu" finds "Ñandú", "7" and "07" find 07 and 70).
/// Backspace takes the last character back and widens the list again. The typed text is
/// shown in a small tag over the list's lower edge while there is one. Each change
/// selects the first line shown; with none, Aceptar is disabled and Enter does nothing.
/// Every other key keeps its meaning: arrows, Home, End and the page keys move among
/// the lines shown, Enter accepts the highlighted one, Esc cancels, Tab moves to the
/// buttons, where keys act on the buttons as before.
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
    void resizeEvent(QResizeEvent* e) override;

private:
    void aceptar();
    void cancelar();
    /// Typing: shows the lines the typed text finds, and the text itself.
    bool teclearFiltro(QKeyEvent* e);
    void filtrar();
    void colocarFiltro();

    controls::ListBox* lstLineas;
    controls::HxPushButton *cmdAceptar, *cmdCancelar;
    QLabel* lblFiltro;
    QString filtro_;                // as typed
    QStringList nombres_, codigos_; // each line's name and code, as the filter compares them
    QVector<qint32> codes_;         // each line's code
    bool comparables_ = false;      // the names and codes are in their compared form
};

} // namespace ORBTAgentes
