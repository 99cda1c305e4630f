#include "frmResumenAgentes.h"

#include "commissions/InformeLiquidacion.h"

#include "agent_window/frmAgentes.h"
#include "agents/ResumenAgentes.h"
#include "frame/Errors.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCollator>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QValueAxis>
#include <algorithm>
#include <controls/Anclaje.h>
#include <controls/HxMaskEdBox.h>
#include <controls/HxPushButton.h>
#include <tuple>
#include <ui/MessageBox.h>
#include <utilidades/Regional.h>

namespace ORBTAgentes {

namespace {

const QString kFormato = QStringLiteral("dd/MM/yyyy");

using C = FormBase::Control;
QWidget* boton(QWidget* p) {
    return new controls::HxPushButton({}, p);
}
constexpr auto fecha = FormBase::kind<controls::HxMaskEdBox>;
constexpr auto rotulo = FormBase::kind<QLabel>;
constexpr auto grafico = FormBase::kind<QChartView>;
constexpr auto tabla = FormBase::kind<QTableView>;

// clang-format off
const C kLayout[] = {
    {"lblDesde", rotulo, 120, 150, 900, 195, "&Desde:", 0, -1, nullptr, "txtDesde"},
    {"txtDesde", fecha, 1080, 90, 1320, 300, nullptr, 0, 1},
    {"lblHasta", rotulo, 2640, 150, 900, 195, "&Hasta:", 0, -1, nullptr, "txtHasta"},
    {"txtHasta", fecha, 3540, 90, 1320, 300, nullptr, 0, 2},
    {"cmdActualizar", boton, 5100, 60, 1305, 365, "Ac&tualizar", 0, 3},
    {"cmdLiquidacion", boton, 6525, 60, 1500, 365, "&Liquidación...", 0, 5},
    {"chtVentas", grafico, 120, 540, 5820, 4200, nullptr, 0, -1},
    {"chtMeses", grafico, 6060, 540, 5820, 4200, nullptr, 0, -1},
    {"vsResumen", tabla, 120, 4860, 11760, 3960, nullptr, 0, 4},
};
// clang-format on

// Chart texts are drawn as rich text: what comes from the data is escaped, so a name
// shows exactly as it was typed.
QString plano(const QString& text) {
    return text.toHtmlEscaped();
}

// The bar chart shows the agents with the most sales, this many at most (the table has
// them all), by code alone when they are more than kConNombre: names would not fit.
constexpr size_t kBarras = 12;
constexpr size_t kConNombre = 6;

QString rotuloAgente(qint16 codigo, const QString& nombre) {
    return nombre.isEmpty() ? QString::number(codigo) : QString::number(codigo) + u' ' + nombre;
}

// The table's order: names in Spanish order (Álvaro among the A's, Ñ after N) whatever
// the process's locale, as every list of the component; figures by their value.
class OrdenEspanol : public QSortFilterProxyModel {
public:
    explicit OrdenEspanol(QObject* parent) : QSortFilterProxyModel(parent) {
        collator_.setCaseSensitivity(Qt::CaseInsensitive);
    }

protected:
    bool lessThan(const QModelIndex& a, const QModelIndex& b) const override {
        const QVariant x = a.data(sortRole()), y = b.data(sortRole());
        if (x.typeId() == QMetaType::QString && y.typeId() == QMetaType::QString)
            return collator_.compare(x.toString(), y.toString()) < 0;
        return QSortFilterProxyModel::lessThan(a, b);
    }

private:
    QCollator collator_{QLocale(QLocale::Spanish, QLocale::Spain)};
};

// Puts a chart in its view. The view hands the chart it showed back (the one it made
// itself at first included) and no one else holds it: it is deleted here.
void poner(QChartView* view, QChart* chart) {
    QChart* viejo = view->chart();
    view->setChart(chart);
    delete viejo;
}

// A chart made afresh for new figures (the view takes it over and drops the old one).
QChart* nuevoGrafico(const QString& titulo) {
    auto* chart = new QChart();
    chart->setTitle(plano(titulo));
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

// The axes of a chart: its categories along the bottom, and a value axis from zero (or
// the lowest value, when below it) to the highest value of every series.
void ejes(QChart* chart, const QList<QAbstractSeries*>& series, const QStringList& categorias,
          double minimo, double maximo) {
    auto* x = new QBarCategoryAxis();
    x->append(categorias);
    if (categorias.size() > 12) // upright, so that each keeps its room
        x->setLabelsAngle(-90);
    // A dozen agents' codes of two digits side by side are cut to "..." in the window's
    // first size: crowded labels take a smaller letter.
    qsizetype ancho = 0;
    for (const QString& c : categorias)
        ancho = std::max(ancho, c.size());
    if (categorias.size() * (ancho + 1) > 24) {
        QFont letra = x->labelsFont();
        letra.setPointSizeF(letra.pointSizeF() * 0.75);
        x->setLabelsFont(letra);
    }
    auto* y = new QValueAxis();
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->setRange(std::min(0.0, minimo), std::max(maximo, minimo + 1.0));
    y->applyNiceNumbers();
    if (categorias.isEmpty()) { // no scale of nothing: the title says why the chart is empty
        chart->setTitle(chart->title() + QStringLiteral(" (sin datos en el periodo)"));
        x->setVisible(false);
        y->setVisible(false);
    }
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : series) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
}

} // namespace

frmResumenAgentes::frmResumenAgentes(QWidget* parent)
    : FormBase(parent), modelo_(new ResumenAgentes(this)), orden_(new OrdenEspanol(this)) {
    setObjectName(QStringLiteral("frmResumenAgentes"));
    setWindowTitle(QStringLiteral("Resumen de Agentes"));
    resize(qRound(12000 / 15.0), qRound(8940 / 15.0));
    crearControles(kLayout);
    txtDesde = control<controls::HxMaskEdBox>("txtDesde");
    txtHasta = control<controls::HxMaskEdBox>("txtHasta");
    cmdActualizar = control<controls::HxPushButton>("cmdActualizar");
    auto* cmdLiquidacion = control<controls::HxPushButton>("cmdLiquidacion");
    cmdLiquidacion->setToolTip(
        QStringLiteral("La hoja de liquidación de los agentes del periodo, una página por agente"));
    chtVentas = control<QChartView>("chtVentas");
    chtMeses = control<QChartView>("chtMeses");
    vsResumen = control<QTableView>("vsResumen");

    const QDate hoy = QDate::currentDate();
    for (controls::HxMaskEdBox* f : {txtDesde, txtHasta})
        f->setMask(QStringLiteral("##/##/####"));
    txtDesde->setTextValue(QDate(hoy.year(), hoy.month(), 1).toString(kFormato));
    txtHasta->setTextValue(QDate(hoy.year(), hoy.month(), hoy.daysInMonth()).toString(kFormato));

    orden_->setSourceModel(modelo_);
    orden_->setSortRole(ResumenAgentes::kOrden);
    vsResumen->setModel(orden_);
    vsResumen->setSortingEnabled(true);
    vsResumen->sortByColumn(-1, Qt::AscendingOrder); // the model's order until a click
    vsResumen->setSelectionBehavior(QAbstractItemView::SelectRows);
    vsResumen->setSelectionMode(QAbstractItemView::SingleSelection);
    vsResumen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    vsResumen->verticalHeader()->hide();
    vsResumen->setWordWrap(false);
    vsResumen->verticalHeader()->setDefaultSectionSize(vsResumen->fontMetrics().height() + 6);
    vsResumen->horizontalHeader()->setStretchLastSection(true);
    for (QChartView* v : {chtVentas, chtMeses}) {
        v->setRenderHint(QPainter::Antialiasing);
        poner(v, nuevoGrafico(QString()));
    }

    (new controls::Anclaje(this, 12000, 8940, false, 800, 600))->capture();

    connect(cmdActualizar, &QPushButton::clicked, this,
            [this] { guarded([this] { actualizar(); }); });
    connect(cmdLiquidacion, &QPushButton::clicked, this,
            [this] { guarded([this] { liquidar(); }); });
    connect(vsResumen->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { guarded([this] { dibujarMeses(); }); });
    connect(vsResumen, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& i) { guarded([&] { abrirAgente(i); }); });
}

frmResumenAgentes::~frmResumenAgentes() = default;

void frmResumenAgentes::Form_Load() {
    guarded([this] { actualizar(); });
}

bool frmResumenAgentes::keyPreview(QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && (txtDesde->hasFocus() || txtHasta->hasFocus())) {
        guarded([this] { actualizar(); });
        return true;
    }
    return false;
}

void frmResumenAgentes::Rango(QDate desde, QDate hasta) {
    txtDesde->setTextValue(desde.toString(kFormato));
    txtHasta->setTextValue(hasta.toString(kFormato));
    guarded([this] { actualizar(); });
}

bool frmResumenAgentes::periodo(QDate& desde, QDate& hasta) {
    desde = QDate::fromString(txtDesde->Text(), kFormato);
    hasta = QDate::fromString(txtHasta->Text(), kFormato);
    const QString titulo = windowTitle();
    for (const auto& [d, campo, nombre] :
         {std::tuple{desde, txtDesde, "Desde"}, std::tuple{hasta, txtHasta, "Hasta"}}) {
        if (!d.isValid() || d.year() < 100) {
            ui::MsgBox(QStringLiteral("La fecha ") + QLatin1String(nombre) +
                           QStringLiteral(" no es válida: escríbala como dd/mm/aaaa."),
                       ui::vbExclamation, titulo);
            campo->setFocus();
            return false;
        }
    }
    if (desde > hasta) {
        ui::MsgBox(QStringLiteral("La fecha Desde es posterior a la fecha Hasta."),
                   ui::vbExclamation, titulo);
        txtDesde->setFocus();
        return false;
    }
    return true;
}

void frmResumenAgentes::liquidar() {
    // Every agent to settle in the period, as the sheet prints without a named agent: the
    // button never acts on a table row that only happens to be current.
    QDate desde, hasta;
    if (periodo(desde, hasta))
        InformeLiquidacion::Ver(0, desde, hasta);
}

void frmResumenAgentes::actualizar() {
    QDate desde, hasta;
    if (!periodo(desde, hasta))
        return;
    desde_ = desde;
    hasta_ = hasta;
    modelo_->Cargar(desde, hasta);
    vsResumen->resizeColumnsToContents();
    // A long name keeps the figures in sight: it is cut in the table, whole in its tooltip.
    vsResumen->setColumnWidth(ResumenAgentes::Nombre,
                              std::min(vsResumen->columnWidth(ResumenAgentes::Nombre), 260));
    dibujarVentas();
    if (orden_->rowCount() > 0)
        vsResumen->setCurrentIndex(orden_->index(0, 0)); // draws its months
    else
        dibujarMeses();
}

void frmResumenAgentes::dibujarVentas() {
    std::vector<ResumenAgentes::Total> totales = modelo_->totales();
    std::stable_sort(totales.begin(), totales.end(),
                     [](const auto& a, const auto& b) { return b.ventas < a.ventas; });
    QChart* chart =
        nuevoGrafico(totales.size() > kBarras
                         ? QStringLiteral("Ventas y margen: los ") + QString::number(kBarras) +
                               QStringLiteral(" agentes con más ventas")
                         : QStringLiteral("Ventas y margen por agente"));
    totales.resize(std::min(totales.size(), kBarras));
    auto* ventas = new QBarSet(QStringLiteral("Ventas"));
    auto* margen = new QBarSet(QStringLiteral("Margen"));
    QStringList agentes;
    double minimo = 0, maximo = 0;
    for (const ResumenAgentes::Total& t : totales) {
        *ventas << t.ventas.toDouble();
        *margen << t.margen().toDouble();
        minimo = std::min({minimo, t.ventas.toDouble(), t.margen().toDouble()});
        maximo = std::max({maximo, t.ventas.toDouble(), t.margen().toDouble()});
        agentes << plano(totales.size() > kConNombre ? QString::number(t.agente)
                                                     : rotuloAgente(t.agente, t.nombre));
    }
    auto* series = new QBarSeries();
    series->append(ventas);
    series->append(margen);
    chart->addSeries(series);
    ejes(chart, {series}, agentes, minimo, maximo);
    poner(chtVentas, chart);
}

void frmResumenAgentes::dibujarMeses() {
    const QModelIndex actual = vsResumen->currentIndex();
    QChart* chart;
    if (!actual.isValid()) {
        chart = nuevoGrafico(QStringLiteral("Ventas y comisiones por mes"));
    } else {
        const qint16 agente = agenteDe(actual);
        const std::vector<ResumenAgentes::Fila> meses = modelo_->meses(agente);
        chart = nuevoGrafico(QStringLiteral("Ventas y comisiones por mes: ") +
                             rotuloAgente(agente, meses.empty() ? QString() : meses[0].nombre));
        QStringList categorias;
        QLineSeries* lineas[] = {new QLineSeries(), new QLineSeries(), new QLineSeries()};
        lineas[0]->setName(QStringLiteral("Ventas"));
        lineas[1]->setName(QStringLiteral("Comisión venta"));
        lineas[2]->setName(QStringLiteral("Comisión cobro"));
        // Every month from the agent's first to his last, those without figures at zero,
        // so that the line never joins two months over one left out; each point drawn, so
        // that a single month shows.
        double minimo = 0, maximo = 0;
        // The whole period when it is ten years at most; a longer one, the agent's span.
        int primero = desde_.year() * 12 + desde_.month() - 1;
        int ultimo = hasta_.year() * 12 + hasta_.month() - 1;
        if (ultimo - primero >= 120 || meses.empty()) {
            primero = meses.empty() ? 0 : meses.front().anio * 12 + meses.front().mes - 1;
            ultimo = meses.empty() ? -1 : meses.back().anio * 12 + meses.back().mes - 1;
        }
        const bool unAnio = primero / 12 == ultimo / 12;
        size_t siguiente = 0;
        for (int m = primero; m <= ultimo; ++m) {
            double v[] = {0, 0, 0};
            const bool hay = siguiente < meses.size() &&
                             meses[siguiente].anio * 12 + meses[siguiente].mes - 1 == m;
            if (hay) {
                const ResumenAgentes::Fila& f = meses[siguiente++];
                v[0] = f.ventas.toDouble();
                v[1] = f.comisionVenta.toDouble();
                v[2] = f.comisionCobro.toDouble();
            }
            // "ene" within one year, "01/26" across years.
            categorias << (unAnio ? utilidades::regional().standaloneMonthName(m % 12 + 1,
                                                                               QLocale::ShortFormat)
                                  : QString::number(m % 12 + 1).rightJustified(2, u'0') + u'/' +
                                        QString::number((m / 12) % 100).rightJustified(2, u'0'));
            for (int k = 0; k < 3; ++k) {
                lineas[k]->append(double(m - primero), v[k]);
                minimo = std::min(minimo, v[k]);
                maximo = std::max(maximo, v[k]);
            }
        }
        for (QLineSeries* l : lineas)
            l->setPointsVisible(true);
        for (QLineSeries* l : lineas)
            chart->addSeries(l);
        ejes(chart, {lineas[0], lineas[1], lineas[2]}, categorias, minimo, maximo);
    }
    poner(chtMeses, chart);
}

qint16 frmResumenAgentes::agenteDe(const QModelIndex& index) const {
    const QModelIndex fila = orden_->mapToSource(index);
    return modelo_->filas()[size_t(fila.row())].agente;
}

void frmResumenAgentes::abrirAgente(const QModelIndex& index) {
    if (!index.isValid())
        return;
    const qint16 agente = agenteDe(index);
    // As a host opens it: the component's agent window class, on the shared context.
    if (!agentes_)
        agentes_ = std::make_unique<frmclsAgente>();
    agentes_->Show(0, this);
    if (frmAgentes* w = agentes_->window())
        w->CargarCodigo(agente);
}

const ClassInfo& frmclsResumenAgentes::interfaceInfo() {
    static const ClassInfo info = windowClass<frmclsResumenAgentes>(
        "frmclsResumenAgentes", "{6E1B2C47-9A3D-4F58-B0C2-7D84E19A5F36}", "_frmclsResumenAgentes",
        "{C3A9F1D2-5B47-4E8A-9D16-2F7B08E4A5C1}");
    return info;
}

} // namespace ORBTAgentes
