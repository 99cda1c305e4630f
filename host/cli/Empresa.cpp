// "empresa": the companies.
#include "Cli.h"

#include <Database.h>
#include <OrbentaSuiteData.h>

namespace orbenta::host {

using automation::AutomationError;

namespace {

// "empresa informes CODIGO": the company's report logon (ODBCNombre, ODBCBaseDatos,
// ODBCUsuario, ODBCPassword) set to reach the database of this connection, the way out
// when its reports name another one (a copied file, a database made from a template).
int empresaInformes(Context& c, ado::Connection& cn, qint16 code) {
    std::shared_ptr<ORBTEmp::Empresa> e;
    try {
        e = ORBTEmp::Empresa::Cargar(cn, code);
    } catch (const AutomationError& x) {
        if (x.number() != ado::errors::NoCurrentRecord)
            throw;
        usage(QStringLiteral("empresa informes: no existe la empresa ") + QString::number(code));
    }
    const auto valores = db::reportSettings(c.connectionString());
    for (const auto& [clave, valor] : valores)
        e->setValorConfiguracion(clave, valor);
    e->Guardar(cn);
    out() << "empresa " << code << ": informes en " << report::databaseOf(c.connectionString())
          << '\n';
    for (const auto& [clave, valor] : valores)
        out() << "  " << clave << " = "
              << (clave == u"ODBCPassword" && !valor.isEmpty() ? QStringLiteral("***") : valor)
              << '\n';
    return 0;
}

} // namespace

int cmdEmpresa(Context& c) {
    if (c.args.isEmpty())
        usage(QStringLiteral(
            "uso: orbenta empresa guardar CODIGO [opciones] | informes CODIGO | listar"));
    auto cn = c.connection();
    const QString sub = c.args[0];
    if (sub == u"listar" && c.args.size() == 1) {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT Codigo, Nombre, Cod_Empresa_Articulos, Nivel1, Nivel2, "
                               "Nivel3, Ruta_Aplicacion FROM Empresas ORDER BY Codigo"),
                *cn);
        printRecordset(rs);
        return 0;
    }
    if (sub == u"informes" && c.args.size() == 2)
        return empresaInformes(c, *cn, c.int16Arg(c.args[1], QStringLiteral("CODIGO")));
    if (sub != u"guardar" || c.args.size() != 2)
        usage(QStringLiteral(
            "uso: orbenta empresa guardar CODIGO [opciones] | informes CODIGO | listar"));
    const qint16 code = c.int16Arg(c.args[1], QStringLiteral("CODIGO"));
    ORBTEmp::Empresa e;
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Codigo FROM Empresas WHERE Codigo = ") + QString::number(code),
            *cn);
    const bool exists = !rs.Eof();
    rs.Close();
    if (exists) {
        e = *ORBTEmp::Empresa::Cargar(*cn, code);
    } else {
        e.setCodEmpresa(code);
        e.setCodEmpresaArticulos(code);
    }
    const QCommandLineParser& p = c.parser;
    if (p.isSet(QStringLiteral("nombre")))
        e.setNombre(p.value(QStringLiteral("nombre")));
    if (p.isSet(QStringLiteral("articulos")))
        e.setCodEmpresaArticulos(
            c.int16Arg(p.value(QStringLiteral("articulos")), QStringLiteral("--articulos")));
    for (int i = 0; i < 3; ++i) {
        const QString opt = QStringLiteral("nivel") + QString::number(i + 1);
        if (p.isSet(opt))
            e.setNombreNivel(i, p.value(opt));
    }
    if (p.isSet(QStringLiteral("ruta")))
        e.setRutaAplicacion(p.value(QStringLiteral("ruta")));
    for (const QString& kv : p.values(QStringLiteral("config"))) {
        const qsizetype eq = kv.indexOf(u'=');
        if (eq <= 0)
            usage(QStringLiteral("--config espera CLAVE=VALOR: ") + kv);
        e.setValorConfiguracion(kv.left(eq), kv.mid(eq + 1));
    }
    e.Guardar(*cn);
    out() << (exists ? "empresa modificada: " : "empresa creada: ") << code << '\n';
    return 0;
}

} // namespace orbenta::host
