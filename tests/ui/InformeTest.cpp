// The commission sheet without the window: the rows the work table receives for a tree
// of two family levels, the printed text, the report's groups, and the viewer window
// browsing them.
#include "TestComponent.h"
#include "TestWorkers.h"

#include <ORBTAgentes.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPdfView>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

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
    auto* visor = v->findChild<report::Visor*>(QStringLiteral("crvRep"));
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
    visor = nueva->findChild<report::Visor*>(QStringLiteral("crvRep"));
    EXPECT_FALSE(visor->DisplayGroupTree()) << "a fresh window, with its own settings";
    EXPECT_EQ(visor->zoomPercent(), 75);
    nueva->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(nueva.isNull());
}

// The report's logon reaching another database than the connection that fills the work
// table (a copied file, a database made from a template, values never set): the print is
// refused before anything is written, naming both databases and never a password; the
// same file reached by another path is the same database.
TEST_P(ComisionReport, ALogonOfAnotherDatabaseIsRefusedBeforeWriting) {
    sql({"INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, 1, 'Aceites')",
         "INSERT INTO Listado_Desc_Comis (Elemento, Porcentaje) VALUES ('de otro', '1,00')"});
    const auto m = filas();
    auto e = SharedContext::empresa();
    const report::Logon l = report::logonFor(cn->ConnectionString());
    const QString nuestra = report::databaseOf(cn->ConnectionString());
    struct Caso {
        const char* nombre;
        QString baseDatos, usuario, password;
        QString nombreServidor;
        QString enElTexto;
    };
    const std::vector<Caso> casos = {
        {"another database", l.baseDatos + QStringLiteral("_copia"), l.usuario,
         QStringLiteral("clave-secreta"), l.nombre, QString()},
        {"values never set", QString(), QString(), QString(), QString(),
         QStringLiteral("(ninguna: valores sin configurar)")},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        e->setValorConfiguracion(QStringLiteral("ODBCNombre"), c.nombreServidor);
        e->setValorConfiguracion(QStringLiteral("ODBCBaseDatos"), c.baseDatos);
        e->setValorConfiguracion(QStringLiteral("ODBCUsuario"), c.usuario);
        e->setValorConfiguracion(QStringLiteral("ODBCPassword"), c.password);
        try {
            InformeComisiones::Preparar(*m, 1, QStringLiteral("Ana"));
            ADD_FAILURE() << "printed";
        } catch (const automation::AutomationError& x) {
            const QString d = x.description();
            EXPECT_TRUE(d.contains(QStringLiteral("No se ha impreso nada"))) << d.toStdString();
            EXPECT_TRUE(d.contains(QStringLiteral("«") + nuestra + QStringLiteral("»")))
                << d.toStdString();
            if (!c.baseDatos.isEmpty())
                EXPECT_TRUE(d.contains(c.baseDatos)) << d.toStdString();
            else
                EXPECT_TRUE(d.contains(c.enElTexto)) << d.toStdString();
            EXPECT_FALSE(d.contains(QStringLiteral("clave-secreta"))) << d.toStdString();
        }
        EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Elemento FROM Listado_Desc_Comis")),
                  QStringList{"de otro"})
            << "nothing written";
    }
    // The same database under another spelling prints: another path to the file; the
    // server's name in capitals; PostgreSQL reached directly when the connection goes
    // through ODBC, and through ODBC when it is direct.
    testsupport::useInstalledReports(*cn);
    QStringList nombres;
    if (GetParam() == testsupport::Engine::SQLite) {
        const QFileInfo f(l.baseDatos);
        e->setValorConfiguracion(QStringLiteral("ODBCBaseDatos"),
                                 f.absolutePath() + QStringLiteral("/./") + f.fileName());
        nombres << l.nombre;
    } else {
        const QString esquema =
            QStringLiteral(";Schema=") +
            cn->ConnectionString().section(QStringLiteral("Schema="), 1).section(u';', 0, 0);
        nombres << QString(l.nombre).replace(QStringLiteral("Server="), QStringLiteral("SERVER="))
                << report::logonFor((GetParam() == testsupport::Engine::Odbc
                                         ? testsupport::postgresConnectionString()
                                         : testsupport::odbcConnectionString()) +
                                    esquema)
                       .nombre;
    }
    for (const QString& nombre : nombres) {
        SCOPED_TRACE(nombre.toStdString());
        e->setValorConfiguracion(QStringLiteral("ODBCNombre"), nombre);
        cn->Execute(QStringLiteral("DELETE FROM Listado_Desc_Comis"));
        EXPECT_NO_THROW(InformeComisiones::Preparar(*m, 1, QStringLiteral("Ana")));
        EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Elemento FROM Listado_Desc_Comis")),
                  QStringList{"\t1 - Aceites"});
    }
}

// A host's own work table has only Elemento and Porcentaje: the sheet still prints the
// rows in grid order.
TEST_P(ComisionReport, AWorkTableWithoutOrderColumnKeepsGridOrder) {
    cn->Execute(QStringLiteral("DROP TABLE Listado_Desc_Comis"));
    cn->Execute(QStringLiteral(
        "CREATE TABLE Listado_Desc_Comis (Elemento varchar(320), Porcentaje varchar(255))"));
    QStringList esperado;
    ado::Transaction t(*cn);
    // Names that sort against the grid's order, so that no order of the table's own
    // could pass for it.
    for (int f = 1; f <= 40; ++f) {
        const QString nombre = QString(QChar(u'Z' - f % 26)) + QString::number(f);
        cn->Execute(
            QStringLiteral("INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, ") +
            QString::number(f) + QStringLiteral(", '") + nombre + QStringLiteral("')"));
        esperado << QString::number(f) + QStringLiteral(" - ") + nombre;
    }
    t.Commit();
    const auto m = filas();
    auto r = InformeComisiones::Preparar(*m, 1, QStringLiteral("Ana"));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("hoja.pdf"));
    r->ExportPdf(pdf);
    QStringList lines = testsupport::pdfLines(pdf);
    ASSERT_GE(lines.size(), 4 + esperado.size());
    EXPECT_EQ(lines.mid(4, esperado.size()), esperado);
}

// Names at the schema's limit (255) on family, sub-family and article rows, an article
// code of ten digits (three tabs, the code, " - " and 255 characters in the work table):
// they print on every engine, cut with an ellipsis before the percentage. A line break
// (and on an engine that stores it, a NUL) in a name prints as a blank, in a row as in
// the company's name and the agent's.
TEST_P(ComisionReport, LongAndOddNamesPrint) {
    const QString largo = QString(254, u'N') + u'Z';
    const QString q = u'\'' + largo + u'\'';
    cn->Execute(
        QStringLiteral("INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, 1, ") + q +
        u')');
    cn->Execute(QStringLiteral("INSERT INTO Familias_2 (Cod_Empresa, Familia_1, Codigo, Nombre) "
                               "VALUES (1, 1, 1, ") +
                q + u')');
    cn->Execute(
        QStringLiteral("INSERT INTO Articulos (Cod_Empresa, Codigo, Descripcion, Familia_1, "
                       "Familia_2, Familia_3) VALUES (1, 2147483647, ") +
        q + QStringLiteral(", 1, 1, 0)"));
    sql({"INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, 2, 'Línea\nsegunda')",
         "INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, Cod_Agente, Comision, "
         "Cod_Articulo, Familia_1, Familia_2, Familia_3) VALUES (1, 1, 1, 10, 0, 1, 0, 0)",
         "INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, Cod_Agente, Comision, "
         "Cod_Articulo, Familia_1, Familia_2, Familia_3) VALUES (2, 1, 1, 7, 0, 1, 1, 0)",
         "INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, Cod_Agente, Comision, "
         "Cod_Articulo, Familia_1, Familia_2, Familia_3) VALUES (3, 1, 1, 4.5, 2147483647, 1, 1, "
         "0)",
         "INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, Cod_Agente, Comision, "
         "Cod_Articulo, Familia_1, Familia_2, Familia_3) VALUES (1, 1, 1, 3, 0, 2, 0, 0)"});
    QStringList raras = {QStringLiteral("2 - Línea segunda 3,00")};
    if (GetParam() == testsupport::Engine::SQLite) {
        sql({"INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, 3, 'Nu' || "
             "char(0) || 'la')"});
        raras << QStringLiteral("3 - Nu la");
    }
    cn->Execute(QStringLiteral("UPDATE Empresas SET Nombre = 'Distribuciones\r\nNorte' WHERE "
                               "Codigo = 1"));
    const auto m = filas();
    auto r = InformeComisiones::Preparar(*m, 1, QStringLiteral("Ana\nMaría\tGil"));
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Elemento FROM Listado_Desc_Comis ORDER BY Orden"))
                  .value(2),
              QStringLiteral("\t\t\t2147483647 - ") + largo);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("hoja.pdf"));
    r->ExportPdf(pdf);
    const QStringList lines = testsupport::pdfLines(pdf);
    ASSERT_GE(lines.size(), 4 + 3 + raras.size());
    EXPECT_EQ(lines[0], QStringLiteral("Distribuciones Norte"));
    EXPECT_EQ(lines[2], QStringLiteral("AGENTE: 1 - Ana María Gil"));
    const QStringList comienzos = {"1 - NNNN", "1 - NNNN", "2147483647 - NNNN"};
    const QStringList valores = {"10,00", "7,00", "4,50"};
    for (int i = 0; i < 3; ++i) {
        const QString& line = lines[4 + i];
        EXPECT_TRUE(line.startsWith(comienzos[i])) << line.toStdString();
        EXPECT_TRUE(line.endsWith(QStringLiteral("… ") + valores[i])) << line.toStdString();
        EXPECT_FALSE(line.contains(u'Z')) << "cut before the percentage: " << line.toStdString();
    }
    EXPECT_EQ(lines.mid(7, raras.size()), raras);
}

// Another print holds the work table: the print says it waits, gives up after its
// bounded time with nothing written, and takes the lock over once the holder's process
// has died without giving it back.
TEST_P(ComisionReport, AWaitForAnotherPrintIsToldBoundedAndEndsWithItsHolder) {
    sql({"INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, 1, 'Aceites')",
         "INSERT INTO Listado_Desc_Comis (Elemento, Porcentaje) VALUES ('de otro', '1,00')"});
    const auto m = filas();
    const auto otro = testsupport::holdPrintLock(db->connectionString());

    const int antes = InformeComisiones::esperaMaxima;
    InformeComisiones::esperaMaxima = 1500;
    QStringList avisos;
    const auto aviso = [&](const QString& a) { avisos << a; };
    QElapsedTimer reloj;
    reloj.start();
    try {
        InformeComisiones::Preparar(*m, 1, QStringLiteral("Ana"), aviso);
        ADD_FAILURE() << "printed while another print held the table";
    } catch (const automation::AutomationError& x) {
        EXPECT_TRUE(x.description().contains(QStringLiteral("sigue en curso")))
            << x.description().toStdString();
    }
    EXPECT_GE(reloj.elapsed(), 1400);
    EXPECT_LT(reloj.elapsed(), 15000);
    EXPECT_EQ(avisos, QStringList{"Esperando a que termine otra impresión..."});
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Elemento FROM Listado_Desc_Comis")),
              QStringList{"de otro"});

    otro->kill(); // dies holding the lock
    otro->waitForFinished();
    InformeComisiones::esperaMaxima = 20000;
    avisos.clear();
    EXPECT_NO_THROW(InformeComisiones::Preparar(*m, 1, QStringLiteral("Ana"), aviso));
    InformeComisiones::esperaMaxima = antes;
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Elemento FROM Listado_Desc_Comis")),
              QStringList{"\t1 - Aceites"});
}

ORBENTA_ENGINE_TESTS(ComisionReport);

// A report file that is its own subreport, directly or through another, is refused by
// name; so is a path that is a FIFO or a device, which is never opened, and a file too
// large to be a report, which is never read.
TEST(ReportFile, CyclesFifosAndDevicesAreRefused) {
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QString& sub) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("orbenta-report 1\ntitle: x\n");
        f.write(("subreport: " + sub + "\n").toUtf8());
    };
    write(QStringLiteral("Solo.rpt"), QStringLiteral("Solo.rpt"));
    write(QStringLiteral("A.rpt"), QStringLiteral("B.rpt"));
    write(QStringLiteral("B.rpt"), QStringLiteral("A.rpt"));
    const QString fifo = dir.filePath(QStringLiteral("Tuberia.rpt"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString device = dir.filePath(QStringLiteral("Dispositivo.rpt"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    // A subreport that starts as a report and goes on for 200 MB.
    write(QStringLiteral("Grande.rpt"), QStringLiteral("Vacio.rpt"));
    ASSERT_TRUE(QFile::resize(dir.filePath(QStringLiteral("Grande.rpt")), 200'000'000));
    write(QStringLiteral("ConGrande.rpt"), QStringLiteral("Grande.rpt"));
    const struct {
        QString path;
        QString text;
    } casos[] = {
        {dir.filePath(QStringLiteral("Solo.rpt")), QStringLiteral("se incluye a sí mismo")},
        {dir.filePath(QStringLiteral("A.rpt")),
         QStringLiteral("A.rpt → ") + QFileInfo(dir.filePath("B.rpt")).canonicalFilePath()},
        {fifo, QStringLiteral("no es un archivo normal")},
        {device, QStringLiteral("no es un archivo normal")},
        {dir.filePath(QStringLiteral("ConGrande.rpt")),
         dir.filePath(QStringLiteral("Grande.rpt")) + QStringLiteral(" ocupa más de 1 MiB")},
    };
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    const long picoAntes = uso.ru_maxrss;
    for (const auto& c : casos) {
        SCOPED_TRACE(c.path.toStdString());
        try {
            report::Report::open(c.path);
            ADD_FAILURE() << "opened";
        } catch (const automation::AutomationError& x) {
            EXPECT_TRUE(x.description().contains(c.text)) << x.description().toStdString();
        }
    }
    getrusage(RUSAGE_SELF, &uso);
    EXPECT_LT(uso.ru_maxrss - picoAntes, 50 * 1024)
        << "kB more at the peak: the large file was read";
}

} // namespace
