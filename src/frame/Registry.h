#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace ORBTAgentes {

class AutomationObject;

/// Types of properties, parameters and results on the public interfaces.
enum class VarType { Void, Integer, Long, Byte, Double, Currency, Date, String, Boolean, Object };

struct ParamInfo {
    const char* name;
    VarType type;
    bool optional = false;
    QVariant defaultValue = {}; // for optional parameters; an invalid QVariant is "none"
};

enum class MemberKind { Property, WriteOnlyObjectProperty, Method };

/// One member of a public interface, in interface order, with the code that serves it.
/// Entries are made by the binders of Automation.h (property, method), which take the
/// types from the C++ member itself.
struct MemberInfo {
    const char* name;
    qint32 dispatchId;
    MemberKind kind;
    VarType type; // property type, or a method's result (Void: none)
    std::vector<ParamInfo> params = {};
    // Arguments arrive complete (defaults applied) and converted to the declared types.
    QVariant (*get)(const AutomationObject&) = nullptr;
    void (*put)(AutomationObject&, const QVariant&) = nullptr;
    QVariant (*call)(AutomationObject&, const QVariantList&) = nullptr;
};

/// One public class: its identities, its default (dual) interface and its factory.
struct ClassInfo {
    const char* name;
    const char* classId;
    const char* interfaceName;
    const char* interfaceId;
    std::vector<MemberInfo> members;
    std::shared_ptr<AutomationObject> (*create)() = nullptr;

    QString progId() const { return QStringLiteral("ORBTAgentes.") + QLatin1String(name); }
    const MemberInfo* member(qint32 dispatchId) const;
    const MemberInfo* member(const QString& name) const;
};

} // namespace ORBTAgentes
