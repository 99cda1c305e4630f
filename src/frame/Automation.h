#pragma once

#include "Registry.h"

#include <QVariant>
#include <memory>

namespace ado {
class Connection;
class Recordset;
} // namespace ado
namespace ORBTEmp {
class Empresa;
}

namespace ORBTAgentes {

enum class DispatchKind { Method, PropertyGet, PropertyPut, PropertyPutRef };

/// Base of the five public classes: their identity, the count of live objects, the two
/// properties every public class carries, and the members a script host reaches by
/// dispatch identifier (see Invoke).
class AutomationObject {
public:
    virtual ~AutomationObject();
    const ClassInfo& classInfo() const { return *info_; }

    /// EmpresaOrbenta: write-only; the company object becomes the component's.
    virtual void EmpresaOrbenta(std::shared_ptr<ORBTEmp::Empresa> empresa);
    /// ConexionOrbenta: write-only; the connection becomes the component's.
    virtual void ConexionOrbenta(std::shared_ptr<ado::Connection> conexion);

    /// Objects of the component alive in this process.
    static qint32 liveObjects();

protected:
    explicit AutomationObject(const ClassInfo& info);
    AutomationObject(const AutomationObject& other);
    AutomationObject& operator=(const AutomationObject&) = default;

    friend QVariant Invoke(AutomationObject&, qint32, DispatchKind, QVariantList);
    // Members by their interface entry; arguments arrive complete (defaults applied)
    // and converted to the declared types.
    virtual QVariant getProperty(const MemberInfo& m) const;
    virtual void putProperty(const MemberInfo& m, const QVariant& value);
    virtual QVariant callMethod(const MemberInfo& m, const QVariantList& args);

private:
    const ClassInfo* info_;
};

using ObjectRef = std::shared_ptr<AutomationObject>;

/// Calls a member of `object` by dispatch identifier, as a script host does: gets and
/// puts properties, calls methods with the defaults of omitted optional arguments, and
/// converts arguments to the declared types by the runtime's rules. Unknown
/// identifiers, reading a write-only property and writing a method fail with
/// "Member not found"; too many arguments with runtime error 450; a missing required
/// argument with 449.
QVariant Invoke(AutomationObject& object, qint32 dispatchId, DispatchKind kind,
                QVariantList args = {});

/// Creates a public class by ProgID or class identifier (the class factory). A class
/// this build does not provide fails with "Class not registered".
ObjectRef CreateObject(const QString& progIdOrClassId);

/// Whether the component may be unloaded: no object of it is alive.
bool CanUnloadNow();

} // namespace ORBTAgentes

Q_DECLARE_METATYPE(std::shared_ptr<ORBTEmp::Empresa>)
Q_DECLARE_METATYPE(std::shared_ptr<ado::Connection>)
Q_DECLARE_METATYPE(std::shared_ptr<ado::Recordset>)
Q_DECLARE_METATYPE(ORBTAgentes::ObjectRef)
