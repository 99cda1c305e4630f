// The agent window, flow by flow, with the keys office staff press.
#include "HostileText.h"
#include "WindowTest.h"

#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QPlainTextEdit>

namespace {

class AgentesWindow : public testsupport::WindowTest<frmclsAgente> {
protected:
    void seed() override {
        sql({"INSERT INTO Agentes (Codigo, Nombre, Direccion, Cp, Localidad, Provincia, Telefono, "
             "Fax, Movil, EMail, Almacen, Bloqueado, Bloq_Fecha, Bloq_Motivo, ComisVentas, "
             "ComisCobros, Retencion_IRPF, NoImpLiquidacion, Password, Cta_Bancaria, Observ) "
             "VALUES (3, 'Iñaki Zubizarreta', 'C/ Mayor, 1', 48001, 'Bilbao', 'Bizkaia', '944', "
             "'945', '600', 'inaki@cantabricas.es', 1, 1, '2026-01-07T00:00:00', 'Impagos', 3.5, "
             "0.5, 15, 1, 'clave', '01820631868583945399', 'Zona costera')",
             "INSERT INTO Agentes (Codigo, Nombre, Direccion, Cp, Localidad, Provincia, "
             "Telefono, Fax, Movil, EMail, Almacen, Bloq_Fecha, Bloq_Motivo, Password, "
             "Cta_Bancaria, Observ) VALUES (5, 'Ana', '', 0, '', '', '', '', '', '', 0, "
             "'1899-12-30T00:00:00', '', '', '', ''), (9, 'Zuriñe', '', 0, '', '', '', '', '', "
             "'', 0, '1899-12-30T00:00:00', '', '', 'ab12', '')",
             "INSERT INTO Bancos (Codigo, Nombre) VALUES (182, 'Banco Bilbao Vizcaya')",
             "INSERT INTO Almacenes (Codigo, Nombre) VALUES (1, 'Central Bilbao')",
             "INSERT INTO Codigos_Postales (Codigo, Localidad, Provincia) VALUES (46600, "
             "'Alzira', 'Valencia')",
             "INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha, Importe_Pvp) "
             "VALUES (1, 9, '2026-03-02T00:00:00', 10)"});
    }
    controls::HxTextBox* cta(int i) {
        return box(u"txtCta_Bancaria("_s + QString::number(i) + u')');
    }
    QComboBox* bloqueado() { return ctl<QComboBox>("cboBloqueado"); }
    controls::HxMaskEdBox* fecha() { return ctl<controls::HxMaskEdBox>("txtBloq_Fecha"); }
    QString text(const char* name) { return box(name)->Text(); }
    void loadCode(const QString& code) { enter(box("txtCodigo"), code); }
    QString row(int code) {
        return rows(u"SELECT * FROM Agentes WHERE Codigo = "_s + QString::number(code)).join(u'\n');
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
    EXPECT_EQ(w->windowTitle(), u"Agentes"_s);
    for (const char* name : {"Frame1(0)", "fraRecibo", "txtObserv", "chkNoImpLiquidacion"})
        ctl(name); // found by the names a host knows
    EXPECT_TRUE(box("txtCodigo")->isEnabled() && box("txtCodigo")->Text().isEmpty());
    EXPECT_TRUE(button("cmdEliminar")->isEnabled());
    EXPECT_FALSE(button("cmdAceptar")->isEnabled() || button("cmdCancelar")->isEnabled() ||
                 button("cmdSetPassword")->isEnabled());
    EXPECT_EQ(bloqueado()->currentIndex(), 1);
    EXPECT_TRUE(fecha()->isEnabled() && fecha()->EnabledMask());

    button("cmdUltimo")->click();
    EXPECT_EQ(box("txtCodigo")->Text(), u"9"_s);
    EXPECT_TRUE(shownState());
    EXPECT_TRUE(box("txtNombre")->hasFocus());
    EXPECT_EQ(cta(4)->Text(), QString()) << "'ab12' is no bank code";
    button("cmdSiguiente")->click(); // past the last: nothing changes
    EXPECT_EQ(box("txtCodigo")->Text(), u"9"_s);
    key(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(box("txtCodigo")->Text(), u"5"_s);
    EXPECT_TRUE(box("txtCp")->Text().isEmpty()) << "Cp 0 shows empty";
    key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(box("txtCodigo")->Text(), u"3"_s);
    key(Qt::Key_Left, Qt::AltModifier); // before the first
    EXPECT_EQ(box("txtCodigo")->Text(), u"3"_s);
    EXPECT_EQ(
        (QStringList{
            text("txtNombre"), text("txtCp"), cta(0)->Text(), cta(1)->Text(), cta(2)->Text(),
            cta(3)->Text(), cta(4)->Text(), ctl<controls::HxAlmacen>("txtAlmacen")->Nombre(),
            QString::number(bloqueado()->currentIndex()), fecha()->Text(), text("txtComVenta"),
            QString::number(ctl<controls::HxCheckBox>("chkNoImpLiquidacion")->Value()),
            ctl<QPlainTextEdit>("txtObserv")->toPlainText()}),
        (QStringList{"Iñaki Zubizarreta", "48001", "0182", "0631", "86", "8583945399",
                     "Banco Bilbao Vizcaya", "Central Bilbao", "1", "07/01/2026", "3,50", "1",
                     "Zona costera"}));
    key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(box("txtCodigo")->Text(), u"9"_s);
}

TEST_P(AgentesWindow, LoadsByCodeAndEscapesInTwoSteps) {
    box("txtCodigo")->setFocus();
    key(Qt::Key_Return); // empty: nothing, the focus stays
    EXPECT_TRUE(box("txtCodigo")->hasFocus() && box("txtCodigo")->isEnabled());
    loadCode("3");
    EXPECT_TRUE(shownState());
    EXPECT_TRUE(box("txtNombre")->hasFocus());
    EXPECT_EQ(box("txtNombre")->Text(), u"Iñaki Zubizarreta"_s);
    key(Qt::Key_Escape); // a code is shown: clear
    EXPECT_TRUE(box("txtCodigo")->isEnabled() && box("txtCodigo")->hasFocus());
    EXPECT_TRUE(box("txtNombre")->Text().isEmpty());
    EXPECT_FALSE(button("cmdAceptar")->isEnabled() || button("cmdEliminar")->isEnabled());
    // Clearing leaves the bank name, the block choice, date and reason.
    EXPECT_EQ((QStringList{cta(4)->Text(), box("txtBloq_Motivo")->Text(), cta(0)->Text()}),
              (QStringList{"Banco Bilbao Vizcaya", "Impagos", ""}));
    EXPECT_FALSE(fecha()->Text().isEmpty());
    loadCode("77"); // no such agent: a new one
    EXPECT_TRUE(box("txtNombre")->Text().isEmpty());
    key(Qt::Key_Escape);
    key(Qt::Key_Escape); // the code box is empty: Esc closes, Unload drops the window
    EXPECT_EQ(cls->window(), nullptr);
}

TEST_P(AgentesWindow, SavesTheAgentItsBankAndTheAccountAsTyped) {
    loadCode("77");
    type(box("txtNombre"), u"L'Aurora %1 \\ "_s);
    box("txtNombre")->insert(u"東京"_s); // keys type only ASCII here
    enter(box("txtCp"), u"46600"_s);     // fills the locality and province
    enter(cta(0), u"0049"_s);            // unknown bank: name kept
    type(cta(4), u"  Banco 'X'  "_s);
    type(cta(1), u"12"_s);
    type(cta(3), u"34"_s);
    type(box("txtComVenta"), u"2.5"_s);
    fecha()->setTextValue(QString()); // no valid block date
    key(Qt::Key_F9);
    ASSERT_TRUE(presenter->requests.isEmpty()) << presenter->requests.value(0).text.toStdString();
    EXPECT_EQ(rows(u"SELECT Nombre, Cp, Localidad, Provincia, Cta_Bancaria FROM Agentes WHERE "
                   "Codigo = 77"_s),
              QStringList({"L'Aurora %1 \\ 東京|46600|Alzira|Valencia|00491234"}));
    {
        ado::Recordset rs;
        rs.Open(u"SELECT Bloq_Fecha FROM Agentes WHERE Codigo = 77"_s, *cn);
        EXPECT_EQ(toDate(rs.Fields(0)), naive(QDate(1900, 1, 1), QTime(0, 0)))
            << "no valid block date: 1 January 1900";
    }
    EXPECT_EQ(rows(u"SELECT Nombre FROM Bancos WHERE Codigo = 49"_s), QStringList({"Banco 'X'"}));
    EXPECT_TRUE(box("txtCodigo")->isEnabled() && box("txtCodigo")->hasFocus());
    EXPECT_FALSE(button("cmdAceptar")->isEnabled());
    const QString before = row(3); // saved unchanged, it stays as it was in any locale

    for (const QLocale& l :
         {QLocale(QLocale::Spanish, QLocale::Spain),
          QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::C)}) {
        SCOPED_TRACE(l.name().toStdString());
        QLocale::setDefault(l);
        loadCode("3");
        key(Qt::Key_F9);
        EXPECT_EQ(row(3), before);
    }
    // The D.C. box tells whether the check digits fit; what is saved is what was typed.
    loadCode("78");
    type(cta(0), u"2100"_s);
    type(cta(1), u"0418"_s);
    type(cta(3), u"0200051332"_s);
    type(cta(2), u"45"_s);
    EXPECT_EQ(cta(2)->toolTip(), u"IBAN: ES9121000418450200051332"_s);
    cta(2)->clear();
    type(cta(2), u"54"_s);
    EXPECT_TRUE(cta(2)->toolTip().contains(u"no corresponden"_s));
    EXPECT_TRUE(presenter->requests.isEmpty());
    key(Qt::Key_F9);
    EXPECT_EQ(rows(u"SELECT Cta_Bancaria FROM Agentes WHERE Codigo = 78"_s),
              QStringList{"21000418540200051332"});
}

// A stored name longer than typing allows shows whole (names of every kind: PlainTextTest).
TEST_P(AgentesWindow, StoredNamesShowAsWrittenAndTypingIsLimited) {
    const QString longName = testsupport::hostileTexts().last().text;
    ASSERT_EQ(longName.size(), 255);
    cn->Execute(u"UPDATE Agentes SET Nombre = "_s + testsupport::sqlLiteral(longName) +
                u" WHERE Codigo = 3"_s);
    loadCode("3");
    QTest::keyClick(box("txtNombre"), Qt::Key_End);
    QTest::keyClicks(box("txtNombre"), u"xy"_s); // no room to grow
    EXPECT_EQ(text("txtNombre"), longName);
    key(Qt::Key_F12);

    loadCode("77");
    const QString typed = QString(u"0123456789"_s).repeated(12);
    type(box("txtNombre"), typed);
    EXPECT_EQ(box("txtNombre")->Text(), typed.left(100));
    // Pasted in the middle, only what fits goes in.
    box("txtNombre")->setText(u"ab"_s);
    QApplication::clipboard()->setText(typed);
    if (QApplication::clipboard()->text() == typed) {
        box("txtNombre")->setCursorPosition(1);
        QTest::keyClick(box("txtNombre"), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(box("txtNombre")->Text(), u'a' + typed.left(98) + u'b');
    }
}

TEST_P(AgentesWindow, DeletesAfterAskingAndBlockFieldsFollowTheList) {
    loadCode("5");
    presenter->answers = {ui::vbNo};
    button("cmdEliminar")->click();
    told(0, "Desea eliminar el agente actual?", "Confirmar");
    EXPECT_EQ(std::pair(presenter->requests[0].buttons, presenter->requests[0].defaultButton),
              std::pair(ui::vbYesNo, ui::vbDefaultButton2));
    EXPECT_EQ(rows(u"SELECT COUNT(*) FROM Agentes"_s), QStringList({"3"}));
    presenter->answers = {ui::vbYes};
    button("cmdEliminar")->click();
    EXPECT_TRUE(box("txtCodigo")->isEnabled() && box("txtCodigo")->hasFocus());
    EXPECT_TRUE(button("cmdEliminar")->isEnabled()) << "the buttons stay as they were";
    // ... except Aceptar: a deleted agent stays deleted, by F9 or by the button, silently.
    key(Qt::Key_F9);
    button("cmdAceptar")->click();
    EXPECT_EQ(rows(u"SELECT COUNT(*) FROM Agentes WHERE Codigo = 5"_s), QStringList({"0"}));
    // An agent with sales: Eliminar refuses with its own message; the window stays.
    loadCode("9");
    presenter->answers = {ui::vbYes};
    button("cmdEliminar")->click();
    told(3, "No se puede eliminar el agente por tener datos asociados.");
    EXPECT_EQ(box("txtNombre")->Text(), u"Zuriñe"_s);

    // "No" disables the block date and reason and their labels, keeping their text.
    box("txtBloq_Motivo")->setTextValue(u"motivo"_s);
    bloqueado()->setCurrentIndex(0);
    EXPECT_FALSE(fecha()->isEnabled() || fecha()->EnabledMask());
    EXPECT_FALSE(box("txtBloq_Motivo")->isEnabled() || ctl("lblBloq_Fecha")->isEnabled() ||
                 ctl("lblBloq_Motivo")->isEnabled());
    EXPECT_EQ(box("txtBloq_Motivo")->Text(), u"motivo"_s);
    bloqueado()->setCurrentIndex(1);
    EXPECT_TRUE(box("txtBloq_Motivo")->isEnabled() && fecha()->EnabledMask());
    // Enter in the list moves on, as Tab does, past the fields "No" disables.
    bloqueado()->setFocus();
    key(Qt::Key_Return);
    EXPECT_TRUE(fecha()->hasFocus());
    bloqueado()->setCurrentIndex(0);
    bloqueado()->setFocus();
    key(Qt::Key_Return);
    QWidget* siguiente = QApplication::focusWidget();
    EXPECT_TRUE(siguiente && siguiente != bloqueado() && siguiente->isEnabled());
}

TEST_P(AgentesWindow, SearchPasswordAndEmailCheck) {
    // Buscar...: pick a line, and the agent loads as if its code had been typed.
    testsupport::onModal<frmAgentes_Buscar>([](frmAgentes_Buscar* dlg) {
        QWidget* lista = dlg->findChild<QWidget*>(u"lstLineas"_s);
        QTest::keyClick(lista, Qt::Key_End); // Zuriñe, last by name
        QTest::keyClick(lista, Qt::Key_Return);
    });
    button("cmdBuscar")->click();
    EXPECT_EQ(box("txtCodigo")->Text(), u"9"_s);
    // Contraseña...: the accepted password goes into the agent and is saved with it.
    testsupport::onModal<frmCredenciales>([](frmCredenciales* dlg) {
        for (const char* name : {"txtPassword(1)", "txtPassword(2)"}) {
            auto* box = dlg->findChild<QWidget*>(QLatin1String(name));
            box->setFocus();
            QTest::keyClicks(box, u"Nueva1"_s);
        }
        dlg->findChild<QPushButton*>(u"cmdAceparPwd"_s)->click();
    });
    button("cmdSetPassword")->click();
    EXPECT_EQ(w->agente()->Password, u"Nueva1"_s);
    ASSERT_TRUE(testsupport::activate(w)); // back from the dialogs
    key(Qt::Key_F9);
    EXPECT_EQ(rows(u"SELECT Password FROM Agentes WHERE Codigo = 9"_s), QStringList({"Nueva1"}));
    // Only a move of the focus to another control runs the e-mail check.
    loadCode("5");
    box("txtEMail")->setFocus();
    key(Qt::Key_Tab); // empty: not checked
    type(box("txtEMail"), u"sin-arroba"_s);
    QTimer::singleShot(0, [] {
        if (QWidget* menu = QApplication::activePopupWidget())
            menu->close();
    });
    const QPoint centro = box("txtEMail")->rect().center();
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, centro,
                           box("txtEMail")->mapToGlobal(centro));
    QApplication::sendEvent(box("txtEMail"), &menu);
    {
        QWidget front; // another window: not checked either
        ASSERT_TRUE(testsupport::activate(&front));
    }
    ASSERT_TRUE(testsupport::activate(w));
    box("txtEMail")->setFocus();
    key(Qt::Key_Tab);
    told(0, nullptr, "¡ Dirección de eMail no válida !", ui::vbExclamation); // Tab alone
    EXPECT_TRUE(box("txtEMail")->hasFocus()) << "back in the box";
    // What is wrong with an address is told; a good one passes without a word.
    const struct {
        const char* address;
        const char* says; // part of the message; null when valid
    } cases[] = {
        {"ana@empresa.es", nullptr},
        {"maria.jose+pedidos@sub.empresa-norte.com", nullptr},
        {"iñaki@euskal.eus", nullptr},
        {"ana@@empresa.es", "más de una arroba"},
        {"@empresa.es", "nombre"},
        {"ana@", "dominio"},
        {"ana@empresa", "punto"},
        {"ana@empresa..es", "dos puntos"},
        {"ana @empresa.es", "espacios"},
        {"ana@empresa.es ", "espacios"},
        {"ana(x)@empresa.es", "carácter no permitido"},
        {"ana@empre_sa.es", "carácter no permitido"},
        {"sin-arroba", "arroba"}, // left in the box
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        presenter->requests.clear();
        box("txtEMail")->setText(QString::fromUtf8(c.address));
        box("txtEMail")->setFocus();
        key(Qt::Key_Tab);
        const QString said = presenter->requests.value(0).text;
        EXPECT_EQ(presenter->requests.size(), c.says ? 1 : 0) << said.toStdString();
        EXPECT_TRUE(!c.says || said.contains(QString::fromUtf8(c.says))) << said.toStdString();
    }
    w->close();
    EXPECT_EQ(presenter->requests.size(), 1) << "closing";
}

// A code not in the table keeps the typed locality, and fills only an empty province.
TEST_P(AgentesWindow, PostalCodesKeepWhatTheUserTyped) {
    const struct {
        const char *cp, *localidad, *provincia, *wantLocalidad, *wantProvincia;
    } cases[] = {
        {"46600", "Otra", "Otra", "Alzira", "Valencia"},
        {"48992", "Getxo", "", "Getxo", "Bizkaia"},
        {"48992", "Getxo", "Vizcaya", "Getxo", "Vizcaya"},
        {"53001", "Lugar", "", "Lugar", ""},
        {"01005", "Gasteiz", "", "Gasteiz", "Araba/Álava"},
        {"52001", "", "", "", "Melilla"},
        {"999", "", "", "", ""},
    };
    loadCode("5");
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

ORBENTA_ENGINE_TESTS(AgentesWindow);

} // namespace
