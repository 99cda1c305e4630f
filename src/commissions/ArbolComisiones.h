#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace ado {
class Recordset;
}
namespace grid {
class OutlineModel;
}

namespace ORBTAgentes {

class clsComision_Familias;

/// The company's family tree with an agent's commission rules, written into an outline
/// model: what the commission window shows and what the commission report prints. It
/// needs no widget.
///
/// Rows, in ascending order of the family path: one node per family (outline level 0),
/// sub-family (1) and sub-sub-family (2), each followed by the article rows of its own
/// rules (the last one read first). Columns: 3 the row's text, 4-6 the family path, 7 the
/// level (NumNiveles + 1 on article rows), 8 the article code, 10 the commission text
/// (two decimals, "BLOQUEADO" for a family stored with 200); the others are empty.
///
/// Nodes are told apart by their codes, not by their names: two families (or two
/// sub-families of one parent) that follow each other with the same name get a node
/// each, so the rules of both find their row and neither is taken for an orphan.
///
/// The rules are merged in one forward pass (they come sorted by family path, as the
/// nodes are). A rule whose path no node holds, also one beyond the last node, belongs
/// to a family that no longer exists: the window deletes it through the rule object;
/// a print only leaves it out (printing changes nothing but the report's work table).
class ArbolComisiones {
public:
    enum class Huerfanas { Eliminar, Conservar };

    explicit ArbolComisiones(grid::OutlineModel& model) : model_(model) {}

    /// The tree alone, without commissions.
    void Construir();
    /// The tree with the rules of `regla`'s agent: `rs` (closed) is filled by the rule
    /// store's Cargar_Todos, read once and closed again. Whatever fails on the way, the
    /// model holds the tree as far as it was read, and draws again.
    void Construir(clsComision_Familias* regla, ado::Recordset* rs,
                   Huerfanas huerfanas = Huerfanas::Eliminar);

private:
    struct Nodo;
    std::vector<Nodo> leerArbol();
    void cargarReglas(std::vector<Nodo>& nodos, clsComision_Familias& regla, ado::Recordset& rs,
                      Huerfanas huerfanas);
    void vaciar();
    void mostrar(std::vector<Nodo>& nodos);

    grid::OutlineModel& model_;
};

} // namespace ORBTAgentes
