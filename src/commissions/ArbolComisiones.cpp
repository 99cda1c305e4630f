#include "ArbolComisiones.h"

#include "commissions/clsComision_Familias.h"
#include "frame/SharedContext.h"
#include "frame/Values.h"

#include <QHash>
#include <ado/Connection.h>
#include <ado/Recordset.h>
#include <array>
#include <empresa/Empresa.h>
#include <grid/OutlineModel.h>
#include <utilidades/Utilidades.h>

namespace ORBTAgentes {

namespace {

const QString kBloqueado = QStringLiteral("BLOQUEADO");

QString pct(double v) {
    return SharedContext::utilidades().FormatoNumero(v, 2);
}

// Codes as text, one shared string per code: the tree repeats each family's codes on
// every row below it, and tens of thousands of rows then share a handful of strings.
class Numeros {
public:
    const QString& operator()(qint32 n) {
        if (n < 0 || n > 32767)
            return otros_ = QString::number(n);
        if (cache_.empty())
            cache_.resize(32768);
        QString& s = cache_[size_t(n)];
        if (s.isNull())
            s = QString::number(n);
        return s;
    }

private:
    std::vector<QString> cache_;
    QString otros_;
};

// A column of a result by its name, letter case aside (-1: none).
int columna(const ado::Recordset& rs, const char* nombre) {
    for (int i = 0; i < rs.FieldCount(); ++i)
        if (rs.FieldName(i).compare(QLatin1String(nombre), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

// One family node of the tree, with what the rule loading gives it.
struct ArbolComisiones::Nodo {
    QString texto;
    qint16 f1 = 0, f2 = 0, f3 = 0;
    int nivel = 1; // 1 to 3
    QString comision;
    std::vector<QStringList> articulos; // article rows' cells, in the order read
    bool operator<(const std::array<qint16, 3>& p) const {
        return std::array<qint16, 3>{f1, f2, f3} < p;
    }
};

void ArbolComisiones::Construir() {
    Construir(nullptr, nullptr);
}

void ArbolComisiones::Construir(clsComision_Familias* regla, ado::Recordset* rs,
                                Huerfanas huerfanas) {
    vaciar();
    std::vector<Nodo> nodos;
    struct Mostrar {
        ArbolComisiones* arbol;
        std::vector<Nodo>& nodos;
        ~Mostrar() { arbol->mostrar(nodos); }
    } mostrar{this, nodos};
    nodos = leerArbol();
    if (!regla || !rs)
        return;
    regla->Cargar_Todos(*rs);
    cargarReglas(nodos, *regla, *rs, huerfanas);
    rs->Close();
}

std::vector<ArbolComisiones::Nodo> ArbolComisiones::leerArbol() {
    const QString sql =
        QStringLiteral(" SELECT IsNull(fam1.Nombre,'') As Nombre1, IsNull(fam2.Nombre,'') as "
                       "Nombre2") +
        QStringLiteral(" , IsNull(fam3.Nombre,'') as Nombre3  , fam1.Codigo as Codigo, ") +
        QStringLiteral(" IsNull(fam2.Codigo,0) as Codigo1, IsNull(fam3.Codigo,0) as Codigo2 ") +
        QStringLiteral(" FROM Familias_1 fam1 ") +
        QStringLiteral(" LEFT JOIN Familias_2 fam2 ON fam2.Cod_Empresa = fam1.Cod_Empresa AND "
                       "(fam1.Codigo = fam2.Familia_1) ") +
        QStringLiteral(" LEFT JOIN Familias_3 fam3 ON fam3.Cod_Empresa=fam2.Cod_Empresa AND "
                       "(fam3.Familia_1 = fam2.Familia_1)") +
        QStringLiteral(" and (fam3.Familia_2 = fam2.Codigo) ") +
        QStringLiteral(" WHERE fam1.Cod_Empresa = ") +
        QString::number(SharedContext::empresa()->CodEmpresaArticulos()) +
        QStringLiteral(" ORDER BY Codigo,Codigo1,Codigo2 ");
    ado::Recordset rs;
    rs.Open(sql, *SharedContext::conexion(), ado::adOpenForwardOnly, ado::adLockReadOnly,
            ado::adCmdText);
    std::vector<Nodo> nodos;
    // The last node of each level, by its codes (-1: none yet).
    qint32 ultimo1 = -1;
    std::array<qint32, 2> ultimo2{-1, -1};
    std::array<qint32, 3> ultimo3{-1, -1, -1};
    // The columns by name once, not on each of the tree's rows.
    const int cN1 = columna(rs, "Nombre1"), cN2 = columna(rs, "Nombre2"),
              cN3 = columna(rs, "Nombre3"), cC = columna(rs, "Codigo"),
              cC1 = columna(rs, "Codigo1"), cC2 = columna(rs, "Codigo2");
    for (; !rs.Eof(); rs.MoveNext()) {
        const QString nombre1 = toText(rs.Fields(cN1));
        const QString nombre2 = toText(rs.Fields(cN2));
        const QString nombre3 = toText(rs.Fields(cN3));
        const qint16 c = toInteger(rs.Fields(cC));
        const qint16 c1 = toInteger(rs.Fields(cC1));
        const qint16 c2 = toInteger(rs.Fields(cC2));
        if (c != ultimo1) {
            ultimo1 = c;
            ultimo2 = {-1, -1};
            ultimo3 = {-1, -1, -1};
            nodos.push_back(
                {QString::number(c) + QStringLiteral(" - ") + nombre1, c, 0, 0, 1, {}, {}});
        }
        if (!nombre2.isEmpty() && ultimo2 != std::array<qint32, 2>{c, c1}) {
            ultimo2 = {c, c1};
            ultimo3 = {-1, -1, -1};
            nodos.push_back(
                {QString::number(c1) + QStringLiteral(" - ") + nombre2, c, c1, 0, 2, {}, {}});
        }
        if (!nombre3.isEmpty() && ultimo3 != std::array<qint32, 3>{c, c1, c2}) {
            ultimo3 = {c, c1, c2};
            nodos.push_back(
                {QString::number(c2) + QStringLiteral(" - ") + nombre3, c, c1, c2, 3, {}, {}});
        }
    }
    rs.Close();
    return nodos;
}

// The rules of the chosen agent onto the nodes, in one forward pass: the rules come
// sorted by family path as the nodes are, so the search never moves back. Article rows
// placed below a node have the node's path and so never change where a search stops;
// they are added to the grid with their node.
void ArbolComisiones::cargarReglas(std::vector<Nodo>& nodos, clsComision_Familias& regla,
                                   ado::Recordset& rs, Huerfanas huerfanas) {
    const qint16 nivelArticulo = regla.NumNiveles + 1;
    const QString bloqueado = pct(200);
    const int cF1 = columna(rs, "Familia_1"), cF2 = columna(rs, "Familia_2"),
              cF3 = columna(rs, "Familia_3"), cNivel = columna(rs, "Nivel"),
              cComision = columna(rs, "Comision"), cArticulo = columna(rs, "Cod_Articulo"),
              cNombre = columna(rs, "Nombre");
    Numeros numero;
    QHash<double, QString> porcentajes; // a few percentages, each formatted once
    size_t pos = 0;
    for (; !rs.Eof(); rs.MoveNext()) {
        const std::array<qint16, 3> ruta{toInteger(rs.Fields(cF1)), toInteger(rs.Fields(cF2)),
                                         toInteger(rs.Fields(cF3))};
        while (pos < nodos.size() && nodos[pos] < ruta)
            ++pos;
        const qint16 nivel = toInteger(rs.Fields(cNivel));
        if (pos < nodos.size() &&
            std::array<qint16, 3>{nodos[pos].f1, nodos[pos].f2, nodos[pos].f3} == ruta) {
            Nodo& n = nodos[pos];
            const double valor = toDouble(rs.Fields(cComision));
            auto formateado = porcentajes.find(valor);
            if (formateado == porcentajes.end())
                formateado = porcentajes.insert(valor, pct(valor));
            if (nivel != nivelArticulo) {
                n.comision = *formateado;
            } else {
                const QString articulo = toText(rs.Fields(cArticulo));
                n.articulos.push_back(
                    {QString(), QString(), QString(),
                     articulo + QStringLiteral(" - ") + toText(rs.Fields(cNombre)), numero(ruta[0]),
                     numero(ruta[1]), numero(ruta[2]), numero(nivelArticulo), articulo, QString(),
                     *formateado});
            }
            if (n.comision == bloqueado)
                n.comision = kBloqueado;
            continue;
        }
        // No node holds the path: the family is gone, and so goes its rule.
        if (huerfanas == Huerfanas::Conservar)
            continue;
        regla.Familia_1 = ruta[0];
        regla.Familia_2 = ruta[1];
        regla.Familia_3 = ruta[2];
        regla.Nivel = quint8(nivel);
        if (nivel == nivelArticulo)
            regla.Articulo = toLong(rs.Fields(cArticulo));
        regla.Eliminar();
    }
}

// The whole tree into the grid in one batch; each node's article rows right below it,
// the last one read first.
// The grid is emptied before the tree is read: the old rows go before the new ones
// are made, so a large tree is never held twice.
void ArbolComisiones::vaciar() {
    model_.setRedraw(false);
    model_.Clear();
}

void ArbolComisiones::mostrar(std::vector<Nodo>& nodos) {
    Numeros numero;
    model_.setRedraw(false);
    model_.Clear();
    for (Nodo& n : nodos) {
        model_.AddItem(QStringList{QString(), QString(), QString(), n.texto, numero(n.f1),
                                   numero(n.f2), numero(n.f3), numero(n.nivel), QString(),
                                   QString(), n.comision});
        model_.setOutlineNode(model_.Rows() - 1, n.nivel - 1);
        for (auto a = n.articulos.rbegin(); a != n.articulos.rend(); ++a)
            model_.AddItem(std::move(*a)); // handed over, so never held twice
    }
    model_.setRedraw(true);
}

} // namespace ORBTAgentes
