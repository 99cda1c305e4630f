#include "Cli.h"

#include "Database.h"

#include <ORBTAgentes.h>
#include <QElapsedTimer>
#include <QEventLoop>

#include <OrbentaSuite.h>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace orbenta::host {

using automation::AutomationError;

namespace {

const QString kSource = QStringLiteral("orbenta");
QString defaultDatabaseFile();

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}
QTextStream& err() {
    static QTextStream s(stderr);
    return s;
}

[[noreturn]] void usage(const QString& text) {
    throw AutomationError(5, kSource, text); // 5: "Invalid procedure call or argument"
}

// A command line the tool cannot make sense of: what is wrong, and how it is written.
[[noreturn]] void badCommandLine(const QString& text) {
    usage(text + QStringLiteral("\nusage: orbenta [--db CONN] [--empresa N] COMMAND "
                                "[ARGUMENTS...]; orbenta --help lists the commands"));
}

QString display(const QVariant& v) {
    if (v.isNull())
        return QStringLiteral("NULL");
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    case QMetaType::QDate:
        return v.toDate().toString(Qt::ISODate);
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    default:
        return v.toString();
    }
}

void printRecordset(ado::Recordset& rs) {
    QStringList header;
    for (int i = 0; i < rs.FieldCount(); ++i)
        header << rs.FieldName(i);
    out() << header.join(u'\t') << '\n';
    while (!rs.Eof()) {
        QStringList row;
        for (int i = 0; i < rs.FieldCount(); ++i)
            row << display(rs.Fields(i));
        out() << row.join(u'\t') << '\n';
        rs.MoveNext();
    }
}

struct Context {
    QCommandLineParser& parser;
    // Hands the component the connection and the company (--empresa, else company 1
    // when the database has it), as a host program does; answers the company.
    std::shared_ptr<ORBTEmp::Empresa>
    shareWithComponent(const std::shared_ptr<ado::Connection>& cn) {
        std::shared_ptr<ORBTEmp::Empresa> empresa;
        const bool asked = parser.isSet(QStringLiteral("empresa"));
        const qint16 code =
            asked ? int16Arg(parser.value(QStringLiteral("empresa")), QStringLiteral("--empresa"))
                  : 1;
        try {
            empresa = ORBTEmp::Empresa::Cargar(*cn, code);
        } catch (const AutomationError& e) {
            // Only a default company that is not there is passed over (commands that
            // need none still run); a lost connection or a missing table is reported.
            if (asked || e.number() != ado::errors::NoCurrentRecord)
                throw;
        }
        ORBTAgentes::clsAgente any;
        if (empresa)
            any.EmpresaOrbenta(empresa);
        any.ConexionOrbenta(cn);
        return empresa;
    }
    QStringList args;                          // positional arguments after the command name
    QList<QPair<QString, QString>> properties; // agente guardar: --Propiedad valor, in order
    QString connectionString() const {
        return parser.isSet(QStringLiteral("db")) ? parser.value(QStringLiteral("db"))
                                                  : defaultConnectionString();
    }
    std::shared_ptr<ado::Connection> connection() {
        auto cn = std::make_shared<ado::Connection>();
        cn->Open(connectionString());
        return cn;
    }
    qint16 int16Arg(const QString& text, const QString& what) const {
        bool ok = false;
        const int v = text.toInt(&ok);
        if (!ok || v < -32768 || v > 32767)
            usage(what + QStringLiteral(" must be a whole number from -32768 to 32767: ") + text);
        return qint16(v);
    }
};

// Whether an agent of that code is on the file (read directly: an agent whose row the
// component cannot load still exists).
bool agentExists(ado::Connection& cn, qint16 code) {
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Codigo FROM Agentes WHERE Codigo = ") + QString::number(code),
            cn);
    return !rs.Eof();
}

int cmdInit(Context& c) {
    // The one command that creates a database when the connection string names none yet,
    // and the folder of the default one.
    if (!c.parser.isSet(QStringLiteral("db")) && qEnvironmentVariableIsEmpty("ORBENTA_DB")) {
        const QString folder = QFileInfo(defaultDatabaseFile()).absolutePath();
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(folder.toStdString()), ec);
        if (ec)
            throw AutomationError(75, kSource, // 75: "Path/File access error"
                                  QStringLiteral("cannot create the folder ") + folder +
                                      QStringLiteral(": ") +
                                      (ec == std::errc::permission_denied
                                           ? QStringLiteral("permission denied")
                                           : QString::fromLocal8Bit(ec.message().c_str())));
    }
    ado::Connection::CreateDatabase(c.connectionString());
    auto cn = c.connection();
    if (db::hasTables(*cn) && !c.parser.isSet(QStringLiteral("force")))
        usage(QStringLiteral("the database already holds tables; use --force to replace "
                             "the component's tables"));
    db::createSchema(*cn, c.parser.isSet(QStringLiteral("force")));
    if (c.parser.isSet(QStringLiteral("demo")))
        db::loadDemoData(*cn);
    out() << "database ready: " << ado::displayConnectionString(cn->ConnectionString()) << '\n';
    return 0;
}

int cmdSql(Context& c) {
    if (c.args.size() != 1)
        usage(QStringLiteral("usage: orbenta sql [--db CONN] \"STATEMENT\""));
    auto cn = c.connection();
    qint32 affected = 0;
    auto rs = cn->Execute(c.args[0], &affected);
    if (rs->State() == ado::adStateOpen)
        printRecordset(*rs);
    else
        out() << "rows affected: " << affected << '\n';
    return 0;
}

// "empresa informes CODIGO": the company's report logon (ODBCNombre, ODBCBaseDatos,
// ODBCUsuario, ODBCPassword) set to reach the database of this connection, the way out
// when its reports name another one (a copied file, a database made from a template).
int empresaInformes(Context& c, ado::Connection& cn, qint16 code) {
    std::shared_ptr<ORBTEmp::Empresa> e;
    try {
        e = ORBTEmp::Empresa::Cargar(cn, code);
    } catch (const AutomationError& x) {
        if (x.number() != ado::errors::NoCurrentRecord)
            throw;
        usage(QStringLiteral("empresa informes: the company ") + QString::number(code) +
              QStringLiteral(" does not exist"));
    }
    const auto valores = db::reportSettings(c.connectionString());
    for (const auto& [clave, valor] : valores)
        e->setValorConfiguracion(clave, valor);
    e->Guardar(cn);
    out() << "empresa " << code << ": informes en " << report::databaseOf(c.connectionString())
          << '\n';
    for (const auto& [clave, valor] : valores)
        out() << "  " << clave << " = "
              << (clave == u"ODBCPassword" && !valor.isEmpty() ? QStringLiteral("***") : valor)
              << '\n';
    return 0;
}

int cmdEmpresa(Context& c) {
    if (c.args.isEmpty())
        usage(QStringLiteral(
            "usage: orbenta empresa guardar CODIGO [options] | informes CODIGO | listar"));
    auto cn = c.connection();
    const QString sub = c.args[0];
    if (sub == u"listar" && c.args.size() == 1) {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT Codigo, Nombre, Cod_Empresa_Articulos, Nivel1, Nivel2, "
                               "Nivel3, Ruta_Aplicacion FROM Empresas ORDER BY Codigo"),
                *cn);
        printRecordset(rs);
        return 0;
    }
    if (sub == u"informes" && c.args.size() == 2)
        return empresaInformes(c, *cn, c.int16Arg(c.args[1], QStringLiteral("CODIGO")));
    if (sub != u"guardar" || c.args.size() != 2)
        usage(QStringLiteral(
            "usage: orbenta empresa guardar CODIGO [options] | informes CODIGO | listar"));
    const qint16 code = c.int16Arg(c.args[1], QStringLiteral("CODIGO"));
    ORBTEmp::Empresa e;
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Codigo FROM Empresas WHERE Codigo = ") + QString::number(code),
            *cn);
    const bool exists = !rs.Eof();
    rs.Close();
    if (exists) {
        e = *ORBTEmp::Empresa::Cargar(*cn, code);
    } else {
        e.setCodEmpresa(code);
        e.setCodEmpresaArticulos(code);
    }
    const QCommandLineParser& p = c.parser;
    if (p.isSet(QStringLiteral("nombre")))
        e.setNombre(p.value(QStringLiteral("nombre")));
    if (p.isSet(QStringLiteral("articulos")))
        e.setCodEmpresaArticulos(
            c.int16Arg(p.value(QStringLiteral("articulos")), QStringLiteral("--articulos")));
    for (int i = 0; i < 3; ++i) {
        const QString opt = QStringLiteral("nivel") + QString::number(i + 1);
        if (p.isSet(opt))
            e.setNombreNivel(i, p.value(opt));
    }
    if (p.isSet(QStringLiteral("ruta")))
        e.setRutaAplicacion(p.value(QStringLiteral("ruta")));
    for (const QString& kv : p.values(QStringLiteral("config"))) {
        const qsizetype eq = kv.indexOf(u'=');
        if (eq <= 0)
            usage(QStringLiteral("--config expects CLAVE=VALOR: ") + kv);
        e.setValorConfiguracion(kv.left(eq), kv.mid(eq + 1));
    }
    e.Guardar(*cn);
    out() << (exists ? "empresa modificada: " : "empresa creada: ") << code << '\n';
    return 0;
}

QString propertyText(const QVariant& v) {
    if (v.userType() == qMetaTypeId<ORBTAgentes::Currency>())
        return v.value<ORBTAgentes::Currency>().toString();
    if (v.typeId() == QMetaType::QDateTime)
        return ORBTAgentes::sqlDateText(v.toDateTime());
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return v.toString();
}

// Every property of a public object, one "Name: value" line each, in interface order.
// A record's properties, one a line; a password shows as *** (the window that sets it
// never shows it either).
void printProperties(ORBTAgentes::AutomationObject& o) {
    for (const ORBTAgentes::MemberInfo& m : o.classInfo().members) {
        if (m.kind != ORBTAgentes::MemberKind::Property)
            continue;
        QString text = propertyText(
            ORBTAgentes::Invoke(o, m.dispatchId, ORBTAgentes::DispatchKind::PropertyGet));
        if (QLatin1String(m.name).endsWith(QLatin1String("Password"), Qt::CaseInsensitive) &&
            !text.isEmpty())
            text = QStringLiteral("***");
        out() << m.name << ": " << text << '\n';
    }
}

int cmdAgente(Context& c) {
    const QString usage_ = QStringLiteral("usage: orbenta agente cargar CODIGO | primero | ultimo "
                                          "| anterior CODIGO | siguiente CODIGO");
    if (c.args.isEmpty())
        usage(usage_);
    const QString op = c.args[0];
    if (op == u"guardar" || op == u"eliminar") {
        if (c.args.size() != 2)
            usage(QStringLiteral(
                "usage: orbenta agente guardar CODIGO [--Propiedad valor ...] | eliminar CODIGO"));
        const qint16 code = c.int16Arg(c.args[1], QStringLiteral("CODIGO"));
        // The agent saved is the one named by CODIGO: --Codigo cannot name another.
        for (const auto& [name, value] : c.properties) {
            bool ok = false;
            if (name == u"Codigo" && (value.trimmed().toInt(&ok) != code || !ok))
                usage(QStringLiteral("agente guardar: el agente es el del argumento CODIGO (") +
                      c.args[1] + QStringLiteral("); --Codigo no puede nombrar otro: ") + value +
                      QStringLiteral("\nusage: orbenta agente guardar CODIGO [--Propiedad valor "
                                     "...]"));
        }
        auto cn = c.connection();
        c.shareWithComponent(cn);
        ORBTAgentes::clsAgente agente;
        agente.Codigo = code;
        if (op == u"eliminar") {
            if (!agentExists(*cn, code))
                usage(QStringLiteral("no eliminado: no existe el agente ") + QString::number(code));
            // The refusal is told here, on the terminal, instead of in a message box.
            ui::setPresenter(std::make_shared<ui::RecordingPresenter>());
            if (!agente.Eliminar())
                throw AutomationError(ado::errors::Integrity, kSource,
                                      QStringLiteral("no eliminado: el agente ") +
                                          QString::number(code) +
                                          QStringLiteral(" tiene datos asociados (ventas "
                                                         "acumuladas)"));
            out() << "eliminado\n";
            return 0;
        }
        if (!agente.Cargar())
            agente.Codigo = code;
        for (const auto& [name, value] : c.properties) {
            const ORBTAgentes::MemberInfo* m = agente.classInfo().member(name);
            if (!m || m->kind != ORBTAgentes::MemberKind::Property)
                usage(QStringLiteral("clsAgente has no property ") + name);
            ORBTAgentes::Invoke(agente, m->dispatchId, ORBTAgentes::DispatchKind::PropertyPut,
                                {value});
        }
        agente.Modificar();
        printProperties(agente);
        return 0;
    }
    const bool needsCode = op == u"cargar" || op == u"anterior" || op == u"siguiente";
    const bool noCode = op == u"primero" || op == u"ultimo";
    if (!(needsCode && c.args.size() == 2) && !(noCode && c.args.size() == 1))
        usage(usage_);
    auto cn = c.connection();
    c.shareWithComponent(cn);
    ORBTAgentes::clsAgente agente;
    if (needsCode)
        agente.Codigo = c.int16Arg(c.args[1], QStringLiteral("CODIGO"));
    bool found = false;
    if (op == u"cargar")
        found = agente.Cargar();
    else if (op == u"anterior")
        found = agente.Cargar_Anterior();
    else if (op == u"siguiente")
        found = agente.Cargar_Siguiente();
    else if (op == u"primero")
        found = agente.Cargar_Primero();
    else
        found = agente.Cargar_Ultimo();
    if (found)
        printProperties(agente);
    else
        out() << "no encontrado\n";
    return 0;
}

// An amount as typed on the command line: a point, or the regional decimal separator.
ORBTAgentes::Currency amountArg(const QCommandLineParser& p, const char* option) {
    const QString name = QLatin1String(option);
    if (!p.isSet(name))
        usage(QStringLiteral("--") + name + QStringLiteral(" is required"));
    try {
        return ORBTAgentes::toCurrency(QVariant(p.value(name)));
    } catch (const AutomationError& e) {
        if (e.number() == 6)
            throw;
        // What is read, in the regional settings of this run: a point, the decimal
        // separator, and group separators only together with it.
        const QLocale regional = utilidades::regional();
        const QString decimal = QStringLiteral("12") + regional.decimalPoint() + u'5';
        const QString grouped = u'1' + regional.groupSeparator() + QStringLiteral("234") +
                                regional.decimalPoint() + u'5';
        usage(QStringLiteral("--") + name + QStringLiteral(" must be an amount such as 12.5") +
              (decimal == u"12.5" ? QString() : QStringLiteral(" or ") + decimal) +
              QStringLiteral(" (group separators only together with the decimal separator, as "
                             "in ") +
              grouped + QStringLiteral("): ") + p.value(name));
    }
}

QDateTime dateArg(const QCommandLineParser& p) {
    const QString v = p.value(QStringLiteral("fecha"));
    static const QRegularExpression iso(
        QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}(T[0-9]{2}:[0-9]{2}:[0-9]{2})?$"));
    if (!iso.match(v).hasMatch())
        usage(QStringLiteral("--fecha must be YYYY-MM-DD or YYYY-MM-DDThh:mm:ss: ") + v);
    return ORBTAgentes::toDate(QVariant(v)); // the suite's date rules, its range included
}

int cmdAcumular(Context& c) {
    const QString usage_ = QStringLiteral("usage: orbenta acumular venta --agente A --fecha F "
                                          "--pvp X --costo Y | comision-venta|comision-cobro "
                                          "--agente A --fecha F --importe X | articulo --almacen W "
                                          "--fecha F --articulo N --agente A --pvp X --costo Y");
    if (c.args.size() != 1)
        usage(usage_);
    const QCommandLineParser& p = c.parser;
    const auto whole = [&](const char* option) {
        if (!p.isSet(QLatin1String(option)))
            usage(QStringLiteral("--") + QLatin1String(option) + QStringLiteral(" is required"));
        return p.value(QLatin1String(option));
    };
    const QString kind = c.args[0];
    if (kind != u"venta" && kind != u"comision-venta" && kind != u"comision-cobro" &&
        kind != u"articulo")
        usage(usage_);
    const qint16 agente = c.int16Arg(whole("agente"), QStringLiteral("--agente"));
    const QDateTime fecha = dateArg(p);
    auto cn = c.connection();
    c.shareWithComponent(cn);
    if (!agentExists(*cn, agente))
        usage(QStringLiteral("acumular: no existe el agente ") + QString::number(agente));
    ORBTAgentes::clsAgente a;
    if (kind == u"venta") {
        a.AcumularVenta(agente, fecha, amountArg(p, "pvp"), amountArg(p, "costo"));
    } else if (kind == u"comision-venta") {
        a.AcumularComisionVenta(agente, fecha, amountArg(p, "importe"));
    } else if (kind == u"comision-cobro") {
        a.AcumularComisionCobro(agente, fecha, amountArg(p, "importe"));
    } else {
        bool ok = false;
        const qint32 articulo = whole("articulo").toInt(&ok);
        if (!ok)
            usage(QStringLiteral("--articulo must be a whole number"));
        a.Acum_Venta_Art(c.int16Arg(whole("almacen"), QStringLiteral("--almacen")), fecha, articulo,
                         agente, amountArg(p, "pvp"), amountArg(p, "costo"));
    }
    out() << "acumulado\n";
    return 0;
}

QString number(double v) {
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

// Whether a query finds a row.
bool found(ado::Connection& cn, const QString& sql) {
    ado::Recordset rs;
    rs.Open(sql, cn);
    return !rs.Eof();
}

// What is wrong with a rule "comision guardar" was asked to store, empty when nothing:
// the level is one of the company's (1 to NumNiveles, NumNiveles + 1 the article level),
// the families given are exactly those of the level and exist in the family tables, an
// article rule names an article of the catalogue and carries that article's families
// (which it takes when none are given), and the agent exists (0: the general rules).
QString reglaSinSentido(ado::Connection& cn, const ORBTEmp::Empresa& empresa,
                        ORBTAgentes::clsComision_Familias& r, int familiasDadas,
                        bool articuloDado) {
    const QString catalogo = QString::number(empresa.CodEmpresaArticulos());
    const int articulo = r.NumNiveles + 1;
    if (r.Nivel < 1 || r.Nivel > articulo)
        return QStringLiteral("--nivel debe ser de 1 a ") + QString::number(articulo) +
               QStringLiteral(" (") + QString::number(articulo) +
               QStringLiteral(": artículo), no ") + QString::number(r.Nivel);
    if (r.Agente != 0 && !agentExists(cn, r.Agente))
        return QStringLiteral("no existe el agente ") + QString::number(r.Agente) +
               QStringLiteral(" (0: reglas generales)");
    const qint16 f[] = {r.Familia_1, r.Familia_2, r.Familia_3};
    const QString camino =
        QString::number(f[0]) + u',' + QString::number(f[1]) + u',' + QString::number(f[2]);
    if (r.Nivel == articulo) {
        if (!articuloDado || r.Articulo == 0)
            return QStringLiteral("el nivel ") + QString::number(articulo) +
                   QStringLiteral(" es el de artículo: falta --articulo");
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT Familia_1, Familia_2, Familia_3 FROM Articulos WHERE "
                               "Cod_Empresa = ") +
                    catalogo + QStringLiteral(" AND Codigo = ") + QString::number(r.Articulo),
                cn);
        if (rs.Eof())
            return QStringLiteral("no existe el artículo ") + QString::number(r.Articulo);
        const qint16 propias[] = {qint16(rs.Fields(0).toInt()), qint16(rs.Fields(1).toInt()),
                                  qint16(rs.Fields(2).toInt())};
        if (familiasDadas == 0) {
            r.Familia_1 = propias[0];
            r.Familia_2 = propias[1];
            r.Familia_3 = propias[2];
        } else if (f[0] != propias[0] || f[1] != propias[1] || f[2] != propias[2]) {
            return QStringLiteral("el artículo ") + QString::number(r.Articulo) +
                   QStringLiteral(" es de las familias ") + QString::number(propias[0]) + u',' +
                   QString::number(propias[1]) + u',' + QString::number(propias[2]) +
                   QStringLiteral(", no ") + camino;
        }
        return {};
    }
    if (articuloDado)
        return QStringLiteral("--articulo solo va con el nivel de artículo (") +
               QString::number(articulo) + u')';
    // A rule of level N names N family codes, none of them 0, and nothing below.
    for (int i = 0; i < 3; ++i)
        if ((i < r.Nivel) != (f[i] != 0))
            return QStringLiteral("el nivel ") + QString::number(r.Nivel) +
                   QStringLiteral(" lleva ") + QString::number(r.Nivel) +
                   (r.Nivel == 1 ? QStringLiteral(" código de familia distinto")
                                 : QStringLiteral(" códigos de familia distintos")) +
                   QStringLiteral(" de 0 en --familias, no ") + camino;
    static const char* const tablas[] = {"Familias_1", "Familias_2", "Familias_3"};
    QString sql = QStringLiteral("SELECT Codigo FROM ") + QLatin1String(tablas[r.Nivel - 1]) +
                  QStringLiteral(" WHERE Cod_Empresa = ") + catalogo;
    for (int i = 0; i + 1 < r.Nivel; ++i)
        sql += QStringLiteral(" AND Familia_") + QString::number(i + 1) + QStringLiteral(" = ") +
               QString::number(f[i]);
    sql += QStringLiteral(" AND Codigo = ") + QString::number(f[r.Nivel - 1]);
    if (!found(cn, sql))
        return QStringLiteral("no existe la familia ") + camino.section(u',', 0, r.Nivel - 1) +
               QStringLiteral(" en la empresa ") + catalogo;
    return {};
}

int cmdComision(Context& c) {
    const QString usage_ = QStringLiteral(
        "usage: orbenta comision activa|exacta|guardar|eliminar --agente A [--nivel N] [--familias "
        "F1,F2,F3] "
        "[--articulo X] [--comision P] [--explain] | nivel CLAVE | reglas --agente A");
    if (c.args.isEmpty())
        usage(usage_);
    const QString op = c.args[0];
    const QCommandLineParser& p = c.parser;
    auto cn = c.connection();
    const std::shared_ptr<ORBTEmp::Empresa> empresa = c.shareWithComponent(cn);
    ORBTAgentes::clsComision_Familias r;
    r.ConexionOrbenta(cn);
    if (empresa)
        r.EmpresaOrbenta(empresa);
    if (op == u"nivel") {
        if (c.args.size() != 2)
            usage(usage_);
        r.Calcula_Nivel(c.args[1]);
        out() << "Nivel: " << r.Nivel << "\nArticulo: " << r.Articulo
              << "\nFamilia_3: " << r.Familia_3 << "\nFamilia_2: " << r.Familia_2
              << "\nFamilia_1: " << r.Familia_1 << '\n';
        return 0;
    }
    if (c.args.size() != 1 || !p.isSet(QStringLiteral("agente")))
        usage(usage_);
    r.Agente = c.int16Arg(p.value(QStringLiteral("agente")), QStringLiteral("--agente"));
    if (op == u"reglas") {
        ado::Recordset rs;
        r.Cargar_Todos(rs);
        printRecordset(rs);
        return 0;
    }
    const qint16 nivel =
        p.isSet(QStringLiteral("nivel"))
            ? c.int16Arg(p.value(QStringLiteral("nivel")), QStringLiteral("--nivel"))
            : qint16(r.NumNiveles + 1);
    if (nivel < 0 || nivel > 255)
        usage(QStringLiteral("--nivel must be from 0 to 255"));
    r.Nivel = quint8(nivel);
    const QString familias = p.value(QStringLiteral("familias"));
    const QStringList fams = familias.trimmed().isEmpty() ? QStringList() : familias.split(u',');
    if (fams.size() > 3)
        usage(QStringLiteral("--familias takes up to three codes"));
    qint16* targets[] = {&r.Familia_1, &r.Familia_2, &r.Familia_3};
    for (int i = 0; i < fams.size(); ++i) {
        if (fams[i].trimmed().isEmpty())
            usage(QStringLiteral("--familias: falta un código en ") + familias);
        *targets[i] = c.int16Arg(fams[i].trimmed(), QStringLiteral("--familias"));
    }
    if (p.isSet(QStringLiteral("articulo"))) {
        bool ok = false;
        r.Articulo = p.value(QStringLiteral("articulo")).toInt(&ok);
        if (!ok)
            usage(QStringLiteral("--articulo must be a whole number"));
    }
    if (op == u"activa") {
        if (!p.isSet(QStringLiteral("explain"))) {
            out() << number(r.Dev_Comision_Activa()) << '\n';
            return 0;
        }
        const auto e = r.Explicar_Comision_Activa();
        for (const auto& paso : e.pasos) {
            out() << "paso " << paso.numero << " (" << paso.reglas << "): ";
            switch (paso.estado) {
            case ORBTAgentes::clsComision_Familias::Paso::Omitido:
                out() << "omitido: " << paso.motivos.join(QStringLiteral(", "));
                break;
            case ORBTAgentes::clsComision_Familias::Paso::SinCoincidencia:
                out() << "sin regla [" << paso.condicion.trimmed() << "]";
                break;
            case ORBTAgentes::clsComision_Familias::Paso::Respondido:
                out() << "responde " << number(paso.valor) << " [" << paso.condicion.trimmed()
                      << "]";
                break;
            case ORBTAgentes::clsComision_Familias::Paso::NoAlcanzado:
                out() << "no alcanzado";
                break;
            }
            out() << '\n';
        }
        out() << number(e.resultado) << '\n';
        return 0;
    }
    if (op == u"exacta") {
        out() << number(r.Dev_Comision()) << '\n';
        return 0;
    }
    if (op == u"eliminar") {
        r.Eliminar();
        out() << "eliminada\n";
        return 0;
    }
    if (op != u"guardar")
        usage(usage_);
    if (!p.isSet(QStringLiteral("comision")))
        usage(QStringLiteral("--comision is required"));
    if (!empresa)
        usage(QStringLiteral("comision guardar: the company does not exist"));
    if (const QString refusal = reglaSinSentido(*cn, *empresa, r, int(fams.size()),
                                                p.isSet(QStringLiteral("articulo")));
        !refusal.isEmpty())
        usage(QStringLiteral("comision guardar: ") + refusal +
              QStringLiteral("; no se ha guardado"));
    // The commission window's own rule: what the window refuses is refused here too.
    if (const QString refusal = ORBTAgentes::validarComision(
            ORBTAgentes::textoComision(p.value(QStringLiteral("comision"))), r.Comision);
        !refusal.isEmpty())
        usage(refusal + QStringLiteral(" (--comision ") + p.value(QStringLiteral("comision")) +
              u')');
    if (r.Dev_Comision() > -1)
        r.Modificar();
    else
        r.Insertar();
    out() << "guardada\n";
    return 0;
}

// Pictures of every window of the component, loaded with demo data, for documentation.
// Without --db the demo data is made afresh in a scratch database, so the pictures are
// the same on every machine and never show (or need) the user's own data.
int cmdCaptura(Context& c) {
    if (c.args.size() != 1)
        usage(QStringLiteral("usage: orbenta captura [--db CONN] DIR"));
    QDir dir(c.args[0]);
    if (!dir.mkpath(QStringLiteral(".")))
        usage(QStringLiteral("cannot create ") + c.args[0]);
    QTemporaryDir scratch;
    std::shared_ptr<ado::Connection> cn;
    if (c.parser.isSet(QStringLiteral("db"))) {
        cn = c.connection();
    } else {
        cn = std::make_shared<ado::Connection>();
        const QString cs =
            QStringLiteral("Driver=SQLite;Database=") + scratch.path() + QStringLiteral("/demo.db");
        ado::Connection::CreateDatabase(cs);
        cn->Open(cs);
        db::createSchema(*cn, false);
        db::loadDemoData(*cn);
    }
    c.shareWithComponent(cn);
    ui::setPresenter(std::make_shared<ui::RecordingPresenter>());
    QStringList written;
    const auto save = [&](QWidget* w, const QString& name) {
        const QString file = dir.filePath(name);
        if (!w->grab().save(file))
            usage(QStringLiteral("cannot write ") + file);
        written << file;
    };
    {
        ORBTAgentes::frmclsCambioFactura cambio;
        cambio.Show(0);
        ORBTAgentes::frmAgentes_CambioFactura* w = cambio.window();
        save(w, QStringLiteral("frmAgentes_CambioFactura-vacia.png"));
        w->CargarFactura(QStringLiteral("1"), QStringLiteral("5"));
        w->findChild<controls::HxAgente*>(QStringLiteral("txtNuevoAgente"))
            ->setTextValue(QStringLiteral("12"));
        save(w, QStringLiteral("frmAgentes_CambioFactura.png"));
    }
    {
        ORBTAgentes::frmclsAgente agentes;
        agentes.Show(0);
        ORBTAgentes::frmAgentes* w = agentes.window();
        save(w, QStringLiteral("frmAgentes-vacia.png"));
        w->CargarCodigo(3);
        save(w, QStringLiteral("frmAgentes.png"));
        ORBTAgentes::frmAgentes_Buscar buscar;
        buscar.Mostrar(0, nullptr);
        save(&buscar, QStringLiteral("frmAgentes_Buscar.png"));
        buscar.close();
        ORBTAgentes::frmCredenciales credenciales;
        credenciales.Mostrar(0, nullptr);
        save(&credenciales, QStringLiteral("frmCredenciales.png"));
        credenciales.close();
    }
    {
        // Agent 4: own rules at several levels, an article rule and a blocked family.
        // Every family folded but the first, whose sub-families show their rules.
        ORBTAgentes::frmclsComision_Familias comisiones;
        comisiones.Show(0);
        ORBTAgentes::frmAgentes_Comision_Familias* w = comisiones.window();
        w->ElegirAgente(4);
        grid::OutlineGrid* g = w->findChild<grid::OutlineGrid*>(QStringLiteral("vsCom"));
        for (int r = 0; r < g->Rows(); ++r)
            if (g->grid()->OutlineLevel(r) == 0)
                g->setCollapsed(r, g->TextMatrix(r, 4) != QLatin1String("1"));
        for (int r = 0; r < g->Rows(); ++r)
            if (g->grid()->OutlineLevel(r) == 1 && g->TextMatrix(r, 4) == QLatin1String("1") &&
                g->TextMatrix(r, 5) == QLatin1String("1")) {
                g->setRow(r);
                break;
            }
        save(w, QStringLiteral("frmAgentes_Comision_Familias.png"));
        // Its report, in the viewer (modeless here, so that it can be drawn).
        ORBTAgentes::clsView visor;
        visor.Report = ORBTAgentes::InformeComisiones::Preparar(
            *g->grid(), 4,
            w->findChild<controls::HxAgente*>(QStringLiteral("txtAgente"))->Nombre());
        visor.Cargar(false, 100);
        ORBTAgentes::frmView* v = ORBTAgentes::frmView::actual();
        v->resize(720, 560);
        // The viewer draws its pages in the background: give it a moment.
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 1500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        save(v, QStringLiteral("frmView.png"));
        v->close();
    }
    cn->Close(); // before the scratch database goes
    for (const QString& f : written)
        out() << f << '\n';
    return 0;
}

// "informe comisiones --agente A --pdf FILE": the commission sheet the commission window
// prints, written as a PDF without any window.
int cmdInforme(Context& c) {
    const QString usage_ =
        QStringLiteral("usage: orbenta informe comisiones --agente A --pdf FILE");
    const QCommandLineParser& p = c.parser;
    if (c.args != QStringList{QStringLiteral("comisiones")} || !p.isSet(QStringLiteral("agente")) ||
        !p.isSet(QStringLiteral("pdf")))
        usage(usage_);
    auto cn = c.connection();
    const std::shared_ptr<ORBTEmp::Empresa> empresa = c.shareWithComponent(cn);
    if (!empresa)
        usage(QStringLiteral("informe: the company does not exist"));
    const qint16 agente = c.int16Arg(p.value(QStringLiteral("agente")), QStringLiteral("--agente"));
    ORBTAgentes::clsAgente a;
    a.Codigo = agente;
    if (agente == 0 || !a.Cargar())
        usage(QStringLiteral("informe: agent ") + QString::number(agente) +
              QStringLiteral(" does not exist"));
    ORBTAgentes::clsComision_Familias regla;
    regla.ConexionOrbenta(cn);
    regla.EmpresaOrbenta(empresa);
    regla.Agente = agente;
    grid::OutlineModel filas(11);
    ado::Recordset rs;
    ORBTAgentes::ArbolComisiones(filas).Construir(
        &regla, &rs, ORBTAgentes::ArbolComisiones::Huerfanas::Conservar);
    // A reader that went away is a write error to report, not a signal that ends us.
    std::signal(SIGPIPE, SIG_IGN);
    // A PDF sent to standard output, or to any pipe or device, must not be followed there
    // by what we say: that goes to standard error. Decided before writing, as a plain
    // file is replaced.
    const QString pdf = p.value(QStringLiteral("pdf"));
    struct stat destino {
    }, salida{};
    const bool aparte = ::stat(QFile::encodeName(pdf).constData(), &destino) == 0 &&
                        (!S_ISREG(destino.st_mode) ||
                         (::fstat(STDOUT_FILENO, &salida) == 0 && destino.st_dev == salida.st_dev &&
                          destino.st_ino == salida.st_ino));
    ORBTAgentes::InformeComisiones::Preparar(filas, agente, a.Nombre, [](const QString& aviso) {
        err() << aviso << Qt::endl;
    })->ExportPdf(pdf);
    (aparte ? err() : out()) << pdf << Qt::endl;
    return 0;
}

const std::map<QString, std::function<int(Context&)>>& commands() {
    static const std::map<QString, std::function<int(Context&)>> m = {
        {QStringLiteral("init"), cmdInit},         {QStringLiteral("sql"), cmdSql},
        {QStringLiteral("empresa"), cmdEmpresa},   {QStringLiteral("agente"), cmdAgente},
        {QStringLiteral("acumular"), cmdAcumular}, {QStringLiteral("comision"), cmdComision},
        {QStringLiteral("captura"), cmdCaptura},   {QStringLiteral("informe"), cmdInforme},
    };
    return m;
}

// "agente guardar CODIGO --Nombre x --Cp 48001": the property options are the class's
// own, so they are taken out before the parser sees the rest.
std::pair<QStringList, QList<QPair<QString, QString>>> agentProperties(const QStringList& args) {
    const qsizetype cmd = args.indexOf(QStringLiteral("agente"));
    if (cmd < 0 || args.indexOf(QStringLiteral("guardar"), cmd) < 0)
        return {args, {}};
    QStringList rest;
    QList<QPair<QString, QString>> props;
    const ORBTAgentes::ClassInfo& info = ORBTAgentes::classInfo("clsAgente");
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const ORBTAgentes::MemberInfo* m =
            a.startsWith(QStringLiteral("--")) ? info.member(a.mid(2)) : nullptr;
        if (m && m->kind == ORBTAgentes::MemberKind::Property && i + 1 < args.size()) {
            props.append({QLatin1String(m->name), args[++i]});
        } else {
            rest << a;
        }
    }
    return {rest, props};
}

// "-5" is an agent code, not an option: the arguments are reordered so that every
// positional argument comes after "--", where the parser takes it as it is.
QStringList withNegativeNumbersAsArguments(const QList<QCommandLineOption>& known,
                                           const QStringList& args) {
    static const QRegularExpression negative(QStringLiteral("^-[0-9]+([.][0-9]+)?$"));
    QStringList valued;
    for (const QCommandLineOption& o : known)
        if (!o.valueName().isEmpty())
            valued << o.names();
    QStringList options{args.value(0)}, positional;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--") {
            positional << args.mid(i + 1);
            break;
        }
        if (a.startsWith(u'-') && !negative.match(a).hasMatch()) {
            options << a;
            const QString name = a.mid(a.startsWith(QStringLiteral("--")) ? 2 : 1);
            if (valued.contains(name)) {
                if (i + 1 >= args.size())
                    return args; // the parser says which value is missing
                options << args[++i];
            }
        } else {
            positional << a;
        }
    }
    return options + QStringList{QStringLiteral("--")} + positional;
}

} // namespace

namespace {
// Only named here: nothing is created until init asks for it.
QString defaultDatabaseFile() {
    // Without a home folder the location would be the root's ("/.local/share"), a place
    // no one chose: the user is told to name the database instead.
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (qEnvironmentVariableIsEmpty("HOME") && !QDir::isAbsolutePath(dataHome))
        throw AutomationError(75, kSource, // 75: "Path/File access error"
                              QStringLiteral("no hay base de datos por omisión: HOME no tiene "
                                             "valor; indique la base de datos con ORBENTA_DB o "
                                             "--db"));
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    return dir + QStringLiteral("/orbenta/orbenta.db");
}
} // namespace

QString defaultConnectionString() {
    const QString env = qEnvironmentVariable("ORBENTA_DB");
    if (!env.isEmpty())
        return env;
    return QStringLiteral("Driver=SQLite;Database=") + defaultDatabaseFile();
}

bool isCommand(const QStringList& arguments) {
    // The main window takes only --db CONN and --empresa N; anything else, a missing value
    // or a company that is no code included, is for the tool, which reports what it does
    // not understand: a window opens only when asked for properly.
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if ((a != u"--db" && a != u"--empresa") || i + 1 >= arguments.size() ||
            arguments[i + 1].startsWith(QStringLiteral("--")))
            return true;
        bool ok = false;
        const int code = arguments[++i].toInt(&ok);
        if (a == u"--empresa" && (!ok || code < -32768 || code > 32767))
            return true;
    }
    return false;
}

int runCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Orbenta sales agents: demo host and tool.\n\n"
        "Commands:\n"
        "  init [--demo] [--force]      create the schema (and the demo data)\n"
        "  sql \"STATEMENT\"              run one T-SQL statement\n"
        "  empresa guardar CODIGO [...]  create or change a company\n"
        "  empresa informes CODIGO       point the company's reports at this database\n"
        "  empresa listar                list the companies\n"
        "  agente cargar CODIGO | primero | ultimo | anterior CODIGO | siguiente CODIGO\n"
        "                                load an agent and print its properties\n"
        "  agente guardar CODIGO [--Propiedad valor ...]   save an agent (Modificar)\n"
        "  agente eliminar CODIGO        delete an agent without accumulated sales\n"
        "  acumular venta|comision-venta|comision-cobro|articulo [...]\n"
        "                                add to the day totals (amounts: 12.5 always, or\n"
        "                                regional, such as 12,5; groups only with decimals,\n"
        "                                such as 1.234,5)\n"
        "  comision activa|exacta|guardar|eliminar --agente A [--nivel N] [--familias F1,F2,F3]\n"
        "           [--articulo X] [--comision P] [--explain]   commission rules\n"
        "  comision nivel CLAVE | reglas --agente A\n"
        "  captura [--db CONN] DIR       pictures of the component's windows (PNG)\n"
        "  informe comisiones --agente A --pdf FILE   the commission sheet as a PDF\n"
        "Without a command the main window opens."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QList<QCommandLineOption> options{
        {QStringLiteral("db"),
         QStringLiteral("Connection string (default: the embedded database)."),
         QStringLiteral("CONN")},
        {QStringLiteral("empresa"),
         QStringLiteral("The company the component works for (default 1)."), QStringLiteral("N")},
        {QStringLiteral("demo"), QStringLiteral("init: load the demo data.")},
        {QStringLiteral("agente"), QStringLiteral("acumular: agent code."), QStringLiteral("A")},
        {QStringLiteral("fecha"), QStringLiteral("acumular: YYYY-MM-DD[Thh:mm:ss]."),
         QStringLiteral("F")},
        {QStringLiteral("pvp"), QStringLiteral("acumular: sale amount."), QStringLiteral("X")},
        {QStringLiteral("costo"), QStringLiteral("acumular: cost amount."), QStringLiteral("Y")},
        {QStringLiteral("importe"), QStringLiteral("acumular: commission amount."),
         QStringLiteral("X")},
        {QStringLiteral("almacen"), QStringLiteral("acumular: warehouse code."),
         QStringLiteral("W")},
        {QStringLiteral("nivel"), QStringLiteral("comision: level (default: the article level)."),
         QStringLiteral("N")},
        {QStringLiteral("familias"), QStringLiteral("comision: family codes F1,F2,F3."),
         QStringLiteral("F")},
        {QStringLiteral("comision"), QStringLiteral("comision: percentage."), QStringLiteral("P")},
        {QStringLiteral("explain"),
         QStringLiteral("comision activa: show every step of the search.")},
        {QStringLiteral("articulo"), QStringLiteral("acumular: article code."),
         QStringLiteral("N")},
        {QStringLiteral("force"), QStringLiteral("init: replace the component's tables.")},
        {QStringLiteral("nombre"), QStringLiteral("empresa: company name."),
         QStringLiteral("TEXTO")},
        {QStringLiteral("articulos"), QStringLiteral("empresa: article catalogue company code."),
         QStringLiteral("M")},
        {QStringLiteral("nivel1"), QStringLiteral("empresa: caption of family level 1."),
         QStringLiteral("TEXTO")},
        {QStringLiteral("nivel2"), QStringLiteral("empresa: caption of family level 2."),
         QStringLiteral("TEXTO")},
        {QStringLiteral("nivel3"), QStringLiteral("empresa: caption of family level 3."),
         QStringLiteral("TEXTO")},
        {QStringLiteral("ruta"), QStringLiteral("empresa: application folder."),
         QStringLiteral("DIR")},
        {QStringLiteral("config"), QStringLiteral("empresa: configuration value (repeatable)."),
         QStringLiteral("CLAVE=VALOR")},
        {QStringLiteral("pdf"), QStringLiteral("informe: the PDF file to write."),
         QStringLiteral("FILE")},
    };
    parser.addOptions(options);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command to run."));
    try {
        const auto [rest, properties] = agentProperties(arguments);
        if (!parser.parse(withNegativeNumbersAsArguments(options, rest)))
            badCommandLine(parser.errorText());
        if (parser.isSet(QStringLiteral("help"))) {
            out() << parser.helpText();
            return 0;
        }
        if (parser.isSet(QStringLiteral("version"))) {
            out() << "orbenta " << QCoreApplication::applicationVersion() << '\n';
            return 0;
        }
        QStringList pos = parser.positionalArguments();
        const auto it = pos.isEmpty() ? commands().end() : commands().find(pos.first());
        if (parser.isSet(QStringLiteral("empresa"))) {
            bool ok = false;
            const int code = parser.value(QStringLiteral("empresa")).toInt(&ok);
            if (!ok || code < -32768 || code > 32767)
                badCommandLine(QStringLiteral("--empresa must be a whole number from -32768 to "
                                              "32767: ") +
                               parser.value(QStringLiteral("empresa")));
        }
        if (it == commands().end())
            badCommandLine(pos.isEmpty() ? QStringLiteral("no command")
                                         : QStringLiteral("unknown command: ") + pos.first());
        pos.removeFirst();
        Context c{parser, pos, properties};
        const int rc = it->second(c);
        out().flush();
        return rc;
    } catch (const AutomationError& e) {
        out().flush();
        err() << "error " << e.number() << " (" << e.source() << "): " << e.description() << '\n';
        err().flush();
        return 1;
    }
}

} // namespace orbenta::host
