// The agents' figures per month against the day totals they are summed from.
#include "TestComponent.h"

#include <QAbstractItemModelTester>
#include <array>
#include <map>

using namespace ORBTAgentes;
using namespace testsupport;

namespace {

class Resumen : public ComponentTest {};

using Sums = std::array<qint64, 4>; // sales, cost, commissions: ten-thousandths

QString scaled(qint64 v) {
    return Currency::fromScaled(v).toString();
}

// Day totals of two companies, five agents (9 is not on file; 2 has a name that is SQL
// and markup) and the days from 25 January to 5 April, some with a time of day; amounts
// of four decimals, negative ones among them, whose sums a binary double cannot hold.
// Answers what company 1 must show per agent and month from February to March.
std::map<std::pair<int, int>, Sums> fill(ado::Connection& cn) {
    for (int agente : {1, 3, 4})
        insertAgent(cn, agente);
    insertAgent(cn, 2, "O'Brien <b>x</b>");
    std::map<std::pair<int, int>, Sums> expected;
    cn.BeginTrans();
    qint64 k = 0;
    for (QDate d(2026, 1, 25); d <= QDate(2026, 4, 5); d = d.addDays(1))
        for (int empresa : {1, 2})
            for (int agente : {1, 2, 4, 9}) {
                const Sums v = {(++k * 7919) % 2000001 - 500000, (k * 104729) % 300001,
                                (k * 31) % 1001, k % 3 == 0 ? 1000 : -1};
                // The last day of the range counts until its end; the next day does not.
                const QTime t = d == QDate(2026, 3, 31) ? QTime(23, 59, 59) : QTime(0, 0);
                QStringList values = {QString::number(empresa), QString::number(agente),
                                      u'\'' + QDateTime(d, t).toString(Qt::ISODate) + u'\''};
                for (qint64 x : v)
                    values << scaled(x);
                cn.Execute("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, "
                           "Importe_Pvp, Importe_Costo, ComisionVenta, ComisionCobro) VALUES (" +
                           values.join(", ") + ")");
                if (empresa != 1 || d < QDate(2026, 2, 1) || d > QDate(2026, 3, 31))
                    continue;
                for (size_t i = 0; i < 4; ++i)
                    expected[{agente, d.month()}][i] += v[i];
            }
    cn.CommitTrans();
    return expected;
}

QString row(const ResumenAgentes::Fila& f) {
    return QString::number(f.agente) + u'|' + f.nombre + u'|' + ResumenAgentes::textoMes(f) + u'|' +
           f.ventas.toString() + u'|' + f.costo.toString() + u'|' + f.margen().toString() + u'|' +
           f.comisionVenta.toString() + u'|' + f.comisionCobro.toString();
}

TEST_P(Resumen, SumsPerAgentAndMonthAreTheDayTotalsExactly) {
    const auto expected = fill(*cn);
    shareCompany(1);
    ResumenAgentes model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    int sent = 0;
    cn->setObserver([&](const ado::StatementEvent&) { ++sent; });
    model.Cargar(QDate(2026, 2, 1), QDate(2026, 3, 31));
    cn->setObserver({});
    EXPECT_EQ(sent, 1) << "the server sums, in one statement";

    QStringList want;
    for (const auto& [key, s] : expected) {
        const auto name = key.first == 9   ? QString()
                          : key.first == 2 ? QStringLiteral("O'Brien <b>x</b>")
                                           : "Agente " + QString::number(key.first);
        want << QString::number(key.first) + u'|' + name + "|2026-0" + QString::number(key.second) +
                    u'|' + scaled(s[0]) + u'|' + scaled(s[1]) + u'|' + scaled(s[0] - s[1]) + u'|' +
                    scaled(s[2]) + u'|' + scaled(s[3]);
    }
    QStringList got;
    for (const ResumenAgentes::Fila& f : model.filas())
        got << row(f);
    EXPECT_EQ(got, want);

    // One agent; the totals per agent; a range without figures.
    model.Cargar(QDate(2026, 3, 1), QDate(2026, 3, 31), qint16(2));
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(row(model.filas()[0]), want[3]);
    model.Cargar(QDate(2026, 2, 1), QDate(2026, 3, 31));
    const auto totales = model.totales();
    ASSERT_EQ(totales.size(), 4u);
    const Sums &feb = expected.at({4, 2}), &mar = expected.at({4, 3});
    EXPECT_EQ(totales[2].agente, 4);
    EXPECT_EQ(totales[2].margen().toString(), scaled(feb[0] + mar[0] - feb[1] - mar[1]));
    model.Cargar(QDate(2025, 1, 1), QDate(2025, 12, 31));
    EXPECT_EQ(model.rowCount(), 0);
}

ORBENTA_ENGINE_TESTS(Resumen);

} // namespace
