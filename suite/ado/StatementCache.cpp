#include "StatementCache.h"

#include <QtGlobal>

namespace ado {

void StatementCache::setCapacity(int shapes) {
    capacity_ = qBound(0, shapes, limit_);
    while (int(lru_.size()) > capacity_) {
        byShape_.erase(lru_.back().shape);
        lru_.pop_back();
    }
}

void StatementCache::setLimit(int shapes) {
    limit_ = qMax(0, shapes);
    setCapacity(capacity_);
}

CacheEntry& StatementCache::entry(const QString& shape, bool& isNew) {
    auto it = byShape_.find(shape);
    if (it != byShape_.end()) {
        lru_.splice(lru_.begin(), lru_, it->second);
        isNew = false;
        return lru_.front();
    }
    isNew = true;
    lru_.push_front(CacheEntry{shape, nullptr, false, nullptr});
    byShape_.emplace(shape, lru_.begin());
    while (int(lru_.size()) > capacity_) {
        byShape_.erase(lru_.back().shape);
        lru_.pop_back();
    }
    return lru_.front();
}

void StatementCache::clear() {
    byShape_.clear();
    lru_.clear();
}

} // namespace ado
