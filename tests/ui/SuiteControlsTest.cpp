// The suite's controls and utility objects the agent window is built from; every window as
// drawn: captions whole, no two controls of one container overlapping.
#include "Database.h"
#include "TestWorkers.h"
#include "WindowTest.h"

#include <QGroupBox>

namespace {

TEST(SuiteControls, CheckBoxMaskedDateBoxAndAnchoring) {
    QWidget form;
    auto* check = new controls::HxCheckBox(u"No Imprimir Liquidaciones"_s, &form);
    auto* date = new controls::HxMaskEdBox(&form);
    date->setMask(u"##/##/####"_s);
    ASSERT_TRUE(testsupport::activate(&form));
    EXPECT_EQ(check->Value(), 0);
    check->setFocus();
    QTest::keyClick(check, Qt::Key_Space);
    EXPECT_EQ(check->Value(), 1);
    check->setValue(0);
    EXPECT_FALSE(check->isChecked());

    date->setFocus();
    date->home(false);
    QTest::keyClicks(date, u"07a01b2026"_s);
    EXPECT_EQ(date->Text(), u"07/01/2026"_s) << "letters are not typed";
    date->clear();
    date->home(false);
    QTest::keyClicks(date, u"12"_s);
    EXPECT_EQ(date->Text(), u"12//"_s) << "as typed: untyped places left out";
    date->setTextValue(u"31/12/1999"_s);
    EXPECT_EQ(date->Text(), u"31/12/1999"_s);
    // Either enabling property off: nothing can be typed.
    for (bool widget : {true, false}) {
        date->setEnabled(!widget);
        date->setEnabledMask(widget);
        date->setTextValue(QString());
        date->setFocus();
        QTest::keyClicks(date, u"01"_s);
        EXPECT_EQ(date->Text(), u"//"_s) << (widget ? "Enabled" : "EnabledMask");
    }
    // Anchored, the controls scale with the window.
    form.resize(400, 200);
    auto* child = new QWidget(&form);
    child->setGeometry(100, 50, 40, 20);
    controls::Anclaje anchor(&form, 6000, 3000);
    anchor.capture();
    form.resize(800, 400);
    EXPECT_EQ(child->geometry(), QRect(200, 100, 80, 40));
}

TEST(SuiteUtilities, SpanishAccountCheckDigitsAndIban) {
    using namespace utilidades::cuenta;
    EXPECT_EQ(digitosControl("0049", "1500", "0512345678").size(), 2);
    EXPECT_EQ(digitosControl("21a0", "0418", "0200051332"), QString());
    EXPECT_EQ(digitosControl("2100", "418", "0200051332"), QString());
    EXPECT_EQ(iban("2100041845020005133"), QString());
}

// Another program of the suite writing one row to the same database, then closing.
int writeWorker(const QStringList& args) {
    try {
        ado::Connection cn;
        cn.Open(args.value(0));
        cn.Execute(u"INSERT INTO t (n) VALUES ("_s + args.value(1) + u")"_s);
        cn.Close();
    } catch (const automation::AutomationError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
const testsupport::WorkerRegistration registerWriter("escribir", writeWorker);

// Listing the database's folder must not open the file: that would drop SQLite's locks.
TEST(SuiteFileDialogs, TheSaveDialogOnTheDatabaseFolderLosesNoCommittedRow) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString cs = u"Driver=SQLite;Database="_s + dir.path() + u"/orbenta.db"_s;
    ado::Connection::CreateDatabase(cs);
    auto cn = std::make_shared<ado::Connection>();
    cn->Open(cs);
    cn->Execute(u"CREATE TABLE t (n INTEGER PRIMARY KEY)"_s);
    cn->Execute(u"INSERT INTO t (n) VALUES (1)"_s);
    const auto other = [&](int n) {
        QProcess p;
        p.start(testsupport::selfPath(), {"--orbenta-worker", "escribir", cs, QString::number(n)});
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    };

    const QString savedCwd = QDir::currentPath();
    QDir::setCurrent(dir.path()); // a report without a title is proposed in the current folder
    report::Visor visor;
    visor.setEnableExportButton(true);
    visor.show();
    QString browsed;
    testsupport::onModal<QFileDialog>([&](QFileDialog* dialog) {
        browsed = dialog->directory().canonicalPath();
        // Listed and drawn: the PDF filter hides the file from the list, not the model.
        QTest::qWait(1500);
        dialog->grab();
        other(2);
        cn->Execute(u"INSERT INTO t (n) VALUES (3)"_s);
        other(4);
        dialog->reject();
    });
    visor.findChild<QToolButton*>(u"exportar"_s)->click();
    QDir::setCurrent(savedCwd);
    EXPECT_EQ(browsed, QDir(dir.path()).canonicalPath());
    // Qt's own file dialogs (the print dialog's file browser) get the same icons.
    QFileDialog plain;
    plain.ensurePolished();
    EXPECT_EQ(plain.iconProvider(), &controls::IconosPorExtension::compartido());
    cn->Close();

    cn->Open(cs);
    EXPECT_EQ(testsupport::rowsOf(*cn, u"PRAGMA integrity_check"_s), QStringList({"ok"}));
    EXPECT_EQ(testsupport::rowsOf(*cn, u"SELECT n FROM t ORDER BY n"_s),
              QStringList({"1", "2", "3", "4"}));
}

TEST(Controls, TextFieldKeyPressCarriesControlCharactersFiltersAndReadsNumbers) {
    controls::HxTextBox box;
    QList<int> seen;
    bool keepBackspace = false;
    QObject::connect(&box, &controls::HxTextBox::KeyPress, [&](int& k) {
        seen << k;
        if (k == 8 && !keepBackspace)
            k = 0; // the handler swallows Backspace
    });
    ASSERT_TRUE(testsupport::activate(&box));
    box.setFocus();
    QTest::keyClicks(&box, u"ab"_s);
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.Text(), u"ab"_s) << "swallowed";
    keepBackspace = true;
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.Text(), u"a"_s);
    QTest::keyClick(&box, Qt::Key_Escape);
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClick(&box, Qt::Key_Left); // types nothing: no notification
    QTest::keyClick(&box, Qt::Key_F5);
    EXPECT_EQ(seen, (QList<int>{'a', 'b', 8, 8, 27, 1, 13}));
    box.clear();
    EXPECT_EQ(box.Value(), 0) << "an empty field reads 0";
    box.setTypeOfValues(1);
    QTest::keyClicks(&box, u"1a2-"_s);
    EXPECT_EQ(box.Text(), u"12"_s);
    box.clear();
    box.setAceptDecimals(true);
    QTest::keyClicks(&box, u"-3.5.2"_s);
    EXPECT_EQ(box.Value(), -3.52);
    controls::HxTextBox upper;
    upper.setConvertToUpper(true);
    QObject::connect(&upper, &controls::HxTextBox::KeyPress, [](int& k) {
        if (k == 'x')
            k = 0; // swallowed
        if (k == 'e')
            k = u'€';
    });
    upper.show();
    QTest::keyClicks(&upper, u"axbe"_s);
    EXPECT_EQ(upper.Text(), u"AB€"_s);
}

// A text field tells when it loses the focus.
TEST(Controls, AgentFieldFollowsTheTextFieldAndEnterAndUpMoveTheFocusWhenAsked) {
    QWidget form;
    auto* agent = new controls::HxAgente(&form);
    new controls::HxTextBox(&form); // the next field
    auto* chosen = new controls::HxTextBox(&form);
    auto* a = new controls::HxTextBox(&form);
    auto* b = new controls::HxTextBox(&form);
    new controls::HxTextBox(&form); // a third field after them
    b->setKeyEnterChangeFocus(false);
    QList<int> seen;
    QObject::connect(agent, &controls::HxAgente::KeyPress, [&](int& k) {
        seen << k;
        if (k == 13)
            chosen->setFocus();
    });
    int lost = 0;
    QObject::connect(a, &controls::HxTextBox::LostFocus, [&] { ++lost; });
    ASSERT_TRUE(testsupport::activate(&form));
    agent->setFocus();
    QWidget* editor = QApplication::focusWidget();
    QTest::keyClicks(editor, u"12"_s);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Escape);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(seen, (QList<int>{'1', '2', 8, 27, 13}));
    EXPECT_TRUE(chosen->hasFocus()) << "the handler's choice, not the next field";
    EXPECT_EQ(agent->Text(), u"1"_s);
    a->setFocus();
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(lost, 1);
    QTest::keyClick(b, Qt::Key_Return); // this one keeps the focus
    EXPECT_TRUE(b->hasFocus());
    QTest::keyClick(b, Qt::Key_Up);
    EXPECT_TRUE(a->hasFocus());
}

// A window opened as a host opens it, and what keeps it open.
struct Open {
    std::shared_ptr<void> owner;
    QWidget* form;
};
template <class Cls> Open byClass(const char* progId) {
    ObjectRef o = CreateObject(QLatin1String(progId));
    Invoke(*o, o->classInfo().member(u"Show"_s)->dispatchId,
           DispatchKind::Method); // Show, modeless
    auto* cls = dynamic_cast<Cls*>(o.get());
    return {std::shared_ptr<void>(o), cls ? cls->window() : nullptr};
}
template <class Dialog> Open dialog(const char*) {
    auto d = std::make_shared<Dialog>();
    d->Mostrar(0, nullptr);
    return {d, d.get()};
}

struct Window {
    const char* name;
    Open (*open)(const char*);
    const char* progId;
};
const Window kWindows[] = {
    {"frmAgentes", byClass<frmclsAgente>, "ORBTAgentes.frmclsAgente"},
    {"frmAgentes_Comision_Familias", byClass<frmclsComision_Familias>,
     "ORBTAgentes.frmclsComision_Familias"},
    {"frmAgentes_CambioFactura", byClass<frmclsCambioFactura>, "ORBTAgentes.frmclsCambioFactura"},
    {"frmResumenAgentes", byClass<frmclsResumenAgentes>, "ORBTAgentes.frmclsResumenAgentes"},
    {"frmAgentes_Buscar", dialog<frmAgentes_Buscar>, nullptr},
    {"frmCredenciales", dialog<frmCredenciales>, nullptr},
};

void PrintTo(const Window& w, std::ostream* os) {
    *os << w.name;
}

class WindowLayout : public ::testing::TestWithParam<Window> {
protected:
    void SetUp() override {
        cn = db.open();
        orbenta::db::createSchema(*cn, false);
        SharedContext::setConexion(cn);
        SharedContext::setEmpresa(std::make_shared<ORBTEmp::Empresa>());
    }
    void TearDown() override { SharedContext::setConexion(nullptr); }
    testsupport::ScratchDatabase db{testsupport::Engine::SQLite};
    std::shared_ptr<ado::Connection> cn;
};

// A control's caption, and the room it leaves for it (indicator or frame taken off).
std::pair<QString, int> captionAndRoom(QWidget* c) {
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
    return {text.remove(u'&'), room};
}

TEST_P(WindowLayout, CaptionsFitAndNothingOverlaps) {
    const Open open = GetParam().open(GetParam().progId);
    QWidget* form = open.form;
    ASSERT_TRUE(form);
    EXPECT_EQ(form->objectName(), QLatin1String(GetParam().name));
    int captions = 0;
    std::vector<QWidget*> containers{form};
    for (QWidget* c : form->findChildren<QWidget*>()) {
        if (!c->isVisibleTo(form) || c->window() != form)
            continue;
        if (qobject_cast<QGroupBox*>(c) || c->objectName().startsWith(QLatin1String("Frame")))
            containers.push_back(c);
        const auto [text, room] = captionAndRoom(c);
        if (text.isEmpty())
            continue;
        ++captions;
        EXPECT_LE(c->fontMetrics().horizontalAdvance(text), room)
            << c->objectName().toStdString() << ": " << text.toStdString();
    }
    EXPECT_GE(captions, 2);
    // The controls a window places, container by container (a control's own parts aside).
    for (QWidget* in : containers) {
        std::vector<QWidget*> placed;
        for (QWidget* c : in->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (c->isVisibleTo(form) && !c->isWindow())
                placed.push_back(c);
        for (size_t i = 0; i < placed.size(); ++i)
            for (size_t j = i + 1; j < placed.size(); ++j)
                EXPECT_FALSE(placed[i]->geometry().intersects(placed[j]->geometry()))
                    << placed[i]->objectName().toStdString() << " / "
                    << placed[j]->objectName().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowLayout, ::testing::ValuesIn(kWindows),
                         [](const auto& p) { return std::string(p.param.name); });

// A wider theme font: a caption shrinks, and is cut short only when it still does not fit.
class WideForm : public FormBase {
public:
    WideForm() {
        QFont f = font();
        f.setPixelSize(18);
        setFont(f);
        static const Control layout[] = {
            {"fits", kind<QLabel>, 120, 0, 1200, 300, "Fecha:"},
            {"shrinks", kind<QLabel>, 120, 300, 1500, 300, "Agente en Factura:"},
            {"cut", kind<QLabel>, 120, 600, 900, 300, "Un rótulo mucho más largo que su sitio:"},
        };
        crearControles(layout);
    }
    QLabel* label(const char* name) const { return control<QLabel>(name); }
};

TEST(Layout, ACaptionWiderThanItsPlaceIsFittedNotOverlapped) {
    WideForm f;
    EXPECT_EQ(f.label("fits")->font().pixelSize(), 18);
    EXPECT_EQ(f.label("fits")->text(), u"Fecha:"_s);
    EXPECT_EQ(f.label("shrinks")->text(), u"Agente en Factura:"_s);
    EXPECT_LT(f.label("shrinks")->font().pixelSize(), 18);
    QLabel* cut = f.label("cut");
    EXPECT_TRUE(cut->text().endsWith(QChar(0x2026))) << cut->text().toStdString();
    EXPECT_EQ(cut->toolTip(), u"Un rótulo mucho más largo que su sitio:"_s);
    EXPECT_EQ(cut->accessibleName(), cut->toolTip());
    for (const char* name : {"fits", "shrinks", "cut"})
        EXPECT_LE(f.label(name)->fontMetrics().horizontalAdvance(f.label(name)->text()),
                  f.label(name)->width());
}

} // namespace
