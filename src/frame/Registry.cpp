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

const ClassInfo* findClass(const QString& key) {
    QString k = key.trimmed();
    for (const ClassInfo& c : publicClasses()) {
        QString id = QLatin1String(c.classId);
        if (k.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0 ||
            k.compare(c.progId(), Qt::CaseInsensitive) == 0 ||
            k.compare(id, Qt::CaseInsensitive) == 0 ||
            k.compare(id.mid(1, id.size() - 2), Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

const ClassInfo& classInfo(const char* name) {
    const ClassInfo* c = findClass(QLatin1String(name));
    Q_ASSERT(c);
    return *c;
}

} // namespace ORBTAgentes
