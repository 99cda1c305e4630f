// Texts from the data that Qt could take for markup read (and save) as written.
#include "HostileText.h"
#include "WindowTest.h"

#include <QMessageBox>
#include <QToolTip>

namespace {

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
        auto* item = new QListWidgetItem(u"fila"_s, list);
        item->setToolTip(kBold + u"\nsegunda línea"_s);
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
