#pragma once

#include "Values.h"

#include <QString>

namespace ORBTAgentes {

// How the component writes values into the statements it builds. Every statement of
// the component uses these and nothing else:
//  - whole numbers: plain digits, a leading "-" when negative;
//  - booleans: 1 and 0;
//  - amounts and percentages: the suite's SQL literal formatter (a point for decimals,
//    whatever the regional settings);
//  - texts and dates go between the quotes that the statement's fixed pieces carry:
//    texts with every quote doubled, so no text can end the literal early; dates as
//    YYYY-MM-DDThh:mm:ss, which every engine reads the same way.
inline QString sqlInteger(qint64 v) {
    return QString::number(v);
}
inline QString sqlBoolean(bool v) {
    return v ? QStringLiteral("1") : QStringLiteral("0");
}
QString sqlAmount(Currency v);
QString sqlPercentage(double v);
QString sqlTextBody(const QString& text);
QString sqlDateBody(const QDateTime& date);

} // namespace ORBTAgentes
