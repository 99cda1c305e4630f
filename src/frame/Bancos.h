#pragma once

#include <QString>

namespace ORBTAgentes {

/// Looks bank `codigo` up in table Bancos on the shared connection: true with its name
/// in `nombre` when the bank is there (the first row the database returns), false with
/// `nombre` untouched when it is not. Catches nothing: a missing connection, a refused
/// statement or a NULL name reach the caller as they were reported.
bool BuscarBanco(qint16 codigo, QString& nombre);

/// The bank name lookup: the name of bank `codigo`, empty text when there is none.
QString NombreBanco(qint16 codigo);

} // namespace ORBTAgentes
