// The agents' figures per month (ResumenAgentes.Cargar) over 100,000 day totals: 50
// agents, 2,000 days each, summed over the whole range, against the same GROUP BY sent
// straight through QtSql. The component's run checks that its rows are the baseline's.
#include "BenchSupport.h"

#include <ORBTAgentes.h>

namespace bench {

namespace {

constexpr int kAgentes = 50, kDias = 2000;
const QDate kDesde(2020, 1, 1);

BenchDatabase& database(BenchDatabase::Engine e) {
    return keptDatabase("resumen-" + std::to_string(int(e)), [e] {
        auto db = std::make_unique<BenchDatabase>(e, kAgentes);
        if (!db->available())
            return db;
        QSqlDatabase sql = db->cn->database();
        QSqlQuery q(sql);
        sql.transaction();
        q.prepare(QStringLiteral(
            "INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, Importe_Pvp, "
            "Importe_Costo, ComisionVenta, ComisionCobro) VALUES (1, ?, ?, ?, ?, ?, ?)"));
        qint64 k = 0;
        for (int a = 1; a <= kAgentes; ++a)
            for (int d = 0; d < kDias; ++d) {
                ++k;
                q.addBindValue(a - kAgentes / 2); // the agents' codes, as on file
                q.addBindValue(
                    QString(kDesde.addDays(d).toString(Qt::ISODate) + QStringLiteral("T00:00:00")));
                for (qint64 v : {(k * 7919) % 2000001, (k * 104729) % 1000001, (k * 31) % 10001,
                                 (k * 17) % 5001})
                    q.addBindValue(ORBTAgentes::Currency::fromScaled(v).toString());
                if (!q.exec())
                    qFatal("cannot fill the day totals: %s", qPrintable(q.lastError().text()));
            }
        sql.commit();
        return db;
    });
}

QString sentencia() {
    return ORBTAgentes::ResumenAgentes::sentencia(1, kDesde, kDesde.addDays(kDias));
}

void component(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = database(e);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    auto empresa = std::make_shared<ORBTEmp::Empresa>();
    empresa->setCodEmpresa(1);
    ORBTAgentes::SharedContext::setEmpresa(empresa);
    ORBTAgentes::SharedContext::setConexion(db.cn);
    ORBTAgentes::ResumenAgentes resumen;
    for (auto _ : state)
        resumen.Cargar(kDesde, kDesde.addDays(kDias));
    QSqlQuery q(db.cn->database());
    const int cells = rawQuery(q, ado::translate(sentencia(), db.cn->dialect()).text);
    if (cells != resumen.rowCount() * 8)
        state.SkipWithError("the component's rows are not the baseline's");
    state.counters["rows"] = resumen.rowCount();
}

void baseline(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = database(e);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    const QString sql = ado::translate(sentencia(), db.cn->dialect()).text;
    QSqlQuery q(db.cn->database());
    for (auto _ : state)
        benchmark::DoNotOptimize(rawQuery(q, sql));
}

} // namespace

void registerResumen() {
    for (auto e : {BenchDatabase::SQLite, BenchDatabase::PostgreSQL}) {
        const std::string row = std::string("ResumenAgentes.Cargar, 100000 day totals, ") +
                                (e == BenchDatabase::SQLite ? "SQLite" : "PostgreSQL");
        benchmark::RegisterBenchmark((row + "/component").c_str(), component, e)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((row + "/baseline").c_str(), baseline, e)
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace bench
