#include "TestDatabase.h"

#include "TestErrors.h"
#include <OrbentaSuite.h>
#include <QCoreApplication>
#include <QDateTime>

#include <gtest/gtest.h>

using automation::AutomationError;
using testsupport::EngineTest;
using testsupport::rowsOf;

namespace {

class Ado : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        cn->Execute(
            QStringLiteral(
                "CREATE TABLE T (Id INTEGER NOT NULL PRIMARY KEY, Nombre "
                "VARCHAR(40), Importe NUMERIC(19,4) DEFAULT 0, Fecha %1, Clave INTEGER NOT NULL "
                "DEFAULT 0)")
                .arg(GetParam() == testsupport::Engine::SQLite ? "DATETIME" : "timestamp(0)"));
    }
    QString source() const {
        return GetParam() == testsupport::Engine::SQLite ? QStringLiteral("ado.SQLite")
                                                         : QStringLiteral("ado.PostgreSQL");
    }
    qint32 errorNumber(const QString& sql) {
        const auto e = testsupport::failureOf([&] { cn->Execute(sql); });
        EXPECT_NE(e.number(), 0) << "no error for " << sql.toStdString();
        EXPECT_EQ(e.source(), source());
        EXPECT_FALSE(e.description().isEmpty());
        return e.number();
    }
};

TEST_P(Ado, RowsAffectedNullsAndFieldNames) {
    qint32 n = -99;
    cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre, Importe) VALUES (1, 'uno', 12.5)"), &n);
    EXPECT_EQ(n, 1);
    cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre) VALUES (2, NULL)"), &n);
    cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre) VALUES (3, 'tres')"), &n);
    cn->Execute(QStringLiteral("UPDATE T SET Importe = Importe + 1 WHERE Id >= 2"), &n);
    EXPECT_EQ(n, 2);
    cn->Execute(QStringLiteral("DELETE FROM T WHERE Id = 99"), &n);
    EXPECT_EQ(n, 0);
    auto rs = cn->Execute(QStringLiteral("SELECT Id, Nombre, Importe FROM T ORDER BY Id"), &n);
    EXPECT_EQ(n, -1);
    ASSERT_EQ(rs->State(), ado::adStateOpen);
    EXPECT_EQ(rs->Fields(QStringLiteral("NOMBRE")).toString(), QStringLiteral("uno"));
    EXPECT_EQ(rs->Fields(QStringLiteral("importe")).toDouble(), 12.5);
    rs->MoveNext();
    EXPECT_TRUE(rs->Fields(QStringLiteral("Nombre")).isNull());
    EXPECT_EQ(rs->Fields(QStringLiteral("Importe")).toDouble(), 1.0);
    {
        const auto e = testsupport::failureOf([&] { rs->Fields(QStringLiteral("NoSuchColumn")); });
        EXPECT_EQ(e.number(), ado::errors::ItemNotFound);
    }
    rs->MoveNext();
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    {
        const auto e = testsupport::failureOf([&] { rs->Fields(0); });
        EXPECT_EQ(e.number(), ado::errors::NoCurrentRecord);
    }
    EXPECT_EQ(cn->Execute(QStringLiteral("DELETE FROM T"))->State(), ado::adStateClosed);
}

TEST_P(Ado, ValuesComeBackExactly) {
    cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre, Importe, Fecha) VALUES (-32768, "
                               "'Añó ''x'' \\n €', -1234567.8901, '2024-02-29T13:45:06')"));
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM T"), *cn);
    EXPECT_EQ(rs.Fields(QStringLiteral("Id")).toInt(), -32768);
    EXPECT_EQ(rs.Fields(QStringLiteral("Nombre")).toString(), QStringLiteral("Añó 'x' \\n €"));
    EXPECT_EQ(rs.Fields(QStringLiteral("Importe")).toString().left(13),
              QStringLiteral("-1234567.8901"));
    const QVariant f = rs.Fields(QStringLiteral("Fecha"));
    const QDateTime dt = f.typeId() == QMetaType::QDateTime
                             ? f.toDateTime()
                             : QDateTime::fromString(f.toString(), Qt::ISODate);
    EXPECT_EQ(dt, QDateTime(QDate(2024, 2, 29), QTime(13, 45, 6)));
}

TEST_P(Ado, ErrorsCarryAStableNumberTheBackendAndTheDriverText) {
    cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (1)"));
    EXPECT_EQ(errorNumber(QStringLiteral("SELEC 1")), ado::errors::Statement);
    EXPECT_EQ(errorNumber(QStringLiteral("SELECT * FROM NoSuchTable")), ado::errors::Statement);
    EXPECT_EQ(errorNumber(QStringLiteral("INSERT INTO T (Id) VALUES (1)")), ado::errors::Integrity);
    EXPECT_EQ(errorNumber(QStringLiteral("INSERT INTO T (Id, Clave) VALUES (2, NULL)")),
              ado::errors::Integrity);
    cn->Close();
    {
        const auto e = testsupport::failureOf([&] { cn->Execute(QStringLiteral("SELECT 1")); });
        EXPECT_EQ(e.number(), ado::errors::ConnectionClosed);
    }
}

TEST_P(Ado, AFailingStatementInsideATransactionFailsAlone) {
    cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (1)"));
    EXPECT_EQ(cn->BeginTrans(), 1);
    cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (2)"));
    EXPECT_THROW(cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (1)")), AutomationError);
    EXPECT_THROW(cn->Execute(QStringLiteral("SELECT nonsense FROM T")), AutomationError);
    cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (3)"));
    // Inside the transaction rows and counts come back as outside it.
    qint32 n = 0;
    cn->Execute(QStringLiteral("UPDATE T SET Nombre = 'x' WHERE Id >= 2"), &n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Id, Nombre FROM T ORDER BY Id")),
              QStringList({"1|NULL", "2|x", "3|x"}));
    EXPECT_THROW(cn->Execute(QStringLiteral("UPDATE T SET Id = 1 WHERE Id = 3")), AutomationError);
    cn->Execute(QStringLiteral("DELETE FROM T WHERE Id = 2"), &n);
    EXPECT_EQ(n, 1);
    cn->CommitTrans();
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Id FROM T ORDER BY Id")), QStringList({"1", "3"}));
}

// A transaction the database ends because of another user's runs again whole, so that
// what it commits holds each of its statements once. On the servers the conflict is
// real: under repeatable read, another connection changes the row this one is about to
// change. SQLite queues its writers instead, so there the first attempt fails by itself.
TEST_P(Ado, AConflictingTransactionRunsAgainWholeAndOnlyOnce) {
    cn->Execute(QStringLiteral("INSERT INTO T (Id, Clave) VALUES (1, 0)"));
    const bool server = GetParam() != testsupport::Engine::SQLite;
    if (server)
        cn->Execute(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION ISOLATION LEVEL "
                                   "REPEATABLE READ"));
    auto other = db->open();
    int attempts = 0;
    ado::RunTransaction(*cn, [&] {
        ++attempts;
        cn->Execute(QStringLiteral("INSERT INTO T (Id, Clave) VALUES (10, ") +
                    QString::number(attempts) + u')');
        if (attempts == 1) {
            if (!server)
                throw AutomationError(ado::errors::Conflict, source(), QStringLiteral("deadlock"));
            other->Execute(QStringLiteral("UPDATE T SET Clave = Clave + 100 WHERE Id = 1"));
        }
        cn->Execute(QStringLiteral("UPDATE T SET Clave = Clave + 1 WHERE Id = 1"));
    });
    EXPECT_EQ(attempts, 2);
    const int before = server ? 100 : 0;
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Id, Clave FROM T ORDER BY Id")),
              QStringList({"1|" + QString::number(before + 1), "10|2"}));
    EXPECT_EQ(cn->transactionLevel(), 0);

    // Conflicting every time: four attempts, nothing kept, and the user is told in Spanish.
    attempts = 0;
    const auto always = [&] {
        ++attempts;
        cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (20)"));
        throw AutomationError(ado::errors::Conflict, source(), QStringLiteral("deadlock detected"));
    };
    AutomationError e = testsupport::failureOf([&] { ado::RunTransaction(*cn, always); });
    EXPECT_EQ(attempts, 4);
    EXPECT_EQ(e.number(), ado::errors::Conflict);
    EXPECT_TRUE(e.description().startsWith(QStringLiteral("Otro usuario"))) << e.what();
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM T WHERE Id = 20")),
              QStringList{"0"});
    EXPECT_EQ(cn->transactionLevel(), 0);

    // Inside an open transaction only the outermost level can start again: the conflict
    // goes up as it came.
    attempts = 0;
    cn->BeginTrans();
    e = testsupport::failureOf([&] { ado::RunTransaction(*cn, always); });
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(e.description(), QStringLiteral("deadlock detected"));
    cn->RollbackTrans();
}

TEST_P(Ado, NestedTransactionsAreSavepoints) {
    cn->BeginTrans();
    cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (1)"));
    EXPECT_EQ(cn->BeginTrans(), 2);
    cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (2)"));
    EXPECT_THROW(cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (2)")), AutomationError);
    cn->RollbackTrans();
    EXPECT_EQ(cn->BeginTrans(), 2);
    cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (3)"));
    cn->CommitTrans();
    cn->CommitTrans();
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Id FROM T ORDER BY Id")), QStringList({"1", "3"}));
    cn->BeginTrans();
    cn->Execute(QStringLiteral("DELETE FROM T"));
    cn->RollbackTrans();
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM T")), QStringList({"2"}));
    {
        const auto e = testsupport::failureOf([&] { cn->CommitTrans(); });
        EXPECT_EQ(e.number(), ado::errors::NoTransaction);
    }
}

TEST_P(Ado, EveryCursorAndLockTypeIsAccepted) {
    cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (1)"));
    cn->Execute(QStringLiteral("INSERT INTO T (Id) VALUES (2)"));
    for (auto cursor : {ado::adOpenUnspecified, ado::adOpenForwardOnly, ado::adOpenKeyset,
                        ado::adOpenDynamic, ado::adOpenStatic})
        for (auto lock : {ado::adLockUnspecified, ado::adLockReadOnly, ado::adLockPessimistic,
                          ado::adLockOptimistic, ado::adLockBatchOptimistic}) {
            ado::Recordset rs;
            rs.Open(QStringLiteral("SELECT Id FROM T ORDER BY Id"), *cn, cursor, lock);
            EXPECT_EQ(rs.Fields(0).toInt(), 1);
            rs.MoveNext();
            EXPECT_EQ(rs.Fields(0).toInt(), 2);
            EXPECT_EQ(rs.RecordCount(), cursor <= ado::adOpenForwardOnly ? -1 : 2);
            rs.Close();
        }
}

// The statement cache must give exactly what sending the text gives, however the values
// of one shape change, and however many shapes pass through it.
TEST_P(Ado, StatementCacheGivesTheSameResultsAsText) {
    auto plain = db->open();
    plain->setStatementCacheSize(0);
    cn->setStatementCacheSize(8);
    for (int i = -20; i <= 20; ++i)
        cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre, Importe) VALUES (%1, 'n%2', %3)")
                        .arg(i)
                        .arg(i % 3)
                        .arg(i * 1.25));
    // The shapes an application repeats, with values and literal types changing.
    QStringList repeated;
    for (int i = -22; i <= 22; i += 3)
        repeated << QStringLiteral("SELECT * FROM T WHERE Id = %1").arg(i)
                 << QStringLiteral("SELECT * FROM T WHERE Id =-%1").arg(qAbs(i))
                 << QStringLiteral("SELECT Id FROM T WHERE Nombre = 'n%1' ORDER BY Id").arg(i % 3)
                 << QStringLiteral("SELECT TOP 2 Id FROM T WHERE Id > %1 ORDER BY Id").arg(i)
                 << QStringLiteral("SELECT COUNT(*) FROM T WHERE Importe > %1").arg(i * 0.75)
                 << QStringLiteral("SELECT Id FROM T WHERE Id = %1")
                        .arg(i % 2 ? QString::number(i) : QStringLiteral("'%1'").arg(i))
                 << QStringLiteral("SELECT Id FROM T WHERE Id = %1").arg(i + 0.5);
    // Numbers at the edges of the 64-bit integers, and numbers that are not integers.
    for (const char* v : {"9223372036854775807", "-9223372036854775808", "9223372036854775808",
                          "-9223372036854775809", "18446744073709551616", "2147483648", "007",
                          "1e3", "-.5", "1.5E-2", "0"})
        repeated << QStringLiteral("SELECT %1 AS v FROM T WHERE Id = 0").arg(QLatin1String(v));
    // More distinct shapes than the cache keeps, each seen twice so it is prepared.
    QStringList many;
    for (int k = 0; k < 20; ++k)
        many << QStringLiteral("SELECT Id, Id + %1 AS k%1 FROM T WHERE Id = %2").arg(k).arg(k - 5)
             << QStringLiteral("SELECT Id, Id + %1 AS k%2 FROM T WHERE Id = %3")
                    .arg(k + 1)
                    .arg(k)
                    .arg(k - 4);
    const QStringList queries = repeated + many + repeated;
    for (int pass = 0; pass < 2; ++pass)
        for (const QString& q : queries) {
            QStringList a, b;
            bool aFailed = false, bFailed = false;
            try {
                a = rowsOf(*cn, q);
            } catch (const AutomationError&) {
                aFailed = true;
            }
            try {
                b = rowsOf(*plain, q);
            } catch (const AutomationError&) {
                bFailed = true;
            }
            EXPECT_EQ(aFailed, bFailed) << q.toStdString();
            EXPECT_EQ(a, b) << q.toStdString();
        }
    const auto stats = cn->cacheStatistics();
    EXPECT_GT(stats.hits, 100) << "the repeated shapes should have run prepared";
    EXPECT_GT(stats.prepares, 8) << "shapes should have been evicted and prepared again";
    qint32 n = 0;
    for (int i = 0; i < 5; ++i)
        cn->Execute(
            QStringLiteral("UPDATE T SET Importe = Importe + 0.1 WHERE Id BETWEEN %1 AND %2")
                .arg(i)
                .arg(i + 1),
            &n);
    EXPECT_EQ(n, 2);
}

// Statements kept prepared (on the server, for PostgreSQL in a transaction) follow a
// change of the table under them.
TEST_P(Ado, KeptStatementsFollowSchemaChanges) {
    cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre) VALUES (1, 'uno')"));
    cn->BeginTrans();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT * FROM T WHERE Id = %1").arg(1)).size(), 1);
    cn->Execute(QStringLiteral("ALTER TABLE T ADD COLUMN Extra INTEGER"));
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM T WHERE Id = 1"), *cn);
    EXPECT_EQ(rs.FieldCount(), 6);
    EXPECT_TRUE(rs.Fields(QStringLiteral("Extra")).isNull());
    rs.Close();
    for (int i = 2; i < 6; ++i) // prepared on the server from the second on, failing alone
        cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre) VALUES (%1, 'n''%1')").arg(i));
    EXPECT_THROW(cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre) VALUES (3, 'x')")),
                 AutomationError);
    cn->Execute(QStringLiteral("INSERT INTO T (Id, Nombre) VALUES (6, 'seis')"));
    cn->CommitTrans();
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Nombre FROM T WHERE Id IN (5, 6) ORDER BY Id")),
              QStringList({"n'5", "seis"}));
}

// A named lock is held until it is released or its connection closes, and it belongs to
// one database: a company in another schema of the same server (or another file) is not
// kept waiting.
TEST_P(Ado, NamedLocksBelongToOneDatabaseAndEndWithTheirConnection) {
    const QString name = QStringLiteral("Listado_Desc_Comis");
    cn->LockNamed(name);
    const auto otra = db->open();
    EXPECT_FALSE(otra->LockNamed(name, 0)) << "held by the first connection";
    testsupport::ScratchDatabase vecina(GetParam());
    EXPECT_TRUE(vecina.open()->LockNamed(name, 0)) << "another database is not kept waiting";
    cn->Close();
    // A server ends the closed session (and its locks) a moment after the client left.
    EXPECT_TRUE(otra->LockNamed(name, 5000)) << "closing the connection released it";
    otra->UnlockNamed(name);
    EXPECT_TRUE(db->open()->LockNamed(name, 0)) << "released by UnlockNamed";
}

ORBENTA_ENGINE_TESTS(Ado);

TEST(AdoConnection, RejectsUnknownDriversAndUnreachableServers) {
    ado::Connection cn;
    {
        const auto e =
            testsupport::failureOf([&] { cn.Open(QStringLiteral("Driver=Oracle;Database=x")); });
        EXPECT_EQ(e.number(), ado::errors::ProviderNotFound);
    }
    {
        const auto e = testsupport::failureOf([&] {
            cn.Open(QStringLiteral("Driver=ODBC;Dialect=Oracle;Driver={PostgreSQL Unicode}"));
        });
        EXPECT_EQ(e.number(), ado::errors::ProviderNotFound);
        EXPECT_TRUE(e.description().startsWith(QStringLiteral("Dialect=Oracle is not a dialect")))
            << e.description().toStdString();
    }
    {
        const auto e = testsupport::failureOf([&] {
            cn.Open(QStringLiteral("Driver=PostgreSQL;Server=127.0.0.1;Port=1;Database=x;Uid=x"));
        });
        EXPECT_EQ(e.number(), ado::errors::ConnectFailed);
        EXPECT_EQ(e.source(), QStringLiteral("ado.PostgreSQL"));
    }
    EXPECT_EQ(cn.State(), ado::adStateClosed);
}

TEST(AdoConnection, DisplayedConnectionStringsHideThePassword) {
    const struct {
        const char* given;
        const char* shown;
    } cases[] = {
        {"Driver=SQLite;Database=/tmp/a.db", "Driver=SQLite;Database=/tmp/a.db"},
        {"Driver=PostgreSQL;Server=h;Uid=u;Pwd=secret", "Driver=PostgreSQL;Server=h;Uid=u;Pwd=***"},
        {"Driver=PostgreSQL;PASSWORD = a=b;Port=5432;",
         "Driver=PostgreSQL;PASSWORD =***;Port=5432;"},
        {"Driver=ODBC;DRIVER={SQL Server};PWD={se;cr}et};UID=u",
         "Driver=ODBC;DRIVER={SQL Server};PWD=***;UID=u"},
        {"Driver=PostgreSQL;Pwdx=1;xPwd=2", "Driver=PostgreSQL;Pwdx=1;xPwd=2"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ado::displayConnectionString(QString::fromUtf8(c.given)),
                  QString::fromUtf8(c.shown))
            << c.given;
}

} // namespace

namespace {

// The ODBC backend passes the text through to whatever driver the connection string
// names. SQL Server is not available here; the PostgreSQL ODBC driver on the test server
// exercises the same path: rows affected, NULLs, errors, transactions.
QString odbcConnectionString() {
    const QString pg = testsupport::postgresConnectionString();
    if (pg.isEmpty())
        return {};
    QHash<QString, QString> k;
    for (const QString& part : pg.split(u';', Qt::SkipEmptyParts))
        k.insert(part.section(u'=', 0, 0).toLower(), part.section(u'=', 1));
    return QStringLiteral("Driver=ODBC;DRIVER={PostgreSQL Unicode};SERVER=%1;PORT=%2;DATABASE=%3;"
                          "UID=%4;PWD=%5;Protocol=7.4-2")
        .arg(k.value("server"), k.value("port"), k.value("database"), k.value("uid"),
             k.value("pwd"));
}

TEST(AdoOnPostgreSQL, OdbcBackendRunsTheTextUnchanged) {
    if (odbcConnectionString().isEmpty())
        GTEST_SKIP() << "ORBENTA_TEST_PG is not set";
    ado::Connection cn;
    cn.Open(odbcConnectionString());
    EXPECT_EQ(cn.dialect(), ado::Dialect::SqlServer);
    const QString table = QStringLiteral("odbc_%1").arg(QCoreApplication::applicationPid());
    cn.Execute(
        QStringLiteral("CREATE TEMPORARY TABLE %1 (Id INTEGER PRIMARY KEY, Nombre VARCHAR(20))")
            .arg(table));
    qint32 n = 0;
    cn.Execute(
        QStringLiteral("INSERT INTO %1 (Id, Nombre) VALUES (1, NULL), (2, 'dos')").arg(table), &n);
    EXPECT_EQ(n, 2);
    cn.BeginTrans();
    {
        const auto e = testsupport::failureOf(
            [&] { cn.Execute(QStringLiteral("INSERT INTO %1 (Id) VALUES (1)").arg(table)); });
        EXPECT_EQ(e.source(), QStringLiteral("ado.ODBC"));
        EXPECT_FALSE(e.description().isEmpty());
    }
    cn.Execute(
        QStringLiteral("UPDATE %1 SET Nombre = 'uno' WHERE Id = 1 AND Nombre IS NULL").arg(table),
        &n);
    EXPECT_EQ(n, 1);
    cn.CommitTrans();
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Id, Nombre FROM %1 ORDER BY Id").arg(table), cn,
            ado::adOpenKeyset, ado::adLockPessimistic);
    EXPECT_EQ(rs.Fields(QStringLiteral("NOMBRE")).toString(), QStringLiteral("uno"));
    rs.MoveNext();
    EXPECT_EQ(rs.Fields(QStringLiteral("id")).toInt(), 2);
    {
        const auto e = testsupport::failureOf([&] { cn.Execute(QStringLiteral("SELEC 1")); });
        EXPECT_EQ(e.number(), ado::errors::Statement);
    }
}

} // namespace
