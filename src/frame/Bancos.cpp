#include "Bancos.h"

#include "SharedContext.h"
#include "SqlValues.h"
#include "Values.h"

#include <ado/Connection.h>
#include <ado/Recordset.h>

namespace ORBTAgentes {

bool BuscarBanco(qint16 codigo, QString& nombre) {
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Nombre FROM Bancos WHERE Codigo =") + sqlInteger(codigo),
            *SharedContext::conexion(), ado::adOpenForwardOnly, ado::adLockReadOnly,
            ado::adCmdText);
    const bool found = !rs.Eof();
    if (found)
        nombre = toText(rs.Fields(QStringLiteral("Nombre")));
    rs.Close();
    return found;
}

QString NombreBanco(qint16 codigo) {
    QString nombre;
    BuscarBanco(codigo, nombre);
    return nombre;
}

} // namespace ORBTAgentes
