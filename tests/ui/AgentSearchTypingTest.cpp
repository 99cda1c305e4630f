// Find as you type in the agent search dialog: what is typed narrows the list, the keys
// of the dialog keep their meaning.
#include "WindowTest.h"

namespace {

class AgentSearchTyping : public testsupport::ComponentTest {};

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
        QTimer::singleShot(0, [&] {
            QApplication::setActiveWindow(&dlg);
            auto* list = dlg.findChild<controls::ListBox*>(u"lstLineas"_s);
            for (const QChar k : QString::fromUtf8(c.keys))
                if (k == u'⌫')
                    QTest::keyClick(list, Qt::Key_Backspace);
                else if (k == u'↓')
                    QTest::keyClick(list, Qt::Key_Down);
                else
                    QTest::keyClicks(list, QString(k));
            QStringList shown;
            for (int i = 0; i < list->ListCount(); ++i)
                shown << list->List(i);
            EXPECT_EQ(shown, c.shown); // SQLite lists a NULL name first
            EXPECT_EQ(dlg.findChild<QPushButton*>(u"cmdAceptar"_s)->isEnabled(), !shown.isEmpty());
            const auto* tag = dlg.findChild<QLabel*>(u"lblFiltro"_s);
            EXPECT_EQ(tag && tag->isVisible() ? tag->text() : u"(none)"_s,
                      *c.tag ? QString::fromUtf8(c.tag) : u"(none)"_s);
            QTest::keyClick(list, Qt::Key_Return);
            open = dlg.isVisible();
            if (open)
                QTest::keyClick(list, Qt::Key_Escape);
        });
        dlg.Mostrar(1, nullptr);
        EXPECT_EQ(open, c.picked < 0);
        EXPECT_EQ(dlg.CodigoSeleccionado, qMax(c.picked, 0));
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, AgentSearchTyping, ::testing::Values(testsupport::Engine::SQLite),
                         testsupport::engineName);

} // namespace
