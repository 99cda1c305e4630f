#include "CuentaBancaria.h"

namespace utilidades::cuenta {

namespace {

bool digits(const QString& s, qsizetype n) {
    if (s.size() != n)
        return false;
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// One check digit over ten digits, weights 1, 2, 4, 8, 5, 10, 9, 7, 3, 6 (modulo 11).
int digito(const QString& ten) {
    static const int weights[10] = {1, 2, 4, 8, 5, 10, 9, 7, 3, 6};
    int sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += (ten[i].unicode() - u'0') * weights[i];
    const int d = 11 - sum % 11;
    return d == 11 ? 0 : d == 10 ? 1 : d;
}

} // namespace

QString digitosControl(const QString& banco, const QString& sucursal, const QString& numero) {
    if (!digits(banco, 4) || !digits(sucursal, 4) || !digits(numero, 10))
        return {};
    return QString::number(digito(QStringLiteral("00") + banco + sucursal)) +
           QString::number(digito(numero));
}

QString iban(const QString& ccc) {
    if (!digits(ccc, 20))
        return {};
    // The account, then "ES00" as digits (E=14, S=28), modulo 97, read digit by digit.
    const QString n = ccc + QStringLiteral("142800");
    int rest = 0;
    for (QChar c : n)
        rest = (rest * 10 + (c.unicode() - u'0')) % 97;
    return QStringLiteral("ES") + QString::number(98 - rest).rightJustified(2, u'0') + ccc;
}

} // namespace utilidades::cuenta
