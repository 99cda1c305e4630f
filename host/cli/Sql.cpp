// "init" and "sql": the database itself.
#include "Cli.h"

#include <Database.h>
#include <OrbentaSuiteData.h>
#include <QFileInfo>
#include <filesystem>

namespace orbenta::host {

using automation::AutomationError;

void createDefaultFolder() {
    const QString folder = QFileInfo(defaultDatabaseFile()).absolutePath();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(folder.toStdString()), ec);
    if (ec)
        throw AutomationError(75, kSource, // 75: "Path/File access error"
                              QStringLiteral("no se puede crear la carpeta ") + folder +
                                  QStringLiteral(": ") +
                                  (ec == std::errc::permission_denied
                                       ? QStringLiteral("permiso denegado")
                                       : QString::fromLocal8Bit(ec.message().c_str())));
}

void createDemoDatabase(const QString& connectionString) {
    ado::Connection::CreateDatabase(connectionString);
    ado::Connection cn;
    cn.Open(connectionString);
    db::createSchema(cn, false);
    db::loadDemoData(cn);
}

bool offerDemoDatabase(bool named, const std::function<bool(const QString& file)>& ask) {
    if (named || !qEnvironmentVariableIsEmpty("ORBENTA_DB"))
        return true;
    const QString file = defaultDatabaseFile();
    if (QFileInfo::exists(file))
        return true;
    if (!ask(file))
        return false;
    createDefaultFolder();
    createDemoDatabase(defaultConnectionString());
    return true;
}

int cmdInit(Context& c) {
    // The one command that creates a database when the connection string names none yet,
    // and the folder of the default one.
    if (!c.parser.isSet(QStringLiteral("db")) && qEnvironmentVariableIsEmpty("ORBENTA_DB"))
        createDefaultFolder();
    ado::Connection::CreateDatabase(c.connectionString());
    auto cn = c.connection();
    if (db::hasTables(*cn) && !c.parser.isSet(QStringLiteral("force")))
        usage(QStringLiteral("la base de datos ya tiene tablas; use --force para sustituir "
                             "las del componente"));
    db::createSchema(*cn, c.parser.isSet(QStringLiteral("force")));
    if (c.parser.isSet(QStringLiteral("demo")))
        db::loadDemoData(*cn);
    out() << "base de datos lista: " << ado::displayConnectionString(cn->ConnectionString())
          << '\n';
    return 0;
}

int cmdSql(Context& c) {
    if (c.args.size() != 1)
        usage(QStringLiteral("uso: orbenta sql [--db CONN] \"SENTENCIA\""));
    auto cn = c.connection();
    qint32 affected = 0;
    auto rs = cn->Execute(c.args[0], &affected);
    if (rs->State() == ado::adStateOpen)
        printRecordset(*rs);
    else
        out() << "filas afectadas: " << affected << '\n';
    return 0;
}

} // namespace orbenta::host
