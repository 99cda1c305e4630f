#include "TestComponent.h"

#include "TestErrors.h"
#include "TestWorkers.h"
#include <ORBTAgentes.h>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <map>

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace ORBTAgentes;
using testsupport::rowsOf;

namespace {

struct DiscountCase {
    const char* name;
    QVariant importe, tdto1, dto1, tdto2, dto2;
    const char* d1;
    const char* d2;
    const char* total;
};

TEST(CambioFactura, DiscountsRoundToCentsHalfToEven) {
    const QVariant null = QVariant(QMetaType::fromType<int>());
    const DiscountCase cases[] = {
        {"TwoPercentages", 200, 0, 10, 0, 5, "20", "9", "171"},
        {"TwoAmounts", 200, 1, 15, 1, 5, "15", "5", "180"},
        {"NullTypeIsAnAmount", 200, null, 15, 0, 10, "15", "18.5", "166.5"},
        {"HalfCentGoesToEven", 1, 0, 12.5, 0, 0, "0.12", "0", "0.88"},
        {"HalfCentGoesToEvenUp", 1, 0, 13.5, 0, 0, "0.14", "0", "0.86"},
        {"SecondPercentageAfterTheFirst", QStringLiteral("100.05"), 0, QStringLiteral("12.5"), 0, 3,
         "12.51", "2.63", "84.91"},
        {"NoDiscounts", QStringLiteral("99.9999"), 0, 0, 0, 0, "0", "0", "99.9999"},
    };
    for (const DiscountCase& c : cases) {
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

class CambioFacturaWindow : public testsupport::ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        if (IsSkipped())
            return;
        empresa = std::make_shared<FailingCompany>();
        SharedContext::setEmpresa(empresa);
        for (int a : {1, 2, 3})
            cn->Execute(
                QStringLiteral("INSERT INTO Agentes (Codigo, Nombre) VALUES (%1, 'Agente %1')")
                    .arg(a));
        cn->Execute(QStringLiteral(
            "INSERT INTO Facturas (Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, "
            "Dto2, "
            "Importe_Costo) VALUES (1, 10, '2026-03-02T00:00:00', 1, 200, 0, 10, 0, 5, 100)"));
        cn->Execute(QStringLiteral(
            "INSERT INTO Facturas (Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, "
            "Dto2, "
            "Importe_Costo) VALUES (2, 11, '2026-03-03T00:00:00', 0, 50.5, 1, 0, 1, 0, 20)"));
        cls = std::make_unique<frmclsCambioFactura>();
        cls->Show(0);
        w = cls->window();
        ASSERT_TRUE(w);
        QApplication::setActiveWindow(w);
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    void TearDown() override {
        cls.reset();
        ComponentTest::TearDown();
    }
    void type(QWidget* field, const QString& text) {
        field->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    void load(const QString& serie, const QString& numero) {
        type(w->txtSerie, serie);
        QTest::keyClick(w->txtSerie, Qt::Key_Return);
        type(w->txtFactura, numero);
        QTest::keyClick(w->txtFactura, Qt::Key_Return);
    }
    void key(Qt::Key k) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w, k);
    }
    QStringList days() {
        return testsupport::amountRows(
            *cn, QStringLiteral("SELECT Cod_Agente, Importe_Pvp, Importe_Costo FROM "
                                "Agentes_Acumulados ORDER BY Cod_Agente"));
    }
    std::shared_ptr<FailingCompany> empresa;
    std::unique_ptr<frmclsCambioFactura> cls;
    frmAgentes_CambioFactura* w = nullptr;
};

TEST_P(CambioFacturaWindow, LoadsAnInvoiceAndMovesItToAnotherAgent) {
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Cambio de Agente en Factura"));
    EXPECT_FALSE(w->cmdAceptar->isEnabled());
    // Enter in the series with no number does nothing.
    type(w->txtSerie, QStringLiteral("1"));
    QTest::keyClick(w->txtSerie, Qt::Key_Return);
    EXPECT_TRUE(w->txtSerie->isEnabled());
    EXPECT_TRUE(presenter->requests.isEmpty());
    type(w->txtFactura, QStringLiteral("10"));
    QTest::keyClick(w->txtFactura, Qt::Key_Return);
    EXPECT_FALSE(w->txtSerie->isEnabled());
    EXPECT_FALSE(w->txtFactura->isEnabled());
    EXPECT_TRUE(w->cmdAceptar->isEnabled());
    EXPECT_EQ(w->txtAgenteActual->Codigo(), 1);
    EXPECT_EQ(w->txtAgenteActual->Nombre(), QStringLiteral("Agente 1"));
    EXPECT_EQ(w->txtTotal->Text(), QStringLiteral("171"));
    EXPECT_EQ(w->txtImporte_Costo->Text(), QStringLiteral("100"));
    EXPECT_TRUE(w->txtNuevoAgente->isAncestorOf(QApplication::focusWidget()));

    // Validation: no agent, then the same agent.
    key(Qt::Key_F9);
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_EQ(presenter->requests[0].text,
              QStringLiteral("Debe introducir un código válido para el nuevo agente."));
    EXPECT_EQ(presenter->requests[0].title, QStringLiteral("¡Atención!"));
    EXPECT_EQ(presenter->requests[0].icon, ui::vbInformation);
    type(w->txtNuevoAgente, QStringLiteral("1"));
    key(Qt::Key_F9);
    ASSERT_EQ(presenter->requests.size(), 2);
    EXPECT_EQ(presenter->requests[1].text, QStringLiteral("Escoja un agente diferente al actual."));
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Agente FROM Facturas WHERE Codigo = 10")),
              QStringList({"1"}));

    w->txtNuevoAgente->setCodigo(0);
    type(w->txtNuevoAgente, QStringLiteral("2"));
    ASSERT_TRUE(w->txtNuevoAgente->EsValido());
    key(Qt::Key_F9);
    EXPECT_EQ(presenter->requests.size(), 2) << "no message confirms the change";
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Agente FROM Facturas WHERE Codigo = 10")),
              QStringList({"2"}));
    EXPECT_EQ(days(), QStringList({"1|-171|-100", "2|171|100"}));
    // The window is empty again, ready for the next invoice.
    EXPECT_TRUE(w->txtSerie->isEnabled());
    EXPECT_TRUE(w->txtFactura->Text().isEmpty());
    EXPECT_FALSE(w->cmdAceptar->isEnabled());
    EXPECT_EQ(w->txtNuevoAgente->Codigo(), 0);
}

TEST_P(CambioFacturaWindow, AnInvoiceWithoutAgentOnlyAddsToTheNewOne) {
    load(QStringLiteral("2"), QStringLiteral("11"));
    EXPECT_EQ(w->txtTotal->Text(),
              QString(QStringLiteral("50") + utilidades::regional().decimalPoint() +
                      QStringLiteral("5")));
    type(w->txtNuevoAgente, QStringLiteral("3"));
    w->cmdAceptar->click();
    EXPECT_EQ(days(), QStringList({"3|50.5|20"}));
}

TEST_P(CambioFacturaWindow, KeysResetCloseAndMissingInvoices) {
    key(Qt::Key_F9); // nothing loaded: nothing happens
    EXPECT_TRUE(presenter->requests.isEmpty());
    load(QStringLiteral("1"), QStringLiteral("99"));
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_EQ(presenter->requests[0].text,
              QStringLiteral("Factura inexistente. Inténtelo de nuevo."));
    EXPECT_TRUE(w->txtFactura->isEnabled());
    w->txtFactura->clear();
    type(w->txtFactura, QStringLiteral("10"));
    QTest::keyClick(w->txtFactura, Qt::Key_Return);
    EXPECT_FALSE(w->txtFactura->isEnabled());
    key(Qt::Key_Escape); // a number is there: Esc clears
    EXPECT_TRUE(w->txtFactura->isEnabled());
    EXPECT_TRUE(w->txtSerie->Text().isEmpty());
    EXPECT_EQ(w->txtAgenteActual->Codigo(), 0);
    load(QStringLiteral("1"), QStringLiteral("10"));
    key(Qt::Key_F12);
    EXPECT_TRUE(w->txtFactura->Text().isEmpty());
    EXPECT_TRUE(w->txtSerie->hasFocus());
    QPointer<frmAgentes_CambioFactura> window(w);
    key(Qt::Key_Escape); // empty: Esc closes, Unload drops the window
    EXPECT_EQ(cls->window(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_P(CambioFacturaWindow, AFailureInTheSecondAccumulationWritesNothing) {
    load(QStringLiteral("1"), QStringLiteral("10"));
    type(w->txtNuevoAgente, QStringLiteral("2"));
    // The old agent's UPDATE and INSERT read the company code twice; the new agent's
    // UPDATE is the third request.
    empresa->failFrom = 3;
    key(Qt::Key_F9);
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_EQ(presenter->requests[0].icon, ui::vbCritical);
    EXPECT_TRUE(presenter->requests[0].text.contains(QStringLiteral("la empresa falla")));
    EXPECT_TRUE(presenter->requests[0].text.contains(QStringLiteral("-7")));
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Agente FROM Facturas WHERE Codigo = 10")),
              QStringList({"1"}));
    EXPECT_TRUE(days().isEmpty());
    EXPECT_EQ(cn->transactionLevel(), 0);
    // The window is still loaded and works once the cause is gone.
    EXPECT_TRUE(w->cmdAceptar->isEnabled());
    empresa->failFrom = 0;
    key(Qt::Key_F9);
    EXPECT_EQ(days(), QStringList({"1|-171|-100", "2|171|100"}));
}

TEST_P(CambioFacturaWindow, TypedKeysNeverBecomeSql) {
    load(QStringLiteral("1"), QStringLiteral("10"));
    // Text put into the disabled number field by a program is still written as a number.
    w->txtFactura->setText(QStringLiteral("10 OR 1=1"));
    type(w->txtNuevoAgente, QStringLiteral("2"));
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

// Another user moves the invoice while it is loaded here: accepting changes nothing,
// says where the invoice is now and leaves its key typed for loading it again.
// The other user's move is still being committed when Aceptar is pressed here: the window
// waits for it and then refuses, rather than moving the sale from the agent it left.
TEST_P(CambioFacturaWindow, AMoveOfTheSameInvoiceCommittingMeanwhileIsWaitedFor) {
    cn->Execute(QStringLiteral("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, "
                               "Importe_Pvp, Importe_Costo) VALUES (1, 1, '2026-03-02T00:00:00', "
                               "171, 100)"));
    load(QStringLiteral("1"), QStringLiteral("10"));
    std::atomic<bool> moved{false};
    std::thread other([&, cs = db->connectionString()] {
        ado::Connection c;
        c.Open(cs);
        ado::Transaction tx(c);
        c.Execute(QStringLiteral("UPDATE Facturas SET Agente=2 WHERE Codigo=10 AND Serie=1"));
        c.Execute(QStringLiteral("UPDATE Agentes_Acumulados SET Importe_Pvp = Importe_Pvp + -171 "
                                 ",Importe_Costo = Importe_Costo + -100 WHERE Cod_Agente =1"));
        c.Execute(QStringLiteral("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, "
                                 "Importe_Pvp, Importe_Costo) VALUES (1, 2, "
                                 "'2026-03-02T00:00:00', 171, 100)"));
        moved = true;
        QThread::msleep(700);
        tx.Commit();
    });
    while (!moved)
        QThread::msleep(5);
    type(w->txtNuevoAgente, QStringLiteral("3"));
    key(Qt::Key_F9);
    other.join();
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_TRUE(presenter->requests[0].text.startsWith(
        QStringLiteral("Otro usuario ha cambiado el agente de esta factura")))
        << presenter->requests[0].text.toStdString();
    EXPECT_EQ(days(), QStringList({"1|0|0", "2|171|100"})) << "each day total is its invoices";
}

TEST_P(CambioFacturaWindow, AnInvoiceMovedByAnotherUserSinceLoadingIsNotMovedAgain) {
    cn->Execute(QStringLiteral("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, "
                               "Importe_Pvp, Importe_Costo) VALUES (1, 1, '2026-03-02T00:00:00', "
                               "171, 100)"));
    load(QStringLiteral("1"), QStringLiteral("10"));
    ASSERT_EQ(w->txtAgenteActual->Codigo(), 1);
    {
        // The other user's move, from another connection.
        const auto other = db->open();
        ado::Transaction tx(*other);
        other->Execute(QStringLiteral("UPDATE Facturas SET Agente=2 WHERE Codigo=10 AND Serie=1"));
        other->Execute(QStringLiteral(
            "UPDATE Agentes_Acumulados SET Importe_Pvp = Importe_Pvp + -171 ,Importe_Costo = "
            "Importe_Costo + -100 WHERE Cod_Empresa =1 AND Cod_Agente =1"));
        other->Execute(QStringLiteral(
            "INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, Importe_Pvp, "
            "Importe_Costo) VALUES (1, 2, '2026-03-02T00:00:00', 171, 100)"));
        tx.Commit();
    }
    type(w->txtNuevoAgente, QStringLiteral("3"));
    key(Qt::Key_F9);
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_EQ(presenter->requests[0].text,
              QStringLiteral("Otro usuario ha cambiado el agente de esta factura después de "
                             "cargarla: ahora es del agente 2 - Agente 2. No se ha cambiado "
                             "nada; cárguela de nuevo (pulse Intro en el número de factura)."));
    EXPECT_EQ(presenter->requests[0].title, QStringLiteral("¡Atención!"));
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Agente FROM Facturas WHERE Codigo = 10")),
              QStringList({"2"}));
    EXPECT_EQ(days(), QStringList({"1|0|0", "2|171|100"})) << "each day total is its invoices";
    EXPECT_EQ(cn->transactionLevel(), 0);
    // Enter in the number, still typed, loads the invoice as it is now.
    EXPECT_FALSE(w->cmdAceptar->isEnabled());
    EXPECT_EQ(w->txtSerie->Text(), QStringLiteral("1"));
    ASSERT_TRUE(w->txtFactura->hasFocus());
    QTest::keyClick(w->txtFactura, Qt::Key_Return);
    EXPECT_EQ(w->txtAgenteActual->Codigo(), 2);
    type(w->txtNuevoAgente, QStringLiteral("3"));
    key(Qt::Key_F9);
    EXPECT_EQ(presenter->requests.size(), 1);
    EXPECT_EQ(days(), QStringList({"1|0|0", "2|0|0", "3|171|100"}));

    // An invoice removed since loading: nothing is written, the window is emptied.
    load(QStringLiteral("2"), QStringLiteral("11"));
    cn->Execute(QStringLiteral("DELETE FROM Facturas WHERE Codigo = 11"));
    type(w->txtNuevoAgente, QStringLiteral("1"));
    key(Qt::Key_F9);
    ASSERT_EQ(presenter->requests.size(), 2);
    EXPECT_EQ(presenter->requests[1].text,
              QStringLiteral("Otro usuario ha eliminado esta factura después de cargarla. No se "
                             "ha cambiado nada."));
    EXPECT_EQ(days(), QStringList({"1|0|0", "2|0|0", "3|171|100"}));
    EXPECT_TRUE(w->txtFactura->Text().isEmpty());
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
        w->txtNuevoAgente->setTextValue(agents[(i + 1) % 2]);
        w->cmdAceptar->click();
        if (!presenter->requests.isEmpty() || !w->txtSerie->isEnabled()) {
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

// What the window's code does not spell out control by control: every label names a
// field, the read-only fields are grey, and Tab walks the enabled controls in order.
TEST(CambioFacturaLayout, LabelsGreyFieldsAndTabOrder) {
    frmclsCambioFactura cls;
    cls.Show(0);
    frmAgentes_CambioFactura* w = cls.window();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->size(), QSize(426, 230)); // 6390 x 3450 twips
    for (QLabel* label : w->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(label->buddy()) << label->objectName().toStdString();
    for (controls::HxTextBox* b : {w->txtTotal, w->txtImporte_Costo, w->txtFecha}) {
        EXPECT_FALSE(b->isEnabled());
        EXPECT_EQ(b->palette().color(QPalette::Base), QColor(224, 224, 224));
    }

    // Empty: Tab skips the disabled fields and buttons.
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    w->txtSerie->setFocus();
    QStringList walk;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* f = QApplication::focusWidget();
        while (f && f->parentWidget() != w)
            f = f->parentWidget();
        walk << (f ? f->objectName() : QStringLiteral("(none)"));
    }
    EXPECT_EQ(walk, (QStringList{"txtFactura", "txtNuevoAgente", "cmdCerrar", "txtSerie"}));
}

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
    Invoke(*viaFactory, 0x60030002, DispatchKind::Method);
    EXPECT_TRUE(static_cast<frmclsCambioFactura*>(viaFactory.get())->window()->isVisible());
}

TEST(Controls, TextFieldFiltersNotifiesAndReadsNumbers) {
    controls::HxTextBox box;
    box.show();
    box.setFocus();
    EXPECT_EQ(box.Value(), 0) << "an empty field reads 0";
    box.setTypeOfValues(1);
    QTest::keyClicks(&box, QStringLiteral("1a2-"));
    EXPECT_EQ(box.Text(), QStringLiteral("12"));
    box.clear();
    box.setAceptDecimals(true);
    QTest::keyClicks(&box, QStringLiteral("-3.5.2"));
    EXPECT_EQ(box.Value(), -3.52);
    controls::HxTextBox upper;
    upper.setConvertToUpper(true);
    QObject::connect(&upper, &controls::HxTextBox::KeyPress, [](int& k) {
        if (k == 'x')
            k = 0; // swallowed
        if (k == 'e')
            k = u'€';
    });
    upper.show();
    QTest::keyClicks(&upper, QStringLiteral("axbe"));
    EXPECT_EQ(upper.Text(), QStringLiteral("AB€"));
}

TEST(Controls, AnchoringScalesTheControlsWithTheWindow) {
    QWidget form;
    form.resize(400, 200);
    auto* child = new QWidget(&form);
    child->setGeometry(100, 50, 40, 20);
    controls::Anclaje anchor(&form, 6000, 3000);
    anchor.capture();
    form.show();
    form.resize(800, 400);
    EXPECT_EQ(child->geometry(), QRect(200, 100, 80, 40));
}

} // namespace

namespace {

TEST(Controls, EnterAndUpMoveTheFocusWhenAskedAndFocusLossIsTold) {
    QWidget form;
    auto* a = new controls::HxTextBox(&form);
    auto* b = new controls::HxTextBox(&form);
    new controls::HxTextBox(&form); // a third field after them
    b->setKeyEnterChangeFocus(false);
    int lost = 0;
    QObject::connect(a, &controls::HxTextBox::LostFocus, [&] { ++lost; });
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    a->setFocus();
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(lost, 1);
    QTest::keyClick(b, Qt::Key_Return); // this one keeps the focus
    EXPECT_TRUE(b->hasFocus());
    QTest::keyClick(b, Qt::Key_Up);
    EXPECT_TRUE(a->hasFocus());
}

class AgentField : public testsupport::ComponentTest {};

TEST_P(AgentField, LooksUpTypedCodesAndPicksFromTheList) {
    cn->Execute(QStringLiteral(
        "INSERT INTO Agentes (Codigo, Nombre) VALUES (4, 'Zubiri'), (9, 'Aguirre')"));
    QWidget form;
    auto* given = new controls::HxAgente(&form);
    auto* borrowing = new controls::HxAgente(&form); // no connection of its own
    given->setConexion(cn);
    given->Inicializar();
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    borrowing->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("9"));
    EXPECT_TRUE(borrowing->EsValido());
    EXPECT_EQ(borrowing->Nombre(), QStringLiteral("Aguirre"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("9"));
    EXPECT_FALSE(borrowing->EsValido()) << "99 is no agent";
    given->setCodigo(4);
    EXPECT_FALSE(given->EsValido()) << "a code set by the program shows after Refrescar";
    given->Refrescar();
    EXPECT_EQ(given->Nombre(), QStringLiteral("Zubiri"));
    // F3 lists the agents by name; Enter picks the first, Aguirre.
    given->setFocus();
    QTimer::singleShot(0, [] {
        if (QWidget* list = QApplication::activeModalWidget())
            QTest::keyClick(list->findChild<QWidget*>(QStringLiteral("lstAgentes")),
                            Qt::Key_Return);
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
    EXPECT_EQ(given->Codigo(), 9);
    EXPECT_TRUE(given->EsValido());
    given->setLocked(true);
    EXPECT_TRUE(given->editor()->isReadOnly());
}

ORBENTA_ENGINE_TESTS(AgentField);

} // namespace
