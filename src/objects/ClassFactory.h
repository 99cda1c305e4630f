#pragma once

#include "frame/Automation.h"

#include <QString>

namespace ORBTAgentes {

/// Creates a public class by ProgID or class identifier (the class factory). An
/// unknown name fails with "Class not registered".
ObjectRef CreateObject(const QString& progIdOrClassId);

} // namespace ORBTAgentes
