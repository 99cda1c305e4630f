#include "SqlValues.h"

#include "Errors.h"
#include "SharedContext.h"

#include <utilidades/SqlLiteral.h>
#include <utilidades/Utilidades.h>

namespace ORBTAgentes {

// An amount reaches the formatter as a double, as the suite's amounts always have. One
// that does not come back from that text as the same amount (beyond about 9 * 10^11 a
// double no longer holds four decimals; the largest amounts not even their units) fails
// here with an overflow, before anything is written, instead of being stored as another
// amount that cannot be loaded again.
QString sqlAmount(Currency v) {
    const QString text = SharedContext::utilidades().FormatoSQL(v.toDouble());
    if (Currency::fromString(text) != v)
        throw runtimeError(rt::Overflow);
    return text;
}
QString sqlPercentage(double v) {
    return SharedContext::utilidades().FormatoSQL(v);
}
QString sqlTextBody(const QString& text) {
    return utilidades::sqlEscaped(text);
}
QString sqlDateBody(const QDateTime& date) {
    return sqlDateText(date);
}

} // namespace ORBTAgentes
