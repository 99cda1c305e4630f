#include "TestDatabase.h"

#include "Database.h"

#include <QAtomicInteger>
#include <QCoreApplication>

namespace testsupport {

QString postgresConnectionString() {
    return qEnvironmentVariable("ORBENTA_TEST_PG");
}

QString odbcConnectionString(const QString& cs) {
    if (cs.isEmpty())
        return {}; // no server: the tests that need one skip
    QString out = QStringLiteral("Driver=ODBC;Dialect=PostgreSQL;Driver={PostgreSQL Unicode}");
    for (const QString& part : cs.split(u';', Qt::SkipEmptyParts))
        if (part.section(u'=', 0, 0).trimmed().toLower() != u"driver")
            out += u';' + part;
    return out;
}

QString pgbouncerConnectionString() {
    return qEnvironmentVariable("ORBENTA_TEST_PGBOUNCER");
}

// Drops a scratch schema left by an earlier run; the server's connection stays open.
static std::unique_ptr<ado::Connection> dropSchema(const QString& schema) {
    auto admin = std::make_unique<ado::Connection>();
    admin->Open(postgresConnectionString());
    admin->Execute(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema));
    return admin;
}

ScratchDatabase::ScratchDatabase(Engine engine) {
    if (engine == Engine::SQLite) {
        cs_ = QStringLiteral("Driver=SQLite;Database=") + dir_.path() + QStringLiteral("/test.db");
        ado::Connection::CreateDatabase(cs_);
        return;
    }
    static QAtomicInteger<int> counter;
    schema_ = QStringLiteral("t_") + QString::number(QCoreApplication::applicationPid()) + u'_' +
              QString::number(counter++);
    dropSchema(schema_)->Execute(QStringLiteral("CREATE SCHEMA ") + schema_);
    cs_ = (engine == Engine::Odbc        ? odbcConnectionString()
           : engine == Engine::PgBouncer ? pgbouncerConnectionString()
                                         : postgresConnectionString()) +
          QStringLiteral(";Schema=") + schema_;
}

ScratchDatabase::~ScratchDatabase() {
    if (schema_.isEmpty())
        return;
    try {
        dropSchema(schema_);
    } catch (...) {
    }
}

std::shared_ptr<ado::Connection> ScratchDatabase::open() const {
    auto cn = std::make_shared<ado::Connection>();
    cn->Open(cs_);
    return cn;
}

void EngineTest::SetUp() {
    if (GetParam() != Engine::SQLite && postgresConnectionString().isEmpty())
        GTEST_SKIP() << "ORBENTA_TEST_PG is not set";
    if (GetParam() == Engine::PgBouncer && pgbouncerConnectionString().isEmpty())
        GTEST_SKIP() << "ORBENTA_TEST_PGBOUNCER is not set";
    db = std::make_unique<ScratchDatabase>(GetParam());
    cn = db->open();
    prepare();
}

void EngineTest::createSchema(bool demo) {
    orbenta::db::createSchema(*cn, false);
    if (demo)
        orbenta::db::loadDemoData(*cn);
}

std::string engineName(const ::testing::TestParamInfo<Engine>& info) {
    const char* const names[] = {"SQLite", "PostgreSQL", "ODBC", "PgBouncer"};
    return names[int(info.param)];
}

QStringList rowsOf(ado::Connection& cn, const QString& sql) {
    ado::Recordset rs;
    rs.Open(sql, cn, ado::adOpenStatic);
    QStringList rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList cells;
        for (int i = 0; i < rs.FieldCount(); ++i)
            cells << (rs.Fields(i).isNull() ? QStringLiteral("NULL") : rs.Fields(i).toString());
        rows << cells.join(u'|');
    }
    return rows;
}

} // namespace testsupport
