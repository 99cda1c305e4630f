// Dev_Comision_Activa at its worst (all eight steps run, nothing found) and its best
// (the first step answers), over 10,000 and 1,000,000 rules, against QtSql running
// the same eight statements one after the other. On PostgreSQL the component sends the
// steps in one pipeline; it is also measured one by one, and both again through a relay
// that makes the server 1 ms away, and through a PgBouncer in transaction pooling.
#include "BenchSupport.h"
#include "DelayProxy.h"

#include <ORBTAgentes.h>
#include <map>

namespace bench {

namespace {

std::unique_ptr<BenchDatabase> makeRulesDatabase(BenchDatabase::Engine e, int rules);

// A database with `rules` rules of agents 1..2000 over a three-level catalogue; agent
// 7 has a rule for article 4242.
BenchDatabase& rulesDatabase(BenchDatabase::Engine e, int rules) {
    return keptDatabase("rules-" + std::to_string(int(e)) + "-" + std::to_string(rules),
                        [&] { return makeRulesDatabase(e, rules); });
}

std::unique_ptr<BenchDatabase> makeRulesDatabase(BenchDatabase::Engine e, int rules) {
    auto db = std::make_unique<BenchDatabase>(e, 0);
    if (!db->available())
        return db;
    QSqlQuery q(db->cn->database());
    const QString series =
        e == BenchDatabase::SQLite
            ? QStringLiteral("WITH RECURSIVE s(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM s "
                             "WHERE x < %1) SELECT x FROM s")
            : QStringLiteral("SELECT x FROM generate_series(1, %1) AS s(x)");
    // Levels 1 to 4 in turn; families and articles spread over the catalogue.
    const QString insert = QStringLiteral("INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, "
                                          "Cod_Agente, Comision, Cod_Articulo, Familia_1, "
                                          "Familia_2, Familia_3) SELECT 1 + x %% 4, 1, 1 + x %% "
                                          "2000, (x %% 50) * 0.5, CASE WHEN x %% 4 = 3 THEN x ELSE "
                                          "0 END, 1 + x %% 40, CASE WHEN x %% 4 >= 1 THEN 1 + x %% "
                                          "7 ELSE 0 END, CASE WHEN x %% 4 >= 2 THEN 1 + x %% 5 "
                                          "ELSE 0 END FROM (%1) t");
    if (!q.exec(QString(insert)
                    .replace(QStringLiteral("%%"), QStringLiteral("%"))
                    .arg(series.arg(rules))))
        qFatal("rules: %s", qPrintable(q.lastError().text()));
    q.exec(QStringLiteral(
        "INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, Cod_Agente, Comision, Cod_Articulo, "
        "Familia_1, Familia_2, Familia_3) VALUES (4, 1, 7, 12.5, 4242, 3, 2, 1)"));
    q.exec(e == BenchDatabase::SQLite ? QStringLiteral("ANALYZE")
                                      : QStringLiteral("ANALYZE Agentes_Comisiones"));
    return db;
}

struct Ask {
    qint16 agent;
    qint32 article;
};

// How the component reaches the server: its reads in one pipeline or one by one, on
// the loopback address or through the 1 ms relay, or through a PgBouncer in
// transaction pooling.
struct Link {
    bool pipelined = true;
    bool far = false;
    bool pooled = false;
};

// The benchmark database's schema ("" on SQLite).
QString schemaOf(const BenchDatabase& db) {
    return db.cn->ConnectionString().section(QStringLiteral("Schema="), 1).section(u';', 0, 0);
}

// A connection to the benchmark database through the pooler (kept for the run); null
// when no pooler is configured.
std::shared_ptr<ado::Connection> pooledConnection(BenchDatabase& db) {
    static std::map<BenchDatabase*, std::shared_ptr<ado::Connection>> pooled;
    auto& cn = pooled[&db];
    QString cs = qEnvironmentVariable("ORBENTA_BENCH_PGBOUNCER");
    if (cs.isEmpty())
        cs = qEnvironmentVariable("ORBENTA_TEST_PGBOUNCER");
    if (!cn && !cs.isEmpty()) {
        cn = std::make_shared<ado::Connection>();
        cn->Open(cs + QStringLiteral(";Schema=") + schemaOf(db));
    }
    return cn;
}

// The benchmark database's connection, or one through the relay (kept for the run).
std::shared_ptr<ado::Connection> connectionFor(BenchDatabase& db, bool far) {
    if (!far)
        return db.cn;
    static std::map<BenchDatabase*,
                    std::pair<std::unique_ptr<DelayProxy>, std::shared_ptr<ado::Connection>>>
        relays;
    auto& relay = relays[&db];
    if (!relay.second) {
        QString host = QStringLiteral("127.0.0.1");
        int port = 5432;
        for (const QString& part : db.cn->ConnectionString().split(u';', Qt::SkipEmptyParts)) {
            const QString key = part.section(u'=', 0, 0).trimmed().toLower();
            if (key == u"server" || key == u"host")
                host = part.section(u'=', 1).trimmed();
            else if (key == u"port")
                port = part.section(u'=', 1).trimmed().toInt();
        }
        relay.first = std::make_unique<DelayProxy>(host, port, std::chrono::microseconds(1000));
        relay.second = std::make_shared<ado::Connection>();
        relay.second->Open(relay.first->through(db.cn->ConnectionString()));
    }
    return relay.second;
}
const Ask kWorst{5000, 999999999}; // no rule of its own, no general rule matches
const Ask kBest{7, 4242};

void component(benchmark::State& state, BenchDatabase::Engine e, int rules, Ask ask, Link link) {
    BenchDatabase& db = rulesDatabase(e, rules);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    auto empresa = std::make_shared<ORBTEmp::Empresa>();
    empresa->setCodEmpresa(1);
    empresa->setNombreNivel(0, QStringLiteral("Familia"));
    empresa->setNombreNivel(1, QStringLiteral("Subfamilia"));
    empresa->setNombreNivel(2, QStringLiteral("Grupo"));
    const std::shared_ptr<ado::Connection> cn =
        link.pooled ? pooledConnection(db) : connectionFor(db, link.far);
    if (!cn)
        return state.SkipWithError("no PgBouncer configured");
    cn->setPipelining(link.pipelined);
    ORBTAgentes::clsComision_Familias r;
    r.ConexionOrbenta(cn);
    r.EmpresaOrbenta(empresa);
    r.Agente = ask.agent;
    r.Nivel = 4;
    r.Articulo = ask.article;
    r.Familia_1 = ask.agent == kWorst.agent ? 99 : 3;
    r.Familia_2 = ask.agent == kWorst.agent ? 99 : 2;
    r.Familia_3 = ask.agent == kWorst.agent ? 99 : 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(r.Dev_Comision_Activa());
    cn->setPipelining(true);
}

void baseline(benchmark::State& state, BenchDatabase::Engine e, int rules, Ask ask, Link link) {
    BenchDatabase& db = rulesDatabase(e, rules);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    const QString f = ask.agent == kWorst.agent ? QStringLiteral("99") : QString();
    const QString f1 = f.isEmpty() ? QStringLiteral("3") : f,
                  f2 = f.isEmpty() ? QStringLiteral("2") : f,
                  f3 = f.isEmpty() ? QStringLiteral("1") : f;
    // Behind the pooler a session keeps no search path: the table is named with its schema.
    const std::shared_ptr<ado::Connection> cn =
        link.pooled ? pooledConnection(db) : connectionFor(db, link.far);
    if (!cn)
        return state.SkipWithError("no PgBouncer configured");
    const QString base = QStringLiteral(" SELECT Comision FROM ") +
                         (link.pooled ? schemaOf(db) + u'.' : QString()) +
                         QStringLiteral("Agentes_Comisiones WHERE Cod_Empresa = 1");
    QStringList texts;
    for (const QString& agent : {QString::number(ask.agent), QStringLiteral("0")}) {
        texts << base + QStringLiteral(" AND Cod_Agente=") + agent +
                     QStringLiteral(" AND Nivel=4 AND Cod_Articulo=") + QString::number(ask.article)
              << base + QStringLiteral(" AND Cod_Agente=") + agent +
                     QStringLiteral(" AND Nivel=3 AND Familia_3=") + f3 +
                     QStringLiteral(" AND Familia_2=") + f2 + QStringLiteral(" AND Familia_1=") + f1
              << base + QStringLiteral(" AND Cod_Agente=") + agent +
                     QStringLiteral(" AND Nivel=2 AND Familia_3=0 AND Familia_2=") + f2 +
                     QStringLiteral(" AND Familia_1=") + f1
              << base + QStringLiteral(" AND Cod_Agente=") + agent +
                     QStringLiteral(" AND Nivel=1 AND Familia_3=0 AND Familia_2=0 AND Familia_1=") +
                     f1;
    }
    QSqlQuery q(cn->database());
    q.setForwardOnly(true);
    for (auto _ : state)
        for (const QString& t : texts) {
            q.exec(t);
            if (q.next() && q.value(0).toDouble() > -1)
                break;
        }
}

} // namespace

void registerComision() {
    const auto add = [](const std::string& row, BenchDatabase::Engine e, int rules, Ask ask,
                        Link link) {
        benchmark::RegisterBenchmark((row + "/component").c_str(), component, e, rules, ask, link)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((row + "/baseline").c_str(), baseline, e, rules, ask, link)
            ->Unit(benchmark::kMicrosecond);
    };
    for (auto e : {BenchDatabase::SQLite, BenchDatabase::PostgreSQL})
        for (int rules : {10000, 1000000})
            for (bool worst : {true, false}) {
                const std::string row = std::string("Dev_Comision_Activa ") +
                                        (worst ? "worst (8 steps)" : "best (step 1)") + ", " +
                                        std::to_string(rules) + " rules, " +
                                        (e == BenchDatabase::SQLite ? "SQLite" : "PostgreSQL");
                add(row, e, rules, worst ? kWorst : kBest, Link{});
            }
    // The pipeline against the same reads one by one, here and 1 ms away.
    const std::string worst = "Dev_Comision_Activa worst (8 steps), 10000 rules, PostgreSQL";
    add(worst + " one by one", BenchDatabase::PostgreSQL, 10000, kWorst, Link{false, false});
    add(worst + " 1 ms away", BenchDatabase::PostgreSQL, 10000, kWorst, Link{true, true});
    add(worst + " 1 ms away, one by one", BenchDatabase::PostgreSQL, 10000, kWorst,
        Link{false, true});
    add("Dev_Comision_Activa best (step 1), 10000 rules, PostgreSQL 1 ms away",
        BenchDatabase::PostgreSQL, 10000, kBest, Link{true, true});
    // Through a PgBouncer in transaction pooling (nothing prepared on the server there).
    add(worst + " via PgBouncer", BenchDatabase::PostgreSQL, 10000, kWorst,
        Link{true, false, true});
    add("Dev_Comision_Activa best (step 1), 10000 rules, PostgreSQL via PgBouncer",
        BenchDatabase::PostgreSQL, 10000, kBest, Link{true, false, true});
}

} // namespace bench
