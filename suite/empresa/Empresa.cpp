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
    const QString key = QString::number(codigo);
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Codigo, Nombre, Cod_Empresa_Articulos, Nivel1, Nivel2, Nivel3, "
                           "Ruta_Aplicacion FROM Empresas WHERE Codigo = ") +
                key,
            cn);
    if (rs.Eof())
        throw automation::AutomationError(
            ado::errors::NoCurrentRecord, QStringLiteral("ORBTEmp.Empresa"),
            QStringLiteral("No existe la empresa ") + key + QStringLiteral("."));
    auto e = std::make_shared<Empresa>();
    e->codigo_ = codigo;
    e->nombre_ = rs.Fields(QStringLiteral("Nombre")).toString();
    e->codigoArticulos_ = qint16(rs.Fields(QStringLiteral("Cod_Empresa_Articulos")).toInt());
    for (int i = 0; i < 3; ++i)
        e->niveles_[i] = rs.Fields(QStringLiteral("Nivel") + QString::number(i + 1)).toString();
    e->ruta_ = rs.Fields(QStringLiteral("Ruta_Aplicacion")).toString();
    rs.Close();
    rs.Open(QStringLiteral("SELECT Clave, Valor FROM Empresas_Configuracion WHERE Cod_Empresa = ") +
                key,
            cn);
    while (!rs.Eof()) {
        e->config_.insert(rs.Fields(0).toString(), rs.Fields(1).toString());
        rs.MoveNext();
    }
    return e;
}

// The company and its configuration are replaced together or not at all. Every text is
// written through sqlQuoted and joined by concatenation: a name such as "%4" or one
// with quotes is stored as typed and never becomes part of the statement.
void Empresa::Guardar(ado::Connection& cn) const {
    const QString key = QString::number(codigo_);
    ado::Transaction tx(cn);
    cn.Execute(QStringLiteral("DELETE FROM Empresas WHERE Codigo = ") + key);
    cn.Execute(QStringLiteral("INSERT INTO Empresas (Codigo, Nombre, Cod_Empresa_Articulos, "
                              "Nivel1, Nivel2, Nivel3, Ruta_Aplicacion) VALUES (") +
               key + QStringLiteral(", ") + sqlQuoted(nombre_) + QStringLiteral(", ") +
               QString::number(codigoArticulos_) + QStringLiteral(", ") + sqlQuoted(niveles_[0]) +
               QStringLiteral(", ") + sqlQuoted(niveles_[1]) + QStringLiteral(", ") +
               sqlQuoted(niveles_[2]) + QStringLiteral(", ") + sqlQuoted(ruta_) +
               QStringLiteral(")"));
    cn.Execute(QStringLiteral("DELETE FROM Empresas_Configuracion WHERE Cod_Empresa = ") + key);
    for (auto it = config_.cbegin(); it != config_.cend(); ++it)
        cn.Execute(QStringLiteral("INSERT INTO Empresas_Configuracion (Cod_Empresa, Clave, "
                                  "Valor) VALUES (") +
                   key + QStringLiteral(", ") + sqlQuoted(it.key()) + QStringLiteral(", ") +
                   sqlQuoted(it.value()) + QStringLiteral(")"));
    tx.Commit();
}

} // namespace ORBTEmp
