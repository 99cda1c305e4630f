#pragma once

#include "Ado.h"
#include "Recordset.h"
#include "SqlDialect.h"
#include "Statement.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ado {

class Recordset;

/// One statement as the component sent it, before any rewriting.
struct StatementEvent {
    enum Kind { Execute, Open };
    Kind kind;
    QString text;
    CursorTypeEnum cursorType = adOpenUnspecified;
    LockTypeEnum lockType = adLockUnspecified;
};

/// A connection string fit to show a user or to print: the value of each password key
/// (Pwd, Password) is replaced by "***", everything else stays as written.
QString displayConnectionString(const QString& connectionString);

/// The database connection of the suite.
///
/// Connection strings are `key=value;` pairs:
///  - `Driver=SQLite;Database=path` (the embedded default; the file must exist, see
///    CreateDatabase; a file that cannot be written is opened for reading only),
///  - `Driver=PostgreSQL;Server=host;Port=5432;Database=name;Uid=user;Pwd=secret`
///    (optionally `Schema=name` to work in one schema),
///  - `Driver=ODBC;...` where everything after the first `;` goes to the ODBC driver
///    manager unchanged (for SQL Server).
///
/// Statements are T-SQL. On SQLite and PostgreSQL they are rewritten where the
/// dialects differ (see translate()) and, when the same shape of statement comes again
/// with other values, run as a prepared statement with the values bound; the prepared
/// statements of the most recently used shapes are kept. Results are the same as
/// sending the text.
///
/// A statement that fails inside an open transaction fails alone on every backend: on
/// PostgreSQL each statement in a transaction runs under its own savepoint.
///
/// With ORBENTA_TRACE_SQL=1 in the environment every statement is printed to standard
/// error as "SQL: " and the text as it was given, except passwords: the values of
/// columns and configuration keys whose names end in Password, and the Pwd of a
/// connection string written in a literal, show as '***'. No failure to open a
/// connection shows its password either.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void Open(const QString& connectionString);
    /// Creates the empty database a connection string names when it does not exist
    /// (an SQLite file; a server's databases are its administrator's). Answers whether
    /// it created one. Open never creates anything.
    static bool CreateDatabase(const QString& connectionString);
    /// Closes the connection; an open transaction is rolled back.
    void Close();
    ObjectStateEnum State() const;
    QString ConnectionString() const;

    /// Runs a statement. `recordsAffected` receives the number of rows the statement
    /// changed (-1 for a query). A query's rows come back as an open recordset; any
    /// other statement answers a closed one.
    std::shared_ptr<Recordset> Execute(const QString& commandText,
                                       qint32* recordsAffected = nullptr, long options = adCmdText);

    /// Execute for a statement whose values stand apart (see Statement): answers the
    /// rows it changed (-1 for a query, whose rows are not kept).
    qint32 ExecuteCount(const Statement& statement);
    /// The first column of the first row of a query (nullopt: it has no row), read
    /// without a recordset. Traced, observed and answered as a forward-only, read-only
    /// recordset opened on its text would be.
    std::optional<QVariant> FirstValue(const Statement& query);

    /// Starts a transaction and answers its nesting level (1 for the outermost).
    /// Nested levels are savepoints: committing one keeps its work for the outer level
    /// to decide, rolling one back undoes only its own work.
    qint32 BeginTrans();
    void CommitTrans();
    /// Rolls back the innermost level. When the engine has already ended the
    /// transaction by itself (SQLite after a full disk, a lost server connection) there
    /// is nothing left to undo and it succeeds; the level always follows the engine.
    void RollbackTrans();
    qint32 transactionLevel() const;

    /// A lock named `name` on the database, exclusive between every connection (of any
    /// program) to it: waits while another holds it, and is held until UnlockNamed or
    /// until this connection closes. It locks no data: the users of a name agree to take
    /// it (a work table shared by all users, for example). PostgreSQL: an advisory lock;
    /// SQL Server: an application lock; SQLite: a lock file beside the database.
    void LockNamed(const QString& name);
    /// The same, waiting at most `timeoutMs`: answers whether the lock was taken. When it
    /// is held by another, `waiting` is called once before the wait begins (to tell the
    /// user). A holder that died holds nothing on any engine: a server ends the session
    /// of a client that is gone, and with it its locks; on SQLite the lock file of a
    /// process that no longer runs is taken over.
    bool LockNamed(const QString& name, int timeoutMs, const std::function<void()>& waiting = {});
    void UnlockNamed(const QString& name);

    Dialect dialect() const;
    /// The collation text is ordered by in this connection's lists (Spanish order), as
    /// written after COLLATE on its engine; empty where the engine's own order is used.
    QString collation() const;

    /// Statement cache: how many prepared shapes are kept (0 switches it off).
    void setStatementCacheSize(int shapes);
    struct CacheStatistics {
        qint64 hits = 0;     // statements run through a kept prepared statement
        qint64 prepares = 0; // shapes prepared
        qint64 texts = 0;    // statements sent as text
    };
    CacheStatistics cacheStatistics() const;

    /// Runs queries in order until one answers: `answers` gets each query's rows, in
    /// order, and says whether the search ends there. Answers that query's index, or -1.
    /// The outcome is that of running them one by one and stopping at the answer: a
    /// failure of a query before the answering one is raised, later queries are never
    /// looked at. On PostgreSQL outside a transaction (and with pipelining on) they are
    /// sent at once, in one round trip, and each appears in the trace; elsewhere they run
    /// one by one and the ones after the answer are not run.
    int FirstAnswering(const QStringList& queries,
                       const std::function<bool(Recordset& rows)>& answers);
    /// The same for queries of which only the first value counts: `answers` gets it, or
    /// nullopt for a query without rows. On PostgreSQL queries of the same columns go as
    /// one statement that stops at the first query with a row; when that row does not
    /// answer, the queries after it go the same way.
    int FirstAnswering(const std::vector<Statement>& queries,
                       const std::function<bool(const std::optional<QVariant>& first)>& answers);
    /// Whether FirstAnswering may send its queries in one pipeline (on by default).
    void setPipelining(bool on);
    bool pipelining() const;

    /// Called with every statement before it runs (tests record the exact texts).
    using Observer = std::function<void(const StatementEvent&)>;
    void setObserver(Observer observer);

    /// The driver connection underneath, for baselines that bypass this layer.
    QSqlDatabase database() const;

private:
    friend class Recordset;
    struct Result {
        std::shared_ptr<const Recordset::Columns> columns; // null: not a query
        QVector<QVariant> cells; // row after row, as many per row as columns
        qint32 rowsAffected = -1;
    };
    Result run(const StatementEvent& event);
    void announce(const StatementEvent& event);
    void show(const StatementEvent& event);
    void check(const StatementEvent& event);
    Result execute(const StatementEvent& event);
    qint32 run(StatementEvent::Kind kind, const Statement& s, std::optional<QVariant>* first);

    struct Impl;
    std::unique_ptr<Impl> d;
};

/// A transaction for one piece of work: begun on construction, committed by Commit(),
/// rolled back when it goes out of scope without one (a failure on its way up). A
/// rollback that fails then is not raised: the failure that caused it is the one the
/// caller must see.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    Connection& cn_;
    qint32 level_;
    bool done_ = false;
};

/// Runs `work` as one transaction and commits it. When the database ends the transaction
/// because it conflicted with another user's (SQLSTATE 40P01 or 40001, SQL Server's 1205),
/// all of it is rolled back and `work` runs again from its start in a new transaction, up
/// to three more times after a short random pause; a conflict that remains is reported
/// (errors::Conflict) in Spanish, for the user. Inside a transaction already open, `work`
/// runs once as a nested level and a conflict goes up to the outermost level, the only
/// one that can start the work again.
void RunTransaction(Connection& connection, const std::function<void()>& work);

} // namespace ado
