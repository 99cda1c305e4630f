#include "TestCli.h"
#include "TestComponent.h"
#include "TestWorkers.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <unistd.h>

namespace {

using namespace testsupport;

// One run of the program: its arguments, the exit code it ends with and what it prints.
// An expectation is "=text" (all of it), "^text" (how it begins), "$text" (how it ends),
// "~text" (somewhere in it, case aside), "!text" (nowhere, case aside), "1text" (exactly
// once) or "#n" (n lines). Environment changes are "NAME=value", or "-NAME" to remove one.
// Every %NAME% of `vars` is replaced in every text before the run.
struct Step {
    QStringList args;
    int code = 0;
    QStringList out = {}, err = {}, env = {};
};

void expectText(const char* stream, const QStringList& expectations, const QString& text) {
    using Match = bool (*)(const QString&, const QString&);
    static const QMap<QChar, Match> kinds = {
        {u'=', [](const QString& s, const QString& t) { return s == t; }},
        {u'^', [](const QString& s, const QString& t) { return s.startsWith(t); }},
        {u'$', [](const QString& s, const QString& t) { return s.endsWith(t); }},
        {u'#', [](const QString& s, const QString& t) { return s.count(u'\n') == t.toInt(); }},
        {u'~',
         [](const QString& s, const QString& t) { return s.contains(t, Qt::CaseInsensitive); }},
        {u'!',
         [](const QString& s, const QString& t) { return !s.contains(t, Qt::CaseInsensitive); }},
        {u'1', [](const QString& s, const QString& t) { return s.count(t) == 1; }}};
    for (const QString& e : expectations)
        EXPECT_TRUE(kinds.value(e.at(0), nullptr) && kinds[e.at(0)](text, e.mid(1)))
            << stream << " should match " << e.toStdString() << ": " << text.toStdString();
}

QProcessEnvironment environment(const QStringList& changes) {
    auto env = QProcessEnvironment::systemEnvironment();
    for (const QString& e : changes)
        if (e.startsWith(u'-'))
            env.remove(e.mid(1));
        else
            env.insert(e.section(u'=', 0, 0), e.section(u'=', 1));
    return env;
}

void run(const std::vector<Step>& steps, const QMap<QString, QString>& vars) {
    const auto fill = [&](QStringList l) {
        for (QString& s : l)
            for (auto it = vars.begin(); it != vars.end(); ++it)
                s.replace(u'%' + it.key() + u'%', it.value());
        return l;
    };
    for (const Step& s : steps) {
        const QStringList args = fill(s.args);
        SCOPED_TRACE(QString("orbenta " + args.join(u' ')).toStdString());
        const CliRun r = orbenta(args, environment(fill(s.env)));
        EXPECT_EQ(r.code, s.code) << r.err.toStdString();
        expectText("stdout", fill(s.out), r.out);
        expectText("stderr", fill(s.err), r.err);
    }
}

class Cli : public EngineTest {
protected:
    // Every step names the scratch database with --db.
    void steps(std::vector<Step> all) {
        for (Step& s : all)
            s.args << QStringLiteral("--db") << QStringLiteral("%DB%");
        const QString pwd = db->connectionString().section("Pwd=", 1).section(u';', 0, 0);
        run(all, {{"DB", db->connectionString()},
                  {"DIR", dir.path()},
                  {"ENGINE", GetParam() == Engine::SQLite ? "SQLite" : "PostgreSQL"},
                  {"PWD", pwd.isEmpty() ? "" : "***"}});
    }
    QTemporaryDir dir;
};

const QStringList kTrace = {"ORBENTA_TRACE_SQL=1"};

// A run that fails, printing nothing but `err` (on standard error).
Step fails(const QStringList& args, const QString& err, const QStringList& env = {}) {
    return {args, 1, {"="}, {err}, env};
}
// A run that succeeds printing `out`, with the environment changed by `env`.
Step prints(const QStringList& args, const QStringList& out, const QStringList& env = {}) {
    return {args, 0, out, {}, env};
}
// A run that succeeds with the SQL trace on, which shows `sql`.
Step traced(const QStringList& args, const QString& sql) {
    return {args, 0, {}, {sql}, kTrace};
}

TEST_P(Cli, CommandsOnTheEngine) {
    const QString gone = "SELECT COUNT(*) AS n FROM Agentes_Comisiones WHERE Familia_1 = 999";
    const QStringList informe =
        QString("informe comisiones --agente 4 --pdf %DIR%/hoja.pdf").split(u' ');
    const QStringList liquidacion =
        QString("informe liquidacion --desde 2026-01-01 --hasta 2026-03-31 --pdf %DIR%/liq.pdf")
            .split(u' ');
    steps({
        // A failure is reported by its real cause, never as a missing object.
        {{"agente", "primero"}, 1, {}, {"^error -2147217900 ", "~mpresas"}},
        {{"init", "--demo"}},
        {{"sql", "SELECT TOP 1 Codigo AS n FROM Agentes ORDER BY Codigo"}, 0, {"=n\n1\n"}},
        {{"sql", "SELECT Codigo, Fax FROM Agentes WHERE Codigo = 38"}, 0, {"~\n38\tNULL\n"}},
        {{"sql", "UPDATE Agentes SET Fax = '' WHERE Codigo > 30"}, 0, {"=filas afectadas: 10\n"}},
        {{"sql", "SELEC 1"}, 1, {"="}, {"^error -2147217900 (ado.%ENGINE%): "}},
        traced({"sql", "SELECT TOP 1 ISNULL(Nombre, 'x') AS n FROM Agentes"},
               "=SQL: SELECT TOP 1 ISNULL(Nombre, 'x') AS n FROM Agentes\n"),
        // A second init refuses to overwrite; --force replaces.
        {{"init"}, 1, {}, {"^error 5 (orbenta): "}},
        {{"init", "--force"}},
        // No company yet: what works for one says so.
        {{"comision", "activa", "--agente", "1", "--familias", "1"},
         1,
         {"="},
         {"=error 3021 (ORBTEmp.Empresa): No existe la empresa 1.\n"}},
        {{"empresa", "guardar", "7", "--nivel1", "Familia", "--nivel2", "", "--config",
          "ODBCNombre=Orbenta", "--nombre", "L'Hospitalet Suministros"}},
        {{"empresa", "guardar", "7", "--articulos", "3"}},
        {{"empresa", "listar"}, 0, {"~\n7\tL'Hospitalet Suministros\t3\tFamilia\t\t\t\n"}},
        // The exact attack that once copied every password into a company name.
        {{"init", "--force", "--demo"}},
        {{"empresa", "guardar", "50", "--nombre", "%4", "--nivel1",
          "||(SELECT group_concat(Password) FROM Agentes),0,0,0,0,0) --"}},
        prints({"sql", "SELECT Nombre, Nivel1, Nivel2 FROM Empresas WHERE Codigo = 50"},
               {"~\n%4\t||(SELECT group_concat(Password) FROM Agentes),0,0,0,0,0) --\t\n"}),
        // Every text the company object writes comes back as typed; nothing else happens.
        {{"empresa", "guardar", "51", "--nombre", "'); DROP TABLE Agentes; --", "--nivel2",
          "%1%2%3%4%5%6%7%8%9 %L1 %% %99", "--nivel3", "x'; DELETE FROM Empresas WHERE '1'='1",
          "--ruta", "'%4'", "--config", "%1'=%2'"}},
        prints({"sql", "SELECT e.Nombre, Nivel2, Nivel3, Ruta_Aplicacion, COUNT(*) AS n FROM "
                       "Empresas e, Empresas_Configuracion, Agentes a WHERE e.Codigo = 51 AND "
                       "Cod_Empresa = 51 AND Clave = '%1''' AND Valor = '%2''' GROUP BY e.Nombre, "
                       "Nivel2, Nivel3, Ruta_Aplicacion"},
               {"~\n'); DROP TABLE Agentes; --\t%1%2%3%4%5%6%7%8%9 %L1 %% %99\tx'; DELETE FROM "
                "Empresas WHERE '1'='1\t'%4'\t40\n"}),
        {{"sql", "SELECT COUNT(*) AS n FROM Empresas"}, 0, {"=n\n4\n"}},
        // Report values that reach another database: the print is refused with both named;
        // "empresa informes" points them here and says what it set, never the password.
        // Printing changes nothing but the work table: the rule of a family gone stays.
        {{"sql",
          "INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, Cod_Agente, Comision, "
          "Cod_Articulo, Familia_1, Familia_2, Familia_3) VALUES (1, 1, 4, 9, 0, 999, 0, 0)"}},
        {{"empresa", "guardar", "1", "--config", "ODBCBaseDatos=otra_base"}},
        {informe, 1, {}, {"~otra_base", "~No se ha impreso nada"}},
        prints({"empresa", "informes", "1"},
               {"~ODBCBaseDatos = ", "~ODBCPassword = %PWD%\n", "!Pwd="}),
        {informe, 0, {"=%DIR%/hoja.pdf\n"}},
        {{"sql", gone}, 0, {"=n\n1\n"}},
        // The settlement sheet: an unknown agent and a date that is none are refused.
        fails(liquidacion + QStringList{"--agente", "999"}, "~El agente 999 no existe."),
        fails(QStringList(liquidacion).replaceInStrings("2026-03-31", "2026-02-30"),
              "~--hasta debe ser una fecha AAAA-MM-DD: 2026-02-30"),
        {liquidacion + QStringList{"--agente", "2"}, 0, {"=%DIR%/liq.pdf\n"}},
    });
    EXPECT_GT(pdfLines(dir.filePath("hoja.pdf")).size(), 20);
    EXPECT_TRUE(pdfLines(dir.filePath("liq.pdf")).contains("Neto a pagar 357,97"));
}

// "comision guardar" refuses, with the window's messages, what the commission window
// refuses, and a rule that makes no sense for the company's levels, families, articles or
// agents (0: the general rules); a refusal stores nothing. An article rule takes its
// article's families (article 2425 is of families 5, 2, 1).
// Whatever writes a password, the trace shows '***' in its place; the error of a
// statement that fails never shows what its trace hides, and stays whole when the
// password is also one of its words.
TEST_P(Cli, ComisionGuardarFollowsTheWindowsRuleAndTracesNeverShowAPassword) {
    const QStringList rule = {"--agente", "9", "--nivel", "1", "--familias", "3"};
    const auto guardar = [](const QStringList& r, const QString& comision, const char* refusal) {
        return Step{QStringList{"comision", "guardar", "--comision", comision} + r,
                    refusal ? 1 : 0,
                    refusal ? QStringList() : QStringList{"=guardada\n"},
                    {u'~' + QString::fromUtf8(refusal)}};
    };
    const auto stored = [](const QStringList& r, const QString& value) {
        return Step{QStringList{"comision", "exacta"} + r, 0, {u'=' + value + u'\n'}};
    };
    std::vector<Step> all = {
        {{"init", "--demo"}},
        // Agent 4's rule for family 5 answers before article 2425's general rule.
        {{"comision", "activa", "--empresa", "1", "--agente", "4", "--familias", "5,2,1",
          "--articulo", "2425", "--explain"},
         0,
         {"#9", "~\npaso 4 (del agente, familia): responde 8 ",
          "~\npaso 5 (generales, artículo): no alcanzado\n", "$\n8\n"}},
        prints({"comision", "exacta", "--agente", "0", "--familias", "5,2,1", "--articulo", "2425"},
               {"=3\n"}),
        prints({"comision", "nivel", "1520-4-3-7-2"},
               {"=Nivel: 4\nArticulo: 1520\nFamilia_3: 2\nFamilia_2: 7\nFamilia_1: 3\n"}),
        guardar(rule, "0", nullptr),
        stored(rule, "0"),
        guardar(rule, "100", nullptr),
        stored(rule, "100"),
        guardar(rule, " 12,5 ", nullptr)};
    for (const char* refused : {"-1", "100.0001"})
        all.push_back(guardar(rule, refused, "La comisión debe estar entre 0 y 100."));
    for (const char* refused : {"1e3", "1.234,5", "12%", ""})
        all.push_back(guardar(rule, refused, "Comisión inválida."));
    all.push_back(stored(rule, "12.5"));
    all.push_back({QStringList{"comision", "activa"} + rule, 0, {"=12.5\n"}});
    all.push_back({QStringList{"comision", "eliminar"} + rule, 0, {"=eliminada\n"}});
    all.push_back(stored(rule, "-1"));
    all.push_back(fails(QStringList{"comision", "eliminar"} + rule, "~no tiene esa regla"));
    // A rule's arguments apart by blanks, and its refusal (nullptr: stored).
    const char* const rules[][2] = {
        {"--agente 9 --nivel 9 --familias 1", "--nivel debe ser de 1 a 4"},
        {"--agente 9 --nivel 0 --familias 1", "--nivel debe ser de 1 a 4"},
        {"--agente 9 --nivel 1 --familias 1,,2", "falta un código"},
        {"--agente 9 --nivel 1 --familias 1,2", "el nivel 1 lleva 1 código"},
        {"--agente 9 --nivel 2 --familias 1", "el nivel 2 lleva 2 códigos"},
        {"--agente 9 --nivel 2 --familias 1,99", "no existe la familia 1,99"},
        {"--agente 9 --nivel 1 --familias 999", "no existe la familia 999"},
        {"--agente 9 --nivel 1 --familias 1 --articulo 2425", "solo va con el nivel de artículo"},
        {"--agente 9 --nivel 4 --articulo 0", "falta --articulo"},
        {"--agente 9 --nivel 4 --articulo 99999", "no existe el artículo"},
        {"--agente 9 --articulo 2425 --familias 5,2,2", "es de las familias 5,2,1"},
        {"--agente 9999 --nivel 1 --familias 1", "no existe el agente 9999"},
        {"--agente -1 --nivel 1 --familias 1", "no existe el agente -1"},
        {"--agente 0 --nivel 1 --familias 1", nullptr},
        {"--agente 9 --nivel 3 --familias 5,2,1", nullptr},
        {"--agente 9 --nivel 4 --articulo 2425", nullptr},
    };
    for (const auto& [r, refusal] : rules)
        all.push_back(guardar(QString::fromUtf8(r).split(u' '), "7.77", refusal));
    const QString mias = "SELECT COUNT(*) AS n FROM Agentes_Comisiones WHERE Comision = 7.77";
    all.push_back({{"sql", mias}, 0, {"=n\n3\n"}});
    all.push_back(stored(
        {"--agente", "9", "--nivel", "4", "--articulo", "2425", "--familias", "5,2,1"}, "7.77"));
    const auto masked = [](QString sql) {
        return sql.replace(QRegularExpression("Secreto."), "***");
    };
    for (const char* sql :
         {"UPDATE Agentes SET Password = 'Secreto1' WHERE Codigo = 1",
          "SELECT Codigo FROM Agentes WHERE Codigo = 1 AND Password='Secreto2'",
          "INSERT INTO Empresas_Configuracion (Cod_Empresa, Clave, Valor) VALUES (1, "
          "'ReportPassword', 'Secreto3')",
          "INSERT INTO Empresas_Configuracion (Cod_Empresa, Clave, Valor) VALUES (1, 'Origen', "
          "'Driver=PostgreSQL;Uid=u;Pwd=Secreto4;Port=5432')",
          "UPDATE Empresas_Configuracion SET Valor = 'Secreto5' WHERE Cod_Empresa = 1 AND "
          "Clave = 'ODBCPassword'",
          "UPDATE Empresas_Configuracion SET Valor='Secreto6' WHERE Clave='ReportPassword'"})
        all.push_back({{"sql", sql}, 0, {}, {"=SQL: " + masked(sql) + u'\n'}, kTrace});
    // Refused statements whose message may quote them: a short one, and one so long that
    // an excerpt of it would be cut inside the password.
    for (const QString& sql :
         {QStringLiteral("UPDATE Agentes SET Password='Secreto8' WHERE NoSuchColumn = 1"),
          QString("UPDATE Agentes SET Password = '" + QStringLiteral("Secreto9").repeated(12) +
                  "' WHERE NoSuchColumn = 1"),
          QStringLiteral("UPDATE Empresas_Configuracion SET Valor = 'Secreto7' WHERE Clave = "
                         "'ODBCPassword' AND NoSuchColumn = 1")})
        all.push_back({{"sql", sql}, 1, {}, {"~nosuchcolumn", "!Secreto"}, kTrace});
    const QString such = "UPDATE Agentes SET Password='such' WHERE NoSuchColumn = 1";
    all.push_back({{"sql", such}, 1, {}, {"~nosuchcolumn", "1***"}, kTrace});
    // The component's own statements: an agent saved (UPDATE, then INSERT for a new one)
    // and a company's configuration.
    for (const QStringList& args :
         {QStringList{"agente", "guardar", "1", "--Password", "Secreto5"},
          QStringList{"agente", "guardar", "77", "--Nombre", "Nuevo", "--Password", "Secreto6"},
          QStringList{"empresa", "guardar", "1", "--config", "ODBCPassword=Secreto7", "--config",
                      "Conexion=Driver=ODBC;DSN=x;PWD=Secreto8"}})
        all.push_back({args, 0, {}, {"~'***'", "!Secreto"}, kTrace});
    // Only the trace hides it; the agent printed hides it too.
    all.push_back(
        {{"sql", "SELECT Password FROM Agentes WHERE Codigo = 77"}, 0, {"~\nSecreto6\n"}});
    all.push_back({{"agente", "cargar", "77"}, 0, {"~\nPassword: ***\n"}});
    steps(all);
}

// An agent printed, accumulated into and deleted from the command line. What is refused
// fails and says why (day totals are only for an agent on file), and adds no day total.
// The agents' figures per month: exact to four decimals, a spreadsheet's CSV in the
// regional settings (";" and a decimal comma in Spain), aligned columns by default; a bad
// range fails and prints nothing.
TEST_P(Cli, AgentCommandsAndPdfsOnTheDemoData) {
    createSchema(true);
    const auto acumular = [](const char* kind, const char* agente, const char* pvp) {
        return QStringList{"acumular",  kind, "--agente",   agente, "--fecha",   "2031-06-01",
                           "--pvp",     pvp,  "--costo",    "60.5", "--importe", "1",
                           "--almacen", "1",  "--articulo", "2425"};
    };
    const QString totales = "SELECT COUNT(*) AS n FROM Agentes_Acumulados";
    const int antes = rowsOf(*cn, totales).value(0).toInt();
    std::vector<Step> all = {
        {{"agente", "primero"}, 0, {"#22", "^Codigo: 1\n", "$\nSoloLectura: False\n"}},
        {{"agente", "anterior", "-5"}, 0, {"=no encontrado\n"}},
        fails({"agente", "cargar", "38"}, "=error 94 (clsAgente::Cargar): Invalid use of Null\n"),
        traced(acumular("venta", "3", "100.25"),
               "$SQL: INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, Importe_Pvp, "
               "Importe_Costo) VALUES (1, 3, '2031-06-01T00:00:00', 100.25, 60.5)\n"),
        // An amount that could be read two ways is refused, and the message says what is read.
        fails(acumular("venta", "3", "1,5"),
              "~debe ser un importe como 12.5 (separadores de miles solo junto con el separador "
              "decimal, como en 1,234.5)",
              {"LC_ALL=en_US.UTF-8"}),
        fails({"acumular", "venta", "--agente", "3", "--fecha", "2031-02-30", "--pvp", "1",
               "--costo", "0"},
              "~no existe esa fecha: 2031-02-30"),
        {{"agente", "guardar", "77"}},
        fails({"agente", "guardar", "0", "--Nombre", "Cero"}, "~el código 0 es el de las reglas"),
        fails({"agente", "guardar", "77", "--Nombre", "Otro", "--Retencion_IRPF", "150"},
              "~--Retencion_IRPF debe estar entre 0 y 100: 150"),
        fails({"agente", "guardar", "77", "--ComisionVenta", "-0.5"},
              "~--ComisionVenta debe estar entre 0 y 100: -0.5"),
        {{"agente", "eliminar", "77"}, 0, {"=eliminado\n"}},
        fails({"agente", "eliminar", "3"}, "~no eliminado: el agente 3 tiene datos asociados"),
        fails({"agente", "eliminar", "77"}, "~no eliminado: no existe el agente 77")};
    for (const char* kind : {"venta", "comision-venta", "comision-cobro", "articulo"})
        all.push_back(fails(acumular(kind, "999", "1"), "~no existe el agente 999"));
    all.push_back({{"sql", totales}, 0, {"=n\n" + QString::number(antes + 1) + u'\n'}});
    steps(all);
    insertAgent(*cn, 901, "O'Brien; \"el Bueno\"");
    insertAgent(*cn, 902);
    insertAgent(*cn, 903, "=1+2\nx"); // a formula to a spreadsheet
    for (const char* v : {"1, 901, '2031-01-15T00:00:00', 100.1234, 50.5, 1.0001, 0",
                          "1, 901, '2031-01-20T00:00:00', 0.0001, 0, 0, 2.5",
                          "1, 901, '2031-02-03T00:00:00', -10, 5, 0, 0",
                          "1, 902, '2031-02-28T18:00:00', 1234567.8912, 1, 0.5, 0.25",
                          "1, 902, '2031-03-01T00:00:00', 999, 0, 0, 0",
                          "2, 901, '2031-01-15T00:00:00', 999, 0, 0, 0",
                          "1, 903, '2031-01-10T00:00:00', 1, 0, 0, 0"})
        cn->Execute(QString("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, "
                            "Importe_Pvp, Importe_Costo, ComisionVenta, ComisionCobro) VALUES (") +
                    v + ")");
    const QStringList rango = {"resumen", "--desde", "2031-01-01", "--hasta", "2031-02-28"};
    const QString obrien = "901;\"O'Brien; \"\"el Bueno\"\"\";";
    const QStringList es = {"LC_ALL=es_ES.UTF-8"};
    steps({
        prints(rango + QStringList{"--csv"},
               {"=Agente;Nombre;Mes;Ventas;Costo;Margen;Comisión venta;Comisión cobro\r\n" +
                obrien + "2031-01;100,1235;50,5000;49,6235;1,0001;2,5000\r\n" + obrien +
                "2031-02;-10,0000;5,0000;-15,0000;0,0000;0,0000\r\n"
                "902;Agente 902;2031-02;1234567,8912;1,0000;1234566,8912;0,5000;0,2500\r\n"
                "903;\"'=1+2\nx\";2031-01;1,0000;0,0000;1,0000;0,0000;0,0000\r\n"},
               es),
        prints(rango + QStringList{"--agente", "903"}, {"~\n   903  =1+2 x  2031-01  ", "#2"}),
        prints(rango + QStringList{"--csv", "--agente", "901"},
               {"$\n901,\"O'Brien; \"\"el "
                "Bueno\"\"\",2031-02,-10.0000,5.0000,-15.0000,0.0000,0.0000\r\n",
                "#3"},
               {"LC_ALL=en_US.UTF-8"}),
        prints(rango + QStringList{"--agente", "902"},
               {"=Agente  Nombre      Mes            Ventas   Costo        Margen  Comisión venta  "
                "Comisión cobro\n"
                "   902  Agente 902  2031-02  1234567,8912  1,0000  1234566,8912          0,5000  "
                "        0,2500\n"},
               es),
        fails({"resumen", "--desde", "2031-02-30", "--hasta", "2031-03-01"},
              "~--desde no es una fecha válida (AAAA-MM-DD): 2031-02-30"),
        fails({"resumen", "--desde", "2031-03-01", "--hasta", "2031-02-01"},
              "~--desde (2031-03-01) es posterior a --hasta (2031-02-01)"),
        fails({"resumen", "--hasta", "2031-03-01"}, "~falta --desde"),
        {{"resumen", "--desde", "9999-12-31", "--hasta", "9999-12-31"}, 0, {"#1"}},
    });
    // The CSV opens with a byte order mark, by which a spreadsheet reads it as UTF-8.
    QProcess csv;
    csv.start(ORBENTA_BINARY, rango + QStringList{"--csv", "--db", db->connectionString()});
    ASSERT_TRUE(csv.waitForFinished(60000));
    EXPECT_TRUE(csv.readAllStandardOutput().startsWith("\xEF\xBB\xBF"
                                                       "Agente;"));
    // Then the PDFs. A PDF is complete or absent: a full device, a reader that went away and a file
    // that cannot grow end with an error that names the PDF and the reason; an older file of that
    // name is left as it was and nothing else beside it. A PDF sent to standard output is
    // followed by nothing there: its name goes to standard error. The commission sheet's work
    // table is shared by every user. Two processes print two agents' sheets at the same time,
    // twenty times each: every PDF holds its own agent's rows, the same as when the agent is
    // printed alone (footer aside). Another print holds the work table, and its process dies
    // holding it: the command says it waits, then prints.
    const QString cs = db->connectionString();
    const QString pdf = dir.filePath("hoja.pdf");
    QFile viejo(pdf);
    ASSERT_TRUE(viejo.open(QIODevice::WriteOnly) && viejo.write("viejo") == 5);
    viejo.close();
    // %1 is the command, writing to $2; standard output ends with its exit code.
    const auto sh = [&](const QString& script, const QString& target) {
        return runProgram(
            "/bin/sh",
            {"-c", script.arg("\"$0\" informe comisiones --agente 4 --db \"$1\" --pdf \"$2\""),
             ORBENTA_BINARY, cs, target, dir.filePath("enviado.pdf")});
    };
    const QString casos[][3] = {{"%1; echo $?", "/dev/full", "No queda espacio en el disco."},
                                {"{ (%1; echo $? >&3) | head -c 0; } 3>&1", "/dev/stdout",
                                 "Quien lo leía ha dejado de leer."},
                                {"ulimit -f 16; %1; echo $?", pdf,
                                 "El archivo supera el tamaño máximo que se permite escribir."}};
    // SQLite's own files beside the database could not grow either.
    for (int i = 0; i < (GetParam() == Engine::SQLite ? 2 : 3); ++i) {
        const CliRun r = sh(casos[i][0], casos[i][1]);
        expectText("stdout", {"=1\n"}, r.out);
        expectText("stderr", {'~' + casos[i][1] + " no se ha podido escribir: " + casos[i][2]},
                   r.err);
    }
    ASSERT_TRUE(viejo.open(QIODevice::ReadOnly));
    EXPECT_EQ(viejo.readAll(), QByteArray("viejo"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"hoja.pdf"});
    const CliRun r = sh("%1 | cat > \"$3\"; echo $?", "/dev/stdout");
    EXPECT_TRUE(r.out == "0\n" && r.err.endsWith("\n/dev/stdout\n")) << r.err.toStdString();
    QFile enviada(dir.filePath("enviado.pdf"));
    ASSERT_TRUE(enviada.open(QIODevice::ReadOnly));
    EXPECT_TRUE(enviada.readAll().endsWith("%%EOF\n"));
    const auto hoja = [](const QString& file) {
        QStringList lines = pdfLines(file);
        lines.removeIf([](const QString& l) { return l.startsWith(QStringLiteral("Página ")); });
        return lines;
    };
    const QString bucle = "for i in $(seq 20); do \"$0\" informe comisiones --agente $3 --pdf "
                          "\"$1/$3-$i.pdf\" --db \"$2\" >/dev/null || exit 1; done";
    QMap<QString, QStringList> solo;
    std::vector<std::unique_ptr<QProcess>> procesos;
    for (const QString a : {"1", "4"}) {
        const QString sola = dir.filePath("solo-" + a + ".pdf");
        orbenta({"informe", "comisiones", "--agente", a, "--pdf", sola, "--db", cs});
        solo[a] = hoja(sola);
        ASSERT_GT(solo[a].size(), 20);
        procesos.push_back(std::make_unique<QProcess>());
        procesos.back()->start("/bin/sh", {"-c", bucle, ORBENTA_BINARY, dir.path(), cs, a});
    }
    ASSERT_NE(solo["1"].mid(3), solo["4"].mid(3)) << "the two sheets differ";
    for (auto& p : procesos) {
        ASSERT_TRUE(p->waitForFinished(600000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    for (const QString a : {"1", "4"})
        for (int i = 1; i <= 20; ++i)
            ASSERT_EQ(hoja(dir.filePath(a + u'-' + QString::number(i) + ".pdf")), solo[a]) << i;
    const auto otro = holdPrintLock(cs);
    QProcess informe;
    informe.setReadChannel(QProcess::StandardError);
    informe.start(ORBENTA_BINARY, {"informe", "comisiones", "--agente", "4", "--pdf",
                                   dir.filePath("hoja.pdf"), "--db", cs});
    const QString aviso = "Esperando a que termine otra impresión...\n";
    QString avisos;
    while (!avisos.contains(aviso) && informe.waitForReadyRead(30000))
        avisos += QString::fromUtf8(informe.readAllStandardError());
    EXPECT_TRUE(avisos.contains(aviso) && informe.state() == QProcess::Running);
    otro->kill();
    otro->waitForFinished();
    ASSERT_TRUE(informe.waitForFinished(60000));
    EXPECT_EQ(informe.exitCode(), 0) << informe.readAllStandardError().toStdString();
}

ORBENTA_ENGINE_TESTS(Cli);

// Runs the program as nobody when the tests run as root, who may write anything.
CliRun asNobody(const QStringList& args,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    const QStringList nobody = {"--reuid=65534", "--regid=65534", "--clear-groups", ORBENTA_BINARY};
    return geteuid() != 0 ? orbenta(args, env) : runProgram("setpriv", nobody + args, env);
}

// Bad command lines end with a usage message, never with a window (which, offscreen,
// would wait for ever); only init creates a database; without a display the main window
// is refused with an error line, never with an abort; captura draws without a display.
// Without a usable home folder only init creates anything, and says why it cannot;
// without one at all nothing is made in the root's place. A database on read-only media,
// or without permission to write, can be read; a write fails and says why, and so does
// init in a home that cannot be written.
TEST(CliUnit, CommandLinesAndOnlyInitCreatesTheDefaultFolderAndNothingWritesWhereItMayNot) {
    QTemporaryDir dir;
    const QString home = dir.filePath("home");
    ASSERT_TRUE(QDir().mkpath(home));
    const QStringList offscreen = {"QT_QPA_PLATFORM=offscreen", "ORBENTA_DB=%CS%"};
    const QStringList noDisplay = {"-DISPLAY", "-WAYLAND_DISPLAY", "-QT_QPA_PLATFORM"};
    const QStringList pantalla = {"~error 5 (orbenta): no hay pantalla: "};
    const QStringList homed = {"HOME=%DIR%/home", "-ORBENTA_DB", "-XDG_DATA_HOME"};
    const QStringList homeless = {"-HOME", "-ORBENTA_DB", "-XDG_DATA_HOME"};
    const QStringList why = {"~HOME", "~ORBENTA_DB o --db"};
    const bool existed = QFile::exists("/.local/share/orbenta/orbenta.db");
    std::vector<Step> all = {
        {{"--version"}, 0, {"=orbenta 1.0.0\n"}, {}, offscreen},
        {{"sql", "--db", "Driver=Nada", "SELECT 1"}, 1, {}, {"^error 3706 (ado): "}},
        {{"agente", "primero", "--db", "%CS%"}, 1, {}, {"~does not exist"}},
        {{"init", "--db", "%CS%"}, 0, {"^base de datos lista: "}},
        {{"agente", "primero", "--db", "%CS%"}, 0, {"=no encontrado\n"}},
        {{"agente", "primero", "--db", "%DIR%/nueva.db"}, 0, {"=no encontrado\n"}}, // its file
        {{"agente", "guardar", "4", "--Nombre"}, 1, {}, {"~Falta valor tras «--Nombre»"}},
        {{"--db", "%CS%"}, 1, {}, pantalla, noDisplay},
        {{"--db", "%CS%"}, 1, {}, pantalla, noDisplay + QStringList{"DISPLAY=:4711"}},
        // The pictures come from a scratch demo database: the user's is neither needed nor made.
        prints({"captura", "%DIR%/pictures"}, {},
               {"ORBENTA_DB=Driver=SQLite;Database=%DIR%/user.db"}),
        {{"--version"}, 0, {}, {}, homed},
        {{"--help"}, 0, {}, {}, homed},
        {{"sql", "--db", "%CS%", "SELECT 1"}, 0, {}, {}, homed},
        {{"agente", "primero"}, 1, {}, {"~does not exist"}, homed},
        {{"comision", "nivel", "1-2-3-4-5"}, 1, {}, {"~does not exist"}, homed},
        {{"init"}, 1, {}, why, homeless},
        {{"agente", "primero"}, 1, {}, why, homeless},
    };
    for (const char* line :
         {"--db", "--empresa", "--db %CS% --empresa", "--empresa uno", "--empresa 99999",
          "--db --empresa 1", "--nada", "--db %CS% --nada", "sql --db",
          "agente cargar --empresa x 3", "agente guardar 4 --Codigo 9", "nada", "--db x nada"})
        all.push_back({QString::fromUtf8(line).split(u' '), 1, {}, {"~uso: orbenta"}, offscreen});
    run(all, {{"CS", "Driver=SQLite;Database=" + dir.filePath("nueva.db")}, {"DIR", dir.path()}});
    const QImage empty(dir.filePath("pictures/frmAgentes_CambioFactura-vacia.png"));
    const QImage loaded(dir.filePath("pictures/frmAgentes_CambioFactura.png"));
    // The window's client area, 6390 x 3450 twips at 15 twips a pixel.
    EXPECT_EQ(std::pair(loaded.size(), empty.size()), std::pair(QSize(426, 230), QSize(426, 230)));
    EXPECT_NE(empty, loaded); // the invoice and the new agent are shown
    EXPECT_FALSE(QImage(dir.filePath("pictures/frmResumenAgentes.png")).isNull());
    EXPECT_FALSE(QFile::exists(dir.filePath("user.db")));
    EXPECT_TRUE(QDir(home).isEmpty(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden));
    EXPECT_EQ(QFile::exists("/.local/share/orbenta/orbenta.db"), existed);
    const QString cs = "Driver=SQLite;Database=" + dir.filePath("solo-lectura.db");
    ASSERT_EQ(orbenta({"init", "--demo", "--db", cs}).code, 0);
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadOther;
    for (const QString& folder : {dir.path(), home})
        QFile::setPermissions(folder, readOnly | QFileDevice::ExeOwner | QFileDevice::ExeOther);
    QFile::setPermissions(dir.filePath("solo-lectura.db"), readOnly);
    const CliRun cargar = asNobody({"agente", "cargar", "3", "--db", cs});
    const CliRun guardar = asNobody({"agente", "guardar", "3", "--Nombre", "Otro", "--db", cs});
    const CliRun init =
        asNobody({"init"}, environment({"HOME=" + home, "-ORBENTA_DB", "-XDG_DATA_HOME"}));
    for (const QString& folder : {dir.path(), home})
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
    if (geteuid() == 0 && cargar.code != 0 && !cargar.err.contains("error "))
        GTEST_SKIP() << "cannot run the program as another user here: " << cargar.err.toStdString();
    expectText("stdout", {"1Codigo: 3\n"}, cargar.out);
    EXPECT_EQ(std::pair(guardar.code, init.code != 0), std::pair(1, true));
    expectText("stderr", {"1open for reading only"}, guardar.err);
    expectText("stderr", {"1permiso denegado", "1" + home + "/.local"}, init.err);
}

} // namespace
