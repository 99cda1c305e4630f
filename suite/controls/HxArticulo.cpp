#include "HxArticulo.h"

#include "Selector.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "automation/AutomationError.h"
#include "empresa/Empresa.h"

#include <algorithm>
#include <numeric>

namespace controls {

HxArticulo::HxArticulo(QWidget* parent) : QWidget(parent) {}

bool HxArticulo::Buscar() {
    if (!cn_ || !empresa_)
        throw automation::AutomationError(
            91, QStringLiteral("hxArticulo.Buscar"),
            QStringLiteral("Object variable or With block variable not set"));
    QVector<qint32> codes;
    QStringList descriptions;
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Codigo, Descripcion FROM Articulos WHERE Cod_Empresa = ") +
                QString::number(empresa_->CodEmpresaArticulos()) +
                QStringLiteral(" ORDER BY Descripcion, Codigo"),
            *cn_);
    for (; !rs.Eof(); rs.MoveNext()) {
        codes << rs.Fields(0).toInt();
        descriptions << rs.Fields(1).toString();
    }
    rs.Close();
    // The preferred articles first, each group in the catalogue's order.
    QVector<int> order(codes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_partition(order.begin(), order.end(),
                          [&](int i) { return primeros_.contains(codes[i]); });
    Selector dlg(window(), QStringLiteral("frmBuscarArticulo"), QStringLiteral("Buscar artículo"),
                 {QStringLiteral("Artículo")}, QStringLiteral("Código o descripción"));
    for (const int i : order)
        dlg.addRow({QString::number(codes[i]) + QStringLiteral(" - ") + descriptions[i]});
    const int picked = dlg.pick();
    if (picked < 0)
        return false;
    codigo_ = QString::number(codes[order[picked]]);
    descripcion_ = descriptions[order[picked]];
    return true;
}

} // namespace controls
