#include "Database.h"
#include "TestComponent.h"

using namespace ORBTAgentes;
using namespace testsupport;

namespace {

class AgenteCargar : public ComponentTest {};

using Op = bool (clsAgente::*)(clsAgente*);
constexpr Op kCargar = &clsAgente::Cargar, kAnterior = &clsAgente::Cargar_Anterior,
             kSiguiente = &clsAgente::Cargar_Siguiente, kPrimero = &clsAgente::Cargar_Primero,
             kUltimo = &clsAgente::Cargar_Ultimo;

TEST_P(AgenteCargar, NavigatesAcrossGapsAndNegativeCodes) {
    struct Step {
        Op op;
        int from;
        int expected; // 0: not found, the target unchanged
    };
    int n = 0; // every other step loads through another agent, which is left alone
    const auto run = [&n](const Step& s) {
        SCOPED_TRACE(std::to_string(s.from) + " -> " + std::to_string(s.expected));
        clsAgente a, caller;
        caller.Codigo = 3;
        a.Codigo = qint16(s.from);
        a.Nombre = "antes";
        a.SoloLectura = true; // not a column: a load leaves it alone
        EXPECT_EQ(n++ % 2 ? (caller.*s.op)(&a) : (a.*s.op)(nullptr), s.expected != 0);
        EXPECT_TRUE(caller.Codigo == 3 && caller.Nombre.isEmpty() && a.SoloLectura);
        EXPECT_EQ(a.Codigo, s.expected ? s.expected : s.from);
        EXPECT_EQ(a.Nombre,
                  s.expected ? "Agente " + QString::number(s.expected) : QString("antes"));
    };
    for (const Step& s : {Step{kPrimero, 0, 0}, Step{kUltimo, 0, 0}, Step{kSiguiente, 0, 0}})
        run(s); // an empty table
    for (int c : {-7, -3, 10, 20})
        insertAgent(*cn, c);
    const Step steps[] = {
        {kSiguiente, 15, 20}, {kSiguiente, 20, 0}, {kSiguiente, -7, -3}, {kSiguiente, -100, -7},
        {kAnterior, 15, 10},  {kAnterior, 0, -3},  {kAnterior, -7, 0},   {kAnterior, 32767, 20},
        {kPrimero, 99, -7},   {kUltimo, 99, 20},   {kCargar, 10, 10},    {kCargar, 15, 0},
        {kCargar, 0, 0},
    };
    for (const Step& s : steps)
        run(s);
}

TEST_P(AgenteCargar, ANullColumnStopsTheCopyAndASecondConnectionServesEveryObject) {
    insertAgent(*cn, 5, {}, "NULL");
    cn->Execute("INSERT INTO Agentes (Codigo, Nombre) VALUES (6, 'Sin datos')");
    insertAgent(*cn, 8, {}, "''", "NULL");
    clsAgente a;
    a.Codigo = 5;
    a.Observ = "anterior";
    const std::pair<std::function<void()>, const char*> loads[] = {
        {[&] { a.Cargar(); }, "clsAgente::Cargar"},
        {[&] { a.Cargar_Siguiente(); }, "clsAgente::Cargar_Siguiente"}};
    for (const auto& [load, source] : loads) {
        const auto e = failureOf(load);
        EXPECT_EQ(e.number(), rt::InvalidUseOfNull);
        EXPECT_EQ(e.source(), QLatin1String(source));
        EXPECT_EQ(a.Direccion, "Dir 5") << "agent 6 has none to copy";
    }
    EXPECT_EQ(QStringList({QString::number(a.Codigo), a.Nombre, a.Cta_Bancaria, a.Observ}),
              QStringList({"6", "Sin datos", "21000000000000000000", "anterior"}));
    // A NULL date is no date at all, not the zero date.
    clsAgente b;
    b.Codigo = 8;
    b.Bloq_Fecha = naive(QDate(2001, 1, 1), QTime(0, 0));
    EXPECT_EQ(errorOf([&] { b.Cargar(); }), rt::InvalidUseOfNull);
    EXPECT_TRUE(b.Bloqueado && b.Bloq_Fecha == naive(QDate(2001, 1, 1), QTime(0, 0)));
    insertAgent(*cn, 1, "En la primera");
    ScratchDatabase other(GetParam());
    auto cn2 = other.open();
    orbenta::db::createSchema(*cn2, false);
    insertAgent(*cn2, 1, "En la segunda");
    EXPECT_EQ(loadedAgent(1).Nombre, "En la primera");
    clsAgente later;
    later.ConexionOrbenta(cn2);
    EXPECT_EQ(loadedAgent(1).Nombre, "En la segunda");
}

TEST_P(AgenteCargar, StatementsAreSentExactlyAsWritten) {
    std::vector<ado::StatementEvent> sent;
    cn->setObserver([&](const ado::StatementEvent& e) { sent.push_back(e); });
    const QString in = "SELECT * FROM Agentes WHERE Codigo IN ";
    const std::tuple<Op, const char*, int, QString> all[] = {
        {kCargar, "Cargar", -12, "SELECT * FROM Agentes WHERE Codigo =-12"},
        {kAnterior, "Cargar_Anterior", 15,
         in + "(SELECT TOP 1 Codigo FROM Agentes WHERE Codigo < 15 ORDER BY Codigo DESC)"},
        {kSiguiente, "Cargar_Siguiente", 15,
         in + "(SELECT TOP 1 Codigo FROM Agentes WHERE Codigo > 15 ORDER BY Codigo ASC)"},
        {kPrimero, "Cargar_Primero", 0,
         in + "(SELECT ISNULL(MIN(Codigo), 0) AS Codigo FROM Agentes)"},
        {kUltimo, "Cargar_Ultimo", 0,
         in + "(SELECT ISNULL(MAX(Codigo), 0) AS Codigo FROM Agentes)"},
    };
    clsAgente a;
    EXPECT_FALSE(a.Cargar());
    EXPECT_TRUE(sent.empty()) << "code 0 runs no statement";
    for (const auto& [op, name, code, text] : all) {
        sent.clear();
        a.Codigo = qint16(code);
        (a.*op)(nullptr);
        ASSERT_EQ(sent.size(), 1u) << name;
        EXPECT_EQ(sent[0].text, text);
        EXPECT_EQ(sent[0].kind, ado::StatementEvent::Open);
        EXPECT_EQ(sent[0].cursorType, op == kCargar ? ado::adOpenStatic : ado::adOpenForwardOnly);
        EXPECT_EQ(sent[0].lockType, ado::adLockReadOnly);
    }
    cn->Execute("DROP TABLE Agentes");
    a.Codigo = 1;
    for (const auto& [op, name, code, text] : all) {
        const auto e = failureOf([&, op = op] { (a.*op)(nullptr); });
        EXPECT_EQ(e.number(), ado::errors::Statement) << name;
        EXPECT_EQ(e.source(), "clsAgente::" + QLatin1String(name));
    }
}

ORBENTA_ENGINE_TESTS(AgenteCargar);

} // namespace
