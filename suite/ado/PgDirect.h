#pragma once

#include "Recordset.h"
#include "StatementCache.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace ado::pg {

/// The outcome of a batch of statements sent in one round trip.
struct BatchResult {
    bool ok = false;
    QString error;                                     // the server's message when not ok
    QString sqlState;                                  // its SQLSTATE
    std::shared_ptr<const Recordset::Columns> columns; // the last statement's, null if no rows
    QVector<QVariant> cells;                           // row after row, as many per row as columns
    qint32 rowsAffected = -1;
    bool prepareFailed = false; // a pipeline statement whose preparation failed
};

/// Whether the server refused to run a statement it keeps because another connection
/// changed the columns of a table it reads: the statement must be prepared anew.
inline bool stalePlan(const QString& error) {
    return error.contains(QLatin1StringView("cached plan must not change result type"));
}

/// `shape` with each "?" outside quotes numbered as the server numbers parameters: $1...
QString numberedPlaceholders(const QString& shape);

/// A value as the server reads a parameter in text format; nullopt for NULL.
std::optional<std::string> parameterText(const QVariant& v);

/// The SQL that keeps `shape` ("?" placeholders) prepared on the server as `name`;
/// `again`: in place of a statement of that name already there.
QString prepareText(const QString& name, const QString& shape, bool again);
/// The SQL that runs the statement kept as `name` with `values` as quoted literals.
QString executeText(const QString& name, const QVector<QVariant>& values);

/// The state of the PostgreSQL connection underneath `db`, as the client library knows
/// it: whether a transaction is open on the server, and whether the connection is lost.
struct SessionState {
    bool available = false; // a PostgreSQL connection is there to ask
    bool inTransaction = false;
    bool lost = false;
};
SessionState sessionState(const QSqlDatabase& db);

/// Sends `sql` (several statements separated by ";") on the PostgreSQL connection
/// underneath `db` as one simple query and answers the result of the last statement,
/// or the first failure. Values come back as the Qt driver gives them (numeric as
/// exact text); the columns are those of `columnCache` when they are the same, which
/// then holds the columns of this result.
BatchResult execBatch(const QSqlDatabase& db, const QString& sql,
                      std::shared_ptr<const Recordset::Columns>& columnCache);

/// As execBatch, but the rows are read as the server sends them (the client library's
/// single-row mode), so that reading overlaps the server's work on a large result; when
/// several statements answer rows, the last one's are answered.
BatchResult execStreamed(const QSqlDatabase& db, const QString& sql,
                         std::shared_ptr<const Recordset::Columns>& columnCache);

/// As execStreamed, for the statement prepared on the server under `name`, with
/// `parameters` as the texts of $1... (nullopt: NULL).
BatchResult execPreparedStreamed(const QSqlDatabase& db, const QByteArray& name,
                                 const std::vector<std::optional<std::string>>& parameters,
                                 std::shared_ptr<const Recordset::Columns>& columnCache);

/// One statement of a pipeline: its text, or a statement prepared on the server under
/// `prepared` (prepared first, from `text` with $1..., when `prepare` is set) and run
/// with `parameters` as the texts of $1....
struct PipelineStatement {
    QString text;
    QString prepared;
    bool prepare = false;
    std::vector<std::optional<std::string>> parameters; // UTF-8; nullopt: NULL
};

/// Sends every statement at once in one pipeline of the client library: one round trip
/// for all of them. Answers their results in order; after a failing statement (or a
/// failing preparation, whose error is then that statement's) the server runs none of
/// the rest, and each of them answers so. Outside a transaction only: up to its
/// synchronisation point a pipeline is one implicit transaction, which a failing
/// statement ends. `columnCache` as for execBatch.
std::vector<BatchResult> execPipeline(const QSqlDatabase& db,
                                      const std::vector<PipelineStatement>& statements,
                                      std::shared_ptr<const Recordset::Columns>& columnCache);

/// A statement the statement cache keeps on the server under a name of its own: the
/// name goes, when the cache lets the statement go, to `dropped`, the names deallocated
/// before the next preparation.
struct ServerPrepared : PreparedStatement {
    QByteArray name;
    QString shape;
    std::shared_ptr<QStringList> dropped;
    bool held = false; // the server has it
    ServerPrepared(QByteArray n, QString s, std::shared_ptr<QStringList> d)
        : name(std::move(n)), shape(std::move(s)), dropped(std::move(d)) {}
    ~ServerPrepared() override;
    /// Prepares the statement on the server (`again`: in place of its old plan).
    bool prepareOn(const QSqlDatabase& db, bool again = false);
};

} // namespace ado::pg
