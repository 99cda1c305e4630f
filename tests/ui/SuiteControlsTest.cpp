// The suite's controls and utility objects the agent window is built from.
#include "TestWorkers.h"
#include "WindowTest.h"

namespace {

TEST(SuiteControls, CheckBoxAndMaskedDateBox) {
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
}

class SuiteLookups : public testsupport::ComponentTest {};

TEST_P(SuiteLookups, WarehouseByCode) {
    cn->Execute(u"INSERT INTO Almacenes (Codigo, Nombre) VALUES (2, 'Delegación Valencia')"_s);
    QWidget form;
    auto* almacen = new controls::HxAlmacen(&form);
    auto* other = new QLineEdit(&form);
    almacen->setConexion(cn);
    almacen->setCodigo(2);
    almacen->Mostrar();
    EXPECT_EQ(almacen->Codigo(), 2);
    EXPECT_EQ(almacen->Nombre(), u"Delegación Valencia"_s);
    almacen->Limpiar();
    EXPECT_EQ(almacen->Codigo(), 0);
    EXPECT_TRUE(almacen->Nombre().isEmpty());
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
}

TEST_P(SuiteLookups, AgentFieldShowsACodeSetByTheProgramOnlyWhenAskedAndPicksFromTheList) {
    cn->Execute(u"INSERT INTO Agentes (Codigo, Nombre) VALUES (4, 'Zubiri'), (9, 'Aguirre')"_s);
    QWidget form;
    auto* given = new controls::HxAgente(&form);
    given->setConexion(cn);
    given->Inicializar();
    ASSERT_TRUE(testsupport::activate(&form));
    given->setCodigo(4);
    EXPECT_FALSE(given->EsValido()) << "a code set by the program shows after Refrescar";
    // F3 lists the agents by name; Enter picks the first, Aguirre.
    given->setFocus();
    testsupport::onModal<QWidget>([](QWidget* list) {
        QTest::keyClick(list->findChild<QWidget*>(u"lstAgentes"_s), Qt::Key_Return);
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
    EXPECT_EQ(given->Codigo(), 9);
    EXPECT_TRUE(given->EsValido());
    given->setLocked(true);
    EXPECT_TRUE(given->editor()->isReadOnly());
}

ORBENTA_ENGINE_TESTS(SuiteLookups);

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

TEST(Controls, KeyPressCarriesControlCharacters) {
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
}

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
    ASSERT_TRUE(testsupport::activate(&form));
    agent->setFocus();
    QWidget* editor = QApplication::focusWidget();
    QTest::keyClicks(editor, u"12"_s);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Escape);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(seen, (QList<int>{'1', '2', 8, 27, 13}));
    EXPECT_TRUE(chosen->hasFocus()) << "the handler's choice, not the next field";
    EXPECT_FALSE(next->hasFocus());
    EXPECT_EQ(agent->Text(), u"1"_s);
}

TEST(Controls, TextFieldFiltersNotifiesAndReadsNumbers) {
    controls::HxTextBox box;
    box.show();
    box.setFocus();
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

TEST(Controls, AnchoringScalesTheControlsWithTheWindow) {
    QWidget form;
    form.resize(400, 200);
    auto* child = new QWidget(&form);
    child->setGeometry(100, 50, 40, 20);
    controls::Anclaje anchor(&form, 6000, 3000);
    anchor.capture();
    form.show();
    form.resize(800, 400);
    EXPECT_EQ(child->geometry(), QRect(200, 100, 80, 40));
}

TEST(Controls, EnterAndUpMoveTheFocusWhenAskedAndFocusLossIsTold) {
    QWidget form;
    auto* a = new controls::HxTextBox(&form);
    auto* b = new controls::HxTextBox(&form);
    new controls::HxTextBox(&form); // a third field after them
    b->setKeyEnterChangeFocus(false);
    int lost = 0;
    QObject::connect(a, &controls::HxTextBox::LostFocus, [&] { ++lost; });
    ASSERT_TRUE(testsupport::activate(&form));
    a->setFocus();
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(lost, 1);
    QTest::keyClick(b, Qt::Key_Return); // this one keeps the focus
    EXPECT_TRUE(b->hasFocus());
    QTest::keyClick(b, Qt::Key_Up);
    EXPECT_TRUE(a->hasFocus());
}

} // namespace
