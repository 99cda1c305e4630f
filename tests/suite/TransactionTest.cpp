// What the data layer guarantees when the text or the engine misbehaves: one statement
// per call, decimal columns that hold exact amounts, a transaction state that follows
// the engine, and clear refusals of connection strings that cannot work.
#include "TestDatabase.h"

#include "TestErrors.h"
#include <OrbentaSuite.h>
#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testsupport::Engine;
using testsupport::EngineTest;
using testsupport::failureOf;
using testsupport::rowsOf;

namespace {

class AdoSafety : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        cn->Execute(QStringLiteral("CREATE TABLE T (Id INTEGER NOT NULL PRIMARY KEY, Nombre "
                                   "VARCHAR(40), Importe DECIMAL(19,4) NOT NULL DEFAULT 0, "
                                   "Porcentaje ") +
                    (GetParam() == Engine::SQLite ? QStringLiteral("REAL")
                                                  : QStringLiteral("double precision")) +
                    QStringLiteral(" NOT NULL DEFAULT 0)"));
        cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre) VALUES (1, 'uno')"));
    }
    // The value as a program reading the table with its own SQL sees it.
    double raw(const QString& column) {
        QSqlQuery q(cn->database());
        EXPECT_TRUE(
            q.exec(QStringLiteral("SELECT ") + column + QStringLiteral(" FROM T WHERE Id = 1")));
        EXPECT_TRUE(q.next());
        return q.value(0).toDouble();
    }
};

TEST_P(AdoSafety, OneStatementPerCallOnEveryEngine) {
    const char* accepted[] = {
        "SELECT Id FROM T",
        "SELECT Id FROM T;",
        "SELECT Id FROM T ; -- the end",
        "SELECT ';' AS x FROM T",
        "SELECT Id /* ; SELECT 2 */ FROM T",
        "SELECT Id AS \"a;b\" FROM T",
        "SELECT Id FROM T WHERE Nombre = 'x'';DROP TABLE T;--'",
    };
    const char* refused[] = {
        "SELECT 1; DROP TABLE T",
        "UPDATE T SET Nombre = 'x';DELETE FROM T",
        "SELECT 1;; SELECT 2",
        "SELECT 1 -- a comment\n; SELECT 2",
        "SELECT ''; DROP TABLE T; --'",
        "CREATE TRIGGER x AFTER INSERT ON T BEGIN SELECT 1; END; DROP TABLE T",
    };
    for (bool inTransaction : {false, true}) {
        SCOPED_TRACE(inTransaction ? "in a transaction" : "alone");
        if (inTransaction)
            cn->BeginTrans();
        for (const char* sql : accepted)
            EXPECT_NO_THROW(cn->Execute(QLatin1String(sql))) << sql;
        for (const char* sql : refused) {
            const auto e = failureOf([&] { cn->Execute(QString::fromUtf8(sql)); });
            EXPECT_EQ(e.number(), ado::errors::Statement) << sql;
            EXPECT_TRUE(e.description().contains(QStringLiteral("more than one statement")))
                << e.description().toStdString();
        }
        if (inTransaction)
            cn->CommitTrans();
        EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Id, Nombre FROM T")), QStringList({"1|uno"}));
    }
}

// A running total in a decimal column never drifts from its exact decimal value, read
// back through the data layer or with a program's own SQL.
TEST_P(AdoSafety, DecimalColumnsKeepTheExactAmount) {
    for (int i = 0; i < 10; ++i)
        cn->Execute(QStringLiteral("UPDATE T SET Importe = Importe + 0.1 WHERE Id = 1"));
    cn->Execute(QStringLiteral("UPDATE T SET Importe = Importe - 1 WHERE Id = 1"));
    EXPECT_EQ(raw(QStringLiteral("Importe")), 0.0);
    cn->Execute(QStringLiteral("UPDATE T SET Importe = 0 WHERE Id = 1"));
    for (int i = 0; i < 8; ++i)
        cn->Execute(QStringLiteral("UPDATE T SET Nombre = 'ocho', Importe = (Importe + 0.0001) "
                                   "* 1 WHERE Id = 1"));
    EXPECT_EQ(raw(QStringLiteral("Importe")), 0.0008);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Nombre FROM T")), QStringList({"ocho"}));
    // A column that is no decimal keeps every digit of a double.
    cn->Execute(QStringLiteral("UPDATE T SET Porcentaje = Porcentaje + 0.123456789 WHERE Id = 1"));
    EXPECT_EQ(raw(QStringLiteral("Porcentaje")), 0.123456789);
    // Quoted names and a sub-query in the expression.
    cn->Execute(QStringLiteral("UPDATE \"t\" SET \"importe\" = (SELECT MAX(Importe) FROM T) / 3 "
                               "WHERE Id = 1"));
    EXPECT_EQ(raw(QStringLiteral("Importe")), 0.0003);
}

TEST_P(AdoSafety, ATransactionTheEngineEndedLeavesNothingOpen) {
    if (GetParam() == Engine::SQLite) {
        // A full disk, an interrupt or RAISE(ROLLBACK) make SQLite roll back by itself.
        cn->Execute(QStringLiteral(
            "CREATE TRIGGER lleno BEFORE INSERT ON T WHEN NEW.Nombre = 'lleno' BEGIN SELECT "
            "RAISE(ROLLBACK, 'database or disk is full'); END"));
    }
    {
        const auto e = failureOf([&] {
            ado::Transaction tx(*cn);
            cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre) VALUES (2, 'dos')"));
            if (GetParam() == Engine::SQLite)
                cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre) VALUES (3, 'lleno')"));
            else
                cn->Execute(QStringLiteral("SELECT pg_terminate_backend(pg_backend_pid())"));
            tx.Commit();
        });
        // The user learns what went wrong, not that the rollback found nothing to undo.
        if (GetParam() == Engine::SQLite) {
            EXPECT_EQ(e.description(), QStringLiteral("database or disk is full"));
        } else {
            EXPECT_EQ(e.number(), ado::errors::ConnectFailed);
            EXPECT_FALSE(e.description().isEmpty());
        }
        EXPECT_EQ(cn->transactionLevel(), 0);
    }
    if (GetParam() != Engine::SQLite) {
        // Every later statement says why it cannot run.
        const auto e = failureOf([&] { cn->Execute(QStringLiteral("SELECT 1")); });
        EXPECT_EQ(e.number(), ado::errors::ConnectFailed);
        EXPECT_FALSE(e.description().isEmpty());
        cn = db->open();
    }
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Id FROM T ORDER BY Id")), QStringList({"1"}));
    // The connection is ready for the next transaction.
    EXPECT_EQ(cn->BeginTrans(), 1);
    cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre) VALUES (4, 'cuatro')"));
    cn->CommitTrans();
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM T")), QStringList({"2"}));
}

ORBENTA_ENGINE_TESTS(AdoSafety);

TEST(AdoOpen, ConnectionStringsThatCannotWorkSayWhy) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no-such.db"));
    const struct {
        QString cs;
        const char* says;
    } cases[] = {
        {QStringLiteral("Driver=SQLite;Database=") + missing, "does not exist"},
        {QStringLiteral("Driver=SQLite;Database=") + dir.path(), "cannot be read"},
        {QStringLiteral("Driver=SQLite"), "names no database file"},
        {QStringLiteral("Driver=PostgreSQL;Server=127.0.0.1;Port=abc;Database=x"),
         "Port=abc is not a port number"},
        {QStringLiteral("Driver=PostgreSQL;Server=127.0.0.1;Port=70000;Database=x"),
         "Port=70000 is not a port number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cs.toStdString());
        ado::Connection cn;
        const auto e = failureOf([&] { cn.Open(c.cs); });
        EXPECT_EQ(e.number(), ado::errors::ConnectFailed);
        EXPECT_TRUE(e.description().contains(QLatin1String(c.says)))
            << e.description().toStdString();
        EXPECT_EQ(cn.State(), ado::adStateClosed);
    }
    EXPECT_FALSE(QFileInfo::exists(missing)) << "opening never creates a database";
    const QString cs = QStringLiteral("Driver=SQLite;Database=") + missing;
    EXPECT_TRUE(ado::Connection::CreateDatabase(cs));
    EXPECT_FALSE(ado::Connection::CreateDatabase(cs)) << "an existing file is left alone";
    ado::Connection cn;
    cn.Open(cs);
    EXPECT_EQ(cn.State(), ado::adStateOpen);
}

// However a connection string fails, with braces that never close included (the ODBC
// driver manager then quotes the whole string), its password is not in the message.
TEST(AdoOpen, NoFailureShowsThePassword) {
    const QString cases[] = {
        QStringLiteral(
            "Driver=ODBC;Driver={PostgreSQL Unicode;Server=127.0.0.1;Uid=u;Pwd=Secreto1"),
        QStringLiteral("Driver=ODBC;Driver={Ninguno};Server=127.0.0.1;PWD={Secreto2;x}"),
        QStringLiteral("Driver=ODBC;DSN=ninguno;Uid=u;Password=Secreto3"),
        QStringLiteral("Driver=ODBC;Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=1;Uid=u;"
                       "Pwd=Secreto4"),
        QStringLiteral("Driver=PostgreSQL;Server=127.0.0.1;Port=1;Uid=u;Pwd=Secreto5"),
    };
    for (const QString& cs : cases) {
        SCOPED_TRACE(cs.toStdString());
        ado::Connection cn;
        const auto e = failureOf([&] { cn.Open(cs); });
        EXPECT_EQ(e.number(), ado::errors::ConnectFailed) << e.what();
        EXPECT_FALSE(e.description().contains(QStringLiteral("Secreto"))) << e.what();
        EXPECT_FALSE(ado::displayConnectionString(cs).contains(QStringLiteral("Secreto")));
    }
}

} // namespace
