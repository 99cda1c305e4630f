#pragma once

#include <QString>

// What a company's configuration tells the report engine to log on with. It is data (the
// company keeps it, the demo data and the tool set it), so it lives beside the company
// object, away from the engine that draws.
namespace report {

/// The four logon values (the suite's ODBCNombre, ODBCBaseDatos, ODBCUsuario and
/// ODBCPassword) that make the engine reach the database of a connection string:
/// SQLite: "SQLite" and the file's absolute path; PostgreSQL and ODBC: the connection
/// string without its database, user and password, then those three.
struct Logon {
    QString nombre, baseDatos, usuario, password;
};
Logon logonFor(const QString& connectionString);

/// The database a connection string reaches, as a text fit to show a user (it never
/// holds a user or a password); two connection strings reach the same database exactly
/// when their texts are equal. Only what names the place counts:
/// - SQLite: the file's canonical absolute path (links and "..", resolved without
///   opening the file), so a copied or restored file is another database;
/// - PostgreSQL: server (case-insensitive), port (5432 when not given), database and,
///   when given, schema: a database made from a template has its own name. An ODBC
///   string with "Dialect=PostgreSQL" and no data source reaches PostgreSQL through the
///   driver it names, and is compared the same way;
/// - ODBC: the data source, driver, server, port, database and schema keys as given
///   (the driver manager resolves a data source; its name is what both sides share).
/// Empty when the text names no database (a company whose logon values were never set).
QString databaseOf(const QString& connectionString);

} // namespace report
