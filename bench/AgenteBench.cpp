// clsAgente loading against QtSql sending the same statements and reading every column.
#include "BenchSupport.h"

#include <ORBTAgentes.h>

namespace bench {

namespace {

constexpr int kAgents = 30000;

qint16 codeAt(int i) {
    return qint16((i * 7919) % kAgents - kAgents / 2);
}

QString cargarText(qint16 code) {
    return QStringLiteral("SELECT * FROM Agentes WHERE Codigo =") + QString::number(code);
}

QString siguienteText(qint16 code) {
    return QStringLiteral("SELECT * FROM Agentes WHERE Codigo IN (SELECT TOP 1 Codigo FROM Agentes "
                          "WHERE Codigo > ") +
           QString::number(code) + QStringLiteral(" ORDER BY Codigo ASC)");
}

void component(benchmark::State& state, BenchDatabase::Engine e, bool siguiente) {
    BenchDatabase& db = sharedDatabase(e, kAgents);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    ORBTAgentes::clsAgente a;
    a.ConexionOrbenta(db.cn);
    int i = 0;
    for (auto _ : state) {
        a.Codigo = codeAt(i++);
        benchmark::DoNotOptimize(siguiente ? a.Cargar_Siguiente() : a.Cargar());
    }
}

void baseline(benchmark::State& state, BenchDatabase::Engine e, bool siguiente) {
    BenchDatabase& db = sharedDatabase(e, kAgents);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    QSqlQuery q(db.cn->database());
    q.setForwardOnly(true);
    int i = 0;
    for (auto _ : state) {
        const qint16 code = codeAt(i++);
        rawQuery(q, native(*db.cn, siguiente ? siguienteText(code) : cargarText(code)));
    }
}

} // namespace

void registerAgente() {
    for (auto e : {BenchDatabase::SQLite, BenchDatabase::PostgreSQL}) {
        const std::string eng = e == BenchDatabase::SQLite ? "SQLite" : "PostgreSQL";
        for (bool sig : {false, true}) {
            const std::string row = std::string("clsAgente.") +
                                    (sig ? "Cargar_Siguiente" : "Cargar") + ", 30000 agents, " +
                                    eng;
            benchmark::RegisterBenchmark((row + "/component").c_str(), component, e, sig)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark((row + "/baseline").c_str(), baseline, e, sig)
                ->Unit(benchmark::kMicrosecond);
        }
    }
}

} // namespace bench
