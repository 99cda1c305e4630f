#include "Cli.h"

#include <ORBTAgentesData.h>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>

namespace orbenta::host {

using automation::AutomationError;

const QString kSource = QStringLiteral("orbenta");

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

namespace {

// A command line the tool cannot make sense of: what is wrong, and how it is written.
[[noreturn]] void badCommandLine(const QString& text) {
    usage(text + QStringLiteral("\nuso: orbenta [--db CONN] [--empresa N] ORDEN "
                                "[ARGUMENTOS...]; orbenta --help lista las órdenes"));
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

} // namespace

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

bool agentExists(ado::Connection& cn, qint16 code) {
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Codigo FROM Agentes WHERE Codigo = ") + QString::number(code),
            cn);
    return !rs.Eof();
}

std::shared_ptr<ORBTEmp::Empresa>
Context::shareWithComponent(const std::shared_ptr<ado::Connection>& cn, bool needed) {
    std::shared_ptr<ORBTEmp::Empresa> empresa;
    const bool asked = parser.isSet(QStringLiteral("empresa"));
    const qint16 code =
        asked ? int16Arg(parser.value(QStringLiteral("empresa")), QStringLiteral("--empresa")) : 1;
    try {
        empresa = ORBTEmp::Empresa::Cargar(*cn, code);
    } catch (const AutomationError& e) {
        // Only a default company that is not there is passed over, for the commands
        // that need none; a lost connection or a missing table is reported.
        if (asked || needed || e.number() != ado::errors::NoCurrentRecord)
            throw;
    }
    ORBTAgentes::clsAgente any;
    if (empresa)
        any.EmpresaOrbenta(empresa);
    any.ConexionOrbenta(cn);
    return empresa;
}

QString Context::connectionString() const {
    return parser.isSet(QStringLiteral("db"))
               ? connectionStringOf(parser.value(QStringLiteral("db")))
               : defaultConnectionString();
}

std::shared_ptr<ado::Connection> Context::connection() {
    auto cn = std::make_shared<ado::Connection>();
    cn->Open(connectionString());
    return cn;
}

qint16 Context::int16Arg(const QString& text, const QString& what) const {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < -32768 || v > 32767)
        usage(what + QStringLiteral(" debe ser un número entero de -32768 a 32767: ") + text);
    return qint16(v);
}

namespace {

// "agente guardar CODIGO --Nombre x --Cp 48001": the property options are the class's
// own, so they are taken out before the parser sees the rest.
std::pair<QStringList, QList<QPair<QString, QString>>> agentProperties(const QStringList& args) {
    const qsizetype cmd = args.indexOf(QStringLiteral("agente"));
    if (cmd < 0 || args.indexOf(QStringLiteral("guardar"), cmd) < 0)
        return {args, {}};
    QStringList rest;
    QList<QPair<QString, QString>> props;
    const ORBTAgentes::ClassInfo& info = ORBTAgentes::clsAgente::interfaceInfo();
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const ORBTAgentes::MemberInfo* m =
            a.startsWith(QStringLiteral("--")) ? info.member(a.mid(2)) : nullptr;
        if (m && m->kind == ORBTAgentes::MemberKind::Property) {
            if (i + 1 >= args.size())
                badCommandLine(QStringLiteral("Falta valor tras «") + a + QStringLiteral("»."));
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

QString connectionStringOf(const QString& given) {
    return given.contains(u'=') || given.trimmed().isEmpty()
               ? given
               : QStringLiteral("Driver=SQLite;Database=") + given;
}

QString defaultConnectionString() {
    const QString env = qEnvironmentVariable("ORBENTA_DB");
    if (!env.isEmpty())
        return connectionStringOf(env);
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

int runCommand(const QStringList& arguments, const Commands& commands) {
    QCommandLineParser parser;
    utilidades::instalarTraduccionQt(); // the parser's own messages in Spanish too
    parser.setApplicationDescription(QStringLiteral(
        "Agentes de Orbenta: programa de demostración y herramienta.\n\n"
        "Órdenes:\n"
        "  init [--demo] [--force]      crea las tablas (y los datos de demostración)\n"
        "  sql \"SENTENCIA\"              ejecuta una sentencia T-SQL\n"
        "  empresa guardar CODIGO [...]  crea o cambia una empresa\n"
        "  empresa informes CODIGO       apunta los informes de la empresa a esta base de datos\n"
        "  empresa listar                lista las empresas\n"
        "  agente cargar CODIGO | primero | ultimo | anterior CODIGO | siguiente CODIGO\n"
        "                                carga un agente y muestra sus propiedades\n"
        "  agente guardar CODIGO [--Propiedad valor ...]   guarda un agente (Modificar)\n"
        "  agente eliminar CODIGO        elimina un agente sin ventas acumuladas\n"
        "  acumular venta|comision-venta|comision-cobro|articulo [...]\n"
        "                                suma a los totales del día (importes: 12.5 siempre,\n"
        "                                o con la coma regional, como 12,5; miles solo con\n"
        "                                decimales, como 1.234,5)\n"
        "  comision activa|exacta|guardar|eliminar --agente A [--nivel N] [--familias F1,F2,F3]\n"
        "           [--articulo X] [--comision P] [--explain]   reglas de comisión\n"
        "  comision nivel CLAVE | reglas --agente A\n"
        "  resumen [--agente A] --desde AAAA-MM-DD --hasta AAAA-MM-DD [--csv]\n"
        "                                las cifras de los agentes por mes\n"
        "  captura [--db CONN] DIR       imágenes de las ventanas del componente (PNG)\n"
        "  informe comisiones --agente A --pdf FICHERO   la hoja de comisiones en PDF\n"
        "  informe liquidacion [--agente A] --desde AAAA-MM-DD --hasta AAAA-MM-DD --pdf FICHERO\n"
        "                                la liquidación de agentes en PDF\n"
        "Sin orden se abre la ventana principal."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QList<QCommandLineOption> options{
        {QStringLiteral("db"),
         QStringLiteral("Cadena de conexión o fichero SQLite (por omisión, la base de datos "
                        "integrada)."),
         QStringLiteral("CONN")},
        {QStringLiteral("empresa"),
         QStringLiteral("La empresa para la que trabaja el componente (por omisión, 1)."),
         QStringLiteral("N")},
        {QStringLiteral("demo"), QStringLiteral("init: carga los datos de demostración.")},
        {QStringLiteral("agente"),
         QStringLiteral("acumular, comision, resumen, informe: código "
                        "del agente."),
         QStringLiteral("A")},
        {QStringLiteral("fecha"), QStringLiteral("acumular: AAAA-MM-DD[Thh:mm:ss]."),
         QStringLiteral("F")},
        {QStringLiteral("pvp"), QStringLiteral("acumular: importe de la venta."),
         QStringLiteral("X")},
        {QStringLiteral("costo"), QStringLiteral("acumular: importe del costo."),
         QStringLiteral("Y")},
        {QStringLiteral("importe"), QStringLiteral("acumular: importe de la comisión."),
         QStringLiteral("X")},
        {QStringLiteral("almacen"), QStringLiteral("acumular: código del almacén."),
         QStringLiteral("W")},
        {QStringLiteral("nivel"),
         QStringLiteral("comision: nivel (por omisión, el de los artículos)."),
         QStringLiteral("N")},
        {QStringLiteral("familias"), QStringLiteral("comision: códigos de familia F1,F2,F3."),
         QStringLiteral("F")},
        {QStringLiteral("comision"), QStringLiteral("comision: porcentaje."), QStringLiteral("P")},
        {QStringLiteral("explain"),
         QStringLiteral("comision activa: muestra cada paso de la búsqueda.")},
        {QStringLiteral("articulo"), QStringLiteral("acumular, comision: código del artículo."),
         QStringLiteral("N")},
        {QStringLiteral("force"), QStringLiteral("init: sustituye las tablas del componente.")},
        {QStringLiteral("nombre"), QStringLiteral("empresa: nombre de la empresa."),
         QStringLiteral("TEXTO")},
        {QStringLiteral("articulos"), QStringLiteral("empresa: empresa del catálogo de artículos."),
         QStringLiteral("M")},
        {QStringLiteral("nivel1"), QStringLiteral("empresa: título del nivel de familia 1."),
         QStringLiteral("TEXTO")},
        {QStringLiteral("nivel2"), QStringLiteral("empresa: título del nivel de familia 2."),
         QStringLiteral("TEXTO")},
        {QStringLiteral("nivel3"), QStringLiteral("empresa: título del nivel de familia 3."),
         QStringLiteral("TEXTO")},
        {QStringLiteral("ruta"), QStringLiteral("empresa: carpeta de la aplicación."),
         QStringLiteral("DIR")},
        {QStringLiteral("config"),
         QStringLiteral("empresa: valor de configuración (se puede repetir)."),
         QStringLiteral("CLAVE=VALOR")},
        {QStringLiteral("pdf"), QStringLiteral("informe: el fichero PDF que se escribe."),
         QStringLiteral("FICHERO")},
        {QStringLiteral("desde"),
         QStringLiteral("resumen, informe liquidacion: primer día, AAAA-MM-DD."),
         QStringLiteral("D")},
        {QStringLiteral("hasta"),
         QStringLiteral("resumen, informe liquidacion: último día, AAAA-MM-DD."),
         QStringLiteral("D")},
        {QStringLiteral("csv"), QStringLiteral("resumen: CSV para una hoja de cálculo.")},
    };
    parser.addOptions(options);
    parser.addPositionalArgument(QStringLiteral("orden"),
                                 QStringLiteral("La orden que se ejecuta."));
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
        const auto it = pos.isEmpty() ? commands.end() : commands.find(pos.first());
        if (parser.isSet(QStringLiteral("empresa"))) {
            bool ok = false;
            const int code = parser.value(QStringLiteral("empresa")).toInt(&ok);
            if (!ok || code < -32768 || code > 32767)
                badCommandLine(QStringLiteral("--empresa debe ser un número entero de -32768 a "
                                              "32767: ") +
                               parser.value(QStringLiteral("empresa")));
        }
        if (it == commands.end())
            badCommandLine(pos.isEmpty() ? QStringLiteral("falta la orden")
                                         : QStringLiteral("orden desconocida: ") + pos.first());
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

Commands dataCommands() {
    return {
        {QStringLiteral("init"), cmdInit},         {QStringLiteral("sql"), cmdSql},
        {QStringLiteral("empresa"), cmdEmpresa},   {QStringLiteral("agente"), cmdAgente},
        {QStringLiteral("acumular"), cmdAcumular}, {QStringLiteral("comision"), cmdComision},
        {QStringLiteral("resumen"), cmdResumen},
    };
}

} // namespace orbenta::host
