#pragma once

// The command-line tool: one parser and the context every command shares (this header,
// Cli.cpp), and one file per command group. The data commands link no widgets; the
// window commands (captura, informe) and the main window are in the orbenta-ventanas
// program, which orbenta runs for them.
#include <QCommandLineParser>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <map>
#include <memory>

namespace ado {
class Connection;
class Recordset;
} // namespace ado
namespace ORBTEmp {
class Empresa;
}

namespace orbenta::host {

/// Whether the command line asks for one of the tool's commands (otherwise the
/// program starts its main window).
bool isCommand(const QStringList& arguments);

/// A connection string as given, or for a bare path (no "="), one for the SQLite file
/// it names: "--db ~/empresa.db" means what a user would expect.
QString connectionStringOf(const QString& given);
/// The connection string of the embedded database: ORBENTA_DB when set, otherwise a
/// SQLite file in the user's data folder. Without a home folder (HOME unset) there is
/// none: error 75 says to name the database with ORBENTA_DB or --db.
QString defaultConnectionString();
/// The embedded database's file (only named: nothing is created until init asks).
QString defaultDatabaseFile();
/// Creates the folder of the default database file (error 75 when it cannot).
void createDefaultFolder();
/// Creates a new database with the schema and the demo data (what `init --demo` does on a
/// database that does not exist yet).
void createDemoDatabase(const QString& connectionString);
/// The main window's first start: when no database is named (no --db, no ORBENTA_DB) and
/// the default file does not exist yet, `ask` is asked with the file's path whether to
/// create it with the demo data; yes creates it. False when the user said no (nothing is
/// created); true otherwise, the database then being there or named by the user.
bool offerDemoDatabase(bool named, const std::function<bool(const QString& file)>& ask);

/// What one command finds: the parsed command line and the connection it names.
struct Context {
    QCommandLineParser& parser;
    QStringList args;                          // positional arguments after the command name
    QList<QPair<QString, QString>> properties; // agente guardar: --Propiedad valor, in order

    /// Hands the component the connection and the company (--empresa, else company 1
    /// when the database has it), as a host program does; answers the company. A command
    /// that works for a company (`needed`) fails with "No existe la empresa N." when the
    /// database has not got it.
    std::shared_ptr<ORBTEmp::Empresa> shareWithComponent(const std::shared_ptr<ado::Connection>& cn,
                                                         bool needed = false);
    QString connectionString() const;
    std::shared_ptr<ado::Connection> connection();
    qint16 int16Arg(const QString& text, const QString& what) const;
};

using Command = std::function<int(Context&)>;
using Commands = std::map<QString, Command>;

/// Runs one command of the tool from `commands`; answers the process exit code.
/// Failures are printed as "error NUMBER (SOURCE): DESCRIPTION" on standard error.
int runCommand(const QStringList& arguments, const Commands& commands);

/// The commands that open no window: init, sql, empresa, agente, acumular, comision,
/// resumen.
Commands dataCommands();
/// The window commands, in orbenta-ventanas.
int cmdCaptura(Context& c);
int cmdInforme(Context& c);

// What the command groups share.
extern const QString kSource;
QTextStream& out();
QTextStream& err();
/// A bad argument: error 5 ("Invalid procedure call or argument") with `text`.
[[noreturn]] void usage(const QString& text);
/// Prints a recordset: a header line, then one line a row, tab-separated.
void printRecordset(ado::Recordset& rs);
/// Whether an agent of that code is on the file (read directly: an agent whose row the
/// component cannot load still exists).
bool agentExists(ado::Connection& cn, qint16 code);

int cmdInit(Context& c);
int cmdSql(Context& c);
int cmdEmpresa(Context& c);
int cmdAgente(Context& c);
int cmdAcumular(Context& c);
int cmdComision(Context& c);
int cmdResumen(Context& c);

} // namespace orbenta::host
