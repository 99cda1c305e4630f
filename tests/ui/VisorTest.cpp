// The report viewer window: its zoom steps, what it remembers, the PDF's proposed name.
#include "WindowTest.h"

#include <QPdfDocument>
#include <QPdfView>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>

namespace {

class Visor : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings s(u"Orbenta"_s, u"ORBTAgentes"_s);
        ASSERT_TRUE(s.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")))
            << "the tests never write the user's settings";
        s.clear();
    }
    void TearDown() override {
        if (frmView* v = frmView::actual())
            v->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A report of one page titled `titulo`, in the viewer window at `zoom`.
    report::Visor* abrir(const QString& titulo = u"Prueba"_s, qint16 zoom = 100) {
        const QString rpt = dir.filePath(u"Prueba.rpt"_s);
        testsupport::writeFile(
            rpt, "orbenta-report 1\ndetail: {field:1}\ntitle: " + titulo.toUtf8() + '\n');
        clsView vista;
        vista.Report = report::Report::open(rpt);
        vista.Report->setRows({{u"línea"_s}});
        vista.Cargar(false, zoom);
        frmView* v = frmView::actual();
        EXPECT_TRUE(v && QTest::qWaitForWindowExposed(v));
        return v ? v->findChild<report::Visor*>(u"crvRep"_s) : nullptr;
    }
    QTemporaryDir dir;
};

// From wherever the zoom is (120 % as the commission sheet opens); a typed one stays as typed.
TEST_F(Visor, TheZoomStepsThroughUsualZoomsAndFits) {
    report::Visor* visor = abrir(u"Prueba"_s, 120);
    ASSERT_TRUE(visor);
    auto* zoom = visor->findChild<QSpinBox*>(u"zoom"_s);
    QPdfView* vista = visor->view();
    using M = QPdfView::ZoomMode;
    const struct {
        int tecla;
        QString texto;
        M modo;
        double factor;
    } pasos[] = {
        {Qt::Key_Up, u"125 %"_s, M::Custom, 1.25},
        {Qt::Key_Up, u"150 %"_s, M::Custom, 1.5},
        {Qt::Key_Up, u"200 %"_s, M::Custom, 2.0},
        {Qt::Key_Up, u"Ancho de página"_s, M::FitToWidth, 0},
        {Qt::Key_Up, u"Página entera"_s, M::FitInView, 0},
        {Qt::Key_Up, u"Página entera"_s, M::FitInView, 0},
        {Qt::Key_Down, u"Ancho de página"_s, M::FitToWidth, 0},
        {Qt::Key_Down, u"200 %"_s, M::Custom, 2.0},
        {Qt::Key_PageDown, u"50 %"_s, M::Custom, 0.5},
        {Qt::Key_Down, u"50 %"_s, M::Custom, 0.5},
        {Qt::Key_Up, u"75 %"_s, M::Custom, 0.75},
        {Qt::Key_Up, u"100 %"_s, M::Custom, 1.0},
        {Qt::Key_PageUp, u"Página entera"_s, M::FitInView, 0},
    };
    for (const auto& p : pasos) {
        SCOPED_TRACE(p.texto.toStdString());
        QTest::keyClick(zoom, Qt::Key(p.tecla));
        EXPECT_EQ(zoom->text(), p.texto);
        EXPECT_EQ(vista->zoomMode(), p.modo);
        EXPECT_DOUBLE_EQ(p.modo == M::Custom ? vista->zoomFactor() : 0, p.factor);
    }
    zoom->selectAll();
    QTest::keyClicks(zoom, u"80"_s);
    QTest::keyClick(zoom, Qt::Key_Return);
    EXPECT_EQ(zoom->text(), u"80 %"_s);
    EXPECT_DOUBLE_EQ(vista->zoomFactor(), 0.8);
    QTest::keyClick(zoom, Qt::Key_Down);
    EXPECT_EQ(zoom->text(), u"75 %"_s);
}

// The first time the window shows a page's whole width (or takes the screen's); closed
// with its close command, it opens again where and as large as it was left.
TEST_F(Visor, TheWindowRemembersItsSizeAndPlace) {
    report::Visor* visor = abrir();
    ASSERT_TRUE(visor);
    QPointer<frmView> v = frmView::actual();
    const double pagina = visor->view()->document()->pagePointSize(0).width() *
                          v->screen()->logicalDotsPerInchX() / 72.0;
    EXPECT_TRUE(visor->view()->viewport()->width() >= pagina ||
                v->frameGeometry().width() >= v->screen()->availableGeometry().width())
        << visor->view()->viewport()->width() << " pixels for a page of " << pagina;

    const QRect dejada(37, 29, 640, 420);
    v->setGeometry(dejada);
    QTest::mouseClick(visor->findChild<QToolButton*>(u"cerrar"_s), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(v.isNull());
    abrir();
    ASSERT_TRUE(frmView::actual());
    EXPECT_EQ(frmView::actual()->geometry(), dejada);
}

// In the current folder, whatever the title holds.
TEST_F(Visor, ThePdfIsProposedUnderTheReportsTitle) {
    const struct {
        QString titulo, nombre;
    } casos[] = {
        {u"Liquidación de Agentes"_s, u"Liquidación de Agentes.pdf"_s},
        {u"Ventas 1/2: norte"_s, u"Ventas 1-2- norte.pdf"_s},
        {u"<b>x</b>"_s, u"-b-x--b-.pdf"_s},
        {{}, u"Informe.pdf"_s},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.titulo.toStdString());
        report::Visor* visor = abrir(c.titulo);
        ASSERT_TRUE(visor);
        QString propuesto;
        testsupport::onModal<QFileDialog>([&](QFileDialog* d) {
            propuesto = d->selectedFiles().value(0);
            d->reject();
        });
        QTest::mouseClick(visor->findChild<QToolButton*>(u"exportar"_s), Qt::LeftButton);
        EXPECT_EQ(propuesto, QDir::current().absoluteFilePath(c.nombre));
        frmView::actual()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(Visor, APdfThatCannotBeWrittenIsToldAndTheViewerStays) {
    auto presenter = std::make_shared<ui::RecordingPresenter>();
    ui::setPresenter(presenter);
    report::Visor* visor = abrir();
    ASSERT_TRUE(visor);
    for (int vez = 0; vez < 2; ++vez) {
        testsupport::onModal<QFileDialog>([](QFileDialog* d) {
            d->selectFile(u"/nonexistent/carpeta/x.pdf"_s);
            static_cast<QDialog*>(d)->done(QDialog::Accepted);
        });
        QTest::mouseClick(visor->findChild<QToolButton*>(u"exportar"_s), Qt::LeftButton);
        ASSERT_EQ(presenter->requests.size(), vez + 1);
        EXPECT_TRUE(presenter->requests[vez].text.contains(u"/nonexistent/carpeta/x.pdf"_s))
            << presenter->requests[vez].text.toStdString();
        EXPECT_TRUE(frmView::actual() && frmView::actual()->isVisible());
    }
    ui::setPresenter(nullptr);
}

} // namespace
