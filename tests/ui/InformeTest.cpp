// The report engine's files and layout; the commission and settlement sheets; the viewer
// window: browsing a sheet by group, its zoom steps, what it remembers, the PDF's name.
#include "WindowTest.h"

#include <QPdfDocument>
#include <QPdfView>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <sys/resource.h>

using testsupport::rowsOf;

namespace {

// A company that uses two family levels, its articles its own. Agents: 1 Ana, 15 %; 2 the
// hostile name, 15 %; 3 not settled unless named; 4 without movements in the period.
class ReportSheets : public testsupport::ComponentTest {
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
        for (int a : {1, 2, 3, 4})
            testsupport::insertAgent(*cn, a, a == 2 ? hostil : QString());
        sql({"INSERT INTO Empresas (Codigo, Nombre, Cod_Empresa_Articulos) VALUES (1, "
             "'Distribuciones Norte', 1)",
             "UPDATE Agentes SET Nombre = 'Ana', Cta_Bancaria = '21000418450200051332' WHERE "
             "Codigo = 1",
             "UPDATE Agentes SET Cta_Bancaria = NULL WHERE Codigo = 2",
             "UPDATE Agentes SET NoImpLiquidacion = 1, Retencion_IRPF = 7.5 WHERE Codigo = 3"});
        clsAgente a;
        const auto dia = [](const char* d) {
            return naive(QDate::fromString(QString::fromLatin1(d).left(10), Qt::ISODate),
                         QTime::fromString(QString::fromLatin1(d).mid(11), u"hh:mm:ss"_s));
        };
        const auto dinero = [](const char* x) { return Currency::fromString(QLatin1String(x)); };
        // agent, day, sale, commission on sales, on collections
        const struct {
            qint16 agente;
            const char *dia, *venta, *comVenta, *comCobro;
        } movimientos[] = {
            {1, "2025-12-31T23:59:59", "999", "99", "9"}, // before the period
            {1, "2026-01-05T00:00:00", "1000", "50.005", "20"},
            {1, "2026-01-20T00:00:00", "234.5678", "11.7284", "0"},
            {1, "2026-02-03T00:00:00", "12345.67", "617.28", "0"},
            {1, "2026-02-28T23:59:59", "0", "0", "123.45"}, // the last second
            {1, "2026-03-01T00:00:00", "888", "88", "8"},   // after it
            {2, "2026-02-10T00:00:00", "1000", "80.30", "0"},
            {2, "2026-02-11T00:00:00", "999.985", "0", "20"},
            {3, "2026-01-15T00:00:00", "500", "25", "5"},
            {4, "2026-04-01T00:00:00", "100", "10", "1"},
        };
        for (const auto& m : movimientos) {
            a.AcumularVenta(m.agente, dia(m.dia), dinero(m.venta), dinero("0"));
            a.AcumularComisionVenta(m.agente, dia(m.dia), dinero(m.comVenta));
            a.AcumularComisionCobro(m.agente, dia(m.dia), dinero(m.comCobro));
        }
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
    const QString hostil = QString(u"<b>x</b>"_s + u"Ñandú_O'Brien_%1_"_s.repeated(20)).left(255);
};

// The viewer over several pages: a click on a group goes to its page.
// A host's work table without the order column, which its engine reads back in another
// order (by key, or partition by partition), still prints in grid order.
TEST_P(ReportSheets, TheViewerBrowsesTheSheetByGroup) {
    cn->Execute(u"DROP TABLE Listado_Desc_Comis"_s);
    const QString columnas = u"CREATE TABLE Listado_Desc_Comis (Elemento varchar(320) NOT NULL, "
                             "Porcentaje varchar(255) NOT NULL"_s;
    if (GetParam() == testsupport::Engine::SQLite) {
        cn->Execute(columnas + u", PRIMARY KEY (Elemento, Porcentaje)) WITHOUT ROWID"_s);
    } else {
        cn->Execute(columnas + u") PARTITION BY HASH (Elemento)"_s);
        for (int resto : {0, 1, 2})
            cn->Execute(u"CREATE TABLE ldc_%1 PARTITION OF Listado_Desc_Comis FOR VALUES WITH "
                        "(MODULUS 3, REMAINDER %1)"_s.arg(resto));
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
    EXPECT_EQ(std::tuple(visor->DisplayGroupTree(), visor->zoomPercent(), visor->currentPage()),
              std::tuple(true, 100, 1));
    ASSERT_GT(visor->pageCount(), 2);

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

TEST_P(ReportSheets, ALogonOfAnotherDatabaseIsRefusedBeforeWriting) {
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
TEST_P(ReportSheets, LongAndOddNamesPrint) {
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

// Two agents over two months, the months' sums rounded half to even to cents
// (1999,985 is 1999,98; 15 % of 100,30 is 15,04), one page each; an agent who is not
// settled is left out unless named, and so is one without movements; the hostile name
// is printed whole, as typed, across lines.
TEST_P(ReportSheets, TheSettlementSheetShowsEachAgentsMonthsTotalsWithholdingAndNetOrSaysWhyNot) {
    const QDate desde(2026, 1, 1), hasta(2026, 2, 28);
    const QString fecha = utilidades::regional().toString(QDate::currentDate(), u"dd/MM/yyyy"_s);
    const QStringList cabecera = u"Distribuciones Norte|Liquidación de Agentes|"
                                 "Del 01/01/2026 al 28/02/2026"_s.split(u'|');
    const QStringList ana = u"AGENTE: 1 - Ana|Cuenta bancaria: 2100 0418 45 0200051332|"
                            "Mes Ventas Comisión ventas Comisión cobros|"
                            "Enero 2026 1234,57 61,73 20,00|Febrero 2026 12345,67 617,28 123,45|"
                            "Total 13580,24 679,01 143,45|Comisiones (ventas + cobros) 822,46|"
                            "Retención IRPF (15,00 %) 123,37|Neto a pagar 699,09"_s.split(u'|');
    const QStringList otro = u"Cuenta bancaria: (sin cuenta)|"
                             "Mes Ventas Comisión ventas Comisión cobros|Enero 2026 0,00 0,00 0,00|"
                             "Febrero 2026 1999,98 80,30 20,00|Total 1999,98 80,30 20,00|"
                             "Comisiones (ventas + cobros) 100,30|Retención IRPF (15,00 %) 15,04|"
                             "Neto a pagar 85,26"_s.split(u'|');
    const QStringList oculto = u"AGENTE: 3 - Agente 3|Cuenta bancaria: 2100 0000 00 0000000000|"
                               "Mes Ventas Comisión ventas Comisión cobros|"
                               "Enero 2026 500,00 25,00 5,00|Febrero 2026 0,00 0,00 0,00|"
                               "Total 500,00 25,00 5,00|Comisiones (ventas + cobros) 30,00|"
                               "Retención IRPF (7,50 %) 2,25|Neto a pagar 27,75"_s.split(u'|');
    const auto pie = [&](int p, int n) -> QString {
        return u"Página "_s + QString::number(p) + u" de "_s + QString::number(n) + u" · "_s +
               fecha;
    };
    const QStringList lineas = testsupport::printed(*InformeLiquidacion::Preparar(0, desde, hasta));
    const qsizetype corte = lineas.indexOf(pie(1, 2));
    ASSERT_GT(corte, 0) << lineas.join(u'\n').toStdString();
    EXPECT_EQ(lineas.mid(0, corte + 1), cabecera + ana + QStringList{pie(1, 2)});
    const QStringList segunda = lineas.mid(corte + 1);
    ASSERT_EQ(segunda.mid(0, 3), cabecera);
    const qsizetype cuenta = segunda.indexOf(otro.first());
    ASSERT_GT(cuenta, 4) << "the name takes more than one line";
    EXPECT_EQ(segunda.mid(3, cuenta - 3).join(QString()).remove(u' '),
              QString(u"AGENTE: 2 - "_s + hostil).remove(u' '));
    EXPECT_EQ(segunda.mid(cuenta), otro + QStringList{pie(2, 2)});

    // In the viewer, as a dashboard shows it: the agents are its groups, names as typed.
    QStringList grupos;
    QTimer::singleShot(0, [&] {
        auto* visor = frmView::actual()->findChild<report::Visor*>(u"crvRep"_s);
        for (int i = 0; i < visor->groupTree()->count(); ++i)
            grupos << visor->groupTree()->item(i)->text();
        visor->findChild<QToolButton*>(u"cerrar"_s)->click();
    });
    InformeLiquidacion::Ver(0, desde, hasta);
    EXPECT_EQ(grupos, (QStringList{u"1 - Ana"_s, u"2 - "_s + hostil}));

    // Named, an agent is settled even when not to be printed, or without movements.
    EXPECT_EQ(testsupport::printed(*InformeLiquidacion::Preparar(3, desde, hasta)),
              cabecera + oculto + QStringList{pie(1, 1)});
    EXPECT_EQ(
        testsupport::printed(*InformeLiquidacion::Preparar(4, desde, hasta)).mid(6, 4).join(u'|'),
        u"Enero 2026 0,00 0,00 0,00|Febrero 2026 0,00 0,00 0,00|Total 0,00 0,00 0,00|"
        "Comisiones (ventas + cobros) 0,00"_s);

    // What cannot be settled is refused in Spanish, saying why (an unknown agent: CliTest).
    const char* irpf = "La retención IRPF del agente 1 (150 %) no está entre 0 y 100: corríjala "
                       "en su ficha antes de liquidar.";
    const struct {
        qint16 agente;
        const char *inicio, *fin, *dice;
    } casos[] = {
        {0, "2026-02-01", "2026-01-31",
         "El periodo del 01/02/2026 al 31/01/2026 termina antes de empezar."},
        {0, "2016-01-01", "2026-01-31", "Un periodo de liquidación abarca como mucho 120 meses."},
        {0, "2024-01-01", "2024-12-31",
         "No hay nada que liquidar del 01/01/2024 al 31/12/2024: ningún agente a liquidar tiene "
         "ventas ni comisiones en él."},
        {1, "2026-01-01", "2026-02-28", irpf}, // the agent named
        {0, "2026-01-01", "2026-02-28", irpf}, // or among all
    };
    sql({"UPDATE Agentes SET Retencion_IRPF = 150 WHERE Codigo = 1"});
    const auto dia = [](const char* d) { return QDate::fromString(QLatin1String(d), Qt::ISODate); };
    for (const auto& c : casos)
        EXPECT_EQ(testsupport::failureOf([&] {
                      InformeLiquidacion::Preparar(c.agente, dia(c.inicio), dia(c.fin));
                  }).description(),
                  QString::fromUtf8(c.dice));
}

ORBENTA_ENGINE_TESTS(ReportSheets);

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

// Rows handed over, grouped by their first field with a page each: amounts shown with
// two decimals half to even, sums exact over what was handed over (two 0,005 make 0,01
// though each shows 0,00), and a value that is no amount refused.
TEST(ReportLayout, GroupsStartPagesAndSumExactly) {
    QTemporaryDir dir;
    const QString rpt = dir.filePath(u"Grupos.rpt"_s);
    testsupport::writeFile(
        rpt, "orbenta-report 1\ntitle: Grupos\nheader: Cabecera\ngroup: {field:1}\nnewpage: group\n"
             "groupheader: Grupo {field:1}\ndetail: {field:2} | {field:3:importe} | {field:4}\n"
             "groupfooter: Suma {field:1} | {sum:3} |\nfooter: Hoja {page} de {pages}\n");
    const struct {
        const char* que;
        QVector<QVector<QVariant>> filas;
        QStringList lineas; // empty: refused
    } casos[] = {
        {"two groups",
         {{"A", "x", "0.0050", "p"},
          {"A", "y", 0.005, "q"},
          {"B", "z", "-0.015", "r"},
          {"B", "w", 12345678.9, ""},
          {"B", "v", qlonglong(3), "s"}},
         {"Cabecera", "Grupo A", "x 0,00 p", "y 0,00 q", "Suma A 0,01", "Hoja 1 de 2", "Cabecera",
          "Grupo B", "z -0,02 r", "w 12345678,90", "v 3,00 s", "Suma B 12345681,88",
          "Hoja 2 de 2"}},
        {"one group, a half cent below zero shown as zero",
         {{"A", "x", "-0.005", "p"}},
         {"Cabecera", "Grupo A", "x 0,00 p", "Suma A 0,00", "Hoja 1 de 1"}},
        {"no amount", {{"A", "x", "1,5", "p"}}, {}},
        {"too many decimals", {{"A", "x", "1.00001", "p"}}, {}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.que);
        auto r = report::Report::open(rpt);
        r->setRows(c.filas);
        const QString pdf = dir.filePath(u"grupos.pdf"_s);
        const QString d = testsupport::failureOf([&] { r->ExportPdf(pdf); }).description();
        EXPECT_EQ(d.endsWith(u"no es un importe."_s), c.lineas.isEmpty()) << d.toStdString();
        EXPECT_EQ(d.isEmpty() ? testsupport::pdfLines(pdf) : QStringList(), c.lineas);
    }
}

class Visor : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings s(u"Orbenta"_s, u"ORBTAgentes"_s);
        ASSERT_TRUE(s.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")))
            << "the tests never write the user's settings";
        s.clear();
    }
    void TearDown() override {
        if (frmView* v = frmView::actual())
            v->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A report of one page titled `titulo`, in the viewer window at `zoom`.
    report::Visor* abrir(const QString& titulo = u"Prueba"_s, qint16 zoom = 100) {
        const QString rpt = dir.filePath(u"Prueba.rpt"_s);
        testsupport::writeFile(
            rpt, "orbenta-report 1\ndetail: {field:1}\ntitle: " + titulo.toUtf8() + '\n');
        clsView vista;
        vista.Report = report::Report::open(rpt);
        vista.Report->setRows({{u"línea"_s}});
        vista.Cargar(false, zoom);
        frmView* v = frmView::actual();
        EXPECT_TRUE(v && QTest::qWaitForWindowExposed(v));
        return v ? v->findChild<report::Visor*>(u"crvRep"_s) : nullptr;
    }
    QTemporaryDir dir;
};

// From wherever the zoom is (120 % as the commission sheet opens); a typed one stays as typed.
TEST_F(Visor, TheZoomStepsThroughUsualZoomsAndFits) {
    report::Visor* visor = abrir(u"Prueba"_s, 120);
    ASSERT_TRUE(visor);
    auto* zoom = visor->findChild<QSpinBox*>(u"zoom"_s);
    QPdfView* vista = visor->view();
    using M = QPdfView::ZoomMode;
    const struct {
        int tecla;
        QString texto;
        M modo;
        double factor;
    } pasos[] = {
        {Qt::Key_Up, u"125 %"_s, M::Custom, 1.25},
        {Qt::Key_Up, u"150 %"_s, M::Custom, 1.5},
        {Qt::Key_Up, u"200 %"_s, M::Custom, 2.0},
        {Qt::Key_Up, u"Ancho de página"_s, M::FitToWidth, 0},
        {Qt::Key_Up, u"Página entera"_s, M::FitInView, 0},
        {Qt::Key_Up, u"Página entera"_s, M::FitInView, 0},
        {Qt::Key_Down, u"Ancho de página"_s, M::FitToWidth, 0},
        {Qt::Key_Down, u"200 %"_s, M::Custom, 2.0},
        {Qt::Key_PageDown, u"50 %"_s, M::Custom, 0.5},
        {Qt::Key_Down, u"50 %"_s, M::Custom, 0.5},
        {Qt::Key_Up, u"75 %"_s, M::Custom, 0.75},
        {Qt::Key_Up, u"100 %"_s, M::Custom, 1.0},
        {Qt::Key_PageUp, u"Página entera"_s, M::FitInView, 0},
    };
    for (const auto& p : pasos) {
        SCOPED_TRACE(p.texto.toStdString());
        QTest::keyClick(zoom, Qt::Key(p.tecla));
        EXPECT_EQ(zoom->text(), p.texto);
        EXPECT_EQ(vista->zoomMode(), p.modo);
        EXPECT_DOUBLE_EQ(p.modo == M::Custom ? vista->zoomFactor() : 0, p.factor);
    }
    zoom->selectAll();
    QTest::keyClicks(zoom, u"80"_s);
    QTest::keyClick(zoom, Qt::Key_Return);
    EXPECT_EQ(zoom->text(), u"80 %"_s);
    EXPECT_DOUBLE_EQ(vista->zoomFactor(), 0.8);
    QTest::keyClick(zoom, Qt::Key_Down);
    EXPECT_EQ(zoom->text(), u"75 %"_s);
}

// The first time the window shows a page's whole width (or takes the screen's); closed
// with its close command, it opens again where and as large as it was left. A PDF that
// cannot be written is told, and the viewer stays; the PDF is proposed in the current
// folder, whatever the title holds.
TEST_F(Visor, TheWindowRemembersItsSizeAndPlaceAndProposesThePdfUnderTheReportsTitle) {
    report::Visor* visor = abrir();
    ASSERT_TRUE(visor);
    QPointer<frmView> v = frmView::actual();
    const double pagina = visor->view()->document()->pagePointSize(0).width() *
                          v->screen()->logicalDotsPerInchX() / 72.0;
    EXPECT_TRUE(visor->view()->viewport()->width() >= pagina ||
                v->frameGeometry().width() >= v->screen()->availableGeometry().width())
        << visor->view()->viewport()->width() << " pixels for a page of " << pagina;

    const QRect dejada(37, 29, 640, 420);
    v->setGeometry(dejada);
    QTest::mouseClick(visor->findChild<QToolButton*>(u"cerrar"_s), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(v.isNull());
    visor = abrir();
    ASSERT_TRUE(visor);
    EXPECT_EQ(frmView::actual()->geometry(), dejada);

    auto presenter = std::make_shared<ui::RecordingPresenter>();
    ui::setPresenter(presenter);
    for (int vez = 0; vez < 2; ++vez) {
        testsupport::onModal<QFileDialog>([](QFileDialog* d) {
            d->selectFile(u"/nonexistent/carpeta/x.pdf"_s);
            static_cast<QDialog*>(d)->done(QDialog::Accepted);
        });
        QTest::mouseClick(visor->findChild<QToolButton*>(u"exportar"_s), Qt::LeftButton);
        ASSERT_EQ(presenter->requests.size(), vez + 1);
        EXPECT_TRUE(presenter->requests[vez].text.contains(u"/nonexistent/carpeta/x.pdf"_s))
            << presenter->requests[vez].text.toStdString();
        EXPECT_TRUE(frmView::actual() && frmView::actual()->isVisible());
    }
    ui::setPresenter(nullptr);
    const struct {
        QString titulo, nombre;
    } casos[] = {
        {u"Liquidación de Agentes"_s, u"Liquidación de Agentes.pdf"_s},
        {u"Ventas 1/2: norte"_s, u"Ventas 1-2- norte.pdf"_s},
        {u"<b>x</b>"_s, u"-b-x--b-.pdf"_s},
        {{}, u"Informe.pdf"_s},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.titulo.toStdString());
        TearDown(); // the viewer before closed
        visor = abrir(c.titulo);
        ASSERT_TRUE(visor);
        QString propuesto;
        testsupport::onModal<QFileDialog>([&](QFileDialog* d) {
            propuesto = d->selectedFiles().value(0);
            d->reject();
        });
        QTest::mouseClick(visor->findChild<QToolButton*>(u"exportar"_s), Qt::LeftButton);
        EXPECT_EQ(propuesto, QDir::current().absoluteFilePath(c.nombre));
    }
}

} // namespace
