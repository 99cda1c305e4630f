// The settlement sheet: what each agent is paid for a period, printed by the report engine.
#include "WindowTest.h"

namespace {

class Liquidacion : public testsupport::ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        if (IsSkipped())
            return;
        shareCompany();
        testsupport::useInstalledReports(*cn);
        // 1 Ana, 15 %; 2 the hostile name, 15 %; 3 not settled unless named; 4 nothing
        // in the period.
        for (int a : {1, 2, 3, 4})
            testsupport::insertAgent(*cn, a, a == 2 ? hostil : QString());
        sql({"INSERT INTO Empresas (Codigo, Nombre, Cod_Empresa_Articulos) VALUES (1, "
             "'Distribuciones Norte', 1)",
             "UPDATE Agentes SET Nombre = 'Ana', Cta_Bancaria = '21000418450200051332' WHERE "
             "Codigo = 1",
             "UPDATE Agentes SET Cta_Bancaria = NULL WHERE Codigo = 2",
             "UPDATE Agentes SET NoImpLiquidacion = 1, Retencion_IRPF = 7.5 WHERE Codigo = 3"});
        clsAgente a;
        const auto dia = [](const char* d) {
            return naive(QDate::fromString(QString::fromLatin1(d).left(10), Qt::ISODate),
                         QTime::fromString(QString::fromLatin1(d).mid(11), u"hh:mm:ss"_s));
        };
        const auto dinero = [](const char* x) { return Currency::fromString(QLatin1String(x)); };
        // agent, day, sale, commission on sales, on collections
        const struct {
            qint16 agente;
            const char *dia, *venta, *comVenta, *comCobro;
        } movimientos[] = {
            {1, "2025-12-31T23:59:59", "999", "99", "9"}, // before the period
            {1, "2026-01-05T00:00:00", "1000", "50.005", "20"},
            {1, "2026-01-20T00:00:00", "234.5678", "11.7284", "0"},
            {1, "2026-02-03T00:00:00", "12345.67", "617.28", "0"},
            {1, "2026-02-28T23:59:59", "0", "0", "123.45"}, // the last second
            {1, "2026-03-01T00:00:00", "888", "88", "8"},   // after it
            {2, "2026-02-10T00:00:00", "1000", "80.30", "0"},
            {2, "2026-02-11T00:00:00", "999.985", "0", "20"},
            {3, "2026-01-15T00:00:00", "500", "25", "5"},
            {4, "2026-04-01T00:00:00", "100", "10", "1"},
        };
        for (const auto& m : movimientos) {
            a.AcumularVenta(m.agente, dia(m.dia), dinero(m.venta), dinero("0"));
            a.AcumularComisionVenta(m.agente, dia(m.dia), dinero(m.comVenta));
            a.AcumularComisionCobro(m.agente, dia(m.dia), dinero(m.comCobro));
        }
    }
    const QString hostil = QString(u"<b>x</b>"_s + u"Ñandú_O'Brien_%1_"_s.repeated(20)).left(255);
};

// Two agents over two months, the months' sums rounded half to even to cents
// (1999,985 is 1999,98; 15 % of 100,30 is 15,04), one page each; an agent who is not
// settled is left out unless named, and so is one without movements; the hostile name
// is printed whole, as typed, across lines.
TEST_P(Liquidacion, TheSheetShowsEachAgentsMonthsTotalsWithholdingAndNet) {
    const QDate desde(2026, 1, 1), hasta(2026, 2, 28);
    const QString fecha = utilidades::regional().toString(QDate::currentDate(), u"dd/MM/yyyy"_s);
    const QStringList cabecera = u"Distribuciones Norte|Liquidación de Agentes|"
                                 "Del 01/01/2026 al 28/02/2026"_s.split(u'|');
    const QStringList ana = u"AGENTE: 1 - Ana|Cuenta bancaria: 2100 0418 45 0200051332|"
                            "Mes Ventas Comisión ventas Comisión cobros|"
                            "Enero 2026 1234,57 61,73 20,00|Febrero 2026 12345,67 617,28 123,45|"
                            "Total 13580,24 679,01 143,45|Comisiones (ventas + cobros) 822,46|"
                            "Retención IRPF (15,00 %) 123,37|Neto a pagar 699,09"_s.split(u'|');
    const QStringList otro = u"Cuenta bancaria: (sin cuenta)|"
                             "Mes Ventas Comisión ventas Comisión cobros|Enero 2026 0,00 0,00 0,00|"
                             "Febrero 2026 1999,98 80,30 20,00|Total 1999,98 80,30 20,00|"
                             "Comisiones (ventas + cobros) 100,30|Retención IRPF (15,00 %) 15,04|"
                             "Neto a pagar 85,26"_s.split(u'|');
    const QStringList oculto = u"AGENTE: 3 - Agente 3|Cuenta bancaria: 2100 0000 00 0000000000|"
                               "Mes Ventas Comisión ventas Comisión cobros|"
                               "Enero 2026 500,00 25,00 5,00|Febrero 2026 0,00 0,00 0,00|"
                               "Total 500,00 25,00 5,00|Comisiones (ventas + cobros) 30,00|"
                               "Retención IRPF (7,50 %) 2,25|Neto a pagar 27,75"_s.split(u'|');
    const auto pie = [&](int p, int n) -> QString {
        return u"Página "_s + QString::number(p) + u" de "_s + QString::number(n) + u" · "_s +
               fecha;
    };
    const QStringList lineas = testsupport::printed(*InformeLiquidacion::Preparar(0, desde, hasta));
    const qsizetype corte = lineas.indexOf(pie(1, 2));
    ASSERT_GT(corte, 0) << lineas.join(u'\n').toStdString();
    EXPECT_EQ(lineas.mid(0, corte + 1), cabecera + ana + QStringList{pie(1, 2)});
    const QStringList segunda = lineas.mid(corte + 1);
    ASSERT_EQ(segunda.mid(0, 3), cabecera);
    const qsizetype cuenta = segunda.indexOf(otro.first());
    ASSERT_GT(cuenta, 4) << "the name takes more than one line";
    EXPECT_EQ(segunda.mid(3, cuenta - 3).join(QString()).remove(u' '),
              QString(u"AGENTE: 2 - "_s + hostil).remove(u' '));
    EXPECT_EQ(segunda.mid(cuenta), otro + QStringList{pie(2, 2)});

    // In the viewer, as a dashboard shows it: the agents are its groups, names as typed.
    QStringList grupos;
    QTimer::singleShot(0, [&] {
        auto* visor = frmView::actual()->findChild<report::Visor*>(u"crvRep"_s);
        for (int i = 0; i < visor->groupTree()->count(); ++i)
            grupos << visor->groupTree()->item(i)->text();
        visor->findChild<QToolButton*>(u"cerrar"_s)->click();
    });
    InformeLiquidacion::Ver(0, desde, hasta);
    EXPECT_EQ(grupos, (QStringList{u"1 - Ana"_s, u"2 - "_s + hostil}));

    // Named, an agent is settled even when not to be printed, or without movements.
    EXPECT_EQ(testsupport::printed(*InformeLiquidacion::Preparar(3, desde, hasta)),
              cabecera + oculto + QStringList{pie(1, 1)});
    EXPECT_EQ(
        testsupport::printed(*InformeLiquidacion::Preparar(4, desde, hasta)).mid(6, 4).join(u'|'),
        u"Enero 2026 0,00 0,00 0,00|Febrero 2026 0,00 0,00 0,00|Total 0,00 0,00 0,00|"
        "Comisiones (ventas + cobros) 0,00"_s);
}

// What cannot be settled is refused in Spanish, saying why (an unknown agent: CliTest).
TEST_P(Liquidacion, WhatCannotBeSettledIsRefused) {
    const char* irpf = "La retención IRPF del agente 1 (150 %) no está entre 0 y 100: corríjala "
                       "en su ficha antes de liquidar.";
    const struct {
        qint16 agente;
        const char *desde, *hasta, *dice;
    } casos[] = {
        {0, "2026-02-01", "2026-01-31",
         "El periodo del 01/02/2026 al 31/01/2026 termina antes de empezar."},
        {0, "2016-01-01", "2026-01-31", "Un periodo de liquidación abarca como mucho 120 meses."},
        {0, "2024-01-01", "2024-12-31",
         "No hay nada que liquidar del 01/01/2024 al 31/12/2024: ningún agente a liquidar tiene "
         "ventas ni comisiones en él."},
        {1, "2026-01-01", "2026-02-28", irpf}, // the agent named
        {0, "2026-01-01", "2026-02-28", irpf}, // or among all
    };
    sql({"UPDATE Agentes SET Retencion_IRPF = 150 WHERE Codigo = 1"});
    const auto dia = [](const char* d) { return QDate::fromString(QLatin1String(d), Qt::ISODate); };
    for (const auto& c : casos)
        EXPECT_EQ(testsupport::failureOf([&] {
                      InformeLiquidacion::Preparar(c.agente, dia(c.desde), dia(c.hasta));
                  }).description(),
                  QString::fromUtf8(c.dice));
}

ORBENTA_ENGINE_TESTS(Liquidacion);

} // namespace
