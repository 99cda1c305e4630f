#pragma once

// The parts of a connection string the data layer reads, and the passwords in it, which
// no message shows. Private to the data layer.
#include "SqlDialect.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <initializer_list>

namespace ado {

struct ConnectionSettings {
    Dialect dialect = Dialect::SQLite;
    bool odbc = false; // through the ODBC driver manager, whatever the dialect
    QString qtDriver;
    QHash<QString, QString> keys; // lower-case keys
    QString odbcRest;             // what the ODBC driver manager gets
    /// "Pooler=transaction" (PostgreSQL): the server is reached through a pooler that
    /// hands each transaction to any of its server sessions, so that nothing may outlive
    /// a transaction there: no statement prepared on the server, no session setting, no
    /// session lock. "Pooler=session" (or no key) is a session of the client's own.
    bool transactionPooler = false;

    /// The value of the first of `names` the string holds; empty when none.
    QString key(std::initializer_list<const char*> names) const;
};

/// Reads `Driver=...;key=value;...`; a driver or dialect the layer does not know is
/// refused (errors::ProviderNotFound, raised with `source`).
ConnectionSettings parseConnectionString(const QString& cs, const QString& source);

/// The passwords of a connection string as written, with and without their braces.
QStringList connectionPasswords(const QString& connectionString);

/// A driver's message about a connection string, which may quote the string (the ODBC
/// driver manager does when it cannot parse it), with the password left out.
QString withoutPasswords(QString text, const QString& connectionString);

} // namespace ado
