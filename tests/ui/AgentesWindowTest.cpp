// The agent window, flow by flow, with the keys office staff press; its dialogs and lookups
// (banks, warehouses, agents); the agents' summary window; texts from the data that Qt could
// take for markup, read (and saved) as written in every window.
#include "HostileText.h"
#include "WindowTest.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGraphicsTextItem>
#include <QHeaderView>
#include <QLineSeries>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QToolTip>
#include <QValueAxis>

namespace {

// The dialogs' controls, by name.
controls::ListBox* lista(QWidget& d) {
    return d.findChild<controls::ListBox*>(u"lstLineas"_s);
}
QPushButton* boton(QWidget& d, const char* name) {
    return d.findChild<QPushButton*>(QLatin1String(name));
}
controls::HxTextBox* clave(QWidget& d, int i) {
    return d.findChild<controls::HxTextBox*>(u"txtPassword("_s + QString::number(i) + u')');
}
// Types `text` into the emptied password box `i`.
void teclearClave(QWidget& d, int i, const QString& text) {
    clave(d, i)->clear();
    clave(d, i)->setFocus();
    QTest::keyClicks(clave(d, i), text);
}

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
    // An agent shown: the code box closed, every button of the agent open, the name next.
    bool shownState() {
        return !box("txtCodigo")->isEnabled() && button("cmdAceptar")->isEnabled() &&
               button("cmdEliminar")->isEnabled() && button("cmdSetPassword")->isEnabled() &&
               button("cmdCancelar")->isEnabled() && box("txtNombre")->hasFocus();
    }
};

TEST_P(AgentesWindow, LoadsByCodeEscapesInTwoStepsOpensAndNavigates) {
    box("txtCodigo")->setFocus();
    key(Qt::Key_Return); // empty: nothing, the focus stays
    EXPECT_TRUE(box("txtCodigo")->hasFocus() && box("txtCodigo")->isEnabled());
    loadCode("3");
    EXPECT_TRUE(shownState() && text("txtNombre") == u"Iñaki Zubizarreta"_s);
    key(Qt::Key_Escape); // a code is shown: clear
    EXPECT_TRUE(box("txtCodigo")->isEnabled() && box("txtCodigo")->hasFocus());
    EXPECT_FALSE(button("cmdAceptar")->isEnabled() || button("cmdEliminar")->isEnabled());
    // Clearing leaves the bank name, the block choice, date and reason.
    EXPECT_EQ(
        (QStringList{text("txtNombre"), cta(4)->Text(), text("txtBloq_Motivo"), cta(0)->Text()}),
        (QStringList{"", "Banco Bilbao Vizcaya", "Impagos", ""}));
    EXPECT_FALSE(fecha()->Text().isEmpty());
    loadCode("77"); // no such agent: a new one
    EXPECT_TRUE(box("txtNombre")->Text().isEmpty());
    key(Qt::Key_Escape);
    key(Qt::Key_Escape); // the code box is empty: Esc closes, Unload drops the window
    EXPECT_EQ(cls->window(), nullptr);
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    open(); // in Spanish settings
    EXPECT_EQ(w->windowTitle(), u"Agentes"_s);
    for (const char* name : {"Frame1(0)", "fraRecibo", "txtObserv", "chkNoImpLiquidacion"})
        ctl(name); // found by the names a host knows
    EXPECT_TRUE(box("txtCodigo")->isEnabled() && box("txtCodigo")->Text().isEmpty());
    EXPECT_TRUE(button("cmdEliminar")->isEnabled());
    EXPECT_FALSE(button("cmdAceptar")->isEnabled() || button("cmdCancelar")->isEnabled() ||
                 button("cmdSetPassword")->isEnabled());
    EXPECT_TRUE(bloqueado()->currentIndex() == 1 && fecha()->isEnabled() && fecha()->EnabledMask());

    button("cmdUltimo")->click();
    EXPECT_TRUE(shownState() && text("txtCodigo") == u"9"_s);
    EXPECT_EQ(cta(4)->Text(), QString()) << "'ab12' is no bank code";
    button("cmdSiguiente")->click(); // past the last: nothing changes
    EXPECT_EQ(box("txtCodigo")->Text(), u"9"_s);
    key(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(text("txtCodigo") + u'|' + text("txtCp"), u"5|"_s) << "Cp 0 shows empty";
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

TEST_P(AgentesWindow, SavesWhatIsTypedAndFillsWhatThePostalCodeGives) {
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
    EXPECT_TRUE(cta(2)->toolTip().contains(u"no corresponden"_s) && presenter->requests.isEmpty());
    key(Qt::Key_F9);
    EXPECT_EQ(rows(u"SELECT Cta_Bancaria FROM Agentes WHERE Codigo = 78"_s),
              QStringList{"21000418540200051332"});
    // A postal code not on file keeps the typed locality and fills only an empty province.
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

// A stored name longer than typing allows shows whole (names of every kind: HostileNames).
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
    EXPECT_FALSE(fecha()->isEnabled() || fecha()->EnabledMask() ||
                 box("txtBloq_Motivo")->isEnabled() || ctl("lblBloq_Fecha")->isEnabled() ||
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
        QTest::keyClick(lista(*dlg), Qt::Key_End); // Zuriñe, last by name
        QTest::keyClick(lista(*dlg), Qt::Key_Return);
    });
    button("cmdBuscar")->click();
    EXPECT_EQ(box("txtCodigo")->Text(), u"9"_s);
    // Contraseña...: the accepted password goes into the agent and is saved with it.
    testsupport::onModal<frmCredenciales>([](frmCredenciales* dlg) {
        for (int i : {1, 2})
            teclearClave(*dlg, i, u"Nueva1"_s);
        boton(*dlg, "cmdAceparPwd")->click();
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

ORBENTA_ENGINE_TESTS(AgentesWindow);

// Shows `dialog` modally, as the agent window does, and runs `act` on it once it is up.
template <class Dialog, class Act> void modal(Dialog& dialog, Act act) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
        QApplication::setActiveWindow(&dialog);
        act();
        acted = true;
    });
    dialog.Mostrar(1, nullptr);
    EXPECT_TRUE(acted);
}

// Looking up banks, warehouses and agents.
class Lookups : public testsupport::ComponentTest {};

TEST_P(Lookups, BankNamesByCode) {
    const auto& texts = testsupport::hostileTexts();
    for (int i = 0; i < texts.size(); ++i)
        cn->Execute(u"INSERT INTO Bancos (Codigo, Nombre) VALUES ("_s + QString::number(2100 + i) +
                    u", "_s + testsupport::sqlLiteral(texts[i].text) + u')');
    cn->Execute(u"INSERT INTO Bancos (Codigo, Nombre) VALUES (-3, 'Negativo')"_s);
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(NombreBanco(qint16(2100 + i)), texts[i].text) << texts[i].what;
    EXPECT_EQ((QStringList{NombreBanco(-3), NombreBanco(9999)}), (QStringList{"Negativo", ""}));
    // Failures pass unchanged: a missing table, no connection.
    cn->Execute(u"DROP TABLE Bancos"_s);
    {
        const auto e = testsupport::failureOf([] { NombreBanco(1); });
        EXPECT_EQ(e.number(), ado::errors::Statement);
        EXPECT_TRUE(e.source().startsWith(u"ado."_s)) << e.what();
    }
    SharedContext::setConexion(nullptr);
    EXPECT_EQ(testsupport::errorOf([] { NombreBanco(1); }), rt::ObjectNotSet);
}

TEST_P(Lookups, SearchListsEveryAgentByNameAndAnswersTheChosenCode) {
    cn->Execute(u"INSERT INTO Agentes (Codigo, Nombre) VALUES (7, 'Ana'), (1234, 'Zuriñe'), (5, "
                "NULL), (8, 'Ana'), (-2, 'Borja')"_s);
    {
        frmAgentes_Buscar dlg;
        QAbstractItemModelTester tester(lista(dlg)->model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        modal(dlg, [&] {
            EXPECT_EQ(dlg.windowTitle(), u"Busqueda de Agentes"_s);
            ASSERT_EQ(lista(dlg)->ListCount(), 5);
            // By name; the agent without one where the engine sorts a NULL.
            QStringList lines;
            for (int i = 0; i < 5; ++i)
                lines << lista(dlg)->List(i);
            QStringList named = lines;
            EXPECT_TRUE(named.removeOne(u"05 - "_s));
            std::sort(named.begin(), named.begin() + 2); // the two Anas, in either order
            EXPECT_EQ(named, (QStringList{"07 - Ana", "08 - Ana", "-02 - Borja", "1234 - Zuriñe"}));
            EXPECT_EQ(lista(dlg)->ListIndex(), 0);
            EXPECT_TRUE(boton(dlg, "cmdAceptar")->isEnabled());
            for (int i = 0; i < lines.indexOf(u"-02 - Borja"_s); ++i)
                QTest::keyClick(lista(dlg), Qt::Key_Down);
            QTest::keyClick(lista(dlg), Qt::Key_Return);
        });
        EXPECT_EQ(dlg.CodigoSeleccionado, -2);
        EXPECT_FALSE(dlg.isVisible());
    }
    // Esc and Cancelar pick nothing; Enter on Aceptar or a click on it picks the line.
    const struct {
        std::vector<Qt::Key> keys;
        bool click;
        int line; // -1: none
    } picks[] = {
        {{Qt::Key_End, Qt::Key_Escape}, false, -1},
        {{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return}, false, -1},
        {{Qt::Key_Tab, Qt::Key_Return}, false, 0},
        {{Qt::Key_End}, true, 4},
    };
    for (const auto& p : picks) {
        frmAgentes_Buscar dlg;
        modal(dlg, [&] {
            for (Qt::Key k : p.keys)
                QTest::keyClick(QApplication::focusWidget(), k);
            if (p.click)
                boton(dlg, "cmdAceptar")->click();
        });
        EXPECT_EQ(dlg.CodigoSeleccionado, p.line < 0 ? 0 : lista(dlg)->ItemData(p.line));
        EXPECT_FALSE(dlg.isVisible());
    }
    cn->Execute(u"DELETE FROM Agentes"_s);
    {
        frmAgentes_Buscar dlg;
        modal(dlg, [&] {
            EXPECT_EQ(lista(dlg)->ListCount(), 0);
            EXPECT_FALSE(boton(dlg, "cmdAceptar")->isEnabled());
            QTest::keyClick(lista(dlg), Qt::Key_Return); // nothing to accept
            EXPECT_TRUE(dlg.isVisible());
            boton(dlg, "cmdCancelar")->click();
        });
        EXPECT_EQ(dlg.CodigoSeleccionado, 0);
    }
}

TEST_P(Lookups, WarehouseByCodeAndAnAgentFieldThatPicksFromTheList) {
    cn->Execute(u"INSERT INTO Almacenes (Codigo, Nombre) VALUES (2, 'Delegación Valencia')"_s);
    cn->Execute(u"INSERT INTO Agentes (Codigo, Nombre) VALUES (4, 'Zubiri'), (9, 'Aguirre')"_s);
    QWidget form;
    auto* almacen = new controls::HxAlmacen(&form);
    auto* other = new QLineEdit(&form);
    auto* given = new controls::HxAgente(&form);
    almacen->setConexion(cn);
    given->setConexion(cn);
    given->Inicializar();
    almacen->setCodigo(2);
    almacen->Mostrar();
    EXPECT_TRUE(almacen->Codigo() == 2 && almacen->Nombre() == u"Delegación Valencia"_s);
    almacen->Limpiar();
    EXPECT_TRUE(almacen->Codigo() == 0 && almacen->Nombre().isEmpty());
    almacen->setCodigo(9);
    almacen->Mostrar();
    EXPECT_TRUE(almacen->Nombre().isEmpty()) << "no such warehouse";
    // A typed code shows its warehouse when the focus leaves it.
    ASSERT_TRUE(testsupport::activate(&form));
    almacen->Limpiar();
    almacen->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), u"2"_s);
    other->setFocus();
    EXPECT_EQ(almacen->Nombre(), u"Delegación Valencia"_s);
    given->setCodigo(4);
    EXPECT_FALSE(given->EsValido()) << "a code set by the program shows after Refrescar";
    // F3 lists the agents by name; Enter picks the first, Aguirre.
    given->setFocus();
    testsupport::onModal<QWidget>([](QWidget* list) {
        QTest::keyClick(list->findChild<QWidget*>(u"lstAgentes"_s), Qt::Key_Return);
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
    EXPECT_TRUE(given->Codigo() == 9 && given->EsValido());
    given->setLocked(true);
    EXPECT_TRUE(given->editor()->isReadOnly());
}

ORBENTA_ENGINE_TESTS(Lookups);

// Find as you type: what is typed narrows the list, the keys of the dialog keep their meaning.
class AgentSearchTyping : public Lookups {};

TEST_P(AgentSearchTyping, TypingFiltersByNameOrCodeAndEnterPicksTheHighlightedLine) {
    cn->Execute(u"INSERT INTO Agentes (Codigo, Nombre) VALUES (3, 'Álvaro Núñez'), (12, "
                "'Carmen Ruiz'), (120, 'Beatriz Alvear'), (45, 'Ñandú López'), (7, NULL)"_s);
    // The keys ("⌫" Backspace, "↓" the down arrow, anything else typed as it is), the
    // lines the list shows, the text the tag shows, and the code Enter then picks (-1:
    // none, the dialog stays open).
    const struct {
        const char* keys;
        QStringList shown;
        const char* tag;
        int picked;
    } cases[] = {
        {"alv", {"03 - Álvaro Núñez", "120 - Beatriz Alvear"}, "alv", 3},
        {"alv↓", {"03 - Álvaro Núñez", "120 - Beatriz Alvear"}, "alv", 120},
        {"ALVE", {"120 - Beatriz Alvear"}, "ALVE", 120},
        {"12↓", {"120 - Beatriz Alvear", "12 - Carmen Ruiz"}, "12", 12},
        {"07", {"07 - "}, "07", 7},
        {"nandu l", {"45 - Ñandú López"}, "nandu l", 45},
        {"alvx", {}, "alvx", -1},
        {"alvx⌫", {"03 - Álvaro Núñez", "120 - Beatriz Alvear"}, "alv", 3},
        {"zz⌫⌫⌫↓",
         {"07 - ", "03 - Álvaro Núñez", "120 - Beatriz Alvear", "12 - Carmen Ruiz",
          "45 - Ñandú López"},
         "",
         3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        frmAgentes_Buscar dlg;
        bool open = true;
        modal(dlg, [&] {
            auto* list = lista(dlg);
            for (const QChar k : QString::fromUtf8(c.keys))
                if (k == u'⌫' || k == u'↓')
                    QTest::keyClick(list, k == u'⌫' ? Qt::Key_Backspace : Qt::Key_Down);
                else
                    QTest::keyClicks(list, QString(k));
            QStringList shown;
            for (int i = 0; i < list->ListCount(); ++i)
                shown << list->List(i);
            EXPECT_EQ(shown, c.shown); // SQLite lists a NULL name first
            EXPECT_EQ(boton(dlg, "cmdAceptar")->isEnabled(), !shown.isEmpty());
            const auto* tag = dlg.findChild<QLabel*>(u"lblFiltro"_s);
            EXPECT_EQ(tag && tag->isVisible() ? tag->text() : u"(none)"_s,
                      *c.tag ? QString::fromUtf8(c.tag) : u"(none)"_s);
            QTest::keyClick(list, Qt::Key_Return);
            open = dlg.isVisible();
            if (open)
                QTest::keyClick(list, Qt::Key_Escape);
        });
        EXPECT_EQ(open, c.picked < 0);
        EXPECT_EQ(dlg.CodigoSeleccionado, qMax(c.picked, 0));
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, AgentSearchTyping, ::testing::Values(testsupport::Engine::SQLite),
                         testsupport::engineName);

// The current password first, the new one twice; a refusal keeps the dialog and the text.
TEST(Credenciales, ChecksTheOldPasswordAndTheRepetition) {
    auto presenter = std::make_shared<ui::RecordingPresenter>();
    ui::setPresenter(presenter);
    frmCredenciales dlg;
    dlg.OldPassword = u"Secreto"_s;
    EXPECT_FALSE(dlg.OK());
    bool stillOpen = false;
    modal(dlg, [&] {
        EXPECT_EQ(dlg.windowTitle(), u"Establecer Contraseña"_s);
        EXPECT_EQ(clave(dlg, 0)->echoMode(), QLineEdit::Password);
        teclearClave(dlg, 0, u"secreto"_s); // letter case counts
        boton(dlg, "cmdAceparPwd")->click();
        ASSERT_EQ(presenter->requests.size(), 1);
        EXPECT_EQ(std::tuple(presenter->requests[0].text, presenter->requests[0].title,
                             presenter->requests[0].icon),
                  std::tuple(u"Contraseña vieja no es válida."_s, u"Error"_s, ui::vbExclamation));
        EXPECT_TRUE(clave(dlg, 0)->hasFocus());
        EXPECT_EQ(clave(dlg, 0)->Text(), u"secreto"_s) << "kept as typed";
        teclearClave(dlg, 0, u"Secreto"_s);
        teclearClave(dlg, 1, u"nueva-clave-de-mas-de-veinte"_s);
        EXPECT_EQ(clave(dlg, 1)->Text(), u"nueva-clave-de-mas-d"_s) << "20 at most";
        teclearClave(dlg, 2, u"otra"_s);
        boton(dlg, "cmdAceparPwd")->click();
        ASSERT_EQ(presenter->requests.size(), 2);
        EXPECT_EQ(presenter->requests[1].text, u"Las contraseñas no coinciden."_s);
        EXPECT_TRUE(clave(dlg, 2)->hasFocus());
        // Enter and Esc press neither button.
        QTest::keyClick(clave(dlg, 2), Qt::Key_Escape);
        QTest::keyClick(clave(dlg, 2), Qt::Key_Return);
        stillOpen = dlg.isVisible() && presenter->requests.size() == 2;
        teclearClave(dlg, 2, u"nueva-clave-de-mas-d"_s);
        // Enter in the last box moves to Aceptar; Enter there presses it.
        QTest::keyClick(clave(dlg, 2), Qt::Key_Return);
        EXPECT_TRUE(boton(dlg, "cmdAceparPwd")->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(dlg.isVisible()) << "Enter on Aceptar did not accept";
        if (dlg.isVisible())
            boton(dlg, "cmdCencelarPwd")->click();
    });
    EXPECT_TRUE(stillOpen && dlg.OK());
    EXPECT_EQ(dlg.NewPassword, u"nueva-clave-de-mas-d"_s);
    EXPECT_FALSE(dlg.isVisible()) << "hidden, not unloaded: the opener reads it";

    // An agent without a password; two empty new boxes are a valid new (empty) password.
    frmCredenciales empty;
    modal(empty, [&] { boton(empty, "cmdAceparPwd")->click(); });
    EXPECT_TRUE(empty.OK() && empty.NewPassword.isEmpty());

    // Enter on a focused Cancelar cancels, even with a valid entry in the boxes.
    frmCredenciales cancelled;
    modal(cancelled, [&] {
        clave(cancelled, 2)->setFocus();
        QTest::keyClick(clave(cancelled, 2), Qt::Key_Tab);
        QTest::keyClick(boton(cancelled, "cmdAceparPwd"), Qt::Key_Tab);
        EXPECT_TRUE(boton(cancelled, "cmdCencelarPwd")->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(cancelled.isVisible()) << "Enter on Cancelar did not cancel";
        if (cancelled.isVisible())
            boton(cancelled, "cmdCencelarPwd")->click();
    });
    EXPECT_FALSE(cancelled.OK() || cancelled.isVisible());
    ui::setPresenter(nullptr);
}

// The agents' summary window: its table and charts show the model's figures, the table
// sorts numbers as numbers, a double-click opens the agent, names stay plain text.
class ResumenWindow : public testsupport::WindowTest<frmclsResumenAgentes> {
protected:
    // This month (the window's range when it opens): three agents, the second named in
    // markup; their sales sort one way as numbers and another as text.
    void seed() override {
        for (int a : {1, 2, 3})
            testsupport::insertAgent(*cn, a, a == 2 ? u"<b>x</b>"_s : QString());
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

const QString kBold = u"<b>x</b>"_s;

// What the user reads of a text Qt may take for markup.
QString asShown(const QString& text, bool markupAllowed = true) {
    if (!markupAllowed || !Qt::mightBeRichText(text))
        return text;
    QTextDocument doc;
    doc.setHtml(text);
    return doc.toPlainText();
}

// Every label of `w` that shows `name` shows it as written; answers how many showed it.
int labelsShowingAsWritten(QWidget* w, const QString& name) {
    int shown = 0;
    for (QLabel* l : w->findChildren<QLabel*>()) {
        if (!l->text().contains(name))
            continue;
        ++shown;
        SCOPED_TRACE(l->objectName().toStdString());
        EXPECT_EQ(asShown(l->text(), l->textFormat() != Qt::PlainText), l->text());
    }
    return shown;
}

// The tooltip a hovering mouse brings up over `target` at `pos` ("" when none shows).
QString toolTipAt(QWidget* target, QPoint pos) {
    QToolTip::hideText();
    if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000))
        return u"(a tooltip stayed up)"_s;
    QHelpEvent e(QEvent::ToolTip, pos, target->mapToGlobal(pos));
    QApplication::sendEvent(target, &e);
    return QToolTip::isVisible() ? asShown(QToolTip::text()) : QString();
}

// Agent n + 1 and warehouse n + 1 bear hostile text n.
class HostileNames : public testsupport::WindowTest<frmclsAgente> {
protected:
    void seed() override {
        for (int i = 0; i < texts.size(); ++i)
            testsupport::insertAgent(*cn, i + 1, texts[i].text);
        sql({"INSERT INTO Almacenes (Codigo, Nombre) SELECT Codigo, Nombre FROM Agentes",
             "UPDATE Agentes SET Almacen = Codigo"});
    }
    const QList<testsupport::HostileText>& texts = testsupport::hostileTexts();
};

TEST_P(HostileNames, EveryWindowShowsThemAsWritten) {
    for (int i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(texts[i].what);
        const QString n = QString::number(i + 1);
        enter(ctl("txtCodigo"), n);
        EXPECT_EQ(labelsShowingAsWritten(w, texts[i].text), 1) << "the warehouse's name";
        w->grab();       // drawn, images and all
        key(Qt::Key_F9); // saved unchanged
        EXPECT_EQ(rows(u"SELECT Nombre FROM Agentes WHERE Codigo = "_s + n),
                  QStringList{texts[i].text});
    }
    frmclsComision_Familias comisiones;
    comisiones.Show(0);
    QWidget* c = comisiones.window();
    ASSERT_TRUE(testsupport::activate(c));
    QLineEdit* agente = c->findChild<controls::HxAgente*>(u"txtAgente"_s)->editor();
    for (int i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(texts[i].what);
        agente->selectAll();
        enter(agente, QString::number(i + 1));
        EXPECT_EQ(labelsShowingAsWritten(c, texts[i].text), 1) << "the agent field's name";
        c->grab();
    }
}

ORBENTA_ENGINE_TESTS(HostileNames);

// A window's own labels and tooltips, of controls and of list rows.
class DataForm : public FormBase {
public:
    DataForm() {
        static const Control layout[] = {
            {"label", kind<QLabel>, 0, 0, 1500, 300, "<b>x</b>"},
            {"tipped", kind<QLabel>, 0, 300, 1500, 300, "?"},
            {"list", kind<QListWidget>, 0, 600, 3000, 1500},
        };
        crearControles(layout);
        tipped = control<QLabel>("tipped");
        tipped->setToolTip(kBold);
        list = control<QListWidget>("list");
        (new QListWidgetItem(u"fila"_s, list))->setToolTip(kBold + u"\nsegunda línea"_s);
    }
    QLabel* tipped;
    QListWidget* list;
};

TEST(PlainText, LabelsAndTooltipsOfAWindow) {
    DataForm f;
    f.Mostrar(0, nullptr);
    ASSERT_TRUE(testsupport::activate(&f));
    EXPECT_EQ(labelsShowingAsWritten(&f, kBold), 1);
    EXPECT_EQ(toolTipAt(f.tipped, f.tipped->rect().center()), kBold);
    const QRect row = f.list->visualItemRect(f.list->item(0));
    EXPECT_EQ(toolTipAt(f.list->viewport(), row.center()), kBold + u"\nsegunda línea"_s);
    EXPECT_EQ(toolTipAt(f.list->viewport(), QPoint(5, f.list->viewport()->height() - 3)), QString())
        << "no row, no tooltip";
}

// The real message box, as the host shows it: a name in the text is a name.
TEST(PlainText, TheDialogPresenterShowsTheTextAsWritten) {
    ui::DialogPresenter presenter;
    QString shown;
    bool plain = false;
    testsupport::onModal<QMessageBox>([&](QMessageBox* box) {
        plain = box->textFormat() == Qt::PlainText;
        if (auto* l = box->findChild<QLabel*>(u"qt_msgbox_label"_s))
            shown = asShown(l->text(), l->textFormat() != Qt::PlainText);
        QTest::keyClick(box, Qt::Key_Escape);
    });
    ui::MessageRequest r;
    r.text = u"No se puede eliminar "_s + kBold;
    r.buttons = ui::vbYesNo;
    EXPECT_EQ(presenter.present(r), ui::vbNo);
    EXPECT_TRUE(plain);
    EXPECT_EQ(shown, r.text);
}

} // namespace
