#pragma once

#include <automation/AutomationError.h>

namespace testsupport {

/// The failure `f` raised, or an error numbered 0 with source "(no failure)" when it
/// raised none, so that a test can compare number, source and description directly.
template <class F> automation::AutomationError failureOf(F&& f) {
    try {
        f();
    } catch (const automation::AutomationError& e) {
        return e;
    }
    return automation::AutomationError(0, QStringLiteral("(no failure)"), QString());
}

template <class F> qint32 errorOf(F&& f) {
    return failureOf(f).number();
}

} // namespace testsupport
