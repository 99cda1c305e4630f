// The ODBC driver manager: SQL Server, or PostgreSQL when the connection string says
// "Dialect=PostgreSQL". The driver manager gets the connection string as written.
#include "DriverBackend.h"
#include "ServerTexts.h"

#include <QSqlResult>
#include <clocale>
#include <sql.h>

namespace ado {

using automation::AutomationError;

namespace {

// The SQLSTATE of the last failure of a query ("23505", "08S01"), read from the
// statement's own diagnostics: the Qt driver reports only the driver's native number,
// which says nothing portable. Asked before the query is reset or used again; empty when
// the query has no diagnostics.
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

class OdbcBackend : public DriverBackend {
public:
    OdbcBackend(const ConnectionSettings& s, qint32& transactionLevel)
        : DriverBackend(s, transactionLevel), postgres_(s.dialect == Dialect::PostgreSQL),
          texts_(postgres_ ? postgresTexts() : sqlServerTexts()) {}

    Rows execute(const Translation& t, const QString& tsql) override {
        // PostgreSQL aborts a whole transaction on its first failing statement: each
        // statement runs under a savepoint of its own so that a failure undoes it alone.
        if (postgres_ && level > 0)
            return runUnderOwnSavepoint(textOf(t, tsql));
        if (settings.transactionPooler)
            return inPooledTransaction(t, tsql);
        return runTranslated(t, tsql);
    }

    void begin(qint32 next) override {
        if (next > 1)
            return control(texts_.saveLevel(next));
        if (!db.transaction())
            fail(db.lastError());
        if (settings.transactionPooler)
            pooledSession();
    }
    void commit(qint32 current) override {
        if (current > 1) {
            if (const QString sql = texts_.commitLevel(current); !sql.isEmpty())
                control(sql);
        } else if (!db.commit()) {
            fail(db.lastError());
        }
    }
    void rollback(qint32 current) override {
        if (current > 1) {
            for (const QString& sql : texts_.rollbackLevel(current))
                control(sql);
        } else if (!db.rollback()) {
            fail(db.lastError());
        }
    }

    const ServerTexts& texts() const override { return texts_; }
    void lock(const QString& name) override { control(texts_.lock(name)); }
    bool tryLock(const QString& name) override {
        QSqlQuery q(db);
        if (!q.exec(texts_.tryLock(name)) || !q.next())
            fail(errorOf(q));
        return texts_.granted(q.value(0));
    }
    void unlock(const QString& name) override { control(texts_.unlock(name)); }

protected:
    void configure() override {
        db.setDatabaseName(settings.odbcRest);
        // ODBC drivers convert numbers with the C library's LC_NUMERIC, which the
        // application object took from the environment: under Spanish settings a driver
        // reads "7.50" as 7 and writes 7,5 into a statement. The numbers between a driver
        // and the data layer are the machine's, so the C numeric locale goes back to "C";
        // the windows format with QLocale, which does not read it.
        std::setlocale(LC_NUMERIC, "C");
    }
    void started() override {
        if (postgres_)
            requirePostgresSchema();
        // Behind a transaction pooler a session setting reaches whichever client the
        // server session serves next: the settings go with each transaction instead, and
        // nothing is kept prepared on the server.
        if (settings.transactionPooler)
            cache.setLimit(0);
        else if (postgres_)
            for (const QString& sql : postgresSession(settings.key({"schema"})))
                control(sql);
        // Spanish order for the lists, whatever the database's own collation.
        collation = postgres_ ? postgresCollation() : QStringLiteral("Modern_Spanish_CI_AS");
    }
    void closing(bool rollback) override {
        if (rollback)
            db.rollback();
        DriverBackend::closing(rollback);
    }

    QSqlError errorOf(const QSqlQuery& q) const override {
        const QSqlError e = q.lastError();
        const QString state = sqlState(q);
        return state.isEmpty() ? e : QSqlError(e.driverText(), e.databaseText(), e.type(), state);
    }
    bool integrity(const QSqlError& e) const override {
        const QString code = e.nativeErrorCode();
        if (postgres_)
            return code.startsWith(QStringLiteral("23"));
        return code.contains(QStringLiteral("23000")) ||
               e.text().contains(QStringLiteral("23000")) || code == u"2627" || code == u"2601" ||
               code == u"515" || code == u"547";
    }
    // SQLSTATE class 08 (or PostgreSQL's 57P01-57P03, the server ended the session): the
    // connection is gone, and with it the server's transaction.
    bool lost(const QSqlError& e) override {
        const QString state = e.nativeErrorCode();
        if (!state.startsWith(QStringLiteral("08")) && !state.startsWith(QStringLiteral("57P0")))
            return false;
        level = 0;
        return true;
    }

private:
    // The session's settings for this transaction only (SET LOCAL).
    void pooledSession() {
        for (const QString& sql : postgresSession(settings.key({"schema"})))
            control(QStringLiteral("SET LOCAL ") + sql.mid(4)); // after "SET "
    }
    // A statement outside a transaction, behind a transaction pooler: in a transaction of
    // its own with the session's settings, which keeps one server session for both.
    Rows inPooledTransaction(const Translation& t, const QString& tsql) {
        if (!db.transaction())
            fail(db.lastError());
        try {
            pooledSession();
            Rows r = runTranslated(t, tsql);
            if (!db.commit())
                fail(db.lastError());
            return r;
        } catch (...) {
            db.rollback();
            throw;
        }
    }

    // The savepoint, the statement, then the savepoint released, or rolled back to when
    // the statement failed: the driver sends one statement at a time.
    Rows runUnderOwnSavepoint(const QString& sql) {
        control(QStringLiteral("SAVEPOINT ado_statement"));
        try {
            Rows r = text(sql);
            control(QStringLiteral("RELEASE SAVEPOINT ado_statement"));
            return r;
        } catch (const AutomationError& e) {
            if (e.number() != errors::ConnectFailed) {
                try {
                    control(QStringLiteral("ROLLBACK TO SAVEPOINT ado_statement"));
                    control(QStringLiteral("RELEASE SAVEPOINT ado_statement"));
                } catch (const AutomationError&) {
                }
            }
            throw;
        }
    }

    const bool postgres_; // the server behind the data source speaks PostgreSQL
    const ServerTexts& texts_;
};

} // namespace

std::unique_ptr<Backend> makeOdbcBackend(const ConnectionSettings& settings, qint32& level) {
    return std::make_unique<OdbcBackend>(settings, level);
}

} // namespace ado
