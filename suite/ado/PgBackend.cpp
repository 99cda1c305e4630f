// PostgreSQL through its own client library, underneath the Qt driver.
#include "DriverBackend.h"
#include "PgDirect.h"
#include "PgPooledLocks.h"
#include "ServerTexts.h"

#include <QElapsedTimer>
#include <algorithm>
#include <limits>
#include <map>
#include <unordered_map>
#include <utility>

namespace ado {

using automation::AutomationError;

namespace {

const QString kStatementSavepoint = QStringLiteral("ado_statement");

class PgBackend : public DriverBackend {
public:
    using DriverBackend::DriverBackend;

    Rows execute(const Translation& t, const QString& tsql) override {
        return level > 0 ? runGuarded(t, tsql) : runTranslated(t, tsql);
    }

    void begin(qint32 next) override {
        if (next == 1) {
            ++transactions_;
            return pooled() ? beginPooled() : control(QStringLiteral("BEGIN"));
        }
        // A statement savepoint still open would take the new level with it when the
        // next statement releases it.
        if (statementSavepoint_)
            control(QStringLiteral("RELEASE SAVEPOINT ") + kStatementSavepoint);
        statementSavepoint_ = false;
        control(texts().saveLevel(next));
    }
    void commit(qint32 current) override {
        control(current == 1 ? QStringLiteral("COMMIT") : texts().commitLevel(current));
        statementSavepoint_ = false; // released with its level
    }
    void rollback(qint32 current) override {
        statementSavepoint_ = false; // rolled back with its level
        if (current == 1)
            return control(QStringLiteral("ROLLBACK"));
        for (const QString& sql : texts().rollbackLevel(current))
            control(sql);
    }
    std::optional<bool> engineInTransaction() const override {
        const pg::SessionState st = pg::sessionState(db);
        if (!st.available)
            return std::nullopt;
        return st.inTransaction;
    }

    const ServerTexts& texts() const override { return postgresTexts(); }
    // Advisory locks: a server ends a dead client's session, and its locks with it.
    void lock(const QString& name) override {
        if (pooled())
            locks_.hold(lockOrigin(), name, true);
        else
            control(texts().lock(name));
    }
    bool tryLock(const QString& name) override {
        if (pooled())
            return locks_.hold(lockOrigin(), name, false);
        QSqlQuery q(db);
        if (!q.exec(texts().tryLock(name)) || !q.next())
            fail(errorOf(q));
        return texts().granted(q.value(0));
    }
    void unlock(const QString& name) override {
        if (pooled())
            locks_.release(name);
        else
            control(texts().unlock(name));
    }

    // A shape kept prepared on the server under a name of its own, run through the client
    // library with its values as parameters and its rows read as they arrive (the Qt
    // driver reads each value through a variant of its own, a large result at half speed).
    std::unique_ptr<PreparedStatement> prepare(const QString& shape) override {
        for (const QString& name : std::exchange(*dropped_, {})) {
            std::shared_ptr<const Recordset::Columns> none;
            pg::execBatch(db, QStringLiteral("DEALLOCATE ") + name, none); // gone if it failed
        }
        auto st = std::make_unique<pg::ServerPrepared>(nextServerName().toUtf8(), shape, dropped_);
        if (!st->prepareOn(db))
            return nullptr; // the text path reports whatever is wrong with the statement
        return st;
    }
    Rows runPrepared(PreparedStatement& statement, const QVector<QVariant>& values,
                     std::shared_ptr<const Recordset::Columns>& columns) override {
        std::vector<std::optional<std::string>> parameters;
        parameters.reserve(size_t(values.size()));
        for (const QVariant& v : values)
            parameters.push_back(pg::parameterText(v));
        auto& st = static_cast<pg::ServerPrepared&>(statement);
        pg::BatchResult b = pg::execPreparedStreamed(db, st.name, parameters, columns);
        // Another connection changed the columns of a table the statement reads: the
        // server refuses the plan it kept, and the statement is prepared again.
        if (!b.ok && pg::stalePlan(b.error) && st.prepareOn(db, true))
            b = pg::execPreparedStreamed(db, st.name, parameters, columns);
        return answered(std::move(b));
    }

    bool pipelines() const override { return true; }
    std::optional<FirstValues> firstValues(const std::vector<Translation>& queries) override;
    std::optional<std::vector<PipelineOutcome>> pipeline(const std::vector<Translation>& queries,
                                                         const TextAt& textAt) override;

protected:
    void configure() override {
        db.setHostName(settings.key({"server", "host"}));
        const QString port = settings.key({"port"});
        if (!port.isEmpty()) {
            bool ok = false;
            const int number = port.toInt(&ok);
            if (!ok || number < 1 || number > 65535)
                refuse(errors::ConnectFailed,
                       QStringLiteral("Port=") + port +
                           QStringLiteral(" is not a port number (1 to 65535)."));
            db.setPort(number);
        }
        if (const QString pooler = settings.key({"pooler"});
            !settings.transactionPooler && !pooler.isEmpty() &&
            pooler.compare(QStringLiteral("session"), Qt::CaseInsensitive) != 0)
            refuse(errors::ConnectFailed,
                   QStringLiteral("Pooler=") + pooler +
                       QStringLiteral(" is not a pooling mode (transaction or session)."));
        db.setDatabaseName(settings.key({"database"}));
        db.setUserName(settings.key({"uid", "user", "user id"}));
        db.setPassword(settings.key({"pwd", "password"}));
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    }
    void started() override {
        requirePostgresSchema();
        // Behind a transaction pooler a session setting would reach some other client's
        // transactions and miss this one's: transactionSession() sets what is needed in
        // each transaction, and nothing is prepared on the server.
        if (pooled())
            cache.setLimit(0);
        else
            for (const QString& sql : postgresSession(settings.key({"schema"})))
                control(sql);
        collation = postgresCollation();
    }
    void closing(bool rollback) override {
        statementSavepoint_ = false;
        serverStatements_.clear();
        cache.clear();
        dropped_->clear(); // the session takes its statements with it
        unions_.clear();
        fastestUnion_ = std::numeric_limits<qint64>::max();
        locks_.closeAll();
        if (rollback)
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        DriverBackend::closing(rollback);
    }
    void transactionEnded() override { statementSavepoint_ = false; }

    bool integrity(const QSqlError& e) const override {
        return e.nativeErrorCode().startsWith(QStringLiteral("23"));
    }
    bool lost(const QSqlError&) override { return connectionLost(); }

    // A statement as text through the client library, its rows read as they arrive.
    // Behind a transaction pooler and outside a transaction it carries the session's
    // settings, in its own implicit transaction (one simple query is one transaction).
    Rows runText(const QString& sql) override {
        const QString session = pooled() && level == 0 ? transactionSession() : QString();
        return answered(pg::execStreamed(db, session + sql, streamedColumns_));
    }

private:
    bool pooled() const { return settings.transactionPooler; }

    QString transactionSession() const {
        return postgresTransactionSession(settings.key({"schema"}));
    }

    pg::PooledLocks::Origin lockOrigin() const {
        return {db, driverName, transactionSession(), source(), connectionString};
    }

    void beginPooled() {
        const QString session = transactionSession();
        if (session.isEmpty())
            return control(QStringLiteral("BEGIN"));
        std::shared_ptr<const Recordset::Columns> none;
        const pg::BatchResult b = pg::execBatch(db, QStringLiteral("BEGIN; ") + session, none);
        if (!b.ok) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            throw batchFailure(b);
        }
    }
    bool connectionLost() const { return pg::sessionState(db).lost; }

    // The rows of a statement sent through the client library outside a savepoint, or
    // its failure.
    Rows answered(pg::BatchResult&& b) {
        if (!b.ok) {
            syncTransactionState();
            throw batchFailure(b);
        }
        const qint32 rowsAffected = b.columns ? -1 : b.rowsAffected;
        return Rows{std::move(b.columns), std::move(b.cells), rowsAffected};
    }

    // The failure of a statement sent through the client library.
    AutomationError batchFailure(const pg::BatchResult& b) const {
        if (connectionLost())
            return AutomationError(errors::ConnectFailed, source(),
                                   b.error.isEmpty() ? lostText() : b.error);
        return AutomationError(isConflict(b.sqlState)                        ? errors::Conflict
                               : b.sqlState.startsWith(QStringLiteral("23")) ? errors::Integrity
                                                                             : errors::Statement,
                               source(),
                               b.error.isEmpty()
                                   ? QStringLiteral("The database refused the statement without "
                                                    "saying why.")
                                   : b.error);
    }

    // PostgreSQL aborts a whole transaction on the first failing statement; inside a
    // transaction every statement runs under a savepoint of its own, so a failure
    // undoes that statement alone, as on the other engines. The savepoint travels in
    // the statement's own round trip, and the previous statement's is released there
    // too: a statement in a transaction costs one round trip, not three.
    Rows runUnderSavepoint(const QString& sql) {
        ++cache.stats.texts;
        const QString batch =
            (statementSavepoint_
                 ? QStringLiteral("RELEASE SAVEPOINT ") + kStatementSavepoint + QStringLiteral("; ")
                 : QString()) +
            QStringLiteral("SAVEPOINT ") + kStatementSavepoint + QStringLiteral("; ") + sql;
        pg::BatchResult b = pg::execBatch(db, batch, guardedColumns_);
        if (!b.ok) {
            if (connectionLost()) {
                syncTransactionState();
                throw batchFailure(b);
            }
            // The batch stops at its first failure: roll back to the savepoint when it
            // was taken, or to the previous statement's when the failure came first.
            try {
                control(QStringLiteral("ROLLBACK TO SAVEPOINT ") + kStatementSavepoint);
            } catch (const AutomationError&) {
            }
            throw batchFailure(b);
        }
        statementSavepoint_ = true;
        return answered(std::move(b));
    }

    // Statements in a transaction: a shape seen again is prepared on the server once (in
    // its own savepointed batch, so a shape the server cannot prepare costs nothing but
    // its text path) and afterwards executed in the statement's batch.
    //
    // The server plans a kept statement for all values after a few runs, for the tables
    // as they are then. A table that grows in a transaction (a day's accumulators posted
    // at once into a table analysed empty) would keep that plan, a scan of the whole
    // table, to its end: a kept statement is prepared again, and so planned for the
    // tables as they are, at its 16th, 32nd, 64th... run in each transaction.
    struct ServerStatement {
        int seen = 0;
        QString name; // empty: not prepared (yet, or ever when `failed`)
        bool failed = false;
        std::pair<quint64, qint64> runs; // the transaction, the runs in it
        int firstRows = 0; // a union's last runs in a row whose first query had the row
        bool replanDue(quint64 transaction) {
            runs = {transaction, runs.first == transaction ? runs.second + 1 : 1};
            return runs.second >= 16 && (runs.second & (runs.second - 1)) == 0;
        }
    };

    QString nextServerName() {
        return QStringLiteral("ado_s") + QString::number(++serverStatementCount_);
    }

    Rows runGuarded(const Translation& t, const QString& tsql) {
        if (!t.parameterized() || cache.capacity() <= 0)
            return runUnderSavepoint(textOf(t, tsql));
        ServerStatement& st = serverStatements_[t.shape];
        const bool again = !st.name.isEmpty() && st.replanDue(transactions_);
        if ((st.name.isEmpty() && !st.failed && ++st.seen >= 2) || again) {
            const QString name = again ? st.name : nextServerName();
            try {
                runUnderSavepoint(pg::prepareText(name, t.shape, again));
                st.name = name;
            } catch (const AutomationError&) {
                // the text path reports whatever is wrong with the statement
                st = ServerStatement{st.seen, {}, true, {}};
            }
        }
        if (st.name.isEmpty())
            return runUnderSavepoint(textOf(t, tsql));
        try {
            return runUnderSavepoint(pg::executeText(st.name, t.parameters));
        } catch (const AutomationError& e) {
            if (!pg::stalePlan(e.description())) // else prepared anew the next time
                throw;
            st = ServerStatement{};
            return runUnderSavepoint(textOf(t, tsql));
        }
    }

    bool statementSavepoint_ = false; // the last statement's savepoint is open
    std::shared_ptr<const Recordset::Columns> guardedColumns_;
    std::unordered_map<QString, ServerStatement> serverStatements_;
    std::map<std::vector<quint64>, ServerStatement> unions_; // see firstValues()
    std::shared_ptr<const Recordset::Columns> streamedColumns_;
    std::shared_ptr<QStringList> dropped_ = std::make_shared<QStringList>(); // see prepare()
    std::shared_ptr<const Recordset::Columns> pipelineColumns_;              // the last ones read
    int serverStatementCount_ = 0;
    quint64 transactions_ = 0;                                 // begun on this connection
    qint64 fastestUnion_ = std::numeric_limits<qint64>::max(); // µs, see firstValues()
    pg::PooledLocks locks_;                                    // behind a transaction pooler
};

std::optional<std::vector<PipelineOutcome>>
PgBackend::pipeline(const std::vector<Translation>& queries, const TextAt& textAt) {
    // A shape seen before runs as a statement prepared on the server (planned once); a
    // new one is prepared in the same pipeline, just before it runs. Behind a transaction
    // pooler they go unprepared, after the schema set for the pipeline's own transaction.
    std::vector<pg::PipelineStatement> statements;
    if (const QString schema = pooled() ? settings.key({"schema"}) : QString(); !schema.isEmpty())
        statements.push_back({postgresLocalSchema(schema), {}, false, {}});
    const size_t first = statements.size();
    std::vector<ServerStatement*> named(queries.size() + first, nullptr);
    for (size_t i = 0; i < queries.size(); ++i) {
        const Translation& t = queries[i];
        pg::PipelineStatement st;
        ServerStatement* server = t.parameterized() ? &serverStatements_[t.shape] : nullptr;
        if (server && !server->failed) {
            if (server->name.isEmpty()) {
                server->name = nextServerName();
                st.prepare = true;
                st.text = pg::numberedPlaceholders(t.shape); // the server keeps it by name
            }
            st.prepared = server->name;
            named[first + i] = server;
            for (const QVariant& v : t.parameters)
                st.parameters.push_back(pg::parameterText(v));
        } else {
            st.text = textOf(t, textAt(i));
        }
        statements.push_back(std::move(st));
    }
    ++cache.stats.texts;
    std::vector<pg::BatchResult> results = pg::execPipeline(db, statements, pipelineColumns_);
    // Not prepared after all (a shape the server refuses goes as text from now on, one
    // that never reached it is prepared next time), or a stale plan (prepared anew next
    // time): the queries go one by one now, the failure having undone the whole pipeline.
    bool oneByOne = false;
    for (size_t i = 0; i < results.size(); ++i) {
        ServerStatement* server = named[i];
        const bool stale = server && !statements[i].prepare && pg::stalePlan(results[i].error);
        if (!server || results[i].ok || (!statements[i].prepare && !stale))
            continue;
        if (stale)
            dropped_->push_back(server->name);
        server->name.clear();
        server->failed = results[i].prepareFailed;
        oneByOne = oneByOne || stale || results[i].prepareFailed;
    }
    if (oneByOne)
        return std::nullopt;
    if (first && !results.front().ok)
        throw batchFailure(results.front());
    std::vector<PipelineOutcome> out(queries.size());
    for (size_t i = 0; i < out.size(); ++i) {
        pg::BatchResult& b = results[first + i];
        if (b.ok)
            out[i].rows = Rows{std::move(b.columns), std::move(b.cells), b.rowsAffected};
        else
            out[i].error = batchFailure(b);
    }
    return out;
}

// Whether the queries' rows have the same columns of the same types: the same select
// list over the same tables (the same text up to the WHERE), so that no branch of a union
// changes the type another answers with.
static bool sameColumns(const std::vector<Translation>& queries) {
    const auto head = [](const QString& shape) {
        const qsizetype where = shape.indexOf(QLatin1StringView(" WHERE "), 0, Qt::CaseInsensitive);
        return where < 0 ? QStringView() : QStringView(shape).left(where);
    };
    const QStringView first = head(queries.front().shape);
    return !first.isEmpty() &&
           std::all_of(queries.begin(), queries.end(),
                       [&](const Translation& t) { return head(t.shape) == first; });
}

// The queries as branches of one statement that stops at the first row, each branch
// tagged with its place. A non-parallel Append runs its branches in the order written
// and stops when the LIMIT has its row: a search the first step answers costs the server
// that look-up (and the others' start), one that needs every step one execution. (A LIMIT
// on each branch would change no answer and cost a node per branch on every run.)
//
//   SELECT current_schema() AS ado_serial, ado_u.* FROM (
//     (SELECT 0 AS ado_step, ado_q.* FROM (q0) ado_q) UNION ALL
//     (SELECT 1 AS ado_step, ado_q.* FROM (q1) ado_q)) ado_u LIMIT 1
//
// current_schema(), which the server never lets a parallel worker run, keeps the branches
// in their order. When their rows do not fit one column list, or the statement fails (but
// for a stale plan, prepared anew), it is never tried again for these shapes and the
// pipeline tells each query's own outcome.
//
// A search whose first query had the row the last two times, on a server whose unions
// came back within a quarter of a millisecond, asks that query alone first: the server
// starts one query instead of all, a fifth less of its time. When it has no row the others
// go as one union (a round trip more: the price of a wrong guess) and the next search asks
// the whole union. Farther away a round trip costs more than starting every query.
std::optional<Backend::FirstValues>
PgBackend::firstValues(const std::vector<Translation>& queries) {
    if (pooled() || queries.empty() || cache.capacity() <= 0)
        return std::nullopt;
    std::vector<quint64> ids;
    ids.reserve(queries.size());
    for (const Translation& t : queries) {
        if (!t.shapeId)
            return std::nullopt;
        ids.push_back(t.shapeId);
    }
    ServerStatement& server = unions_[ids];
    if (server.failed)
        return std::nullopt;
    if (server.name.isEmpty() && !sameColumns(queries)) {
        server.failed = true;
        return std::nullopt;
    }
    if (server.firstRows >= 2 && fastestUnion_ < 250 && queries.size() > 1 &&
        !serverStatements_[queries.front().shape].failed) {
        auto alone = pipeline({queries.front()}, [](size_t) { return QString(); });
        const Rows* rows = alone && !alone->front().error ? &alone->front().rows : nullptr;
        if (rows && rows->columns && !rows->columns->names.isEmpty() && !rows->cells.isEmpty())
            return FirstValues{rows->cells.front()};
        server.firstRows = 0; // no row, or a failure that the union will tell
        if (rows)
            return FirstValues(1); // no row: the rest go together
    }
    pg::PipelineStatement st;
    if (server.name.isEmpty()) {
        QString branches;
        for (size_t i = 0; i < queries.size(); ++i)
            branches += (i ? QStringLiteral(" UNION ALL (SELECT ") : QStringLiteral("(SELECT ")) +
                        QString::number(i) + QStringLiteral(" AS ado_step, ado_q.* FROM (") +
                        queries[i].shape + QStringLiteral(") ado_q)");
        server.name = nextServerName();
        st.prepare = true;
        st.text = pg::numberedPlaceholders(
            QStringLiteral("SELECT current_schema() AS ado_serial, ado_u.* FROM (") + branches +
            QStringLiteral(") ado_u LIMIT 1"));
    }
    st.prepared = server.name;
    for (const Translation& t : queries)
        for (const QVariant& v : t.parameters)
            st.parameters.push_back(pg::parameterText(v));
    std::vector<pg::PipelineStatement> one;
    one.push_back(std::move(st));
    QElapsedTimer took;
    took.start();
    pg::BatchResult b = std::move(pg::execPipeline(db, one, pipelineColumns_).front());
    fastestUnion_ = std::min(fastestUnion_, took.nsecsElapsed() / 1000);
    const qsizetype width = b.columns ? b.columns->names.size() : 0;
    if (!b.ok || width < 3) {
        if (pg::stalePlan(b.error)) // prepared anew the next time
            dropped_->push_back(std::exchange(server, ServerStatement{}).name);
        else
            server = ServerStatement{0, {}, true, {}};
        if (connectionLost())
            throw batchFailure(b);
        return std::nullopt;
    }
    ++cache.stats.hits;
    if (b.cells.isEmpty()) {
        server.firstRows = 0;
        return FirstValues(queries.size()); // no query has a row
    }
    const qsizetype step = b.cells[1].toLongLong();
    if (step < 0 || step >= qsizetype(queries.size()))
        return std::nullopt;
    server.firstRows = step == 0 ? std::min(server.firstRows + 1, 2) : 0;
    FirstValues out(size_t(step) + 1);
    out.back() = std::move(b.cells[2]);
    return out;
}

} // namespace

std::unique_ptr<Backend> makePgBackend(const ConnectionSettings& settings, qint32& level) {
    return std::make_unique<PgBackend>(settings, level);
}

} // namespace ado
