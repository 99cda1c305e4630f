#include "ClassFactory.h"

#include "agent_window/frmAgentes.h"
#include "agents/clsAgente.h"
#include "commissions/clsComision_Familias.h"
#include "commissions/frmAgentes_Comision_Familias.h"
#include "invoice_agent/frmAgentes_CambioFactura.h"

namespace ORBTAgentes {

const std::vector<ClassInfo>& publicClasses() {
    static const std::vector<ClassInfo> classes = {
        clsAgente::interfaceInfo(),
        clsComision_Familias::interfaceInfo(),
        windowClass<frmclsAgente>("frmclsAgente", "{BF27D548-033D-4FF3-AD6C-71C84B601B7B}",
                                  "_frmclsAgente", "{1929E29D-B333-4B40-A970-8F4DBC1F9103}"),
        windowClass<frmclsCambioFactura>(
            "frmclsCambioFactura", "{03F1A370-B63B-45E7-9BE3-A23A087B5E57}", "_frmclsCambioFactura",
            "{A26885B3-7D84-4E7D-AD15-0AAAD022BE2E}"),
        windowClass<frmclsComision_Familias>(
            "frmclsComision_Familias", "{2A4E4A69-07AB-4D34-9851-037FF88C65E0}",
            "_frmclsComision_Familias", "{DB187383-45D9-4877-8BF5-CE5D1D02D1F1}"),
    };
    return classes;
}

ObjectRef CreateObject(const QString& progIdOrClassId) {
    if (const ClassInfo* c = findClass(progIdOrClassId))
        return c->create();
    throw AutomationError(disp::ClassNotRegistered, QStringLiteral("ORBTAgentes"),
                          QStringLiteral("Class not registered: ") + progIdOrClassId);
}

} // namespace ORBTAgentes
