#include "OdbcDirect.h"

#include <QSqlQuery>
#include <QSqlResult>
#include <sql.h>

namespace ado::odbc {

QString sqlState(const QSqlQuery& query) {
    const QSqlResult* result = query.result();
    if (!result)
        return {};
    // The ODBC driver's result hands out its statement handle as a pointer value.
    const QVariant handle = result->handle();
    if (handle.metaType() != QMetaType::fromType<SQLHANDLE>() || !handle.constData())
        return {};
    SQLHANDLE statement = *static_cast<const SQLHANDLE*>(handle.constData());
    if (!statement)
        return {};
    SQLCHAR state[6] = {}; // five characters and the terminator
    SQLINTEGER native = 0;
    SQLCHAR message[1];
    SQLSMALLINT length = 0;
    const SQLRETURN r =
        SQLGetDiagRec(SQL_HANDLE_STMT, statement, 1, state, &native, message, 0, &length);
    if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO)
        return {};
    return QString::fromLatin1(reinterpret_cast<const char*>(state), 5);
}

} // namespace ado::odbc
