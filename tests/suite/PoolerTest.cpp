// PostgreSQL behind a PgBouncer in transaction pooling, where a server session serves
// the transactions of every client in turn.
#include "TestDatabase.h"

using automation::AutomationError;
using namespace testsupport;

namespace {

// Two companies in schemas of their own share the pooler's server sessions: each
// connection (direct or through ODBC) finds its own rows whichever way its statements
// go, also once a shape has been seen often enough to be prepared, and leaves nothing in
// a server session.
TEST(Pooler, EveryTransactionFindsItsOwnSchemaAndLeavesNothingBehind) {
    const QString pooled = pgbouncerConnectionString();
    if (pooled.isEmpty())
        GTEST_SKIP() << "ORBENTA_TEST_PGBOUNCER is not set";
    ScratchDatabase a(Engine::PgBouncer), b(Engine::PgBouncer);
    std::vector<std::pair<std::shared_ptr<ado::Connection>, QString>> companies = {{a.open(), "a"},
                                                                                   {b.open(), "b"}};
    for (const auto& [cn, name] : companies) {
        cn->Execute("CREATE TABLE T (Id INTEGER PRIMARY KEY, Nombre VARCHAR(10))");
        cn->Execute("INSERT INTO T VALUES (1, '" + name + "')");
    }
    // The same companies through the ODBC driver and the same pooler.
    for (const auto& [company, name] : {std::pair{&a, "a"}, std::pair{&b, "b"}}) {
        companies.emplace_back(std::make_shared<ado::Connection>(), name);
        companies.back().first->Open(odbcConnectionString(pooled) + ";Schema=" + company->schema());
    }
    const std::pair<const char*, std::function<QString(ado::Connection&)>> ways[] = {
        {"alone", [](ado::Connection& cn) { return rowsOf(cn, "SELECT Nombre FROM T").join(','); }},
        {"in a transaction, after a failure undone alone",
         [](ado::Connection& cn) {
             ado::Transaction t(cn);
             EXPECT_THROW(cn.Execute("INSERT INTO T VALUES (1, 'x')"), AutomationError);
             const QString seen = rowsOf(cn, "SELECT Nombre FROM T WHERE Id = 1").join(',');
             t.Commit();
             return seen;
         }},
        {"in a pipeline", [](ado::Connection& cn) {
             cn.setPipelining(true);
             QString seen;
             cn.FirstAnswering(
                 {"SELECT Nombre FROM T WHERE Id = 2", "SELECT Nombre FROM T WHERE Id = 1"},
                 [&](ado::Recordset& rs) {
                     seen = rs.Eof() ? QString() : rs.Fields("Nombre").toString();
                     return !rs.Eof();
                 });
             return seen;
         }}};
    for (int round = 0; round < 4; ++round)
        for (const auto& [way, run] : ways)
            for (const auto& [cn, name] : companies)
                EXPECT_EQ(run(*cn), name) << way << ", round " << round;
    ado::Connection plain;
    plain.Open(pooled);
    const QString path = rowsOf(plain, "SELECT current_setting('search_path')").join(',');
    EXPECT_FALSE(path.contains(a.schema()) || path.contains(b.schema())) << path.toStdString();
    EXPECT_EQ(rowsOf(plain, "SELECT COUNT(*) FROM pg_prepared_statements "
                            "WHERE statement LIKE '%FROM T WHERE Id =%'"),
              QStringList{"0"});
}

} // namespace
