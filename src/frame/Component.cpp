#include "Component.h"

namespace ORBTAgentes {

QString componentDescription() {
    return QLatin1String(ComponentInfo::name) + u' ' +
           QString::number(ComponentInfo::versionMajor) + u'.' +
           QString::number(ComponentInfo::versionMinor) + QStringLiteral(" (") +
           QLatin1String(ComponentInfo::helpString) + u')';
}

} // namespace ORBTAgentes
