// The agent window's two dialogs and the bank name lookup it shows beside an account.
#include "HostileText.h"
#include "WindowTest.h"

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

class AgentDialogs : public testsupport::ComponentTest {};

TEST_P(AgentDialogs, BankNamesByCode) {
    const auto& texts = testsupport::hostileTexts();
    for (int i = 0; i < texts.size(); ++i)
        cn->Execute(u"INSERT INTO Bancos (Codigo, Nombre) VALUES ("_s + QString::number(2100 + i) +
                    u", "_s + testsupport::sqlLiteral(texts[i].text) + u')');
    cn->Execute(u"INSERT INTO Bancos (Codigo, Nombre) VALUES (-3, 'Negativo')"_s);
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(NombreBanco(qint16(2100 + i)), texts[i].text) << texts[i].what;
    EXPECT_EQ(NombreBanco(-3), u"Negativo"_s);
    EXPECT_EQ(NombreBanco(9999), QString());
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

TEST_P(AgentDialogs, SearchListsEveryAgentByNameAndAnswersTheChosenCode) {
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

ORBENTA_ENGINE_TESTS(AgentDialogs);

// Find as you type: what is typed narrows the list, the keys of the dialog keep their meaning.
class AgentSearchTyping : public AgentDialogs {};

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
    const auto typeInto = [&](int i, const QString& text) {
        clave(dlg, i)->clear();
        clave(dlg, i)->setFocus();
        QTest::keyClicks(clave(dlg, i), text);
    };
    bool stillOpen = false;
    modal(dlg, [&] {
        EXPECT_EQ(dlg.windowTitle(), u"Establecer Contraseña"_s);
        EXPECT_EQ(clave(dlg, 0)->echoMode(), QLineEdit::Password);
        typeInto(0, u"secreto"_s); // letter case counts
        boton(dlg, "cmdAceparPwd")->click();
        ASSERT_EQ(presenter->requests.size(), 1);
        EXPECT_EQ(presenter->requests[0].text, u"Contraseña vieja no es válida."_s);
        EXPECT_EQ(presenter->requests[0].title, u"Error"_s);
        EXPECT_EQ(presenter->requests[0].icon, ui::vbExclamation);
        EXPECT_TRUE(clave(dlg, 0)->hasFocus());
        EXPECT_EQ(clave(dlg, 0)->Text(), u"secreto"_s) << "kept as typed";
        typeInto(0, u"Secreto"_s);
        typeInto(1, u"nueva-clave-de-mas-de-veinte"_s);
        EXPECT_EQ(clave(dlg, 1)->Text(), u"nueva-clave-de-mas-d"_s) << "20 at most";
        typeInto(2, u"otra"_s);
        boton(dlg, "cmdAceparPwd")->click();
        ASSERT_EQ(presenter->requests.size(), 2);
        EXPECT_EQ(presenter->requests[1].text, u"Las contraseñas no coinciden."_s);
        EXPECT_TRUE(clave(dlg, 2)->hasFocus());
        // Enter and Esc press neither button.
        QTest::keyClick(clave(dlg, 2), Qt::Key_Escape);
        QTest::keyClick(clave(dlg, 2), Qt::Key_Return);
        stillOpen = dlg.isVisible() && presenter->requests.size() == 2;
        typeInto(2, u"nueva-clave-de-mas-d"_s);
        // Enter in the last box moves to Aceptar; Enter there presses it.
        QTest::keyClick(clave(dlg, 2), Qt::Key_Return);
        EXPECT_TRUE(boton(dlg, "cmdAceparPwd")->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(dlg.isVisible()) << "Enter on Aceptar did not accept";
        if (dlg.isVisible())
            boton(dlg, "cmdCencelarPwd")->click();
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(dlg.OK());
    EXPECT_EQ(dlg.NewPassword, u"nueva-clave-de-mas-d"_s);
    EXPECT_FALSE(dlg.isVisible()) << "hidden, not unloaded: the opener reads it";

    // An agent without a password; two empty new boxes are a valid new (empty) password.
    frmCredenciales empty;
    modal(empty, [&] { boton(empty, "cmdAceparPwd")->click(); });
    EXPECT_TRUE(empty.OK());
    EXPECT_EQ(empty.NewPassword, QString());

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
    EXPECT_FALSE(cancelled.OK());
    EXPECT_FALSE(cancelled.isVisible());
    ui::setPresenter(nullptr);
}

} // namespace
