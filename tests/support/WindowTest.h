#pragma once

#include "TestComponent.h"
#include "TestErrors.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

// The names every test of the component's windows uses.
using namespace ORBTAgentes;
using namespace Qt::StringLiterals;

namespace testsupport {

/// Shows `window` and makes it the active one, as a user's click would.
inline bool activate(QWidget* window) {
    window->show();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

/// The lines of `report` exported as PDF.
inline QStringList printed(report::Report& report) {
    QTemporaryDir dir;
    report.ExportPdf(dir.filePath(u"hoja.pdf"_s));
    return pdfLines(dir.filePath(u"hoja.pdf"_s));
}

/// Runs `act` on the modal window of class `D` that comes up next.
template <class D, class Act> void onModal(Act act) {
    QTimer::singleShot(0, [act] {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        ASSERT_TRUE(d);
        act(d);
    });
}

/// Writes `text` to the file `path`.
inline void writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

/// What the pick list that `open` shows holds, every line as "cell|cell|...", before
/// `filter` is typed into it and Enter pressed (Esc when nothing is left to pick, so that a
/// list that cannot pick ends the test instead of hanging it).
template <class Open> QStringList pickFrom(Open open, const QString& filter) {
    QStringList lines;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        auto* table = dialog->findChild<QTableView*>(u"lstSeleccion"_s);
        for (int r = 0; r < table->model()->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->model()->columnCount(); ++c)
                cells << table->model()->index(r, c).data().toString();
            lines << cells.join(u'|');
        }
        auto* f = dialog->findChild<QLineEdit*>(u"txtFiltro"_s);
        QTest::keyClicks(f, filter);
        QTest::keyClick(f, Qt::Key_Return);
        if (dialog->isVisible())
            QTest::keyClick(f, Qt::Key_Escape);
    });
    timer.start(0);
    open();
    return lines;
}

/// A test of one of the component's windows on one engine: the company shared, the database
/// seeded by the test's `seed()`, then the window opened modeless through its window class `Cls`,
/// active and ready for keys. Controls go by their names, as a host finds them. The
/// default locale is restored afterwards.
template <class Cls> class WindowTest : public ComponentTest {
protected:
    using Window = std::remove_pointer_t<decltype(std::declval<Cls&>().window())>;

    void SetUp() override {
        ComponentTest::SetUp();
        if (IsSkipped())
            return;
        shareCompany();
        seed();
        open();
    }
    void TearDown() override {
        cls.reset();
        QLocale::setDefault(saved_);
        ComponentTest::TearDown();
    }
    /// What the window opens on; by default nothing more than the company.
    virtual void seed() {}
    /// Opens a fresh window (closing the one open before).
    void open() {
        cls.reset();
        cls = std::make_unique<Cls>();
        cls->Show(0);
        w = cls->window();
        ASSERT_TRUE(w);
        ASSERT_TRUE(activate(w));
    }
    /// The window's control of that name.
    template <class W = QWidget> W* ctl(const QString& name) const {
        W* c = w->template findChild<W*>(name);
        EXPECT_TRUE(c) << "no control " << name.toStdString();
        return c;
    }
    controls::HxTextBox* box(const QString& name) const { return ctl<controls::HxTextBox>(name); }
    QPushButton* button(const QString& name) const { return ctl<QPushButton>(name); }
    /// Types into a control as a user does, after giving it the focus.
    void type(QWidget* field, const QString& text) {
        field->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    /// Types into a control, then Enter there.
    void enter(QWidget* field, const QString& text) {
        type(field, text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    QStringList rows(const QString& sql) const { return rowsOf(*cn, sql); }
    /// The user has been told, in the last of `i + 1` message boxes, `text`, under `title`
    /// and with `icon`, each when given.
    void told(qsizetype i, const char* text, const char* title = nullptr, int icon = -1) {
        ASSERT_EQ(presenter->requests.size(), i + 1);
        const ui::MessageRequest& r = presenter->requests[i];
        EXPECT_EQ((QStringList{text ? r.text : QString(), title ? r.title : QString(),
                               icon < 0 ? QString() : QString::number(int(r.icon))}),
                  (QStringList{QString::fromUtf8(text), QString::fromUtf8(title),
                               icon < 0 ? QString() : QString::number(icon)}));
    }
    /// A key pressed where the focus is.
    void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QWidget* f = QApplication::focusWidget();
        QTest::keyClick(f ? f : w, Qt::Key(k), m);
    }
    std::unique_ptr<Cls> cls;
    Window* w = nullptr;

private:
    QLocale saved_;
};

} // namespace testsupport
