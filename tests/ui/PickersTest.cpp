// The invoice window's pick list: a series' invoices to pick from; typing filters without
// regard to case or accents, Enter picks.
#include "WindowTest.h"

namespace {

class InvoicePicker : public testsupport::WindowTest<frmclsCambioFactura> {
protected:
    void seed() override {
        sql({"INSERT INTO Agentes (Codigo, Nombre) VALUES (1, 'Íñigo <b>Ruiz</b>'), (2, 'Eva')",
             "INSERT INTO Facturas (Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, "
             "Dto2, Importe_Costo) VALUES (1, 10, '2026-03-02T00:00:00', 1, 200, 0, 10, 0, 5, "
             "100), (1, 12, '2026-03-04T00:00:00', 2, 80, 1, 0, 1, 0, 20), (1, 11, "
             "'2026-03-03T00:00:00', 0, 50.5, 1, 0, 1, 0, 20), (2, 13, '2026-03-05T00:00:00', 1, "
             "9, 1, 0, 1, 0, 1)"});
    }
};

TEST_P(InvoicePicker, F4ListsTheSeriesInvoicesAndEnterLoadsThePickedOne) {
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    key(Qt::Key_F4); // no series yet
    told(0, "Escriba primero la serie de la factura.", "¡Atención!");
    enter(box("txtSerie"), u"9"_s);
    key(Qt::Key_F4);
    told(1, "No hay facturas en la serie 9.", "¡Atención!");
    box("txtSerie")->clear();
    type(box("txtSerie"), u"1"_s);
    const QStringList shown = testsupport::pickFrom([&] { key(Qt::Key_F4); }, u"inigo"_s);
    ASSERT_EQ(shown.size(), 3);
    EXPECT_TRUE(shown[0].startsWith(u"12|"_s) && shown[0].endsWith(u"|2 - Eva|80"_s))
        << shown[0].toStdString();
    EXPECT_TRUE(shown[1].endsWith(u"||50,5"_s)) << shown[1].toStdString();
    EXPECT_EQ(shown[2], u"10|02/03/2026|1 - Íñigo <b>Ruiz</b>|171"_s);
    // The picked invoice is loaded as Enter on its number would.
    EXPECT_EQ(box("txtTotal")->Text(), u"171"_s);
    EXPECT_FALSE(ctl<QPushButton>(u"cmdBuscarFactura"_s)->isEnabled());
    EXPECT_EQ(w->focusWidget(), ctl<controls::HxAgente>(u"txtNuevoAgente"_s)->editor());
    key(Qt::Key_F4); // nothing to pick while an invoice is loaded
    EXPECT_EQ(presenter->requests.size(), 2);
}

ORBENTA_ENGINE_TESTS(InvoicePicker);

} // namespace
