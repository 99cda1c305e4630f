// The agent window, flow by flow, with the keys office staff press.
#include "TestComponent.h"

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

class AgentesWindow : public testsupport::ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        if (IsSkipped())
            return;
        shareCompany();
        for (const char* sql :
             {"INSERT INTO Agentes (Codigo, Nombre, Direccion, Cp, Localidad, Provincia, "
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
              "VALUES (1, 9, '2026-03-02T00:00:00', 10)"})
            cn->Execute(QString::fromUtf8(sql));
        cls = std::make_unique<frmclsAgente>();
        cls->Show(0);
        w = cls->window();
        ASSERT_TRUE(w);
        QApplication::setActiveWindow(w);
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    void TearDown() override {
        cls.reset();
        QLocale::setDefault(saved);
        ComponentTest::TearDown();
    }
    void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w, Qt::Key(k),
                        m);
    }
    void type(QWidget* field, const QString& text) {
        field->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    void loadCode(const QString& code) {
        type(w->txtCodigo, code);
        QTest::keyClick(w->txtCodigo, Qt::Key_Return);
    }
    bool shownState() const {
        return !w->txtCodigo->isEnabled() && w->cmdAceptar->isEnabled() &&
               w->cmdEliminar->isEnabled() && w->cmdSetPassword->isEnabled() &&
               w->cmdCancelar->isEnabled();
    }
    QLocale saved;
    std::unique_ptr<frmclsAgente> cls;
    frmAgentes* w = nullptr;
};

TEST_P(AgentesWindow, OpensAndNavigates) {
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Agentes"));
    EXPECT_EQ(w->size(), QSize(645, 439));
    EXPECT_TRUE(w->txtCodigo->isEnabled() && w->txtCodigo->Text().isEmpty());
    EXPECT_TRUE(w->cmdEliminar->isEnabled());
    EXPECT_FALSE(w->cmdAceptar->isEnabled() || w->cmdCancelar->isEnabled() ||
                 w->cmdSetPassword->isEnabled());
    EXPECT_EQ(w->cboBloqueado->currentIndex(), 1);
    EXPECT_TRUE(w->txtBloq_Fecha->isEnabled() && w->txtBloq_Fecha->EnabledMask());
    key(Qt::Key_F9); // nothing to save yet
    EXPECT_TRUE(presenter->requests.isEmpty());
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Agentes")), QStringList({"3"}));

    w->cmdUltimo->click();
    EXPECT_EQ(w->txtCodigo->Text(), QStringLiteral("9"));
    EXPECT_TRUE(shownState());
    EXPECT_TRUE(w->txtNombre->hasFocus());
    EXPECT_EQ(w->txtCta_Bancaria[4]->Text(), QString()) << "'ab12' is no bank code";
    w->cmdSiguiente->click(); // past the last: nothing changes
    EXPECT_EQ(w->txtCodigo->Text(), QStringLiteral("9"));
    key(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(w->txtCodigo->Text(), QStringLiteral("5"));
    EXPECT_TRUE(w->txtCp->Text().isEmpty()) << "Cp 0 shows empty";
    key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(w->txtCodigo->Text(), QStringLiteral("3"));
    key(Qt::Key_Left, Qt::AltModifier); // before the first
    EXPECT_EQ(w->txtCodigo->Text(), QStringLiteral("3"));
    // Every field as the agent object holds it.
    EXPECT_EQ(w->txtNombre->Text(), QStringLiteral("Iñaki Zubizarreta"));
    EXPECT_EQ(w->txtCp->Text(), QStringLiteral("48001"));
    EXPECT_EQ(w->txtCta_Bancaria[0]->Text(), QStringLiteral("0182"));
    EXPECT_EQ(w->txtCta_Bancaria[1]->Text(), QStringLiteral("0631"));
    EXPECT_EQ(w->txtCta_Bancaria[2]->Text(), QStringLiteral("86"));
    EXPECT_EQ(w->txtCta_Bancaria[3]->Text(), QStringLiteral("8583945399"));
    EXPECT_EQ(w->txtCta_Bancaria[4]->Text(), QStringLiteral("Banco Bilbao Vizcaya"));
    EXPECT_EQ(w->txtAlmacen->Nombre(), QStringLiteral("Central Bilbao"));
    EXPECT_EQ(w->cboBloqueado->currentIndex(), 1);
    EXPECT_EQ(w->txtBloq_Fecha->Text(),
              SharedContext::utilidades().FormatoFecha(QStringLiteral("2026-01-07")));
    EXPECT_EQ(w->txtComVenta->Text(), SharedContext::utilidades().FormatoNumero(3.5, 2));
    EXPECT_EQ(w->chkNoImpLiquidacion->Value(), 1);
    EXPECT_EQ(w->txtObserv->toPlainText(), QStringLiteral("Zona costera"));
    key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(w->txtCodigo->Text(), QStringLiteral("9"));
}

TEST_P(AgentesWindow, LoadsByCodeAndEscapesInTwoSteps) {
    w->txtCodigo->setFocus();
    key(Qt::Key_Return); // empty: nothing, the focus stays
    EXPECT_TRUE(w->txtCodigo->hasFocus());
    EXPECT_TRUE(w->txtCodigo->isEnabled());
    loadCode(QStringLiteral("3"));
    EXPECT_TRUE(shownState());
    EXPECT_TRUE(w->txtNombre->hasFocus());
    EXPECT_EQ(w->txtNombre->Text(), QStringLiteral("Iñaki Zubizarreta"));
    key(Qt::Key_Escape); // a code is shown: clear
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->txtCodigo->isEnabled() && w->txtCodigo->hasFocus());
    EXPECT_TRUE(w->txtNombre->Text().isEmpty());
    EXPECT_FALSE(w->cmdAceptar->isEnabled() || w->cmdEliminar->isEnabled());
    // Limpiar leaves the bank name, the Bloqueado choice, the block date and reason.
    EXPECT_EQ(w->txtCta_Bancaria[4]->Text(), QStringLiteral("Banco Bilbao Vizcaya"));
    EXPECT_EQ(w->txtBloq_Motivo->Text(), QStringLiteral("Impagos"));
    EXPECT_FALSE(w->txtBloq_Fecha->Text().isEmpty());
    EXPECT_TRUE(w->txtCta_Bancaria[0]->Text().isEmpty());
    // A code that is no agent: a new one, the window keeps what it shows.
    loadCode(QStringLiteral("77"));
    EXPECT_TRUE(shownState());
    EXPECT_TRUE(w->txtNombre->Text().isEmpty());
    key(Qt::Key_F12);
    EXPECT_TRUE(w->txtCodigo->isEnabled());
    QPointer<frmAgentes> window(w);
    key(Qt::Key_Escape); // the code box is empty: Esc closes, Unload drops the window
    EXPECT_EQ(cls->window(), nullptr);
}

TEST_P(AgentesWindow, SavesTheAgentAndItsBank) {
    loadCode(QStringLiteral("77"));
    type(w->txtNombre, QStringLiteral("L'Aurora %1 \\ "));
    w->txtNombre->insert(QStringLiteral("東京")); // keys type only ASCII here
    type(w->txtCp, QStringLiteral("46600"));
    QTest::keyClick(w->txtCp, Qt::Key_Return);
    EXPECT_EQ(w->txtLocalidad->Text(), QStringLiteral("Alzira"));
    EXPECT_EQ(w->txtProvincia->Text(), QStringLiteral("Valencia"));
    type(w->txtCta_Bancaria[0], QStringLiteral("0049"));
    QTest::keyClick(w->txtCta_Bancaria[0], Qt::Key_Return); // unknown bank: name kept
    type(w->txtCta_Bancaria[4], QStringLiteral("  Banco 'X'  "));
    type(w->txtCta_Bancaria[1], QStringLiteral("12"));
    type(w->txtCta_Bancaria[3], QStringLiteral("34"));
    type(w->txtComVenta, QStringLiteral("2.5"));
    w->txtBloq_Fecha->setTextValue(QString()); // no valid block date
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
    EXPECT_TRUE(w->txtCodigo->isEnabled() && w->txtCodigo->hasFocus());
    EXPECT_FALSE(w->cmdAceptar->isEnabled());
    // Loaded and saved unchanged: the row stays as it was, block date included.
    const QString before =
        rowsOf(*cn, QStringLiteral("SELECT * FROM Agentes WHERE Codigo = 3")).join(u'\n');
    for (const QLocale& l :
         {QLocale(QLocale::Spanish, QLocale::Spain),
          QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::C)}) {
        SCOPED_TRACE(l.name().toStdString());
        QLocale::setDefault(l);
        loadCode(QStringLiteral("3"));
        key(Qt::Key_F9);
        EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT * FROM Agentes WHERE Codigo = 3")).join(u'\n'),
                  before);
    }
}

// A box's maximum length limits what the user types and pastes; a longer name stored
// by another program shows and saves whole.
TEST_P(AgentesWindow, MaximumLengthLimitsTypingNotTheStoredText) {
    const QString longName = QString(QStringLiteral("Nombre muy largo ")).repeated(15);
    ASSERT_EQ(longName.size(), 255);
    cn->Execute(QStringLiteral("UPDATE Agentes SET Nombre = '") + longName +
                QStringLiteral("' WHERE Codigo = 3"));
    loadCode(QStringLiteral("3"));
    EXPECT_EQ(w->txtNombre->Text(), longName);
    QTest::keyClick(w->txtNombre, Qt::Key_End);
    QTest::keyClicks(w->txtNombre, QStringLiteral("xy")); // no room to grow
    EXPECT_EQ(w->txtNombre->Text(), longName);
    key(Qt::Key_F9);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Nombre FROM Agentes WHERE Codigo = 3")),
              QStringList({longName}));

    loadCode(QStringLiteral("77"));
    const QString typed = QString(QStringLiteral("0123456789")).repeated(12);
    type(w->txtNombre, typed);
    EXPECT_EQ(w->txtNombre->Text(), typed.left(100));
    // Pasted in the middle, only what fits goes in.
    w->txtNombre->setText(QStringLiteral("ab"));
    QApplication::clipboard()->setText(typed);
    if (QApplication::clipboard()->text() == typed) {
        w->txtNombre->setCursorPosition(1);
        QTest::keyClick(w->txtNombre, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(w->txtNombre->Text(), u'a' + typed.left(98) + u'b');
    }
}

TEST_P(AgentesWindow, DeletesAfterAskingAndBlockFieldsFollowTheList) {
    loadCode(QStringLiteral("5"));
    presenter->answers = {ui::vbNo};
    w->cmdEliminar->click();
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_EQ(presenter->requests[0].text, QStringLiteral("Desea eliminar el agente actual?"));
    EXPECT_EQ(presenter->requests[0].title, QStringLiteral("Confirmar"));
    EXPECT_EQ(presenter->requests[0].buttons, ui::vbYesNo);
    EXPECT_EQ(presenter->requests[0].defaultButton, ui::vbDefaultButton2);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Agentes")), QStringList({"3"}));
    presenter->answers = {ui::vbYes};
    w->cmdEliminar->click();
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Agentes WHERE Codigo = 5")),
              QStringList({"0"}));
    EXPECT_TRUE(w->txtCodigo->isEnabled() && w->txtCodigo->hasFocus());
    EXPECT_TRUE(w->cmdEliminar->isEnabled()) << "the buttons stay as they were";
    // ... except Aceptar: a deleted agent stays deleted, by F9 or by the button.
    key(Qt::Key_F9);
    w->cmdAceptar->click();
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT COUNT(*) FROM Agentes WHERE Codigo = 5")),
              QStringList({"0"}));
    EXPECT_TRUE(presenter->requests.size() == 2) << "no message either";
    // An agent with sales: Eliminar refuses with its own message; the window stays.
    loadCode(QStringLiteral("9"));
    presenter->answers = {ui::vbYes};
    w->cmdEliminar->click();
    ASSERT_EQ(presenter->requests.size(), 4);
    EXPECT_EQ(presenter->requests[3].text,
              QStringLiteral("No se puede eliminar el agente por tener datos asociados."));
    EXPECT_EQ(w->txtNombre->Text(), QStringLiteral("Zuriñe"));

    // "No" disables the block date and reason and their labels, keeping their text.
    w->txtBloq_Motivo->setTextValue(QStringLiteral("motivo"));
    w->cboBloqueado->setCurrentIndex(0);
    EXPECT_FALSE(w->txtBloq_Fecha->isEnabled() || w->txtBloq_Fecha->EnabledMask());
    EXPECT_FALSE(w->txtBloq_Motivo->isEnabled() || w->lblBloq_Fecha->isEnabled() ||
                 w->lblBloq_Motivo->isEnabled());
    EXPECT_EQ(w->txtBloq_Motivo->Text(), QStringLiteral("motivo"));
    w->cboBloqueado->setCurrentIndex(1);
    EXPECT_TRUE(w->txtBloq_Motivo->isEnabled() && w->txtBloq_Fecha->EnabledMask());
    // Enter in the list moves on, as Tab does.
    w->cboBloqueado->setFocus();
    key(Qt::Key_Return);
    EXPECT_TRUE(w->txtBloq_Fecha->hasFocus());
}

TEST_P(AgentesWindow, SearchPasswordAndEmailCheck) {
    // Buscar...: pick a line, and the agent loads as if its code had been typed.
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<frmAgentes_Buscar*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dlg);
        QTest::keyClick(dlg->lstLineas, Qt::Key_End); // Zuriñe, last by name
        QTest::keyClick(dlg->lstLineas, Qt::Key_Return);
    });
    w->cmdBuscar->click();
    EXPECT_EQ(w->txtCodigo->Text(), QStringLiteral("9"));
    EXPECT_TRUE(shownState());
    // Contraseña...: the accepted password goes into the agent and is saved with it.
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<frmCredenciales*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dlg);
        for (int i : {1, 2}) {
            dlg->txtPassword[size_t(i)]->setFocus();
            QTest::keyClicks(dlg->txtPassword[size_t(i)], QStringLiteral("Nueva1"));
        }
        dlg->cmdAceparPwd->click();
    });
    w->cmdSetPassword->click();
    EXPECT_EQ(w->agente()->Password, QStringLiteral("Nueva1"));
    QApplication::setActiveWindow(w); // back from the dialogs
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    // A rejected e-mail address: the check's own words, the focus back in the box.
    type(w->txtEMail, QStringLiteral("zurine.cantabricas.es"));
    w->txtNombre->setFocus();
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_EQ(presenter->requests[0].title, QStringLiteral("¡ Dirección de eMail no válida !"));
    EXPECT_EQ(presenter->requests[0].icon, ui::vbExclamation);
    EXPECT_TRUE(presenter->requests[0].text.contains(QStringLiteral("arroba")));
    EXPECT_TRUE(w->txtEMail->hasFocus());
    w->txtEMail->clear();
    w->txtNombre->setFocus(); // empty: no message
    EXPECT_EQ(presenter->requests.size(), 1);
    key(Qt::Key_F9);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Password FROM Agentes WHERE Codigo = 9")),
              QStringList({"Nueva1"}));
}

// The e-mail check runs when the focus moves on to another control of the window; a
// context menu, another window in front or closing the window do not run it.
TEST_P(AgentesWindow, EmailCheckRunsOnlyWhenTheFocusMovesToAnotherControl) {
    loadCode(QStringLiteral("5"));
    type(w->txtEMail, QStringLiteral("sin-arroba"));
    QTimer::singleShot(0, [] {
        if (QWidget* menu = QApplication::activePopupWidget())
            menu->close();
    });
    const QPoint centro = w->txtEMail->rect().center();
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, centro, w->txtEMail->mapToGlobal(centro));
    QApplication::sendEvent(w->txtEMail, &menu);
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
    w->txtEMail->setFocus();
    key(Qt::Key_Tab);
    ASSERT_EQ(presenter->requests.size(), 1) << "Tab to the next control";
    EXPECT_TRUE(w->txtEMail->hasFocus());
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
        for (controls::HxTextBox* b : {w->txtCp, w->txtLocalidad, w->txtProvincia})
            b->clear();
        type(w->txtLocalidad, QString::fromUtf8(c.localidad));
        type(w->txtProvincia, QString::fromUtf8(c.provincia));
        type(w->txtCp, QString::fromUtf8(c.cp));
        key(Qt::Key_Return);
        EXPECT_EQ(w->txtLocalidad->Text(), QString::fromUtf8(c.wantLocalidad));
        EXPECT_EQ(w->txtProvincia->Text(), QString::fromUtf8(c.wantProvincia));
    }
}

// The D.C. box tells whether the check digits fit the account, with the IBAN when they
// do; what is saved is what was typed either way.
TEST_P(AgentesWindow, CheckDigitsShowWithoutChangingTheAccount) {
    loadCode(QStringLiteral("78"));
    type(w->txtCta_Bancaria[0], QStringLiteral("2100"));
    type(w->txtCta_Bancaria[1], QStringLiteral("0418"));
    type(w->txtCta_Bancaria[3], QStringLiteral("0200051332"));
    type(w->txtCta_Bancaria[2], QStringLiteral("45"));
    EXPECT_EQ(w->txtCta_Bancaria[2]->toolTip(), QStringLiteral("IBAN: ES9121000418450200051332"));
    w->txtCta_Bancaria[2]->clear();
    type(w->txtCta_Bancaria[2], QStringLiteral("54"));
    EXPECT_TRUE(w->txtCta_Bancaria[2]->toolTip().contains(QStringLiteral("no corresponden")));
    EXPECT_TRUE(presenter->requests.isEmpty());
    key(Qt::Key_F9);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Cta_Bancaria FROM Agentes WHERE Codigo = 78")),
              QStringList({"21000418540200051332"}));
}

// Every caption of every window is drawn whole: labels, buttons, check boxes and frames,
// each measured against what its control leaves for the text.
TEST_P(AgentesWindow, EveryCaptionOfEveryWindowIsWhole) {
    if (GetParam() != testsupport::Engine::SQLite)
        GTEST_SKIP() << "the layout is the same on every engine";
    frmAgentes_Buscar buscar;
    frmCredenciales credenciales;
    frmclsCambioFactura factura;
    factura.Show(0);
    frmclsComision_Familias comisiones;
    comisiones.Show(0);
    const QList<QWidget*> forms = {w, &buscar, &credenciales, factura.window(),
                                   comisiones.window()};
    for (QWidget* form : forms) {
        SCOPED_TRACE(form->objectName().toStdString());
        int captions = 0;
        for (QWidget* c : form->findChildren<QWidget*>()) {
            // In the control's own font, as drawn; a check box's indicator and the gap
            // after it, a button's frame, taken off its width.
            QString text;
            int room = c->width();
            if (auto* l = qobject_cast<QLabel*>(c)) {
                text = l->text();
                EXPECT_TRUE(l->toolTip().isEmpty()) << "cut short: " << text.toStdString();
            } else if (auto* b = qobject_cast<QCheckBox*>(c)) {
                text = b->text();
                room -= c->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, c) +
                        c->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, c);
            } else if (auto* p = qobject_cast<QPushButton*>(c)) {
                text = p->text();
                room -= 2 * c->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, c);
            } else if (auto* g = qobject_cast<QGroupBox*>(c)) {
                text = g->title();
            }
            if (text.isEmpty() || !c->isVisibleTo(form) || c->window() != form)
                continue;
            ++captions;
            text.remove(u'&');
            EXPECT_LE(c->fontMetrics().horizontalAdvance(text), room)
                << c->objectName().toStdString() << ": " << text.toStdString();
        }
        EXPECT_GE(captions, 2);
    }
}

ORBENTA_ENGINE_TESTS(AgentesWindow);

TEST(AgentesLayout, TheHostCanCreateIt) {
    ObjectRef o = CreateObject(QStringLiteral("ORBTAgentes.frmclsAgente"));
    auto* cls = dynamic_cast<frmclsAgente*>(o.get());
    ASSERT_TRUE(cls);
    cls->Show(0);
    QWidget* w = cls->window();
    ASSERT_TRUE(w);
    for (const char* name : {"txtCta_Bancaria(0)", "txtCta_Bancaria(4)", "Frame1(0)", "txtObserv",
                             "cmdSetPassword", "chkNoImpLiquidacion"})
        EXPECT_TRUE(w->findChild<QWidget*>(QLatin1String(name))) << name;
}

} // namespace
