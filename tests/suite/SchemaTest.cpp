#include "Database.h"
#include "TestDatabase.h"

using namespace testsupport;

namespace {

class Schema : public EngineTest {};

TEST_P(Schema, CreatesEveryTableLoadsTheDemoDistributorAndReplacesOnlyItsOwn) {
    EXPECT_FALSE(orbenta::db::hasTables(*cn));
    createSchema(true);
    EXPECT_TRUE(orbenta::db::hasTables(*cn));
    const auto number = [&](const QString& sql) { return rowsOf(*cn, sql).value(0).toDouble(); };
    for (const QString& t : orbenta::db::tableNames())
        EXPECT_NO_THROW(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM %1").arg(t)))
            << t.toStdString();
    EXPECT_GT(number("SELECT COUNT(*) FROM Familias_3"), 20);
    EXPECT_EQ(number("SELECT COUNT(DISTINCT Nivel) FROM Agentes_Comisiones WHERE Cod_Empresa = 1"),
              4);
    EXPECT_GT(number("SELECT COUNT(*) FROM Agentes_Comisiones WHERE Comision = 200"), 0);
    EXPECT_EQ(rowsOf(*cn, "SELECT Nivel3 FROM Empresas WHERE Codigo = 2"), QStringList({""}));
    // A company, agent and day have one day total.
    cn->Execute("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, ComisionCobro) "
                "VALUES (9, 1, '2026-01-01T00:00:00', 1)");
    EXPECT_THROW(cn->Execute("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha) "
                             "VALUES (9, 1, '2026-01-01T00:00:00')"),
                 automation::AutomationError);
    cn->Execute("CREATE TABLE Ajena (x INTEGER)");
    cn->Execute("INSERT INTO Ajena (x) VALUES (1)");
    cn->Execute("INSERT INTO Bancos (Codigo, Nombre) VALUES (1, 'b')");
    orbenta::db::createSchema(*cn, true);
    EXPECT_EQ(rowsOf(*cn, "SELECT COUNT(*) FROM Bancos"), QStringList({"0"}));
    EXPECT_EQ(rowsOf(*cn, "SELECT x FROM Ajena"), QStringList({"1"}));
}

ORBENTA_ENGINE_TESTS(Schema);

} // namespace
