#pragma once

#include <QSqlDatabase>
#include <QString>
#include <map>

namespace ado::pg {

/// Named locks behind a transaction pooler. A session lock would stay with a server
/// session that goes on to serve other clients; here a named lock is held by a
/// transaction of its own, on a connection of its own, open until the name is released.
/// It keeps one server session for as long as a session lock would, and ends with its
/// connection or its process.
class PooledLocks {
public:
    /// Where the locks' connections come from and how their failures are told.
    struct Origin {
        const QSqlDatabase& like; // the connection whose settings they copy
        QString connectionPrefix; // their Qt connection names start with it
        QString session;          // what each transaction needs first ("" or "...; ")
        QString source;           // the source of the errors raised
        QString connectionString; // kept out of the error texts, passwords and all
    };

    /// Takes `name`, waiting for it when `wait`. False when another holds it and
    /// `wait` is false. Taken again by its holder, it counts as a session lock does.
    bool hold(const Origin& origin, const QString& name, bool wait);
    /// Gives back one taking of `name`; the last one ends its transaction.
    void release(const QString& name);
    /// Ends every lock and closes their connections.
    void closeAll();

private:
    struct Holder {
        QString connection;
        QSqlDatabase db;
        int held = 0;
    };
    std::map<QString, Holder> locks_;
};

} // namespace ado::pg
