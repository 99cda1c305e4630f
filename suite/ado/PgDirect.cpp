#include "PgDirect.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QVarLengthArray>
#include <charconv>
#include <libpq-fe.h>
#include <type_traits>

namespace ado::pg {

namespace {

// Type identifiers of the built-in types (pg_type.oid).
enum : Oid {
    BOOLOID = 16,
    INT8OID = 20,
    INT2OID = 21,
    INT4OID = 23,
    OIDOID = 26,
    FLOAT4OID = 700,
    FLOAT8OID = 701,
    DATEOID = 1082,
    TIMEOID = 1083,
    TIMESTAMPOID = 1114,
    TIMESTAMPTZOID = 1184,
    NUMERICOID = 1700
};

QMetaType metaTypeOf(Oid type) {
    switch (type) {
    case BOOLOID:
        return QMetaType::fromType<bool>();
    case INT8OID:
        return QMetaType::fromType<qlonglong>();
    case INT2OID:
    case INT4OID:
        return QMetaType::fromType<int>();
    case OIDOID:
        return QMetaType::fromType<uint>();
    case FLOAT4OID:
    case FLOAT8OID:
        return QMetaType::fromType<double>();
    case DATEOID:
        return QMetaType::fromType<QDate>();
    case TIMEOID:
        return QMetaType::fromType<QTime>();
    case TIMESTAMPOID:
    case TIMESTAMPTZOID:
        return QMetaType::fromType<QDateTime>();
    default:
        return QMetaType::fromType<QString>(); // text, varchar, numeric (exact) and the rest
    }
}

// A number as the server writes it (whole numbers in decimal, floating point numbers in
// their shortest exact form, "NaN" and "Infinity" as they are): read without a locale.
template <typename T> T numberOf(const char* v, int len) {
    T n{};
    const auto [end, error] = std::from_chars(v, v + len, n);
    if (error == std::errc() && end == v + len)
        return n;
    if constexpr (std::is_floating_point_v<T>)
        return T(QString::fromLatin1(v, len).toDouble());
    else
        return T(QByteArray::fromRawData(v, len).toLongLong());
}

QVariant valueOf(const PGresult* res, int row, int col, Oid type) {
    if (PQgetisnull(res, row, col))
        return QVariant(metaTypeOf(type));
    const char* v = PQgetvalue(res, row, col);
    const int len = PQgetlength(res, row, col);
    switch (type) {
    case BOOLOID:
        return QVariant(v[0] == 't');
    case INT8OID:
        return QVariant(numberOf<qlonglong>(v, len));
    case INT2OID:
    case INT4OID:
        return QVariant(numberOf<int>(v, len));
    case OIDOID:
        return QVariant(numberOf<uint>(v, len));
    case FLOAT4OID:
    case FLOAT8OID:
        return QVariant(numberOf<double>(v, len));
    case DATEOID:
        return QVariant(QDate::fromString(QString::fromLatin1(v, len), Qt::ISODate));
    case TIMEOID:
        return QVariant(QTime::fromString(QString::fromLatin1(v, len), Qt::ISODate));
    case TIMESTAMPOID:
        return QVariant(QDateTime::fromString(QString::fromLatin1(v, len), Qt::ISODate));
    case TIMESTAMPTZOID:
        return QVariant(
            QDateTime::fromString(QString::fromLatin1(v, len), Qt::ISODate).toLocalTime());
    default:
        return QVariant(QString::fromUtf8(v, len));
    }
}

} // namespace

namespace {
PGconn* connOf(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (handle.isValid() &&
        (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0))
        return *static_cast<PGconn* const*>(handle.data());
    return nullptr;
}
} // namespace

QString numberedPlaceholders(const QString& shape) {
    QString out;
    out.reserve(shape.size() + 16);
    int n = 0;
    QChar quote;
    for (QChar c : shape) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?') {
            out += u'$' + QString::number(++n);
            continue;
        }
        out += c;
    }
    return out;
}

std::optional<std::string> parameterText(const QVariant& v) {
    if (v.isNull())
        return std::nullopt;
    if (v.typeId() != QMetaType::LongLong)
        return v.toString().toStdString();
    // A whole number straight into a short string, which needs no memory of its own.
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, v.toLongLong()).ptr;
    return std::string(digits, size_t(end - digits));
}

QString prepareText(const QString& name, const QString& shape, bool again) {
    return (again ? QStringLiteral("DEALLOCATE ") + name + QStringLiteral("; ") : QString()) +
           QStringLiteral("PREPARE ") + name + QStringLiteral(" AS ") + numberedPlaceholders(shape);
}

QString executeText(const QString& name, const QVector<QVariant>& values) {
    QString call = QStringLiteral("EXECUTE ") + name;
    for (qsizetype i = 0; i < values.size(); ++i)
        call += (i ? QStringLiteral(",'") : QStringLiteral("('")) +
                QString(values[i].toString()).replace(u'\'', QStringLiteral("''")) + u'\'';
    return values.isEmpty() ? call : call + u')';
}

SessionState sessionState(const QSqlDatabase& db) {
    SessionState s;
    PGconn* conn = connOf(db);
    if (!conn)
        return s;
    s.available = true;
    s.lost = PQstatus(conn) == CONNECTION_BAD;
    const PGTransactionStatusType t = PQtransactionStatus(conn);
    s.inTransaction =
        !s.lost && (t == PQTRANS_INTRANS || t == PQTRANS_INERROR || t == PQTRANS_ACTIVE);
    return s;
}

namespace {

// The columns of a result: those of `cache` when the names are the same, which then
// holds them.
std::shared_ptr<const Recordset::Columns>
columnsOf(const PGresult* res, std::shared_ptr<const Recordset::Columns>& cache) {
    const int cols = PQnfields(res);
    bool same = cache && cache->names.size() == cols;
    for (int c = 0; same && c < cols; ++c)
        same = cache->names[c] == QString::fromUtf8(PQfname(res, c));
    if (!same) {
        QStringList names;
        for (int c = 0; c < cols; ++c)
            names << QString::fromUtf8(PQfname(res, c));
        cache = std::make_shared<const Recordset::Columns>(names);
    }
    return cache;
}

// The rows of a result after those already in `out`.
void appendRows(const PGresult* res, BatchResult& out) {
    const int cols = PQnfields(res);
    const int rows = PQntuples(res);
    if (rows > 1)
        out.cells.reserve(out.cells.size() + qsizetype(rows) * cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            out.cells.push_back(valueOf(res, r, c, PQftype(res, c)));
}

// One statement's result into `out`; `res` may be null (the connection failed).
void take(PGresult* res, PGconn* conn, BatchResult& out,
          std::shared_ptr<const Recordset::Columns>& columnCache) {
    const ExecStatusType st = res ? PQresultStatus(res) : PGRES_FATAL_ERROR;
    // Rows one result each (single-row mode) are added up until the closing result.
    if (st == PGRES_TUPLES_OK || st == PGRES_SINGLE_TUPLE) {
        out.columns = columnsOf(res, columnCache);
        appendRows(res, out);
        out.ok = true;
    } else if (st == PGRES_COMMAND_OK || st == PGRES_EMPTY_QUERY) {
        const char* n = PQcmdTuples(res);
        out.rowsAffected = (n && *n) ? QByteArray(n).toInt() : 0;
        out.ok = true;
    } else {
        out.error =
            QString::fromUtf8(res ? PQresultErrorMessage(res) : PQerrorMessage(conn)).trimmed();
        if (out.error.startsWith(QStringLiteral("ERROR:")))
            out.error = out.error.mid(6).trimmed();
        const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
        out.sqlState = state ? QString::fromLatin1(state) : QString();
    }
}

// The Qt driver reads a finished query's last (empty) result only before its next one;
// the connection must be idle before the client library sends anything.
void drain(PGconn* conn) {
    while (PGresult* rest = PQgetResult(conn))
        PQclear(rest);
}

} // namespace

BatchResult execBatch(const QSqlDatabase& db, const QString& sql,
                      std::shared_ptr<const Recordset::Columns>& columnCache) {
    BatchResult out;
    PGconn* conn = connOf(db);
    if (!conn) {
        out.error = QStringLiteral("The PostgreSQL connection is not available.");
        return out;
    }
    PGresult* res = PQexec(conn, sql.toUtf8().constData());
    take(res, conn, out, columnCache);
    if (res)
        PQclear(res);
    return out;
}

namespace {

// The results of the query just sent, its rows read one result each as they arrive.
BatchResult readStreamed(PGconn* conn, bool sent,
                         std::shared_ptr<const Recordset::Columns>& columnCache) {
    BatchResult out;
    if (!sent) {
        take(nullptr, conn, out, columnCache);
        return out;
    }
    PQsetSingleRowMode(conn);
    bool rowByRow = false; // a statement's rows are coming one result each
    for (PGresult* res; (res = PQgetResult(conn)); PQclear(res)) {
        if (!out.error.isEmpty())
            continue; // read to the end, so that the connection is idle again
        const ExecStatusType st = PQresultStatus(res);
        if (st == PGRES_SINGLE_TUPLE || st == PGRES_TUPLES_OK) {
            if (!rowByRow) { // a statement's first result: its rows replace the last one's
                out.cells.clear();
                out.columns = columnsOf(res, columnCache);
            }
            appendRows(res, out);
            rowByRow = st == PGRES_SINGLE_TUPLE;
            out.ok = true;
        } else {
            out.cells.clear();
            out.columns.reset();
            rowByRow = false;
            take(res, conn, out, columnCache);
        }
    }
    if (!out.error.isEmpty()) {
        out.ok = false;
        out.cells.clear();
        out.columns.reset();
    }
    return out;
}

BatchResult unavailable() {
    BatchResult out;
    out.error = QStringLiteral("The PostgreSQL connection is not available.");
    return out;
}

} // namespace

BatchResult execStreamed(const QSqlDatabase& db, const QString& sql,
                         std::shared_ptr<const Recordset::Columns>& columnCache) {
    PGconn* conn = connOf(db);
    if (!conn)
        return unavailable();
    drain(conn);
    return readStreamed(conn, PQsendQuery(conn, sql.toUtf8().constData()) == 1, columnCache);
}

BatchResult execPreparedStreamed(const QSqlDatabase& db, const QByteArray& name,
                                 const std::vector<std::optional<std::string>>& parameters,
                                 std::shared_ptr<const Recordset::Columns>& columnCache) {
    PGconn* conn = connOf(db);
    if (!conn)
        return unavailable();
    drain(conn);
    QVarLengthArray<const char*, 16> values;
    for (const std::optional<std::string>& v : parameters)
        values.push_back(v ? v->c_str() : nullptr);
    return readStreamed(conn,
                        PQsendQueryPrepared(conn, name.constData(), int(values.size()),
                                            values.data(), nullptr, nullptr, 0) == 1,
                        columnCache);
}

std::vector<BatchResult> execPipeline(const QSqlDatabase& db,
                                      const std::vector<PipelineStatement>& statements,
                                      std::shared_ptr<const Recordset::Columns>& columns) {
    std::vector<BatchResult> out(statements.size());
    PGconn* conn = connOf(db);
    if (conn)
        drain(conn);
    if (!conn || PQenterPipelineMode(conn) != 1) {
        for (BatchResult& r : out)
            r.error = QStringLiteral("The PostgreSQL connection cannot take a pipeline.");
        return out;
    }
    size_t sent = 0;
    for (const PipelineStatement& st : statements) {
        const QByteArray text = st.text.toUtf8();
        bool ok = true;
        if (st.prepared.isEmpty()) {
            ok = PQsendQueryParams(conn, text.constData(), 0, nullptr, nullptr, nullptr, nullptr,
                                   0) == 1;
        } else {
            const QByteArray name = st.prepared.toUtf8();
            if (st.prepare)
                ok = PQsendPrepare(conn, name.constData(), text.constData(), 0, nullptr) == 1;
            std::vector<const char*> values;
            values.reserve(st.parameters.size());
            for (const std::optional<std::string>& v : st.parameters)
                values.push_back(v ? v->c_str() : nullptr);
            ok = ok && PQsendQueryPrepared(conn, name.constData(), int(values.size()),
                                           values.data(), nullptr, nullptr, 0) == 1;
        }
        if (!ok)
            break;
        ++sent;
    }
    const bool synced = PQpipelineSync(conn) == 1;
    // One command's results, up to the null result that ends them. The first statement
    // may come row by row: the client library keeps the single-row mode the Qt driver
    // asked for its last query until a query is sent outside a pipeline.
    const auto read = [&](BatchResult& r) {
        PGresult* res = PQgetResult(conn);
        if (!res)
            take(res, conn, r, columns);
        for (; res; res = PQgetResult(conn)) {
            if (PQresultStatus(res) == PGRES_PIPELINE_ABORTED)
                r.error = QStringLiteral("The statement was not run: an earlier one failed.");
            else if (r.error.isEmpty())
                take(res, conn, r, columns);
            PQclear(res);
        }
        if (!r.error.isEmpty())
            r.ok = false;
    };
    for (size_t i = 0; i < statements.size(); ++i) {
        BatchResult& r = out[i];
        if (i >= sent || !synced) {
            r.error = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
            continue;
        }
        if (statements[i].prepare) {
            BatchResult preparation;
            read(preparation);
            if (!preparation.ok) {
                r = preparation;
                r.prepareFailed = true;
                BatchResult skipped;
                read(skipped);
                continue;
            }
        }
        read(r);
    }
    // The synchronisation point ends the pipeline; a lost connection ends it too.
    if (synced)
        for (int guard = 0; guard < 4; ++guard) {
            PGresult* res = PQgetResult(conn);
            if (!res)
                continue;
            const bool end = PQresultStatus(res) == PGRES_PIPELINE_SYNC;
            PQclear(res);
            if (end)
                break;
        }
    PQexitPipelineMode(conn);
    return out;
}

ServerPrepared::~ServerPrepared() {
    if (held)
        dropped->push_back(QString::fromUtf8(name));
}

bool ServerPrepared::prepareOn(const QSqlDatabase& db, bool again) {
    std::shared_ptr<const Recordset::Columns> none;
    held = execBatch(db, prepareText(QString::fromUtf8(name), shape, again), none).ok;
    return held;
}

} // namespace ado::pg
