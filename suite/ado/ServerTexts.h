#pragma once

// The texts of the layer's own control statements in one server's language: the nested
// levels of a transaction and the named locks. Texts only, so that what a backend would
// send can be looked at without a server. Private to the data layer.
#include <QString>
#include <QStringList>
#include <QVariant>

namespace ado {

class ServerTexts {
public:
    virtual ~ServerTexts() = default;
    /// Opens nested level `level` (2 and up) of a transaction.
    virtual QString saveLevel(qint32 level) const;
    /// Keeps a nested level's work for the level around it; empty: nothing to send.
    virtual QString commitLevel(qint32 level) const;
    /// Undoes a nested level's work, statement after statement.
    virtual QStringList rollbackLevel(qint32 level) const;
    /// Takes a named lock, waiting while another session holds it.
    virtual QString lock(const QString& name) const = 0;
    /// One attempt without waiting: a query of one row, which granted() reads.
    virtual QString tryLock(const QString& name) const = 0;
    virtual bool granted(const QVariant& answer) const = 0;
    virtual QString unlock(const QString& name) const = 0;
};

/// Savepoints (SQLite's too) and advisory locks.
const ServerTexts& postgresTexts();
/// What a PostgreSQL session is set to when it opens; `schema`, when not empty, is the
/// one it works in.
QStringList postgresSession(const QString& schema);
/// The statement that sets the search path to `schema` for the current transaction
/// alone, as one query (a pipeline's).
QString postgresLocalSchema(const QString& schema);
/// What a session behind a transaction pooler needs in each transaction: `schema` as
/// its search path, as a statement that ends with "; " (empty without a schema).
QString postgresTransactionSession(const QString& schema);
/// How many schemas of the database are named `schema` (as the session names it).
QString postgresSchemaCount(const QString& schema);
/// A schema's name as PostgreSQL reads it in a search path.
QString postgresSchema(const QString& schema);
/// A named lock held to the end of the current transaction: waiting for it, or one
/// attempt (a query of one row, true when granted). The key is the one of lock().
QString postgresTransactionLock(const QString& name, bool attempt);
/// Named savepoints of the transaction and application locks.
const ServerTexts& sqlServerTexts();

} // namespace ado
