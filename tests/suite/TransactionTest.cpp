// Transactions, their nested levels and named locks, on every engine.
#include "TestDatabase.h"

#include <QElapsedTimer>
#include <ado/Backend.h>

using automation::AutomationError;
using namespace testsupport;

namespace {

class Transactions : public EngineTest {
protected:
    void prepare() override {
        cn->Execute("CREATE TABLE T (Id INTEGER NOT NULL PRIMARY KEY, Nombre VARCHAR(40), Clave "
                    "INTEGER NOT NULL DEFAULT 0)");
    }
    QString ids() { return rowsOf(*cn, "SELECT Id FROM T ORDER BY Id").join(u','); }
    void insert(int id) { cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (%1)").arg(id)); }
};

// A failing statement undoes itself alone, in the transaction and in a nested level; closing
// undoes every open level.
TEST_P(Transactions, FailuresRollbacksAndCloseUndoOnlyTheirOwnWork) {
    insert(1);
    EXPECT_EQ(cn->BeginTrans(), 1);
    insert(2);
    EXPECT_THROW(insert(1), AutomationError);
    EXPECT_THROW(cn->Execute("SELECT nonsense FROM T"), AutomationError);
    EXPECT_EQ(cn->BeginTrans(), 2);
    insert(3);
    EXPECT_THROW(insert(3), AutomationError);
    qint32 n = 0;
    cn->Execute("UPDATE T SET Nombre = 'x' WHERE Id >= 2", &n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(rowsOf(*cn, "SELECT Id, Nombre FROM T ORDER BY Id"),
              QStringList({"1|NULL", "2|x", "3|x"}));
    cn->RollbackTrans();
    EXPECT_EQ(cn->BeginTrans(), 2);
    cn->Execute("DELETE FROM T WHERE Id = 2", &n);
    EXPECT_EQ(n, 1);
    insert(4);
    cn->CommitTrans();
    cn->CommitTrans();
    EXPECT_EQ(ids(), "1,4");
    cn->BeginTrans();
    cn->Execute("DELETE FROM T");
    cn->RollbackTrans();
    EXPECT_EQ(ids(), "1,4");
    EXPECT_EQ(failureOf([&] { cn->CommitTrans(); }).number(), ado::errors::NoTransaction);
    cn->BeginTrans();
    insert(5);
    cn->BeginTrans();
    insert(6);
    cn->Close();
    EXPECT_EQ(cn->transactionLevel(), 0);
    cn->Open(db->connectionString());
    EXPECT_EQ(ids(), "1,4");
    EXPECT_EQ(cn->BeginTrans(), 1);
    insert(7);
    cn->CommitTrans();
    EXPECT_EQ(db->open()->Execute("SELECT COUNT(*) FROM T")->Fields(0).toInt(), 3);
}

// On the servers the conflict is real (repeatable read, another connection changes the
// row); SQLite queues its writers, so there the first attempt fails by itself.
TEST_P(Transactions, AConflictingTransactionRunsAgainWholeAndOnlyOnce) {
    ORBENTA_SKIP_BEHIND_POOLER("the isolation level is a session setting, which a transaction "
                               "pooler does not keep between transactions");
    cn->Execute("INSERT INTO T (Id, Clave) VALUES (1, 0)");
    const bool server = GetParam() != Engine::SQLite;
    if (server)
        cn->Execute("SET SESSION CHARACTERISTICS AS TRANSACTION ISOLATION LEVEL REPEATABLE READ");
    auto other = db->open();
    const QString source = server ? "ado.PostgreSQL" : "ado.SQLite";
    int attempts = 0;
    ado::RunTransaction(*cn, [&] {
        ++attempts;
        cn->Execute("INSERT INTO T (Id, Clave) VALUES (10, " + QString::number(attempts) + u')');
        if (attempts == 1) {
            if (!server)
                throw AutomationError(ado::errors::Conflict, source, "deadlock");
            other->Execute("UPDATE T SET Clave = Clave + 100 WHERE Id = 1");
        }
        cn->Execute("UPDATE T SET Clave = Clave + 1 WHERE Id = 1");
    });
    EXPECT_EQ(std::pair(attempts, cn->transactionLevel()), std::pair(2, 0));
    EXPECT_EQ(rowsOf(*cn, "SELECT Id, Clave FROM T ORDER BY Id"),
              QStringList({"1|" + QString::number(server ? 101 : 1), "10|2"}));

    attempts = 0;
    const auto always = [&] {
        ++attempts;
        insert(20);
        throw AutomationError(ado::errors::Conflict, source, "deadlock detected");
    };
    AutomationError e = failureOf([&] { ado::RunTransaction(*cn, always); });
    EXPECT_EQ(std::pair(attempts, e.number()), std::pair(4, ado::errors::Conflict));
    EXPECT_TRUE(e.description().startsWith("Otro usuario")) << e.what();
    EXPECT_EQ(std::pair(ids(), cn->transactionLevel()), std::pair(QString("1,10"), 0));

    // Inside an open transaction only the outermost level can start again.
    attempts = 0;
    cn->BeginTrans();
    e = failureOf([&] { ado::RunTransaction(*cn, always); });
    EXPECT_EQ(std::pair(attempts, e.description()), std::pair(1, QString("deadlock detected")));
    cn->RollbackTrans();
}

TEST_P(Transactions, ATransactionTheEngineEndedLeavesNothingOpen) {
    const bool sqlite = GetParam() == Engine::SQLite;
    if (sqlite) // a full disk, an interrupt or RAISE(ROLLBACK) make SQLite roll back by itself
        cn->Execute("CREATE TRIGGER lleno BEFORE INSERT ON T WHEN NEW.Nombre = 'lleno' BEGIN "
                    "SELECT RAISE(ROLLBACK, 'database or disk is full'); END");
    insert(1);
    const auto e = failureOf([&] {
        ado::Transaction tx(*cn);
        insert(2);
        cn->Execute(sqlite ? "INSERT INTO T (Id, Nombre) VALUES (3, 'lleno')"
                           : "SELECT pg_terminate_backend(pg_backend_pid())");
        tx.Commit();
    });
    EXPECT_TRUE(sqlite ? e.description() == "database or disk is full"
                       : e.number() == ado::errors::ConnectFailed)
        << e.what();
    EXPECT_EQ(std::pair(e.description().isEmpty(), cn->transactionLevel()), std::pair(false, 0));
    if (!sqlite) {
        const auto later = failureOf([&] { cn->Execute("SELECT 1"); });
        EXPECT_EQ(later.number(), ado::errors::ConnectFailed);
        EXPECT_FALSE(later.description().isEmpty());
        cn = db->open();
    }
    EXPECT_EQ(ids(), "1");
    EXPECT_EQ(cn->BeginTrans(), 1);
    insert(4);
    cn->CommitTrans();
    EXPECT_EQ(ids(), "1,4");
}

// A day's accumulators posted in one transaction into a table the server analysed while
// empty (after a purge, or after a rollback of the day before): the statement kept for
// them must not keep the plan made for a handful of rows.
TEST_P(Transactions, AStatementRunManyTimesFollowsTheTableItGrows) {
    if (GetParam() != Engine::PostgreSQL) // the one engine that keeps them on the server
        GTEST_SKIP() << "the server's plans of kept statements";
    for (const int rows : {2100, 1200}) {
        cn->Execute("VACUUM ANALYZE T"); // as autovacuum leaves it: its emptied pages gone
        cn->BeginTrans();
        for (int id = 1; id <= rows; ++id) {
            qint32 n = 0;
            cn->Execute(QStringLiteral("UPDATE T SET Clave = Clave + Id WHERE Id = %1").arg(id),
                        &n);
            if (n == 0)
                insert(id);
        }
        const QStringList kept = rowsOf(*cn, "SELECT name FROM pg_prepared_statements WHERE "
                                             "statement LIKE '%UPDATE T SET Clave%'");
        ASSERT_EQ(kept.size(), 1);
        const QString plan = rowsOf(*cn, "EXPLAIN EXECUTE " + kept[0] + "(5)").join(u'\n');
        EXPECT_FALSE(plan.contains("Seq Scan")) << rows << plan.toStdString();
        cn->RollbackTrans();
    }
}

TEST_P(Transactions, NamedLocksBelongToOneDatabaseAndEndWithTheirConnection) {
    const QString name = "Listado_Desc_Comis";
    cn->LockNamed(name);
    const auto otra = db->open();
    int told = 0;
    QElapsedTimer waited;
    waited.start();
    EXPECT_FALSE(otra->LockNamed(name, 300, [&] { ++told; })) << "held by the first connection";
    EXPECT_GE(waited.elapsed(), 300) << "the second connection waits for it";
    EXPECT_EQ(told, 1) << "the user is told once that it waits";
    ScratchDatabase vecina(GetParam());
    EXPECT_TRUE(vecina.open()->LockNamed(name, 0)) << "another database is not kept waiting";
    cn->Close();
    EXPECT_TRUE(otra->LockNamed(name, 5000)) << "closing the connection released it";
    otra->UnlockNamed(name);
    EXPECT_TRUE(db->open()->LockNamed(name, 0)) << "released by UnlockNamed";
}

ORBENTA_ENGINE_TESTS(Transactions);

// SQL Server is not reachable here: its texts are checked as text.
TEST(SqlServerTexts, NestedLevelsAndNamedLocks) {
    qint32 level = 0;
    const auto backend = ado::Backend::forSettings(
        ado::parseConnectionString("Driver=ODBC;Driver={SQL Server};Server=x", "ado"), level);
    const ado::ServerTexts& t = backend->texts();
    const QString n = "Listado_Desc'Comis";
    EXPECT_EQ(QStringList({t.saveLevel(2), t.commitLevel(2)}) + t.rollbackLevel(3),
              QStringList({"SAVE TRANSACTION ado_level2", "", "ROLLBACK TRANSACTION ado_level3"}));
    EXPECT_EQ(t.lock(n), "EXEC sp_getapplock @Resource = 'Listado_Desc''Comis', @LockMode = "
                         "'Exclusive', @LockOwner = 'Session'");
    EXPECT_EQ(t.tryLock(n), "SET NOCOUNT ON; DECLARE @r int; EXEC @r = sp_getapplock @Resource = "
                            "'Listado_Desc''Comis', @LockMode = 'Exclusive', @LockOwner = "
                            "'Session', @LockTimeout = 0; SELECT @r");
    EXPECT_EQ(t.unlock(n),
              "EXEC sp_releaseapplock @Resource = 'Listado_Desc''Comis', @LockOwner = 'Session'");
    EXPECT_TRUE(t.granted(0) && t.granted(1)) << "granted, at once or after a wait";
    EXPECT_FALSE(t.granted(-1)) << "a timeout";
}

} // namespace
