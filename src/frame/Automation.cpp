#include "Automation.h"

#include "Errors.h"
#include "SharedContext.h"
#include "Values.h"

#include <QAtomicInteger>
#include <ado/Connection.h>
#include <ado/Recordset.h>
#include <empresa/Empresa.h>
#include <utilidades/Regional.h>

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
    // The host's message boxes and dialogs speak the suite's language from the first
    // object on.
    utilidades::instalarTraduccionQt();
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

MemberInfo empresaOrbenta() {
    return {"EmpresaOrbenta",
            0x68030001,
            MemberKind::WriteOnlyObjectProperty,
            VarType::Object,
            {},
            nullptr,
            [](AutomationObject& o, const QVariant& v) {
                o.EmpresaOrbenta(objectArgument<ORBTEmp::Empresa>(v));
            }};
}

MemberInfo conexionOrbenta() {
    return {"ConexionOrbenta",
            0x68030000,
            MemberKind::WriteOnlyObjectProperty,
            VarType::Object,
            {},
            nullptr,
            [](AutomationObject& o, const QVariant& v) {
                o.ConexionOrbenta(objectArgument<ado::Connection>(v));
            }};
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
        m->put(object, args[0]);
        return {};
    case MemberKind::Property:
        if (kind == DispatchKind::PropertyGet || kind == DispatchKind::Method) {
            if (!args.isEmpty())
                throw runtimeError(rt::WrongArguments);
            return m->get(object);
        }
        if (args.size() != 1)
            throw runtimeError(rt::WrongArguments);
        m->put(object, convert(args[0], m->type));
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
        return m->call(object, args);
    }
    throw memberNotFound();
}

bool CanUnloadNow() {
    return AutomationObject::liveObjects() == 0;
}

} // namespace ORBTAgentes
