#pragma once

// What the trace and the engines' messages show of a statement: the values of password
// columns and configuration keys, and the passwords of connection strings written as
// literals, never. Private to the data layer.
#include "automation/AutomationError.h"

#include <QString>

namespace ado {

/// Prints the statement to standard error as "SQL: ..." when ORBENTA_TRACE_SQL=1.
void trace(const QString& sql);
/// Whether statements are traced.
bool tracing();
/// The statement as the trace shows it.
QString withoutSecrets(const QString& sql);
/// An engine's message about `sql`, which may quote the statement or its values.
QString withoutSecrets(QString text, const QString& sql);
automation::AutomationError withoutSecrets(const automation::AutomationError& e,
                                           const QString& sql);

} // namespace ado
