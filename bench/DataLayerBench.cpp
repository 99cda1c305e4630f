// The data layer against QtSql: a primary-key lookup and the update-then-insert pair of
// the accumulators, with and without the statement cache.
#include "BenchSupport.h"

#include <map>

namespace bench {

namespace {

constexpr int kAgents = 30000;

BenchDatabase& database(BenchDatabase::Engine e) {
    return sharedDatabase(e, kAgents);
}

QString lookup(int i) {
    return QStringLiteral("SELECT * FROM Agentes WHERE Codigo =") +
           QString::number((i * 7919) % kAgents - kAgents / 2);
}

// A new key each call, so the UPDATE finds nothing and the INSERT runs.
QStringList upsert(qint64 i) {
    const QString date = QStringLiteral("2026-%1-%2T00:00:00")
                             .arg(1 + i / 28 % 12, 2, 10, QLatin1Char('0'))
                             .arg(1 + i % 28, 2, 10, QLatin1Char('0'));
    const QString agent = QString::number(i / 336 % 30000);
    const QString emp = QString::number(1 + i / (336 * 30000));
    return {QStringLiteral("UPDATE Agentes_Acumulados SET Importe_Pvp = Importe_Pvp + 12.5 "
                           ",Importe_Costo = Importe_Costo + 7.25 WHERE Cod_Empresa =") +
                emp + QStringLiteral(" AND Cod_Agente =") + agent +
                QStringLiteral(" AND Fecha ='") + date + u'\'',
            QStringLiteral("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, "
                           "Importe_Pvp, Importe_Costo) VALUES (") +
                emp + QStringLiteral(", ") + agent + QStringLiteral(", '") + date +
                QStringLiteral("', 12.5, 7.25)")};
}

void lookupComponent(benchmark::State& state, BenchDatabase::Engine e, bool cache) {
    BenchDatabase& db = database(e);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    db.cn->setStatementCacheSize(cache ? 128 : 0);
    int i = 0;
    for (auto _ : state) {
        ado::Recordset rs;
        rs.Open(lookup(i++), *db.cn, ado::adOpenStatic, ado::adLockReadOnly);
        readAll(rs);
        rs.Close();
    }
    db.cn->setStatementCacheSize(128);
}

void lookupBaseline(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = database(e);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    QSqlQuery q(db.cn->database());
    q.setForwardOnly(true);
    int i = 0;
    for (auto _ : state)
        rawQuery(q, lookup(i++));
}

void upsertComponent(benchmark::State& state, BenchDatabase::Engine e, bool cache) {
    BenchDatabase& db = database(e);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    db.cn->setStatementCacheSize(cache ? 128 : 0);
    db.cn->BeginTrans();
    qint64 i = 0;
    for (auto _ : state) {
        const QStringList s = upsert(i++);
        qint32 n = 0;
        db.cn->Execute(s[0], &n);
        if (n == 0)
            db.cn->Execute(s[1], &n);
    }
    db.cn->RollbackTrans();
    db.cn->setStatementCacheSize(128);
}

void upsertBaseline(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = database(e);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    db.cn->BeginTrans();
    QSqlQuery q(db.cn->database());
    q.setForwardOnly(true);
    qint64 i = 0;
    for (auto _ : state) {
        const QStringList s = upsert(i++);
        if (rawQuery(q, s[0]) == 0)
            rawQuery(q, s[1]);
    }
    db.cn->RollbackTrans();
}

} // namespace

void registerDataLayer() {
    for (auto e : {BenchDatabase::SQLite, BenchDatabase::PostgreSQL}) {
        const std::string eng = e == BenchDatabase::SQLite ? "SQLite" : "PostgreSQL";
        for (bool cache : {true, false}) {
            const std::string how = cache ? "statement cache" : "text";
            benchmark::RegisterBenchmark(
                ("ado pk lookup, " + eng + ", " + how + "/component").c_str(), lookupComponent, e,
                cache)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(
                ("ado pk lookup, " + eng + ", " + how + "/baseline").c_str(), lookupBaseline, e)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(
                ("ado update+insert, " + eng + ", " + how + "/component").c_str(), upsertComponent,
                e, cache)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(
                ("ado update+insert, " + eng + ", " + how + "/baseline").c_str(), upsertBaseline, e)
                ->Unit(benchmark::kMicrosecond);
        }
    }
}

} // namespace bench
