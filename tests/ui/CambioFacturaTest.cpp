// The invoice agent window, flow by flow, with the keys the clerk presses; the totals it
// books in every locale; moves that meet another user's.
#include "TestErrors.h"
#include "TestWorkers.h"
#include "WindowTest.h"

#include <ORBTAgentes.h>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <map>

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace ORBTAgentes;
using testsupport::rowsOf;

namespace {

TEST(CambioFactura, DiscountsRoundToCentsHalfToEven) {
    const QVariant null = QVariant(QMetaType::fromType<int>());
    const struct {
        const char* name;
        QVariant importe, tdto1, dto1, tdto2, dto2;
        const char *d1, *d2, *total;
    } cases[] = {
        {"TwoPercentages", 200, 0, 10, 0, 5, "20", "9", "171"},
        {"TwoAmounts", 200, 1, 15, 1, 5, "15", "5", "180"},
        {"NullTypeIsAnAmount", 200, null, 15, 0, 10, "15", "18.5", "166.5"},
        {"HalfCentGoesToEven", 1, 0, 12.5, 0, 0, "0.12", "0", "0.88"},
        {"HalfCentGoesToEvenUp", 1, 0, 13.5, 0, 0, "0.14", "0", "0.86"},
        {"SecondPercentageAfterTheFirst", QStringLiteral("100.05"), 0, QStringLiteral("12.5"), 0, 3,
         "12.51", "2.63", "84.91"},
        {"NoDiscounts", QStringLiteral("99.9999"), 0, 0, 0, 0, "0", "0", "99.9999"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto t =
            frmAgentes_CambioFactura::calcularTotal(c.importe, c.tdto1, c.dto1, c.tdto2, c.dto2);
        EXPECT_EQ(t.d1.toString(), QLatin1String(c.d1));
        EXPECT_EQ(t.d2.toString(), QLatin1String(c.d2));
        EXPECT_EQ(t.total.toString(), QLatin1String(c.total));
    }
}

// A company object whose code can be made to fail from its Nth request on.
class FailingCompany : public ORBTEmp::Empresa {
public:
    qint16 CodEmpresa() const override {
        if (failFrom > 0 && ++calls >= failFrom)
            throw AutomationError(-7, QStringLiteral("prueba"), QStringLiteral("la empresa falla"));
        return 1;
    }
    int failFrom = 0;
    mutable int calls = 0;
};

class CambioFacturaWindow : public testsupport::WindowTest<frmclsCambioFactura> {
protected:
    void seed() override {
        empresa = std::make_shared<FailingCompany>();
        SharedContext::setEmpresa(empresa);
        sql({"INSERT INTO Agentes (Codigo, Nombre) VALUES (1, 'Agente 1')",
             "INSERT INTO Agentes (Codigo, Nombre) VALUES (2, 'Agente 2')",
             "INSERT INTO Agentes (Codigo, Nombre) VALUES (3, 'Agente 3')",
             "INSERT INTO Facturas (Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, "
             "Dto2, Importe_Costo) VALUES (1, 10, '2026-03-02T00:00:00', 1, 200, 0, 10, 0, 5, 100)",
             "INSERT INTO Facturas (Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, "
             "Dto2, Importe_Costo) VALUES (2, 11, '2026-03-03T00:00:00', 0, 50.5, 1, 0, 1, 0, "
             "20)"});
    }
    controls::HxTextBox* box(const char* name) { return ctl<controls::HxTextBox>(name); }
    controls::HxAgente* actual() { return ctl<controls::HxAgente>("txtAgenteActual"); }
    controls::HxAgente* nuevo() { return ctl<controls::HxAgente>("txtNuevoAgente"); }
    QPushButton* aceptar() { return ctl<QPushButton>("cmdAceptar"); }
    void load(const QString& serie, const QString& numero) {
        type(box("txtSerie"), serie);
        QTest::keyClick(box("txtSerie"), Qt::Key_Return);
        type(box("txtFactura"), numero);
        QTest::keyClick(box("txtFactura"), Qt::Key_Return);
    }
    QStringList days() {
        return testsupport::amountRows(
            *cn, QStringLiteral("SELECT Cod_Agente, Importe_Pvp, Importe_Costo FROM "
                                "Agentes_Acumulados ORDER BY Cod_Agente"));
    }
    QStringList agentOf(int invoice) {
        return rowsOf(*cn, QStringLiteral("SELECT Agente FROM Facturas WHERE Codigo = ") +
                               QString::number(invoice));
    }
    std::shared_ptr<FailingCompany> empresa;
};

TEST_P(CambioFacturaWindow, LoadsAnInvoiceAndMovesItToAnotherAgent) {
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Cambio de Agente en Factura"));
    EXPECT_FALSE(aceptar()->isEnabled());
    for (QLabel* label : w->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(label->buddy()) << "names its field: " << label->objectName().toStdString();
    for (const char* grey : {"txtTotal", "txtImporte_Costo", "txtFecha"})
        EXPECT_EQ(box(grey)->palette().color(QPalette::Base), QColor(224, 224, 224)) << grey;
    // Enter in the series with no number does nothing.
    type(box("txtSerie"), QStringLiteral("1"));
    QTest::keyClick(box("txtSerie"), Qt::Key_Return);
    EXPECT_TRUE(box("txtSerie")->isEnabled());
    EXPECT_TRUE(presenter->requests.isEmpty());
    type(box("txtFactura"), QStringLiteral("10"));
    QTest::keyClick(box("txtFactura"), Qt::Key_Return);
    EXPECT_FALSE(box("txtSerie")->isEnabled() || box("txtFactura")->isEnabled());
    EXPECT_TRUE(aceptar()->isEnabled());
    EXPECT_EQ(actual()->Codigo(), 1);
    EXPECT_EQ(actual()->Nombre(), QStringLiteral("Agente 1"));
    EXPECT_EQ(box("txtTotal")->Text(), QStringLiteral("171"));
    EXPECT_EQ(box("txtImporte_Costo")->Text(), QStringLiteral("100"));
    EXPECT_TRUE(nuevo()->isAncestorOf(QApplication::focusWidget()));
    // Validation: no agent, then the same agent.
    key(Qt::Key_F9);
    told(0, "Debe introducir un código válido para el nuevo agente.");
    EXPECT_EQ(presenter->requests[0].title, QStringLiteral("¡Atención!"));
    EXPECT_EQ(presenter->requests[0].icon, ui::vbInformation);
    type(nuevo(), QStringLiteral("1"));
    key(Qt::Key_F9);
    told(1, "Escoja un agente diferente al actual.");
    EXPECT_EQ(agentOf(10), QStringList({"1"}));

    nuevo()->setCodigo(0);
    type(nuevo(), QStringLiteral("2"));
    ASSERT_TRUE(nuevo()->EsValido());
    key(Qt::Key_F9);
    EXPECT_EQ(presenter->requests.size(), 2) << "no message confirms the change";
    EXPECT_EQ(agentOf(10), QStringList({"2"}));
    EXPECT_EQ(days(), QStringList({"1|-171|-100", "2|171|100"}));
    // The window is empty again, ready for the next invoice.
    EXPECT_TRUE(box("txtSerie")->isEnabled());
    EXPECT_TRUE(box("txtFactura")->Text().isEmpty());
    EXPECT_FALSE(aceptar()->isEnabled());
    EXPECT_EQ(nuevo()->Codigo(), 0);
    // An invoice without agent only adds to the new one.
    load(QStringLiteral("2"), QStringLiteral("11"));
    type(nuevo(), QStringLiteral("3"));
    aceptar()->click();
    EXPECT_EQ(days(), QStringList({"1|-171|-100", "2|171|100", "3|50.5|20"}));
}

// The window shows the total in the user's settings and reads it back from there: a
// total with three decimals is booked as it is, whatever the locale. The invoice's
// number typed first, then the series and Enter in the series: the focus is left on the
// new agent.
TEST_P(CambioFacturaWindow, TotalsAreBookedExactlyInEveryLocale) {
    sql({"INSERT INTO Facturas (Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, "
         "Dto2, Importe_Costo) VALUES (3, 13, '2026-03-04T00:00:00', 1, 1234.567, 0, 0, 0, 0, "
         "0.125)"});
    const struct {
        QLocale locale;
        const char* shown;
    } cases[] = {
        {QLocale(QLocale::Spanish, QLocale::Spain), "1234,567"},
        {QLocale(QLocale::C), "1234,567"}, // no locale: the suite's Spanish settings
        {QLocale(QLocale::English, QLocale::UnitedStates), "1234.567"},
        {QLocale(QLocale::German, QLocale::Germany), "1234,567"},
    };
    int to = 2;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        QLocale::setDefault(c.locale);
        open();
        type(box("txtFactura"), QStringLiteral("13"));
        type(box("txtSerie"), QStringLiteral("3"));
        QTest::keyClick(box("txtSerie"), Qt::Key_Return);
        EXPECT_FALSE(box("txtSerie")->isEnabled());
        EXPECT_TRUE(nuevo()->isAncestorOf(QApplication::focusWidget()));
        EXPECT_EQ(box("txtTotal")->Text(), QLatin1String(c.shown));
        type(nuevo(), QString::number(to));
        key(Qt::Key_F9);
        EXPECT_TRUE(presenter->requests.isEmpty())
            << presenter->requests.value(0).text.toStdString();
        to = 3 - to; // back and forth between agents 1 and 2
    }
    // Four moves: each agent gained and lost the invoice twice.
    EXPECT_EQ(days(), QStringList({"1|0|0", "2|0|0"}));
    EXPECT_EQ(agentOf(13), QStringList({"1"}));
}

TEST_P(CambioFacturaWindow, KeysResetCloseAndMissingInvoices) {
    key(Qt::Key_F9); // nothing loaded: nothing happens
    EXPECT_TRUE(presenter->requests.isEmpty());
    load(QStringLiteral("1"), QStringLiteral("99"));
    told(0, "Factura inexistente. Inténtelo de nuevo.");
    EXPECT_TRUE(box("txtFactura")->isEnabled());
    box("txtFactura")->clear();
    type(box("txtFactura"), QStringLiteral("10"));
    QTest::keyClick(box("txtFactura"), Qt::Key_Return);
    EXPECT_FALSE(box("txtFactura")->isEnabled());
    key(Qt::Key_Escape); // a number is there: Esc clears
    EXPECT_TRUE(box("txtFactura")->isEnabled());
    EXPECT_TRUE(box("txtSerie")->Text().isEmpty());
    EXPECT_EQ(actual()->Codigo(), 0);
    load(QStringLiteral("1"), QStringLiteral("10"));
    key(Qt::Key_F12);
    EXPECT_TRUE(box("txtFactura")->Text().isEmpty());
    EXPECT_TRUE(box("txtSerie")->hasFocus());
    QPointer<frmAgentes_CambioFactura> window(w);
    key(Qt::Key_Escape); // empty: Esc closes, Unload drops the window
    EXPECT_EQ(cls->window(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_P(CambioFacturaWindow, AFailureInTheSecondAccumulationWritesNothing) {
    load(QStringLiteral("1"), QStringLiteral("10"));
    type(nuevo(), QStringLiteral("2"));
    // The old agent's UPDATE and INSERT read the company code twice; the new agent's
    // UPDATE is the third request.
    empresa->failFrom = 3;
    key(Qt::Key_F9);
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_EQ(presenter->requests[0].icon, ui::vbCritical);
    EXPECT_TRUE(presenter->requests[0].text.contains(QStringLiteral("la empresa falla")));
    EXPECT_TRUE(presenter->requests[0].text.contains(QStringLiteral("-7")));
    EXPECT_EQ(agentOf(10), QStringList({"1"}));
    EXPECT_TRUE(days().isEmpty());
    EXPECT_EQ(cn->transactionLevel(), 0);
    // The window is still loaded and works once the cause is gone.
    EXPECT_TRUE(aceptar()->isEnabled());
    empresa->failFrom = 0;
    key(Qt::Key_F9);
    EXPECT_EQ(days(), QStringList({"1|-171|-100", "2|171|100"}));
}

// With the disk full SQLite rolls the transaction back by itself; the user is told that
// the disk is full, nothing of the change is left, and the next try works.
TEST_P(CambioFacturaWindow, AFailureThatEndsTheTransactionIsTheOneReported) {
    if (GetParam() != testsupport::Engine::SQLite)
        GTEST_SKIP() << "RAISE(ROLLBACK) is SQLite's";
    cn->Execute(QStringLiteral("CREATE TRIGGER lleno BEFORE INSERT ON Agentes_Acumulados WHEN "
                               "NEW.Cod_Agente = 2 BEGIN SELECT RAISE(ROLLBACK, 'database or "
                               "disk is full'); END"));
    load(QStringLiteral("1"), QStringLiteral("10"));
    type(nuevo(), QStringLiteral("2"));
    key(Qt::Key_F9);
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_TRUE(presenter->requests[0].text.startsWith(QStringLiteral("database or disk is full")))
        << presenter->requests[0].text.toStdString();
    EXPECT_EQ(cn->transactionLevel(), 0);
    EXPECT_EQ(agentOf(10), QStringList({"1"}));
    EXPECT_TRUE(days().isEmpty());
    cn->Execute(QStringLiteral("DROP TRIGGER lleno"));
    key(Qt::Key_F9);
    EXPECT_EQ(agentOf(10), QStringList({"2"}));
}

TEST_P(CambioFacturaWindow, TypedKeysNeverBecomeSql) {
    load(QStringLiteral("1"), QStringLiteral("10"));
    // Text put into the disabled number field by a program is still written as a number.
    box("txtFactura")->setText(QStringLiteral("10 OR 1=1"));
    type(nuevo(), QStringLiteral("2"));
    std::vector<QString> sent;
    cn->setObserver([&](const ado::StatementEvent& e) { sent.push_back(e.text); });
    key(Qt::Key_F9);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0],
              QStringLiteral("UPDATE Facturas SET Agente=Agente WHERE Codigo=10 AND Serie=1"));
    EXPECT_EQ(sent[1], QStringLiteral("SELECT Agente FROM Facturas WHERE Codigo=10 AND Serie=1"));
    EXPECT_EQ(sent[2], QStringLiteral("UPDATE Facturas SET Agente=2 WHERE Codigo=10 AND Serie=1"));
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Facturas WHERE Agente = 2")),
              QStringList({"1"}));
}

// Another user's move of the same invoice, from another connection: committed before
// Aceptar is pressed here, or still being committed then (the window waits for it). Either
// way accepting changes nothing, says where the invoice is now and leaves its key typed
// for loading it again; an invoice removed meanwhile empties the window.
TEST_P(CambioFacturaWindow, AnInvoiceMovedByAnotherUserSinceLoadingIsNotMovedAgain) {
    for (const bool committing : {false, true}) {
        SCOPED_TRACE(committing ? "committing meanwhile" : "committed before");
        sql({"DELETE FROM Agentes_Acumulados", "UPDATE Facturas SET Agente = 1 WHERE Codigo = 10",
             "INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, Importe_Pvp, "
             "Importe_Costo) VALUES (1, 1, '2026-03-02T00:00:00', 171, 100)"});
        presenter->requests.clear();
        load(QStringLiteral("1"), QStringLiteral("10"));
        ASSERT_EQ(actual()->Codigo(), 1);
        std::atomic<bool> moved{false};
        std::thread other([&, cs = db->connectionString()] {
            ado::Connection c;
            c.Open(cs);
            ado::Transaction tx(c);
            c.Execute(QStringLiteral("UPDATE Facturas SET Agente=2 WHERE Codigo=10 AND Serie=1"));
            c.Execute(QStringLiteral("UPDATE Agentes_Acumulados SET Importe_Pvp = Importe_Pvp + "
                                     "-171 ,Importe_Costo = Importe_Costo + -100 WHERE "
                                     "Cod_Empresa =1 AND Cod_Agente =1"));
            c.Execute(QStringLiteral("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, "
                                     "Fecha, Importe_Pvp, Importe_Costo) VALUES (1, 2, "
                                     "'2026-03-02T00:00:00', 171, 100)"));
            moved = true;
            if (committing)
                QThread::msleep(700);
            tx.Commit();
        });
        if (!committing)
            other.join();
        while (!moved)
            QThread::msleep(5);
        type(nuevo(), QStringLiteral("3"));
        key(Qt::Key_F9);
        if (committing)
            other.join();
        told(0, "Otro usuario ha cambiado el agente de esta factura después de cargarla: ahora "
                "es del agente 2 - Agente 2. No se ha cambiado nada; cárguela de nuevo (pulse "
                "Intro en el número de factura).");
        EXPECT_EQ(presenter->requests[0].title, QStringLiteral("¡Atención!"));
        EXPECT_EQ(agentOf(10), QStringList({"2"}));
        EXPECT_EQ(days(), QStringList({"1|0|0", "2|171|100"})) << "each day total is its invoices";
        EXPECT_EQ(cn->transactionLevel(), 0);
        // Enter in the number, still typed, loads the invoice as it is now.
        EXPECT_FALSE(aceptar()->isEnabled());
        EXPECT_EQ(box("txtSerie")->Text(), QStringLiteral("1"));
        ASSERT_TRUE(box("txtFactura")->hasFocus());
        QTest::keyClick(box("txtFactura"), Qt::Key_Return);
        EXPECT_EQ(actual()->Codigo(), 2);
        type(nuevo(), QStringLiteral("3"));
        key(Qt::Key_F9);
        EXPECT_EQ(presenter->requests.size(), 1);
        EXPECT_EQ(days(), QStringList({"1|0|0", "2|0|0", "3|171|100"}));
    }
    // An invoice removed since loading: nothing is written, the window is emptied.
    load(QStringLiteral("2"), QStringLiteral("11"));
    cn->Execute(QStringLiteral("DELETE FROM Facturas WHERE Codigo = 11"));
    type(nuevo(), QStringLiteral("1"));
    key(Qt::Key_F9);
    told(1, "Otro usuario ha eliminado esta factura después de cargarla. No se ha cambiado "
            "nada.");
    EXPECT_EQ(days(), QStringList({"1|0|0", "2|0|0", "3|171|100"}));
    EXPECT_TRUE(box("txtFactura")->Text().isEmpty());
}

// Tab walks the enabled controls in the layout's order: empty, it skips the disabled
// fields and buttons.
TEST_P(CambioFacturaWindow, TabWalksTheEnabledControlsInOrder) {
    ctl("txtSerie")->setFocus();
    QStringList walk;
    for (int i = 0; i < 4; ++i) {
        key(Qt::Key_Tab);
        QWidget* f = QApplication::focusWidget();
        while (f && f->parentWidget() != w)
            f = f->parentWidget();
        walk << (f ? f->objectName() : QStringLiteral("(none)"));
    }
    EXPECT_EQ(walk, (QStringList{"txtFactura", "txtNuevoAgente", "cmdCerrar", "txtSerie"}));
}

// One user at the window: moves one invoice back and forth between two agents, each
// move through the window's own accept, and fails at the first message box.
int moveInvoiceWorker(const QStringList& args) {
    auto cn = std::make_shared<ado::Connection>();
    cn->Open(args.value(0));
    auto empresa = std::make_shared<ORBTEmp::Empresa>();
    empresa->setCodEmpresa(1);
    SharedContext::setConexion(cn);
    SharedContext::setEmpresa(empresa);
    auto presenter = std::make_shared<ui::RecordingPresenter>();
    ui::setPresenter(presenter);
    const QString invoice = args.value(1);
    const QString agents[2] = {args.value(2), args.value(3)};
    const int moves = args.value(4).toInt();
    const qint64 startAt = args.value(5).toLongLong();
    frmclsCambioFactura cls;
    cls.Show(0);
    frmAgentes_CambioFactura* w = cls.window();
    while (QDateTime::currentMSecsSinceEpoch() < startAt)
        QThread::usleep(200);
    for (int i = 0; i < moves; ++i) {
        w->CargarFactura(QStringLiteral("1"), invoice);
        w->findChild<controls::HxAgente*>(QStringLiteral("txtNuevoAgente"))
            ->setTextValue(agents[(i + 1) % 2]);
        w->findChild<QPushButton*>(QStringLiteral("cmdAceptar"))->click();
        if (!presenter->requests.isEmpty() ||
            !w->findChild<QWidget*>(QStringLiteral("txtSerie"))->isEnabled()) {
            std::fprintf(stderr, "move %d: %s\n", i,
                         presenter->requests.value(0).text.toUtf8().constData());
            return 1;
        }
    }
    return 0;
}
const testsupport::WorkerRegistration registerMoves("mover-factura", moveInvoiceWorker);

// Two users move invoices of one day between the same two agents in opposite directions,
// so that their moves take the two agents' rows in opposite orders: the database stops
// one of them now and then, and the move runs again. No failure reaches either user and
// every day total stays the sum of its invoices.
TEST_P(CambioFacturaWindow, TwoUsersMovingInvoicesInOppositeDirectionsBothSucceed) {
    cn->Execute(QStringLiteral(
        "INSERT INTO Facturas (Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, "
        "Dto2, Importe_Costo) VALUES (1, 12, '2026-03-02T00:00:00', 2, 80, 1, 0, 1, 0, 30)"));
    cn->Execute(QStringLiteral("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, "
                               "Importe_Pvp, Importe_Costo) VALUES (1, 1, '2026-03-02T00:00:00', "
                               "171, 100)"));
    cn->Execute(QStringLiteral("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, "
                               "Importe_Pvp, Importe_Costo) VALUES (1, 2, '2026-03-02T00:00:00', "
                               "80, 30)"));
    constexpr int kMoves = 200;
    const QString startAt = QString::number(QDateTime::currentMSecsSinceEpoch() + 1500);
    std::vector<std::unique_ptr<QProcess>> users;
    for (const QStringList& move : {QStringList{"10", "1", "2"}, QStringList{"12", "2", "1"}}) {
        auto p = std::make_unique<QProcess>();
        p->start(testsupport::selfPath(),
                 QStringList{"--orbenta-worker", "mover-factura", db->connectionString()} + move +
                     QStringList{QString::number(kMoves), startAt});
        ASSERT_TRUE(p->waitForStarted());
        users.push_back(std::move(p));
    }
    for (auto& p : users) {
        ASSERT_TRUE(p->waitForFinished(600000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    // An even number of moves each: every invoice is back with its first agent.
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Codigo, Agente FROM Facturas WHERE Fecha = "
                                         "'2026-03-02T00:00:00' ORDER BY Codigo")),
              QStringList({"10|1", "12|2"}));
    EXPECT_EQ(days(), QStringList({"1|171|100", "2|80|30"}));
}

ORBENTA_ENGINE_TESTS(CambioFacturaWindow);

// The demo data's day totals are what the window moves for their invoices: each one
// is the sum of its invoices' totals as the window reckons them.
class DemoDayTotals : public testsupport::EngineTest {};

TEST_P(DemoDayTotals, AreTheSumOfTheWindowsInvoiceTotals) {
    createSchema(true);
    // Amounts in ten-thousandths, keyed by "agent|day".
    const auto units = [](Currency c) { return qRound64(c.toDouble() * 10000); };
    std::map<QString, qint64> invoices, stored;
    const QStringList rows = rowsOf(*cn, QStringLiteral("SELECT Agente, Fecha, Serie, Codigo, "
                                                        "ImporteB, TDto1, Dto1, TDto2, Dto2 FROM "
                                                        "Facturas"));
    ASSERT_GT(rows.size(), 300);
    for (const QString& row : rows) {
        const QStringList f = row.split(u'|');
        const auto field = [&](int i) { return f[i] == u"NULL" ? QVariant() : QVariant(f[i]); };
        const auto t = frmAgentes_CambioFactura::calcularTotal(field(4), field(5), field(6),
                                                               field(7), field(8));
        invoices[f[0] + u'|' + f[1]] += units(t.total);
        if (f[2] == u"1" && f[3] == u"95") {
            EXPECT_EQ(t.total.toString(), QStringLiteral("237.75")) << "291.95 - 29.20 - 25";
        }
    }
    for (const QString& row : rowsOf(*cn, QStringLiteral("SELECT Cod_Agente, Fecha, Importe_Pvp "
                                                         "FROM Agentes_Acumulados"))) {
        const QStringList f = row.split(u'|');
        stored[f[0] + u'|' + f[1]] = units(toCurrency(QVariant(f[2])));
    }
    EXPECT_EQ(stored, invoices);
}

INSTANTIATE_TEST_SUITE_P(SQLite, DemoDayTotals, ::testing::Values(testsupport::Engine::SQLite),
                         testsupport::engineName);

TEST(WindowClass, ShowUnloadAndRelease) {
    auto cls = std::make_unique<frmclsCambioFactura>();
    cls->Show(); // modeless, no owner
    frmAgentes_CambioFactura* first = cls->window();
    ASSERT_TRUE(first && first->isVisible());
    cls->Show(0);
    EXPECT_EQ(cls->window(), first) << "a second Show shows the same window";
    int unloads = 0;
    QObject::connect(first, &FormBase::Unload, [&] { ++unloads; });
    cls.reset(); // releasing the class closes its window, with Unload
    EXPECT_EQ(unloads, 1);

    // Modal: runs until the window closes; the next Show makes a new window.
    frmclsCambioFactura modal;
    QPointer<QWidget> seen;
    QTimer::singleShot(0, [&] {
        seen = QApplication::activeModalWidget();
        if (seen)
            QTest::keyClick(seen, Qt::Key_Escape);
    });
    modal.Show(1);
    EXPECT_TRUE(seen) << "the window was not modal";
    EXPECT_EQ(modal.window(), nullptr);
    modal.Show(0);
    ASSERT_TRUE(modal.window());
    EXPECT_NE(modal.window(), seen.data());
    // A modeless window cannot then be shown modally.
    {
        const auto e = testsupport::failureOf([&] { modal.Show(1); });
        EXPECT_EQ(e.number(), 401);
    }
    // The script host reaches Show by its dispatch identifier, with its defaults.
    ObjectRef viaFactory = CreateObject(QStringLiteral("ORBTAgentes.frmclsCambioFactura"));
    Invoke(*viaFactory, viaFactory->classInfo().member(QStringLiteral("Show"))->dispatchId,
           DispatchKind::Method);
    EXPECT_TRUE(static_cast<frmclsCambioFactura*>(viaFactory.get())->window()->isVisible());
}

} // namespace
