#pragma once

#include <QString>
#include <QVariant>

// Amounts as a report shows them, kept exact: never through a double.
namespace report {

/// An amount of a row in ten-thousandths, exactly: a decimal text ("-1234.5") or a number
/// as the data layer reads a column. Anything else, or more than four decimals, fails
/// with error 13 ("... no es un importe.").
qint64 tenThousandths(const QVariant& v);

/// Ten-thousandths as an amount with two decimals, half to even, in the regional settings
/// ("-0,02", "12345681,88"); a value that rounds to zero has no sign.
QString amountText(qint64 v);

} // namespace report
