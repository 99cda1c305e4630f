#include "Automation.h"

#include "Errors.h"
#include "SharedContext.h"
#include "Values.h"
#include "agent_window/frmAgentes.h"
#include "agents/clsAgente.h"
#include "commissions/clsComision_Familias.h"
#include "commissions/frmAgentes_Comision_Familias.h"
#include "invoice_agent/frmAgentes_CambioFactura.h"

#include <QAtomicInteger>
#include <ado/Connection.h>
#include <ado/Recordset.h>
#include <empresa/Empresa.h>

namespace ORBTAgentes {

namespace {

QAtomicInteger<qint32> g_live;

AutomationError memberNotFound() {
    return AutomationError(disp::MemberNotFound, QStringLiteral("ORBTAgentes"),
                           QStringLiteral("Member not found."));
}

QVariant convert(const QVariant& v, VarType type) {
    switch (type) {
    case VarType::Integer:
        return QVariant::fromValue(toInteger(v));
    case VarType::Long:
        return QVariant::fromValue(toLong(v));
    case VarType::Byte:
        return QVariant::fromValue(toByte(v));
    case VarType::Double:
        return QVariant(toDouble(v));
    case VarType::Currency:
        return QVariant::fromValue(toCurrency(v));
    case VarType::Date:
        return QVariant(toDate(v));
    case VarType::String:
        return QVariant(toText(v));
    case VarType::Boolean:
        return QVariant(toBoolean(v));
    case VarType::Object:
    case VarType::Void:
        return v;
    }
    return v;
}

template <class T> std::shared_ptr<T> objectArgument(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return nullptr; // Nothing
    if (v.canConvert<std::shared_ptr<T>>() && v.userType() == qMetaTypeId<std::shared_ptr<T>>())
        return v.value<std::shared_ptr<T>>();
    throw runtimeError(rt::TypeMismatch);
}

} // namespace

AutomationObject::AutomationObject(const ClassInfo& info) : info_(&info) {
    g_live.ref();
}
AutomationObject::AutomationObject(const AutomationObject& other) : info_(other.info_) {
    g_live.ref();
}
AutomationObject::~AutomationObject() {
    g_live.deref();
}

qint32 AutomationObject::liveObjects() {
    return g_live.loadRelaxed();
}

void AutomationObject::EmpresaOrbenta(std::shared_ptr<ORBTEmp::Empresa> empresa) {
    SharedContext::setEmpresa(std::move(empresa));
}

void AutomationObject::ConexionOrbenta(std::shared_ptr<ado::Connection> conexion) {
    SharedContext::setConexion(std::move(conexion));
}

QVariant AutomationObject::getProperty(const MemberInfo&) const {
    throw memberNotFound();
}
void AutomationObject::putProperty(const MemberInfo&, const QVariant&) {
    throw memberNotFound();
}
QVariant AutomationObject::callMethod(const MemberInfo&, const QVariantList&) {
    throw memberNotFound();
}

QVariant Invoke(AutomationObject& object, qint32 dispatchId, DispatchKind kind, QVariantList args) {
    const MemberInfo* m = object.classInfo().member(dispatchId);
    if (!m)
        throw memberNotFound();
    switch (m->kind) {
    case MemberKind::WriteOnlyObjectProperty:
        if (kind != DispatchKind::PropertyPut && kind != DispatchKind::PropertyPutRef)
            throw memberNotFound();
        if (args.size() != 1)
            throw runtimeError(rt::WrongArguments);
        if (qstrcmp(m->name, "EmpresaOrbenta") == 0)
            object.EmpresaOrbenta(objectArgument<ORBTEmp::Empresa>(args[0]));
        else
            object.ConexionOrbenta(objectArgument<ado::Connection>(args[0]));
        return {};
    case MemberKind::Property:
        if (kind == DispatchKind::PropertyGet || kind == DispatchKind::Method) {
            if (!args.isEmpty())
                throw runtimeError(rt::WrongArguments);
            return object.getProperty(*m);
        }
        if (args.size() != 1)
            throw runtimeError(rt::WrongArguments);
        object.putProperty(*m, convert(args[0], m->type));
        return {};
    case MemberKind::Method:
        if (kind != DispatchKind::Method && kind != DispatchKind::PropertyGet)
            throw memberNotFound();
        if (args.size() > qsizetype(m->params.size()))
            throw runtimeError(rt::WrongArguments);
        for (size_t i = 0; i < m->params.size(); ++i) {
            const ParamInfo& p = m->params[i];
            if (qsizetype(i) >= args.size()) {
                if (!p.optional)
                    throw runtimeError(rt::ArgumentNotOptional);
                args.push_back(p.defaultValue);
            } else {
                args[qsizetype(i)] = convert(args[qsizetype(i)], p.type);
            }
        }
        return object.callMethod(*m, args);
    }
    throw memberNotFound();
}

ObjectRef CreateObject(const QString& progIdOrClassId) {
    const ClassInfo* c = findClass(progIdOrClassId);
    if (c && qstrcmp(c->name, "clsAgente") == 0)
        return std::make_shared<clsAgente>();
    if (c && qstrcmp(c->name, "clsComision_Familias") == 0)
        return std::make_shared<clsComision_Familias>();
    if (c && qstrcmp(c->name, "frmclsCambioFactura") == 0)
        return std::make_shared<frmclsCambioFactura>();
    if (c && qstrcmp(c->name, "frmclsAgente") == 0)
        return std::make_shared<frmclsAgente>();
    if (c && qstrcmp(c->name, "frmclsComision_Familias") == 0)
        return std::make_shared<frmclsComision_Familias>();
    throw AutomationError(
        disp::ClassNotRegistered, QStringLiteral("ORBTAgentes"),
        c ? QStringLiteral("Class not registered: %1 is not part of this build.").arg(c->progId())
          : QStringLiteral("Class not registered: %1").arg(progIdOrClassId));
}

bool CanUnloadNow() {
    return AutomationObject::liveObjects() == 0;
}

} // namespace ORBTAgentes
