#include "InformeComisiones.h"

#include "frame/Errors.h"
#include "frame/SharedContext.h"
#include "frame/Values.h"

#include <ado/Connection.h>
#include <automation/AutomationError.h>
#include <empresa/Empresa.h>
#include <grid/OutlineModel.h>
#include <report/Report.h>
#include <utilidades/SqlLiteral.h>

namespace ORBTAgentes {

namespace {

const QString kTabla = QStringLiteral("Listado_Desc_Comis");
const QString kFuente = QStringLiteral("InformeComisiones::Preparar");

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

// The database a table's logon reaches, for a user to read.
QString nombreDe(const QString& baseDatos) {
    return baseDatos.isEmpty() ? QStringLiteral("(ninguna: valores sin configurar)")
                               : QStringLiteral("«") + baseDatos + QStringLiteral("»");
}

// The report must read the database this connection writes: otherwise it would show
// rows some other print wrote (a copied file, a database made from a template, a company
// whose values were never set). Refused before anything is written.
void mismaBase(report::Report& r, const ado::Connection& cn, const ORBTEmp::Empresa& empresa,
               const QString& fuente) {
    const QString nuestra = report::databaseOf(cn.ConnectionString());
    report::Tables& tablas = r.Database().Tables();
    for (int i = 1; i <= tablas.Count(); ++i) {
        const QString suya = report::databaseOf(tablas.Item(i).ConnectionString());
        if (suya.isEmpty() || suya != nuestra)
            throw automation::AutomationError(
                rt::InvalidCall, fuente,
                QStringLiteral("La configuración de informes de la empresa ") +
                    QString::number(empresa.CodEmpresa()) +
                    QStringLiteral(" (ODBCNombre, ODBCBaseDatos) apunta a la base de datos ") +
                    nombreDe(suya) + QStringLiteral(", pero la conexión actual es ") +
                    nombreDe(nuestra) +
                    QStringLiteral(". No se ha impreso nada. Ajústela a la conexión actual "
                                   "(orbenta empresa informes ") +
                    QString::number(empresa.CodEmpresa()) + QStringLiteral(")."));
    }
}

struct Cerrojo {
    ado::Connection& cn;
    explicit Cerrojo(ado::Connection& c) : cn(c) {}
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

int InformeComisiones::esperaMaxima = 60000;

void InformeComisiones::Conectar(report::Report& r, const QString& fuente) {
    const std::shared_ptr<ORBTEmp::Empresa> empresa = SharedContext::empresa();
    conectar(r, *empresa);
    mismaBase(r, *SharedContext::conexion(), *empresa, fuente);
}

QVector<QStringList> InformeComisiones::Llenar(const grid::OutlineModel& filas) {
    ado::Connection& cn = *SharedContext::conexion();
    QVector<QStringList> escritas;
    escritas.reserve(filas.Rows());
    ado::Transaction t(cn);
    cn.Execute(QStringLiteral("TRUNCATE TABLE Listado_Desc_Comis"));
    for (int i = 0; i < filas.Rows(); ++i) {
        // A NUL, a line break or a tab inside a name would stop the statement or break
        // the row's indent: each is written as the blank the sheet prints it as.
        const QString e = QString(toInteger(QVariant(filas.TextMatrix(i, 7))), u'\t') +
                          report::printable(filas.TextMatrix(i, 3));
        const QString p = report::printable(filas.TextMatrix(i, 10));
        cn.Execute(QStringLiteral("INSERT INTO Listado_Desc_Comis (Elemento,Porcentaje) VALUES ") +
                   u'(' + utilidades::sqlQuoted(e) + u',' + utilidades::sqlQuoted(p) + u')');
        escritas.push_back({e, p});
    }
    t.Commit();
    return escritas;
}

std::shared_ptr<report::Report>
InformeComisiones::Preparar(const grid::OutlineModel& filas, qint16 agente, const QString& nombre,
                            const std::function<void(const QString&)>& aviso) {
    const std::shared_ptr<ORBTEmp::Empresa> empresa = SharedContext::empresa();
    const std::shared_ptr<ado::Connection> cn = SharedContext::conexion();
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
    mismaBase(*r, *cn, *empresa, kFuente);
    mismaBase(sub, *cn, *empresa, kFuente);

    if (!cn->LockNamed(kTabla, esperaMaxima, [&] {
            if (aviso)
                aviso(QStringLiteral("Esperando a que termine otra impresión..."));
        }))
        throw automation::AutomationError(
            rt::InvalidCall, kFuente,
            QStringLiteral("Otra impresión de la hoja de comisiones sigue en curso después de ") +
                QString::number((esperaMaxima + 999) / 1000) +
                QStringLiteral(" segundos. No se ha impreso nada; inténtelo más tarde."));
    Cerrojo cerrojo(*cn);
    const QVector<QStringList> escritas = Llenar(filas);
    // Before the lock goes: the rows are this print's, in the order they were written
    // (the table need not keep any).
    r->arrangeRows(escritas);
    return r;
}

} // namespace ORBTAgentes
