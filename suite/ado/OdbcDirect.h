#pragma once

#include <QString>

class QSqlQuery;

namespace ado::odbc {

/// The SQLSTATE of the last failure of a query run through the ODBC driver manager
/// ("23505", "08S01"), read from the statement's own diagnostics: the Qt driver reports
/// only the driver's native number, which says nothing portable. Must be asked before
/// the query is reset or used again; empty when the query is not an ODBC statement or
/// has no diagnostics.
QString sqlState(const QSqlQuery& query);

} // namespace ado::odbc
