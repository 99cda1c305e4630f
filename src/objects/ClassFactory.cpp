#include "ClassFactory.h"

#include "agent_window/frmAgentes.h"
#include "agents/clsAgente.h"
#include "commissions/clsComision_Familias.h"
#include "commissions/frmAgentes_Comision_Familias.h"
#include "dashboard/frmResumenAgentes.h"
#include "invoice_agent/frmAgentes_CambioFactura.h"

namespace ORBTAgentes {

const std::vector<ClassInfo>& publicClasses() {
    static const std::vector<ClassInfo> classes = {
        clsAgente::interfaceInfo(),
        clsComision_Familias::interfaceInfo(),
        frmclsAgente::interfaceInfo(),
        frmclsCambioFactura::interfaceInfo(),
        frmclsComision_Familias::interfaceInfo(),
        frmclsResumenAgentes::interfaceInfo(),
    };
    return classes;
}

const ClassInfo* findClass(const QString& key) {
    const QString k = key.trimmed();
    for (const ClassInfo& c : publicClasses()) {
        const QString id = QLatin1String(c.classId);
        if (k.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0 ||
            k.compare(c.progId(), Qt::CaseInsensitive) == 0 ||
            k.compare(id, Qt::CaseInsensitive) == 0 ||
            k.compare(id.mid(1, id.size() - 2), Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

ObjectRef CreateObject(const QString& progIdOrClassId) {
    if (const ClassInfo* c = findClass(progIdOrClassId))
        return c->create();
    throw AutomationError(disp::ClassNotRegistered, QStringLiteral("ORBTAgentes"),
                          QStringLiteral("Class not registered: ") + progIdOrClassId);
}

} // namespace ORBTAgentes
