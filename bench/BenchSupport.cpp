#include "BenchSupport.h"

#include "Database.h"

#include <QCoreApplication>
#include <map>

namespace bench {

QString BenchDatabase::postgresConnectionString() {
    const QString b = qEnvironmentVariable("ORBENTA_BENCH_PG");
    return b.isEmpty() ? qEnvironmentVariable("ORBENTA_TEST_PG") : b;
}

BenchDatabase::BenchDatabase(Engine engine, int agents) {
    QString cs;
    if (engine == SQLite) {
        cs = QStringLiteral("Driver=SQLite;Database=") + dir_.path() + QStringLiteral("/bench.db");
        ado::Connection::CreateDatabase(cs);
    } else {
        if (postgresConnectionString().isEmpty())
            return;
        // A schema of its own: the databases of a run live side by side, every round
        // reads each again.
        static int made = 0;
        schema_ = QStringLiteral("bench_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
        ado::Connection admin;
        admin.Open(postgresConnectionString());
        admin.Execute(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema_));
        admin.Execute(QStringLiteral("CREATE SCHEMA %1").arg(schema_));
        cs = postgresConnectionString() + QStringLiteral(";Schema=") + schema_;
    }
    cn = std::make_shared<ado::Connection>();
    cn->Open(cs);
    orbenta::db::createSchema(*cn, false);
    cn->BeginTrans();
    for (int code = 1; code <= agents; ++code)
        cn->Execute(QStringLiteral(
                        "INSERT INTO Agentes (Codigo, Nombre, Direccion, Cp, Localidad, Provincia, "
                        "Telefono, Fax, Movil, EMail, Almacen, Bloqueado, Bloq_Fecha, Bloq_Motivo, "
                        "ComisVentas, ComisCobros, Retencion_IRPF, NoImpLiquidacion, Password, "
                        "Cta_Bancaria, Observ) VALUES (%1, 'Agente %1', 'C/ Mayor, %1', 48001, "
                        "'Bilbao', 'Bizkaia', '944000000', '', '600000000', 'a%1@x.es', 1, 0, "
                        "'1899-12-30T00:00:00', '', 5, 2, 15, 0, 'clave', "
                        "'00490000000000000000', '')")
                        .arg(code - agents / 2)); // codes on both sides of zero
    cn->CommitTrans();
}

namespace {
std::map<std::string, std::unique_ptr<BenchDatabase>>& shared() {
    static std::map<std::string, std::unique_ptr<BenchDatabase>> dbs;
    return dbs;
}
} // namespace

BenchDatabase& keptDatabase(const std::string& name,
                            const std::function<std::unique_ptr<BenchDatabase>()>& make) {
    auto& db = shared()[name];
    if (!db) {
        db = make();
        // A PostgreSQL database as a server keeps it: its tables vacuumed and analysed,
        // as autovacuum would have them soon after loading. Otherwise autovacuum does it
        // in the middle of some round, and the plans (and the figures) change under it.
        if (db->available() && !db->schema().isEmpty()) {
            QSqlQuery q(db->cn->database());
            QStringList tables;
            q.exec(QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = '") +
                   db->schema() + u'\'');
            while (q.next())
                tables << db->schema() + u'.' + q.value(0).toString();
            for (const QString& t : tables)
                q.exec(QStringLiteral("VACUUM ANALYZE ") + t);
        }
    }
    return *db;
}

BenchDatabase& sharedDatabase(BenchDatabase::Engine engine, int agents) {
    return keptDatabase("agents-" + std::to_string(int(engine)) + "-" + std::to_string(agents),
                        [&] { return std::make_unique<BenchDatabase>(engine, agents); });
}

void releaseSharedDatabases() {
    shared().clear();
}

BenchDatabase::~BenchDatabase() {
    cn.reset();
    if (schema_.isEmpty())
        return;
    try {
        ado::Connection admin;
        admin.Open(postgresConnectionString());
        admin.Execute(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema_));
    } catch (...) {
    }
}

} // namespace bench
