// The agent window, flow by flow, with the keys office staff press.
#include "HostileText.h"
#include "WindowTest.h"

#include "TestErrors.h"
#include <ORBTAgentes.h>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ORBTAgentes;
using testsupport::rowsOf;

namespace {

class AgentesWindow : public testsupport::WindowTest<frmclsAgente> {
protected:
    void seed() override {
        shareCompany();
        sql({"INSERT INTO Agentes (Codigo, Nombre, Direccion, Cp, Localidad, Provincia, "
             "Telefono, Fax, Movil, EMail, Almacen, Bloqueado, Bloq_Fecha, Bloq_Motivo, "
             "ComisVentas, ComisCobros, Retencion_IRPF, NoImpLiquidacion, Password, "
             "Cta_Bancaria, Observ) VALUES (3, 'Iñaki Zubizarreta', 'C/ Mayor, 1', 48001, "
             "'Bilbao', 'Bizkaia', '944', '945', '600', 'inaki@cantabricas.es', 1, 1, "
             "'2026-01-07T00:00:00', 'Impagos', 3.5, 0.5, 15, 1, 'clave', "
             "'01820631868583945399', 'Zona costera')",
             "INSERT INTO Agentes (Codigo, Nombre, Direccion, Cp, Localidad, Provincia, "
             "Telefono, Fax, Movil, EMail, Almacen, Bloq_Fecha, Bloq_Motivo, Password, "
             "Cta_Bancaria, Observ) VALUES (5, 'Ana', '', 0, '', '', '', '', '', '', 0, "
             "'1899-12-30T00:00:00', '', '', '', '')",
             "INSERT INTO Agentes (Codigo, Nombre, Direccion, Cp, Localidad, Provincia, "
             "Telefono, Fax, Movil, EMail, Almacen, Bloq_Fecha, Bloq_Motivo, Password, "
             "Cta_Bancaria, Observ) VALUES (9, 'Zuriñe', '', 0, '', '', '', '', '', '', 0, "
             "'1899-12-30T00:00:00', '', '', 'ab12', '')",
             "INSERT INTO Bancos (Codigo, Nombre) VALUES (182, 'Banco Bilbao Vizcaya')",
             "INSERT INTO Almacenes (Codigo, Nombre) VALUES (1, 'Central Bilbao')",
             "INSERT INTO Codigos_Postales (Codigo, Localidad, Provincia) VALUES (46600, "
             "'Alzira', 'Valencia')",
             "INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, Importe_Pvp) "
             "VALUES (1, 9, '2026-03-02T00:00:00', 10)"});
    }
    controls::HxTextBox* box(const QString& name) { return ctl<controls::HxTextBox>(name); }
    controls::HxTextBox* cta(int i) {
        return box(QStringLiteral("txtCta_Bancaria(") + QString::number(i) + u')');
    }
    QPushButton* button(const char* name) { return ctl<QPushButton>(name); }
    QComboBox* bloqueado() { return ctl<QComboBox>("cboBloqueado"); }
    controls::HxMaskEdBox* fecha() { return ctl<controls::HxMaskEdBox>("txtBloq_Fecha"); }
    QString text(const char* name) { return box(name)->Text(); }
    void loadCode(const QString& code) {
        type(box("txtCodigo"), code);
        QTest::keyClick(box("txtCodigo"), Qt::Key_Return);
    }
    QString row(int code) {
        return rowsOf(*cn, QStringLiteral("SELECT * FROM Agentes WHERE Codigo = ") +
                               QString::number(code))
            .join(u'\n');
    }
    // An agent shown: the code box closed, every button of the agent open.
    bool shownState() {
        return !box("txtCodigo")->isEnabled() && button("cmdAceptar")->isEnabled() &&
               button("cmdEliminar")->isEnabled() && button("cmdSetPassword")->isEnabled() &&
               button("cmdCancelar")->isEnabled();
    }
};

TEST_P(AgentesWindow, OpensAndNavigates) {
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    open(); // in Spanish settings
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Agentes"));
    for (const char* name : {"Frame1(0)", "fraRecibo", "txtObserv", "chkNoImpLiquidacion"})
        ctl(name); // found by the names a host knows
    EXPECT_TRUE(box("txtCodigo")->isEnabled() && box("txtCodigo")->Text().isEmpty());
    EXPECT_TRUE(button("cmdEliminar")->isEnabled());
    EXPECT_FALSE(button("cmdAceptar")->isEnabled() || button("cmdCancelar")->isEnabled() ||
                 button("cmdSetPassword")->isEnabled());
    EXPECT_EQ(bloqueado()->currentIndex(), 1);
    EXPECT_TRUE(fecha()->isEnabled() && fecha()->EnabledMask());
    key(Qt::Key_F9); // nothing to save yet
    EXPECT_TRUE(presenter->requests.isEmpty());
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Agentes")), QStringList({"3"}));

    button("cmdUltimo")->click();
    EXPECT_EQ(box("txtCodigo")->Text(), QStringLiteral("9"));
    EXPECT_TRUE(shownState());
    EXPECT_TRUE(box("txtNombre")->hasFocus());
    EXPECT_EQ(cta(4)->Text(), QString()) << "'ab12' is no bank code";
    button("cmdSiguiente")->click(); // past the last: nothing changes
    EXPECT_EQ(box("txtCodigo")->Text(), QStringLiteral("9"));
    key(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(box("txtCodigo")->Text(), QStringLiteral("5"));
    EXPECT_TRUE(box("txtCp")->Text().isEmpty()) << "Cp 0 shows empty";
    key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(box("txtCodigo")->Text(), QStringLiteral("3"));
    key(Qt::Key_Left, Qt::AltModifier); // before the first
    EXPECT_EQ(box("txtCodigo")->Text(), QStringLiteral("3"));
    // Every field as the agent object holds it.
    EXPECT_EQ(box("txtNombre")->Text(), QStringLiteral("Iñaki Zubizarreta"));
    EXPECT_EQ(box("txtCp")->Text(), QStringLiteral("48001"));
    EXPECT_EQ(cta(0)->Text(), QStringLiteral("0182"));
    EXPECT_EQ(cta(1)->Text(), QStringLiteral("0631"));
    EXPECT_EQ(cta(2)->Text(), QStringLiteral("86"));
    EXPECT_EQ(cta(3)->Text(), QStringLiteral("8583945399"));
    EXPECT_EQ(cta(4)->Text(), QStringLiteral("Banco Bilbao Vizcaya"));
    EXPECT_EQ(ctl<controls::HxAlmacen>("txtAlmacen")->Nombre(), QStringLiteral("Central Bilbao"));
    EXPECT_EQ(bloqueado()->currentIndex(), 1);
    EXPECT_EQ(fecha()->Text(), QStringLiteral("07/01/2026"));
    EXPECT_EQ(box("txtComVenta")->Text(), QStringLiteral("3,50"));
    EXPECT_EQ(ctl<controls::HxCheckBox>("chkNoImpLiquidacion")->Value(), 1);
    EXPECT_EQ(ctl<QPlainTextEdit>("txtObserv")->toPlainText(), QStringLiteral("Zona costera"));
    key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(box("txtCodigo")->Text(), QStringLiteral("9"));
}

TEST_P(AgentesWindow, LoadsByCodeAndEscapesInTwoSteps) {
    box("txtCodigo")->setFocus();
    key(Qt::Key_Return); // empty: nothing, the focus stays
    EXPECT_TRUE(box("txtCodigo")->hasFocus());
    EXPECT_TRUE(box("txtCodigo")->isEnabled());
    loadCode(QStringLiteral("3"));
    EXPECT_TRUE(shownState());
    EXPECT_TRUE(box("txtNombre")->hasFocus());
    EXPECT_EQ(box("txtNombre")->Text(), QStringLiteral("Iñaki Zubizarreta"));
    key(Qt::Key_Escape); // a code is shown: clear
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(box("txtCodigo")->isEnabled() && box("txtCodigo")->hasFocus());
    EXPECT_TRUE(box("txtNombre")->Text().isEmpty());
    EXPECT_FALSE(button("cmdAceptar")->isEnabled() || button("cmdEliminar")->isEnabled());
    // Limpiar leaves the bank name, the Bloqueado choice, the block date and reason.
    EXPECT_EQ(cta(4)->Text(), QStringLiteral("Banco Bilbao Vizcaya"));
    EXPECT_EQ(box("txtBloq_Motivo")->Text(), QStringLiteral("Impagos"));
    EXPECT_FALSE(fecha()->Text().isEmpty());
    EXPECT_TRUE(cta(0)->Text().isEmpty());
    // A code that is no agent: a new one, the window keeps what it shows.
    loadCode(QStringLiteral("77"));
    EXPECT_TRUE(shownState());
    EXPECT_TRUE(box("txtNombre")->Text().isEmpty());
    key(Qt::Key_F12);
    EXPECT_TRUE(box("txtCodigo")->isEnabled());
    QPointer<frmAgentes> window(w);
    key(Qt::Key_Escape); // the code box is empty: Esc closes, Unload drops the window
    EXPECT_EQ(cls->window(), nullptr);
}

TEST_P(AgentesWindow, SavesTheAgentAndItsBank) {
    loadCode(QStringLiteral("77"));
    type(box("txtNombre"), QStringLiteral("L'Aurora %1 \\ "));
    box("txtNombre")->insert(QStringLiteral("東京")); // keys type only ASCII here
    type(box("txtCp"), QStringLiteral("46600"));
    QTest::keyClick(box("txtCp"), Qt::Key_Return);
    EXPECT_EQ(box("txtLocalidad")->Text(), QStringLiteral("Alzira"));
    EXPECT_EQ(box("txtProvincia")->Text(), QStringLiteral("Valencia"));
    type(cta(0), QStringLiteral("0049"));
    QTest::keyClick(cta(0), Qt::Key_Return); // unknown bank: name kept
    type(cta(4), QStringLiteral("  Banco 'X'  "));
    type(cta(1), QStringLiteral("12"));
    type(cta(3), QStringLiteral("34"));
    type(box("txtComVenta"), QStringLiteral("2.5"));
    fecha()->setTextValue(QString()); // no valid block date
    std::vector<QString> sent;
    cn->setObserver([&](const ado::StatementEvent& e) { sent.push_back(e.text); });
    key(Qt::Key_F9);
    cn->setObserver({});
    ASSERT_TRUE(presenter->requests.isEmpty()) << presenter->requests.value(0).text.toStdString();
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Nombre, Cp, Localidad, Cta_Bancaria "
                                         "FROM Agentes WHERE Codigo = 77")),
              QStringList({"L'Aurora %1 \\ 東京|46600|Alzira|00491234"}));
    {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT Bloq_Fecha FROM Agentes WHERE Codigo = 77"), *cn);
        EXPECT_EQ(toDate(rs.Fields(0)), naive(QDate(1900, 1, 1), QTime(0, 0)))
            << "no valid block date: 1 January 1900";
    }
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Nombre FROM Bancos WHERE Codigo = 49")),
              QStringList({"Banco 'X'"}));
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[sent.size() - 2],
              QStringLiteral("UPDATE Bancos SET Nombre ='Banco ''X''' WHERE Codigo =49"));
    EXPECT_EQ(sent.back(),
              QStringLiteral("INSERT INTO Bancos (Codigo, Nombre) VALUES (49, 'Banco ''X''')"));
    // Back to code entry.
    EXPECT_TRUE(box("txtCodigo")->isEnabled() && box("txtCodigo")->hasFocus());
    EXPECT_FALSE(button("cmdAceptar")->isEnabled());
    // Loaded and saved unchanged: the row stays as it was, block date included.
    const QString before = row(3);
    for (const QLocale& l :
         {QLocale(QLocale::Spanish, QLocale::Spain),
          QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::C)}) {
        SCOPED_TRACE(l.name().toStdString());
        QLocale::setDefault(l);
        loadCode(QStringLiteral("3"));
        key(Qt::Key_F9);
        EXPECT_EQ(row(3), before);
    }
}

// Names another program stored (markup, quotes, placeholders, a line break, one longer
// than the box takes): each shows as written, and saving the agent unchanged keeps it
// whole. A box's maximum length limits only what the user types and pastes.
TEST_P(AgentesWindow, StoredNamesShowAndSaveAsWrittenAndTypingIsLimited) {
    for (const auto& [what, name] : testsupport::hostileTexts()) {
        SCOPED_TRACE(what);
        cn->Execute(QStringLiteral("UPDATE Agentes SET Nombre = ") + testsupport::sqlLiteral(name) +
                    QStringLiteral(" WHERE Codigo = 3"));
        const QString before = row(3);
        loadCode(QStringLiteral("3"));
        EXPECT_EQ(text("txtNombre"), name);
        key(Qt::Key_F9);
        EXPECT_EQ(row(3), before);
    }
    const QString longName = testsupport::hostileTexts().last().text;
    ASSERT_EQ(longName.size(), 255);
    loadCode(QStringLiteral("3"));
    QTest::keyClick(box("txtNombre"), Qt::Key_End);
    QTest::keyClicks(box("txtNombre"), QStringLiteral("xy")); // no room to grow
    EXPECT_EQ(text("txtNombre"), longName);
    key(Qt::Key_F12);

    loadCode(QStringLiteral("77"));
    const QString typed = QString(QStringLiteral("0123456789")).repeated(12);
    type(box("txtNombre"), typed);
    EXPECT_EQ(box("txtNombre")->Text(), typed.left(100));
    // Pasted in the middle, only what fits goes in.
    box("txtNombre")->setText(QStringLiteral("ab"));
    QApplication::clipboard()->setText(typed);
    if (QApplication::clipboard()->text() == typed) {
        box("txtNombre")->setCursorPosition(1);
        QTest::keyClick(box("txtNombre"), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(box("txtNombre")->Text(), u'a' + typed.left(98) + u'b');
    }
}

TEST_P(AgentesWindow, DeletesAfterAskingAndBlockFieldsFollowTheList) {
    loadCode(QStringLiteral("5"));
    presenter->answers = {ui::vbNo};
    button("cmdEliminar")->click();
    told(0, "Desea eliminar el agente actual?");
    EXPECT_EQ(presenter->requests[0].title, QStringLiteral("Confirmar"));
    EXPECT_EQ(presenter->requests[0].buttons, ui::vbYesNo);
    EXPECT_EQ(presenter->requests[0].defaultButton, ui::vbDefaultButton2);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Agentes")), QStringList({"3"}));
    presenter->answers = {ui::vbYes};
    button("cmdEliminar")->click();
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Agentes WHERE Codigo = 5")),
              QStringList({"0"}));
    EXPECT_TRUE(box("txtCodigo")->isEnabled() && box("txtCodigo")->hasFocus());
    EXPECT_TRUE(button("cmdEliminar")->isEnabled()) << "the buttons stay as they were";
    // ... except Aceptar: a deleted agent stays deleted, by F9 or by the button.
    key(Qt::Key_F9);
    button("cmdAceptar")->click();
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Agentes WHERE Codigo = 5")),
              QStringList({"0"}));
    EXPECT_TRUE(presenter->requests.size() == 2) << "no message either";
    // An agent with sales: Eliminar refuses with its own message; the window stays.
    loadCode(QStringLiteral("9"));
    presenter->answers = {ui::vbYes};
    button("cmdEliminar")->click();
    told(3, "No se puede eliminar el agente por tener datos asociados.");
    EXPECT_EQ(box("txtNombre")->Text(), QStringLiteral("Zuriñe"));

    // "No" disables the block date and reason and their labels, keeping their text.
    box("txtBloq_Motivo")->setTextValue(QStringLiteral("motivo"));
    bloqueado()->setCurrentIndex(0);
    EXPECT_FALSE(fecha()->isEnabled() || fecha()->EnabledMask());
    EXPECT_FALSE(box("txtBloq_Motivo")->isEnabled() || ctl("lblBloq_Fecha")->isEnabled() ||
                 ctl("lblBloq_Motivo")->isEnabled());
    EXPECT_EQ(box("txtBloq_Motivo")->Text(), QStringLiteral("motivo"));
    bloqueado()->setCurrentIndex(1);
    EXPECT_TRUE(box("txtBloq_Motivo")->isEnabled() && fecha()->EnabledMask());
    // Enter in the list moves on, as Tab does.
    bloqueado()->setFocus();
    key(Qt::Key_Return);
    EXPECT_TRUE(fecha()->hasFocus());
}

TEST_P(AgentesWindow, SearchPasswordAndEmailCheck) {
    // Buscar...: pick a line, and the agent loads as if its code had been typed.
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<frmAgentes_Buscar*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dlg);
        QWidget* lista = dlg->findChild<QWidget*>(QStringLiteral("lstLineas"));
        QTest::keyClick(lista, Qt::Key_End); // Zuriñe, last by name
        QTest::keyClick(lista, Qt::Key_Return);
    });
    button("cmdBuscar")->click();
    EXPECT_EQ(box("txtCodigo")->Text(), QStringLiteral("9"));
    EXPECT_TRUE(shownState());
    // Contraseña...: the accepted password goes into the agent and is saved with it.
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<frmCredenciales*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dlg);
        for (const char* name : {"txtPassword(1)", "txtPassword(2)"}) {
            auto* box = dlg->findChild<QWidget*>(QLatin1String(name));
            box->setFocus();
            QTest::keyClicks(box, QStringLiteral("Nueva1"));
        }
        dlg->findChild<QPushButton*>(QStringLiteral("cmdAceparPwd"))->click();
    });
    button("cmdSetPassword")->click();
    EXPECT_EQ(w->agente()->Password, QStringLiteral("Nueva1"));
    QApplication::setActiveWindow(w); // back from the dialogs
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    // A rejected e-mail address: the check's own words, the focus back in the box.
    type(box("txtEMail"), QStringLiteral("zurine.cantabricas.es"));
    box("txtNombre")->setFocus();
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_EQ(presenter->requests[0].title, QStringLiteral("¡ Dirección de eMail no válida !"));
    EXPECT_EQ(presenter->requests[0].icon, ui::vbExclamation);
    EXPECT_TRUE(presenter->requests[0].text.contains(QStringLiteral("arroba")));
    EXPECT_TRUE(box("txtEMail")->hasFocus());
    box("txtEMail")->clear();
    box("txtNombre")->setFocus(); // empty: no message
    EXPECT_EQ(presenter->requests.size(), 1);
    key(Qt::Key_F9);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Password FROM Agentes WHERE Codigo = 9")),
              QStringList({"Nueva1"}));
}

// The e-mail check runs when the focus moves on to another control of the window; a
// context menu, another window in front or closing the window do not run it.
TEST_P(AgentesWindow, EmailCheckRunsOnlyWhenTheFocusMovesToAnotherControl) {
    loadCode(QStringLiteral("5"));
    type(box("txtEMail"), QStringLiteral("sin-arroba"));
    QTimer::singleShot(0, [] {
        if (QWidget* menu = QApplication::activePopupWidget())
            menu->close();
    });
    const QPoint centro = box("txtEMail")->rect().center();
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, centro,
                           box("txtEMail")->mapToGlobal(centro));
    QApplication::sendEvent(box("txtEMail"), &menu);
    EXPECT_TRUE(presenter->requests.isEmpty()) << "context menu";
    {
        QWidget front;
        front.show();
        QApplication::setActiveWindow(&front);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&front));
        EXPECT_TRUE(presenter->requests.isEmpty()) << "another window";
    }
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    box("txtEMail")->setFocus();
    key(Qt::Key_Tab);
    ASSERT_EQ(presenter->requests.size(), 1) << "Tab to the next control";
    EXPECT_TRUE(box("txtEMail")->hasFocus());
    w->close();
    EXPECT_EQ(presenter->requests.size(), 1) << "closing";
}

// Enter in the postal code: a code in the table gives its locality and province; one it
// does not hold keeps the locality typed, and names its province only in an empty box.
TEST_P(AgentesWindow, PostalCodesKeepWhatTheUserTyped) {
    const struct {
        const char *cp, *localidad, *provincia, *wantLocalidad, *wantProvincia;
    } cases[] = {
        {"46600", "Otra", "Otra", "Alzira", "Valencia"},
        {"48992", "Getxo", "", "Getxo", "Bizkaia"},
        {"48992", "Getxo", "Vizcaya", "Getxo", "Vizcaya"},
        {"53001", "Lugar", "", "Lugar", ""},
    };
    loadCode(QStringLiteral("5"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cp);
        for (controls::HxTextBox* b : {box("txtCp"), box("txtLocalidad"), box("txtProvincia")})
            b->clear();
        type(box("txtLocalidad"), QString::fromUtf8(c.localidad));
        type(box("txtProvincia"), QString::fromUtf8(c.provincia));
        type(box("txtCp"), QString::fromUtf8(c.cp));
        key(Qt::Key_Return);
        EXPECT_EQ(box("txtLocalidad")->Text(), QString::fromUtf8(c.wantLocalidad));
        EXPECT_EQ(box("txtProvincia")->Text(), QString::fromUtf8(c.wantProvincia));
    }
}

// The D.C. box tells whether the check digits fit the account, with the IBAN when they
// do; what is saved is what was typed either way.
TEST_P(AgentesWindow, CheckDigitsShowWithoutChangingTheAccount) {
    loadCode(QStringLiteral("78"));
    type(cta(0), QStringLiteral("2100"));
    type(cta(1), QStringLiteral("0418"));
    type(cta(3), QStringLiteral("0200051332"));
    type(cta(2), QStringLiteral("45"));
    EXPECT_EQ(cta(2)->toolTip(), QStringLiteral("IBAN: ES9121000418450200051332"));
    cta(2)->clear();
    type(cta(2), QStringLiteral("54"));
    EXPECT_TRUE(cta(2)->toolTip().contains(QStringLiteral("no corresponden")));
    EXPECT_TRUE(presenter->requests.isEmpty());
    key(Qt::Key_F9);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Cta_Bancaria FROM Agentes WHERE Codigo = 78")),
              QStringList({"21000418540200051332"}));
}

ORBENTA_ENGINE_TESTS(AgentesWindow);

} // namespace
