#include "Registry.h"

namespace ORBTAgentes {

const MemberInfo* ClassInfo::member(qint32 dispatchId) const {
    for (const MemberInfo& m : members)
        if (m.dispatchId == dispatchId)
            return &m;
    return nullptr;
}

const MemberInfo* ClassInfo::member(const QString& n) const {
    for (const MemberInfo& m : members)
        if (n.compare(QLatin1String(m.name), Qt::CaseInsensitive) == 0)
            return &m;
    return nullptr;
}

} // namespace ORBTAgentes
