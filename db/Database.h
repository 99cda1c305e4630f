#pragma once

#include "ado/Connection.h"

#include <QStringList>

namespace orbenta::db {

/// The tables of the database, in the order they are created.
QStringList tableNames();

/// The statements that create every table and index on the connection's engine.
QStringList schemaStatements(ado::Dialect dialect);

/// Whether the database holds any table at all (of ours or of anybody else).
bool hasTables(ado::Connection& cn);

/// Creates the schema in one transaction. With `replace`, tables of ours that exist
/// are dropped first (their rows are lost); tables that are not ours are never touched.
void createSchema(ado::Connection& cn, bool replace);

/// Fills an empty schema with the demo data set, in one transaction.
void loadDemoData(ado::Connection& cn);
/// The suite's application folder, the one that holds "Rpt" with the report files:
/// beside the installed program, or in the source tree of this build.
QString applicationFolder();
/// The report settings of a company as the demo companies have them: the application
/// folder above, and the four logon values that make the report engine reach the
/// database of `connectionString`.
QList<QPair<QString, QString>> reportSettings(const QString& connectionString);

/// The text of a date the way the component writes dates into statements.
QString sqlDate(int year, int month, int day);

} // namespace orbenta::db
