// A long run of clsAgente.AcumularVenta on one day row (a million amounts on SQLite, a
// sample on the server) against QtSql sending the same statements. The component's run
// ends by checking that the day totals are the exact decimal sums: no drift over a run
// far longer than any business day's.
#include "BenchSupport.h"

#include <ORBTAgentes.h>
#include <QDateTime>

namespace bench {

namespace {

using ORBTAgentes::Currency;

// Amounts of every size and sign, in ten-thousandths: cents, tenths of a cent, whole
// thousands.
struct Mixed {
    quint64 seed = 20261206;
    qint64 next() {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return qint64(seed >> 33);
    }
    std::pair<qint64, qint64> amounts(int i) {
        const qint64 a = next() % 200000000 - 100000000;
        const qint64 b = (i % 3 == 0) ? (next() % 2000 - 1000) * 100 : next() % 20 - 10;
        return {a, b};
    }
};

const char* kUpdate = "UPDATE Agentes_Acumulados SET Importe_Pvp = Importe_Pvp + ";

BenchDatabase& database(BenchDatabase::Engine e) {
    return keptDatabase("acumular-" + std::to_string(int(e)),
                        [e] { return std::make_unique<BenchDatabase>(e, 0); });
}

void component(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = database(e);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    auto empresa = std::make_shared<ORBTEmp::Empresa>();
    empresa->setCodEmpresa(1);
    ORBTAgentes::clsAgente a;
    a.ConexionOrbenta(db.cn);
    a.EmpresaOrbenta(empresa);
    db.cn->Execute(QStringLiteral("DELETE FROM Agentes_Acumulados"));
    const QDateTime day = ORBTAgentes::naive(QDate(2026, 3, 2), QTime(0, 0));
    Mixed mixed;
    qint64 pvp = 0, cost = 0;
    int i = 0;
    db.cn->BeginTrans();
    for (auto _ : state) {
        const auto [p, c] = mixed.amounts(i++);
        a.AcumularVenta(7, day, Currency::fromScaled(p), Currency::fromScaled(c));
        pvp += p;
        cost += c;
    }
    db.cn->CommitTrans();
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Importe_Pvp, Importe_Costo FROM Agentes_Acumulados"), *db.cn);
    if (rs.Eof() || ORBTAgentes::toCurrency(rs.Fields(0)) != Currency::fromScaled(pvp) ||
        ORBTAgentes::toCurrency(rs.Fields(1)) != Currency::fromScaled(cost))
        state.SkipWithError("the day totals drifted from the exact decimal sums");
}

void baseline(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = database(e);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    db.cn->Execute(QStringLiteral("DELETE FROM Agentes_Acumulados"));
    db.cn->Execute(QStringLiteral("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, "
                                  "Fecha) VALUES (1, 7, '2026-03-02T00:00:00')"));
    Mixed mixed;
    int i = 0;
    db.cn->BeginTrans();
    QSqlQuery q(db.cn->database());
    for (auto _ : state) {
        const auto [p, c] = mixed.amounts(i++);
        rawQuery(q, QLatin1String(kUpdate) + Currency::fromScaled(p).toString() +
                        QStringLiteral(" ,Importe_Costo = Importe_Costo + ") +
                        Currency::fromScaled(c).toString() +
                        QStringLiteral(" WHERE Cod_Empresa =1 AND Cod_Agente =7 AND Fecha "
                                       "='2026-03-02T00:00:00'"));
    }
    db.cn->CommitTrans();
}

} // namespace

void registerAcumular() {
    for (auto e : {BenchDatabase::SQLite, BenchDatabase::PostgreSQL}) {
        const bool embedded = e == BenchDatabase::SQLite;
        const int count = embedded ? 1000000 : 5000;
        const std::string row = "clsAgente.AcumularVenta, " + std::to_string(count) +
                                " amounts on one day, " + (embedded ? "SQLite" : "PostgreSQL");
        benchmark::RegisterBenchmark((row + "/component").c_str(), component, e)
            ->Iterations(count)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((row + "/baseline").c_str(), baseline, e)
            ->Iterations(count)
            ->Unit(benchmark::kMicrosecond);
    }
}

} // namespace bench
