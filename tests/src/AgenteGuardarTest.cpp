#include "Database.h"
#include "TestCli.h"
#include "TestComponent.h"

#include "TestErrors.h"
#include <ORBTAgentes.h>

#include <gtest/gtest.h>

using namespace ORBTAgentes;
using testsupport::EngineTest;
using testsupport::rowsOf;

namespace {

class AgenteGuardar : public testsupport::ComponentTest {
protected:
    static clsAgente sample(qint16 code) {
        clsAgente a;
        a.Codigo = code;
        a.Nombre = QStringLiteral("Nombre");
        a.Direccion = QStringLiteral("Dirección");
        a.Cp = 48001;
        a.Localidad = QStringLiteral("Bilbao");
        a.Provincia = QStringLiteral("Bizkaia");
        a.Telefono = QStringLiteral("944");
        a.Fax = QStringLiteral("945");
        a.Movil = QStringLiteral("600");
        a.eMail = QStringLiteral("a@b.es");
        a.Almacen = 2;
        a.Bloqueado = true;
        a.Bloq_Fecha = naive(QDate(2024, 2, 29), QTime(0, 0));
        a.Bloq_Motivo = QStringLiteral("Motivo");
        a.ComisionVenta = Currency::fromString(QStringLiteral("12.5"));
        a.ComisionCobro = Currency::fromString(QStringLiteral("-3"));
        a.Retencion_IRPF = Currency::fromString(QStringLiteral("0.0001"));
        a.NoImpLiquidacion = false;
        a.Password = QStringLiteral("pw");
        a.Cta_Bancaria = QStringLiteral("21000000000000000000");
        a.Observ = QStringLiteral("Obs");
        return a;
    }
};

constexpr const char* kUpdate7 =
    "UPDATE Agentes SET Nombre ='Nombre', Direccion ='Dirección', Cp =48001, Localidad ='Bilbao', "
    "Provincia ='Bizkaia', Telefono ='944', Fax ='945', Movil ='600', EMail ='a@b.es', Almacen =2, "
    "Bloqueado =1, Bloq_Fecha ='2024-02-29T00:00:00', Bloq_Motivo ='Motivo', ComisVentas =12.5, "
    "ComisCobros =-3, Retencion_IRPF =0.0001, NoImpLiquidacion =0, Password ='pw', Cta_Bancaria "
    "='21000000000000000000', Observ ='Obs', Enviado =0 WHERE Codigo =-7";
constexpr const char* kInsert7 =
    "INSERT INTO Agentes (Codigo, Nombre, Direccion, Cp, Localidad, Provincia, Telefono, Fax, "
    "Movil, EMail, Almacen, Bloqueado, Bloq_Fecha, Bloq_Motivo, ComisVentas, ComisCobros, "
    "Retencion_IRPF, NoImpLiquidacion, Password, Cta_Bancaria, Observ) VALUES (-7, 'Nombre', "
    "'Dirección', 48001, 'Bilbao', 'Bizkaia', '944', '945', '600', 'a@b.es', 2, 1, "
    "'2024-02-29T00:00:00', 'Motivo', 12.5, -3, 0.0001, 0, 'pw', '21000000000000000000', 'Obs')";

TEST_P(AgenteGuardar, StatementsAreSentExactlyAsWritten) {
    std::vector<ado::StatementEvent> sent;
    cn->setObserver([&](const ado::StatementEvent& e) { sent.push_back(e); });
    const auto texts = [&] {
        QStringList t;
        for (const auto& e : sent)
            t << e.text;
        sent.clear();
        return t;
    };
    clsAgente a = sample(-7);
    EXPECT_TRUE(a.Modificar()); // no row yet: UPDATE, then INSERT
    EXPECT_EQ(texts(), QStringList({kUpdate7, kInsert7}));
    EXPECT_TRUE(a.Modificar()); // the row exists: UPDATE alone
    EXPECT_EQ(texts(), QStringList({kUpdate7}));
    EXPECT_TRUE(a.Eliminar());
    EXPECT_EQ(texts(), QStringList({"SELECT TOP 1 * FROM Agentes_Acumulados WHERE Cod_Agente =-7",
                                    "DELETE FROM Agentes WHERE Codigo =-7"}));
    EXPECT_TRUE(a.Insertar());
    EXPECT_EQ(texts(), QStringList({kInsert7}));
    // The object is not changed by saving.
    EXPECT_EQ(a.Nombre, QStringLiteral("Nombre"));
    EXPECT_EQ(
        rowsOf(*cn, QStringLiteral("SELECT Enviado, Bloqueado, NoImpLiquidacion FROM Agentes")),
        QStringList({"0|1|0"}));
}

TEST_P(AgenteGuardar, EliminarRefusesAnAgentWithAccumulatedSales) {
    clsAgente a = sample(5);
    a.Insertar();
    clsAgente b = sample(6);
    b.Insertar();
    cn->Execute(QStringLiteral(
        "INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha) VALUES (9, 5, "
        "'2020-01-01T00:00:00')"));
    cn->Execute(
        QStringLiteral("INSERT INTO Agentes_Acumulados_Articulos (Cod_Empresa, Cod_Almacen, Fecha, "
                       "Cod_Articulo, Cod_Agente) VALUES (1, 1, '2020-01-01T00:00:00', 3, 6)"));
    EXPECT_FALSE(a.Eliminar());
    ASSERT_EQ(presenter->requests.size(), 1);
    const ui::MessageRequest& r = presenter->requests[0];
    EXPECT_EQ(r.text, QStringLiteral("No se puede eliminar el agente por tener datos asociados."));
    EXPECT_EQ(r.title, QStringLiteral("¡ Atención !"));
    EXPECT_EQ(r.icon, ui::vbInformation);
    EXPECT_EQ(r.buttons, ui::vbOKOnly);
    // Rows in the per-article totals only do not keep an agent.
    EXPECT_TRUE(b.Eliminar());
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Codigo FROM Agentes")), QStringList({"5"}));
    EXPECT_EQ(presenter->requests.size(), 1);
}

// A Modificar whose fall-back Insertar fails.
class InsertarFalla : public clsAgente {
public:
    bool Insertar() override {
        return reraiseAs("clsAgente::Insertar", []() -> bool {
            throw AutomationError(-5, QStringLiteral("prueba"), QStringLiteral("falla"));
        });
    }
};

TEST_P(AgenteGuardar, FailuresCarryTheSourceOfTheOperationCalled) {
    clsAgente a = sample(3);
    a.Insertar();
    {
        const auto e = testsupport::failureOf([&] { a.Insertar(); });
        EXPECT_EQ(e.number(), ado::errors::Integrity);
        EXPECT_EQ(e.source(), QStringLiteral("clsAgente::Insertar"));
    }
    InsertarFalla f;
    f.Codigo = 4;
    {
        const auto e = testsupport::failureOf([&] { f.Modificar(); });
        EXPECT_EQ(e.number(), -5);
        EXPECT_EQ(e.description(), QStringLiteral("falla"));
        EXPECT_EQ(e.source(), QStringLiteral("clsAgente::Modificar"));
    }
    cn->Execute(QStringLiteral("DROP TABLE Agentes_Acumulados"));
    {
        const auto e = testsupport::failureOf([&] { a.Eliminar(); });
        EXPECT_EQ(e.source(), QStringLiteral("clsAgente::Eliminar"));
    }
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Agentes")), QStringList({"1"}));
}

// Whatever office staff type is stored exactly and changes nothing else.
TEST_P(AgenteGuardar, HostileAndUnusualTextsComeBackIdentical) {
    QStringList corpus = {"'", "''", "O'Donnell", "'; DROP TABLE Agentes; --", "x' OR '1'='1",
                          "\\'); DELETE FROM Agentes; --", "ends with a backslash \\",
                          "backslash before a line break \\\nnext line",
                          "line\r\nbreaks\nand\ttabs", "’ ‘ ʼ ′ ＇ ‛ look-alike apostrophes",
                          "Ñandú, Ibáñez, Àlex, Çà, ß, ü", "emoji 😀👍🏽 and CJK 東京",
                          "/* not a comment */ -- nor this", "?, $1, :name, %s, {0}",
                          // Placeholders of Qt's own arg(): a statement joined by chained
                          // arg() calls would substitute them again.
                          "%1", "%4", "%9", "%L1", "%%", "%1%2%3%4%5%6%7%8%9 %L1 %% %99",
                          "%4', Cp =1 WHERE 1=1 --", "", "   leading and trailing blanks   "};
    corpus << QString(255, QChar(u'ñ'));
    QString clsAgente::*const fields[] = {
        &clsAgente::Nombre,    &clsAgente::Direccion,    &clsAgente::Localidad,
        &clsAgente::Provincia, &clsAgente::Telefono,     &clsAgente::Fax,
        &clsAgente::Movil,     &clsAgente::eMail,        &clsAgente::Bloq_Motivo,
        &clsAgente::Password,  &clsAgente::Cta_Bancaria, &clsAgente::Observ};
    sample(1).Insertar();
    sample(2).Insertar();
    qint16 code = 100;
    for (const QString& text : corpus) {
        SCOPED_TRACE(text.toStdString());
        clsAgente a = sample(code);
        for (QString clsAgente::*f : fields)
            a.*f = text;
        a.Observ = text + QStringLiteral(" (obs)");
        ASSERT_NO_THROW(a.Modificar());
        a.Observ = text + text; // and once more through the UPDATE
        ASSERT_NO_THROW(a.Modificar());
        clsAgente back;
        back.Codigo = code++;
        ASSERT_TRUE(back.Cargar());
        for (QString clsAgente::*f : fields)
            EXPECT_EQ(back.*f, f == &clsAgente::Observ ? text + text : text);
    }
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Agentes")),
              QStringList({QString::number(2 + corpus.size())}));
    EXPECT_EQ(rowsOf(*cn, QStringLiteral(
                              "SELECT Nombre FROM Agentes WHERE Codigo IN (1, 2) ORDER BY Codigo")),
              QStringList({"Nombre", "Nombre"}));
    // A NUL cannot travel inside a statement: refused, and nothing is written.
    clsAgente nul = sample(9);
    nul.Nombre = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    EXPECT_THROW(nul.Modificar(), AutomationError);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Agentes WHERE Codigo = 9")),
              QStringList({"0"}));
}

TEST_P(AgenteGuardar, DatesAndAmountsRoundTrip) {
    const std::pair<QDateTime, const char*> cases[] = {
        {zeroDate(), "0"},
        {naive(QDate(1900, 1, 1), QTime(0, 0)), "0.0001"},
        {naive(QDate(1900, 2, 28), QTime(23, 59, 59)), "-0.0001"},
        {naive(QDate(2000, 2, 29), QTime(0, 0)), "123456789.1234"},
        {naive(QDate(2024, 2, 29), QTime(13, 14, 15)), "-99999.9999"},
        {naive(QDate(2026, 12, 31), QTime(23, 59, 59)), "15"},
        {naive(QDate(2027, 1, 1), QTime(0, 0, 1)), "0.5"},
        {naive(QDate(2024, 3, 31), QTime(2, 30, 0)), "-15"}}; // a daylight-saving gap in Spain
    qint16 code = 1;
    for (const auto& [date, amount] : cases) {
        SCOPED_TRACE(date.toString(Qt::ISODate).toStdString() + " " + amount);
        clsAgente a = sample(code);
        a.Bloq_Fecha = date;
        a.ComisionVenta = Currency::fromString(QLatin1String(amount));
        a.Modificar();
        clsAgente back;
        back.Codigo = code++;
        ASSERT_TRUE(back.Cargar());
        EXPECT_EQ(back.Bloq_Fecha, date);
        EXPECT_EQ(back.ComisionVenta, a.ComisionVenta);
    }
}

ORBENTA_ENGINE_TESTS(AgenteGuardar);

} // namespace
