#pragma once

// One engine under a Connection: opening and its options, running statements, errors
// to the layer's numbers, transactions and their nested levels, named locks. Private to
// the data layer: a Connection chooses its backend once, when it opens.
#include "ConnectionString.h"
#include "Recordset.h"
#include "ServerTexts.h"
#include "SqlDialect.h"
#include "Statement.h"
#include "StatementCache.h"
#include "automation/AutomationError.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ado {

/// What one statement answered.
struct Rows {
    std::shared_ptr<const Recordset::Columns> columns; // null: not a query
    QVector<QVariant> cells;                           // row after row, as many per row as columns
    qint32 rowsAffected = -1;
};

/// One query of a pipeline: its rows, or why it failed.
struct PipelineOutcome {
    Rows rows;
    std::optional<automation::AutomationError> error;
};

class Backend {
public:
    /// `level` is the connection's transaction level, which the backend lowers when the
    /// engine ends a transaction by itself.
    Backend(const ConnectionSettings& settings, qint32& level);
    virtual ~Backend();
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

    /// The backend of a connection string's engine.
    static std::unique_ptr<Backend> forSettings(const ConnectionSettings& settings, qint32& level);

    /// Opens the database and sets the session up. On failure nothing is left open and
    /// the error never shows the connection string's password.
    void open(const QString& connectionString);
    /// Closes; `rollback`: a transaction is open and is rolled back first.
    void close(bool rollback);

    /// Creates the empty database the settings name when it does not exist; answers
    /// whether it created one. A server's databases are its administrator's.
    virtual bool createDatabase() { return false; }

    /// Runs one statement: `t` is its translation, `tsql` the text as it was given.
    virtual Rows execute(const Translation& t, const QString& tsql);

    /// Runs a statement with its values bound to a statement the engine keeps prepared:
    /// `first` (when given) receives the first column of the first row, nullopt when
    /// there is none; answers the rows changed (-1 for a query). nullopt, with nothing
    /// run, when the engine has no such path or cannot take this statement: its text is
    /// then run through execute().
    virtual std::optional<qint32> runDirect(const Statement&, std::optional<QVariant>* first) {
        (void)first;
        return std::nullopt;
    }

    /// Opens, commits or rolls back nesting level `level` (1: the transaction).
    virtual void begin(qint32 level) = 0;
    virtual void commit(qint32 level) = 0;
    virtual void rollback(qint32 level) = 0;
    /// Whether the engine still has a transaction open; nullopt when it cannot tell.
    virtual std::optional<bool> engineInTransaction() const { return std::nullopt; }
    /// Lowers the level to 0 when the engine has ended the transaction by itself.
    void syncTransactionState();

    /// The texts of the engine's control statements (its nested levels, its named locks).
    virtual const ServerTexts& texts() const = 0;
    virtual void lock(const QString& name) = 0;
    /// One attempt to take a named lock, without waiting.
    virtual bool tryLock(const QString& name) = 0;
    virtual void unlock(const QString& name) = 0;

    /// Whether several queries can be sent in one round trip.
    virtual bool pipelines() const { return false; }
    /// Sends the queries at once and answers each one's outcome; nullopt when they must
    /// run one by one after all. `textAt(i)` is query i as it was given, asked for only
    /// when it must go as text.
    using TextAt = std::function<QString(size_t)>;
    virtual std::optional<std::vector<PipelineOutcome>>
    pipeline(const std::vector<Translation>& queries, const TextAt& textAt);

    /// The first value of the queries in order up to the first that has a row, asked in
    /// one statement: the answer holds one entry per query up to and including that one
    /// (nullopt: no row), or one per query when none has a row. nullopt when the engine
    /// cannot, or the statement fails: the queries then go through pipeline() or one by
    /// one, which tell each query's own outcome.
    using FirstValues = std::vector<std::optional<QVariant>>;
    virtual std::optional<FirstValues> firstValues(const std::vector<Translation>&) {
        return std::nullopt;
    }

    /// "ado." and the engine's name, the source of the errors raised.
    QString source() const;

    /// The Spanish collation text is ordered by (see `collation`).
    const QString& orderCollation() const { return collation; }

    QSqlDatabase db;
    StatementCache cache;
    ShapeCache shapes; // the dialect of the connection's engine

protected:
    /// Sets the driver connection up from the settings (refuse() what cannot work).
    virtual void configure() = 0;
    /// Session settings once the driver connection is open.
    virtual void started() {}
    virtual void closing(bool rollback) = 0;
    [[noreturn]] void refuse(qint32 number, const QString& text);
    /// A PostgreSQL schema the connection string names must be there: without it every
    /// table of the component would be reported missing, one by one.
    void requirePostgresSchema();

    /// A statement sent as text, and one prepared to run again with other values.
    virtual Rows runText(const QString& sql) = 0;
    virtual std::unique_ptr<PreparedStatement> prepare(const QString& shape) = 0;
    virtual Rows runPrepared(PreparedStatement& statement, const QVector<QVariant>& values,
                             std::shared_ptr<const Recordset::Columns>& columns) = 0;
    Rows text(const QString& sql);
    /// Through the statement cache: a shape seen again runs prepared.
    Rows runTranslated(const Translation& t, const QString& tsql);
    /// The plain text of a statement whose translation carries only its shape.
    QString textOf(const Translation& t, const QString& tsql);

    /// The decimals of the fixed-point columns, where the engine needs them.
    virtual ColumnScale columnScales() { return {}; }
    /// A schema change: what was learnt of the tables is forgotten.
    virtual void schemaChanged();
    /// The engine ended the transaction: whatever the backend keeps of it goes too.
    virtual void transactionEnded() {}

    /// Runs a control statement of the layer's own (transactions, savepoints, settings).
    void control(const QString& sql);
    /// A query's failure, with the SQLSTATE as its code where the driver hides it.
    virtual QSqlError errorOf(const QSqlQuery& q) const;
    virtual bool integrity(const QSqlError& e) const = 0;
    /// Whether the failure lost the connection (and with it the transaction).
    virtual bool lost(const QSqlError&) { return false; }
    [[noreturn]] void fail(const QSqlError& e);
    static QString lostText();

    ConnectionSettings settings;
    qint32& level;
    QString driverName; // the driver connection's
    /// The engine's Spanish collation as written after COLLATE, set up by started();
    /// empty: lists come in the database's own order.
    QString collation;
    QString connectionString; // as given, for the messages that must hide its password
};

/// The text of a driver's error, without the engine's "ERROR:" prefix.
QString driverText(const QSqlError& e);
/// A deadlock (PostgreSQL 40P01, SQL Server 1205) or a serialization failure (40001).
bool isConflict(const QString& code);

} // namespace ado

namespace ado {
std::unique_ptr<Backend> makeSqliteBackend(const ConnectionSettings& settings, qint32& level);
std::unique_ptr<Backend> makePgBackend(const ConnectionSettings& settings, qint32& level);
std::unique_ptr<Backend> makeOdbcBackend(const ConnectionSettings& settings, qint32& level);
} // namespace ado
