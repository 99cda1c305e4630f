#pragma once

#include <QString>

namespace ORBTAgentes {

/// The name of the bank with code `codigo` in table Bancos, read on the shared
/// connection; empty text when no bank has that code (with several, the first row the
/// database returns). Catches nothing: a missing connection, a refused statement or a
/// NULL name reach the caller as they were reported.
QString NombreBanco(qint16 codigo);

} // namespace ORBTAgentes
