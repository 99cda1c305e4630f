#include "TestComponent.h"
#include "TestWorkers.h"

#include <QDateTime>
#include <QThread>

using namespace ORBTAgentes;
using namespace testsupport;

namespace {

Currency money(const char* text) {
    return Currency::fromString(QLatin1String(text));
}

class Acumuladores : public ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        if (IsSkipped())
            return;
        empresa = company(1);
        agente.EmpresaOrbenta(empresa);
    }
    // The agent's day rows as "company|pvp|cost|commission on sales|on collections".
    QStringList day(int agent) {
        return amountRows(
            *cn, "SELECT Cod_Empresa, Importe_Pvp, Importe_Costo, ComisionVenta, ComisionCobro "
                 "FROM Agentes_Acumulados WHERE Cod_Agente = " +
                     QString::number(agent) + " ORDER BY Cod_Empresa, Fecha");
    }
    std::shared_ptr<ORBTEmp::Empresa> empresa;
    clsAgente agente;
};

const QDateTime kDay = naive(QDate(2026, 3, 2), QTime(0, 0));

TEST_P(Acumuladores, StatementsAreSentExactlyAsWritten) {
    QStringList sent;
    cn->setObserver([&](const ado::StatementEvent& e) { sent << e.text; });
    const std::pair<std::function<void()>, QStringList> cases[] = {
        {[&] { agente.AcumularVenta(3, kDay, money("100.25"), money("-60.5")); },
         {"UPDATE Agentes_Acumulados SET Importe_Pvp = Importe_Pvp + 100.25 ,Importe_Costo = "
          "Importe_Costo + -60.5 WHERE Cod_Empresa =1 AND Cod_Agente =3 AND Fecha "
          "='2026-03-02T00:00:00'",
          "INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, Importe_Pvp, "
          "Importe_Costo) VALUES (1, 3, '2026-03-02T00:00:00', 100.25, -60.5)"}},
        {[&] { agente.AcumularComisionVenta(-4, kDay, money("0.0001")); },
         {"UPDATE Agentes_Acumulados SET ComisionVenta = ComisionVenta + 0.0001 WHERE Cod_Empresa "
          "=1 AND Cod_Agente =-4 AND Fecha ='2026-03-02T00:00:00'",
          "INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, ComisionVenta) VALUES "
          "(1, -4, '2026-03-02T00:00:00', 0.0001)"}},
        {[&] { agente.AcumularComisionCobro(3, kDay, money("7.5")); },
         {"UPDATE Agentes_Acumulados SET ComisionCobro = ComisionCobro + 7.5 WHERE Cod_Empresa =1 "
          "AND Cod_Agente =3 AND Fecha ='2026-03-02T00:00:00'"}},
        {[&] { agente.Acum_Venta_Art(2, kDay, 150001, 3, money("10"), money("4.4")); },
         {"UPDATE Agentes_Acumulados_Articulos SET Importe_Pvp = Importe_Pvp + 10 ,Importe_Costo = "
          "Importe_Costo + 4.4 WHERE Cod_Empresa =1 AND Cod_Almacen =2 AND Fecha "
          "='2026-03-02T00:00:00' AND Cod_Agente =3 AND Cod_Articulo=150001",
          "INSERT INTO Agentes_Acumulados_Articulos (Cod_Empresa, Cod_Almacen, Fecha,  "
          "Cod_Articulo, Cod_Agente, Importe_Pvp, Importe_Costo) VALUES (1, 2, "
          "'2026-03-02T00:00:00', 150001, 3, 10, 4.4)"}},
    };
    for (const auto& [call, texts] : cases) {
        sent.clear();
        call();
        EXPECT_EQ(sent, texts);
    }
}

TEST_P(Acumuladores, DayTotalsAddUpPerCompanyAgentDayAndWarehouse) {
    agente.AcumularVenta(3, kDay, money("100.25"), money("60.5"));
    agente.AcumularVenta(3, kDay, money("-0.25"), money("0.5"));
    agente.AcumularComisionCobro(3, kDay, money("7.5"));      // adds to the sales row
    agente.AcumularVenta(4, kDay, money("-10"), money("-6")); // a reversal on a new day
    empresa->setCodEmpresa(2); // read afresh: the same agent and day in another company
    agente.AcumularComisionVenta(3, kDay, money("1.1"));
    EXPECT_EQ(day(3) + day(4), QStringList({"1|100|61|0|7.5", "2|0|0|1.1|0", "1|-10|-6|0|0"}));
    // A time of day is part of the key: 10:30 is another row than midnight.
    empresa->setCodEmpresa(1);
    agente.AcumularVenta(3, naive(kDay.date(), QTime(10, 30)), money("1"), money("1"));
    EXPECT_EQ(day(3).size(), 3);
    for (int almacen : {1, 2, 2})
        agente.Acum_Venta_Art(almacen, kDay, 7, 3, money("5"), money("2"));
    EXPECT_EQ(amountRows(*cn, "SELECT Cod_Almacen, Importe_Pvp FROM "
                              "Agentes_Acumulados_Articulos ORDER BY Cod_Almacen"),
              QStringList({"1|5", "2|10"}));
}

constexpr int kKeys = 3;

// The amount worker `w` adds in its step `i`: cents between -100.00 and +100.00.
qint64 cents(int w, int i) {
    return (qint64(w) * 7919 + qint64(i) * 104729) % 20001 - 10000;
}
Currency fromCents(qint64 c) {
    return Currency::fromScaled(c * 100);
}

const QDateTime kBusyDay = naive(QDate(2031, 1, 1), QTime(0, 0));

int accumulateWorker(const QStringList& args) {
    const int w = args.value(1).toInt(), count = args.value(2).toInt();
    try {
        auto cn = std::make_shared<ado::Connection>();
        cn->Open(args.value(0));
        clsAgente a;
        a.ConexionOrbenta(cn);
        a.EmpresaOrbenta(company(1));
        while (QDateTime::currentMSecsSinceEpoch() < args.value(3).toLongLong())
            QThread::usleep(200);
        for (int i = 0; i < count; ++i) {
            const qint16 agent = qint16(901 + i % kKeys);
            const Currency c = fromCents(cents(w, i));
            a.AcumularVenta(agent, kBusyDay, c, -c);
            if (i % 2 == 0)
                a.AcumularComisionCobro(agent, kBusyDay, c);
            a.Acum_Venta_Art(1, kBusyDay, 7000 + i % kKeys, agent, c, c);
        }
    } catch (const AutomationError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
const WorkerRegistration registerWorker("acumular", accumulateWorker);

TEST_P(Acumuladores, SeveralProcessesAddingToTheSameNewKeysEndWithExactTotals) {
    constexpr int kWorkers = 4, kCount = 500;
    const qint64 startAt = QDateTime::currentMSecsSinceEpoch() + 1500;
    std::vector<std::unique_ptr<QProcess>> procs;
    for (int w = 0; w < kWorkers; ++w) {
        procs.push_back(std::make_unique<QProcess>());
        procs.back()->start(selfPath(), {"--orbenta-worker", "acumular", db->connectionString(),
                                         QString::number(w), QString::number(kCount),
                                         QString::number(startAt)});
    }
    for (auto& p : procs) {
        ASSERT_TRUE(p->waitForFinished(240000));
        const QString err = QString::fromUtf8(p->readAllStandardError());
        EXPECT_TRUE(p->exitCode() == 0 && !err.contains("error")) << err.toStdString();
    }
    QStringList totals, arts;
    for (int k = 0; k < kKeys; ++k) {
        qint64 pvp = 0, cobro = 0;
        for (int w = 0; w < kWorkers; ++w)
            for (int i = k; i < kCount; i += kKeys) {
                pvp += cents(w, i);
                cobro += i % 2 ? 0 : cents(w, i);
            }
        const QString p = fromCents(pvp).toString();
        totals << QString::number(901 + k) + u'|' + p + u'|' + fromCents(-pvp).toString() + u'|' +
                      fromCents(cobro).toString();
        arts << QString::number(7000 + k) + u'|' + p;
    }
    EXPECT_EQ(amountRows(*cn, "SELECT Cod_Agente, Importe_Pvp, Importe_Costo, ComisionCobro "
                              "FROM Agentes_Acumulados ORDER BY Cod_Agente"),
              totals);
    EXPECT_EQ(amountRows(*cn, "SELECT Cod_Articulo, Importe_Pvp FROM "
                              "Agentes_Acumulados_Articulos ORDER BY Cod_Articulo"),
              arts);
}

// Amounts a double cannot carry fail before any statement. A refused INSERT is taken for
// another client's new row, but only so many times.
TEST_P(Acumuladores, FailuresPassThroughUnchanged) {
    int statements = 0;
    cn->setObserver([&](const ado::StatementEvent&) { ++statements; });
    const Currency largest = Currency::fromScaled(std::numeric_limits<qint64>::max());
    for (const Currency c : {largest, -largest, Currency::fromString("900719925474.0993")}) {
        SCOPED_TRACE(c.toString().toStdString());
        EXPECT_EQ(errorOf([&] { agente.AcumularVenta(8, kDay, c, Currency()); }), rt::Overflow);
        EXPECT_EQ(statements, 0);
    }
    const Currency big = Currency::fromString("922337203685477.5");
    agente.AcumularVenta(8, kDay, big, Currency::fromString("-0.0001"));
    EXPECT_EQ(day(8), QStringList({"1|922337203685477.5|-0.0001|0|0"}));
    clsAgente other;
    other.EmpresaOrbenta(nullptr);
    auto e = failureOf([&] { agente.AcumularVenta(3, kDay, money("1"), money("1")); });
    EXPECT_EQ(e.number(), rt::ObjectNotSet);
    EXPECT_EQ(e.source(), "ORBTAgentes");
    other.EmpresaOrbenta(empresa);
    cn->Execute("DROP TABLE Agentes_Acumulados_Articulos");
    e = failureOf([&] { agente.Acum_Venta_Art(1, kDay, 1, 1, money("1"), money("1")); });
    EXPECT_TRUE(e.number() == ado::errors::Statement && e.source().startsWith("ado.")) << e.what();
    cn->Execute("DROP TABLE Agentes_Acumulados");
    cn->Execute(
        "CREATE TABLE Agentes_Acumulados (Cod_Empresa INT, Cod_Agente INT, Fecha VARCHAR(19), "
        "Importe_Pvp DECIMAL(19,4), Importe_Costo DECIMAL(19,4), Obligatorio INT NOT NULL)");
    QStringList sent;
    cn->setObserver([&](const ado::StatementEvent& ev) { sent << ev.text.section(u' ', 0, 0); });
    EXPECT_EQ(errorOf([&] { agente.AcumularVenta(3, kDay, money("1"), money("1")); }),
              ado::errors::Integrity);
    EXPECT_EQ(sent.join(u' '), QStringList(5, "UPDATE INSERT").join(u' '));
}

ORBENTA_ENGINE_TESTS(Acumuladores);

} // namespace
