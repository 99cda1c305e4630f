#include "frmView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPageSize>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <report/Report.h>
#include <report/Visor.h>

namespace ORBTAgentes {

namespace {

QPointer<frmView> compartida;

// Where the window's last size and position are kept, for the user.
const QString kGeometria = QStringLiteral("frmView/geometria");
QSettings ajustes() {
    return QSettings(QStringLiteral("Orbenta"), QStringLiteral("ORBTAgentes"));
}

// The suite's logo, drawn rather than shipped as a file.
QPixmap logo(QSize size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const int d = size.height() - 6;
    p.setPen(QPen(QColor(0, 90, 160), 3));
    p.drawEllipse(QRect(3, 3, d, d));
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(size.height() * 2 / 5);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0, 90, 160));
    p.drawText(QRect(d + 8, 0, size.width() - d - 8, size.height()), Qt::AlignVCenter,
               QStringLiteral("Orbenta"));
    return pm;
}

// The window's controls in twips (name, kind, left, top, width, height).
const FormBase::Control kLayout[] = {
    {"crvRep", FormBase::kind<report::Visor>, 135, 0, 9900, 3360},
    {"pctLogo", FormBase::kind<QLabel>, 8160, 0, 1455, 540},
};

} // namespace

frmView& frmView::instancia() {
    if (!compartida)
        compartida = new frmView();
    return *compartida;
}

frmView* frmView::actual() {
    return compartida.data();
}

frmView::frmView() {
    setObjectName(QStringLiteral("frmView"));
    setWindowTitle(QStringLiteral("Bralvent - Visor de Reportes"));
    resize(qRound(10245 / 15.0), qRound(3735 / 15.0));
    crearControles(kLayout);
    crvRep = control<report::Visor>("crvRep");
    pctLogo = control<QLabel>("pctLogo");
    pctLogo->setPixmap(logo(pctLogo->size()));
    connect(crvRep, &report::Visor::CloseButtonClicked, this, [this](bool&) { close(); });
}

void frmView::Form_Load() {
    crvRep->setEnablePrintButton(true);
    crvRep->setEnableExportButton(true);
    crvRep->setDisplayGroupTree(MostrarGrupos);
    crvRep->setReportSource(Report);
    crvRep->ViewReport();
    crvRep->Zoom(Zoom);
    // The first time, wide enough for a page at the opening zoom (a report is read by
    // its lines), as the screen allows; later, as the user left it (showEvent).
    if (!ajustes().contains(kGeometria)) {
        const QScreen* s = screen();
        const double puntos = QPageSize(QPageSize::A4).size(QPageSize::Point).width();
        const double zoom = Zoom >= 10 && Zoom <= 400 ? Zoom / 100.0 : 1.0;
        // The group list, when shown, sits beside the page: it adds its own width.
        const QWidget* grupos = crvRep->findChild<QWidget*>(QStringLiteral("grupos"));
        const int lista = MostrarGrupos && grupos ? grupos->sizeHint().width() : 0;
        QSize tam(qCeil(puntos * zoom * s->logicalDotsPerInchX() / 72.0) + 48 + lista,
                  qMax(height(), s->availableGeometry().height() * 3 / 4));
        resize(tam.boundedTo(s->availableGeometry().size()));
    }
}

void frmView::showEvent(QShowEvent* e) {
    FormBase::showEvent(e);
    if (!restaurada_) {
        restaurada_ = true;
        const QByteArray g = ajustes().value(kGeometria).toByteArray();
        if (!g.isEmpty())
            restoreGeometry(g);
    }
}

void frmView::changeEvent(QEvent* e) {
    FormBase::changeEvent(e);
    // The caller showed the hourglass while it prepared the report.
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
}

void frmView::resizeEvent(QResizeEvent* e) {
    FormBase::resizeEvent(e);
    crvRep->setGeometry(0, 0, width(), height());
    pctLogo->move(crvRep->width() - qRound(1860 / 15.0), 0);
    pctLogo->raise();
}

void frmView::closeEvent(QCloseEvent* e) {
    FormBase::closeEvent(e);
    if (e->isAccepted()) {
        ajustes().setValue(kGeometria, saveGeometry());
        if (compartida == this)
            compartida.clear();
        deleteLater();
    }
}

void clsView::Cargar(bool bolModal, qint16 intZoom) {
    frmView& f = frmView::instancia();
    f.Report = Report;
    f.MostrarGrupos = MostrarGrupos;
    f.Zoom = intZoom;
    f.Mostrar(bolModal ? 1 : 0, nullptr);
}

} // namespace ORBTAgentes
