// The suite's controls and utility objects the agent window is built from.
#include "TestComponent.h"

#include "TestErrors.h"
#include <OrbentaSuite.h>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(SuiteControls, CheckBoxAndMaskedDateBox) {
    QWidget form;
    auto* check = new controls::HxCheckBox(QStringLiteral("No Imprimir Liquidaciones"), &form);
    auto* date = new controls::HxMaskEdBox(&form);
    date->setMask(QStringLiteral("##/##/####"));
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(check->Value(), 0);
    check->setFocus();
    QTest::keyClick(check, Qt::Key_Space);
    EXPECT_EQ(check->Value(), 1);
    check->setValue(0);
    EXPECT_FALSE(check->isChecked());

    date->setFocus();
    date->home(false);
    QTest::keyClicks(date, QStringLiteral("07a01b2026"));
    EXPECT_EQ(date->Text(), QStringLiteral("07/01/2026")) << "letters are not typed";
    date->clear();
    date->home(false);
    QTest::keyClicks(date, QStringLiteral("12"));
    EXPECT_EQ(date->Text(), QStringLiteral("12//")) << "as typed: untyped places left out";
    date->setTextValue(QStringLiteral("31/12/1999"));
    EXPECT_EQ(date->Text(), QStringLiteral("31/12/1999"));
    // Either enabling property off: nothing can be typed.
    for (bool widget : {true, false}) {
        date->setEnabled(!widget);
        date->setEnabledMask(widget);
        date->setTextValue(QString());
        date->setFocus();
        QTest::keyClicks(date, QStringLiteral("01"));
        EXPECT_EQ(date->Text(), QStringLiteral("//")) << (widget ? "Enabled" : "EnabledMask");
    }
}

class SuiteLookups : public testsupport::ComponentTest {};

TEST_P(SuiteLookups, WarehousesAndPostalCodes) {
    cn->Execute(QStringLiteral("INSERT INTO Almacenes (Codigo, Nombre) VALUES (2, 'Delegación "
                               "Valencia')"));
    cn->Execute(QStringLiteral("INSERT INTO Codigos_Postales (Codigo, Localidad, Provincia) "
                               "VALUES (48001, 'Bilbao', 'Bizkaia')"));
    QWidget form;
    auto* almacen = new controls::HxAlmacen(&form);
    auto* other = new QLineEdit(&form);
    almacen->setConexion(cn);
    almacen->setCodigo(2);
    almacen->Mostrar();
    EXPECT_EQ(almacen->Codigo(), 2);
    EXPECT_EQ(almacen->Nombre(), QStringLiteral("Delegación Valencia"));
    almacen->Limpiar();
    EXPECT_EQ(almacen->Codigo(), 0);
    EXPECT_TRUE(almacen->Nombre().isEmpty());
    almacen->setCodigo(9);
    almacen->Mostrar();
    EXPECT_TRUE(almacen->Nombre().isEmpty()) << "no such warehouse";
    // A typed code shows its warehouse when the focus leaves it.
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    almacen->Limpiar();
    almacen->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("2"));
    other->setFocus();
    EXPECT_EQ(almacen->Nombre(), QStringLiteral("Delegación Valencia"));

    utilidades::CodigosPostales cp;
    cp.setConexion(cn);
    const struct {
        qint32 code;
        bool found;
        const char* localidad;
        const char* provincia;
    } cases[] = {
        {48001, true, "Bilbao", "Bizkaia"},
        {48999, true, "", "Bizkaia"}, // not in the table: the province by its prefix
        {1005, true, "", "Araba/Álava"},
        {52001, true, "", "Melilla"},
        {53001, false, "", ""},
        {999, false, "", ""},
        {0, false, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        cp.setCodigo(c.code);
        EXPECT_EQ(cp.Buscar(), c.found);
        EXPECT_EQ(cp.Localidad(), QString::fromUtf8(c.localidad));
        EXPECT_EQ(cp.Provincia(), QString::fromUtf8(c.provincia));
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, SuiteLookups,
                         ::testing::Values(testsupport::Engine::SQLite,
                                           testsupport::Engine::PostgreSQL,
                                           testsupport::Engine::Odbc),
                         testsupport::engineName);

TEST(SuiteUtilities, EmailCheckSaysWhatIsWrong) {
    const struct {
        const char* address;
        bool valid;
        const char* says; // part of the message
    } cases[] = {
        {"ana@empresa.es", true, ""},
        {"maria.jose+pedidos@sub.empresa-norte.com", true, ""},
        {"iñaki@euskal.eus", true, ""},
        {"ana.empresa.es", false, "arroba"},
        {"ana@@empresa.es", false, "más de una arroba"},
        {"@empresa.es", false, "nombre"},
        {"ana@", false, "dominio"},
        {"ana@empresa", false, "punto"},
        {"ana@empresa..es", false, "dos puntos"},
        {"ana @empresa.es", false, "espacios"},
        {"ana@empresa.es ", false, "espacios"},
        {"ana(x)@empresa.es", false, "carácter no permitido"},
        {"ana@empre_sa.es", false, "carácter no permitido"},
        {"", false, "vacía"},
    };
    utilidades::Validacion v;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        QString msg = QStringLiteral("old");
        EXPECT_EQ(v.EmailValido(QString::fromUtf8(c.address), msg), c.valid);
        if (c.valid)
            EXPECT_TRUE(msg.isEmpty());
        else
            EXPECT_TRUE(msg.contains(QString::fromUtf8(c.says))) << msg.toStdString();
    }
}

TEST(SuiteUtilities, FocusAdvanceFollowsTheTabOrder) {
    QWidget form;
    auto* a = new QLineEdit(&form);
    auto* b = new QLineEdit(&form);
    auto* c = new QLineEdit(&form);
    b->setEnabled(false);
    QWidget::setTabOrder(a, c);
    QWidget::setTabOrder(c, b);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    a->setFocus();
    utilidades::AvanceFoco().Avanzar();
    EXPECT_TRUE(c->hasFocus());
}

} // namespace

namespace {

TEST(SuiteUtilities, SpanishAccountCheckDigitsAndIban) {
    using namespace utilidades::cuenta;
    EXPECT_EQ(digitosControl("2100", "0418", "0200051332"), QStringLiteral("45"));
    EXPECT_EQ(iban("21000418450200051332"), QStringLiteral("ES9121000418450200051332"));
    EXPECT_EQ(digitosControl("0049", "1500", "0512345678").size(), 2);
    EXPECT_EQ(digitosControl("21a0", "0418", "0200051332"), QString());
    EXPECT_EQ(digitosControl("2100", "418", "0200051332"), QString());
    EXPECT_EQ(iban("2100041845020005133"), QString());
}

} // namespace
