#include "TestDatabase.h"

#include "TestCli.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testsupport::CliRun;
using testsupport::orbenta;

class Cli : public testsupport::EngineTest {
protected:
    QStringList db(QStringList args) const { return args << QStringLiteral("--db") << this->db_(); }
    QString db_() const { return EngineTest::db->connectionString(); }
};

TEST_P(Cli, InitSqlAndEmpresa) {
    CliRun r = orbenta(db({"init", "--demo"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = orbenta(db({"sql", "SELECT TOP 1 Nombre FROM Agentes ORDER BY Codigo"}));
    EXPECT_EQ(r.code, 0);
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    EXPECT_EQ(lines[0].toLower(), QStringLiteral("nombre"));

    r = orbenta(db({"sql", "SELECT Codigo, Fax FROM Agentes WHERE Codigo = 38"}));
    EXPECT_EQ(r.out.split(u'\n').value(1), QStringLiteral("38\tNULL"));
    r = orbenta(db({"sql", "UPDATE Agentes SET Fax = '' WHERE Codigo > 30"}));
    EXPECT_EQ(r.out, QStringLiteral("rows affected: 10\n"));

    // A second init refuses to overwrite; --force replaces.
    r = orbenta(db({"init"}));
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("error 5 (orbenta): "))) << r.err.toStdString();
    EXPECT_EQ(orbenta(db({"init", "--force"})).code, 0);

    r = orbenta(db({"empresa", "guardar", "7", "--nivel1", "Familia", "--nivel2", "", "--config",
                    "ODBCNombre=Orbenta", "--nombre", "L'Hospitalet Suministros"}));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = orbenta(db({"empresa", "guardar", "7", "--articulos", "3"}));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = orbenta(db({"empresa", "listar"}));
    EXPECT_EQ(r.out.split(u'\n').value(1),
              QStringLiteral("7\tL'Hospitalet Suministros\t3\tFamilia\t\t\t"));
}

TEST_P(Cli, FailuresArePrintedWithNumberSourceAndDescription) {
    const QString backend = GetParam() == testsupport::Engine::SQLite ? "SQLite" : "PostgreSQL";
    CliRun r = orbenta(db({"sql", "SELEC 1"}));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("error -2147217900 (ado.%1): ").arg(backend)))
        << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_P(Cli, TraceShowsTheStatementAsWritten) {
    ASSERT_EQ(orbenta(db({"init"})).code, 0);
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORBENTA_TRACE_SQL"), QStringLiteral("1"));
    const QString sql = QStringLiteral("SELECT TOP 1 ISNULL(Nombre, 'x') AS n FROM Agentes");
    const CliRun r = orbenta(db({"sql", sql}), env);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, QStringLiteral("SQL: ") + sql + u'\n');
}

ORBENTA_ENGINE_TESTS(Cli);

TEST(CliUnit, UnknownDriverAndUnknownCommand) {
    CliRun r = orbenta({"sql", "--db", "Driver=Nada", "SELECT 1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("error 3706 (ado): "))) << r.err.toStdString();
    r = orbenta({"--db", "x", "nada"});
    EXPECT_NE(r.code, 0);
}

// The pictures come from a scratch demo database: the user's database is neither
// needed nor touched.
TEST(CliUnit, CapturaDrawsTheWindowsFromFreshDemoData) {
    QTemporaryDir dir;
    auto env = QProcessEnvironment::systemEnvironment();
    const QString userDb = dir.filePath(QStringLiteral("user.db"));
    env.insert(QStringLiteral("ORBENTA_DB"), QStringLiteral("Driver=SQLite;Database=") + userDb);
    const QString pictures = dir.filePath(QStringLiteral("pictures"));
    const CliRun r = orbenta({"captura", pictures}, env);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QImage empty(pictures + QStringLiteral("/frmAgentes_CambioFactura-vacia.png"));
    const QImage loaded(pictures + QStringLiteral("/frmAgentes_CambioFactura.png"));
    ASSERT_FALSE(empty.isNull());
    ASSERT_FALSE(loaded.isNull());
    // The window's client area, 6390 x 3450 twips at 15 twips a pixel.
    EXPECT_EQ(loaded.size(), QSize(426, 230));
    EXPECT_NE(empty, loaded); // the invoice and the new agent are shown
    EXPECT_FALSE(QFile::exists(userDb));
}

} // namespace
