#include "SqlValues.h"

#include "SharedContext.h"

#include <utilidades/SqlLiteral.h>
#include <utilidades/Utilidades.h>

namespace ORBTAgentes {

QString sqlAmount(Currency v) {
    return SharedContext::utilidades().FormatoSQL(v.toDouble());
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
