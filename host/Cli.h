#pragma once

#include <QStringList>

namespace orbenta::host {

/// Whether the command line asks for one of the tool's commands (otherwise the
/// program starts its main window).
bool isCommand(const QStringList& arguments);

/// Runs one command of the tool; answers the process exit code. Failures are printed
/// as "error NUMBER (SOURCE): DESCRIPTION" on standard error.
int runCommand(const QStringList& arguments);

/// The connection string of the embedded database: ORBENTA_DB when set, otherwise a
/// SQLite file in the user's data folder. Without a home folder (HOME unset) there is
/// none: error 75 says to name the database with ORBENTA_DB or --db.
QString defaultConnectionString();

} // namespace orbenta::host
