#pragma once

#include "TestErrors.h"
#include "TestPrinting.h"

#include <OrbentaSuite.h>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace testsupport {

/// The engines the tests run on: the embedded SQLite, PostgreSQL through its client
/// library, the same PostgreSQL server through the ODBC driver manager (the path SQL
/// Server takes), with the connection string naming the server's dialect, and through a
/// PgBouncer in transaction pooling (Pooler=transaction).
enum class Engine { SQLite, PostgreSQL, Odbc, PgBouncer };

/// The PostgreSQL server of the tests (ORBENTA_TEST_PG); empty when not configured.
QString postgresConnectionString();
/// The same server through ODBC ("Driver=ODBC;Dialect=PostgreSQL;Driver={PostgreSQL
/// Unicode};Server=..."), or the server of `cs` so.
QString odbcConnectionString(const QString& cs = postgresConnectionString());
/// The same server through a PgBouncer in transaction pooling (ORBENTA_TEST_PGBOUNCER);
/// empty when not configured.
QString pgbouncerConnectionString();

/// A fresh, empty database for one test: a new SQLite file, or a new schema on the
/// PostgreSQL server that is dropped again afterwards.
class ScratchDatabase {
public:
    explicit ScratchDatabase(Engine engine);
    ~ScratchDatabase();
    const QString& connectionString() const { return cs_; }
    std::shared_ptr<ado::Connection> open() const;
    /// The server schema it is (empty on SQLite).
    const QString& schema() const { return schema_; }

private:
    QTemporaryDir dir_;
    QString cs_, schema_;
};

/// Base of the tests that run once per engine. A PostgreSQL, ODBC or PgBouncer run is
/// skipped only when no server (or no PgBouncer) is configured.
class EngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override;
    /// Creates the schema of the component (and optionally the demo data).
    void createSchema(bool demo = false);
    /// The fixture's own tables, made once the database is open (never on a skipped run).
    virtual void prepare() {}
    std::unique_ptr<ScratchDatabase> db;
    std::shared_ptr<ado::Connection> cn;
};

/// Skips the running test behind a transaction pooler, where what it checks cannot hold.
#define ORBENTA_SKIP_BEHIND_POOLER(reason)                                                         \
    if (GetParam() == ::testsupport::Engine::PgBouncer)                                            \
    GTEST_SKIP() << "behind a transaction pooler: " << reason

std::string engineName(const ::testing::TestParamInfo<Engine>& info);

#define ORBENTA_ENGINE_TESTS(fixture)                                                              \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Engines, fixture,                                                                          \
        ::testing::Values(::testsupport::Engine::SQLite, ::testsupport::Engine::PostgreSQL,        \
                          ::testsupport::Engine::Odbc, ::testsupport::Engine::PgBouncer),          \
        ::testsupport::engineName)

/// Every row of a query as text, for comparing results.
QStringList rowsOf(ado::Connection& cn, const QString& sql);

} // namespace testsupport
