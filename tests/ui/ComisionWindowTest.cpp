// The commission grid window, flow by flow, and the outline grid beneath it.
#include "TestWorkers.h"
#include "WindowTest.h"

#include <QStyledItemDelegate>
#include <random>

namespace {

class ComisionWindow : public testsupport::WindowTest<frmclsComision_Familias> {
protected:
    void seed() override {
        auto e = shareCompany();
        e->setCodEmpresaArticulos(7); // the catalogue lives under another company code
        for (int i = 0; i < 3; ++i)
            e->setNombreNivel(i, u"Nivel "_s + QString::number(i + 1));
        sql({"INSERT INTO Agentes (Codigo, Nombre) VALUES (1, 'Ana'), (2, 'Borja')",
             "INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (7, 1, 'Alimentación'), "
             "(7, 2, 'Bebidas'), (7, 3, 'O''Brien %1 \\ 東京'), (7, 5, 'Gemela'), (7, 6, "
             "'Gemela'), (1, 4, 'Otra empresa')",
             "INSERT INTO Familias_2 (Cod_Empresa, Familia_1, Codigo, Nombre) VALUES (7, 1, 1, "
             "'Conservas'), (7, 1, 2, 'Mismo'), (7, 3, 1, 'Mismo')",
             "INSERT INTO Familias_3 (Cod_Empresa, Familia_1, Familia_2, Codigo, Nombre) VALUES "
             "(7, 1, 1, 1, 'Pescado'), (7, 1, 1, 2, 'Vegetales')",
             "INSERT INTO Articulos (Cod_Empresa, Codigo, Descripcion, Familia_1, Familia_2, "
             "Familia_3) VALUES (7, 1001, 'Atún claro', 1, 1, 1), (7, 1002, 'Sardinas', 1, 1, 1), "
             "(7, 1003, 'Leche entera', 1, 2, 0), (7, 999, 'Anchoas', 2, 0, 0)",
             // Agent 1's, with two orphans (a deleted sub-family, a family above every family).
             "INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, Cod_Agente, Comision, "
             "Cod_Articulo, Familia_1, Familia_2, Familia_3) VALUES (1, 1, 1, 5, 0, 1, 0, 0), "
             "(2, 1, 1, 200, 0, 1, 1, 0), (3, 1, 1, 7.5, 0, 1, 1, 1), (4, 1, 1, 8, 1001, 1, 1, 1), "
             "(4, 1, 1, 200, 1002, 1, 1, 1), (1, 1, 1, 3, 0, 6, 0, 0), (2, 1, 1, 9, 0, 1, 9, 0), "
             "(1, 1, 1, 9, 0, 9, 0, 0), (1, 1, 2, 4, 0, 1, 0, 0), (1, 1, 0, 2.5, 0, 2, 0, 0)"});
    }
    grid::OutlineGrid* g() const { return ctl<grid::OutlineGrid>("vsCom"); }
    controls::HxAgente* txtAgente() const { return ctl<controls::HxAgente>("txtAgente"); }
    QLabel* tasa() const { return ctl<QLabel>("lblComisionEfectiva"); }

    void elegir(const char* codigo) {
        txtAgente()->editor()->selectAll();
        enter(txtAgente()->editor(), QLatin1String(codigo));
    }
    // Column 3 and column 10 of every row, "text|commission".
    QStringList filas() const {
        QStringList out;
        for (int r = 0; r < g()->Rows(); ++r)
            out << g()->TextMatrix(r, 3) + u'|' + g()->TextMatrix(r, 10);
        return out;
    }
    int fila(const QString& texto) const {
        for (int r = 0; r < g()->Rows(); ++r)
            if (g()->TextMatrix(r, 3) == texto)
                return r;
        ADD_FAILURE() << "no row " << texto.toStdString();
        return -1;
    }
    void ir(const QString& texto) {
        g()->setFocus();
        g()->setRow(fila(texto));
    }
    // A click (or a double click) on a cell, as a user's lands; false when the row is
    // folded away.
    bool clic(int r, int col, bool doble = false) {
        const QModelIndex i = g()->grid()->indexOf(r, col);
        g()->scrollTo(i);
        const QRect rect = g()->visualRect(i);
        if (rect.isEmpty())
            return false;
        QWidget* hijo = g()->viewport()->childAt(rect.center());
        QWidget* destino = hijo ? hijo : g()->viewport();
        const QPoint p = destino->mapFrom(g()->viewport(), rect.center());
        QTest::mouseEvent(doble ? QTest::MouseDClick : QTest::MouseClick, destino, Qt::LeftButton,
                          {}, p);
        return true;
    }
    void clic(const QString& texto) { clic(fila(texto), 3); }
    // Types into the commission cell as a user does: the first key opens the editor.
    void teclear(const QString& t, Qt::Key fin = Qt::Key_Return) {
        if (!t.isEmpty()) {
            QTest::keyClick(g(), t.at(0).toLatin1());
            QTest::keyClicks(g()->editor(), t.mid(1));
        } else {
            QTest::keyClick(g(), Qt::Key_F2);
            g()->editor()->clear();
        }
        ASSERT_TRUE(g()->editor());
        QTest::keyClick(g()->editor(), fin);
    }
    void elegirArticulo(const char* filtro) {
        testsupport::pickFrom([&] { QTest::mouseClick(button("cmdVerArticulos"), Qt::LeftButton); },
                              QString::fromUtf8(filtro));
    }
    QStringList reglas(int agente = 1) {
        return testsupport::amountRows(
            *cn, u"SELECT Nivel, Familia_1, Familia_2, Familia_3, Cod_Articulo, Comision FROM "
                 "Agentes_Comisiones WHERE Cod_Agente = "_s +
                     QString::number(agente) +
                     u" ORDER BY Nivel, Familia_1, Familia_2, Familia_3, Cod_Articulo"_s);
    }
};

TEST_P(ComisionWindow, BuildsTheTreeAndLoadsTheAgentsRules) {
    QAbstractItemModelTester tester(g()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(g()->Rows(), 0) << "no tree before an agent is chosen";
    EXPECT_FALSE(ctl("txtArticulo_Buscar")->isVisible() || button("cmdEliminar")->isEnabled() ||
                 button("cmdVerArticulos")->isEnabled());
    int lecturas = 0;
    cn->setObserver([&](const ado::StatementEvent& e) { lecturas += e.text.contains(u"fam1"); });
    elegir("1");
    cn->setObserver(nullptr);
    EXPECT_EQ(lecturas, 1) << "the tree is read once";
    QStringList f = filas();
    ASSERT_EQ(f.size(), 12);
    std::sort(f.begin() + 3, f.begin() + 5); // the articles come in the engine's order
    EXPECT_EQ(f,
              (QStringList{"1 - Alimentación|5,00", "1 - Conservas|BLOQUEADO", "1 - Pescado|7,50",
                           "1001 - Atún claro|8,00", "1002 - Sardinas|200,00", "2 - Vegetales|",
                           "2 - Mismo|", "2 - Bebidas|", "3 - O'Brien %1 \\ 東京|", "1 - Mismo|",
                           "5 - Gemela|", "6 - Gemela|3,00"}));
    const int pescado = fila(u"1 - Pescado"_s);
    EXPECT_EQ(std::pair(g()->grid()->OutlineLevel(pescado), g()->grid()->OutlineLevel(pescado + 1)),
              std::pair(2, -1));
    // The orphans are gone; the twin family's rule and the other agent's stay.
    EXPECT_EQ(reglas(), (QStringList{"1|1|0|0|0|5", "1|6|0|0|0|3", "2|1|1|0|0|200", "3|1|1|1|0|7.5",
                                     "4|1|1|1|1001|8", "4|1|1|1|1002|200"}));
    EXPECT_EQ(reglas(2), QStringList{"1|1|0|0|0|4"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass is gone";
    const QStringList antes = filas(); // a code that names no agent changes nothing
    elegir("77");
    EXPECT_EQ(filas(), antes);
    EXPECT_EQ(w->regla()->Agente, 1);
}

TEST_P(ComisionWindow, EvaluatesTheRowShowsTheRateThatAppliesAndEscClearsThenCloses) {
    elegir("1");
    const struct {
        const char* fila;
        bool articulos, eliminar;
        const char* tasa; // part of the effective rate's line
    } casos[] = {{"1 - Alimentación", false, true, ": 5,00 %"},
                 {"1 - Conservas", false, true, ": bloqueado"},
                 {"1 - Pescado", true, true, ": 7,50 %"},
                 {"1001 - Atún claro", false, true, ": 8,00 %"},
                 {"2 - Vegetales", true, false, "Comisión efectiva: "},
                 {"2 - Bebidas", false, false, ": 2,50 %"},
                 {"2 - Mismo", false, false, "Comisión efectiva: "}};
    for (const auto& c : casos) {
        SCOPED_TRACE(c.fila);
        ir(QString::fromUtf8(c.fila));
        EXPECT_EQ(g()->Col(), 10) << "the commission column is always the current one";
        EXPECT_EQ(button("cmdVerArticulos")->isEnabled(), c.articulos);
        EXPECT_EQ(button("cmdEliminar")->isEnabled(), c.eliminar);
        const QString shown = tasa()->text();
        EXPECT_TRUE(shown.contains(QString::fromUtf8(c.tasa))) << shown.toStdString();
        EXPECT_EQ(g()->model()->data(g()->grid()->indexOf(g()->Row(), 3), Qt::ToolTipRole), shown);
    }
    ir(u"2 - Bebidas"_s);
    EXPECT_EQ(tasa()->text(), u"Comisión efectiva: 2,50 % (reglas generales, familia)"_s);
    EXPECT_EQ(g()->TextMatrix(g()->Row(), 10), QString()) << "never the effective rate";
    // A click on another row resolves it once; on the same row, not again.
    const QString resolucion = u" SELECT Comision FROM Agentes_Comisiones WHERE Cod_Empresa = "_s;
    QStringList enviadas;
    cn->setObserver([&](const ado::StatementEvent& e) {
        if (e.text.startsWith(resolucion))
            enviadas << e.text;
    });
    clic(u"1 - Pescado"_s);
    EXPECT_EQ(g()->Row(), fila(u"1 - Pescado"_s));
    EXPECT_FALSE(enviadas.isEmpty());
    EXPECT_EQ(QSet<QString>(enviadas.begin(), enviadas.end()).size(), enviadas.size())
        << enviadas.join(u'\n').toStdString();
    enviadas.clear();
    clic(u"1 - Pescado"_s);
    EXPECT_EQ(enviadas, QStringList());
    clic(u"2 - Bebidas"_s);
    enviadas.clear();
    teclear(u"4"_s);
    cn->setObserver(nullptr);
    EXPECT_FALSE(enviadas.isEmpty());
    EXPECT_EQ(tasa()->text(), u"Comisión efectiva: 4,00 % (reglas del agente, familia)"_s);
    // Esc clears the agent, then closes the window; only Salir raises Unload.
    int unloads = 0;
    QObject::connect(w, &FormBase::Unload, [&] { ++unloads; });
    QTest::keyClick(txtAgente()->editor(), Qt::Key_Escape);
    EXPECT_EQ(txtAgente()->Text(), QString());
    EXPECT_EQ(w->regla()->Agente, 1) << "the rule object keeps the agent";
    EXPECT_TRUE(txtAgente()->editor()->hasFocus());
    QTest::keyClick(txtAgente()->editor(), Qt::Key_Escape);
    EXPECT_EQ(std::tuple(w->isVisible(), unloads, cls->window()), std::tuple(false, 0, w))
        << "hidden, still held, without Unload";
    // The next Show loads a fresh window; its exit button raises Unload.
    cls->Show(0);
    w = cls->window();
    ASSERT_TRUE(w);
    EXPECT_EQ(g()->Rows(), 0);
    QObject::connect(w, &FormBase::Unload, [&] { ++unloads; });
    button("cmdSalir")->click();
    EXPECT_EQ(unloads, 1);
    EXPECT_EQ(cls->window(), nullptr);
}

TEST_P(ComisionWindow, TypedPercentagesAreCheckedThenStoredAtOnceAndFailuresTold) {
    elegir("1");
    ir(u"2 - Bebidas"_s);
    const int r = fila(u"2 - Bebidas"_s);
    const struct {
        const char* typed;
        const char* message; // "" when accepted
        const char* stored;  // the agent's rule on Bebidas afterwards ("" none)
        const char* shown;
    } casos[] = {
        {"1e2", "Comisión inválida.", "", ""},
        {"100,001", "La comisión debe estar entre 0 y 100.", "", ""},
        {"", "", "", ""},
        {"12.5", "", "12.5", "12,50"},   // inserted
        {" 12,5 ", "", "12.5", "12,50"}, // updated, the same rule
        {"100,00", "", "100", "100,00"}, // 100 is allowed
        {"-0", "", "0", "0,00"},         // as 0
        {"", "", "0", "0,00"}, // an empty editor stores and deletes nothing: the cell keeps it
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.typed);
        presenter->requests.clear();
        teclear(QString::fromUtf8(c.typed));
        if (*c.message) {
            told(0, c.message, "¡Atención!", ui::vbCritical);
            ASSERT_TRUE(g()->editor()) << "a refused edit stays open";
            QTest::keyClick(g()->editor(), Qt::Key_Escape);
        } else {
            EXPECT_TRUE(presenter->requests.isEmpty());
        }
        EXPECT_FALSE(g()->editor());
        EXPECT_EQ(rows(u"SELECT Comision FROM Agentes_Comisiones WHERE Cod_Agente = 1 AND "
                       "Familia_1 = 2"_s)
                      .join(u','),
                  QString::fromUtf8(c.stored));
        EXPECT_EQ(g()->TextMatrix(r, 10), QString::fromUtf8(c.shown));
    }
    EXPECT_TRUE(button("cmdEliminar")->isEnabled());
    // A blocked node takes no typing; confirming it unchanged is refused.
    ir(u"1 - Conservas"_s);
    presenter->requests.clear();
    teclear(u"5"_s);
    ASSERT_TRUE(g()->editor());
    EXPECT_EQ(g()->EditText(), u"BLOQUEADO"_s);
    told(0, "Comisión inválida.");
    QTest::keyClick(g()->editor(), Qt::Key_Escape);
    EXPECT_EQ(reglas().filter(u"2|1|1|0|0|"_s), QStringList{"2|1|1|0|0|200"});
    // A refused edit holds its row and the focus against a click on another row.
    ir(u"2 - Bebidas"_s);
    teclear(u"150"_s);
    ASSERT_TRUE(g()->editor());
    clic(u"1 - Alimentación"_s);
    QCoreApplication::processEvents();
    ASSERT_TRUE(g()->Row() == r && g()->editor() && g()->editor()->hasFocus());
    QTest::keyClick(g()->editor(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(g()->editor(), u"7"_s);
    QTest::keyClick(g()->editor(), Qt::Key_Return);
    EXPECT_EQ(g()->TextMatrix(r, 10), u"7,00"_s);
    EXPECT_EQ(reglas().mid(0, 2), (QStringList{"1|1|0|0|0|5", "1|2|0|0|0|7"}))
        << "Alimentación's rule stays";
    // A storing failure is told and the edit closes without storing.
    ir(u"1 - Alimentación"_s);
    presenter->requests.clear();
    cn->Execute(u"DROP TABLE Agentes_Comisiones"_s);
    teclear(u"7"_s);
    told(0, nullptr, nullptr, ui::vbCritical);
    EXPECT_FALSE(g()->editor());
    EXPECT_EQ(g()->TextMatrix(fila(u"1 - Alimentación"_s), 10), u"5,00"_s);
    // Moving tells the evaluation's failure, typing the storing's; the window goes on.
    ir(u"2 - Bebidas"_s);
    teclear(u"3"_s);
    EXPECT_EQ(presenter->requests.size(), 3);
    EXPECT_TRUE(w->isVisible() && !g()->editor());
}

TEST_P(ComisionWindow, ArticlesAreAddedBelowTheNodeAndRulesDeleted) {
    elegir("1");
    ir(u"2 - Vegetales"_s); // the deepest level, without articles of its own
    button("cmdVerArticulos")->click();
    told(0, "No existen artículos en la categoría actual", " ¡Atención!");
    ir(u"1 - Pescado"_s);
    const int pescado = g()->Row();
    presenter->requests.clear();
    // The family's articles come first; typing filters without regard to case or accents.
    EXPECT_EQ(testsupport::pickFrom([&] { button("cmdVerArticulos")->click(); }, u"ATUN"_s),
              (QStringList{"1001 - Atún claro", "1002 - Sardinas", "999 - Anchoas",
                           "1003 - Leche entera"}));
    told(0, "Artículo ya selecionado", " ¡Atención! "); // already in the grid
    const int antes = g()->Rows();
    elegirArticulo("1003"); // any article of the catalogue
    ASSERT_EQ(g()->Rows(), antes + 1);
    EXPECT_EQ(g()->model()->rowCount(g()->grid()->indexOf(pescado, 0)), 3);
    EXPECT_EQ(g()->TextMatrix(pescado + 1, 3), u"   1003 - Leche entera"_s);
    g()->setRow(pescado + 1);
    EXPECT_FALSE(button("cmdEliminar")->isEnabled());
    teclear(u"6"_s);
    EXPECT_TRUE(reglas().contains(u"4|1|1|1|1003|6"_s));
    // Deleting an article's rule removes its row; a node's rule goes as well.
    button("cmdEliminar")->click();
    EXPECT_EQ(g()->model()->rowCount(g()->grid()->indexOf(pescado, 0)), 2);
    EXPECT_FALSE(reglas().contains(u"4|1|1|1|1003|6"_s));
    ir(u"1 - Pescado"_s);
    button("cmdEliminar")->click();
    EXPECT_FALSE(reglas().contains(u"3|1|1|1|0|7.5"_s));
}

TEST_P(ComisionWindow, PrintsWhatTheGridShowsOrSaysItWaitsForAnotherPrint) {
    testsupport::useInstalledReports(*cn);
    cn->Execute(u"INSERT INTO Empresas (Codigo, Nombre, Cod_Empresa_Articulos) "
                "VALUES (1, 'Cantábricas \"O''Neill\"', 7)"_s);
    button("cmdImprimir")->click();
    EXPECT_EQ(rows(u"SELECT COUNT(*) FROM Listado_Desc_Comis"_s), QStringList{"0"})
        << "no agent: nothing is printed";
    elegir("1");
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"informe.pdf"_s);
    bool shown = false;
    QTimer::singleShot(0, [&] {
        frmView* v = frmView::actual();
        ASSERT_TRUE(v);
        shown = v->isVisible();
        EXPECT_EQ(v->windowTitle(), u"Bralvent - Visor de Reportes"_s);
        auto* visor = v->findChild<report::Visor*>(u"crvRep"_s);
        EXPECT_EQ(visor->zoomPercent(), 120);
        EXPECT_FALSE(visor->DisplayGroupTree());
        EXPECT_TRUE(!QTest::qWaitForWindowActive(v) || !QApplication::overrideCursor())
            << "activation restores the pointer";
        v->resize(500, 300);
        EXPECT_EQ(visor->geometry(), QRect(0, 0, 500, 300));
        EXPECT_TRUE(visor->geometry().contains(v->findChild<QLabel*>(u"pctLogo"_s)->geometry()));
        visor->ExportTo(pdf);
        visor->findChild<QToolButton*>(u"cerrar"_s)->click();
    });
    button("cmdImprimir")->click();
    EXPECT_TRUE(shown);
    EXPECT_EQ(frmView::actual(), nullptr) << "closed and discarded";
    const QStringList lineas = testsupport::pdfLines(pdf);
    EXPECT_EQ(lineas.mid(0, 7),
              (QStringList{"Cantábricas \"O'Neill\"", "Comisiones por Agente", "AGENTE: 1 - Ana",
                           "Elemento Comisión", "1 - Alimentación 5,00", "1 - Conservas BLOQUEADO",
                           "1 - Pescado 7,50"}));
    EXPECT_TRUE(lineas.value(lineas.size() - 1).startsWith(u"Página 1 de 1"_s));
    // A print waiting for another one says so on the window, then gives up.
    ir(u"2 - Bebidas"_s);
    const QString linea = tasa()->text();
    QStringList pintado;
    struct Pintura : QObject {
        QStringList* pintado;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                pintado->append(static_cast<QLabel*>(o)->text());
            return false;
        }
    } pintura;
    pintura.pintado = &pintado;
    tasa()->installEventFilter(&pintura);
    sql({"DELETE FROM Listado_Desc_Comis",
         "INSERT INTO Listado_Desc_Comis (Elemento, Porcentaje) VALUES ('de otro', '1')"});
    const auto otro = testsupport::holdPrintLock(db->connectionString());
    const int antes = InformeComisiones::esperaMaxima;
    InformeComisiones::esperaMaxima = 800;
    button("cmdImprimir")->click();
    InformeComisiones::esperaMaxima = antes;
    tasa()->removeEventFilter(&pintura);
    EXPECT_TRUE(pintado.contains(u"Esperando a que termine otra impresión..."_s))
        << pintado.join(u'|').toStdString();
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_TRUE(presenter->requests[0].text.contains(u"sigue en curso"_s))
        << presenter->requests[0].text.toStdString();
    EXPECT_EQ(tasa()->text(), linea);
    EXPECT_EQ(frmView::actual(), nullptr);
    EXPECT_EQ(rows(u"SELECT Elemento FROM Listado_Desc_Comis"_s), QStringList{"de otro"});
}

TEST_P(ComisionWindow, AFailedReportGivesTheLockBack) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(u"Rpt"_s);
    testsupport::writeFile(
        dir.filePath(u"Rpt/Descuentos y Comisiones.rpt"_s),
        "orbenta-report 1\ntable: Listado_Desc_Comis\ntable: Agentes\nparameter: A\n"
        "parameter: B\nparameter: C\nsubreport: Empresa.rpt\n"
        "query: SELECT Elemento, Porcentaje FROM {table:1} ORDER BY Orden\n");
    testsupport::writeFile(
        dir.filePath(u"Rpt/Empresa.rpt"_s),
        "orbenta-report 1\ntable: Empresas\nparameter: Cod_Empresa\n"
        "query: SELECT Nombre FROM {table:1} WHERE Codigo = {parameter:1:integer}\n");
    testsupport::useInstalledReports(*cn);
    auto e = SharedContext::empresa();
    e->setRutaAplicacion(dir.path());
    const report::Logon l = report::logonFor(cn->ConnectionString());
    grid::OutlineModel filas(11);
    filas.AddItem(u"\t\t\tO'Neill\t1\t0\t0\t1\t\t\tBLOQUEADO"_s);
    InformeComisiones::Preparar(filas, 1, u"Ana"_s);
    EXPECT_EQ(rows(u"SELECT Elemento, Porcentaje FROM Listado_Desc_Comis"_s),
              QStringList{"\tO'Neill|BLOQUEADO"});
    // A wrong password fails when the report reads, with the lock given back.
    if (GetParam() != testsupport::Engine::SQLite) {
        e->setValorConfiguracion(u"ODBCPassword"_s, u"mal"_s);
        EXPECT_THROW(InformeComisiones::Preparar(filas, 1, u"Ana"_s), automation::AutomationError);
        e->setValorConfiguracion(u"ODBCPassword"_s, l.password);
    }
    QFile::remove(dir.filePath(u"Rpt/Empresa.rpt"_s));
    EXPECT_THROW(InformeComisiones::Preparar(filas, 1, u"Ana"_s), automation::AutomationError);
    // The lock was given back every time: a print goes through again.
    testsupport::writeFile(dir.filePath(u"Rpt/Empresa.rpt"_s),
                           "orbenta-report 1\ntable: Empresas\nparameter: Cod_Empresa\n");
    EXPECT_NO_THROW(InformeComisiones::Preparar(filas, 1, u"Ana"_s));
}

// Seeded walks of keys and clicks; ORBENTA_WALK_SEED=n replays walk n alone.
TEST_P(ComisionWindow, WhatTheGridShowsIsWhatIsStoredAfterAnyWalk) {
    QTreeView* vista = g();
    QWidget* campoAgente = txtAgente()->editor();
    // "nivel|f1|f2|f3|articulo" -> the percentages stored under it.
    const auto almacenadas = [&](int agente) {
        QHash<QString, QStringList> out;
        for (const QString& r : reglas(agente))
            out[r.section(u'|', 0, 4)] << r.section(u'|', 5);
        return out;
    };
    const auto claveDe = [&](int r) {
        const QString nivel = g()->TextMatrix(r, 7);
        return QStringList{nivel, g()->TextMatrix(r, 4), g()->TextMatrix(r, 5),
                           g()->TextMatrix(r, 6),
                           nivel == QLatin1String("4") ? g()->TextMatrix(r, 8) : u"0"_s}
            .join(u'|');
    };
    const auto comoSeMuestra = [](const QString& clave, const QString& texto) {
        const double v = texto.toDouble();
        return v == 200 && !clave.startsWith(u'4') ? u"BLOQUEADO"_s
                                                   : QString::number(v, 'f', 2).replace(u'.', u',');
    };
    const auto visibles = [&] {
        std::vector<int> out;
        for (int r = 0; r < g()->Rows(); ++r)
            if (!vista->visualRect(g()->grid()->indexOf(r, 3)).isEmpty())
                out.push_back(r);
        return out;
    };
    const auto texto = [&](const QString& t) {
        for (QChar ch : t)
            if (QWidget* f = QApplication::focusWidget())
                QTest::keyClick(f, ch.toLatin1());
    };
    const auto enLaRejilla = [&] {
        QWidget* f = QApplication::focusWidget();
        return f && (f == vista || vista->isAncestorOf(f));
    };
    // A key pressed where the focus is; answers the step's name.
    const auto pulsa = [&](int k, const QString& nombre, Qt::KeyboardModifiers m = {}) {
        key(k, m);
        return nombre;
    };
    static const char* const valores[] = {"7", "12,5", "150", "abc", "0", "100", "-1", "3.25"};
    // Walk 32 once stored an edit under the row Page Down had moved to.
    std::vector<unsigned> semillas{1, 2, 3, 4, 5, 6, 7, 8, 32};
    if (const QByteArray s = qgetenv("ORBENTA_WALK_SEED"); !s.isEmpty())
        semillas = {s.toUInt()};
    for (const unsigned semilla : semillas) {
        std::mt19937 azar(semilla);
        const auto uno = [&](size_t n) { return size_t(azar() % n); };
        QStringList pasos;
        int agente = 1 + int(semilla % 2);
        // After Esc no agent's rules show, and the hidden ones stay.
        bool sinAgente = false;
        QHash<QString, QStringList> ocultas;
        elegir(agente == 1 ? "1" : "2");
        for (int paso = 0; paso < 80; ++paso) {
            QString hecho;
            const std::vector<int> filas = visibles();
            const int fila = filas.empty() ? -1 : filas[uno(filas.size())];
            switch (uno(13)) {
            case 0:
            case 1: // a click on a row, on its text or its commission
                if (fila >= 0) {
                    const int col = uno(2) ? 10 : 3;
                    if (clic(fila, col))
                        hecho =
                            u"clic fila "_s + QString::number(fila) + u'/' + QString::number(col);
                }
                break;
            case 2: { // keys that move
                static const int teclas[] = {Qt::Key_Up,    Qt::Key_Down,     Qt::Key_Left,
                                             Qt::Key_Right, Qt::Key_PageDown, Qt::Key_Home};
                const int k = teclas[uno(6)];
                if (!enLaRejilla() && (fila < 0 || !clic(fila, 10)))
                    break;
                hecho = pulsa(k, u"tecla "_s + QString::number(k, 16));
                break;
            }
            case 3:
            case 4: { // a value typed
                const QString v = QString::fromLatin1(valores[uno(std::size(valores))]);
                if (!enLaRejilla())
                    break;
                texto(v);
                hecho = u"teclea "_s + v;
                break;
            }
            case 5:
                if (enLaRejilla())
                    hecho = pulsa(Qt::Key_Return, u"Enter"_s);
                break;
            case 6:
                if (!enLaRejilla())
                    break;
                hecho = pulsa(Qt::Key_A, u"Ctrl+A"_s, Qt::ControlModifier);
                if (uno(2))
                    hecho += pulsa(uno(2) ? Qt::Key_Backspace : Qt::Key_Delete, u" y borra"_s);
                break;
            case 7: // Esc: abandons an edit, or clears the agent; without one, it is chosen again
                if (sinAgente) {
                    elegir(agente == 1 ? "1" : "2");
                    sinAgente = false;
                    hecho = u"vuelve al agente"_s;
                    break;
                }
                if (!enLaRejilla())
                    break;
                hecho = pulsa(Qt::Key_Escape, u"Esc"_s);
                if (txtAgente()->Text().isEmpty()) {
                    sinAgente = true;
                    ocultas = almacenadas(agente);
                }
                break;
            case 8:
                QTest::mouseClick(button("cmdEliminar"), Qt::LeftButton);
                hecho = u"Eliminar"_s;
                break;
            case 9: { // the article list, picking one of the catalogue
                const char* codigo = uno(2) ? "1003" : "1001";
                elegirArticulo(codigo);
                hecho = u"Ver Artículos "_s + QLatin1String(codigo);
                break;
            }

            case 10: { // another agent chosen in the agent field, with a click and keys
                const int otro = 1 + int(uno(2));
                QTest::mouseClick(campoAgente, Qt::LeftButton);
                QCoreApplication::processEvents();
                key(Qt::Key_A, Qt::ControlModifier);
                texto(QString::number(otro));
                const bool alli = QApplication::focusWidget() == campoAgente &&
                                  txtAgente()->Text() == QString::number(otro);
                key(Qt::Key_Return);
                if (alli) {
                    agente = otro;
                    sinAgente = false;
                }
                hecho = u"agente "_s + QString::number(otro);
                break;
            }
            case 11: // a double click folds or unfolds, and so does a click on a node's sign
                if (fila >= 0 && uno(2) && clic(fila, 3, true)) {
                    hecho = u"doble clic fila "_s + QString::number(fila);
                } else if (fila >= 0 && g()->grid()->OutlineLevel(fila) >= 0) {
                    const QModelIndex i = g()->grid()->indexOf(fila, 3);
                    vista->scrollTo(i);
                    const QRect rect = vista->visualRect(i);
                    QTest::mouseClick(
                        vista->viewport(), Qt::LeftButton, {},
                        QPoint(rect.left() - vista->indentation() / 2, rect.center().y()));
                    hecho = u"signo de la fila "_s + QString::number(fila);
                }
                break;
            case 12: // back into the open editor, or onto the current row's commission
                if (QLineEdit* e = g()->editor()) {
                    QTest::mouseClick(e, Qt::LeftButton);
                    hecho = u"clic en el editor"_s;
                } else if (g()->Row() >= 0 && clic(g()->Row(), 10)) {
                    hecho = u"clic fila actual"_s;
                }
                break;
            }
            QCoreApplication::processEvents();
            // Active again after a dialog, as on a desktop (offscreen leaves none active).
            if (QApplication::activeWindow() != w) {
                QApplication::setActiveWindow(w);
                QCoreApplication::processEvents();
            }
            if (hecho.isEmpty())
                continue;
            pasos << hecho;
            SCOPED_TRACE(testing::Message() << "semilla " << semilla << ", paso " << paso << ": "
                                            << pasos.join(u", "_s).toStdString());
            ASSERT_TRUE(w->isVisible());
            // Without an agent the grid shows no rule, as if there were none.
            if (sinAgente) {
                ASSERT_EQ(almacenadas(agente), ocultas) << "hidden rules changed";
                ASSERT_FALSE(button("cmdVerArticulos")->isEnabled());
                ASSERT_EQ(tasa()->text(), QString());
            }
            const auto reglas = sinAgente ? QHash<QString, QStringList>() : almacenadas(agente);
            QHash<QString, int> vistas;
            for (int r = 0; r < g()->Rows(); ++r) {
                const QString clave = claveDe(r);
                const QStringList v = reglas.value(clave);
                ASSERT_LE(v.size(), 1) << "two rules under " << clave.toStdString();
                ++vistas[clave];
                ASSERT_EQ(g()->TextMatrix(r, 10).toStdString(),
                          (v.isEmpty() ? QString() : comoSeMuestra(clave, v[0])).toStdString())
                    << "row " << r << " " << g()->TextMatrix(r, 3).toStdString() << " key "
                    << clave.toStdString();
            }
            for (auto it = reglas.begin(); it != reglas.end(); ++it)
                ASSERT_EQ(vistas.value(it.key()), 1) << "rule " << it.key().toStdString();
            // The buttons act only on the row the user sees as the current one.
            const int actual = g()->Row();
            if (button("cmdEliminar")->isEnabled()) {
                ASSERT_GE(actual, 0);
                ASSERT_TRUE(reglas.contains(claveDe(actual)));
                ASSERT_FALSE(vista->visualRect(g()->grid()->indexOf(actual, 3)).isEmpty())
                    << "the current row is folded away";
            }
            ASSERT_TRUE(!button("cmdVerArticulos")->isEnabled() ||
                        (actual >= 0 && g()->TextMatrix(actual, 7) == u"3"_s));
            ASSERT_TRUE(tasa()->text().isEmpty() || actual >= 0);
        }
        if (QLineEdit* e = g()->editor())
            QTest::keyClick(e, Qt::Key_Escape);
    }
}

ORBENTA_ENGINE_TESTS(ComisionWindow);

// Batches, out-of-range rows, and stored text shown the same in any locale.
TEST(OutlineGrid, BatchesRangesAndDisplayText) {
    grid::OutlineGrid g(3);
    QAbstractItemModelTester tester(g.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    g.setRedraw(false);
    for (const char* t : {"A", "A1", "a", "A2", "B"})
        g.AddItem(u"x\t"_s + QLatin1String(t) + u"\ty"_s);
    for (const auto& [fila, nivel] : {std::pair{0, 0}, {1, 1}, {3, 1}, {4, 0}})
        g.setOutlineNode(fila, nivel);
    g.setRedraw(true);
    ASSERT_EQ(g.Rows(), 5);
    EXPECT_EQ(g.model()->rowCount(g.grid()->indexOf(1, 0)), 1) << "the plain row is A1's";
    // Only nodes hold rows, and a plain row says it never will (the view then keeps no
    // expanded state for it); a node without rows has none.
    for (int r = 0; r < g.Rows(); ++r) {
        const QModelIndex i = g.grid()->indexOf(r, 0);
        EXPECT_EQ(g.model()->flags(i).testFlag(Qt::ItemNeverHasChildren),
                  g.grid()->OutlineLevel(r) < 0)
            << r;
        EXPECT_EQ(g.model()->hasChildren(i), r == 0 || r == 1) << r;
    }
    EXPECT_THROW(g.TextMatrix(9, 0), automation::AutomationError);
    // Stored text shows in any locale, control characters as blanks.
    const QString nombre =
        u"1003 - Leche"_s + QChar(0) + u"entera\r\n"_s + QChar(0x1b) + QChar(0x7f);
    g.AddItem(QStringList{u"12,50"_s, nombre}, 0);
    EXPECT_EQ(g.TextMatrix(0, 1), nombre);
    const auto* delegado = qobject_cast<QStyledItemDelegate*>(g.itemDelegate());
    ASSERT_TRUE(delegado);
    for (const QLocale& l :
         {g.locale(), QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates)})
        for (const auto& [col, visto] :
             {std::pair{0, "12,50"}, std::pair{1, "1003 - Leche entera    "}})
            EXPECT_EQ(delegado->displayText(g.model()->data(g.grid()->indexOf(0, col)), l),
                      QString::fromUtf8(visto));
}

} // namespace
