#include "PgPooledLocks.h"

#include "Backend.h"
#include "PgDirect.h"

#include <QSqlQuery>

namespace ado::pg {

using automation::AutomationError;

bool PooledLocks::hold(const Origin& origin, const QString& name, bool wait) {
    Holder& h = locks_[name];
    if (h.held > 0) {
        ++h.held;
        return true;
    }
    if (!h.db.isOpen()) {
        h.connection =
            origin.connectionPrefix + QStringLiteral("-lock-") + QString::number(locks_.size());
        h.db = QSqlDatabase::cloneDatabase(origin.like, h.connection);
        if (!h.db.open())
            throw AutomationError(
                errors::ConnectFailed, origin.source,
                withoutPasswords(driverText(h.db.lastError()), origin.connectionString));
    }
    std::shared_ptr<const Recordset::Columns> columns;
    const BatchResult b = execBatch(
        h.db, QStringLiteral("BEGIN; ") + origin.session + postgresTransactionLock(name, !wait),
        columns);
    if (b.ok && (wait || (!b.cells.isEmpty() && b.cells.front().toBool()))) {
        h.held = 1;
        return true;
    }
    QSqlQuery(h.db).exec(QStringLiteral("ROLLBACK"));
    if (!b.ok) {
        h.db.close(); // opened again for the next attempt
        throw AutomationError(isConflict(b.sqlState) ? errors::Conflict : errors::Statement,
                              origin.source, b.error);
    }
    return false;
}

void PooledLocks::release(const QString& name) {
    const auto it = locks_.find(name);
    if (it != locks_.end() && it->second.held > 0 && --it->second.held == 0)
        QSqlQuery(it->second.db).exec(QStringLiteral("ROLLBACK"));
}

void PooledLocks::closeAll() {
    for (auto& [name, holder] : locks_) {
        holder.db.close();
        holder.db = QSqlDatabase();
        QSqlDatabase::removeDatabase(holder.connection);
    }
    locks_.clear();
}

} // namespace ado::pg
