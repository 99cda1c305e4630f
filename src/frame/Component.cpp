#include "Component.h"

namespace ORBTAgentes {

QString componentDescription() {
    return QStringLiteral("%1 %2.%3 (%4)")
        .arg(QLatin1String(ComponentInfo::name))
        .arg(ComponentInfo::versionMajor)
        .arg(ComponentInfo::versionMinor)
        .arg(QLatin1String(ComponentInfo::helpString));
}

} // namespace ORBTAgentes
