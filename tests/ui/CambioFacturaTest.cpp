// The invoice agent window, flow by flow, with the keys the clerk presses.
#include "TestWorkers.h"
#include "WindowTest.h"

#include <thread>

using testsupport::rowsOf;

namespace {

// A company object whose code can be made to fail from its Nth request on.
class FailingCompany : public ORBTEmp::Empresa {
public:
    qint16 CodEmpresa() const override {
        if (failFrom > 0 && ++calls >= failFrom)
            throw AutomationError(-7, u"prueba"_s, u"la empresa falla"_s);
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
        sql({"INSERT INTO Agentes (Codigo, Nombre) VALUES (1, 'Agente 1'), (2, 'Agente 2'), (3, "
             "'Agente 3')",
             "INSERT INTO Facturas (Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, "
             "Dto2, Importe_Costo) VALUES (1, 10, '2026-03-02T00:00:00', 1, 200, 0, 10, 0, 5, "
             "100), (2, 11, '2026-03-03T00:00:00', 0, 50.5, 1, 0, 1, 0, 20)"});
    }
    controls::HxAgente* actual() { return ctl<controls::HxAgente>("txtAgenteActual"); }
    controls::HxAgente* nuevo() { return ctl<controls::HxAgente>("txtNuevoAgente"); }
    void load(const char* serie, const char* numero) {
        enter(box("txtSerie"), QString::fromUtf8(serie));
        enter(box("txtFactura"), QString::fromUtf8(numero));
    }
    QStringList days() {
        return testsupport::amountRows(*cn, u"SELECT Cod_Agente, Importe_Pvp, Importe_Costo FROM "
                                            "Agentes_Acumulados ORDER BY Cod_Agente"_s);
    }
    QStringList agentOf(int invoice) {
        return rows(u"SELECT Agente FROM Facturas WHERE Codigo = "_s + QString::number(invoice));
    }
    // The new agent typed, then F9.
    void moveTo(const QString& agent) {
        type(nuevo(), agent);
        key(Qt::Key_F9);
    }
    std::shared_ptr<FailingCompany> empresa;
};

TEST_P(CambioFacturaWindow, LoadsMovesTabWalksAndKeysResetAndClose) {
    EXPECT_EQ(w->windowTitle(), u"Cambio de Agente en Factura"_s);
    for (QLabel* label : w->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(label->buddy()) << "names its field: " << label->objectName().toStdString();
    for (const char* grey : {"txtTotal", "txtImporte_Costo", "txtFecha"})
        EXPECT_EQ(box(grey)->palette().color(QPalette::Base), QColor(224, 224, 224)) << grey;
    enter(box("txtSerie"), u"1"_s); // no number yet: nothing happens
    EXPECT_TRUE(box("txtSerie")->isEnabled());
    enter(box("txtFactura"), u"10"_s);
    EXPECT_FALSE(box("txtSerie")->isEnabled() || box("txtFactura")->isEnabled());
    EXPECT_EQ((QStringList{QString::number(actual()->Codigo()), actual()->Nombre(),
                           box("txtTotal")->Text(), box("txtImporte_Costo")->Text()}),
              (QStringList{"1", "Agente 1", "171", "100"}));
    EXPECT_TRUE(nuevo()->isAncestorOf(QApplication::focusWidget()));
    key(Qt::Key_F9);
    told(0, "Debe introducir un código válido para el nuevo agente.", "¡Atención!",
         ui::vbInformation);
    moveTo(u"1"_s);
    told(1, "Escoja un agente diferente al actual.");
    EXPECT_EQ(agentOf(10), QStringList({"1"}));

    nuevo()->setCodigo(0);
    type(nuevo(), u"2"_s);
    ASSERT_TRUE(nuevo()->EsValido());
    // Put into the disabled number field by a program: still only a number, never SQL.
    box("txtFactura")->setText(u"10 OR 1=1 OR 1"_s);
    key(Qt::Key_F9);
    EXPECT_EQ(presenter->requests.size(), 2) << "no message confirms the change";
    EXPECT_EQ(rows(u"SELECT Codigo, Agente FROM Facturas ORDER BY Codigo"_s),
              QStringList({"10|2", "11|0"}));
    EXPECT_EQ(days(), QStringList({"1|-171|-100", "2|171|100"}));
    EXPECT_TRUE(box("txtFactura")->Text().isEmpty() && nuevo()->Codigo() == 0);
    load("2", "11"); // without agent: only the new one gains
    type(nuevo(), u"3"_s);
    button("cmdAceptar")->click();
    EXPECT_EQ(days(), QStringList({"1|-171|-100", "2|171|100", "3|50.5|20"}));
    // After a move the window is as it opened: Tab walks its enabled controls in order.
    ctl("txtSerie")->setFocus();
    QStringList walk;
    for (int i = 0; i < 4; ++i) {
        key(Qt::Key_Tab);
        QWidget* f = QApplication::focusWidget();
        while (f && f->parentWidget() != w)
            f = f->parentWidget();
        walk << (f ? f->objectName() : u"(none)"_s);
    }
    EXPECT_EQ(walk, (QStringList{"txtFactura", "txtNuevoAgente", "cmdCerrar", "txtSerie"}));
    key(Qt::Key_F9); // nothing loaded: nothing happens (nor told, below)
    load("1", "99");
    told(2, "Factura inexistente. Inténtelo de nuevo.");
    EXPECT_TRUE(box("txtFactura")->isEnabled());
    box("txtFactura")->clear();
    enter(box("txtFactura"), u"10"_s);
    EXPECT_FALSE(box("txtFactura")->isEnabled());
    key(Qt::Key_Escape); // a number is there: Esc clears
    EXPECT_TRUE(box("txtFactura")->isEnabled() && box("txtSerie")->Text().isEmpty() &&
                actual()->Codigo() == 0);
    load("1", "10");
    key(Qt::Key_F12);
    EXPECT_TRUE(box("txtFactura")->Text().isEmpty() && box("txtSerie")->hasFocus());
    QPointer<frmAgentes_CambioFactura> window(w);
    key(Qt::Key_Escape); // empty: Esc closes, Unload drops the window
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

// F4 lists the series' invoices to pick from; typing filters without regard to case or
// accents, Enter picks. A total with three decimals is shown in the user's settings and
// booked exactly.
TEST_P(CambioFacturaWindow, F4ListsTheSeriesInvoicesAndTotalsAreBookedExactlyInEveryLocale) {
    sql({"UPDATE Agentes SET Nombre = 'Íñigo <b>Ruiz</b>' WHERE Codigo = 1",
         "INSERT INTO Facturas (Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, Dto2, "
         "Importe_Costo) VALUES (1, 12, '2026-03-04T00:00:00', 2, 80, 1, 0, 1, 0, 20), (1, 11, "
         "'2026-03-03T00:00:00', 0, 50.5, 1, 0, 1, 0, 20), (3, 13, '2026-03-04T00:00:00', 1, "
         "1234.567, 0, 0, 0, 0, 0.125)"});
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    key(Qt::Key_F4); // no series yet
    told(0, "Escriba primero la serie de la factura.", "¡Atención!");
    enter(box("txtSerie"), u"9"_s);
    key(Qt::Key_F4);
    told(1, "No hay facturas en la serie 9.", "¡Atención!");
    box("txtSerie")->clear();
    type(box("txtSerie"), u"1"_s);
    const QStringList shown = testsupport::pickFrom([&] { key(Qt::Key_F4); }, u"inigo"_s);
    ASSERT_EQ(shown.size(), 3);
    EXPECT_TRUE(shown[0].startsWith(u"12|"_s) && shown[0].endsWith(u"|2 - Agente 2|80"_s))
        << shown[0].toStdString();
    EXPECT_TRUE(shown[1].endsWith(u"||50,5"_s)) << shown[1].toStdString();
    EXPECT_EQ(shown[2], u"10|02/03/2026|1 - Íñigo <b>Ruiz</b>|171"_s);
    // The picked invoice is loaded as Enter on its number would.
    EXPECT_TRUE(box("txtTotal")->Text() == u"171"_s && !button("cmdBuscarFactura")->isEnabled());
    EXPECT_EQ(w->focusWidget(), nuevo()->editor());
    key(Qt::Key_F4); // nothing to pick while an invoice is loaded
    EXPECT_EQ(presenter->requests.size(), 2);
    presenter->requests.clear();
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
        type(box("txtFactura"), u"13"_s); // the number first, then Enter in the series
        enter(box("txtSerie"), u"3"_s);
        EXPECT_TRUE(nuevo()->isAncestorOf(QApplication::focusWidget()));
        EXPECT_EQ(box("txtTotal")->Text(), QLatin1String(c.shown));
        moveTo(QString::number(to));
        EXPECT_TRUE(presenter->requests.isEmpty())
            << presenter->requests.value(0).text.toStdString();
        to = 3 - to; // back and forth between agents 1 and 2
    }
    EXPECT_EQ(days() + agentOf(13), QStringList({"1|0|0", "2|0|0", "1"}))
        << "day totals at zero, the invoice with agent 1";
}

// A failure of the move writes nothing and is told as it happened, also when SQLite has
// rolled back by itself; the invoice stays loaded and moves once the cause is gone.
TEST_P(CambioFacturaWindow, AFailureOrAnotherUsersChangeWritesNothingAndIsTold) {
    const QString lleno = u"CREATE TRIGGER lleno BEFORE INSERT ON Agentes_Acumulados WHEN "
                          "NEW.Cod_Agente = 2 BEGIN SELECT RAISE(ROLLBACK, 'database or disk is "
                          "full'); END"_s;
    const struct {
        const char *starts, *has; // the message
        bool sqliteOnly;
        std::function<void(bool)> cause;
    } cases[] = {
        // the new agent's accumulation fails: the old one's took two requests
        {"la empresa falla", "Error -7", false, [&](bool on) { empresa->failFrom = on ? 3 : 0; }},
        {"database or disk is full", "", true,
         [&](bool on) { cn->Execute(on ? lleno : u"DROP TRIGGER lleno"_s); }},
    };
    for (const auto& c : cases) {
        if (c.sqliteOnly && GetParam() != testsupport::Engine::SQLite)
            continue; // RAISE(ROLLBACK) is SQLite's
        SCOPED_TRACE(c.starts);
        sql({"DELETE FROM Agentes_Acumulados", "UPDATE Facturas SET Agente = 1 WHERE Codigo = 10"});
        presenter->requests.clear();
        load("1", "10");
        type(nuevo(), u"2"_s);
        c.cause(true);
        key(Qt::Key_F9);
        told(0, nullptr, nullptr, ui::vbCritical);
        const QString said = presenter->requests.value(0).text;
        EXPECT_TRUE(said.startsWith(QString::fromUtf8(c.starts)) &&
                    said.contains(QString::fromUtf8(c.has)))
            << said.toStdString();
        EXPECT_EQ(agentOf(10) + days(), QStringList({"1"})) << "the invoice stays, no day total";
        EXPECT_EQ(cn->transactionLevel(), 0);
        c.cause(false);
        key(Qt::Key_F9);
        EXPECT_EQ(days(), QStringList({"1|-171|-100", "2|171|100"}));
    }
    // An invoice moved or deleted by another user since it was loaded is not moved again.
    for (const bool committing : {false, true}) {
        SCOPED_TRACE(committing ? "committing meanwhile" : "committed before");
        sql({"DELETE FROM Agentes_Acumulados", "UPDATE Facturas SET Agente = 1 WHERE Codigo = 10",
             "INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, Importe_Pvp, "
             "Importe_Costo) VALUES (1, 1, '2026-03-02T00:00:00', 171, 100)"});
        presenter->requests.clear();
        load("1", "10");
        ASSERT_EQ(actual()->Codigo(), 1);
        std::atomic<bool> moved{false};
        std::thread other([&, cs = db->connectionString()] {
            ado::Connection c;
            c.Open(cs);
            ado::Transaction tx(c);
            c.Execute(u"UPDATE Facturas SET Agente=2 WHERE Codigo=10 AND Serie=1"_s);
            c.Execute(u"UPDATE Agentes_Acumulados SET Importe_Pvp = Importe_Pvp - 171, "
                      "Importe_Costo = Importe_Costo - 100 WHERE Cod_Agente = 1"_s);
            c.Execute(
                u"INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, "
                "Importe_Pvp, Importe_Costo) VALUES (1, 2, '2026-03-02T00:00:00', 171, 100)"_s);
            moved = true;
            if (committing)
                QThread::msleep(700);
            tx.Commit();
        });
        if (!committing)
            other.join();
        while (!moved)
            QThread::msleep(5);
        moveTo(u"3"_s);
        if (committing)
            other.join();
        told(0,
             "Otro usuario ha cambiado el agente de esta factura después de cargarla: ahora es "
             "del agente 2 - Agente 2. No se ha cambiado nada; cárguela de nuevo (pulse Intro en "
             "el número de factura).",
             "¡Atención!");
        EXPECT_EQ(agentOf(10), QStringList({"2"}));
        EXPECT_EQ(days(), QStringList({"1|0|0", "2|171|100"})) << "each day total is its invoices";
        EXPECT_EQ(cn->transactionLevel(), 0);
        ASSERT_TRUE(box("txtFactura")->hasFocus());
        QTest::keyClick(box("txtFactura"), Qt::Key_Return);
        EXPECT_EQ(actual()->Codigo(), 2);
        moveTo(u"3"_s);
        EXPECT_EQ(presenter->requests.size(), 1);
        EXPECT_EQ(days(), QStringList({"1|0|0", "2|0|0", "3|171|100"}));
    }
    load("2", "11");
    cn->Execute(u"DELETE FROM Facturas WHERE Codigo = 11"_s);
    moveTo(u"1"_s);
    told(1, "Otro usuario ha eliminado esta factura después de cargarla. No se ha cambiado nada.");
    EXPECT_EQ(days(), QStringList({"1|0|0", "2|0|0", "3|171|100"}));
    EXPECT_TRUE(box("txtFactura")->Text().isEmpty());
}

// One user moving an invoice back and forth; fails at the first message box.
int moveInvoiceWorker(const QStringList& args) {
    auto cn = std::make_shared<ado::Connection>();
    cn->Open(args.value(0));
    auto empresa = std::make_shared<ORBTEmp::Empresa>();
    empresa->setCodEmpresa(1);
    SharedContext::setConexion(cn);
    SharedContext::setEmpresa(empresa);
    auto presenter = std::make_shared<ui::RecordingPresenter>();
    ui::setPresenter(presenter);
    frmclsCambioFactura cls;
    cls.Show(0);
    frmAgentes_CambioFactura* w = cls.window();
    while (QDateTime::currentMSecsSinceEpoch() < args.value(5).toLongLong())
        QThread::usleep(200);
    for (int i = 0; i < args.value(4).toInt(); ++i) { // to the other agent and back
        w->CargarFactura(u"1"_s, args.value(1));
        w->findChild<controls::HxAgente*>(u"txtNuevoAgente"_s)->setTextValue(args.value(3 - i % 2));
        w->findChild<QPushButton*>(u"cmdAceptar"_s)->click();
        if (!presenter->requests.isEmpty() || !w->findChild<QWidget*>(u"txtSerie"_s)->isEnabled()) {
            std::fprintf(stderr, "move %d: %s\n", i,
                         presenter->requests.value(0).text.toUtf8().constData());
            return 1;
        }
    }
    return 0;
}
const testsupport::WorkerRegistration registerMoves("mover-factura", moveInvoiceWorker);

// Moves in opposite directions: the one the database stops runs again, unseen by its user.
TEST_P(CambioFacturaWindow, TwoUsersMovingInvoicesInOppositeDirectionsBothSucceed) {
    sql({"INSERT INTO Facturas (Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, "
         "Dto2, Importe_Costo) VALUES (1, 12, '2026-03-02T00:00:00', 2, 80, 1, 0, 1, 0, 30)",
         "INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, Importe_Pvp, "
         "Importe_Costo) VALUES (1, 1, '2026-03-02T00:00:00', 171, 100), (1, 2, "
         "'2026-03-02T00:00:00', 80, 30)"});
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
    EXPECT_EQ(rows(u"SELECT Codigo, Agente FROM Facturas WHERE Codigo <> 11 ORDER BY Codigo"_s),
              QStringList({"10|1", "12|2"}));
    EXPECT_EQ(days(), QStringList({"1|171|100", "2|80|30"}));
}

ORBENTA_ENGINE_TESTS(CambioFacturaWindow);

class DemoDayTotals : public testsupport::EngineTest {};

TEST_P(DemoDayTotals, AreTheSumOfTheWindowsInvoiceTotals) {
    createSchema(true);
    // Amounts in ten-thousandths, keyed by "agent|day".
    const auto units = [](Currency c) { return qRound64(c.toDouble() * 10000); };
    std::map<QString, qint64> invoices, stored;
    const QStringList rows = rowsOf(*cn, u"SELECT Agente, Fecha, Serie, Codigo, ImporteB, TDto1, "
                                         "Dto1, TDto2, Dto2 FROM Facturas"_s);
    ASSERT_GT(rows.size(), 300);
    for (const QString& row : rows) {
        const QStringList f = row.split(u'|');
        const auto field = [&](int i) { return f[i] == u"NULL" ? QVariant() : QVariant(f[i]); };
        const auto t = frmAgentes_CambioFactura::calcularTotal(field(4), field(5), field(6),
                                                               field(7), field(8));
        invoices[f[0] + u'|' + f[1]] += units(t.total);
        if (f[2] == u"1" && f[3] == u"95") {
            EXPECT_EQ(t.total.toString(), u"237.75"_s) << "291.95 - 29.20 - 25";
        }
    }
    for (const QString& row : rowsOf(*cn, u"SELECT Cod_Agente, Fecha, Importe_Pvp "
                                          "FROM Agentes_Acumulados"_s)) {
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
    testsupport::onModal<QWidget>([&](QWidget* d) {
        seen = d;
        QTest::keyClick(d, Qt::Key_Escape);
    });
    modal.Show(1);
    EXPECT_TRUE(seen) << "the window was not modal";
    EXPECT_EQ(modal.window(), nullptr);
    modal.Show(0);
    ASSERT_TRUE(modal.window());
    EXPECT_NE(modal.window(), seen.data());
    // A modeless window cannot then be shown modally.
    EXPECT_EQ(testsupport::failureOf([&] { modal.Show(1); }).number(), 401);
}

} // namespace
