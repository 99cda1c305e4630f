#include "Visor.h"

#include "Report.h"
#include "automation/AutomationError.h"
#include "controls/DialogoArchivo.h"
#include "ui/MessageBox.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

namespace report {

namespace {

// The zoom box's two fits, kept above the percentages it takes.
constexpr int kAnchoPagina = 401;
constexpr int kPaginaEntera = 402;
constexpr int kPasos[] = {50, 75, 100, 125, 150, 200, kAnchoPagina, kPaginaEntera};

// The zoom: a percentage typed as it is, or stepped (arrows, wheel, Page Up and Down)
// through the usual zooms and the two fits.
class PasosZoom : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    void stepBy(int steps) override {
        int v = value();
        for (; steps > 0; --steps)
            for (int p : kPasos)
                if (p > v) {
                    v = p;
                    break;
                }
        for (; steps < 0; ++steps)
            for (auto it = std::rbegin(kPasos); it != std::rend(kPasos); ++it)
                if (*it < v) {
                    v = *it;
                    break;
                }
        setValue(v);
        selectAll();
    }

protected:
    StepEnabled stepEnabled() const override {
        StepEnabled e = StepNone;
        if (value() < kPasos[std::size(kPasos) - 1])
            e |= StepUpEnabled;
        if (value() > kPasos[0])
            e |= StepDownEnabled;
        return e;
    }
    QString textFromValue(int v) const override {
        if (v == kAnchoPagina)
            return QStringLiteral("Ancho de página");
        if (v == kPaginaEntera)
            return QStringLiteral("Página entera");
        return QString::number(v) + QStringLiteral(" %");
    }
    int valueFromText(const QString& text) const override {
        const QString t = text.trimmed();
        if (t.compare(textFromValue(kAnchoPagina), Qt::CaseInsensitive) == 0)
            return kAnchoPagina;
        if (t.compare(textFromValue(kPaginaEntera), Qt::CaseInsensitive) == 0)
            return kPaginaEntera;
        return QString(t).remove(u'%').trimmed().toInt();
    }
    QValidator::State validate(QString& text, int&) const override {
        const QString t = text.trimmed();
        for (int v : {kAnchoPagina, kPaginaEntera})
            if (textFromValue(v).startsWith(t, Qt::CaseInsensitive))
                return t.size() == textFromValue(v).size() ? QValidator::Acceptable
                                                           : QValidator::Intermediate;
        bool ok = false;
        const int n = QString(t).remove(u'%').trimmed().toInt(&ok);
        if (!ok)
            return QValidator::Invalid;
        return n >= 10 && n <= 400 ? QValidator::Acceptable : QValidator::Intermediate;
    }
};

// The name a report's PDF is proposed under: its title, without what a file's name
// cannot hold on any system the suite runs on (a "/" would name a folder).
QString nombrePdf(const Report& r) {
    QString nombre = printable(r.Title()).trimmed();
    for (QChar& c : nombre)
        if (QStringLiteral("/\\:*?\"<>|").contains(c))
            c = u'-';
    return (nombre.isEmpty() ? QStringLiteral("Informe") : nombre) + QStringLiteral(".pdf");
}

} // namespace

Visor::Visor(QWidget* parent)
    : QWidget(parent), document_(new QPdfDocument(this)), pdf_(new QBuffer(this)) {
    // The print dialog's "print to file" browser is a file dialog too.
    controls::dialogos::protegerDialogos();
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(2, 2, 2, 2);
    const auto button = [&](const QString& text, const QString& tip, const char* name) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setToolTip(tip);
        b->setObjectName(QLatin1String(name));
        bar->addWidget(b);
        return b;
    };
    QToolButton* close = button(QStringLiteral("✕"), QStringLiteral("Cerrar"), "cerrar");
    print_ = button(QStringLiteral("Imprimir…"), QStringLiteral("Imprimir el informe"), "imprimir");
    export_ = button(QStringLiteral("PDF…"), QStringLiteral("Guardar como PDF"), "exportar");
    QToolButton* tree =
        button(QStringLiteral("Grupos"), QStringLiteral("Mostrar u ocultar los grupos"), "grupos");
    QToolButton* first = button(QStringLiteral("|◀"), QStringLiteral("Primera página"), "primera");
    QToolButton* prev = button(QStringLiteral("◀"), QStringLiteral("Página anterior"), "anterior");
    pages_ = new QLabel(this);
    pages_->setObjectName(QStringLiteral("paginas"));
    bar->addWidget(pages_);
    QToolButton* next =
        button(QStringLiteral("▶"), QStringLiteral("Página siguiente"), "siguiente");
    QToolButton* last = button(QStringLiteral("▶|"), QStringLiteral("Última página"), "ultima");
    zoom_ = new PasosZoom(this);
    zoom_->setObjectName(QStringLiteral("zoom"));
    zoom_->setRange(10, kPaginaEntera);
    zoom_->setValue(100);
    bar->addWidget(zoom_);
    bar->addStretch();
    print_->setVisible(false);
    export_->setVisible(false);

    groups_ = new QListWidget(this);
    groups_->setObjectName(QStringLiteral("grupos"));
    view_ = new QPdfView(this);
    view_->setObjectName(QStringLiteral("paginas"));
    view_->setDocument(document_);
    view_->setPageMode(QPdfView::PageMode::MultiPage);
    view_->setZoomMode(QPdfView::ZoomMode::Custom);
    auto* split = new QSplitter(this);
    split->addWidget(groups_);
    split->addWidget(view_);
    split->setStretchFactor(1, 1);
    groups_->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(split, 1);

    connect(close, &QToolButton::clicked, this, [this] {
        bool useDefault = true;
        emit CloseButtonClicked(useDefault);
    });
    // What the user asked for from the bar and could not be done is told in a message
    // box; nothing of it leaves the click (the viewer, and the program, go on).
    const auto avisando = [this](const std::function<void()>& accion) {
        try {
            accion();
        } catch (const automation::AutomationError& e) {
            ui::ShowFailure(e.description(), e.number(), e.source(), window()->windowTitle());
        }
    };
    connect(print_, &QToolButton::clicked, this,
            [this, avisando] { avisando([this] { PrintReport(); }); });
    connect(export_, &QToolButton::clicked, this, [this, avisando] {
        avisando([this] {
            const QString file = controls::dialogos::guardarArchivo(
                this, QStringLiteral("Guardar como PDF"), report_ ? nombrePdf(*report_) : QString(),
                QStringLiteral("PDF (*.pdf)"));
            if (!file.isEmpty())
                ExportTo(file);
        });
    });
    connect(tree, &QToolButton::clicked, this,
            [this] { setDisplayGroupTree(!DisplayGroupTree()); });
    connect(first, &QToolButton::clicked, this, [this] { showPage(1); });
    connect(prev, &QToolButton::clicked, this, [this] { showPage(currentPage() - 1); });
    connect(next, &QToolButton::clicked, this, [this] { showPage(currentPage() + 1); });
    connect(last, &QToolButton::clicked, this, [this] { showPage(pageCount()); });
    connect(zoom_, &QSpinBox::valueChanged, this, &Visor::aplicarZoom);
    connect(groups_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* i) { showPage(i->data(Qt::UserRole).toInt()); });
    connect(groups_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* i) { showPage(i->data(Qt::UserRole).toInt()); });
    connect(view_->pageNavigator(), &QPdfPageNavigator::currentPageChanged, this, [this] {
        pages_->setText(QString::number(currentPage()) + QStringLiteral(" / ") +
                        QString::number(pageCount()));
    });
}

Visor::~Visor() {
    view_->setDocument(nullptr);
    document_->close();
}

void Visor::ViewReport() {
    if (!report_)
        return;
    document_->close();
    pdf_->close();
    pdf_->setData(QByteArray());
    pdf_->open(QIODevice::WriteOnly);
    report_->WritePdf(*pdf_);
    pdf_->close();
    pdf_->open(QIODevice::ReadOnly);
    document_->load(pdf_);
    groups_->clear();
    for (const Report::Group& g : report_->Groups()) {
        auto* item = new QListWidgetItem(g.title, groups_);
        item->setData(Qt::UserRole, g.page);
    }
    aplicarZoom();
    showPage(1);
}

void Visor::Zoom(int percent) {
    // Not a percentage (0, say): the page as it is printed.
    zoom_->setValue(percent >= 10 && percent <= 400 ? percent : 100);
    aplicarZoom();
}

void Visor::aplicarZoom() {
    const int v = zoom_->value();
    if (v == kAnchoPagina) {
        view_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    } else if (v == kPaginaEntera) {
        view_->setZoomMode(QPdfView::ZoomMode::FitInView);
    } else {
        view_->setZoomMode(QPdfView::ZoomMode::Custom);
        view_->setZoomFactor(v / 100.0);
    }
}

int Visor::zoomPercent() const {
    return qRound(view_->zoomFactor() * 100);
}

void Visor::setDisplayGroupTree(bool on) {
    groups_->setVisible(on);
}

bool Visor::DisplayGroupTree() const {
    return !groups_->isHidden();
}

void Visor::setEnablePrintButton(bool on) {
    print_->setVisible(on);
}

void Visor::setEnableExportButton(bool on) {
    export_->setVisible(on);
}

int Visor::pageCount() const {
    return document_->pageCount();
}

int Visor::currentPage() const {
    return view_->pageNavigator()->currentPage() + 1;
}

void Visor::showPage(int page) {
    if (pageCount() == 0)
        return;
    const int p = qBound(1, page, pageCount());
    view_->pageNavigator()->jump(p - 1, QPointF(), view_->zoomFactor());
    pages_->setText(QString::number(p) + QStringLiteral(" / ") + QString::number(pageCount()));
}

void Visor::ExportTo(const QString& file) {
    if (report_)
        report_->ExportPdf(file);
}

void Visor::PrintReport() {
    if (!report_)
        return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    report_->Render(printer);
    // A printer (or a print to a file) that failed says so only through its state; a print
    // to a file must leave a file behind (a device such as /dev/full takes nothing whole).
    const QString archivo = printer.outputFileName();
    const QFileInfo escrito(archivo);
    if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted ||
        (!archivo.isEmpty() && (!escrito.isFile() || escrito.size() == 0)))
        throw automation::AutomationError(
            482, QStringLiteral("Report"), // 482: "Printer error"
            QStringLiteral("No se ha podido imprimir el informe") +
                (printer.outputFileName().isEmpty()
                     ? QStringLiteral(".")
                     : QStringLiteral(" en ") + printer.outputFileName() + u'.'));
}

} // namespace report
