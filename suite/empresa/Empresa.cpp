#include "Empresa.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "automation/AutomationError.h"
#include "utilidades/SqlLiteral.h"

namespace ORBTEmp {

using utilidades::sqlQuoted;

QString Empresa::NombreNivel(qint16 indice) const {
    if (indice < 0 || indice > 2)
        throw automation::AutomationError(9, QStringLiteral("ORBTEmp.Empresa"),
                                          QStringLiteral("Subscript out of range"));
    return niveles_[indice];
}

void Empresa::setNombreNivel(int indice, const QString& caption) {
    if (indice >= 0 && indice <= 2)
        niveles_[indice] = caption;
}

std::shared_ptr<Empresa> Empresa::Cargar(ado::Connection& cn, qint16 codigo) {
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Codigo, Nombre, Cod_Empresa_Articulos, Nivel1, Nivel2, Nivel3, "
                           "Ruta_Aplicacion FROM Empresas WHERE Codigo = %1")
                .arg(codigo),
            cn);
    if (rs.Eof())
        throw automation::AutomationError(ado::errors::NoCurrentRecord,
                                          QStringLiteral("ORBTEmp.Empresa"),
                                          QStringLiteral("No existe la empresa %1.").arg(codigo));
    auto e = std::make_shared<Empresa>();
    e->codigo_ = codigo;
    e->nombre_ = rs.Fields(QStringLiteral("Nombre")).toString();
    e->codigoArticulos_ = qint16(rs.Fields(QStringLiteral("Cod_Empresa_Articulos")).toInt());
    for (int i = 0; i < 3; ++i)
        e->niveles_[i] = rs.Fields(QStringLiteral("Nivel%1").arg(i + 1)).toString();
    e->ruta_ = rs.Fields(QStringLiteral("Ruta_Aplicacion")).toString();
    rs.Close();
    rs.Open(QStringLiteral("SELECT Clave, Valor FROM Empresas_Configuracion WHERE Cod_Empresa = %1")
                .arg(codigo),
            cn);
    while (!rs.Eof()) {
        e->config_.insert(rs.Fields(0).toString(), rs.Fields(1).toString());
        rs.MoveNext();
    }
    return e;
}

void Empresa::Guardar(ado::Connection& cn) const {
    cn.BeginTrans();
    try {
        cn.Execute(QStringLiteral("DELETE FROM Empresas WHERE Codigo = %1").arg(codigo_));
        cn.Execute(QStringLiteral("INSERT INTO Empresas (Codigo, Nombre, Cod_Empresa_Articulos, "
                                  "Nivel1, Nivel2, Nivel3, Ruta_Aplicacion) VALUES (%1, %2, %3, "
                                  "%4, %5, %6, %7)")
                       .arg(codigo_)
                       .arg(sqlQuoted(nombre_))
                       .arg(codigoArticulos_)
                       .arg(sqlQuoted(niveles_[0]), sqlQuoted(niveles_[1]), sqlQuoted(niveles_[2]),
                            sqlQuoted(ruta_)));
        cn.Execute(QStringLiteral("DELETE FROM Empresas_Configuracion WHERE Cod_Empresa = %1")
                       .arg(codigo_));
        for (auto it = config_.cbegin(); it != config_.cend(); ++it)
            cn.Execute(QStringLiteral("INSERT INTO Empresas_Configuracion (Cod_Empresa, Clave, "
                                      "Valor) VALUES (%1, %2, %3)")
                           .arg(codigo_)
                           .arg(sqlQuoted(it.key()), sqlQuoted(it.value())));
        cn.CommitTrans();
    } catch (...) {
        cn.RollbackTrans();
        throw;
    }
}

} // namespace ORBTEmp
