#include "Errors.h"

namespace ORBTAgentes {

AutomationError runtimeError(qint32 number) {
    const char* text = "Application-defined or object-defined error";
    switch (number) {
    case rt::InvalidCall:
        text = "Invalid procedure call or argument";
        break;
    case rt::Overflow:
        text = "Overflow";
        break;
    case rt::SubscriptRange:
        text = "Subscript out of range";
        break;
    case rt::TypeMismatch:
        text = "Type mismatch";
        break;
    case rt::ObjectNotSet:
        text = "Object variable or With block variable not set";
        break;
    case rt::InvalidUseOfNull:
        text = "Invalid use of Null";
        break;
    case rt::NonModalShownModally:
        text = "Can't show non-modal form modally";
        break;
    case rt::NotSupported:
        text = "Object doesn't support this property or method";
        break;
    case rt::ArgumentNotOptional:
        text = "Argument not optional";
        break;
    case rt::WrongArguments:
        text = "Wrong number of arguments or invalid property assignment";
        break;
    default:
        break;
    }
    return AutomationError(number, QStringLiteral("ORBTAgentes"), QLatin1String(text));
}

} // namespace ORBTAgentes
