#pragma once

#include "automation/AutomationError.h"

#include <ado/Ado.h>

#include <QString>
#include <exception>
#include <utility>

namespace ORBTAgentes {

using automation::AutomationError;

/// Numbers of the runtime errors the component raises itself.
namespace rt {
constexpr qint32 InvalidCall = 5;            // "Invalid procedure call or argument"
constexpr qint32 Overflow = 6;               // "Overflow"
constexpr qint32 SubscriptRange = 9;         // "Subscript out of range"
constexpr qint32 TypeMismatch = 13;          // "Type mismatch"
constexpr qint32 ObjectNotSet = 91;          // "Object variable or With block variable not set"
constexpr qint32 InvalidUseOfNull = 94;      // "Invalid use of Null"
constexpr qint32 NonModalShownModally = 401; // "Can't show non-modal form modally"
constexpr qint32 NotSupported = 438;         // "Object doesn't support this property or method"
constexpr qint32 ArgumentNotOptional = 449;  // "Argument not optional"
constexpr qint32 WrongArguments = 450; // "Wrong number of arguments or invalid property assignment"
} // namespace rt

/// Dispatch failures, as an automation server reports them.
namespace disp {
constexpr qint32 MemberNotFound = -2147352573;     // 0x80020003
constexpr qint32 ClassNotRegistered = -2147221164; // 0x80040154
/// A failure that brings no number of its own (0x80004005, as the data layer's).
constexpr qint32 Unspecified = ado::errors::ConnectFailed;
} // namespace disp

/// A runtime error of the component with the runtime's own description, under the
/// component's name as source.
AutomationError runtimeError(qint32 number);

/// Runs `body`; any failure inside it is raised again with the same number and
/// description and with `source` as its source. This is how every data operation of
/// the component reports failures under its own name; when operations nest, the
/// outermost source wins, so the host sees the operation it called.
template <class Body> auto reraiseAs(const char* source, Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const AutomationError& e) {
        throw e.withSource(QLatin1String(source));
    } catch (const std::exception& e) {
        throw AutomationError(disp::Unspecified, QLatin1String(source),
                              QString::fromLocal8Bit(e.what()));
    }
}

} // namespace ORBTAgentes
