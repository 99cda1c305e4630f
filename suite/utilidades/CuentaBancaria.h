#pragma once

#include <QString>

namespace utilidades {

/// Spanish bank accounts (CCC: bank 4, branch 4, check digits 2, account 10).
namespace cuenta {

/// The two check digits the bank, branch and account numbers call for; empty when any
/// part is not all digits of its length.
QString digitosControl(const QString& banco, const QString& sucursal, const QString& numero);

/// The IBAN of a 20-digit account ("ES" + two check digits + the account); empty when
/// the text is not 20 digits.
QString iban(const QString& ccc);

} // namespace cuenta

} // namespace utilidades
