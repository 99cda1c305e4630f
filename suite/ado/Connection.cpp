#include "Connection.h"

#include "Backend.h"
#include "ConnectionString.h"
#include "Recordset.h"
#include "StatementTrace.h"
#include "automation/AutomationError.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>

namespace ado {

using automation::AutomationError;

struct Connection::Impl {
    std::unique_ptr<Backend> backend; // the engine's, while open
    QString source = QStringLiteral("ado");
    QString connectionString;
    Dialect dialect = Dialect::SQLite;
    qint32 level = 0;
    Observer observer;
    bool pipelining = true;
    int cacheCapacity = 128; // prepared shapes kept

    void requireOpen() const {
        if (!backend)
            throw AutomationError(errors::ConnectionClosed, source,
                                  QStringLiteral("The connection cannot be used to perform "
                                                 "this operation. It is either closed or "
                                                 "invalid in this context."));
    }
    void requireOpenObject() const {
        if (!backend)
            throw AutomationError(
                errors::ObjectClosed, source,
                QStringLiteral("Operation is not allowed when the object is closed."));
    }
    Translation translate(const QString& tsql) const {
        return backend->shapes.translate(tsql, backend->cache.capacity() > 0);
    }
};

Connection::Connection() : d(std::make_unique<Impl>()) {}

Connection::~Connection() {
    try {
        Close();
    } catch (...) {
    }
}

void Connection::Open(const QString& connectionString) {
    if (d->backend)
        throw AutomationError(errors::AlreadyOpen, d->source,
                              QStringLiteral("Operation is not allowed when the object is open."));
    const ConnectionSettings settings =
        parseConnectionString(connectionString, QStringLiteral("ado"));
    std::unique_ptr<Backend> backend = Backend::forSettings(settings, d->level);
    d->source = backend->source();
    d->level = 0;
    backend->open(connectionString);
    backend->cache.setCapacity(d->cacheCapacity);
    d->dialect = settings.dialect;
    d->connectionString = connectionString;
    d->backend = std::move(backend);
}

void Connection::Close() {
    if (!d->backend)
        return;
    const bool inTransaction = d->level > 0;
    d->level = 0;
    std::unique_ptr<Backend> backend = std::move(d->backend);
    backend->close(inTransaction);
}

ObjectStateEnum Connection::State() const {
    return d->backend ? adStateOpen : adStateClosed;
}
QString Connection::ConnectionString() const {
    return d->connectionString;
}
Dialect Connection::dialect() const {
    return d->dialect;
}
QString Connection::collation() const {
    return d->backend ? d->backend->orderCollation() : QString();
}
QSqlDatabase Connection::database() const {
    return d->backend ? d->backend->db : QSqlDatabase();
}
qint32 Connection::transactionLevel() const {
    return d->level;
}
void Connection::setObserver(Observer observer) {
    d->observer = std::move(observer);
}
Connection::CacheStatistics Connection::cacheStatistics() const {
    if (!d->backend)
        return {};
    const StatementCache::Statistics& s = d->backend->cache.stats;
    return {s.hits, s.prepares, s.texts};
}
void Connection::setStatementCacheSize(int shapes) {
    d->cacheCapacity = qMax(0, shapes);
    if (d->backend)
        d->backend->cache.setCapacity(shapes);
}
void Connection::setPipelining(bool on) {
    d->pipelining = on;
}
bool Connection::pipelining() const {
    return d->pipelining;
}

// Traces a statement, tells the observer and refuses what no engine may run.
void Connection::announce(const StatementEvent& event) {
    show(event);
    check(event);
}

void Connection::show(const StatementEvent& event) {
    trace(event.text);
    if (d->observer)
        d->observer(event);
}

void Connection::check(const StatementEvent& event) {
    d->requireOpen();
    // A NUL would end the statement early on some engines and is refused by others:
    // it is refused here, the same way everywhere.
    if (event.text.contains(QChar(0)))
        throw AutomationError(errors::Statement, d->source,
                              QStringLiteral("The statement contains a NUL character."));
    // One statement per call on every engine: a text that carries a second one is
    // refused whole, so that no quoting fault can become a statement of its own.
    if (const qsizetype at = secondStatementAt(event.text); at >= 0)
        throw AutomationError(errors::Statement, d->source,
                              QStringLiteral("The text holds more than one statement (another "
                                             "begins at character ") +
                                  QString::number(at + 1) +
                                  QStringLiteral("); send one statement per call."));
}

Connection::Result Connection::run(const StatementEvent& event) {
    announce(event);
    return execute(event);
}

Connection::Result Connection::execute(const StatementEvent& event) {
    const Translation t = d->translate(event.text);
    try {
        Rows r = d->backend->execute(t, event.text);
        return Result{std::move(r.columns), std::move(r.cells), r.rowsAffected};
    } catch (const AutomationError& e) {
        throw withoutSecrets(e, event.text);
    }
}

std::shared_ptr<Recordset> Connection::Execute(const QString& commandText, qint32* recordsAffected,
                                               long) {
    Result r = run({StatementEvent::Execute, commandText});
    if (recordsAffected)
        *recordsAffected = r.rowsAffected;
    auto rs = std::make_shared<Recordset>();
    if (r.columns)
        rs->assign(std::move(r.columns), std::move(r.cells), adOpenForwardOnly, adLockReadOnly);
    return rs;
}

// The text is written only for whoever looks at it (the trace, the observer, a message)
// or when the engine takes no values apart.
qint32 Connection::run(StatementEvent::Kind kind, const Statement& s,
                       std::optional<QVariant>* first) {
    StatementEvent event{kind,
                         {},
                         kind == StatementEvent::Open ? adOpenForwardOnly : adOpenUnspecified,
                         kind == StatementEvent::Open ? adLockReadOnly : adLockUnspecified};
    const bool shown = tracing() || d->observer;
    if (shown) {
        event.text = s.text();
        show(event);
    }
    d->requireOpen();
    if (d->backend->cache.capacity() > 0) {
        try {
            if (const std::optional<qint32> n = d->backend->runDirect(s, first))
                return *n;
        } catch (const AutomationError& e) {
            throw withoutSecrets(e, shown ? event.text : s.text());
        }
    }
    if (!shown)
        event.text = s.text();
    check(event);
    Result r = execute(event);
    if (first)
        *first = r.columns && !r.cells.isEmpty() ? std::optional<QVariant>(r.cells.front())
                                                 : std::nullopt;
    return r.rowsAffected;
}

qint32 Connection::ExecuteCount(const Statement& statement) {
    return run(StatementEvent::Execute, statement, nullptr);
}

std::optional<QVariant> Connection::FirstValue(const Statement& query) {
    std::optional<QVariant> first;
    run(StatementEvent::Open, query, &first);
    return first;
}

int Connection::FirstAnswering(const std::vector<Statement>& queries,
                               const std::function<bool(const std::optional<QVariant>&)>& answers) {
    d->requireOpen();
    if (d->pipelining && d->level == 0 && queries.size() > 1 && d->backend->pipelines()) {
        // Where the engine keeps statements prepared the values go as they are, and no
        // text is written unless somebody looks at it.
        const bool bindable = d->backend->cache.capacity() > 0;
        const bool shown = tracing() || d->observer;
        // The engine answers the queries up to the first that has a row; when that row
        // does not answer, the ones after it are asked the same way.
        size_t from = 0;
        while (bindable && from < queries.size()) {
            std::vector<Translation> bound;
            for (size_t i = from; i < queries.size(); ++i) {
                std::optional<Translation> t = d->backend->shapes.bind(queries[i]);
                if (!t) {
                    bound.clear();
                    break;
                }
                bound.push_back(std::move(*t));
            }
            if (bound.empty())
                break;
            if (shown)
                for (size_t i = from; i < queries.size(); ++i)
                    show({StatementEvent::Open, queries[i].text()});
            if (const auto firsts = d->backend->firstValues(bound)) {
                for (size_t i = 0; i < firsts->size(); ++i)
                    if (answers((*firsts)[i]))
                        return int(from + i);
                from += firsts->size();
                continue;
            }
            if (auto outcomes = d->backend->pipeline(
                    bound, [&](size_t i) { return queries[from + i].text(); })) {
                for (size_t i = 0; i < outcomes->size(); ++i) {
                    PipelineOutcome& o = (*outcomes)[i];
                    if (o.error)
                        throw withoutSecrets(*o.error, queries[from + i].text());
                    if (answers(o.rows.columns && !o.rows.columns->names.isEmpty() &&
                                        !o.rows.cells.isEmpty()
                                    ? std::optional<QVariant>(o.rows.cells.front())
                                    : std::nullopt))
                        return int(from + i);
                }
                return -1;
            }
            break;
        }
        if (from == queries.size())
            return -1;
        // A query the server would not prepare, or a value that cannot be bound: the rest
        // run one by one after all (those already answered are not asked again).
        if (from > 0) {
            for (size_t i = from; i < queries.size(); ++i)
                if (answers(FirstValue(queries[i])))
                    return int(i);
            return -1;
        }
        QStringList texts;
        for (const Statement& q : queries)
            texts << q.text();
        return FirstAnswering(texts, [&](Recordset& rs) {
            return answers(rs.Eof() || rs.FieldCount() == 0
                               ? std::nullopt
                               : std::optional<QVariant>(rs.Fields(0)));
        });
    }
    for (size_t i = 0; i < queries.size(); ++i)
        if (answers(FirstValue(queries[i])))
            return int(i);
    return -1;
}

int Connection::FirstAnswering(const QStringList& queries,
                               const std::function<bool(Recordset& rows)>& answers) {
    d->requireOpen();
    if (d->pipelining && d->level == 0 && queries.size() > 1 && d->backend->pipelines()) {
        std::vector<Translation> translations;
        translations.reserve(size_t(queries.size()));
        for (const QString& q : queries) {
            announce({StatementEvent::Open, q});
            translations.push_back(d->translate(q));
        }
        if (auto outcomes = d->backend->pipeline(translations,
                                                 [&](size_t i) { return queries[qsizetype(i)]; })) {
            for (int i = 0; i < queries.size(); ++i) {
                PipelineOutcome& o = (*outcomes)[size_t(i)];
                if (o.error)
                    throw withoutSecrets(*o.error, queries[i]);
                Recordset rs;
                if (o.rows.columns)
                    rs.assign(std::move(o.rows.columns), std::move(o.rows.cells), adOpenForwardOnly,
                              adLockReadOnly);
                if (answers(rs))
                    return i;
            }
            return -1;
        }
        // A query the server would not prepare: they run one by one after all.
    }
    for (int i = 0; i < queries.size(); ++i) {
        Recordset rs;
        rs.Open(queries[i], *this);
        if (answers(rs))
            return i;
    }
    return -1;
}

qint32 Connection::BeginTrans() {
    d->requireOpen();
    const qint32 next = d->level + 1;
    d->backend->begin(next);
    d->level = next;
    return next;
}

void Connection::CommitTrans() {
    d->requireOpen();
    if (d->level == 0)
        throw AutomationError(errors::NoTransaction, d->source,
                              QStringLiteral("No transaction is active."));
    d->backend->commit(d->level);
    --d->level;
}

void Connection::RollbackTrans() {
    d->requireOpen();
    if (d->level == 0)
        throw AutomationError(errors::NoTransaction, d->source,
                              QStringLiteral("No transaction is active."));
    Backend& backend = *d->backend;
    backend.syncTransactionState();
    if (d->level == 0)
        return; // the engine has already rolled it back: nothing is left to undo
    const qint32 level = d->level;
    // Whatever the engine answers, the level is gone afterwards: a rollback that fails
    // because the transaction or the connection is already gone leaves nothing open.
    --d->level;
    try {
        backend.rollback(level);
    } catch (const AutomationError&) {
        backend.syncTransactionState();
        if (backend.engineInTransaction() == false)
            return; // gone with the engine's own rollback: the outcome asked for
        throw;
    }
}

void Connection::LockNamed(const QString& name) {
    d->requireOpenObject();
    d->backend->lock(name);
}

bool Connection::LockNamed(const QString& name, int timeoutMs,
                           const std::function<void()>& waiting) {
    d->requireOpenObject();
    QElapsedTimer clock;
    clock.start();
    for (bool first = true;; first = false) {
        if (d->backend->tryLock(name))
            return true;
        if (first && waiting)
            waiting();
        if (clock.elapsed() >= timeoutMs)
            return false;
        QThread::msleep(quint32(qMin<qint64>(100, timeoutMs - clock.elapsed()) + 1));
    }
}

void Connection::UnlockNamed(const QString& name) {
    if (d->backend)
        d->backend->unlock(name);
}

Transaction::Transaction(Connection& connection)
    : cn_(connection), level_(connection.BeginTrans()) {}

Transaction::~Transaction() {
    if (done_ || cn_.State() != adStateOpen || cn_.transactionLevel() < level_)
        return;
    // Leaving without Commit means a failure is on its way up: it is the one the user
    // must see, so the rollback's own failure is not raised over it.
    try {
        cn_.RollbackTrans();
    } catch (...) {
    }
}

void Transaction::Commit() {
    cn_.CommitTrans();
    done_ = true;
}

void RunTransaction(Connection& connection, const std::function<void()>& work) {
    if (connection.transactionLevel() > 0) {
        Transaction tx(connection);
        work();
        tx.Commit();
        return;
    }
    constexpr int retries = 3;
    for (int attempt = 0;; ++attempt) {
        try {
            Transaction tx(connection);
            work();
            tx.Commit();
            return;
        } catch (const AutomationError& e) {
            // Only a transaction rolled back whole starts again: nothing of the failed
            // attempt may be committed with the next one.
            if (e.number() != errors::Conflict || connection.transactionLevel() != 0)
                throw;
            if (attempt == retries)
                throw AutomationError(
                    errors::Conflict, e.source(),
                    QStringLiteral("Otro usuario estaba cambiando los mismos datos a la vez y la "
                                   "operación no se ha podido completar; no se ha guardado "
                                   "nada. Inténtelo de nuevo."));
        }
        // Apart for a moment, at different moments, the two users rarely meet again.
        QThread::msleep(10 + QRandomGenerator::global()->bounded(40u * (attempt + 1)));
    }
}

bool Connection::CreateDatabase(const QString& connectionString) {
    qint32 level = 0;
    return Backend::forSettings(parseConnectionString(connectionString, QStringLiteral("ado")),
                                level)
        ->createDatabase();
}

} // namespace ado
