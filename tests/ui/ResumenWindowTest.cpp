// The agents' summary window: its table and charts show the model's figures, the table
// sorts numbers as numbers, a double-click opens the agent, names stay plain text.
#include "WindowTest.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QGraphicsTextItem>
#include <QHeaderView>
#include <QLineSeries>
#include <QValueAxis>

namespace {

class ResumenWindow : public testsupport::WindowTest<frmclsResumenAgentes> {
protected:
    // This month (the window's range when it opens): three agents, the second named in
    // markup; their sales sort one way as numbers and another as text.
    void seed() override {
        testsupport::insertAgent(*cn, 1);
        testsupport::insertAgent(*cn, 2, "<b>x</b>");
        testsupport::insertAgent(*cn, 3);
        const QDate hoy = QDate::currentDate();
        const QString mes = QDate(hoy.year(), hoy.month(), 1).toString(Qt::ISODate);
        for (const char* v : {"1, '%1T00:00:00', 9.5, 1, 0.25", "2, '%1T00:00:00', 60, 70, 3",
                              "2, '%1T10:00:00', 40, 0, 2", "3, '%1T00:00:00', 20, 5, 1"})
            cn->Execute("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, "
                        "Importe_Pvp, Importe_Costo, ComisionVenta) VALUES (1, " +
                        QString::fromLatin1(v).arg(mes) + ")");
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    }
    // A column of the table as shown, top to bottom.
    QStringList column(int c) {
        QAbstractItemModel* m = ctl<QTableView>("vsResumen")->model();
        QStringList r;
        for (int i = 0; i < m->rowCount(); ++i)
            r << m->index(i, c).data().toString();
        return r;
    }
    // The points of the monthly chart's line ({-1, -1} when it has none).
    QList<QPointF> linea() {
        auto* s =
            qobject_cast<QLineSeries*>(ctl<QChartView>("chtMeses")->chart()->series().value(0));
        return s ? s->points() : QList<QPointF>{{-1, -1}};
    }
    // Every text a chart draws (titles, axis labels, legend), as it reads on screen.
    QStringList drawn(const char* chart) {
        QChartView* v = ctl<QChartView>(chart);
        v->grab();
        QStringList r;
        for (QGraphicsItem* i : v->scene()->items())
            if (auto* t = dynamic_cast<QGraphicsTextItem*>(i))
                r << t->toPlainText();
        return r;
    }
};

TEST_P(ResumenWindow, TableAndChartsShowTheFiguresSortSpanishAndTheTableOpensTheAgent) {
    QTableView* t = ctl<QTableView>("vsResumen");
    const QString mes = QDate::currentDate().toString("yyyy-MM");
    EXPECT_EQ(column(0) + column(2) + column(3) + column(5),
              QStringList({"1", "2", "3", mes, mes, mes, "9,50", "100,00", "20,00", "8,50", "30,00",
                           "15,00"}));
    auto* ventas = ctl<QChartView>("chtVentas")->chart()->series().value(0);
    auto* barras = qobject_cast<QBarSeries*>(ventas);
    ASSERT_TRUE(barras);
    EXPECT_EQ(barras->barSets()[0]->at(0), 100.0) << "the most sales first";
    EXPECT_EQ(barras->barSets()[1]->at(0), 30.0) << "margin";
    EXPECT_EQ(barras->barSets()[0]->at(2), 9.5);

    // Sorted by sales as numbers: a click on the header, and another for descending.
    QHeaderView* h = t->horizontalHeader();
    const QPoint ventasHeader(h->sectionViewportPosition(3) + 5, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, ventasHeader);
    EXPECT_EQ(column(0), QStringList({"1", "3", "2"}));
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, ventasHeader);
    EXPECT_EQ(column(0), QStringList({"2", "3", "1"}));

    // The row of the agent named in markup: the line chart is his, and every name in
    // both charts reads as typed.
    const QRect second = t->visualRect(t->model()->index(0, 1));
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(linea(), QList<QPointF>{QPointF(0, 100)});
    QChart* meses = ctl<QChartView>("chtMeses")->chart();
    // Its scale holds the sales and the commissions alike.
    auto* escala = qobject_cast<QValueAxis*>(meses->axes(Qt::Vertical).value(0));
    ASSERT_TRUE(escala);
    EXPECT_TRUE(escala->min() <= 0 && escala->max() >= 100)
        << escala->min() << " " << escala->max();
    // (an axis label may be cut short to its room: it still begins as typed)
    const QStringList etiquetas = drawn("chtVentas");
    EXPECT_FALSE(etiquetas.filter(QRegularExpression("^2 <b>")).isEmpty())
        << etiquetas.join('|').toStdString();
    EXPECT_TRUE(drawn("chtMeses").contains("Ventas y comisiones por mes: 2 <b>x</b>"))
        << drawn("chtMeses").join('|').toStdString();

    // A double-click opens the agent window on the row's agent.
    // (a double-click is a click, then the double-click event)
    const QPoint third = t->visualRect(t->model()->index(1, 0)).center();
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, third);
    QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, third);
    auto* agentes = w->findChild<frmAgentes*>();
    ASSERT_TRUE(agentes && agentes->isVisible());
    EXPECT_EQ(agentes->findChild<QLineEdit*>("txtNombre")->text(), "Agente 3");

    // A range that is no range is told, and what is shown stays.
    auto* desde = ctl<QLineEdit>("txtDesde");
    desde->selectAll();
    enter(desde, "31022026");
    told(0, "La fecha Desde no es válida: escríbala como dd/mm/aaaa.", "Resumen de Agentes");
    desde->selectAll();
    enter(desde, "01013000");
    told(1, "La fecha Desde es posterior a la fecha Hasta.");
    EXPECT_EQ(column(0).size(), 3);

    // Names sort in Spanish order whatever the locale; an agent's line has every month of
    // his span, one without figures at zero.
    QLocale::setDefault(QLocale::c());
    cn->Execute("UPDATE Agentes SET Nombre = 'Zoe' WHERE Codigo = 1");
    cn->Execute("UPDATE Agentes SET Nombre = 'Álvaro' WHERE Codigo = 3");
    const QDate hoy = QDate::currentDate();
    const QDate antes = QDate(hoy.year(), hoy.month(), 1).addMonths(-2);
    cn->Execute("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, Importe_Pvp) "
                "VALUES (1, 3, '" +
                antes.toString(Qt::ISODate) + "T00:00:00', 7)");
    w->Rango(antes, QDate(hoy.year(), hoy.month(), hoy.daysInMonth()));
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(1) + 5, h->height() / 2));
    const QStringList nombres = column(1);
    EXPECT_LT(nombres.indexOf("Álvaro"), nombres.indexOf("Zoe")) << nombres.join('|').toStdString();
    t->setCurrentIndex(t->model()->index(nombres.indexOf("Álvaro"), 0));
    EXPECT_EQ(linea(), (QList<QPointF>{{0, 7}, {1, 0}, {2, 20}}));
    // Every month of the period, even before the agent's first sale.
    t->setCurrentIndex(t->model()->index(nombres.indexOf("Zoe"), 0));
    EXPECT_EQ(linea(), (QList<QPointF>{{0, 0}, {1, 0}, {2, 9.5}}));
}

INSTANTIATE_TEST_SUITE_P(SQLite, ResumenWindow, ::testing::Values(testsupport::Engine::SQLite),
                         testsupport::engineName);

} // namespace
