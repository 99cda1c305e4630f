#pragma once

#include "Errors.h"
#include "Registry.h"
#include "Values.h"

#include <QVariant>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>

namespace ado {
class Connection;
class Recordset;
} // namespace ado
namespace ORBTEmp {
class Empresa;
}

namespace ORBTAgentes {

enum class DispatchKind { Method, PropertyGet, PropertyPut, PropertyPutRef };

/// Base of the public classes: their identity, the count of live objects and the two
/// properties every public class carries. The members a script host reaches by dispatch
/// identifier are those of the class's table (see Invoke).
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

/// Whether the component may be unloaded: no object of it is alive.
bool CanUnloadNow();

} // namespace ORBTAgentes

Q_DECLARE_METATYPE(std::shared_ptr<ORBTEmp::Empresa>)
Q_DECLARE_METATYPE(std::shared_ptr<ado::Connection>)
Q_DECLARE_METATYPE(std::shared_ptr<ado::Recordset>)
Q_DECLARE_METATYPE(ORBTAgentes::ObjectRef)

namespace ORBTAgentes {

// ---- member tables ------------------------------------------------------------------------
// A class declares its interface once, in order, with these binders:
//   property<&clsX::Campo>("Campo", id), method<&clsX::Op>("Op", id, "param", optional("p")),
//   empresaOrbenta(), conexionOrbenta()
// The property's type, a method's result and its parameters' types come from the C++
// member; the parameter names are given, as many as the member has.

/// The two write-only object properties every public class carries.
MemberInfo empresaOrbenta();
MemberInfo conexionOrbenta();

/// A parameter name for a method binder; optional ones carry their default.
struct Param {
    Param(const char* n) : name(n) {}
    Param(const char* n, bool opt, QVariant def) : name(n), optional(opt), defaultValue(def) {}
    const char* name;
    bool optional = false;
    QVariant defaultValue;
};
inline Param optional(const char* name, QVariant defaultValue = {}) {
    return Param(name, true, std::move(defaultValue));
}

namespace binding {

template <class T> constexpr VarType varTypeOf() {
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_void_v<U>)
        return VarType::Void;
    else if constexpr (std::is_same_v<U, bool>)
        return VarType::Boolean;
    else if constexpr (std::is_same_v<U, quint8>)
        return VarType::Byte;
    else if constexpr (std::is_same_v<U, qint16>)
        return VarType::Integer;
    else if constexpr (std::is_same_v<U, qint32>)
        return VarType::Long;
    else if constexpr (std::is_same_v<U, double>)
        return VarType::Double;
    else if constexpr (std::is_same_v<U, Currency>)
        return VarType::Currency;
    else if constexpr (std::is_same_v<U, QDateTime>)
        return VarType::Date;
    else if constexpr (std::is_same_v<U, QString>)
        return VarType::String;
    else {
        static_assert(std::is_pointer_v<U> || std::is_lvalue_reference_v<T>,
                      "a member type the interfaces do not have");
        return VarType::Object;
    }
}

// An argument as the C++ member takes it. Objects: a public object arrives as an
// ObjectRef, any other QObject as its pointer, an object taken by reference as a
// shared pointer to it; Nothing is a null pointer, anything else a type mismatch.
template <class T> decltype(auto) argument(const QVariant& v) {
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_pointer_v<U>) {
        using Target = std::remove_pointer_t<U>;
        if (!v.isValid() || v.isNull())
            return U(nullptr);
        if constexpr (std::is_base_of_v<AutomationObject, Target>) {
            if (v.userType() == qMetaTypeId<ObjectRef>()) {
                const ObjectRef o = v.value<ObjectRef>();
                if (!o)
                    return U(nullptr);
                if (auto* p = dynamic_cast<Target*>(o.get()))
                    return p;
            }
        } else if (v.userType() == qMetaTypeId<U>()) {
            return v.value<U>();
        }
        throw runtimeError(rt::TypeMismatch);
    } else if constexpr (std::is_lvalue_reference_v<T> &&
                         !std::is_const_v<std::remove_reference_t<T>>) {
        if (v.userType() == qMetaTypeId<std::shared_ptr<U>>())
            if (const auto p = v.value<std::shared_ptr<U>>())
                return *p;
        throw runtimeError(rt::TypeMismatch);
    } else {
        return v.value<U>();
    }
}

template <class> struct Member;
template <class C, class T> struct Member<T C::*> {
    using Class = C;
    using Type = T;
};
template <class C, class R, class... A> struct Member<R (C::*)(A...)> {
    using Class = C;
    using Result = R;
    using Args = std::tuple<A...>;
};

template <auto F, size_t... I>
QVariant callWith(AutomationObject& o, const QVariantList& a, std::index_sequence<I...>) {
    using M = Member<decltype(F)>;
    auto& self = static_cast<typename M::Class&>(o);
    if constexpr (std::is_void_v<typename M::Result>) {
        (self.*F)(argument<std::tuple_element_t<I, typename M::Args>>(a[qsizetype(I)])...);
        return {};
    } else {
        return QVariant::fromValue(
            (self.*F)(argument<std::tuple_element_t<I, typename M::Args>>(a[qsizetype(I)])...));
    }
}

} // namespace binding

template <auto Field> MemberInfo property(const char* name, qint32 dispatchId) {
    using M = binding::Member<decltype(Field)>;
    using C = typename M::Class;
    using T = typename M::Type;
    return {
        name,
        dispatchId,
        MemberKind::Property,
        binding::varTypeOf<T>(),
        {},
        [](const AutomationObject& o) {
            return QVariant::fromValue(static_cast<const C&>(o).*Field);
        },
        [](AutomationObject& o, const QVariant& v) { static_cast<C&>(o).*Field = v.value<T>(); },
        nullptr};
}

template <auto Method, class... Names>
MemberInfo method(const char* name, qint32 dispatchId, Names... names) {
    using M = binding::Member<decltype(Method)>;
    constexpr size_t arity = std::tuple_size_v<typename M::Args>;
    static_assert(sizeof...(Names) == arity, "one name for each parameter");
    const Param given[] = {Param(names)..., Param("")};
    std::vector<ParamInfo> params;
    [&]<size_t... I>(std::index_sequence<I...>) {
        (params.push_back({given[I].name,
                           binding::varTypeOf<std::tuple_element_t<I, typename M::Args>>(),
                           given[I].optional, given[I].defaultValue}),
         ...);
    }
    (std::make_index_sequence<arity>());
    return {name,
            dispatchId,
            MemberKind::Method,
            binding::varTypeOf<typename M::Result>(),
            std::move(params),
            nullptr,
            nullptr,
            [](AutomationObject& o, const QVariantList& a) {
                return binding::callWith<Method>(o, a, std::make_index_sequence<arity>());
            }};
}

/// The factory entry of a public class.
template <class T> std::shared_ptr<AutomationObject> create() {
    return std::make_shared<T>();
}

} // namespace ORBTAgentes
