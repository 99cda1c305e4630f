#include "TestComponent.h"

using namespace ORBTAgentes;
using namespace testsupport;

namespace {

class AgenteGuardar : public ComponentTest {
protected:
    // An agent with every property set, not on file.
    clsAgente sample(qint16 code) {
        insertAgent(*cn, code);
        clsAgente a = loadedAgent(code);
        cn->Execute("DELETE FROM Agentes WHERE Codigo = " + QString::number(code));
        return a;
    }
};

constexpr const char* kUpdate7 =
    "UPDATE Agentes SET Nombre ='Agente -7', Direccion ='Dir -7', Cp =47993, Localidad ='Loc', "
    "Provincia ='Prov', Telefono ='Tel', Fax ='Fax', Movil ='Mov', EMail ='m-7@x.es', Almacen =-2, "
    "Bloqueado =1, Bloq_Fecha ='2024-02-29T10:20:30', Bloq_Motivo ='motivo', ComisVentas "
    "=1234.5678, ComisCobros =-0.0001, Retencion_IRPF =15, NoImpLiquidacion =0, Password ='pw', "
    "Cta_Bancaria ='21000000000000000000', Observ ='', Enviado =0 WHERE Codigo =-7";
constexpr const char* kInsert7 =
    "INSERT INTO Agentes (Codigo, Nombre, Direccion, Cp, Localidad, Provincia, Telefono, Fax, "
    "Movil, EMail, Almacen, Bloqueado, Bloq_Fecha, Bloq_Motivo, ComisVentas, ComisCobros, "
    "Retencion_IRPF, NoImpLiquidacion, Password, Cta_Bancaria, Observ) VALUES (-7, 'Agente -7', "
    "'Dir -7', 47993, 'Loc', 'Prov', 'Tel', 'Fax', 'Mov', 'm-7@x.es', -2, 1, "
    "'2024-02-29T10:20:30', 'motivo', 1234.5678, -0.0001, 15, 0, 'pw', '21000000000000000000', '')";

TEST_P(AgenteGuardar, StatementsAreSentExactlyAsWritten) {
    QStringList sent;
    cn->setObserver([&](const ado::StatementEvent& e) { sent << e.text; });
    const auto texts = [&] { return std::exchange(sent, {}); };
    clsAgente a = sample(-7);
    sent.clear();
    EXPECT_TRUE(a.Modificar()); // no row yet: UPDATE, then INSERT
    EXPECT_EQ(texts(), QStringList({kUpdate7, kInsert7}));
    EXPECT_TRUE(a.Modificar()); // the row exists: UPDATE alone
    EXPECT_EQ(texts(), QStringList({kUpdate7}));
    cn->Execute("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha) VALUES (9, -7, "
                "'2020-01-01T00:00:00')");
    EXPECT_FALSE(a.Eliminar()); // day totals keep the agent, and the user is told why
    ASSERT_EQ(presenter->requests.size(), 1);
    const ui::MessageRequest& r = presenter->requests[0];
    EXPECT_EQ(
        QStringList({r.text, r.title}),
        QStringList({"No se puede eliminar el agente por tener datos asociados.", "¡ Atención !"}));
    EXPECT_TRUE(r.icon == ui::vbInformation && r.buttons == ui::vbOKOnly);
    cn->Execute("DELETE FROM Agentes_Acumulados");
    texts();
    EXPECT_TRUE(a.Eliminar());
    EXPECT_EQ(texts(), QStringList({"SELECT TOP 1 * FROM Agentes_Acumulados WHERE Cod_Agente =-7",
                                    "DELETE FROM Agentes WHERE Codigo =-7"}));
    EXPECT_TRUE(a.Insertar());
    EXPECT_EQ(texts(), QStringList({kInsert7}));
    EXPECT_EQ(rowsOf(*cn, "SELECT Enviado, Bloqueado, NoImpLiquidacion FROM Agentes"),
              QStringList({"0|1|0"}));
}

// A Modificar whose fall-back Insertar fails.
class InsertarFalla : public clsAgente {
public:
    bool Insertar() override {
        return reraiseAs("clsAgente::Insertar",
                         []() -> bool { throw AutomationError(-5, "prueba", "falla"); });
    }
};

TEST_P(AgenteGuardar, FailuresCarryTheSourceOfTheOperationCalled) {
    clsAgente a = sample(3);
    a.Insertar();
    InsertarFalla f;
    f.Codigo = 4;
    const std::tuple<std::function<void()>, qint32, const char*> cases[] = {
        {[&] { a.Insertar(); }, ado::errors::Integrity, "clsAgente::Insertar"},
        {[&] { f.Modificar(); }, -5, "clsAgente::Modificar"},
        {[&] {
             cn->Execute("DROP TABLE Agentes_Acumulados");
             a.Eliminar();
         },
         ado::errors::Statement, "clsAgente::Eliminar"}};
    for (const auto& [call, number, source] : cases) {
        const auto e = failureOf(call);
        EXPECT_EQ(std::pair(e.number(), e.source()), std::pair(number, QString(source)));
    }
    EXPECT_EQ(failureOf([&] { f.Modificar(); }).description(), "falla");
    EXPECT_EQ(rowsOf(*cn, "SELECT COUNT(*) FROM Agentes"), QStringList({"1"}));
}

TEST_P(AgenteGuardar, TextsDatesAndAmountsComeBackIdentical) {
    QStringList corpus = {"'", "''", "O'Donnell", "'; DROP TABLE Agentes; --", "x' OR '1'='1",
                          "\\'); DELETE FROM Agentes; --", "ends with a backslash \\",
                          "backslash before a line break \\\nnext line",
                          "line\r\nbreaks\nand\ttabs", "’ ‘ ʼ ′ ＇ ‛ look-alike apostrophes",
                          "Ñandú, Ibáñez, Àlex, Çà, ß, ü", "emoji 😀👍🏽 and CJK 東京",
                          "/* not a comment */ -- nor this", "?, $1, :name, %s, {0}",
                          // chained arg() calls would substitute these again
                          "%1", "%4", "%9", "%L1", "%%", "%1%2%3%4%5%6%7%8%9 %L1 %% %99",
                          "%4', Cp =1 WHERE 1=1 --", "", "   leading and trailing blanks   "};
    corpus << QString(255, QChar(u'ñ'));
    QString clsAgente::*const fields[] = {
        &clsAgente::Nombre,    &clsAgente::Direccion,    &clsAgente::Localidad,
        &clsAgente::Provincia, &clsAgente::Telefono,     &clsAgente::Fax,
        &clsAgente::Movil,     &clsAgente::eMail,        &clsAgente::Bloq_Motivo,
        &clsAgente::Password,  &clsAgente::Cta_Bancaria, &clsAgente::Observ};
    const std::pair<QDateTime, const char*> amounts[] = {
        {zeroDate(), "0"},
        {naive(QDate(1900, 1, 1), QTime(0, 0)), "0.0001"},
        {naive(QDate(1900, 2, 28), QTime(23, 59, 59)), "-0.0001"},
        {naive(QDate(2000, 2, 29), QTime(0, 0)), "123456789.1234"},
        {naive(QDate(2024, 2, 29), QTime(13, 14, 15)), "-99999.9999"},
        {naive(QDate(2026, 12, 31), QTime(23, 59, 59)), "15"},
        {naive(QDate(2027, 1, 1), QTime(0, 0, 1)), "0.5"},
        {naive(QDate(2024, 3, 31), QTime(2, 30, 0)), "-15"}}; // a daylight-saving gap in Spain
    sample(1).Insertar();
    sample(2).Insertar();
    qint16 code = 100;
    for (const QString& text : corpus) {
        SCOPED_TRACE(text.toStdString());
        const auto& [date, amount] = amounts[code % std::size(amounts)];
        clsAgente a = sample(code);
        for (QString clsAgente::*f : fields)
            a.*f = text;
        a.Observ = text + " (obs)";
        a.Bloq_Fecha = date;
        a.ComisionVenta = Currency::fromString(QLatin1String(amount));
        ASSERT_NO_THROW(a.Modificar());
        a.Observ = text + text; // and once more through the UPDATE
        ASSERT_NO_THROW(a.Modificar());
        const clsAgente back = loadedAgent(code++);
        for (QString clsAgente::*f : fields)
            EXPECT_EQ(back.*f, f == &clsAgente::Observ ? text + text : text);
        EXPECT_EQ(std::pair(back.Bloq_Fecha, back.ComisionVenta), std::pair(date, a.ComisionVenta));
    }
    EXPECT_EQ(rowsOf(*cn, "SELECT COUNT(*) FROM Agentes"),
              QStringList({QString::number(2 + corpus.size())}));
    EXPECT_EQ(rowsOf(*cn, "SELECT Nombre FROM Agentes WHERE Codigo IN (1, 2) ORDER BY Codigo"),
              QStringList({"Agente 1", "Agente 2"}));
    clsAgente nul = sample(9);
    nul.Nombre = "a" + QChar(0) + "b";
    EXPECT_THROW(nul.Modificar(), AutomationError) << "a NUL cannot travel inside a statement";
    EXPECT_EQ(rowsOf(*cn, "SELECT COUNT(*) FROM Agentes WHERE Codigo = 9"), QStringList({"0"}));
}

ORBENTA_ENGINE_TESTS(AgenteGuardar);

} // namespace
