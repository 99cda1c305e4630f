#pragma once

#include "frame/FormBase.h"
#include "frame/WindowClass.h"

#include <memory>
#include <optional>
#include <vector>

class QLabel;

namespace ado {
class Recordset;
}
namespace controls {
class HxAgente;
class HxArticulo;
class HxPushButton;
} // namespace controls
namespace grid {
class OutlineGrid;
}

namespace ORBTAgentes {

class clsComision_Familias;

/// "Comisiones Agente - Familia - Artículo": one agent's commission percentages on the
/// company's family tree (families, sub-families, sub-sub-families, and below the
/// deepest level the articles with a rule of their own), edited in place. Every
/// percentage typed is stored at once through the window's rule object.
///
/// Grid columns: 3 the row's text, 4-6 the family path, 7 the level (NumNiveles + 1
/// on article rows), 8 the article code, 10 the commission text; the others are
/// hidden.
///
/// The tree and the merge of the agent's rules are ArbolComisiones's (see there how
/// same-name nodes and orphan rules are treated).
///
/// Under the grid, a status line (and the row's tooltip) shows the rate a sale of
/// the current row's family or article would earn the agent, and which rule gives it;
/// it comes from the rule object's own resolution and never touches the commission
/// column. It is resolved once per key (a row change, not every notification of it)
/// and again after a percentage is stored or deleted.
///
/// What the grid shows is what is stored: an edit is stored under the key of the row it
/// was typed on (the grid keeps the current row while its editor is open) or not at
/// all, and an edit confirmed empty leaves the cell showing the stored percentage.
/// After the tree is rebuilt no row is chosen: the key is cleared and the delete and
/// article buttons stay disabled until the user chooses a row.
class frmAgentes_Comision_Familias : public FormBase {
    Q_OBJECT
public:
    explicit frmAgentes_Comision_Familias(QWidget* parent = nullptr);
    ~frmAgentes_Comision_Familias() override;

    /// Filled by the rule store when an agent is chosen, read once and closed.
    std::unique_ptr<ado::Recordset> rs_Comisiones;

    /// The rule object (the key of the current row); null once the window has closed.
    clsComision_Familias* regla() const { return regla_.get(); }
    /// Chooses an agent as the user does: its code typed into the agent field, then Enter.
    void ElegirAgente(qint16 codigo);

protected:
    void Form_Load() override;
    bool keyPreview(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    /// Only the exit button's closing routine raises Unload.
    bool avisaAlCerrar() const override { return avisarAlCerrar_; }

private:
    void configurarGrid();
    void reconstruir(bool conReglas);
    void agenteKeyPress(int& keyAscii);
    /// The key of a rule: agent, level, family path, and the article on article rows.
    struct Clave {
        qint16 agente = 0;
        qint32 nivel = 0, f1 = 0, f2 = 0, f3 = 0, articulo = 0;
        bool operator==(const Clave&) const = default;
    };
    Clave claveDeFila(int row) const;
    Clave claveDeRegla() const;
    void evaluarFila();
    void sinFila();
    void mostrarComisionEfectiva(int row);
    void validarEdicion(int row, bool& cancel);
    void edicionTerminada(int row);
    void verArticulos();
    void eliminar();
    void imprimir();
    void salir();

    controls::HxAgente* txtAgente;
    grid::OutlineGrid* vsCom;
    controls::HxPushButton *cmdEliminar, *cmdVerArticulos;
    controls::HxArticulo* txtArticulo_Buscar;
    /// The effective rate of the current row (not a column of the grid).
    QLabel* lblComisionEfectiva;

    static constexpr quint8 colTexto = 3;
    static constexpr quint8 colComision = 10;
    std::unique_ptr<clsComision_Familias> regla_;
    bool bolExiste_ = false;
    /// True while the tree shows an agent's rules (after Enter on an agent); false on a
    /// tree without rules (at load, after Esc). Rows of a tree without rules are not
    /// evaluated or edited: the rule object still names the last agent, whose rules the
    /// tree does not show, and a key typed there would change or delete them unseen.
    bool conAgente_ = false;
    /// The key that the last evaluation of a row put into the rule object, and the row's
    /// own key, while they hold; none after a rebuild or a failed evaluation.
    std::optional<Clave> evaluada_;
    /// The key whose effective rate the status line shows.
    std::optional<Clave> resuelta_;
    bool avisarAlCerrar_ = false;
};

/// The public window class that opens "Comisiones Agente - Familia - Artículo".
class frmclsComision_Familias : public WindowClass<frmAgentes_Comision_Familias> {
public:
    frmclsComision_Familias() : WindowClass(interfaceInfo()) {}
    /// Its identities and members (the host's two properties and Show).
    static const ClassInfo& interfaceInfo();
};

} // namespace ORBTAgentes
