#pragma once

#include "frame/Automation.h"

#include <QString>

namespace ORBTAgentes {

/// The public classes, in the order of the type library (the agents' summary window
/// class last).
const std::vector<ClassInfo>& publicClasses();
/// A class by name ("clsAgente"), ProgID ("ORBTAgentes.clsAgente") or class
/// identifier ("{BF7889CF-...}", letter case and braces optional); null when unknown.
const ClassInfo* findClass(const QString& nameProgIdOrClassId);

/// Creates a public class by ProgID or class identifier (the class factory). An
/// unknown name fails with "Class not registered".
ObjectRef CreateObject(const QString& progIdOrClassId);

} // namespace ORBTAgentes
