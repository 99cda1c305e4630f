#pragma once

#include "TestPrinting.h"

#include <OrbentaSuite.h>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace testsupport {

/// The engines the tests run on: the embedded SQLite, PostgreSQL through its client
/// library, and the same PostgreSQL server through the ODBC driver manager (the path SQL
/// Server takes), with the connection string naming the server's dialect.
enum class Engine { SQLite, PostgreSQL, Odbc };

/// The PostgreSQL server of the tests (ORBENTA_TEST_PG); empty when not configured.
QString postgresConnectionString();
/// The same server through ODBC ("Driver=ODBC;Dialect=PostgreSQL;Driver={PostgreSQL
/// Unicode};Server=...").
QString odbcConnectionString();

/// A fresh, empty database for one test: a new SQLite file, or a new schema on the
/// PostgreSQL server that is dropped again afterwards.
class ScratchDatabase {
public:
    explicit ScratchDatabase(Engine engine);
    ~ScratchDatabase();
    /// The connection string of the scratch database (for other connections and
    /// other processes).
    const QString& connectionString() const { return cs_; }
    /// A new connection opened on it.
    std::shared_ptr<ado::Connection> open() const;

private:
    Engine engine_;
    QTemporaryDir dir_;
    QString cs_;
    QString schema_;
};

/// Base of the tests that run once per engine. A PostgreSQL or ODBC run is skipped only
/// when no server is configured.
class EngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override;
    void TearDown() override;
    /// Creates the schema of the component (and optionally the demo data).
    void createSchema(bool demo = false);
    std::unique_ptr<ScratchDatabase> db;
    std::shared_ptr<ado::Connection> cn;
};

std::string engineName(const ::testing::TestParamInfo<Engine>& info);

#define ORBENTA_ENGINE_TESTS(fixture)                                                              \
    INSTANTIATE_TEST_SUITE_P(Engines, fixture,                                                     \
                             ::testing::Values(::testsupport::Engine::SQLite,                      \
                                               ::testsupport::Engine::PostgreSQL,                  \
                                               ::testsupport::Engine::Odbc),                       \
                             ::testsupport::engineName)

/// Every row of a query as text, for comparing results.
QStringList rowsOf(ado::Connection& cn, const QString& sql);

} // namespace testsupport
