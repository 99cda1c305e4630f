#include "TestDatabase.h"
#include "TestWorkers.h"

#include "TestCli.h"
#include "TestComponent.h"

#include <OrbentaSuite.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using testsupport::CliRun;
using testsupport::orbenta;

class Cli : public testsupport::EngineTest {
protected:
    QStringList db(QStringList args) const { return args << QStringLiteral("--db") << this->db_(); }
    QString db_() const { return EngineTest::db->connectionString(); }
};

TEST_P(Cli, InitSqlAndEmpresa) {
    CliRun r = orbenta(db({"init", "--demo"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = orbenta(db({"sql", "SELECT TOP 1 Nombre FROM Agentes ORDER BY Codigo"}));
    EXPECT_EQ(r.code, 0);
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    EXPECT_EQ(lines[0].toLower(), QStringLiteral("nombre"));

    r = orbenta(db({"sql", "SELECT Codigo, Fax FROM Agentes WHERE Codigo = 38"}));
    EXPECT_EQ(r.out.split(u'\n').value(1), QStringLiteral("38\tNULL"));
    r = orbenta(db({"sql", "UPDATE Agentes SET Fax = '' WHERE Codigo > 30"}));
    EXPECT_EQ(r.out, QStringLiteral("rows affected: 10\n"));

    // A second init refuses to overwrite; --force replaces.
    r = orbenta(db({"init"}));
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("error 5 (orbenta): "))) << r.err.toStdString();
    EXPECT_EQ(orbenta(db({"init", "--force"})).code, 0);

    r = orbenta(db({"empresa", "guardar", "7", "--nivel1", "Familia", "--nivel2", "", "--config",
                    "ODBCNombre=Orbenta", "--nombre", "L'Hospitalet Suministros"}));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = orbenta(db({"empresa", "guardar", "7", "--articulos", "3"}));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = orbenta(db({"empresa", "listar"}));
    EXPECT_EQ(r.out.split(u'\n').value(1),
              QStringLiteral("7\tL'Hospitalet Suministros\t3\tFamilia\t\t\t"));
}

TEST_P(Cli, FailuresArePrintedWithNumberSourceAndDescription) {
    const QString backend = GetParam() == testsupport::Engine::SQLite ? "SQLite" : "PostgreSQL";
    CliRun r = orbenta(db({"sql", "SELEC 1"}));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("error -2147217900 (ado.%1): ").arg(backend)))
        << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_P(Cli, TraceShowsTheStatementAsWritten) {
    ASSERT_EQ(orbenta(db({"init"})).code, 0);
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORBENTA_TRACE_SQL"), QStringLiteral("1"));
    const QString sql = QStringLiteral("SELECT TOP 1 ISNULL(Nombre, 'x') AS n FROM Agentes");
    const CliRun r = orbenta(db({"sql", sql}), env);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, QStringLiteral("SQL: ") + sql + u'\n');
}

// Whatever writes a password, the trace shows '***' in its place: the agents' Password
// column, a configuration key ending in Password, the Pwd of a connection string. The
// error of a statement that fails never shows what its trace hides.
TEST_P(Cli, TraceAndErrorsNeverShowAPassword) {
    ASSERT_EQ(orbenta(db({"init", "--demo"})).code, 0);
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORBENTA_TRACE_SQL"), QStringLiteral("1"));
    const struct {
        const char* sql;
        const char* traced;
    } statements[] = {
        {"UPDATE Agentes SET Password = 'Secreto1' WHERE Codigo = 1",
         "UPDATE Agentes SET Password = '***' WHERE Codigo = 1"},
        {"SELECT Codigo FROM Agentes WHERE Codigo = 1 AND Password='Secreto2'",
         "SELECT Codigo FROM Agentes WHERE Codigo = 1 AND Password='***'"},
        {"INSERT INTO Empresas_Configuracion (Cod_Empresa, Clave, Valor) VALUES (1, "
         "'ReportPassword', 'Secreto3')",
         "INSERT INTO Empresas_Configuracion (Cod_Empresa, Clave, Valor) VALUES (1, "
         "'ReportPassword', '***')"},
        {"INSERT INTO Empresas_Configuracion (Cod_Empresa, Clave, Valor) VALUES (1, 'Origen', "
         "'Driver=PostgreSQL;Uid=u;Pwd=Secreto4;Port=5432')",
         "INSERT INTO Empresas_Configuracion (Cod_Empresa, Clave, Valor) VALUES (1, 'Origen', "
         "'Driver=PostgreSQL;Uid=u;Pwd=***;Port=5432')"},
        {"UPDATE Empresas_Configuracion SET Valor = 'Secreto5' WHERE Cod_Empresa = 1 AND "
         "Clave = 'ODBCPassword'",
         "UPDATE Empresas_Configuracion SET Valor = '***' WHERE Cod_Empresa = 1 AND "
         "Clave = 'ODBCPassword'"},
        {"UPDATE Empresas_Configuracion SET Valor='Secreto6' WHERE Clave='ReportPassword'",
         "UPDATE Empresas_Configuracion SET Valor='***' WHERE Clave='ReportPassword'"},
    };
    for (const auto& st : statements) {
        SCOPED_TRACE(st.sql);
        const CliRun r = orbenta(db({"sql", QString::fromUtf8(st.sql)}), env);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.err, QStringLiteral("SQL: ") + QString::fromUtf8(st.traced) + u'\n');
    }
    // Statements the engine refuses, whose message may quote them: a short one, and one
    // so long that an excerpt of it would be cut inside the password.
    const QString largo = QStringLiteral("Secreto9").repeated(12);
    for (const QString& sql : QStringList{
             QStringLiteral("UPDATE Agentes SET Password='Secreto8' WHERE NoSuchColumn = 1"),
             QStringLiteral("UPDATE Agentes SET Password = '") + largo +
                 QStringLiteral("' WHERE NoSuchColumn = 1"),
             QStringLiteral("UPDATE Empresas_Configuracion SET Valor = 'Secreto7' WHERE Clave = "
                            "'ODBCPassword' AND NoSuchColumn = 1")}) {
        SCOPED_TRACE(sql.toStdString());
        const CliRun r = orbenta(db({"sql", sql}), env);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("nosuchcolumn"), Qt::CaseInsensitive))
            << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("Secreto"))) << r.err.toStdString();
    }
    // A password that is also a word of the engine's message: the message stays whole
    // (masking the word wherever it stands would tell the password).
    const CliRun palabra =
        orbenta(db({"sql", "UPDATE Agentes SET Password='such' WHERE NoSuchColumn = 1"}), env);
    EXPECT_TRUE(palabra.err.contains(QStringLiteral("nosuchcolumn"), Qt::CaseInsensitive))
        << palabra.err.toStdString();
    EXPECT_EQ(palabra.err.count(QStringLiteral("***")), 1)
        << "only the trace's" << palabra.err.toStdString();
    // The component's own statements: an agent saved (UPDATE, then INSERT for a new one)
    // and a company's configuration.
    for (const QStringList& args :
         {QStringList{"agente", "guardar", "1", "--Password", "Secreto5"},
          QStringList{"agente", "guardar", "77", "--Nombre", "Nuevo", "--Password", "Secreto6"},
          QStringList{"empresa", "guardar", "1", "--config", "ODBCPassword=Secreto7", "--config",
                      "Conexion=Driver=ODBC;DSN=x;PWD=Secreto8"}}) {
        const CliRun r = orbenta(db(args), env);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("'***'")) ||
                    r.err.contains(QStringLiteral("=***")))
            << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("Secreto"))) << r.err.toStdString();
    }
    EXPECT_EQ(orbenta(db({"sql", "SELECT Password FROM Agentes WHERE Codigo = 77"}))
                  .out.split(u'\n')
                  .value(1),
              QStringLiteral("Secreto6"))
        << "only the trace hides it";
    const CliRun cargado = orbenta(db({"agente", "cargar", "77"}));
    EXPECT_TRUE(cargado.out.contains(QStringLiteral("\nPassword: ***\n")))
        << cargado.out.toStdString();
}

// "comision guardar" stores what the commission window would store and refuses, with the
// window's messages, what the window refuses; a refusal stores nothing.
TEST_P(Cli, ComisionGuardarFollowsTheWindowsRule) {
    ASSERT_EQ(orbenta(db({"init", "--demo"})).code, 0);
    const QStringList rule = {"--agente", "9", "--nivel", "1", "--familias", "3"};
    const auto stored = [&] {
        return orbenta(db(QStringList{"comision", "exacta"} + rule)).out.trimmed();
    };
    const struct {
        const char* typed;
        const char* refusal; // nullptr: stored
        const char* stored;
    } cases[] = {
        {"0", nullptr, "0"},
        {"100", nullptr, "100"},
        {" 12,5 ", nullptr, "12.5"},
        {"-1", "La comisión debe estar entre 0 y 100.", "12.5"},
        {"100.0001", "La comisión debe estar entre 0 y 100.", "12.5"},
        {"1e3", "Comisión inválida.", "12.5"},
        {"1.234,5", "Comisión inválida.", "12.5"},
        {"12%", "Comisión inválida.", "12.5"},
        {"", "Comisión inválida.", "12.5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const CliRun r = orbenta(db(QStringList{"comision", "guardar"} + rule +
                                    QStringList{"--comision", QString::fromUtf8(c.typed)}));
        if (c.refusal) {
            EXPECT_NE(r.code, 0);
            EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.refusal))) << r.err.toStdString();
        } else {
            EXPECT_EQ(r.code, 0) << r.err.toStdString();
        }
        EXPECT_EQ(stored(), QString::fromUtf8(c.stored));
    }
    // A rule that makes no sense for the company's levels, families, articles or agents
    // is refused and nothing is stored. Agent 0 holds the general rules; an article rule
    // takes its article's families (article 2425 is of families 5, 2, 1).
    const QString reglas = QStringLiteral("SELECT COUNT(*) FROM Agentes_Comisiones");
    const struct {
        QStringList rule;
        const char* refusal; // nullptr: stored
    } rules[] = {
        {{"--agente", "9", "--nivel", "9", "--familias", "1"}, "--nivel debe ser de 1 a 4"},
        {{"--agente", "9", "--nivel", "0", "--familias", "1"}, "--nivel debe ser de 1 a 4"},
        {{"--agente", "9", "--nivel", "1", "--familias", "1,,2"}, "falta un código"},
        {{"--agente", "9", "--nivel", "1", "--familias", "1,2"}, "el nivel 1 lleva 1 código"},
        {{"--agente", "9", "--nivel", "2", "--familias", "1"}, "el nivel 2 lleva 2 códigos"},
        {{"--agente", "9", "--nivel", "2", "--familias", "1,99"}, "no existe la familia 1,99"},
        {{"--agente", "9", "--nivel", "1", "--familias", "999"}, "no existe la familia 999"},
        {{"--agente", "9", "--nivel", "1", "--familias", "1", "--articulo", "2425"},
         "solo va con el nivel de artículo"},
        {{"--agente", "9", "--nivel", "4", "--articulo", "0"}, "falta --articulo"},
        {{"--agente", "9", "--nivel", "4", "--articulo", "99999"}, "no existe el artículo"},
        {{"--agente", "9", "--articulo", "2425", "--familias", "5,2,2"},
         "es de las familias 5,2,1"},
        {{"--agente", "9999", "--nivel", "1", "--familias", "1"}, "no existe el agente 9999"},
        {{"--agente", "-1", "--nivel", "1", "--familias", "1"}, "no existe el agente -1"},
        {{"--agente", "0", "--nivel", "1", "--familias", "1"}, nullptr},
        {{"--agente", "9", "--nivel", "3", "--familias", "5,2,1"}, nullptr},
        {{"--agente", "9", "--nivel", "4", "--articulo", "2425"}, nullptr},
    };
    for (const auto& c : rules) {
        SCOPED_TRACE(c.rule.join(u' ').toStdString());
        const QString antes = orbenta(db({"sql", reglas})).out;
        const CliRun r =
            orbenta(db(QStringList{"comision", "guardar", "--comision", "7"} + c.rule));
        if (c.refusal) {
            EXPECT_EQ(r.code, 1);
            EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.refusal))) << r.err.toStdString();
            EXPECT_EQ(orbenta(db({"sql", reglas})).out, antes);
        } else {
            EXPECT_EQ(r.code, 0) << r.err.toStdString();
        }
    }
    // The rules stored, the article's under its own families.
    for (const QStringList& rule :
         {QStringList{"--agente", "0", "--nivel", "1", "--familias", "1"},
          QStringList{"--agente", "9", "--nivel", "3", "--familias", "5,2,1"},
          QStringList{"--agente", "9", "--nivel", "4", "--articulo", "2425", "--familias",
                      "5,2,1"}})
        EXPECT_EQ(orbenta(db(QStringList{"comision", "exacta"} + rule)).out, QStringLiteral("7\n"))
            << rule.join(u' ').toStdString();
}

// Texts that look like placeholders, quotes that try to close the literal and whole
// statements are stored as typed, and nothing else happens.
const QStringList kHostile = {
    QStringLiteral("%1"),
    QStringLiteral("%2"),
    QStringLiteral("%3"),
    QStringLiteral("%4"),
    QStringLiteral("%5"),
    QStringLiteral("%6"),
    QStringLiteral("%7"),
    QStringLiteral("%8"),
    QStringLiteral("%9"),
    QStringLiteral("%L1"),
    QStringLiteral("%%"),
    QStringLiteral("%1%2%3%4%5%6%7%8%9 %L1 %% %99"),
    QStringLiteral("'%4'"),
    QStringLiteral("||(SELECT group_concat(Password) FROM Agentes),0,0,0,0,0) --"),
    QStringLiteral("'); DROP TABLE Agentes; --"),
    QStringLiteral("x'; DELETE FROM Empresas WHERE '1'='1"),
};

TEST_P(Cli, HostileTextsInACompanyAreStoredAsTyped) {
    ASSERT_EQ(orbenta(db({"init", "--demo"})).code, 0);
    // The exact attack that once copied every password into a company name.
    CliRun r = orbenta(db({"empresa", "guardar", "50", "--nombre", "%4", "--nivel1",
                           "||(SELECT group_concat(Password) FROM Agentes),0,0,0,0,0) --"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = orbenta(db({"sql", "SELECT Nombre, Nivel1, Nivel2 FROM Empresas WHERE Codigo = 50"}));
    EXPECT_EQ(r.out.split(u'\n').value(1),
              QStringLiteral("%4\t||(SELECT group_concat(Password) FROM Agentes),0,0,0,0,0) "
                             "--\t"));

    // Every text the company object writes, through the object itself.
    auto cn = EngineTest::db->open();
    qint16 code = 60;
    for (const QString& text : kHostile) {
        SCOPED_TRACE(text.toStdString());
        ORBTEmp::Empresa e;
        e.setCodEmpresa(code);
        e.setCodEmpresaArticulos(code);
        e.setNombre(text);
        for (int i = 0; i < 3; ++i)
            e.setNombreNivel(i, text + QString::number(i));
        e.setRutaAplicacion(text);
        e.setValorConfiguracion(text, text + text);
        e.setValorConfiguracion(QStringLiteral("ODBCNombre"), text);
        ASSERT_NO_THROW(e.Guardar(*cn));
        const auto back = ORBTEmp::Empresa::Cargar(*cn, code);
        EXPECT_EQ(back->Nombre(), text);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(back->NombreNivel(qint16(i)), text + QString::number(i));
        EXPECT_EQ(back->RutaAplicacion(), text);
        EXPECT_EQ(back->ValorConfiguracion(text), text + text);
        EXPECT_EQ(back->ValorConfiguracion(QStringLiteral("ODBCNombre")), text);
        ++code;
    }
    EXPECT_EQ(testsupport::rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Empresas")),
              QStringList({QString::number(3 + kHostile.size())}));
    EXPECT_EQ(testsupport::rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Agentes")),
              QStringList({"40"}));
}

// A failure is reported by its real cause, never as a missing object.
TEST_P(Cli, ADatabaseWithoutTheSchemaSaysSo) {
    const CliRun r = orbenta(db({"agente", "primero"}));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("error -2147217900 "))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("mpresas"))) << r.err.toStdString();
}

// The commission sheet's work table is shared by every user. Two processes print two
// agents' sheets at the same time, fifty times each: every PDF holds its own agent's
// rows, the same as when the agent is printed alone.
TEST_P(Cli, TwoPrintsAtOnceNeverMixTheirRows) {
    ASSERT_EQ(orbenta(db({"init", "--demo"})).code, 0);
    QTemporaryDir dir;
    // What a sheet says, without its footer (page number and print date).
    const auto hoja = [](const QString& pdf) {
        QStringList lines = testsupport::pdfLines(pdf);
        lines.removeIf([](const QString& l) { return l.startsWith(QStringLiteral("Página ")); });
        return lines;
    };
    const QStringList agentes = {QStringLiteral("1"), QStringLiteral("4")};
    QMap<QString, QStringList> solo;
    for (const QString& a : agentes) {
        const QString pdf = dir.filePath(QStringLiteral("solo-") + a + QStringLiteral(".pdf"));
        const CliRun r = orbenta(db({"informe", "comisiones", "--agente", a, "--pdf", pdf}));
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, pdf + u'\n');
        solo[a] = hoja(pdf);
        ASSERT_GT(solo[a].size(), 20);
        const QString nombre =
            orbenta(db({"sql", "SELECT Nombre FROM Agentes WHERE Codigo = " + a}))
                .out.split(u'\n')
                .value(1);
        EXPECT_EQ(solo[a].value(2),
                  QStringLiteral("AGENTE: ") + a + QStringLiteral(" - ") + nombre);
    }
    ASSERT_NE(solo[agentes[0]].mid(3), solo[agentes[1]].mid(3)) << "the two sheets differ";

    const int veces = 50;
    std::vector<std::unique_ptr<QProcess>> procesos;
    for (const QString& a : agentes) {
        auto p = std::make_unique<QProcess>();
        const QString bucle = QStringLiteral("for i in $(seq %1); do \"$0\" informe comisiones "
                                             "--agente %2 --pdf \"$1/%2-$i.pdf\" --db \"$2\" "
                                             ">/dev/null || exit 1; done")
                                  .arg(QString::number(veces), a);
        p->start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), bucle, QStringLiteral(ORBENTA_BINARY), dir.path(), db_()});
        procesos.push_back(std::move(p));
    }
    for (auto& p : procesos) {
        ASSERT_TRUE(p->waitForFinished(600000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    for (const QString& a : agentes)
        for (int i = 1; i <= veces; ++i) {
            const QString pdf =
                dir.filePath(a + u'-' + QString::number(i) + QStringLiteral(".pdf"));
            ASSERT_EQ(hoja(pdf), solo[a]) << pdf.toStdString();
        }
}

// A company whose report values reach another database: the print is refused with both
// named and no PDF; "empresa informes" points them at this connection and says what it
// set, never the password. Printing changes nothing but the work table: the rule of a
// family that is gone stays.
TEST_P(Cli, InformeRefusesAnotherDatabaseUntilEmpresaInformes) {
    ASSERT_EQ(orbenta(db({"init", "--demo"})).code, 0);
    ASSERT_EQ(orbenta(db({"sql", "INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, Cod_Agente, "
                                 "Comision, Cod_Articulo, Familia_1, Familia_2, Familia_3) VALUES "
                                 "(1, 1, 4, 9, 0, 999, 0, 0)"}))
                  .code,
              0);
    const QString reglas = QStringLiteral("SELECT COUNT(*) FROM Agentes_Comisiones");
    const QString antes = orbenta(db({"sql", reglas})).out;
    ASSERT_EQ(orbenta(db({"empresa", "guardar", "1", "--config", "ODBCBaseDatos=otra_base"})).code,
              0);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("hoja.pdf"));
    CliRun r = orbenta(db({"informe", "comisiones", "--agente", "4", "--pdf", pdf}));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("otra_base")) &&
                r.err.contains(QStringLiteral("No se ha impreso nada")))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(orbenta(db({"sql", reglas})).out, antes) << "no rule deleted by a print";

    r = orbenta(db({"empresa", "informes", "1"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("ODBCBaseDatos = "))) << r.out.toStdString();
    const QString pwd = db_().section(QStringLiteral("Pwd="), 1).section(u';', 0, 0);
    EXPECT_TRUE(r.out.contains(pwd.isEmpty() ? QStringLiteral("ODBCPassword = \n")
                                             : QStringLiteral("ODBCPassword = ***\n")))
        << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("Pwd="), Qt::CaseInsensitive))
        << r.out.toStdString();
    r = orbenta(db({"informe", "comisiones", "--agente", "4", "--pdf", pdf}));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_GT(testsupport::pdfLines(pdf).size(), 20);
    EXPECT_EQ(orbenta(db({"sql", reglas})).out, antes) << "no rule deleted by a print";
}

// A PDF is complete or absent: a full device, a reader that went away and a file that
// cannot grow (a full disk) end with an error that names the PDF and the reason; an
// older file of that name is left as it was and nothing else is left beside it. A PDF
// sent to standard output is followed by nothing there.
TEST_P(Cli, APdfThatCannotBeWrittenFailsAndLeavesNothing) {
    ASSERT_EQ(orbenta(db({"init", "--demo"})).code, 0);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("hoja.pdf"));
    {
        QFile viejo(pdf);
        ASSERT_TRUE(viejo.open(QIODevice::WriteOnly));
        viejo.write("viejo");
    }
    // Run through the shell: $1 the database, $2 the PDF; prints the exit code last.
    const auto run = [&](const QString& script, const QString& target, const QString& extra = {}) {
        QProcess p;
        p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script,
                                            QStringLiteral(ORBENTA_BINARY), db_(), target, extra});
        p.waitForFinished(120000);
        return CliRun{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                      QString::fromUtf8(p.readAllStandardError())};
    };
    const QString informe =
        QStringLiteral("\"$0\" informe comisiones --agente 4 --db \"$1\" --pdf \"$2\"");
    const struct {
        const char* caso;
        QString script, target, motivo;
    } casos[] = {
        {"full device", informe, QStringLiteral("/dev/full"),
         QStringLiteral("No queda espacio en el disco.")},
        {"closed pipe",
         QStringLiteral("{ (") + informe + QStringLiteral("; echo $? >&3) | head -c 0; } 3>&1"),
         QStringLiteral("/dev/stdout"), QStringLiteral("Quien lo leía ha dejado de leer.")},
        {"file that cannot grow", QStringLiteral("ulimit -f 16; trap '' XFSZ; ") + informe, pdf,
         QStringLiteral("El archivo supera el tamaño máximo que se permite escribir.")},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.caso);
        // SQLite's own files beside the database could not grow either.
        if (c.target == pdf && GetParam() == testsupport::Engine::SQLite)
            continue;
        const CliRun r = run(c.script, c.target);
        const int code = c.target == u"/dev/stdout" ? r.out.trimmed().toInt() : r.code;
        EXPECT_NE(code, 0) << r.out.toStdString();
        EXPECT_TRUE(
            r.err.contains(c.target + QStringLiteral(" no se ha podido escribir: ") + c.motivo))
            << r.err.toStdString();
    }
    QFile viejo(pdf);
    ASSERT_TRUE(viejo.open(QIODevice::ReadOnly));
    EXPECT_EQ(viejo.readAll(), QByteArray("viejo"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"hoja.pdf"});

    // Sent to standard output, the PDF is all there is on it: the name goes to standard
    // error.
    const QString enviado = dir.filePath(QStringLiteral("enviado.pdf"));
    const CliRun r =
        run(informe + QStringLiteral(" | cat > \"$3\""), QStringLiteral("/dev/stdout"), enviado);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("\n/dev/stdout\n"))) << r.err.toStdString();
    QFile enviada(enviado);
    ASSERT_TRUE(enviada.open(QIODevice::ReadOnly));
    EXPECT_TRUE(enviada.readAll().endsWith("%%EOF\n"));
    EXPECT_GT(testsupport::pdfLines(enviado).size(), 20);
}

// Another print holds the work table, and its process dies holding it: the command says
// it waits, then prints.
TEST_P(Cli, InformeSaysItWaitsAndPrintsOnceTheHolderDied) {
    ASSERT_EQ(orbenta(db({"init", "--demo"})).code, 0);
    const auto otro = testsupport::holdPrintLock(db_());

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("hoja.pdf"));
    QProcess informe;
    informe.setReadChannel(QProcess::StandardError);
    informe.start(QStringLiteral(ORBENTA_BINARY),
                  db({"informe", "comisiones", "--agente", "4", "--pdf", pdf}));
    QString avisos;
    const QString aviso = QStringLiteral("Esperando a que termine otra impresión...\n");
    while (!avisos.contains(aviso) && informe.waitForReadyRead(30000))
        avisos += QString::fromUtf8(informe.readAllStandardError());
    EXPECT_TRUE(avisos.contains(aviso)) << avisos.toStdString();
    EXPECT_EQ(informe.state(), QProcess::Running);
    otro->kill();
    otro->waitForFinished();
    ASSERT_TRUE(informe.waitForFinished(60000));
    EXPECT_EQ(informe.exitCode(), 0) << informe.readAllStandardError().toStdString();
    EXPECT_GT(testsupport::pdfLines(pdf).size(), 20);
}

ORBENTA_ENGINE_TESTS(Cli);

// A database on read-only media, or without permission to write, can be read; a write
// fails and says why. (Run as another user when the tests run as root, who may write
// anything.)
TEST(CliUnit, AReadOnlyDatabaseIsReadAndRefusesWrites) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("solo-lectura.db"));
    const QString cs = QStringLiteral("Driver=SQLite;Database=") + file;
    ASSERT_EQ(orbenta({"init", "--demo", "--db", cs}).code, 0);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther);
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadOther);
    const auto run = [&](const QStringList& args) {
        if (geteuid() != 0)
            return orbenta(args);
        QProcess p;
        p.start(QStringLiteral("setpriv"),
                QStringList{"--reuid=65534", "--regid=65534", "--clear-groups",
                            QStringLiteral(ORBENTA_BINARY)} +
                    args);
        p.waitForFinished(60000);
        return CliRun{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                      QString::fromUtf8(p.readAllStandardError())};
    };
    CliRun r = run({"agente", "cargar", "3", "--db", cs});
    if (geteuid() == 0 && r.code != 0 && !r.err.contains(QStringLiteral("error ")))
        GTEST_SKIP() << "the program cannot be started as another user from this build folder: "
                     << r.err.toStdString();
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Codigo: 3\n"))) << r.out.toStdString();
    r = run({"agente", "guardar", "3", "--Nombre", "Otro", "--db", cs});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("open for reading only"))) << r.err.toStdString();
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST(CliUnit, OnlyInitCreatesADatabase) {
    QTemporaryDir dir;
    const QString cs = QStringLiteral("Driver=SQLite;Database=") + dir.filePath("nueva.db");
    CliRun r = orbenta({"agente", "primero", "--db", cs});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("does not exist"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("nueva.db")));
    EXPECT_EQ(orbenta({"init", "--db", cs}).code, 0);
    EXPECT_EQ(orbenta({"agente", "primero", "--db", cs}).out, QStringLiteral("no encontrado\n"));
}

TEST(CliUnit, UnknownDriverAndUnknownCommand) {
    CliRun r = orbenta({"sql", "--db", "Driver=Nada", "SELECT 1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("error 3706 (ado): "))) << r.err.toStdString();
    r = orbenta({"--db", "x", "nada"});
    EXPECT_NE(r.code, 0);
}

// A command line the program cannot read ends with a usage message and a failure code,
// and never with a window (which, offscreen, would wait here for ever).
TEST(CliUnit, BadCommandLinesAreRefusedWithoutAWindow) {
    QTemporaryDir dir;
    const QString cs = QStringLiteral("Driver=SQLite;Database=") + dir.filePath("x.db");
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ORBENTA_DB"), cs);
    const QStringList cases[] = {
        {"--db"},
        {"--empresa"},
        {"--db", cs, "--empresa"},
        {"--empresa", "uno"},
        {"--empresa", "99999"},
        {"--db", "--empresa", "1"},
        {"--nada"},
        {"--db", cs, "--nada"},
        {"sql", "--db"},
        {"agente", "cargar", "--empresa", "x", "3"},
        {"agente", "guardar", "4", "--Codigo", "9"},
        {"nada"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ORBENTA_BINARY), args);
        if (!p.waitForFinished(20000)) {
            p.kill();
            p.waitForFinished();
            ADD_FAILURE() << "still running: a window opened";
            continue;
        }
        EXPECT_NE(p.exitCode(), 0);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_TRUE(err.contains(QStringLiteral("usage: orbenta"))) << err.toStdString();
    }
    const CliRun r = orbenta({"--version"}, env);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("orbenta 1.0.0\n"));
}

// Without a display the main window is refused with an error line, never with an abort:
// none named, or one named that cannot be reached.
TEST(CliUnit, WithoutADisplayTheWindowIsRefused) {
    QTemporaryDir dir;
    const QString cs = QStringLiteral("Driver=SQLite;Database=") + dir.filePath("x.db");
    ASSERT_EQ(orbenta({"init", "--db", cs}).code, 0);
    for (const char* display : {"", ":4711"}) {
        SCOPED_TRACE(display);
        auto env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        if (*display)
            env.insert(QStringLiteral("DISPLAY"), QLatin1String(display));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ORBENTA_BINARY), {"--db", cs});
        if (!p.waitForFinished(20000)) {
            p.kill();
            p.waitForFinished();
            ADD_FAILURE() << "still running: a window opened";
            continue;
        }
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << err.toStdString();
        EXPECT_EQ(p.exitCode(), 1);
        EXPECT_TRUE(err.contains(QStringLiteral("error 5 (orbenta): no hay pantalla: ")))
            << err.toStdString();
    }
}

// Without a usable home folder, only init creates anything, and says why it cannot.
TEST(CliUnit, OnlyInitCreatesTheDefaultFolder) {
    QTemporaryDir dir;
    const QString home = dir.filePath(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(home));
    const QString other = QStringLiteral("Driver=SQLite;Database=") + dir.filePath("otra.db");
    ASSERT_EQ(orbenta({"init", "--db", other}).code, 0);
    auto env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("ORBENTA_DB"));
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    env.insert(QStringLiteral("HOME"), home);
    for (const QStringList& args :
         {QStringList{"--version"}, QStringList{"--help"},
          QStringList{"sql", "--db", other, "SELECT 1"}, QStringList{"agente", "primero"},
          QStringList{"comision", "nivel", "1-2-3-4-5"}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        orbenta(args, env);
        EXPECT_TRUE(
            QDir(home).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
    }
    // No home folder at all: nothing is made in the root's place; the user is told what
    // to set.
    auto homeless = env;
    homeless.remove(QStringLiteral("HOME"));
    const bool existed = QFile::exists(QStringLiteral("/.local/share/orbenta/orbenta.db"));
    for (const QStringList& args : {QStringList{"init"}, QStringList{"agente", "primero"}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const CliRun r = orbenta(args, homeless);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("HOME")) &&
                    r.err.contains(QStringLiteral("ORBENTA_DB o --db")))
            << r.err.toStdString();
    }
    EXPECT_EQ(QFile::exists(QStringLiteral("/.local/share/orbenta/orbenta.db")), existed);
    // A home that cannot be written: init names the folder it cannot create. (As another
    // user when the tests run as root, who may write anything.)
    QFile::setPermissions(home, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                    QFileDevice::ReadOther | QFileDevice::ExeOther);
    QProcess p;
    p.setProcessEnvironment(env);
    if (geteuid() == 0)
        p.start(QStringLiteral("setpriv"), {"--reuid=65534", "--regid=65534", "--clear-groups",
                                            QStringLiteral(ORBENTA_BINARY), "init"});
    else
        p.start(QStringLiteral(ORBENTA_BINARY), {"init"});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QFile::setPermissions(home,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (geteuid() == 0 && !err.contains(QStringLiteral("error ")))
        GTEST_SKIP() << "the program cannot be started as another user: " << err.toStdString();
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(err.contains(QStringLiteral("permission denied"))) << err.toStdString();
    EXPECT_TRUE(err.contains(home + QStringLiteral("/.local"))) << err.toStdString();
}

// The pictures come from a scratch demo database: the user's database is neither
// needed nor touched.
TEST(CliUnit, CapturaDrawsTheWindowsFromFreshDemoData) {
    QTemporaryDir dir;
    auto env = QProcessEnvironment::systemEnvironment();
    const QString userDb = dir.filePath(QStringLiteral("user.db"));
    env.insert(QStringLiteral("ORBENTA_DB"), QStringLiteral("Driver=SQLite;Database=") + userDb);
    const QString pictures = dir.filePath(QStringLiteral("pictures"));
    const CliRun r = orbenta({"captura", pictures}, env);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QImage empty(pictures + QStringLiteral("/frmAgentes_CambioFactura-vacia.png"));
    const QImage loaded(pictures + QStringLiteral("/frmAgentes_CambioFactura.png"));
    ASSERT_FALSE(empty.isNull());
    ASSERT_FALSE(loaded.isNull());
    // The window's client area, 6390 x 3450 twips at 15 twips a pixel.
    EXPECT_EQ(loaded.size(), QSize(426, 230));
    EXPECT_NE(empty, loaded); // the invoice and the new agent are shown
    EXPECT_FALSE(QFile::exists(userDb));
}

} // namespace
