// The commission grid window, flow by flow, with the keys and clicks office staff use,
// and the outline grid beneath it.
#include "Database.h"
#include "TestComponent.h"
#include "TestWorkers.h"
#include "WindowTest.h"

#include <ORBTAgentes.h>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <random>

#include <gtest/gtest.h>

using namespace ORBTAgentes;
using testsupport::rowsOf;

namespace {

class ComisionWindow : public testsupport::WindowTest<frmclsComision_Familias> {
protected:
    void seed() override {
        auto e = shareCompany();
        e->setCodEmpresaArticulos(7); // the catalogue lives under another company code
        for (int i = 0; i < 3; ++i)
            e->setNombreNivel(i, QStringLiteral("Nivel ") + QString::number(i + 1));
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
             "(7, 1003, 'Leche entera', 1, 2, 0)"});
        // Agent 1's rules: a family, a blocked sub-family, a sub-sub-family and two of its
        // articles, the second of two same-name families, and two orphans (a deleted
        // sub-family, a family code above every family). Agent 2 and the general rules
        // are not the window's business.
        const char* rules[] = {"1, 1, 1, 5, 0, 1, 0, 0",      "2, 1, 1, 200, 0, 1, 1, 0",
                               "3, 1, 1, 7.5, 0, 1, 1, 1",    "4, 1, 1, 8, 1001, 1, 1, 1",
                               "4, 1, 1, 200, 1002, 1, 1, 1", "1, 1, 1, 3, 0, 6, 0, 0",
                               "2, 1, 1, 9, 0, 1, 9, 0",      "1, 1, 1, 9, 0, 9, 0, 0",
                               "1, 1, 2, 4, 0, 1, 0, 0",      "1, 1, 0, 2.5, 0, 2, 0, 0"};
        for (const char* r : rules)
            cn->Execute(QStringLiteral("INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, "
                                       "Cod_Agente, Comision, Cod_Articulo, Familia_1, "
                                       "Familia_2, Familia_3) VALUES (") +
                        QLatin1String(r) + u')');
    }
    grid::OutlineGrid* g() const { return ctl<grid::OutlineGrid>("vsCom"); }
    controls::HxAgente* txtAgente() const { return ctl<controls::HxAgente>("txtAgente"); }
    QPushButton* button(const char* name) const { return ctl<QPushButton>(name); }
    QLabel* tasa() const { return ctl<QLabel>("lblComisionEfectiva"); }

    void elegir(const char* codigo) {
        QLineEdit* e = txtAgente()->editor();
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, QLatin1String(codigo));
        QTest::keyClick(e, Qt::Key_Return);
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
    QStringList reglas(int agente = 1) {
        return rowsOf(*cn, QStringLiteral("SELECT Nivel, Familia_1, Familia_2, Familia_3, "
                                          "Cod_Articulo, Comision FROM Agentes_Comisiones "
                                          "WHERE Cod_Agente = ") +
                               QString::number(agente) +
                               QStringLiteral(" ORDER BY Nivel, Familia_1, Familia_2, "
                                              "Familia_3, Cod_Articulo"));
    }
};

TEST_P(ComisionWindow, BuildsTheTreeAndLoadsTheAgentsRules) {
    QAbstractItemModelTester tester(g()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(g()->Rows(), 0) << "no tree before an agent is chosen";
    EXPECT_FALSE(ctl("txtArticulo_Buscar")->isVisible());
    EXPECT_FALSE(button("cmdEliminar")->isEnabled());
    EXPECT_FALSE(button("cmdVerArticulos")->isEnabled());
    // The order the rule store reads agent 1's articles in: they show the other way.
    QStringList leidos;
    {
        clsComision_Familias r;
        r.Agente = 1;
        ado::Recordset rs;
        r.Cargar_Todos(rs);
        for (; !rs.Eof(); rs.MoveNext())
            if (toInteger(rs.Fields(QStringLiteral("Nivel"))) == 4)
                leidos.prepend(toText(rs.Fields(QStringLiteral("Cod_Articulo"))));
    }
    std::vector<QString> sent;
    cn->setObserver([&](const ado::StatementEvent& e) { sent.push_back(e.text); });
    elegir("1");
    cn->setObserver(nullptr);
    // The agent field's own look-up runs first; the tree's statement once after it.
    std::vector<QString> familias;
    for (const QString& t : sent)
        if (t.contains(QStringLiteral("Familias_1")))
            familias.push_back(t);
    ASSERT_EQ(familias.size(), 1u);
    EXPECT_EQ(familias.front(),
              QStringLiteral(
                  " SELECT IsNull(fam1.Nombre,'') As Nombre1, IsNull(fam2.Nombre,'') as Nombre2 , "
                  "IsNull(fam3.Nombre,'') as Nombre3  , fam1.Codigo as Codigo,  "
                  "IsNull(fam2.Codigo,0) as Codigo1, IsNull(fam3.Codigo,0) as Codigo2  FROM "
                  "Familias_1 fam1  LEFT JOIN Familias_2 fam2 ON fam2.Cod_Empresa = "
                  "fam1.Cod_Empresa AND (fam1.Codigo = fam2.Familia_1)  LEFT JOIN Familias_3 "
                  "fam3 ON fam3.Cod_Empresa=fam2.Cod_Empresa AND (fam3.Familia_1 = "
                  "fam2.Familia_1) and (fam3.Familia_2 = fam2.Codigo)  WHERE fam1.Cod_Empresa = "
                  "7 ORDER BY Codigo,Codigo1,Codigo2 "));
    const QString articulos[2] = {
        leidos[0] == QLatin1String("1001") ? QStringLiteral("1001 - Atún claro|8,00")
                                           : QStringLiteral("1002 - Sardinas|200,00"),
        leidos[0] == QLatin1String("1001") ? QStringLiteral("1002 - Sardinas|200,00")
                                           : QStringLiteral("1001 - Atún claro|8,00")};
    EXPECT_EQ(
        filas(),
        (QStringList{"1 - Alimentación|5,00", "1 - Conservas|BLOQUEADO", "1 - Pescado|7,50",
                     articulos[0], articulos[1], "2 - Vegetales|", "2 - Mismo|", "2 - Bebidas|",
                     "3 - O'Brien %1 \\ 東京|", "1 - Mismo|", "5 - Gemela|", "6 - Gemela|3,00"}));
    // Levels and outline: nodes at their depth, articles plain rows under their node.
    const int pescado = fila(QStringLiteral("1 - Pescado"));
    EXPECT_EQ(g()->grid()->OutlineLevel(pescado), 2);
    EXPECT_EQ(g()->grid()->OutlineLevel(pescado + 1), -1);
    EXPECT_EQ(g()->TextMatrix(pescado + 1, 7), QStringLiteral("4"));
    const QModelIndex p = g()->grid()->indexOf(pescado, 0);
    EXPECT_EQ(g()->model()->rowCount(p), 2);
    // The two orphans are gone from the database; the twin family's rule stays, and
    // the other agent's rules are untouched.
    EXPECT_EQ(reglas(), (QStringList{"1|1|0|0|0|5", "1|6|0|0|0|3", "2|1|1|0|0|200", "3|1|1|1|0|7.5",
                                     "4|1|1|1|1001|8", "4|1|1|1|1002|200"}));
    EXPECT_EQ(reglas(2), QStringList{"1|1|0|0|0|4"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass is gone";
    // A code that names no agent leaves the grid as it is.
    const QStringList antes = filas();
    elegir("77");
    EXPECT_EQ(filas(), antes);
    EXPECT_EQ(w->regla()->Agente, 1);
}

TEST_P(ComisionWindow, EvaluatesTheRowAndShowsTheRateThatApplies) {
    elegir("1");
    struct Caso {
        const char* fila;
        bool articulos, eliminar;
        const char* tasa; // part of the effective rate's line
    };
    const Caso casos[] = {{"1 - Alimentación", false, true, ": 5,00 %"},
                          {"1 - Conservas", false, true, ": bloqueado"},
                          {"1 - Pescado", true, true, ": 7,50 %"},
                          {"1001 - Atún claro", false, true, ": 8,00 %"},
                          {"2 - Vegetales", true, false, "Comisión efectiva: "},
                          {"2 - Bebidas", false, false, ": 2,50 %"},
                          {"2 - Mismo", false, false, "Comisión efectiva: "}};
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.fila);
        const int r = fila(QString::fromUtf8(c.fila));
        ASSERT_GE(r, 0);
        g()->setFocus();
        g()->setRow(r);
        EXPECT_EQ(g()->Col(), 10) << "the commission column is always the current one";
        EXPECT_EQ(button("cmdVerArticulos")->isEnabled(), c.articulos);
        EXPECT_EQ(button("cmdEliminar")->isEnabled(), c.eliminar);
        const QString shown = tasa()->text();
        EXPECT_TRUE(shown.contains(QString::fromUtf8(c.tasa))) << shown.toStdString();
        EXPECT_EQ(g()->model()->data(g()->grid()->indexOf(r, 3), Qt::ToolTipRole), shown);
    }
    // Bebidas has no rule of agent 1: the general rule of 2,50 gives it.
    ir(QStringLiteral("2 - Bebidas"));
    EXPECT_EQ(tasa()->text(),
              QStringLiteral("Comisión efectiva: 2,50 % (reglas generales, familia)"));
    // The commission column itself never shows the effective rate.
    EXPECT_EQ(g()->TextMatrix(fila(QStringLiteral("2 - Bebidas")), 10), QString());
    // One resolution per row change: a click on another row (a change of cell, of
    // column and a click, all at once) asks each of its questions once; a click on the
    // same row asks none again. Storing a percentage resolves the row anew.
    const QString resolucion =
        QStringLiteral(" SELECT Comision FROM Agentes_Comisiones WHERE Cod_Empresa = ");
    QStringList enviadas;
    cn->setObserver([&](const ado::StatementEvent& e) {
        if (e.text.startsWith(resolucion))
            enviadas << e.text;
    });
    const auto clicEn = [&](const char* texto) {
        const QRect rect = g()->visualRect(g()->grid()->indexOf(fila(QString::fromUtf8(texto)), 3));
        QTest::mouseClick(g()->viewport(), Qt::LeftButton, {}, rect.center());
    };
    clicEn("1 - Pescado");
    EXPECT_EQ(g()->Row(), fila(QStringLiteral("1 - Pescado")));
    EXPECT_FALSE(enviadas.isEmpty());
    EXPECT_EQ(QSet<QString>(enviadas.begin(), enviadas.end()).size(), enviadas.size())
        << enviadas.join(u'\n').toStdString();
    enviadas.clear();
    clicEn("1 - Pescado");
    EXPECT_EQ(enviadas, QStringList());
    clicEn("2 - Bebidas");
    enviadas.clear();
    teclear(QStringLiteral("4"));
    cn->setObserver(nullptr);
    EXPECT_FALSE(enviadas.isEmpty());
    EXPECT_EQ(tasa()->text(),
              QStringLiteral("Comisión efectiva: 4,00 % (reglas del agente, familia)"));
}

TEST_P(ComisionWindow, TypedPercentagesAreCheckedThenStoredAtOnce) {
    elegir("1");
    ir(QStringLiteral("2 - Bebidas"));
    const int r = fila(QStringLiteral("2 - Bebidas"));
    struct Caso {
        const char* typed;
        const char* message; // "" when accepted
        const char* stored;  // the agent's rule on Bebidas afterwards ("" none)
        const char* shown;
    };
    const Caso casos[] = {
        {"abc", "Comisión inválida.", "", ""},
        {"12,5%", "Comisión inválida.", "", ""},
        {"1e2", "Comisión inválida.", "", ""},
        {"100,001", "La comisión debe estar entre 0 y 100.", "", ""},
        {"-1", "La comisión debe estar entre 0 y 100.", "", ""},
        {"", "", "", ""},
        {"12.5", "", "12.5", "12,50"},   // inserted
        {" 12,5 ", "", "12.5", "12,50"}, // updated, the same rule
        {"100,00", "", "100", "100,00"}, // 100 is allowed
        {"-0", "", "0", "0,00"},         // as 0
        {"", "", "0", "0,00"}, // an empty editor stores and deletes nothing: the cell keeps it
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.typed);
        presenter->requests.clear();
        teclear(QString::fromUtf8(c.typed));
        if (*c.message) {
            ASSERT_EQ(presenter->requests.size(), 1);
            EXPECT_EQ(presenter->requests[0].text, QString::fromUtf8(c.message));
            EXPECT_EQ(presenter->requests[0].title, QStringLiteral("¡Atención!"));
            EXPECT_EQ(presenter->requests[0].icon, ui::vbCritical);
            ASSERT_TRUE(g()->editor()) << "a refused edit stays open";
            QTest::keyClick(g()->editor(), Qt::Key_Escape);
        } else {
            EXPECT_TRUE(presenter->requests.isEmpty());
        }
        EXPECT_FALSE(g()->editor());
        const QStringList stored = rowsOf(*cn, QStringLiteral("SELECT Comision FROM "
                                                              "Agentes_Comisiones WHERE "
                                                              "Cod_Agente = 1 AND Familia_1 = 2"));
        EXPECT_EQ(stored.join(u','), QString::fromUtf8(c.stored));
        EXPECT_EQ(g()->TextMatrix(r, 10), QString::fromUtf8(c.shown));
    }
    EXPECT_TRUE(button("cmdEliminar")->isEnabled());
    // A blocked node takes no typing; confirming it unchanged is refused.
    ir(QStringLiteral("1 - Conservas"));
    presenter->requests.clear();
    teclear(QStringLiteral("5"));
    ASSERT_TRUE(g()->editor());
    EXPECT_EQ(g()->EditText(), QStringLiteral("BLOQUEADO"));
    told(0, "Comisión inválida.");
    QTest::keyClick(g()->editor(), Qt::Key_Escape);
    EXPECT_EQ(reglas().filter(QStringLiteral("2|1|1|0|0|")), QStringList{"2|1|1|0|0|200"});
    // A refused edit holds its row: a click on another row leaves the current row and
    // the editor's focus where they were, and the value corrected afterwards is the
    // edited row's.
    ir(QStringLiteral("2 - Bebidas"));
    teclear(QStringLiteral("150"));
    ASSERT_TRUE(g()->editor());
    const QRect otra =
        g()->visualRect(g()->grid()->indexOf(fila(QStringLiteral("1 - Alimentación")), 3));
    QTest::mouseClick(g()->viewport(), Qt::LeftButton, {}, otra.center());
    QCoreApplication::processEvents();
    EXPECT_EQ(g()->Row(), r);
    ASSERT_TRUE(g()->editor());
    EXPECT_TRUE(g()->editor()->hasFocus());
    QTest::keyClick(g()->editor(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(g()->editor(), QStringLiteral("7"));
    QTest::keyClick(g()->editor(), Qt::Key_Return);
    EXPECT_EQ(g()->TextMatrix(r, 10), QStringLiteral("7,00"));
    EXPECT_TRUE(reglas().contains(QStringLiteral("1|2|0|0|0|7")));
    EXPECT_TRUE(reglas().contains(QStringLiteral("1|1|0|0|0|5"))) << "Alimentación's rule stays";
}

TEST_P(ComisionWindow, AStoringFailureIsToldAndTheEditClosesWithoutStoring) {
    elegir("1");
    ir(QStringLiteral("1 - Alimentación"));
    cn->Execute(QStringLiteral("DROP TABLE Agentes_Comisiones"));
    teclear(QStringLiteral("7"));
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_EQ(presenter->requests[0].icon, ui::vbCritical);
    EXPECT_FALSE(g()->editor());
    EXPECT_EQ(g()->TextMatrix(fila(QStringLiteral("1 - Alimentación")), 10),
              QStringLiteral("5,00"));
    // And the window goes on: moving tells the failure of the row's evaluation, typing
    // that of storing; each time the edit closes and the window stays.
    ir(QStringLiteral("2 - Bebidas"));
    teclear(QStringLiteral("3"));
    EXPECT_EQ(presenter->requests.size(), 3);
    EXPECT_FALSE(g()->editor());
    EXPECT_TRUE(w->isVisible());
}

TEST_P(ComisionWindow, ArticlesAreAddedBelowTheNodeAndRulesDeleted) {
    elegir("1");
    // A node of the deepest level without articles of its own.
    ir(QStringLiteral("2 - Vegetales"));
    button("cmdVerArticulos")->click();
    told(0, "No existen artículos en la categoría actual");
    EXPECT_EQ(presenter->requests[0].title, QStringLiteral(" ¡Atención!"));
    // Pick an article through the selector: typing filters, Enter picks.
    const auto pick = [&](const char* filtro) {
        QTimer::singleShot(0, [&, filtro] {
            QWidget* d = QApplication::activeModalWidget();
            ASSERT_TRUE(d);
            auto* f = d->findChild<QLineEdit*>(QStringLiteral("txtFiltro"));
            QTest::keyClicks(f, QString::fromUtf8(filtro));
            QTest::keyClick(f, Qt::Key_Return);
        });
        button("cmdVerArticulos")->click();
    };
    ir(QStringLiteral("1 - Pescado"));
    const int pescado = g()->Row();
    presenter->requests.clear();
    pick("sardi"); // already in the grid
    told(0, "Artículo ya selecionado");
    EXPECT_EQ(presenter->requests[0].title, QStringLiteral(" ¡Atención! "));
    const int antes = g()->Rows();
    pick("1003"); // any article of the catalogue
    ASSERT_EQ(g()->Rows(), antes + 1);
    EXPECT_EQ(g()->TextMatrix(pescado + 1, 3), QStringLiteral("   1003 - Leche entera"));
    EXPECT_EQ(g()->TextMatrix(pescado + 1, 8), QStringLiteral("1003"));
    EXPECT_EQ(g()->TextMatrix(pescado + 1, 10), QString());
    // Moving to it and typing stores its rule.
    g()->setRow(pescado + 1);
    EXPECT_FALSE(button("cmdEliminar")->isEnabled());
    teclear(QStringLiteral("6"));
    EXPECT_TRUE(reglas().contains(QStringLiteral("4|1|1|1|1003|6")));
    // Deleting an article's rule removes its row; a node's, empties its cell.
    button("cmdEliminar")->click();
    EXPECT_EQ(g()->Rows(), antes);
    EXPECT_FALSE(reglas().contains(QStringLiteral("4|1|1|1|1003|6")));
    ir(QStringLiteral("1 - Pescado"));
    button("cmdEliminar")->click();
    EXPECT_EQ(g()->TextMatrix(fila(QStringLiteral("1 - Pescado")), 10), QString());
    EXPECT_FALSE(button("cmdEliminar")->isEnabled());
    EXPECT_FALSE(reglas().contains(QStringLiteral("3|1|1|1|0|7.5")));
}

TEST_P(ComisionWindow, EscClearsThenClosesAndOnlySalirRaisesUnload) {
    elegir("1");
    int unloads = 0;
    QObject::connect(w, &FormBase::Unload, [&] { ++unloads; });
    QTest::keyClick(txtAgente()->editor(), Qt::Key_Escape);
    EXPECT_EQ(txtAgente()->Text(), QString());
    EXPECT_EQ(g()->TextMatrix(fila(QStringLiteral("1 - Alimentación")), 10), QString());
    EXPECT_EQ(w->regla()->Agente, 1) << "the rule object keeps the agent";
    EXPECT_TRUE(txtAgente()->editor()->hasFocus());
    QTest::keyClick(txtAgente()->editor(), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(unloads, 0);
    EXPECT_EQ(cls->window(), w) << "still held, without Unload";
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

// The print button: the grid's rows in the work table (tabs by level, the texts as
// shown, quotes and all), the report in the viewer at 120 %, for the agent chosen.
TEST_P(ComisionWindow, PrintsWhatTheGridShows) {
    testsupport::useInstalledReports(*cn);
    cn->Execute(QStringLiteral("INSERT INTO Empresas (Codigo, Nombre, Cod_Empresa_Articulos) "
                               "VALUES (1, 'Cantábricas \"O''Neill\"', 7)"));
    button("cmdImprimir")->click();
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Listado_Desc_Comis")),
              QStringList{"0"})
        << "no agent: nothing is printed";
    elegir("1");
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("informe.pdf"));
    bool shown = false;
    QTimer::singleShot(0, [&] {
        frmView* v = frmView::actual();
        ASSERT_TRUE(v);
        shown = v->isVisible();
        EXPECT_EQ(v->windowTitle(), QStringLiteral("Bralvent - Visor de Reportes"));
        auto* visor = v->findChild<report::Visor*>(QStringLiteral("crvRep"));
        EXPECT_EQ(visor->zoomPercent(), 120);
        EXPECT_FALSE(visor->DisplayGroupTree());
        if (QTest::qWaitForWindowActive(v)) {
            EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "activation restores the pointer";
        }
        v->resize(500, 300);
        EXPECT_EQ(visor->geometry(), QRect(0, 0, 500, 300));
        EXPECT_EQ(v->findChild<QLabel*>(QStringLiteral("pctLogo"))->x(), 500 - 124);
        visor->ExportTo(pdf);
        visor->findChild<QToolButton*>(QStringLiteral("cerrar"))->click();
    });
    button("cmdImprimir")->click();
    EXPECT_TRUE(shown);
    EXPECT_EQ(frmView::actual(), nullptr) << "closed and discarded";
    QStringList esperado;
    for (int r = 0; r < g()->Rows(); ++r)
        esperado << QString(g()->TextMatrix(r, 7).toInt(), u'\t') + g()->TextMatrix(r, 3) + u'|' +
                        g()->TextMatrix(r, 10);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Elemento, Porcentaje FROM Listado_Desc_Comis "
                                         "ORDER BY Orden")),
              esperado);
    EXPECT_EQ(testsupport::pdfLines(pdf).value(2), QStringLiteral("AGENTE: 1 - Ana"));
}

// Another user's print holds the work table: the line under the grid says the window is
// waiting while it waits (painted, not only set), the print gives up with a message after
// the bounded wait, and the line shows the rate again.
TEST_P(ComisionWindow, APrintWaitingForAnotherOneSaysSoOnTheWindow) {
    testsupport::useInstalledReports(*cn);
    elegir("1");
    ir(QStringLiteral("2 - Bebidas"));
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
    const auto otro = testsupport::holdPrintLock(db->connectionString());
    const int antes = InformeComisiones::esperaMaxima;
    InformeComisiones::esperaMaxima = 800;
    button("cmdImprimir")->click();
    InformeComisiones::esperaMaxima = antes;
    tasa()->removeEventFilter(&pintura);
    EXPECT_TRUE(pintado.contains(QStringLiteral("Esperando a que termine otra impresión...")))
        << pintado.join(u'|').toStdString();
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_TRUE(presenter->requests[0].text.contains(QStringLiteral("sigue en curso")))
        << presenter->requests[0].text.toStdString();
    EXPECT_EQ(tasa()->text(), linea);
    EXPECT_EQ(frmView::actual(), nullptr);
}

// Every table of the report and of its subreport gets the company's logon and a location
// database.dbo.table; a report that cannot be read fails before any window opens.
TEST_P(ComisionWindow, EveryTableOfTheReportIsLoggedOn) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("Rpt"));
    const auto write = [&](const char* name, const char* text) {
        QFile f(dir.filePath(QStringLiteral("Rpt/")) + QString::fromUtf8(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write("Descuentos y Comisiones.rpt",
          "orbenta-report 1\ntable: Listado_Desc_Comis\ntable: Agentes\nparameter: A\n"
          "parameter: B\nparameter: C\nsubreport: Empresa.rpt\n"
          "query: SELECT Elemento, Porcentaje FROM {table:1} ORDER BY Orden\n");
    write("Empresa.rpt",
          "orbenta-report 1\ntable: Empresas\nparameter: Cod_Empresa\n"
          "query: SELECT Nombre FROM {table:1} WHERE Codigo = {parameter:1:integer}\n");
    testsupport::useInstalledReports(*cn);
    auto e = SharedContext::empresa();
    e->setRutaAplicacion(dir.path());
    const report::Logon l = report::logonFor(cn->ConnectionString());
    grid::OutlineModel filas(11);
    filas.AddItem(QStringLiteral("\t\t\tO'Neill\t1\t0\t0\t1\t\t\tBLOQUEADO"));
    auto r = InformeComisiones::Preparar(filas, 1, QStringLiteral("Ana"));
    for (report::Report* rep : {r.get(), &r->OpenSubreport(QStringLiteral("Empresa.rpt"))})
        for (int i = 1; i <= rep->Database().Tables().Count(); ++i) {
            const report::DatabaseTable& t = rep->Database().Tables().Item(i);
            EXPECT_TRUE(t.loggedOn) << t.Name().toStdString();
            EXPECT_EQ(t.server, l.nombre);
            EXPECT_EQ(t.Location(), l.baseDatos + QStringLiteral(".dbo.") + t.Name());
        }
    EXPECT_EQ(r->Database().Tables().Count(), 2);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Elemento, Porcentaje FROM Listado_Desc_Comis")),
              QStringList{"\tO'Neill|BLOQUEADO"});
    // A wrong password fails when the report reads, with the lock given back.
    if (GetParam() != testsupport::Engine::SQLite) {
        e->setValorConfiguracion(QStringLiteral("ODBCPassword"), QStringLiteral("mal"));
        EXPECT_THROW(InformeComisiones::Preparar(filas, 1, QStringLiteral("Ana")),
                     automation::AutomationError);
        e->setValorConfiguracion(QStringLiteral("ODBCPassword"), l.password);
    }
    QFile::remove(dir.filePath(QStringLiteral("Rpt/Empresa.rpt")));
    EXPECT_THROW(InformeComisiones::Preparar(filas, 1, QStringLiteral("Ana")),
                 automation::AutomationError);
    // The lock was given back every time: a print goes through again.
    write("Empresa.rpt", "orbenta-report 1\ntable: Empresas\nparameter: Cod_Empresa\n");
    EXPECT_NO_THROW(InformeComisiones::Preparar(filas, 1, QStringLiteral("Ana")));
}

// What the grid shows is what is stored, after any walk of keys and clicks: seeded walks
// of real key presses (to whichever widget has the focus) and mouse clicks, each
// followed by a comparison of every row's commission cell with the rule stored under
// the row's key for the agent last chosen, and of the buttons with the current row.
// A failure names the seed and the steps; ORBENTA_WALK_SEED=n replays walk n alone.
TEST_P(ComisionWindow, WhatTheGridShowsIsWhatIsStoredAfterAnyWalk) {
    QTreeView* vista = g();
    QWidget* campoAgente = txtAgente()->editor();
    // The rules of an agent, "nivel|f1|f2|f3|articulo" -> percentages stored under it
    // (read as numbers: a driver may give them as text in the regional settings).
    const auto almacenadas = [&](int agente) {
        QHash<QString, QList<double>> out;
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT Nivel, Familia_1, Familia_2, Familia_3, Cod_Articulo, "
                               "Comision FROM Agentes_Comisiones WHERE Cod_Empresa = 1 AND "
                               "Cod_Agente = ") +
                    QString::number(agente),
                *cn);
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList clave;
            for (int c = 0; c < 5; ++c)
                clave << QString::number(toLong(rs.Fields(c)));
            out[clave.join(u'|')] << toDouble(rs.Fields(5));
        }
        return out;
    };
    const auto claveDe = [&](int r) {
        const QString nivel = g()->TextMatrix(r, 7);
        return QStringList{
            nivel, g()->TextMatrix(r, 4), g()->TextMatrix(r, 5), g()->TextMatrix(r, 6),
            nivel == QLatin1String("4") ? g()->TextMatrix(r, 8) : QStringLiteral("0")}
            .join(u'|');
    };
    // Shown as the window shows a stored percentage: two decimals after a comma, a family
    // stored with 200 as "BLOQUEADO".
    const auto comoSeMuestra = [](const QString& clave, double v) {
        if (v == 200 && !clave.startsWith(u'4'))
            return QStringLiteral("BLOQUEADO");
        return QString::number(v, 'f', 2).replace(u'.', u',');
    };
    // The rows a user can see (a folded node hides its rows).
    const auto visibles = [&] {
        std::vector<int> out;
        for (int r = 0; r < g()->Rows(); ++r)
            if (!vista->visualRect(g()->grid()->indexOf(r, 3)).isEmpty())
                out.push_back(r);
        return out;
    };
    // Clicks a row where a user would: on its text or on its commission cell (which is
    // the open editor when the row is being edited).
    const auto clic = [&](int r, int col, bool doble) {
        const QModelIndex i = g()->grid()->indexOf(r, col);
        vista->scrollTo(i);
        const QRect rect = vista->visualRect(i);
        if (rect.isEmpty())
            return false; // folded away: not a row the user can click
        QWidget* destino = vista->viewport()->childAt(rect.center());
        if (!destino)
            destino = vista->viewport();
        const QPoint p = destino->mapFrom(vista->viewport(), rect.center());
        if (doble)
            QTest::mouseDClick(destino, Qt::LeftButton, {}, p);
        else
            QTest::mouseClick(destino, Qt::LeftButton, {}, p);
        return true;
    };
    const auto tecla = [&](int key, Qt::KeyboardModifiers mods = {}) {
        if (QWidget* f = QApplication::focusWidget())
            QTest::keyClick(f, Qt::Key(key), mods);
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
    static const char* const valores[] = {"7", "12,5", "150", "abc", "0", "100", "-1", "3.25"};
    // Walk 32 once stored an edit under another row's key (Page Down in the editor had
    // moved the current row); the others are walks 1 to 8.
    std::vector<unsigned> semillas{1, 2, 3, 4, 5, 6, 7, 8, 32};
    if (const QByteArray s = qgetenv("ORBENTA_WALK_SEED"); !s.isEmpty())
        semillas = {s.toUInt()};
    for (const unsigned semilla : semillas) {
        std::mt19937 azar(semilla);
        const auto uno = [&](size_t n) { return size_t(azar() % n); };
        QStringList pasos;
        const auto traza = [&](int paso) {
            return QStringLiteral("semilla %1, paso %2: %3")
                .arg(QString::number(semilla), QString::number(paso),
                     pasos.join(QStringLiteral(", ")))
                .toStdString();
        };
        int agente = 1 + int(semilla % 2);
        // After Esc the tree shows no agent's rules: nothing is evaluated, typed or
        // deleted there, and the agent's rules, hidden, stay as they were.
        bool sinAgente = false;
        QHash<QString, QList<double>> ocultas;
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
                    if (clic(fila, col, false))
                        hecho = QStringLiteral("clic fila ") + QString::number(fila) + u'/' +
                                QString::number(col);
                }
                break;
            case 2: { // keys that move
                static const int teclas[] = {Qt::Key_Up,    Qt::Key_Down,     Qt::Key_Left,
                                             Qt::Key_Right, Qt::Key_PageDown, Qt::Key_Home};
                const int k = teclas[uno(6)];
                if (!enLaRejilla() && (fila < 0 || !clic(fila, 10, false)))
                    break;
                tecla(k);
                hecho = QStringLiteral("tecla ") + QString::number(k, 16);
                break;
            }
            case 3:
            case 4: { // a value typed
                const QString v = QString::fromLatin1(valores[uno(std::size(valores))]);
                if (!enLaRejilla())
                    break;
                texto(v);
                hecho = QStringLiteral("teclea ") + v;
                break;
            }
            case 5:
                if (!enLaRejilla())
                    break;
                tecla(Qt::Key_Return);
                hecho = QStringLiteral("Enter");
                break;
            case 6:
                if (!enLaRejilla())
                    break;
                tecla(Qt::Key_A, Qt::ControlModifier);
                hecho = QStringLiteral("Ctrl+A");
                if (uno(2)) {
                    tecla(uno(2) ? Qt::Key_Backspace : Qt::Key_Delete);
                    hecho += QStringLiteral(" y borra");
                }
                break;
            case 7: // Esc: abandons an edit, or clears the agent; without one, it is chosen again
                if (sinAgente) {
                    elegir(agente == 1 ? "1" : "2");
                    sinAgente = false;
                    hecho = QStringLiteral("vuelve al agente");
                    break;
                }
                if (!enLaRejilla())
                    break;
                tecla(Qt::Key_Escape);
                hecho = QStringLiteral("Esc");
                if (txtAgente()->Text().isEmpty()) {
                    sinAgente = true;
                    ocultas = almacenadas(agente);
                }
                break;
            case 8:
                QTest::mouseClick(button("cmdEliminar"), Qt::LeftButton);
                hecho = QStringLiteral("Eliminar");
                break;
            case 9: { // the article list, picking one of the catalogue
                QTimer elige;
                elige.setSingleShot(true);
                const char* codigo = uno(2) ? "1003" : "1001";
                QObject::connect(&elige, &QTimer::timeout, [codigo] {
                    if (QWidget* d = QApplication::activeModalWidget()) {
                        auto* f = d->findChild<QLineEdit*>(QStringLiteral("txtFiltro"));
                        QTest::keyClicks(f, QLatin1String(codigo));
                        QTest::keyClick(f, Qt::Key_Return);
                    }
                });
                elige.start(0);
                QTest::mouseClick(button("cmdVerArticulos"), Qt::LeftButton);
                elige.stop();
                hecho = QStringLiteral("Ver Artículos ") + QLatin1String(codigo);
                break;
            }
            case 10: { // another agent chosen in the agent field, with a click and keys
                const int otro = 1 + int(uno(2));
                QTest::mouseClick(campoAgente, Qt::LeftButton);
                QCoreApplication::processEvents();
                tecla(Qt::Key_A, Qt::ControlModifier);
                texto(QString::number(otro));
                const bool alli = QApplication::focusWidget() == campoAgente &&
                                  txtAgente()->Text() == QString::number(otro);
                tecla(Qt::Key_Return);
                if (alli) {
                    agente = otro;
                    sinAgente = false;
                }
                hecho = QStringLiteral("agente ") + QString::number(otro);
                break;
            }
            case 11: // a double click folds or unfolds, and so does a click on a node's sign
                if (fila >= 0 && uno(2) && clic(fila, 3, true)) {
                    hecho = QStringLiteral("doble clic fila ") + QString::number(fila);
                } else if (fila >= 0 && g()->grid()->OutlineLevel(fila) >= 0) {
                    const QModelIndex i = g()->grid()->indexOf(fila, 3);
                    vista->scrollTo(i);
                    const QRect rect = vista->visualRect(i);
                    QTest::mouseClick(
                        vista->viewport(), Qt::LeftButton, {},
                        QPoint(rect.left() - vista->indentation() / 2, rect.center().y()));
                    hecho = QStringLiteral("signo de la fila ") + QString::number(fila);
                }
                break;
            case 12: // back into the open editor, or onto the current row's commission
                if (QLineEdit* e = g()->editor()) {
                    QTest::mouseClick(e, Qt::LeftButton);
                    hecho = QStringLiteral("clic en el editor");
                } else if (g()->Row() >= 0 && clic(g()->Row(), 10, false)) {
                    hecho = QStringLiteral("clic fila actual");
                }
                break;
            }
            QCoreApplication::processEvents();
            // The window is active again once a dialog of the step has closed, as on a
            // desktop (the offscreen platform leaves no window active).
            if (QApplication::activeWindow() != w) {
                QApplication::setActiveWindow(w);
                QCoreApplication::processEvents();
            }
            if (hecho.isEmpty())
                continue;
            pasos << hecho;
            SCOPED_TRACE(traza(paso));
            ASSERT_TRUE(w->isVisible());
            if (sinAgente) {
                ASSERT_EQ(almacenadas(agente), ocultas) << "hidden rules changed";
                for (int r = 0; r < g()->Rows(); ++r)
                    ASSERT_EQ(g()->TextMatrix(r, 10), QString()) << "row " << r;
                ASSERT_FALSE(button("cmdEliminar")->isEnabled());
                ASSERT_FALSE(button("cmdVerArticulos")->isEnabled());
                ASSERT_EQ(tasa()->text(), QString());
                continue;
            }
            const QHash<QString, QList<double>> reglas = almacenadas(agente);
            QHash<QString, int> vistas;
            for (int r = 0; r < g()->Rows(); ++r) {
                const QString clave = claveDe(r);
                const QList<double> v = reglas.value(clave);
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
            if (button("cmdVerArticulos")->isEnabled()) {
                ASSERT_GE(actual, 0);
                ASSERT_EQ(g()->TextMatrix(actual, 7), QStringLiteral("3"));
            }
            if (!tasa()->text().isEmpty()) {
                ASSERT_GE(actual, 0);
            }
        }
        if (QLineEdit* e = g()->editor())
            QTest::keyClick(e, Qt::Key_Escape);
    }
}

ORBENTA_ENGINE_TESTS(ComisionWindow);

// Double clicks fold and unfold nodes; the fold state lives in the model.
TEST(OutlineGrid, RowsByGridOrderNodesFoldingAndBatches) {
    grid::OutlineGrid g(3);
    QAbstractItemModelTester tester(g.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    g.setRedraw(false);
    for (const char* t : {"A", "A1", "a", "A2", "B"})
        g.AddItem(QStringLiteral("x\t") + QLatin1String(t) + QStringLiteral("\ty"));
    g.setOutlineNode(0, 0);
    g.setOutlineNode(1, 1);
    g.setOutlineNode(3, 1);
    g.setOutlineNode(4, 0);
    g.setRedraw(true);
    ASSERT_EQ(g.Rows(), 5);
    EXPECT_EQ(g.model()->rowCount(), 2);
    const QModelIndex a = g.grid()->indexOf(0, 0);
    EXPECT_EQ(g.model()->rowCount(a), 2);
    EXPECT_EQ(g.model()->rowCount(g.grid()->indexOf(1, 0)), 1) << "the plain row is A1's";
    // Inserting and removing in the middle keeps grid order and the tree together.
    g.AddItem(QStringLiteral("\tnew\t"), 1); // directly below A: A's first row
    EXPECT_EQ(g.TextMatrix(1, 1), QStringLiteral("new"));
    EXPECT_EQ(g.TextMatrix(2, 1), QStringLiteral("A1"));
    EXPECT_EQ(g.model()->rowCount(a), 3);
    EXPECT_EQ(g.grid()->gridRow(g.model()->index(0, 1, a)), 1);
    g.RemoveItem(3); // "a"
    EXPECT_EQ(g.model()->rowCount(g.grid()->indexOf(2, 0)), 0);
    EXPECT_EQ(g.TextMatrix(4, 1), QStringLiteral("B"));
    // Folding from the model and from the view agree; a current row folded away hands
    // the current cell to its node.
    g.show();
    g.setRow(2);
    g.setCollapsed(0, true);
    EXPECT_FALSE(g.isExpanded(a));
    EXPECT_EQ(g.Row(), 0);
    g.expand(a);
    EXPECT_FALSE(g.IsCollapsed(0));
    EXPECT_THROW(g.TextMatrix(9, 0), automation::AutomationError);
    // A cell shows the text stored in it in any locale it is painted in; control
    // characters show as blanks and stay in the stored text.
    const QString nombre = QStringLiteral("1003 - Leche") + QChar(0) +
                           QStringLiteral("entera\r\n") + QChar(0x1b) + QChar(0x7f);
    g.AddItem(QStringList{QStringLiteral("12,50"), nombre}, 0);
    EXPECT_EQ(g.TextMatrix(0, 1), nombre);
    const auto* delegado = qobject_cast<QStyledItemDelegate*>(g.itemDelegate());
    ASSERT_TRUE(delegado);
    for (const QLocale& l :
         {g.locale(), QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates)})
        for (const auto& [col, visto] :
             {std::pair{0, "12,50"}, std::pair{1, "1003 - Leche entera    "}})
            EXPECT_EQ(delegado->displayText(g.model()->data(g.grid()->indexOf(0, col)), l),
                      QString::fromUtf8(visto));
    g.Clear();
    EXPECT_EQ(g.Rows(), 0);
}

} // namespace
