// The commission sheet without the window: the rows the work table receives for a tree
// of two family levels, the printed text, the report's groups, and the viewer window
// browsing them.
#include "TestComponent.h"

#include <ORBTAgentes.h>
#include <QApplication>
#include <QListWidget>
#include <QPdfView>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace ORBTAgentes;
using testsupport::rowsOf;

namespace {

// A company that uses two family levels; its articles are its own.
class ComisionReport : public testsupport::ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        if (IsSkipped())
            return;
        auto e = shareCompany();
        e->setCodEmpresaArticulos(1);
        e->setNombreNivel(0, QStringLiteral("Familia"));
        e->setNombreNivel(1, QStringLiteral("Subfamilia"));
        testsupport::useInstalledReports(*cn);
        cn->Execute(QStringLiteral("INSERT INTO Empresas (Codigo, Nombre, Cod_Empresa_Articulos) "
                                   "VALUES (1, 'Distribuciones Norte', 1)"));
        cn->Execute(QStringLiteral("INSERT INTO Agentes (Codigo, Nombre) VALUES (1, 'Ana')"));
    }
    void sql(std::initializer_list<const char*> statements) {
        for (const char* s : statements)
            cn->Execute(QString::fromUtf8(s));
    }
    // The agent's rows as the commission window shows them, without the window.
    std::unique_ptr<grid::OutlineModel> filas() {
        auto m = std::make_unique<grid::OutlineModel>(11);
        clsComision_Familias regla;
        regla.ConexionOrbenta(cn);
        regla.EmpresaOrbenta(SharedContext::empresa());
        regla.Agente = 1;
        ado::Recordset rs;
        ArbolComisiones(*m).Construir(&regla, &rs);
        return m;
    }
};

// Three families, the second with a sub-family holding one article rule: five rows with
// one, one, two, three and one tabs before the tree text ("code - name"), the commission
// texts as shown (empty, two decimals, "BLOQUEADO"), names with quotes as typed; the PDF prints
// them in that order under the company, the title and the agent, and each family starts a group.
TEST_P(ComisionReport, FiveRowsOfTwoLevelsIndentedByLevel) {
    sql({"INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, 1, 'Aceites')",
         "INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, 2, 'O''Brien')",
         "INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, 3, 'Café \"Bueno\"')",
         "INSERT INTO Familias_2 (Cod_Empresa, Familia_1, Codigo, Nombre) VALUES (1, 2, 1, "
         "'Latas')",
         "INSERT INTO Articulos (Cod_Empresa, Codigo, Descripcion, Familia_1, Familia_2, "
         "Familia_3) VALUES (1, 900, 'Atún ''del norte''', 2, 1, 0)",
         "INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, Cod_Agente, Comision, "
         "Cod_Articulo, Familia_1, Familia_2, Familia_3) VALUES (1, 1, 1, 10, 0, 2, 0, 0)",
         "INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, Cod_Agente, Comision, "
         "Cod_Articulo, Familia_1, Familia_2, Familia_3) VALUES (3, 1, 1, 4.5, 900, 2, 1, 0)",
         "INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, Cod_Agente, Comision, "
         "Cod_Articulo, Familia_1, Familia_2, Familia_3) VALUES (1, 1, 1, 200, 0, 3, 0, 0)"});
    const auto m = filas();
    auto r = InformeComisiones::Preparar(*m, 1, QStringLiteral("Ana"));
    const QStringList esperado = {
        QStringLiteral("\t1 - Aceites|"),
        QStringLiteral("\t2 - O'Brien|10,00"),
        QStringLiteral("\t\t1 - Latas|"),
        QStringLiteral("\t\t\t900 - Atún 'del norte'|4,50"),
        QStringLiteral("\t3 - Café \"Bueno\"|BLOQUEADO"),
    };
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Elemento, Porcentaje FROM Listado_Desc_Comis "
                                         "ORDER BY Orden")),
              esperado);

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("hoja.pdf"));
    r->ExportPdf(pdf);
    const QStringList lines = testsupport::pdfLines(pdf);
    const QStringList cabecera = {"Distribuciones Norte", "Comisiones por Agente",
                                  "AGENTE: 1 - Ana", "Elemento Comisión"};
    ASSERT_GE(lines.size(), cabecera.size() + esperado.size() + 1);
    EXPECT_EQ(lines.mid(0, cabecera.size()), cabecera);
    QStringList impresas;
    for (const QString& e : esperado)
        impresas << QString(e).replace(u'|', u' ').simplified();
    EXPECT_EQ(lines.mid(cabecera.size(), esperado.size()), impresas);
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("Página 1 de 1")))
        << lines.last().toStdString();

    QStringList grupos;
    for (const report::Report::Group& g : r->Groups()) {
        grupos << g.title;
        EXPECT_EQ(g.page, 1);
    }
    EXPECT_EQ(grupos, (QStringList{"1 - Aceites", "2 - O'Brien", "3 - Café \"Bueno\""}));
}

// The viewer window over a sheet of several pages: the group tree shows when asked, a
// click on a group goes to its page, the zoom that is not a percentage shows the page as
// printed, and the close command discards the window so the next one is fresh.
TEST_P(ComisionReport, TheViewerBrowsesTheSheetByGroup) {
    ado::Transaction t(*cn);
    for (int f = 1; f <= 60; ++f) {
        cn->Execute(
            QStringLiteral("INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, ") +
            QString::number(f) + QStringLiteral(", 'Familia ") + QString::number(f) +
            QStringLiteral("')"));
        for (int s = 1; s <= 3; ++s)
            cn->Execute(QStringLiteral("INSERT INTO Familias_2 (Cod_Empresa, Familia_1, Codigo, "
                                       "Nombre) VALUES (1, ") +
                        QString::number(f) + QStringLiteral(", ") + QString::number(s) +
                        QStringLiteral(", 'Sub ") + QString::number(s) + QStringLiteral("')"));
    }
    t.Commit();
    const auto m = filas();
    ASSERT_EQ(m->Rows(), 240);

    clsView vista;
    vista.MostrarGrupos = true;
    vista.Report = InformeComisiones::Preparar(*m, 1, QStringLiteral("Ana"));
    vista.Cargar(false);
    QPointer<frmView> v = frmView::actual();
    ASSERT_TRUE(v);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(v));
    report::Visor* visor = v->crvRep;
    EXPECT_TRUE(visor->DisplayGroupTree());
    EXPECT_EQ(visor->zoomPercent(), 100);
    ASSERT_GT(visor->pageCount(), 2);
    EXPECT_EQ(visor->currentPage(), 1);

    QListWidget* arbol = visor->groupTree();
    ASSERT_EQ(arbol->count(), 60);
    const auto& grupos = vista.Report->Groups();
    EXPECT_EQ(grupos.first().page, 1);
    EXPECT_EQ(grupos.last().page, visor->pageCount());
    for (int i = 1; i < grupos.size(); ++i)
        EXPECT_GE(grupos[i].page, grupos[i - 1].page) << "groups follow the pages";
    for (int i : {59, 0, 30}) {
        QListWidgetItem* item = arbol->item(i);
        arbol->scrollToItem(item);
        EXPECT_EQ(item->text(),
                  QString::number(i + 1) + QStringLiteral(" - Familia ") + QString::number(i + 1));
        QTest::mouseClick(arbol->viewport(), Qt::LeftButton, {},
                          arbol->visualItemRect(item).center());
        EXPECT_EQ(visor->currentPage(), grupos[i].page) << item->text().toStdString();
    }

    visor->findChild<QToolButton*>(QStringLiteral("cerrar"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(v.isNull()) << "the closed window is discarded";
    EXPECT_EQ(frmView::actual(), nullptr);

    clsView otra;
    otra.Report = vista.Report;
    otra.Cargar(false, 75);
    QPointer<frmView> nueva = frmView::actual();
    ASSERT_TRUE(nueva);
    EXPECT_FALSE(nueva->crvRep->DisplayGroupTree()) << "a fresh window, with its own settings";
    EXPECT_EQ(nueva->crvRep->zoomPercent(), 75);
    nueva->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(nueva.isNull());
}

ORBENTA_ENGINE_TESTS(ComisionReport);

} // namespace
