#pragma once

// The prepared statements of the shapes a connection used most recently. Private to
// the data layer.
#include "Recordset.h"

#include <QString>
#include <limits>
#include <list>
#include <memory>
#include <unordered_map>

namespace ado {

/// A statement an engine keeps prepared; each backend derives its own.
class PreparedStatement {
public:
    virtual ~PreparedStatement() = default;
};

struct CacheEntry {
    QString shape;
    std::unique_ptr<PreparedStatement> prepared; // null until the shape is seen a second time
    bool unpreparable = false;                   // the engine refused it: always run as text
    std::shared_ptr<const Recordset::Columns> columns;
};

class StatementCache {
public:
    struct Statistics {
        qint64 hits = 0;     // statements run through a kept prepared statement
        qint64 prepares = 0; // shapes prepared
        qint64 texts = 0;    // statements sent as text
    };

    /// How many shapes are kept; 0 switches the cache off.
    int capacity() const { return capacity_; }
    void setCapacity(int shapes);
    /// The most shapes the engine may keep whatever the capacity asked for: 0 where a
    /// statement prepared on the server would not survive (behind a transaction pooler).
    void setLimit(int shapes);
    /// The entry of a shape, made the most recent; `isNew` when it was not kept.
    CacheEntry& entry(const QString& shape, bool& isNew);
    void clear();

    Statistics stats;

private:
    int capacity_ = 128;
    int limit_ = std::numeric_limits<int>::max();
    std::list<CacheEntry> lru_; // most recent first
    std::unordered_map<QString, std::list<CacheEntry>::iterator> byShape_;
};

} // namespace ado
