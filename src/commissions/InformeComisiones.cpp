#include "InformeComisiones.h"

#include "frame/SharedContext.h"
#include "frame/Values.h"

#include <ado/Connection.h>
#include <empresa/Empresa.h>
#include <grid/OutlineModel.h>
#include <report/Report.h>
#include <utilidades/SqlLiteral.h>

namespace ORBTAgentes {

namespace {

const QString kTabla = QStringLiteral("Listado_Desc_Comis");

// Logon and location of every table of a report, as the suite's reports get them.
void conectar(report::Report& r, const ORBTEmp::Empresa& empresa) {
    report::Tables& tablas = r.Database().Tables();
    const int n = tablas.Count();
    for (int i = 1; i <= n; ++i) {
        report::DatabaseTable& t = tablas.Item(i);
        t.SetLogOnInfo(empresa.ValorConfiguracion(QStringLiteral("ODBCNombre")),
                       empresa.ValorConfiguracion(QStringLiteral("ODBCBaseDatos")),
                       empresa.ValorConfiguracion(QStringLiteral("ODBCUsuario")),
                       empresa.ValorConfiguracion(QStringLiteral("ODBCPassword")));
        t.setLocation(empresa.ValorConfiguracion(QStringLiteral("ODBCBaseDatos")) +
                      QStringLiteral(".dbo.") + t.Name());
    }
}

struct Cerrojo {
    ado::Connection& cn;
    explicit Cerrojo(ado::Connection& c) : cn(c) { cn.LockNamed(kTabla); }
    ~Cerrojo() {
        try {
            cn.UnlockNamed(kTabla);
        } catch (...) {
            // the failure that brought us here is the one to report
        }
    }
    Cerrojo(const Cerrojo&) = delete;
    Cerrojo& operator=(const Cerrojo&) = delete;
};

} // namespace

void InformeComisiones::Llenar(const grid::OutlineModel& filas) {
    ado::Connection& cn = *SharedContext::conexion();
    ado::Transaction t(cn);
    cn.Execute(QStringLiteral("TRUNCATE TABLE Listado_Desc_Comis"));
    for (int i = 0; i < filas.Rows(); ++i) {
        const QString e =
            QString(toInteger(QVariant(filas.TextMatrix(i, 7))), u'\t') + filas.TextMatrix(i, 3);
        const QString p = filas.TextMatrix(i, 10);
        cn.Execute(QStringLiteral("INSERT INTO Listado_Desc_Comis (Elemento,Porcentaje) VALUES ") +
                   u'(' + utilidades::sqlQuoted(e) + u',' + utilidades::sqlQuoted(p) + u')');
    }
    t.Commit();
}

std::shared_ptr<report::Report> InformeComisiones::Preparar(const grid::OutlineModel& filas,
                                                            qint16 agente, const QString& nombre) {
    const std::shared_ptr<ORBTEmp::Empresa> empresa = SharedContext::empresa();
    Cerrojo cerrojo(*SharedContext::conexion());
    Llenar(filas);
    std::shared_ptr<report::Report> r = report::Report::open(
        empresa->RutaAplicacion() + QStringLiteral("\\Rpt\\Descuentos y Comisiones.rpt"));
    conectar(*r, *empresa);
    r->ParameterFields().Item(1).AddCurrentValue(QStringLiteral("Comisiones por Agente"));
    r->ParameterFields().Item(2).AddCurrentValue(QStringLiteral("Comisión"));
    r->ParameterFields().Item(3).AddCurrentValue(QString(
        QStringLiteral("AGENTE: ") + QString::number(agente) + QStringLiteral(" - ") + nombre));
    report::Report& sub = r->OpenSubreport(QStringLiteral("Empresa.rpt"));
    sub.ParameterFields().Item(1).AddCurrentValue(empresa->CodEmpresa());
    conectar(sub, *empresa);
    r->setPaperOrientation(1);
    r->ReadRecords(); // before the lock goes: the rows are this print's
    return r;
}

} // namespace ORBTAgentes
