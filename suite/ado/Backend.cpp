#include "Backend.h"

#include <QAtomicInteger>
#include <QSqlQuery>

namespace ado {

using automation::AutomationError;

namespace {
QString connectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("ado-") + QString::number(counter.fetchAndAddRelaxed(1));
}
} // namespace

QString driverText(const QSqlError& e) {
    QString t = e.databaseText().trimmed();
    if (t.isEmpty())
        t = e.text().trimmed();
    if (t.startsWith(QStringLiteral("ERROR:")))
        t = t.mid(6).trimmed();
    return t;
}

bool isConflict(const QString& code) {
    return code == u"40P01" || code == u"40001" || code == u"1205";
}

Backend::Backend(const ConnectionSettings& s, qint32& transactionLevel)
    : shapes(s.dialect), settings(s), level(transactionLevel) {}

Backend::~Backend() = default;

std::unique_ptr<Backend> Backend::forSettings(const ConnectionSettings& s, qint32& level) {
    if (s.odbc)
        return makeOdbcBackend(s, level);
    if (s.dialect == Dialect::PostgreSQL)
        return makePgBackend(s, level);
    return makeSqliteBackend(s, level);
}

QString Backend::source() const {
    return QStringLiteral("ado.") + dialectName(settings.dialect);
}

void Backend::refuse(qint32 number, const QString& text) {
    // Nothing of a connection that did not open is left behind.
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(driverName);
    throw AutomationError(number, source(), withoutPasswords(text, connectionString));
}

void Backend::requirePostgresSchema() {
    const QString schema = settings.key({"schema"});
    if (schema.isEmpty())
        return;
    QSqlQuery q(db);
    if (q.exec(postgresSchemaCount(schema)) && q.next() && q.value(0).toLongLong() == 0)
        throw AutomationError(errors::ConnectFailed, source(),
                              QStringLiteral("Schema=") + schema +
                                  QStringLiteral(" names no schema of the database (CREATE "
                                                 "SCHEMA makes one)."));
}

void Backend::open(const QString& cs) {
    connectionString = cs;
    if (!QSqlDatabase::isDriverAvailable(settings.qtDriver))
        throw AutomationError(errors::ProviderNotFound, source(),
                              QStringLiteral("Provider cannot be found. The Qt SQL driver ") +
                                  settings.qtDriver + QStringLiteral(" is not installed."));
    driverName = connectionName();
    db = QSqlDatabase::addDatabase(settings.qtDriver, driverName);
    configure();
    // Exact decimals: amounts come back as their decimal text, never through a double.
    db.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!db.open())
        refuse(errors::ConnectFailed, driverText(db.lastError()));
    try {
        started();
    } catch (...) {
        close(false);
        throw;
    }
    shapes = ShapeCache(settings.dialect, columnScales(), collation);
}

void Backend::close(bool rollback) {
    if (!db.isValid())
        return;
    closing(rollback);
    cache.clear();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(driverName);
}

void Backend::syncTransactionState() {
    // A failure can end the engine's transaction on its own: SQLite rolls back after a
    // full disk, an interrupted statement or RAISE(ROLLBACK); a server's transaction
    // ends with its connection. The level follows the engine, so that the next
    // BeginTrans starts a transaction and no later RollbackTrans hides the failure.
    if (level > 0 && engineInTransaction() == false) {
        level = 0;
        transactionEnded();
    }
}

std::optional<std::vector<PipelineOutcome>> Backend::pipeline(const std::vector<Translation>&,
                                                              const TextAt&) {
    return std::nullopt;
}

Rows Backend::execute(const Translation& t, const QString& tsql) {
    return runTranslated(t, tsql);
}

Rows Backend::text(const QString& sql) {
    ++cache.stats.texts;
    return runText(sql);
}

QString Backend::textOf(const Translation& t, const QString& tsql) {
    return t.text.isEmpty() && t.parameterized() ? shapes.translate(tsql, false).text : t.text;
}

void Backend::schemaChanged() {
    shapes = ShapeCache(settings.dialect, columnScales(), collation);
}

Rows Backend::runTranslated(const Translation& t, const QString& tsql) {
    if (!t.parameterized() || cache.capacity() <= 0) {
        // A schema change may change what kept statements refer to.
        const QString head = t.text.trimmed().left(6).toUpper();
        if (head.startsWith(QStringLiteral("CREATE")) || head.startsWith(QStringLiteral("ALTER")) ||
            head.startsWith(QStringLiteral("DROP"))) {
            cache.clear();
            schemaChanged();
        }
        return text(textOf(t, tsql));
    }
    bool isNew = false;
    CacheEntry& e = cache.entry(t.shape, isNew);
    // A shape seen once is sent as text: one-off statements cost no preparation.
    if (isNew || e.unpreparable)
        return text(textOf(t, tsql));
    if (!e.prepared) {
        e.prepared = prepare(t.shape);
        if (!e.prepared) {
            e.unpreparable = true;
            return text(textOf(t, tsql));
        }
        ++cache.stats.prepares;
    }
    ++cache.stats.hits;
    return runPrepared(*e.prepared, t.parameters, e.columns);
}

void Backend::control(const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql))
        fail(errorOf(q));
}

QSqlError Backend::errorOf(const QSqlQuery& q) const {
    return q.lastError();
}

QString Backend::lostText() {
    return QStringLiteral("The connection to the database server was lost.");
}

void Backend::fail(const QSqlError& e) {
    QString text = driverText(e);
    syncTransactionState();
    if (lost(e))
        throw AutomationError(errors::ConnectFailed, source(), text.isEmpty() ? lostText() : text);
    if (text.isEmpty())
        text = QStringLiteral("The database refused the statement without saying why.");
    if (isConflict(e.nativeErrorCode()))
        throw AutomationError(errors::Conflict, source(), text);
    throw AutomationError(integrity(e) ? errors::Integrity : errors::Statement, source(), text);
}

} // namespace ado
