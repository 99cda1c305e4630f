#pragma once

#include <QString>

namespace ORBTAgentes {

/// Identity of the component as hosts know it.
struct ComponentInfo {
    static constexpr const char* name = "ORBTAgentes";
    static constexpr const char* helpString = "Orbenta Class Agentes";
    static constexpr int versionMajor = 1;
    static constexpr int versionMinor = 0;
    static constexpr const char* libraryId = "{5CC21D90-C131-4E9C-AAE3-00B322F1B0AF}";
};

/// "ORBTAgentes 1.0 (Orbenta Class Agentes)".
QString componentDescription();

} // namespace ORBTAgentes
