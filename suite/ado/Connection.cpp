#include "Connection.h"

#include "OdbcDirect.h"
#include "PgDirect.h"
#include "Recordset.h"
#include "SqliteDirect.h"
#include "automation/AutomationError.h"

#include <QAtomicInteger>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <list>
#include <map>
#include <optional>
#include <sqlite3.h>
#include <unordered_map>

namespace ado {

using automation::AutomationError;

namespace {

bool traceEnabled() {
    static const bool on = qEnvironmentVariable("ORBENTA_TRACE_SQL") == u"1";
    return on;
}

QString withoutSecrets(const QString& sql);
QString withoutSecrets(QString text, const QString& sql);
AutomationError withoutSecrets(const AutomationError& e, const QString& sql);

void trace(const QString& sql) {
    if (!traceEnabled())
        return;
    const QByteArray line = QByteArrayLiteral("SQL: ") + withoutSecrets(sql).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

QString connectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("ado-%1").arg(counter.fetchAndAddRelaxed(1));
}

struct ConnectionSettings {
    Dialect dialect = Dialect::SQLite;
    bool odbc = false; // through the ODBC driver manager, whatever the dialect
    QString qtDriver;
    QHash<QString, QString> keys; // lower-case keys
    QString odbcRest;
};

ConnectionSettings parseConnectionString(const QString& cs, const QString& source) {
    ConnectionSettings settings;
    const qsizetype firstSemi = cs.indexOf(u';');
    const QStringList parts = cs.split(u';', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = part.left(eq).trimmed().toLower();
        if (!settings.keys.contains(key))
            settings.keys.insert(key, part.mid(eq + 1).trimmed());
    }
    const QString driver = settings.keys.value(QStringLiteral("driver")).toLower();
    if (driver == u"sqlite") {
        settings.dialect = Dialect::SQLite;
        settings.qtDriver = QStringLiteral("QSQLITE");
    } else if (driver == u"postgresql" || driver == u"postgres") {
        settings.dialect = Dialect::PostgreSQL;
        settings.qtDriver = QStringLiteral("QPSQL");
    } else if (driver == u"odbc") {
        // "Dialect=PostgreSQL" names the language of the server behind the data source;
        // without it the server is SQL Server. The key is ours: the driver manager gets
        // the rest of the string as it was written.
        const QString dialect = settings.keys.value(QStringLiteral("dialect")).toLower();
        if (dialect.isEmpty() || dialect == u"sqlserver")
            settings.dialect = Dialect::SqlServer;
        else if (dialect == u"postgresql")
            settings.dialect = Dialect::PostgreSQL;
        else
            throw AutomationError(errors::ProviderNotFound, source,
                                  QStringLiteral("Dialect=") +
                                      settings.keys.value(QStringLiteral("dialect")) +
                                      QStringLiteral(" is not a dialect of ODBC connections "
                                                     "(PostgreSQL or SqlServer)."));
        settings.odbc = true;
        settings.qtDriver = QStringLiteral("QODBC");
        QStringList rest;
        for (const QString& part :
             (firstSemi < 0 ? QString() : cs.mid(firstSemi + 1)).split(u';', Qt::SkipEmptyParts))
            if (part.section(u'=', 0, 0)
                    .trimmed()
                    .compare(QStringLiteral("dialect"), Qt::CaseInsensitive) != 0)
                rest << part;
        settings.odbcRest = rest.join(u';');
    } else {
        throw AutomationError(errors::ProviderNotFound, source,
                              QStringLiteral("Provider cannot be found. The connection string "
                                             "must start with Driver=SQLite, "
                                             "Driver=PostgreSQL or Driver=ODBC."));
    }
    return settings;
}

QString driverText(const QSqlError& e) {
    QString t = e.databaseText().trimmed();
    if (t.isEmpty())
        t = e.text().trimmed();
    if (t.startsWith(QStringLiteral("ERROR:")))
        t = t.mid(6).trimmed();
    return t;
}

// A deadlock (PostgreSQL 40P01, SQL Server 1205) or a serialization failure (40001):
// the engine gave up on the transaction because of another one, not because of its work.
bool isConflict(const QString& code) {
    return code == u"40P01" || code == u"40001" || code == u"1205";
}

bool isIntegrityViolation(Dialect d, const QSqlError& e) {
    const QString code = e.nativeErrorCode();
    switch (d) {
    case Dialect::SQLite:
        // SQLITE_CONSTRAINT and its extended codes.
        return (code.toInt() & 0xff) == 19;
    case Dialect::PostgreSQL:
        return code.startsWith(QStringLiteral("23"));
    case Dialect::SqlServer: {
        const QString t = e.text();
        return code.contains(QStringLiteral("23000")) || t.contains(QStringLiteral("23000")) ||
               code == u"2627" || code == u"2601" || code == u"515" || code == u"547";
    }
    }
    return false;
}

struct CacheEntry {
    QString shape;
    std::unique_ptr<QSqlQuery> query;               // null until the shape is seen a second time
    std::unique_ptr<lite::Statement> liteStatement; // the same, on SQLite
    bool unpreparable = false;                      // the engine refused it: always run as text
    std::shared_ptr<const Recordset::Columns> columns;
};

} // namespace

QString displayConnectionString(const QString& connectionString) {
    const QStringView cs(connectionString);
    QString out;
    out.reserve(cs.size());
    // Parts end at a ";" outside braces (an ODBC value in braces may hold ";"). A brace
    // that is never closed does not swallow the rest: then every ";" ends a part.
    int open = 0;
    for (QChar c : cs) {
        if (c == u'{')
            ++open;
        else if (c == u'}' && open > 0)
            --open;
    }
    const bool braces = open == 0;
    for (qsizetype i = 0; i <= cs.size();) {
        qsizetype j = i;
        for (int depth = 0; j < cs.size() && (cs[j] != u';' || depth > 0); ++j) {
            if (!braces)
                continue;
            if (cs[j] == u'{')
                ++depth;
            else if (cs[j] == u'}' && depth > 0)
                --depth;
        }
        const QStringView part = cs.mid(i, j - i);
        const qsizetype eq = part.indexOf(u'=');
        const QStringView key = eq < 0 ? QStringView() : part.left(eq).trimmed();
        if (key.compare(u"pwd", Qt::CaseInsensitive) == 0 ||
            key.compare(u"password", Qt::CaseInsensitive) == 0)
            out += part.left(eq + 1) + QStringLiteral("***");
        else
            out += part;
        if (j < cs.size())
            out += u';';
        i = j + 1;
    }
    return out;
}

namespace {

bool namesPassword(QStringView name) {
    while (!name.isEmpty() && (name.front() == u'[' || name.front() == u'"'))
        name = name.mid(1);
    while (!name.isEmpty() && (name.back() == u']' || name.back() == u'"'))
        name.chop(1);
    return name.endsWith(u"password", Qt::CaseInsensitive);
}

QString literalBody(QStringView literal) {
    const QStringView body =
        literal.mid(literal.startsWith(u'N') || literal.startsWith(u'n') ? 2 : 1).chopped(1);
    return body.toString().replace(QStringLiteral("''"), QStringLiteral("'"));
}

bool holdsConnectionPassword(const QString& text) {
    static const QRegularExpression key(QStringLiteral("(^|[;\\s])(pwd|password)\\s*="),
                                        QRegularExpression::CaseInsensitiveOption);
    return key.match(text).hasMatch();
}

// The passwords of a connection string as written, with and without their braces.
QStringList connectionPasswords(const QString& connectionString) {
    QStringList secrets;
    static const QRegularExpression value(
        QStringLiteral("(?:^|;)\\s*(?:pwd|password)\\s*=\\s*(\\{[^}]*\\}?|[^;]*)"),
        QRegularExpression::CaseInsensitiveOption);
    for (auto it = value.globalMatch(connectionString); it.hasNext();) {
        const QString v = it.next().captured(1).trimmed();
        for (const QString& form :
             {v, v.startsWith(u'{') ? v.mid(1).chopped(v.endsWith(u'}') ? 1 : 0) : QString()})
            if (!form.isEmpty())
                secrets << form;
    }
    return secrets;
}

// A literal of a statement that holds a secret: where it stands, what the trace shows
// in its place and the secret values it carries (quotes not doubled).
struct SecretLiteral {
    qsizetype begin;
    qsizetype length;
    QString shown;
    QStringList secrets;
};

// The secret literals of a statement: the values of the agents' Password column (and of
// any column whose name ends in Password), the values of configuration keys ending in
// Password (an INSERT of Clave and Valor, or "Valor = ..." beside "Clave = '...Password'")
// and the passwords of connection strings written as literals. The trace shows them as
// '***', and an engine's message about the statement never repeats them.
std::vector<SecretLiteral> secretLiteralsOf(const QString& sql) {
    QString skeleton;
    std::vector<LiteralSpan> spans;
    if (!skeletonOf(sql, skeleton, spans)) {
        // A text the scanner does not judge (an unterminated literal): from its first
        // quote on, everything is secret.
        const qsizetype quote = sql.indexOf(u'\'');
        if (quote < 0)
            return {};
        const QString rest = sql.mid(quote + 1);
        return {{quote,
                 sql.size() - quote,
                 QStringLiteral("'***'"),
                 {rest, QString(rest).replace(QStringLiteral("''"), QStringLiteral("'"))}}};
    }
    if (spans.empty())
        return {};
    const auto text = [&](size_t k) {
        return QStringView(sql).mid(spans[k].begin, spans[k].length);
    };
    // The text between a literal and the one before it.
    const auto before = [&](size_t k) {
        const qsizetype from = k == 0 ? 0 : spans[k - 1].begin + spans[k - 1].length;
        return QStringView(sql).mid(from, spans[k].begin - from);
    };
    std::vector<bool> hide(spans.size(), false);
    // "Password = value", in a SET list or a condition; "Clave = 'ODBCPassword'" makes
    // "Valor = value" secret in the same statement.
    static const QRegularExpression assigned(QStringLiteral("password[\\]\"]?\\s*=\\s*$"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression claveIs(QStringLiteral("\\bclave[\\]\"]?\\s*=\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression valorIs(QStringLiteral("\\bvalor[\\]\"]?\\s*=\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    bool secretClave = false;
    for (size_t k = 0; k < spans.size(); ++k) {
        const QString b = before(k).toString();
        hide[k] = assigned.match(b).hasMatch();
        if (spans[k].kind != LiteralSpan::Number && claveIs.match(b).hasMatch() &&
            namesPassword(literalBody(text(k))))
            secretClave = true;
    }
    if (secretClave)
        for (size_t k = 0; k < spans.size(); ++k)
            if (valorIs.match(before(k).toString()).hasMatch())
                hide[k] = true;
    // INSERT INTO t (columns) VALUES (values): each literal belongs to a column.
    static const QRegularExpression insert(
        QStringLiteral("^\\s*INSERT\\s+INTO\\s+[^(]+\\(([^)]*)\\)\\s*VALUES\\s*\\("),
        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = insert.match(skeleton); m.hasMatch()) {
        const QStringList columns = m.captured(1).split(u',');
        std::vector<int> columnOf(spans.size(), -1);
        size_t k = size_t(skeleton.left(m.capturedEnd()).count(QChar(u'\x01')));
        int column = 0, depth = 0;
        for (qsizetype i = m.capturedEnd(); i < skeleton.size() && depth >= 0; ++i) {
            const QChar c = skeleton[i];
            if (c == u'\x01' && k < spans.size())
                columnOf[k++] = column;
            else if (c == u'(')
                ++depth;
            else if (c == u')')
                --depth;
            else if (c == u',' && depth == 0)
                ++column;
        }
        int clave = -1, valor = -1;
        for (int i = 0; i < columns.size(); ++i) {
            const QString name = columns[i].trimmed();
            if (name.compare(QStringLiteral("Clave"), Qt::CaseInsensitive) == 0)
                clave = i;
            else if (name.compare(QStringLiteral("Valor"), Qt::CaseInsensitive) == 0)
                valor = i;
        }
        // A configuration value whose key ends in Password.
        bool secretKey = false;
        for (size_t j = 0; j < spans.size(); ++j)
            if (clave >= 0 && columnOf[j] == clave && spans[j].kind != LiteralSpan::Number &&
                namesPassword(literalBody(text(j))))
                secretKey = true;
        for (size_t j = 0; j < spans.size(); ++j)
            if (columnOf[j] >= 0 &&
                ((columnOf[j] < columns.size() && namesPassword(columns[columnOf[j]].trimmed())) ||
                 (secretKey && columnOf[j] == valor)))
                hide[j] = true;
    }
    std::vector<SecretLiteral> out;
    for (size_t k = 0; k < spans.size(); ++k) {
        const LiteralSpan& sp = spans[k];
        if (hide[k]) {
            out.push_back(
                {sp.begin,
                 sp.length,
                 QStringLiteral("'***'"),
                 {sp.kind == LiteralSpan::Number ? text(k).toString() : literalBody(text(k))}});
        } else if (sp.kind != LiteralSpan::Number) {
            const QString body = literalBody(text(k));
            if (holdsConnectionPassword(body))
                out.push_back(
                    {sp.begin, sp.length,
                     u'\'' + displayConnectionString(body).replace(u'\'', QStringLiteral("''")) +
                         u'\'',
                     connectionPasswords(body)});
        }
    }
    return out;
}

// A statement as the trace shows it.
QString withoutSecrets(const QString& sql) {
    const std::vector<SecretLiteral> secrets = secretLiteralsOf(sql);
    if (secrets.empty())
        return sql;
    QString out;
    out.reserve(sql.size());
    qsizetype copied = 0;
    for (const SecretLiteral& s : secrets) {
        out += QStringView(sql).mid(copied, s.begin - copied);
        out += s.shown;
        copied = s.begin + s.length;
    }
    out += QStringView(sql).mid(copied);
    return out;
}

AutomationError withoutSecrets(const AutomationError& e, const QString& sql) {
    return AutomationError(e.number(), e.source(), withoutSecrets(e.description(), sql));
}

// An engine's message about a statement, which may quote the statement or its values:
// what the trace hides never shows in it. PostgreSQL repeats the line around the error
// ("LINE 1: ..." and a caret below, the word in the server's language), cut at either
// end, perhaps inside a literal: when the statement holds a secret that excerpt is left
// out whole.
QString withoutSecrets(QString text, const QString& sql) {
    const std::vector<SecretLiteral> literals = secretLiteralsOf(sql);
    if (literals.empty())
        return text;
    static const QRegularExpression excerpt(
        QStringLiteral("(^|\\n)[^\\n]*[0-9]+: [^\\n]*\\n *\\^ *(?=\\n|$)"));
    text.replace(excerpt, QString());
    // Engines quote the values they name ('x' or "x"): only a quoted whole value is
    // hidden. Hiding every occurrence of its characters would garble the message's own
    // words and so tell the password ("synta***" for a password "x").
    QStringList secrets;
    for (const SecretLiteral& l : literals)
        for (const QString& s : l.secrets)
            if (!s.isEmpty())
                secrets << u'\'' + QString(s).replace(u'\'', QStringLiteral("''")) + u'\''
                        << u'\'' + s + u'\'' << u'"' + s + u'"';
    // Longest first, so that no part of a longer one is left.
    std::sort(secrets.begin(), secrets.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& secret : secrets)
        text.replace(secret, secret.front() + QStringLiteral("***") + secret.back());
    return text.trimmed();
}

// A driver's message about a connection string, which may quote the string (the ODBC
// driver manager does when it cannot parse it): the password never shows.
QString withoutPasswords(QString text, const QString& connectionString) {
    // Its values as written, however the braces stand.
    QStringList secrets = connectionPasswords(connectionString);
    text.replace(connectionString, displayConnectionString(connectionString));
    static const QRegularExpression key(
        QStringLiteral("((?:pwd|password)\\s*=\\s*)(\\{[^}]*\\}?|[^;'\"\\s]*)"),
        QRegularExpression::CaseInsensitiveOption);
    text.replace(key, QStringLiteral("\\1***"));
    // Longest first, so that no part of a longer one is left.
    std::sort(secrets.begin(), secrets.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& secret : secrets)
        text.replace(secret, QStringLiteral("***"));
    return text;
}

} // namespace

struct Connection::Impl {
    QString name;
    QString connectionString;
    ConnectionSettings settings;
    QSqlDatabase db;
    bool open = false;
    qint32 level = 0;
    Observer observer;
    int cacheSize = 128;
    CacheStatistics stats;
    std::list<CacheEntry> lru; // most recent first
    std::unordered_map<QString, std::list<CacheEntry>::iterator> byShape;
    std::unique_ptr<QSqlQuery> textQuery;
    std::shared_ptr<const Recordset::Columns> textColumns;
    std::shared_ptr<const Recordset::Columns> guardedColumns;
    bool statementSavepoint = false; // PostgreSQL: the last statement's savepoint is open
    bool pipelining = true;
    sqlite3* lite = nullptr; // SQLite: the engine's connection, used directly
    std::map<QString, std::unique_ptr<QLockFile>> namedLocks; // SQLite: LockNamed's files
    ShapeCache shapes{Dialect::SQLite}; // set up for the connection's engine at Open
    ColumnScale scales;                 // SQLite: decimals of the DECIMAL(p,s) columns
    std::unordered_map<QString, int> scaleOf;

    // The scale a column was declared with (DECIMAL(19,4) -> 4), from the engine's own
    // catalogue, remembered until the schema changes; -1 for any other column.
    int columnScale(QStringView table, QStringView column) {
        // Keyed as written: the component always writes a column the same way, and the
        // engine's own lookup below ignores the letter case.
        QString key;
        key.reserve(table.size() + column.size() + 1);
        key.append(table).append(u'\n').append(column);
        if (const auto it = scaleOf.find(key); it != scaleOf.end())
            return it->second;
        int scale = -1;
        const char* type = nullptr;
        if (lite &&
            sqlite3_table_column_metadata(lite, nullptr, table.toUtf8().constData(),
                                          column.toUtf8().constData(), &type, nullptr, nullptr,
                                          nullptr, nullptr) == SQLITE_OK &&
            type) {
            static const QRegularExpression decimal(
                QStringLiteral(
                    "^\\s*(DECIMAL|NUMERIC|MONEY)\\s*(\\(\\s*\\d+\\s*,\\s*(\\d+)\\s*\\))?\\s*$"),
                QRegularExpression::CaseInsensitiveOption);
            const QRegularExpressionMatch m = decimal.match(QString::fromUtf8(type));
            if (m.hasMatch()) {
                if (!m.captured(3).isEmpty())
                    scale = m.captured(3).toInt();
                else if (m.captured(1).compare(QStringLiteral("MONEY"), Qt::CaseInsensitive) == 0)
                    scale = 4;
            }
        }
        scaleOf.emplace(key, scale);
        return scale;
    }
    void resetShapes() {
        scaleOf.clear();
        shapes = ShapeCache(settings.dialect, scales);
    }

    Result fromLite(lite::Statement::Outcome&& o) {
        if (!o.ok) {
            syncTransactionState();
            throw AutomationError(o.integrity ? errors::Integrity : errors::Statement, source(),
                                  liteText(o.error));
        }
        Result r;
        r.columns = std::move(o.columns);
        r.cells = std::move(o.cells);
        r.rowsAffected = o.rowsAffected;
        return r;
    }

    QString source() const { return QStringLiteral("ado.") + dialectName(settings.dialect); }

    bool readOnly = false; // SQLite: the file was opened for reading only
    QString liteFile;

    QString liteText(const QString& e) const {
        if (readOnly && e.contains(QStringLiteral("readonly")))
            return QStringLiteral("The database ") + liteFile +
                   QStringLiteral(" is open for reading only: the file or its folder cannot be "
                                  "written (") +
                   e + u')';
        return e;
    }

    // A query's failure; through ODBC it carries the SQLSTATE as its code, which is what
    // tells a broken constraint or a lost connection apart there.
    QSqlError errorOf(const QSqlQuery& q) const {
        const QSqlError e = q.lastError();
        if (!settings.odbc)
            return e;
        const QString state = odbc::sqlState(q);
        return state.isEmpty() ? e : QSqlError(e.driverText(), e.databaseText(), e.type(), state);
    }

    [[noreturn]] void fail(const QSqlError& e) {
        QString text = driverText(e);
        syncTransactionState();
        // Through ODBC, SQLSTATE class 08 (or PostgreSQL's 57P01-57P03, the server ended
        // the session): the connection is gone, and with it the server's transaction.
        const QString state = settings.odbc ? e.nativeErrorCode() : QString();
        const bool odbcLost =
            state.startsWith(QStringLiteral("08")) || state.startsWith(QStringLiteral("57P0"));
        if (odbcLost) {
            level = 0;
            statementSavepoint = false;
        }
        if (odbcLost || connectionLost()) {
            throw AutomationError(errors::ConnectFailed, source(),
                                  text.isEmpty() ? lostText() : text);
        }
        if (text.isEmpty())
            text = QStringLiteral("The database refused the statement without saying why.");
        if (isConflict(e.nativeErrorCode()))
            throw AutomationError(errors::Conflict, source(), text);
        throw AutomationError(isIntegrityViolation(settings.dialect, e) ? errors::Integrity
                                                                        : errors::Statement,
                              source(), text);
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

    static QString lostText() {
        return QStringLiteral("The connection to the database server was lost.");
    }

    // The server's own client library, reached under the Qt driver (PostgreSQL
    // connections that do not go through ODBC).
    bool libpq() const { return settings.dialect == Dialect::PostgreSQL && !settings.odbc; }

    bool connectionLost() const { return libpq() && pg::sessionState(db).lost; }

    // Whether the engine still has a transaction open; nullopt when it cannot tell.
    std::optional<bool> engineInTransaction() const {
        if (lite)
            return sqlite3_get_autocommit(lite) == 0;
        if (libpq()) {
            const pg::SessionState st = pg::sessionState(db);
            if (st.available)
                return st.inTransaction;
        }
        return std::nullopt;
    }

    // A failure can end the engine's transaction on its own: SQLite rolls back after a
    // full disk, an interrupted statement or RAISE(ROLLBACK); a server's transaction ends
    // with its connection. The transaction level follows the engine, so that the next
    // BeginTrans starts a transaction and no later RollbackTrans hides the failure.
    void syncTransactionState() {
        if (level > 0 && engineInTransaction() == false) {
            level = 0;
            statementSavepoint = false;
        }
    }

    void requireOpen() const {
        if (!open)
            throw AutomationError(errors::ConnectionClosed,
                                  name.isEmpty() ? QStringLiteral("ado") : source(),
                                  QStringLiteral("The connection cannot be used to perform "
                                                 "this operation. It is either closed or "
                                                 "invalid in this context."));
    }

    // Runs a control statement of the layer's own (transactions, savepoints, settings).
    void control(const QString& sql) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            fail(errorOf(q));
    }

    void clearCache() {
        byShape.clear();
        lru.clear();
        textQuery.reset();
        textColumns.reset();
        guardedColumns.reset();
        // Server-side statements of a connection end with it; on a schema change they
        // are re-planned by the server, so they are only forgotten here on close.
    }

    // Returns the entry for a shape, creating it (at the front) when new.
    CacheEntry& entry(const QString& shape, bool& isNew) {
        auto it = byShape.find(shape);
        if (it != byShape.end()) {
            lru.splice(lru.begin(), lru, it->second);
            isNew = false;
            return lru.front();
        }
        isNew = true;
        lru.push_front(CacheEntry{shape, nullptr, nullptr, false, nullptr});
        byShape.emplace(shape, lru.begin());
        while (int(lru.size()) > cacheSize) {
            byShape.erase(lru.back().shape);
            lru.pop_back();
        }
        return lru.front();
    }

    void collect(QSqlQuery& q, Result& r, std::shared_ptr<const Recordset::Columns>* cached) {
        if (!q.isSelect()) {
            r.rowsAffected = q.numRowsAffected();
            return;
        }
        // Reuse the columns of the previous result of this query when they are the
        // same (always, for one prepared shape while the schema stays as it is).
        const QSqlRecord rec = q.record();
        bool same = *cached && (*cached)->names.size() == rec.count();
        for (int i = 0; same && i < rec.count(); ++i)
            same = (*cached)->names[i] == rec.fieldName(i);
        if (!same) {
            QStringList names;
            names.reserve(rec.count());
            for (int i = 0; i < rec.count(); ++i)
                names << rec.fieldName(i);
            *cached = std::make_shared<const Recordset::Columns>(names);
        }
        r.columns = *cached;
        const int n = int(r.columns->names.size());
        // A value read from a row is never Empty: the ODBC driver gives SQL NULL as an
        // invalid variant, which becomes the null of the column's type, as the other
        // drivers give it.
        while (q.next())
            for (int i = 0; i < n; ++i) {
                QVariant v = q.value(i);
                if (!v.isValid()) {
                    const QMetaType t = rec.field(i).metaType();
                    v = QVariant(t.isValid() ? t : QMetaType::fromType<QString>());
                }
                r.cells.push_back(std::move(v));
            }
    }

    Result runText(const QString& sql) {
        ++stats.texts;
        if (lite) {
            lite::Statement st;
            if (!st.prepare(lite, sql, false))
                throw AutomationError(errors::Statement, source(), liteText(st.prepareError()));
            return fromLite(st.run({}, textColumns));
        }
        // One query object serves every text statement: rows are read before it is
        // used again, and creating a driver result per statement costs more than the
        // statement itself on the embedded engine.
        if (!textQuery) {
            textQuery = std::make_unique<QSqlQuery>(db);
            textQuery->setForwardOnly(true);
        }
        QSqlQuery& q = *textQuery;
        if (!q.exec(sql)) {
            const QSqlError e = errorOf(q);
            q.finish();
            fail(e);
        }
        Result r;
        collect(q, r, &textColumns);
        q.finish();
        return r;
    }

    // PostgreSQL aborts a whole transaction on the first failing statement; inside a
    // transaction every statement runs under a savepoint of its own, so a failure
    // undoes that statement alone, as on the other engines. The savepoint travels in
    // the statement's own round trip, and the previous statement's is released there
    // too: a statement in a transaction costs one round trip, not three.
    Result runUnderSavepoint(const QString& sql) {
        if (!libpq())
            return runUnderOwnSavepoint(sql);
        ++stats.texts;
        const QString batch =
            (statementSavepoint ? QStringLiteral("RELEASE SAVEPOINT ado_statement; ") : QString()) +
            QStringLiteral("SAVEPOINT ado_statement; ") + sql;
        pg::BatchResult b = pg::execBatch(db, batch, guardedColumns);
        if (!b.ok) {
            if (connectionLost()) {
                syncTransactionState();
                throw batchFailure(b);
            }
            // The batch stops at its first failure: roll back to the savepoint when it
            // was taken, or to the previous statement's when the failure came first.
            try {
                control(QStringLiteral("ROLLBACK TO SAVEPOINT ado_statement"));
            } catch (const AutomationError&) {
            }
            throw batchFailure(b);
        }
        statementSavepoint = true;
        Result r;
        r.columns = std::move(b.columns);
        r.cells = std::move(b.cells);
        r.rowsAffected = b.columns ? -1 : b.rowsAffected;
        return r;
    }

    // The same through ODBC, which sends one statement at a time: the savepoint, the
    // statement, then the savepoint released, or rolled back to when the statement
    // failed.
    Result runUnderOwnSavepoint(const QString& sql) {
        control(QStringLiteral("SAVEPOINT ado_statement"));
        try {
            Result r = runText(sql);
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

    // PostgreSQL statements in a transaction: a shape seen again is prepared on the
    // server once (in its own savepointed batch, so a shape the server cannot prepare
    // costs nothing but its text path) and afterwards executed in the statement's batch.
    struct ServerStatement {
        int seen = 0;
        QString name; // empty: not prepared (yet, or ever when `failed`)
        bool failed = false;
    };
    std::unordered_map<QString, ServerStatement> serverStatements;
    int serverStatementCount = 0;

    static QString withNumberedPlaceholders(const QString& shape) {
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

    Result runGuarded(const Translation& t, const QString& tsql) {
        if (!t.parameterized() || cacheSize <= 0 || !libpq())
            return runUnderSavepoint(t.parameterized() ? textOf(t, tsql) : t.text);
        ServerStatement& st = serverStatements[t.shape];
        if (st.name.isEmpty() && !st.failed && ++st.seen >= 2) {
            const QString name = QStringLiteral("ado_s%1").arg(++serverStatementCount);
            try {
                runUnderSavepoint(QStringLiteral("PREPARE ") + name + QStringLiteral(" AS ") +
                                  withNumberedPlaceholders(t.shape));
                st.name = name;
            } catch (const AutomationError&) {
                st.failed = true; // the text path reports whatever is wrong with the statement
            }
        }
        if (st.name.isEmpty())
            return runUnderSavepoint(textOf(t, tsql));
        QString call = QStringLiteral("EXECUTE ") + st.name;
        if (!t.parameters.isEmpty()) {
            call += u'(';
            for (int i = 0; i < t.parameters.size(); ++i) {
                if (i)
                    call += u',';
                call += u'\'' +
                        QString(t.parameters[i].toString()).replace(u'\'', QStringLiteral("''")) +
                        u'\'';
            }
            call += u')';
        }
        try {
            return runUnderSavepoint(call);
        } catch (const AutomationError& e) {
            // The table under a kept statement changed its columns: prepare it anew.
            if (!e.description().contains(
                    QStringLiteral("cached plan must not change result type")))
                throw;
            st = ServerStatement{};
            return runUnderSavepoint(textOf(t, tsql));
        }
    }

    // The plain text of a statement whose translation carries only its shape.
    QString textOf(const Translation& t, const QString& tsql) const {
        return t.parameterized()
                   ? translate(tsql, settings.dialect, false, scales ? &scales : nullptr).text
                   : t.text;
    }

    Result runTranslated(const Translation& t, const QString& tsql) {
        if (!t.parameterized() || cacheSize <= 0) {
            // A schema change may change what kept statements refer to.
            const QString head = t.text.trimmed().left(6).toUpper();
            if (head.startsWith(QStringLiteral("CREATE")) ||
                head.startsWith(QStringLiteral("ALTER")) ||
                head.startsWith(QStringLiteral("DROP"))) {
                clearCache();
                resetShapes();
            }
            return runText(textOf(t, tsql));
        }
        bool isNew = false;
        CacheEntry& e = entry(t.shape, isNew);
        // A shape seen once is sent as text: one-off statements cost no preparation.
        if (isNew || e.unpreparable)
            return runText(textOf(t, tsql));
        if (lite) {
            if (!e.liteStatement) {
                auto st = std::make_unique<lite::Statement>();
                if (!st->prepare(lite, t.shape, true)) {
                    e.unpreparable = true;
                    return runText(textOf(t, tsql));
                }
                ++stats.prepares;
                e.liteStatement = std::move(st);
            }
            ++stats.hits;
            return fromLite(e.liteStatement->run(t.parameters, e.columns));
        }
        if (!e.query) {
            auto q = std::make_unique<QSqlQuery>(db);
            q->setForwardOnly(true);
            q->setNumericalPrecisionPolicy(db.numericalPrecisionPolicy());
            if (!q->prepare(t.shape)) {
                e.unpreparable = true;
                return runText(textOf(t, tsql));
            }
            ++stats.prepares;
            e.query = std::move(q);
        }
        ++stats.hits;
        QSqlQuery& q = *e.query;
        for (int i = 0; i < t.parameters.size(); ++i)
            q.bindValue(i, t.parameters[i]);
        Result r;
        if (!q.exec()) {
            const QSqlError err = errorOf(q);
            q.finish();
            fail(err);
        }
        collect(q, r, &e.columns);
        q.finish();
        return r;
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
    if (d->open)
        throw AutomationError(errors::AlreadyOpen, d->source(),
                              QStringLiteral("Operation is not allowed when the object is open."));
    const ConnectionSettings settings =
        parseConnectionString(connectionString, QStringLiteral("ado"));
    if (!QSqlDatabase::isDriverAvailable(settings.qtDriver))
        throw AutomationError(errors::ProviderNotFound,
                              QStringLiteral("ado.") + dialectName(settings.dialect),
                              QStringLiteral("Provider cannot be found. The Qt SQL driver %1 is "
                                             "not installed.")
                                  .arg(settings.qtDriver));
    d->settings = settings;
    d->name = connectionName();
    d->db = QSqlDatabase::addDatabase(settings.qtDriver, d->name);
    const auto key = [&](std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (settings.keys.contains(QLatin1String(n)))
                return settings.keys.value(QLatin1String(n));
        return QString();
    };
    // Gives the driver connection back and fails: nothing of a connection that did not
    // open is left behind.
    const auto refuse = [&](qint32 number, const QString& text) {
        d->db = QSqlDatabase();
        QSqlDatabase::removeDatabase(d->name);
        throw AutomationError(number, QStringLiteral("ado.") + dialectName(settings.dialect),
                              withoutPasswords(text, connectionString));
    };
    d->readOnly = false;
    switch (settings.dialect) {
    case Dialect::SQLite: {
        // Only a program that means to create a database does (CreateDatabase): a
        // mistyped path must not become an empty database that then has "no such table".
        const QString file = key({"database", "data source"});
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000");
        if (file.isEmpty())
            refuse(errors::ConnectFailed,
                   QStringLiteral("The connection string names no database file (Database=)."));
        if (file != u":memory:") {
            const QFileInfo info(file);
            if (!info.exists())
                refuse(errors::ConnectFailed, QStringLiteral("The database file ") + file +
                                                  QStringLiteral(" does not exist."));
            if (!info.isFile() || !info.isReadable())
                refuse(errors::ConnectFailed, QStringLiteral("The database file ") + file +
                                                  QStringLiteral(" cannot be read."));
            // A file that cannot be written (read-only media, no permission) is opened
            // for reading; writing then fails with a message that says why.
            if (!info.isWritable() || !QFileInfo(info.absolutePath()).isWritable()) {
                d->readOnly = true;
                options += QStringLiteral(";QSQLITE_OPEN_READONLY");
            }
        }
        d->liteFile = file;
        d->db.setDatabaseName(file);
        d->db.setConnectOptions(options);
        break;
    }
    case Dialect::PostgreSQL: {
        if (settings.odbc) {
            d->db.setDatabaseName(settings.odbcRest);
            break;
        }
        d->db.setHostName(key({"server", "host"}));
        const QString port = key({"port"});
        if (!port.isEmpty()) {
            bool ok = false;
            const int number = port.toInt(&ok);
            if (!ok || number < 1 || number > 65535)
                refuse(errors::ConnectFailed,
                       QStringLiteral("Port=") + port +
                           QStringLiteral(" is not a port number (1 to 65535)."));
            d->db.setPort(number);
        }
        d->db.setDatabaseName(key({"database"}));
        d->db.setUserName(key({"uid", "user", "user id"}));
        d->db.setPassword(key({"pwd", "password"}));
        d->db.setConnectOptions(QStringLiteral("connect_timeout=10"));
        break;
    }
    case Dialect::SqlServer:
        d->db.setDatabaseName(settings.odbcRest);
        break;
    }
    // Exact decimals: amounts come back as their decimal text, never through a double.
    d->db.setNumericalPrecisionPolicy(QSql::HighPrecision);
    // ODBC drivers convert numbers with the C library's LC_NUMERIC, which the
    // application object took from the environment: under Spanish settings a driver
    // reads "7.50" as 7 and writes 7,5 into a statement. The numbers between a driver and
    // the data layer are the machine's, so the C numeric locale goes back to "C"; the
    // windows format with QLocale, which does not read it.
    if (settings.odbc)
        std::setlocale(LC_NUMERIC, "C");
    if (!d->db.open())
        refuse(errors::ConnectFailed, driverText(d->db.lastError()));
    if (d->readOnly &&
        !QSqlQuery(d->db).exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"))) {
        // A database in write-ahead-log mode needs its shared-memory file, which a
        // folder that cannot be written cannot hold: such a file is read as immutable,
        // as read-only media are.
        d->db.close();
        d->db.setDatabaseName(QStringLiteral("file:") +
                              QString::fromUtf8(QUrl::toPercentEncoding(
                                  QFileInfo(d->liteFile).absoluteFilePath(), "/")) +
                              QStringLiteral("?immutable=1"));
        d->db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        if (!d->db.open())
            refuse(errors::ConnectFailed, driverText(d->db.lastError()));
    }
    d->open = true;
    d->connectionString = connectionString;
    d->lite = settings.dialect == Dialect::SQLite ? lite::handleOf(d->db) : nullptr;
    d->scales = {};
    if (d->lite) {
        Impl* impl = d.get();
        d->scales = [impl](QStringView table, QStringView column) {
            return impl->columnScale(table, column);
        };
    }
    d->resetShapes();
    d->level = 0;
    try {
        if (settings.dialect == Dialect::SQLite) {
            const QString file = key({"database", "data source"});
            // With a write-ahead log, the programs sharing the file read while one
            // of them writes, instead of waiting for it.
            if (!file.isEmpty() && file != u":memory:" && !d->readOnly)
                d->control(QStringLiteral("PRAGMA journal_mode=WAL"));
        } else if (settings.dialect == Dialect::PostgreSQL) {
            d->control(QStringLiteral("SET standard_conforming_strings = on"));
            d->control(QStringLiteral("SET client_min_messages = warning"));
            const QString schema = key({"schema"});
            if (!schema.isEmpty())
                d->control(QStringLiteral("SET search_path TO \"%1\"")
                               .arg(QString(schema).replace(u'"', QStringLiteral("\"\""))));
        }
    } catch (...) {
        Close();
        throw;
    }
}

void Connection::Close() {
    if (!d->open)
        return;
    d->statementSavepoint = false;
    d->serverStatements.clear();
    if (d->level > 0) {
        d->level = 0;
        QSqlQuery q(d->db);
        if (d->settings.odbc)
            d->db.rollback();
        else
            q.exec(QStringLiteral("ROLLBACK"));
    }
    d->clearCache();
    d->lite = nullptr;
    d->namedLocks.clear();
    d->db.close();
    d->db = QSqlDatabase();
    QSqlDatabase::removeDatabase(d->name);
    d->open = false;
}

ObjectStateEnum Connection::State() const {
    return d->open ? adStateOpen : adStateClosed;
}
QString Connection::ConnectionString() const {
    return d->connectionString;
}
Dialect Connection::dialect() const {
    return d->settings.dialect;
}
namespace {
QString quotedName(const QString& name) {
    return u'\'' + QString(name).replace(u'\'', QStringLiteral("''")) + u'\'';
}

// PostgreSQL's advisory locks belong to the whole database, while the tables a lock
// guards (the print's work table) belong to the connection's schema: the key names both,
// so that companies in separate schemas of one database do not wait for each other.
QString pgLockKey(const QString& name) {
    return QStringLiteral("hashtext(current_schema() || '.' || ") + quotedName(name) +
           QStringLiteral(")");
}
} // namespace

void Connection::LockNamed(const QString& name) {
    if (!d->open)
        throw AutomationError(
            errors::ObjectClosed, d->source(),
            QStringLiteral("Operation is not allowed when the object is closed."));
    switch (d->settings.dialect) {
    case Dialect::PostgreSQL:
        d->control(QStringLiteral("SELECT pg_advisory_lock(") + pgLockKey(name) +
                   QStringLiteral(")"));
        return;
    case Dialect::SqlServer:
        d->control(QStringLiteral("EXEC sp_getapplock @Resource = ") + quotedName(name) +
                   QStringLiteral(", @LockMode = 'Exclusive', @LockOwner = 'Session'"));
        return;
    default:
        lockFile(name, -1);
    }
}

bool Connection::LockNamed(const QString& name, int timeoutMs,
                           const std::function<void()>& waiting) {
    if (!d->open)
        throw AutomationError(
            errors::ObjectClosed, d->source(),
            QStringLiteral("Operation is not allowed when the object is closed."));
    QElapsedTimer clock;
    clock.start();
    for (bool first = true;; first = false) {
        if (tryLockNamed(name))
            return true;
        if (first && waiting)
            waiting();
        if (clock.elapsed() >= timeoutMs)
            return false;
        QThread::msleep(quint32(qMin<qint64>(100, timeoutMs - clock.elapsed()) + 1));
    }
}

// One attempt, without waiting. A holder that died holds nothing: a server ends a dead
// client's session and its locks with it; on SQLite the lock file of a process that no
// longer runs is taken over.
bool Connection::tryLockNamed(const QString& name) {
    switch (d->settings.dialect) {
    case Dialect::PostgreSQL: {
        QSqlQuery q(d->db);
        if (!q.exec(QStringLiteral("SELECT pg_try_advisory_lock(") + pgLockKey(name) +
                    QStringLiteral(")")) ||
            !q.next())
            d->fail(d->errorOf(q));
        return q.value(0).toBool();
    }
    case Dialect::SqlServer: {
        // sp_getapplock answers 0 or 1 when granted, a negative status when not.
        QSqlQuery q(d->db);
        if (!q.exec(QStringLiteral("SET NOCOUNT ON; DECLARE @r int; EXEC @r = sp_getapplock "
                                   "@Resource = ") +
                    quotedName(name) +
                    QStringLiteral(", @LockMode = 'Exclusive', @LockOwner = 'Session', "
                                   "@LockTimeout = 0; SELECT @r")) ||
            !q.next())
            d->fail(d->errorOf(q));
        return q.value(0).toInt() >= 0;
    }
    default:
        return lockFile(name, 0);
    }
}

bool Connection::lockFile(const QString& name, int timeoutMs) {
    if (d->namedLocks.count(name))
        return true;
    const char* file = sqlite3_db_filename(d->lite, "main");
    const QString base = file && *file ? QString::fromUtf8(file) : QDir::tempPath() + "/memory";
    auto lock = std::make_unique<QLockFile>(base + u'-' + name + QStringLiteral(".lock"));
    // Never stale by age (a print may take long); a holder that died is noticed.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(timeoutMs)) {
        if (lock->error() == QLockFile::LockFailedError)
            return false;
        throw AutomationError(errors::Statement, d->source(),
                              QStringLiteral("The lock ") + name +
                                  QStringLiteral(" cannot be taken: its file cannot be written."));
    }
    d->namedLocks[name] = std::move(lock);
    return true;
}

void Connection::UnlockNamed(const QString& name) {
    if (!d->open)
        return;
    switch (d->settings.dialect) {
    case Dialect::PostgreSQL:
        d->control(QStringLiteral("SELECT pg_advisory_unlock(") + pgLockKey(name) +
                   QStringLiteral(")"));
        return;
    case Dialect::SqlServer:
        d->control(QStringLiteral("EXEC sp_releaseapplock @Resource = ") + quotedName(name) +
                   QStringLiteral(", @LockOwner = 'Session'"));
        return;
    default:
        d->namedLocks.erase(name);
    }
}

QSqlDatabase Connection::database() const {
    return d->db;
}
qint32 Connection::transactionLevel() const {
    return d->level;
}
void Connection::setObserver(Observer observer) {
    d->observer = std::move(observer);
}
int Connection::statementCacheSize() const {
    return d->cacheSize;
}
Connection::CacheStatistics Connection::cacheStatistics() const {
    return d->stats;
}

void Connection::setStatementCacheSize(int shapes) {
    d->cacheSize = qMax(0, shapes);
    if (d->cacheSize == 0)
        d->clearCache();
}

// Traces a statement, tells the observer and refuses what no engine may run.
void Connection::announce(const StatementEvent& event) {
    trace(event.text);
    if (d->observer)
        d->observer(event);
    d->requireOpen();
    // A NUL would end the statement early on some engines and is refused by others:
    // it is refused here, the same way everywhere.
    if (event.text.contains(QChar(0)))
        throw AutomationError(errors::Statement, d->source(),
                              QStringLiteral("The statement contains a NUL character."));
    // One statement per call on every engine: a text that carries a second one is
    // refused whole, so that no quoting fault can become a statement of its own.
    if (const qsizetype at = secondStatementAt(event.text); at >= 0)
        throw AutomationError(errors::Statement, d->source(),
                              QStringLiteral("The text holds more than one statement (another "
                                             "begins at character ") +
                                  QString::number(at + 1) +
                                  QStringLiteral("); send one statement per call."));
}

Connection::Result Connection::run(const StatementEvent& event) {
    announce(event);
    const bool guarded = d->level > 0 && d->settings.dialect == Dialect::PostgreSQL;
    const Translation t = d->cacheSize > 0 ? d->shapes.translate(event.text)
                                           : translate(event.text, d->settings.dialect, false,
                                                       d->scales ? &d->scales : nullptr);
    try {
        if (guarded)
            return d->runGuarded(t, event.text);
        return d->runTranslated(t, event.text);
    } catch (const AutomationError& e) {
        throw withoutSecrets(e, event.text);
    }
}

int Connection::FirstAnswering(const QStringList& queries,
                               const std::function<bool(Recordset& rows)>& answers) {
    d->requireOpen();
    if (!(d->pipelining && d->libpq() && d->level == 0 && queries.size() > 1)) {
        for (int i = 0; i < queries.size(); ++i) {
            Recordset rs;
            rs.Open(queries[i], *this);
            if (answers(rs))
                return i;
        }
        return -1;
    }
    // A shape seen before runs as a statement prepared on the server (planned once);
    // a new one is prepared in the same pipeline, just before it runs.
    std::vector<pg::PipelineStatement> statements;
    std::vector<Impl::ServerStatement*> preparing(size_t(queries.size()), nullptr);
    for (int i = 0; i < queries.size(); ++i) {
        announce({StatementEvent::Open, queries[i]});
        const Translation t = d->cacheSize > 0
                                  ? d->shapes.translate(queries[i])
                                  : translate(queries[i], d->settings.dialect, false, nullptr);
        pg::PipelineStatement st;
        Impl::ServerStatement* server = t.parameterized() ? &d->serverStatements[t.shape] : nullptr;
        if (server && !server->failed) {
            if (server->name.isEmpty()) {
                server->name = QStringLiteral("ado_s") + QString::number(++d->serverStatementCount);
                st.prepare = true;
                preparing[size_t(i)] = server;
            }
            st.prepared = server->name;
            st.text = Impl::withNumberedPlaceholders(t.shape);
            for (const QVariant& v : t.parameters)
                st.parameters << (v.isNull() ? QByteArray() : v.toString().toUtf8());
        } else {
            st.text = d->textOf(t, queries[i]);
        }
        statements.push_back(std::move(st));
    }
    ++d->stats.texts;
    std::vector<pg::BatchResult> results = pg::execPipeline(d->db, statements);
    bool refused = false;
    for (size_t i = 0; i < results.size(); ++i)
        if (Impl::ServerStatement* server = preparing[i]; server && !results[i].ok) {
            // Not prepared after all: a shape the server refuses goes as text from now
            // on; one that never reached the server is prepared the next time.
            server->name.clear();
            server->failed = results[i].prepareFailed;
            refused = refused || results[i].prepareFailed;
        }
    if (refused) {
        const bool was = d->pipelining;
        d->pipelining = false;
        const int answer = FirstAnswering(queries, answers);
        d->pipelining = was;
        return answer;
    }
    for (int i = 0; i < queries.size(); ++i) {
        pg::BatchResult& b = results[size_t(i)];
        if (!b.ok)
            throw withoutSecrets(d->batchFailure(b), queries[i]);
        Recordset rs;
        if (b.columns)
            rs.assign(std::move(b.columns), std::move(b.cells), adOpenForwardOnly, adLockReadOnly);
        if (answers(rs))
            return i;
    }
    return -1;
}

void Connection::setPipelining(bool on) {
    d->pipelining = on;
}
bool Connection::pipelining() const {
    return d->pipelining;
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

qint32 Connection::BeginTrans() {
    d->requireOpen();
    const qint32 next = d->level + 1;
    if (next == 1) {
        if (d->settings.odbc) {
            if (!d->db.transaction())
                d->fail(d->db.lastError());
        } else {
            // SQLite takes the write lock at once, so two writers queue instead of
            // deadlocking when both try to upgrade a read lock.
            d->control(d->settings.dialect == Dialect::SQLite ? QStringLiteral("BEGIN IMMEDIATE")
                                                              : QStringLiteral("BEGIN"));
        }
    } else if (d->settings.dialect == Dialect::SqlServer) {
        d->control(QStringLiteral("SAVE TRANSACTION ado_level%1").arg(next));
    } else {
        // A statement savepoint still open would take the new level with it when the
        // next statement releases it.
        if (d->statementSavepoint)
            d->control(QStringLiteral("RELEASE SAVEPOINT ado_statement"));
        d->statementSavepoint = false;
        d->control(QStringLiteral("SAVEPOINT ado_level%1").arg(next));
    }
    d->level = next;
    return next;
}

void Connection::CommitTrans() {
    d->requireOpen();
    if (d->level == 0)
        throw AutomationError(errors::NoTransaction, d->source(),
                              QStringLiteral("No transaction is active."));
    if (d->level == 1) {
        if (d->settings.odbc) {
            if (!d->db.commit())
                d->fail(d->db.lastError());
        } else {
            d->control(QStringLiteral("COMMIT"));
        }
    } else if (d->settings.dialect != Dialect::SqlServer) {
        d->control(QStringLiteral("RELEASE SAVEPOINT ado_level%1").arg(d->level));
    }
    --d->level;
    d->statementSavepoint = false; // released or rolled back with its level
}

void Connection::RollbackTrans() {
    d->requireOpen();
    if (d->level == 0)
        throw AutomationError(errors::NoTransaction, d->source(),
                              QStringLiteral("No transaction is active."));
    d->syncTransactionState();
    if (d->level == 0)
        return; // the engine has already rolled it back: nothing is left to undo
    const qint32 level = d->level;
    // Whatever the engine answers, the level is gone afterwards: a rollback that fails
    // because the transaction or the connection is already gone leaves nothing open.
    --d->level;
    d->statementSavepoint = false; // released or rolled back with its level
    try {
        if (level == 1) {
            if (d->settings.odbc) {
                if (!d->db.rollback())
                    d->fail(d->db.lastError());
            } else {
                d->control(QStringLiteral("ROLLBACK"));
            }
        } else if (d->settings.dialect == Dialect::SqlServer) {
            d->control(QStringLiteral("ROLLBACK TRANSACTION ado_level") + QString::number(level));
        } else {
            d->control(QStringLiteral("ROLLBACK TO SAVEPOINT ado_level") + QString::number(level));
            d->control(QStringLiteral("RELEASE SAVEPOINT ado_level") + QString::number(level));
        }
    } catch (const AutomationError&) {
        d->syncTransactionState();
        if (d->engineInTransaction() == false)
            return; // gone with the engine's own rollback: the outcome asked for
        throw;
    }
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
    const ConnectionSettings settings =
        parseConnectionString(connectionString, QStringLiteral("ado"));
    if (settings.dialect != Dialect::SQLite)
        return false;
    QString file = settings.keys.value(QStringLiteral("database"));
    if (file.isEmpty())
        file = settings.keys.value(QStringLiteral("data source"));
    if (file.isEmpty() || file == u":memory:" || QFileInfo::exists(file))
        return false;
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw AutomationError(errors::ConnectFailed, QStringLiteral("ado.SQLite"),
                              QStringLiteral("The database file ") + file +
                                  QStringLiteral(" cannot be created: ") + f.errorString());
    return true; // an empty file is an empty SQLite database
}

} // namespace ado
