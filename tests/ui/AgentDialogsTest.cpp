// The agent window's two dialogs and the bank name lookup it shows beside an account.
#include "HostileText.h"
#include "TestComponent.h"

#include "TestErrors.h"
#include <ORBTAgentes.h>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ORBTAgentes;

namespace {

// The dialogs' controls, by name.
controls::ListBox* lista(QWidget& d) {
    return d.findChild<controls::ListBox*>(QStringLiteral("lstLineas"));
}
QPushButton* boton(QWidget& d, const char* name) {
    return d.findChild<QPushButton*>(QLatin1String(name));
}
controls::HxTextBox* clave(QWidget& d, int i) {
    return d.findChild<controls::HxTextBox*>(QStringLiteral("txtPassword(") + QString::number(i) +
                                             u')');
}

class AgentDialogs : public testsupport::ComponentTest {
protected:
    // Shows `dialog` modally, as the agent window does, and runs `act` on it once it is
    // up; answers when the modal display has ended.
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
    std::vector<QString> sent;
    void record() {
        cn->setObserver([this](const ado::StatementEvent& e) { sent.push_back(e.text); });
    }
};

TEST_P(AgentDialogs, BankNamesByCode) {
    const auto& texts = testsupport::hostileTexts();
    for (int i = 0; i < texts.size(); ++i)
        cn->Execute(QStringLiteral("INSERT INTO Bancos (Codigo, Nombre) VALUES (") +
                    QString::number(2100 + i) + QStringLiteral(", ") +
                    testsupport::sqlLiteral(texts[i].text) + u')');
    cn->Execute(QStringLiteral("INSERT INTO Bancos (Codigo, Nombre) VALUES (-3, 'Negativo')"));
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(NombreBanco(qint16(2100 + i)), texts[i].text) << texts[i].what;
    record();
    EXPECT_EQ(NombreBanco(-3), QStringLiteral("Negativo"));
    EXPECT_EQ(NombreBanco(9999), QString());
    EXPECT_EQ(sent, (std::vector<QString>{"SELECT Nombre FROM Bancos WHERE Codigo =-3",
                                          "SELECT Nombre FROM Bancos WHERE Codigo =9999"}));
    // Failures pass unchanged: a missing table, no connection.
    cn->Execute(QStringLiteral("DROP TABLE Bancos"));
    {
        const auto e = testsupport::failureOf([] { NombreBanco(1); });
        EXPECT_EQ(e.number(), ado::errors::Statement);
        EXPECT_TRUE(e.source().startsWith(QStringLiteral("ado."))) << e.what();
    }
    SharedContext::setConexion(nullptr);
    EXPECT_EQ(testsupport::errorOf([] { NombreBanco(1); }), rt::ObjectNotSet);
}

TEST_P(AgentDialogs, SearchListsEveryAgentByNameAndAnswersTheChosenCode) {
    for (const char* row :
         {"(7, 'Ana')", "(1234, 'Zuriñe')", "(5, NULL)", "(8, 'Ana')", "(-2, 'Borja')"})
        cn->Execute(QStringLiteral("INSERT INTO Agentes (Codigo, Nombre) VALUES ") +
                    QString::fromUtf8(row));
    record();
    {
        frmAgentes_Buscar dlg;
        modal(dlg, [&] {
            EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Busqueda de Agentes"));
            ASSERT_EQ(lista(dlg)->ListCount(), 5);
            // By name: the two Anas (in the database's order), Borja, Zuriñe; the agent
            // without a name where the engine sorts a NULL, its line ending at " - ".
            QStringList lines, named;
            for (int i = 0; i < 5; ++i)
                lines << lista(dlg)->List(i);
            for (const QString& l : lines)
                if (l != QStringLiteral("05 - "))
                    named << l.section(u' ', 2);
            EXPECT_EQ(named, (QStringList{"Ana", "Ana", "Borja", "Zuriñe"}));
            EXPECT_TRUE(lines.contains(QStringLiteral("07 - Ana")));
            EXPECT_TRUE(lines.contains(QStringLiteral("-02 - Borja")));
            EXPECT_TRUE(lines.contains(QStringLiteral("1234 - Zuriñe")));
            EXPECT_EQ(lista(dlg)->ListIndex(), 0);
            EXPECT_TRUE(boton(dlg, "cmdAceptar")->isEnabled());
            for (int i = 0; i < lines.indexOf(QStringLiteral("-02 - Borja")); ++i)
                QTest::keyClick(lista(dlg), Qt::Key_Down);
            QTest::keyClick(lista(dlg), Qt::Key_Return);
        });
        EXPECT_EQ(dlg.CodigoSeleccionado, -2);
        EXPECT_FALSE(dlg.isVisible());
    }
    EXPECT_EQ(sent.front(), QStringLiteral("SELECT Codigo, Nombre FROM Agentes ORDER BY Nombre"));
    // Esc, and Enter on a focused Cancelar, pick nothing; Enter on a focused Aceptar, or a
    // click on it, picks the selected line.
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
    cn->Execute(QStringLiteral("DELETE FROM Agentes"));
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

INSTANTIATE_TEST_SUITE_P(Engines, AgentDialogs,
                         ::testing::Values(testsupport::Engine::SQLite,
                                           testsupport::Engine::PostgreSQL,
                                           testsupport::Engine::Odbc),
                         testsupport::engineName);

// The password dialog: the current password first, the new one twice; both refusals
// keep what was typed and the dialog open; accept and cancel hide it for the opener.
TEST(Credenciales, ChecksTheOldPasswordAndTheRepetition) {
    auto presenter = std::make_shared<ui::RecordingPresenter>();
    ui::setPresenter(presenter);
    frmCredenciales dlg;
    dlg.OldPassword = QStringLiteral("Secreto");
    EXPECT_FALSE(dlg.OK());
    const auto typeInto = [&](int i, const QString& text) {
        clave(dlg, i)->clear();
        clave(dlg, i)->setFocus();
        QTest::keyClicks(clave(dlg, i), text);
    };
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
        QApplication::setActiveWindow(&dlg);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Establecer Contraseña"));
        EXPECT_EQ(clave(dlg, 0)->echoMode(), QLineEdit::Password);
        typeInto(0, QStringLiteral("secreto")); // letter case counts
        boton(dlg, "cmdAceparPwd")->click();
        ASSERT_EQ(presenter->requests.size(), 1);
        EXPECT_EQ(presenter->requests[0].text, QStringLiteral("Contraseña vieja no es válida."));
        EXPECT_EQ(presenter->requests[0].title, QStringLiteral("Error"));
        EXPECT_EQ(presenter->requests[0].icon, ui::vbExclamation);
        EXPECT_TRUE(clave(dlg, 0)->hasFocus());
        EXPECT_EQ(clave(dlg, 0)->Text(), QStringLiteral("secreto")) << "kept as typed";
        typeInto(0, QStringLiteral("Secreto"));
        typeInto(1, QStringLiteral("nueva-clave-de-mas-de-veinte"));
        EXPECT_EQ(clave(dlg, 1)->Text(), QStringLiteral("nueva-clave-de-mas-d")) << "20 at most";
        typeInto(2, QStringLiteral("otra"));
        boton(dlg, "cmdAceparPwd")->click();
        ASSERT_EQ(presenter->requests.size(), 2);
        EXPECT_EQ(presenter->requests[1].text, QStringLiteral("Las contraseñas no coinciden."));
        EXPECT_TRUE(clave(dlg, 2)->hasFocus());
        // Enter and Esc press neither button.
        QTest::keyClick(clave(dlg, 2), Qt::Key_Escape);
        QTest::keyClick(clave(dlg, 2), Qt::Key_Return);
        stillOpen = dlg.isVisible() && presenter->requests.size() == 2;
        typeInto(2, QStringLiteral("nueva-clave-de-mas-d"));
        // Enter in the last box moves to Aceptar; Enter there presses it.
        QTest::keyClick(clave(dlg, 2), Qt::Key_Return);
        EXPECT_TRUE(boton(dlg, "cmdAceparPwd")->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(dlg.isVisible()) << "Enter on Aceptar did not accept";
        if (dlg.isVisible())
            boton(dlg, "cmdCencelarPwd")->click();
    });
    dlg.Mostrar(1, nullptr);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(dlg.OK());
    EXPECT_EQ(dlg.NewPassword, QStringLiteral("nueva-clave-de-mas-d"));
    EXPECT_FALSE(dlg.isVisible()) << "hidden, not unloaded: the opener reads it";

    // An agent without a password; two empty new boxes are a valid new (empty) password.
    frmCredenciales empty;
    QTimer::singleShot(0, [&] { boton(empty, "cmdAceparPwd")->click(); });
    empty.Mostrar(1, nullptr);
    EXPECT_TRUE(empty.OK());
    EXPECT_EQ(empty.NewPassword, QString());

    // Enter on a focused Cancelar cancels, even with a valid entry in the boxes.
    frmCredenciales cancelled;
    QTimer::singleShot(0, [&] {
        QApplication::setActiveWindow(&cancelled);
        clave(cancelled, 2)->setFocus();
        QTest::keyClick(clave(cancelled, 2), Qt::Key_Tab);
        QTest::keyClick(boton(cancelled, "cmdAceparPwd"), Qt::Key_Tab);
        EXPECT_TRUE(boton(cancelled, "cmdCencelarPwd")->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(cancelled.isVisible()) << "Enter on Cancelar did not cancel";
        if (cancelled.isVisible())
            boton(cancelled, "cmdCencelarPwd")->click();
    });
    cancelled.Mostrar(1, nullptr);
    EXPECT_FALSE(cancelled.OK());
    EXPECT_FALSE(cancelled.isVisible());
    ui::setPresenter(nullptr);
}

// The list box's lines come in batches; the view sees consistent insertions and resets.
TEST(ListBox, BatchesOfLinesKeepTheModelConsistent) {
    controls::ListBox list;
    QAbstractItemModelTester tester(list.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.AddItems({"05 - Uno", "07 - Dos"}, {5, 7});
    list.AddItem(QStringLiteral("1234 - Tres"), 1234);
    list.AddItems({}, {});
    ASSERT_EQ(list.ListCount(), 3);
    EXPECT_EQ(list.ItemData(2), 1234);
    EXPECT_EQ(list.ListIndex(), -1);
    list.setListIndex(1);
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(list.List(1), QStringLiteral("07 - Dos"));
    list.setListIndex(9);
    EXPECT_EQ(list.ListIndex(), -1);
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
}

} // namespace
