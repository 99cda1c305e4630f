#include "Visor.h"

#include "Report.h"
#include "controls/DialogoArchivo.h"

#include <QBuffer>
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

namespace report {

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
    zoom_ = new QSpinBox(this);
    zoom_->setObjectName(QStringLiteral("zoom"));
    zoom_->setRange(10, 400);
    zoom_->setSuffix(QStringLiteral(" %"));
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
    connect(print_, &QToolButton::clicked, this, &Visor::PrintReport);
    connect(export_, &QToolButton::clicked, this, [this] {
        const QString file = controls::dialogos::guardarArchivo(
            this, QStringLiteral("Guardar como PDF"),
            report_ ? report_->Title() + QStringLiteral(".pdf") : QString(),
            QStringLiteral("PDF (*.pdf)"));
        if (!file.isEmpty())
            ExportTo(file);
    });
    connect(tree, &QToolButton::clicked, this,
            [this] { setDisplayGroupTree(!DisplayGroupTree()); });
    connect(first, &QToolButton::clicked, this, [this] { showPage(1); });
    connect(prev, &QToolButton::clicked, this, [this] { showPage(currentPage() - 1); });
    connect(next, &QToolButton::clicked, this, [this] { showPage(currentPage() + 1); });
    connect(last, &QToolButton::clicked, this, [this] { showPage(pageCount()); });
    connect(zoom_, &QSpinBox::valueChanged, this,
            [this](int v) { view_->setZoomFactor(v / 100.0); });
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
    view_->setZoomFactor(zoom_->value() / 100.0);
    showPage(1);
}

void Visor::Zoom(int percent) {
    // Not a percentage (0, say): the page as it is printed.
    zoom_->setValue(percent >= 10 && percent <= 400 ? percent : 100);
    view_->setZoomFactor(zoom_->value() / 100.0);
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
    if (dialog.exec() == QDialog::Accepted)
        report_->Render(printer);
}

} // namespace report
