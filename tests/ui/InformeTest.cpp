// The commission sheet without the window, and the viewer window browsing it.
#include "WindowTest.h"

#include <sys/resource.h>

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
        e->setNombreNivel(0, u"Familia"_s);
        e->setNombreNivel(1, u"Subfamilia"_s);
        testsupport::useInstalledReports(*cn);
        cn->Execute(u"INSERT INTO Empresas (Codigo, Nombre, Cod_Empresa_Articulos) "
                    "VALUES (1, 'Distribuciones Norte', 1)"_s);
        cn->Execute(u"INSERT INTO Agentes (Codigo, Nombre) VALUES (1, 'Ana')"_s);
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

// The viewer over several pages: a click on a group goes to its page.
// A host's work table without the order column, which its engine reads back in another
// order (by key, or partition by partition), still prints in grid order.
TEST_P(ComisionReport, TheViewerBrowsesTheSheetByGroup) {
    cn->Execute(u"DROP TABLE Listado_Desc_Comis"_s);
    const QString columnas = u"CREATE TABLE Listado_Desc_Comis (Elemento varchar(320) NOT NULL, "
                             "Porcentaje varchar(255) NOT NULL"_s;
    if (GetParam() == testsupport::Engine::SQLite) {
        cn->Execute(columnas + u", PRIMARY KEY (Elemento, Porcentaje)) WITHOUT ROWID"_s);
    } else {
        cn->Execute(columnas + u") PARTITION BY HASH (Elemento)"_s);
        for (const char* resto : {"0", "1", "2"})
            cn->Execute(u"CREATE TABLE ldc_"_s + QLatin1String(resto) +
                        u" PARTITION OF Listado_Desc_Comis FOR VALUES WITH (MODULUS 3, "
                        "REMAINDER "_s +
                        QLatin1String(resto) + u')');
    }
    ado::Transaction t(*cn);
    for (int f = 1; f <= 60; ++f)
        cn->Execute(u"INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, "_s +
                    QString::number(f) + u", 'Familia "_s + QString::number(f) + u"')"_s);
    cn->Execute(u"INSERT INTO Familias_2 (Cod_Empresa, Familia_1, Codigo, Nombre) SELECT 1, "
                "Codigo, n, 'Sub ' || Codigo || '.' || n FROM Familias_1, (SELECT 1 AS n UNION "
                "ALL SELECT 2 UNION ALL SELECT 3) s"_s);
    t.Commit();
    const auto m = filas();
    ASSERT_EQ(m->Rows(), 240);

    clsView vista;
    vista.MostrarGrupos = true;
    vista.Report = InformeComisiones::Preparar(*m, 1, u"Ana"_s);
    vista.Cargar(false);
    QPointer<frmView> v = frmView::actual();
    ASSERT_TRUE(v);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(v));
    auto* visor = v->findChild<report::Visor*>(u"crvRep"_s);
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
    for (int i : {59, 0, 1, 30}) {
        QListWidgetItem* item = arbol->item(i);
        arbol->scrollToItem(item);
        EXPECT_EQ(item->text(), QString::number(i + 1) + u" - Familia "_s + QString::number(i + 1));
        QTest::mouseClick(arbol->viewport(), Qt::LeftButton, {},
                          arbol->visualItemRect(item).center());
        EXPECT_EQ(visor->currentPage(), grupos[i].page) << item->text().toStdString();
    }
    v->close();
}

TEST_P(ComisionReport, ALogonOfAnotherDatabaseIsRefusedBeforeWriting) {
    sql({"INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, 1, 'Aceites')",
         "INSERT INTO Listado_Desc_Comis (Elemento, Porcentaje) VALUES ('de otro', '1,00')"});
    const auto m = filas();
    auto e = SharedContext::empresa();
    const report::Logon l = report::logonFor(cn->ConnectionString());
    const QString nuestra = report::databaseOf(cn->ConnectionString());
    const QString copia = l.baseDatos + u"_copia"_s;
    const struct {
        const char* nombre;
        QString baseDatos, usuario, password, nombreServidor, laOtra; // as the message names it
    } casos[] = {
        {"another database", copia, l.usuario, u"clave-secreta"_s, l.nombre, copia},
        {"values never set", {}, {}, {}, {}, u"(ninguna: valores sin configurar)"_s},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        e->setValorConfiguracion(u"ODBCNombre"_s, c.nombreServidor);
        e->setValorConfiguracion(u"ODBCBaseDatos"_s, c.baseDatos);
        e->setValorConfiguracion(u"ODBCUsuario"_s, c.usuario);
        e->setValorConfiguracion(u"ODBCPassword"_s, c.password);
        const QString d = testsupport::failureOf([&] {
                              InformeComisiones::Preparar(*m, 1, u"Ana"_s);
                          }).description();
        EXPECT_TRUE(d.contains(u"«"_s + nuestra + u"»"_s)) << d.toStdString();
        EXPECT_TRUE(d.contains(c.laOtra)) << d.toStdString();
        EXPECT_FALSE(d.contains(u"clave-secreta"_s)) << d.toStdString();
        EXPECT_EQ(rowsOf(*cn, u"SELECT Elemento FROM Listado_Desc_Comis"_s), QStringList{"de otro"})
            << "nothing written";
    }
    // Another path to the file; the server in capitals; PostgreSQL (or the pooler in front
    // of it) direct or through ODBC.
    testsupport::useInstalledReports(*cn);
    QStringList nombres;
    if (GetParam() == testsupport::Engine::SQLite) {
        const QFileInfo f(l.baseDatos);
        e->setValorConfiguracion(u"ODBCBaseDatos"_s, f.absolutePath() + u"/./"_s + f.fileName());
        nombres << l.nombre;
    } else {
        const QString esquema =
            u";Schema="_s + cn->ConnectionString().section(u"Schema="_s, 1).section(u';', 0, 0);
        nombres << QString(l.nombre).replace(u"Server="_s, u"SERVER="_s)
                << report::logonFor((GetParam() == testsupport::Engine::Odbc
                                         ? testsupport::postgresConnectionString()
                                     : GetParam() == testsupport::Engine::PgBouncer
                                         ? testsupport::odbcConnectionString(
                                               testsupport::pgbouncerConnectionString())
                                         : testsupport::odbcConnectionString()) +
                                    esquema)
                       .nombre;
    }
    for (const QString& nombre : nombres) {
        SCOPED_TRACE(nombre.toStdString());
        e->setValorConfiguracion(u"ODBCNombre"_s, nombre);
        cn->Execute(u"DELETE FROM Listado_Desc_Comis"_s);
        EXPECT_NO_THROW(InformeComisiones::Preparar(*m, 1, u"Ana"_s));
        EXPECT_EQ(rowsOf(*cn, u"SELECT Elemento FROM Listado_Desc_Comis"_s),
                  QStringList{"\t1 - Aceites"});
    }
}

// Names at the schema's limit print cut with an ellipsis; line breaks print as blanks.
TEST_P(ComisionReport, LongAndOddNamesPrint) {
    const QString largo = QString(254, u'N') + u'Z';
    cn->Execute(u"INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, 1, '"_s + largo +
                u"')"_s);
    sql({"INSERT INTO Familias_2 (Cod_Empresa, Familia_1, Codigo, Nombre) SELECT 1, 1, 1, Nombre "
         "FROM Familias_1",
         "INSERT INTO Articulos (Cod_Empresa, Codigo, Descripcion, Familia_1, Familia_2, "
         "Familia_3) SELECT 1, 2147483647, Nombre, 1, 1, 0 FROM Familias_1",
         "INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, 2, 'Línea\nsegunda')",
         "INSERT INTO Agentes_Comisiones (Cod_Empresa, Cod_Agente, Nivel, Comision, Cod_Articulo, "
         "Familia_1, Familia_2, Familia_3) VALUES (1, 1, 1, 10, 0, 1, 0, 0), (1, 1, 2, 7, 0, 1, 1, "
         "0), (1, 1, 3, 4.5, 2147483647, 1, 1, 0), (1, 1, 1, 3, 0, 2, 0, 0)"});
    QStringList raras = {u"2 - Línea segunda 3,00"_s};
    if (GetParam() == testsupport::Engine::SQLite) {
        sql({"INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES (1, 3, 'Nu' || "
             "char(0) || 'la')"});
        raras << u"3 - Nu la"_s;
    }
    cn->Execute(u"UPDATE Empresas SET Nombre = 'Distribuciones\r\nNorte' WHERE Codigo = 1"_s);
    const auto m = filas();
    auto r = InformeComisiones::Preparar(*m, 1, u"Ana\nMaría\tGil"_s);
    EXPECT_EQ(rowsOf(*cn, u"SELECT Elemento FROM Listado_Desc_Comis ORDER BY Orden"_s).value(2),
              u"\t\t\t2147483647 - "_s + largo);
    const QStringList lines = testsupport::printed(*r);
    ASSERT_GE(lines.size(), 4 + 3 + raras.size());
    EXPECT_EQ(lines[0], u"Distribuciones Norte"_s);
    EXPECT_EQ(lines[2], u"AGENTE: 1 - Ana María Gil"_s);
    const QStringList comienzos = {"1 - NNNN", "1 - NNNN", "2147483647 - NNNN"};
    const QStringList valores = {"10,00", "7,00", "4,50"};
    for (int i = 0; i < 3; ++i) {
        const QString& line = lines[4 + i];
        EXPECT_TRUE(line.startsWith(comienzos[i])) << line.toStdString();
        EXPECT_TRUE(line.endsWith(u"… "_s + valores[i])) << line.toStdString();
        EXPECT_FALSE(line.contains(u'Z')) << "cut before the percentage: " << line.toStdString();
    }
    EXPECT_EQ(lines.mid(7, raras.size()), raras);
}

ORBENTA_ENGINE_TESTS(ComisionReport);

TEST(ReportFile, CyclesFifosAndDevicesAreRefused) {
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QString& sub) {
        testsupport::writeFile(dir.filePath(name),
                               "orbenta-report 1\ntitle: x\nsubreport: " + sub.toUtf8() + '\n');
    };
    write(u"Solo.rpt"_s, u"Solo.rpt"_s);
    write(u"A.rpt"_s, u"B.rpt"_s);
    write(u"B.rpt"_s, u"A.rpt"_s);
    const QString fifo = dir.filePath(u"Tuberia.rpt"_s);
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString device = dir.filePath(u"Dispositivo.rpt"_s);
    ASSERT_TRUE(QFile::link(u"/dev/zero"_s, device));
    // A subreport that starts as a report and goes on for 200 MB.
    write(u"Grande.rpt"_s, u"Vacio.rpt"_s);
    ASSERT_TRUE(QFile::resize(dir.filePath(u"Grande.rpt"_s), 200'000'000));
    write(u"ConGrande.rpt"_s, u"Grande.rpt"_s);
    const struct {
        QString path, text;
    } casos[] = {
        {dir.filePath(u"Solo.rpt"_s), u"se incluye a sí mismo"_s},
        {dir.filePath(u"A.rpt"_s),
         u"A.rpt → "_s + QFileInfo(dir.filePath("B.rpt")).canonicalFilePath()},
        {fifo, u"no es un archivo normal"_s},
        {device, u"no es un archivo normal"_s},
        {dir.filePath(u"ConGrande.rpt"_s),
         dir.filePath(u"Grande.rpt"_s) + u" ocupa más de 1 MiB"_s},
    };
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    const long picoAntes = uso.ru_maxrss;
    for (const auto& c : casos) {
        SCOPED_TRACE(c.path.toStdString());
        const QString d =
            testsupport::failureOf([&] { report::Report::open(c.path); }).description();
        EXPECT_TRUE(d.contains(c.text)) << d.toStdString();
    }
    getrusage(RUSAGE_SELF, &uso);
    EXPECT_LT(uso.ru_maxrss - picoAntes, 50 * 1024)
        << "kB more at the peak: the large file was read";
}

} // namespace
