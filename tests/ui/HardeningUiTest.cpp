// The windows as a user meets them: in the regional settings of their machine, with the
// keys they press, on a disk that fills up, in a theme whose font is wider.
#include "TestComponent.h"

#include "TestErrors.h"
#include <ORBTAgentes.h>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace ORBTAgentes;
using testsupport::rowsOf;

namespace {

class InvoiceWindow : public testsupport::ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        if (IsSkipped())
            return;
        shareCompany();
        cn->Execute(QStringLiteral("INSERT INTO Agentes (Codigo, Nombre) VALUES (1, 'Uno')"));
        cn->Execute(QStringLiteral("INSERT INTO Agentes (Codigo, Nombre) VALUES (2, 'Dos')"));
        cn->Execute(QStringLiteral(
            "INSERT INTO Facturas (Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, "
            "Dto2, Importe_Costo) VALUES (1, 10, '2026-03-02T00:00:00', 1, 1234.567, 0, 0, 0, 0, "
            "0.125)"));
    }
    void TearDown() override {
        cls.reset();
        QLocale::setDefault(saved);
        ComponentTest::TearDown();
    }
    void open() {
        cls = std::make_unique<frmclsCambioFactura>();
        cls->Show(0);
        w = cls->window();
        QApplication::setActiveWindow(w);
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    void type(QWidget* field, const QString& text) {
        field->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    // The invoice's number first, then the series and Enter in the series.
    void loadFromTheSeries() {
        type(w->txtFactura, QStringLiteral("10"));
        type(w->txtSerie, QStringLiteral("1"));
        QTest::keyClick(w->txtSerie, Qt::Key_Return);
    }
    QStringList days() {
        return testsupport::amountRows(
            *cn, QStringLiteral("SELECT Cod_Agente, Importe_Pvp, Importe_Costo FROM "
                                "Agentes_Acumulados ORDER BY Cod_Agente"));
    }
    QLocale saved;
    std::unique_ptr<frmclsCambioFactura> cls;
    frmAgentes_CambioFactura* w = nullptr;
};

// The window shows the total in the user's settings and reads it back from there: a
// total with three decimals is booked as it is, whatever the locale.
TEST_P(InvoiceWindow, TotalsAreBookedExactlyInEveryLocale) {
    const struct {
        QLocale locale;
        const char* shown;
    } cases[] = {
        {QLocale(QLocale::Spanish, QLocale::Spain), "1234,567"},
        {QLocale(QLocale::C), "1234,567"}, // no locale: the suite's Spanish settings
        {QLocale(QLocale::English, QLocale::UnitedStates), "1234.567"},
        {QLocale(QLocale::German, QLocale::Germany), "1234,567"},
    };
    int to = 2;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        QLocale::setDefault(c.locale);
        open();
        loadFromTheSeries();
        EXPECT_EQ(w->txtTotal->Text(), QLatin1String(c.shown));
        type(w->txtNuevoAgente, QString::number(to));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F9);
        EXPECT_TRUE(presenter->requests.isEmpty())
            << presenter->requests.value(0).text.toStdString();
        to = 3 - to; // back and forth between agents 1 and 2
        cls.reset();
    }
    // Four moves: each agent gained and lost the invoice twice.
    EXPECT_EQ(days(), QStringList({"1|0|0", "2|0|0"}));
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Agente FROM Facturas")), QStringList({"1"}));
}

// Enter in the series loads the invoice; its handler puts the focus on the new agent,
// and the field does not move it on again.
TEST_P(InvoiceWindow, EnterInTheSeriesLeavesTheFocusOnTheNewAgent) {
    open();
    loadFromTheSeries();
    EXPECT_FALSE(w->txtSerie->isEnabled());
    EXPECT_TRUE(w->txtNuevoAgente->isAncestorOf(QApplication::focusWidget()))
        << QApplication::focusWidget()->objectName().toStdString();
}

// With the disk full SQLite rolls the transaction back by itself; the user is told that
// the disk is full, nothing of the change is left, and the next try works.
TEST_P(InvoiceWindow, AFailureThatEndsTheTransactionIsTheOneReported) {
    if (GetParam() != testsupport::Engine::SQLite)
        GTEST_SKIP() << "RAISE(ROLLBACK) is SQLite's";
    cn->Execute(QStringLiteral("CREATE TRIGGER lleno BEFORE INSERT ON Agentes_Acumulados WHEN "
                               "NEW.Cod_Agente = 2 BEGIN SELECT RAISE(ROLLBACK, 'database or "
                               "disk is full'); END"));
    open();
    loadFromTheSeries();
    type(w->txtNuevoAgente, QStringLiteral("2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F9);
    ASSERT_EQ(presenter->requests.size(), 1);
    EXPECT_TRUE(presenter->requests[0].text.startsWith(QStringLiteral("database or disk is full")))
        << presenter->requests[0].text.toStdString();
    EXPECT_EQ(cn->transactionLevel(), 0);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Agente FROM Facturas")), QStringList({"1"}));
    EXPECT_TRUE(days().isEmpty());
    cn->Execute(QStringLiteral("DROP TRIGGER lleno"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F9);
    EXPECT_EQ(rowsOf(*cn, QStringLiteral("SELECT Agente FROM Facturas")), QStringList({"2"}));
}

ORBENTA_ENGINE_TESTS(InvoiceWindow);

// Every control stays inside its design rectangle, and every caption fits its label.
TEST(Layout, LabelsFitAndOverlapNothing) {
    frmclsCambioFactura cls;
    cls.Show(0);
    QWidget* w = cls.window();
    const QList<QWidget*> all = w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QLabel* label : w->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
        EXPECT_TRUE(label->toolTip().isEmpty()) << "cut short: " << label->toolTip().toStdString();
        for (QWidget* other : all) {
            if (other != label && other->isVisible() &&
                other->objectName() != QLatin1String("Anclaje1")) {
                EXPECT_FALSE(label->geometry().intersects(other->geometry()))
                    << other->objectName().toStdString();
            }
        }
    }
}

// A window whose theme font is wider: the caption shrinks, and is cut short only when
// it still does not fit; the whole caption is kept for the tooltip and screen readers.
class WideForm : public FormBase {
public:
    WideForm() {
        QFont f = font();
        f.setPixelSize(18);
        setFont(f);
        fits = new QLabel(QStringLiteral("Fecha:"), this);
        shrinks = new QLabel(QStringLiteral("Agente en Factura:"), this);
        cut = new QLabel(QStringLiteral("Un rótulo mucho más largo que su sitio:"), this);
        place(fits, 120, 0, 1200, 300);
        place(shrinks, 120, 300, 1500, 300);
        place(cut, 120, 600, 900, 300);
    }
    QLabel *fits, *shrinks, *cut;
};

TEST(Layout, ACaptionWiderThanItsPlaceIsFittedNotOverlapped) {
    WideForm f;
    EXPECT_EQ(f.fits->font().pixelSize(), 18);
    EXPECT_EQ(f.fits->text(), QStringLiteral("Fecha:"));
    EXPECT_EQ(f.shrinks->text(), QStringLiteral("Agente en Factura:"));
    EXPECT_LT(f.shrinks->font().pixelSize(), 18);
    EXPECT_TRUE(f.cut->text().endsWith(QChar(0x2026))) << f.cut->text().toStdString();
    EXPECT_EQ(f.cut->toolTip(), QStringLiteral("Un rótulo mucho más largo que su sitio:"));
    EXPECT_EQ(f.cut->accessibleName(), f.cut->toolTip());
    for (QLabel* l : {f.fits, f.shrinks, f.cut}) {
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width());
        EXPECT_EQ(l->width(), l == f.fits ? 80 : (l == f.shrinks ? 100 : 60));
    }
}

// Names that look like markup: one that would be drawn bold, one whose image would be
// read from a device that never ends.
const QString kBold = QStringLiteral("<b>x</b>");
const QString kImage = QStringLiteral("<img src=\"/dev/zero\">");

// What the user reads of a text Qt shows where it may take it for markup (labels in
// their automatic format, tooltips).
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

// The tooltip a hovering mouse brings up over `target` at `pos`, as the user reads it
// ("" when none shows).
QString toolTipAt(QWidget* target, QPoint pos) {
    QToolTip::hideText();
    if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000))
        return QStringLiteral("(a tooltip stayed up)");
    QHelpEvent e(QEvent::ToolTip, pos, target->mapToGlobal(pos));
    QApplication::sendEvent(target, &e);
    return QToolTip::isVisible() ? asShown(QToolTip::text()) : QString();
}

// Agents, warehouses and families named like markup, in every window that shows them:
// each name is read as written, and nothing is loaded from what looks like an image.
class MarkupNames : public testsupport::ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        if (IsSkipped())
            return;
        shareCompany();
        for (const QString& name : {kBold, kImage}) {
            const QString n = QString::number(name == kBold ? 1 : 2);
            cn->Execute(QStringLiteral("INSERT INTO Agentes (Codigo, Nombre, Direccion, Cp, "
                                       "Localidad, Provincia, Telefono, Fax, Movil, EMail, "
                                       "Almacen, Bloq_Fecha, Bloq_Motivo, Password, Cta_Bancaria, "
                                       "Observ) VALUES (") +
                        n + QStringLiteral(", '") + name +
                        QStringLiteral("', '', 0, '', '', '', '', '', '', ") + n +
                        QStringLiteral(", '1899-12-30T00:00:00', '', '', '', '')"));
        }
        cn->Execute(QStringLiteral("INSERT INTO Almacenes (Codigo, Nombre) VALUES (1, '") + kBold +
                    QStringLiteral("')"));
        cn->Execute(QStringLiteral("INSERT INTO Almacenes (Codigo, Nombre) VALUES (2, '") + kImage +
                    QStringLiteral("')"));
        cn->Execute(QStringLiteral(
            "INSERT INTO Facturas (Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, "
            "Dto2, Importe_Costo) VALUES (1, 10, '2026-03-02T00:00:00', 1, 100, 0, 0, 0, 0, 1)"));
    }
    template <class Cls> QWidget* open(Cls& cls) {
        cls.Show(0);
        QWidget* w = cls.window();
        QApplication::setActiveWindow(w);
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        return w;
    }
    void type(QWidget* field, const QString& text, bool enter = true) {
        field->setFocus();
        QWidget* f = QApplication::focusWidget();
        QTest::keyClicks(f, text);
        if (enter)
            QTest::keyClick(f, Qt::Key_Return);
    }
};

TEST_P(MarkupNames, EveryWindowShowsThemAsWritten) {
    {
        SCOPED_TRACE("Agentes");
        frmclsAgente cls;
        auto* w = static_cast<frmAgentes*>(open(cls));
        for (const QString& name : {kBold, kImage}) {
            type(w->txtCodigo, name == kBold ? QStringLiteral("1") : QStringLiteral("2"));
            EXPECT_EQ(w->txtNombre->Text(), name);
            EXPECT_EQ(labelsShowingAsWritten(w, name), 1) << "the warehouse's name";
            w->grab(); // drawn, images and all
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F12);
        }
    }
    {
        SCOPED_TRACE("Comisiones");
        frmclsComision_Familias cls;
        auto* w = static_cast<frmAgentes_Comision_Familias*>(open(cls));
        for (const QString& name : {kBold, kImage}) {
            QLineEdit* e = w->txtAgente->editor();
            e->setFocus();
            e->selectAll();
            type(e, name == kBold ? QStringLiteral("1") : QStringLiteral("2"));
            EXPECT_EQ(labelsShowingAsWritten(w, name), 1) << "the agent field's name";
            w->grab();
        }
    }
    {
        SCOPED_TRACE("CambioFactura");
        frmclsCambioFactura cls;
        auto* w = static_cast<frmAgentes_CambioFactura*>(open(cls));
        type(w->txtFactura, QStringLiteral("10"), false);
        type(w->txtSerie, QStringLiteral("1"));
        type(w->txtNuevoAgente, QStringLiteral("2"), false);
        EXPECT_EQ(labelsShowingAsWritten(w, kBold), 1) << "the invoice's agent";
        EXPECT_EQ(labelsShowingAsWritten(w, kImage), 1) << "the new agent";
        w->grab();
    }
}

ORBENTA_ENGINE_TESTS(MarkupNames);

// The windows' own labels, tooltips of controls and of list rows: what looks like markup
// is read as written, whoever set it.
class DataForm : public FormBase {
public:
    DataForm() {
        label = new QLabel(kBold, this);
        place(label, 0, 0, 1500, 300);
        tipped = new QLabel(QStringLiteral("?"), this);
        tipped->setToolTip(kBold);
        place(tipped, 0, 300, 1500, 300);
        list = new QListWidget(this);
        auto* item = new QListWidgetItem(QStringLiteral("fila"), list);
        item->setToolTip(kBold + QStringLiteral("\nsegunda línea"));
        place(list, 0, 600, 3000, 1500);
    }
    QLabel *label, *tipped;
    QListWidget* list;
};

TEST(PlainText, LabelsAndTooltipsOfAWindow) {
    DataForm f;
    f.Mostrar(0, nullptr);
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    EXPECT_EQ(labelsShowingAsWritten(&f, kBold), 1);
    EXPECT_EQ(toolTipAt(f.tipped, f.tipped->rect().center()), kBold);
    const QRect row = f.list->visualItemRect(f.list->item(0));
    EXPECT_EQ(toolTipAt(f.list->viewport(), row.center()),
              kBold + QStringLiteral("\nsegunda línea"));
    EXPECT_EQ(toolTipAt(f.list->viewport(), QPoint(5, f.list->viewport()->height() - 3)), QString())
        << "no row, no tooltip";
}

// The real message box, as the host shows it: a name in the text is a name.
TEST(PlainText, TheDialogPresenterShowsTheTextAsWritten) {
    ui::DialogPresenter presenter;
    QString shown;
    bool plain = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        plain = box->textFormat() == Qt::PlainText;
        if (auto* l = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
            shown = asShown(l->text(), l->textFormat() != Qt::PlainText);
        QTest::keyClick(box, Qt::Key_Escape);
    });
    ui::MessageRequest r;
    r.text = QStringLiteral("No se puede eliminar ") + kBold;
    r.buttons = ui::vbYesNo;
    EXPECT_EQ(presenter.present(r), ui::vbNo);
    EXPECT_TRUE(plain);
    EXPECT_EQ(shown, r.text);
}

// The text field hands its handler the control characters too, as codes it may change.
TEST(Controls, KeyPressCarriesControlCharacters) {
    controls::HxTextBox box;
    QList<int> seen;
    bool keepBackspace = false;
    QObject::connect(&box, &controls::HxTextBox::KeyPress, [&](int& k) {
        seen << k;
        if (k == 8 && !keepBackspace)
            k = 0; // the handler swallows Backspace
    });
    box.show();
    QApplication::setActiveWindow(&box);
    box.setFocus();
    QTest::keyClicks(&box, QStringLiteral("ab"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.Text(), QStringLiteral("ab")) << "swallowed";
    keepBackspace = true;
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.Text(), QStringLiteral("a"));
    QTest::keyClick(&box, Qt::Key_Escape);
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClick(&box, Qt::Key_Left); // types nothing: no notification
    QTest::keyClick(&box, Qt::Key_F5);
    EXPECT_EQ(seen, (QList<int>{'a', 'b', 8, 8, 27, 1, 13}));
}

// The agent field offers the same codes, and a handler that moves the focus on Enter
// keeps it where it put it.
TEST(Controls, AgentFieldKeyPressAndFocusFollowTheTextField) {
    QWidget form;
    auto* agent = new controls::HxAgente(&form);
    auto* next = new controls::HxTextBox(&form);
    auto* chosen = new controls::HxTextBox(&form);
    QList<int> seen;
    QObject::connect(agent, &controls::HxAgente::KeyPress, [&](int& k) {
        seen << k;
        if (k == 13)
            chosen->setFocus();
    });
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    agent->setFocus();
    QWidget* editor = QApplication::focusWidget();
    QTest::keyClicks(editor, QStringLiteral("12"));
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Escape);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(seen, (QList<int>{'1', '2', 8, 27, 13}));
    EXPECT_TRUE(chosen->hasFocus()) << "the handler's choice, not the next field";
    EXPECT_FALSE(next->hasFocus());
    EXPECT_EQ(agent->Text(), QStringLiteral("1"));
}

} // namespace
