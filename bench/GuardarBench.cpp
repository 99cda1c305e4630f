// clsAgente saving and the article accumulator against QtSql sending the same texts,
// each inside one transaction of the host.
#include "BenchSupport.h"

#include <ORBTAgentes.h>
#include <QDateTime>

namespace bench {

namespace {

constexpr int kAgents = 30000;
constexpr int kKeys = 1000;

QString artUpdate(int article, const QString& pvp, const QString& cost) {
    return QStringLiteral("UPDATE Agentes_Acumulados_Articulos SET Importe_Pvp = Importe_Pvp + ") +
           pvp + QStringLiteral(" ,Importe_Costo = Importe_Costo + ") + cost +
           QStringLiteral(" WHERE Cod_Empresa =1 AND Cod_Almacen =1 AND Fecha "
                          "='2026-05-04T00:00:00' AND Cod_Agente "
                          "=7 AND Cod_Articulo=") +
           QString::number(article);
}
QString artInsert(int article, const QString& pvp, const QString& cost) {
    return QStringLiteral(
               "INSERT INTO Agentes_Acumulados_Articulos (Cod_Empresa, Cod_Almacen, Fecha,  "
               "Cod_Articulo, "
               "Cod_Agente, Importe_Pvp, Importe_Costo) VALUES (1, 1, '2026-05-04T00:00:00', ") +
           QString::number(article) + QStringLiteral(", 7, ") + pvp + QStringLiteral(", ") + cost +
           QStringLiteral(")");
}
ORBTAgentes::Currency amount(int i) {
    return ORBTAgentes::Currency::fromScaled(qint64(i % 9973) * 25 + 5000);
}

void accumulateComponent(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = sharedDatabase(e, kAgents);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    auto empresa = std::make_shared<ORBTEmp::Empresa>();
    empresa->setCodEmpresa(1);
    ORBTAgentes::clsAgente a;
    a.ConexionOrbenta(db.cn);
    a.EmpresaOrbenta(empresa);
    const QDateTime day = ORBTAgentes::naive(QDate(2026, 5, 4), QTime(0, 0));
    db.cn->BeginTrans();
    int i = 0;
    for (auto _ : state) {
        const ORBTAgentes::Currency pvp = amount(i);
        a.Acum_Venta_Art(1, day, 1 + i % kKeys, 7, pvp, -pvp);
        ++i;
    }
    db.cn->RollbackTrans();
}

void accumulateBaseline(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = sharedDatabase(e, kAgents);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    db.cn->BeginTrans();
    QSqlQuery q(db.cn->database());
    q.setForwardOnly(true);
    int i = 0;
    for (auto _ : state) {
        const ORBTAgentes::Currency pvp = amount(i);
        const QString p = utilidades::sqlNumber(pvp.toDouble()),
                      c = utilidades::sqlNumber(-pvp.toDouble());
        const int article = 1 + i % kKeys;
        if (rawQuery(q, artUpdate(article, p, c)) == 0)
            rawQuery(q, artInsert(article, p, c));
        ++i;
    }
    db.cn->RollbackTrans();
}

QString modificarText(const ORBTAgentes::clsAgente& a) {
    return QStringLiteral("UPDATE Agentes SET Nombre ='") + a.Nombre +
           QStringLiteral(
               "', Direccion ='C/ Mayor, 1', Cp =48001, Localidad ='Bilbao', Provincia ='Bizkaia', "
               "Telefono ='944000000', Fax ='', Movil ='600000000', EMail ='a@x.es', Almacen =1, "
               "Bloqueado =0, Bloq_Fecha ='1899-12-30T00:00:00', Bloq_Motivo ='', ComisVentas =") +
           utilidades::sqlNumber(a.ComisionVenta.toDouble()) +
           QStringLiteral(
               ", ComisCobros =2, Retencion_IRPF =15, NoImpLiquidacion =0, Password ='clave', "
               "Cta_Bancaria ='00490000000000000000', Observ ='', Enviado =0 WHERE Codigo =") +
           QString::number(a.Codigo);
}

ORBTAgentes::clsAgente agentFor(int i) {
    ORBTAgentes::clsAgente a;
    a.Codigo = qint16((i * 7919) % kAgents - kAgents / 2);
    a.Nombre = QStringLiteral("Agente %1").arg(i);
    a.Direccion = QStringLiteral("C/ Mayor, 1");
    a.Cp = 48001;
    a.Localidad = QStringLiteral("Bilbao");
    a.Provincia = QStringLiteral("Bizkaia");
    a.Telefono = QStringLiteral("944000000");
    a.Movil = QStringLiteral("600000000");
    a.eMail = QStringLiteral("a@x.es");
    a.Almacen = 1;
    a.ComisionVenta = ORBTAgentes::Currency::fromScaled(25000 + i % 100);
    a.ComisionCobro = ORBTAgentes::Currency::fromScaled(20000);
    a.Retencion_IRPF = ORBTAgentes::Currency::fromScaled(150000);
    a.Password = QStringLiteral("clave");
    a.Cta_Bancaria = QStringLiteral("00490000000000000000");
    return a;
}

void modificarComponent(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = sharedDatabase(e, kAgents);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    ORBTAgentes::clsAgente context;
    context.ConexionOrbenta(db.cn);
    db.cn->BeginTrans();
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ORBTAgentes::clsAgente a = agentFor(i++);
        state.ResumeTiming();
        a.Modificar();
    }
    db.cn->RollbackTrans();
}

void modificarBaseline(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = sharedDatabase(e, kAgents);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    db.cn->BeginTrans();
    QSqlQuery q(db.cn->database());
    q.setForwardOnly(true);
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ORBTAgentes::clsAgente a = agentFor(i++);
        state.ResumeTiming();
        rawQuery(q, modificarText(a));
    }
    db.cn->RollbackTrans();
}

} // namespace

void registerGuardar() {
    for (auto e : {BenchDatabase::SQLite, BenchDatabase::PostgreSQL}) {
        const std::string eng = e == BenchDatabase::SQLite ? "SQLite" : "PostgreSQL";
        const std::string acc =
            "clsAgente.Acum_Venta_Art x100000, 1000 keys, 1 transaction, " + eng;
        benchmark::RegisterBenchmark((acc + "/component").c_str(), accumulateComponent, e)
            ->Unit(benchmark::kMicrosecond)
            ->Iterations(e == BenchDatabase::SQLite ? 100000 : 20000);
        benchmark::RegisterBenchmark((acc + "/baseline").c_str(), accumulateBaseline, e)
            ->Unit(benchmark::kMicrosecond)
            ->Iterations(e == BenchDatabase::SQLite ? 100000 : 20000);
        const std::string mod = "clsAgente.Modificar x10000, 1 transaction, " + eng;
        benchmark::RegisterBenchmark((mod + "/component").c_str(), modificarComponent, e)
            ->Unit(benchmark::kMicrosecond)
            ->Iterations(10000);
        benchmark::RegisterBenchmark((mod + "/baseline").c_str(), modificarBaseline, e)
            ->Unit(benchmark::kMicrosecond)
            ->Iterations(10000);
    }
}

} // namespace bench
