#include "frmAgentes_Comision_Familias.h"

#include "commissions/ArbolComisiones.h"
#include "commissions/InformeComisiones.h"
#include "commissions/clsComision_Familias.h"
#include "frame/SharedContext.h"
#include "frame/Values.h"
#include "report_view/frmView.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QScopeGuard>
#include <ado/Connection.h>
#include <ado/Recordset.h>
#include <controls/Anclaje.h>
#include <controls/HxAgente.h>
#include <controls/HxArticulo.h>
#include <controls/HxPushButton.h>
#include <empresa/Empresa.h>
#include <grid/OutlineGrid.h>
#include <ui/MessageBox.h>
#include <utilidades/Utilidades.h>

namespace ORBTAgentes {

namespace {

const QString kBloqueado = QStringLiteral("BLOQUEADO");
const QChar kTab = u'\t';

// The hourglass while the tree is built and the rules are loaded, back to normal in
// any case.
struct Reloj {
    Reloj() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Reloj() { QApplication::restoreOverrideCursor(); }
    Reloj(const Reloj&) = delete;
    Reloj& operator=(const Reloj&) = delete;
};

// A grid cell read as a number, an empty cell as 0.
qint32 celda(const QString& text) {
    return toLong(Val(text));
}

QString pct(double v) {
    return SharedContext::utilidades().FormatoNumero(v, 2);
}

using C = FormBase::Control;
QWidget* boton(QWidget* p) {
    return new controls::HxPushButton({}, p);
}
QWidget* rejilla(QWidget* p) {
    return new grid::OutlineGrid(11, p);
}
QWidget* marco(QWidget* p) {
    return new QFrame(p);
}
QWidget* estado(QWidget* p) {
    auto* l = new QLabel(p);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}
constexpr auto rotulo = FormBase::kind<QLabel>;

// The window's controls in twips (name, kind, left, top, width, height, caption, maximum
// length, Tab index, container). Inside the frame, positions are the frame's own, one
// pixel in (15 twips) from the design's; the effective rate's line is below the designed
// area.
// clang-format off
const C kLayout[] = {
    {"Frame1", marco, -15, 0, 9345, 6285},
    {"Label3", rotulo, 180, 180, 555, 195, "Agente:", 0, -1, "Frame1", "txtAgente"},
    {"txtAgente", FormBase::kind<controls::HxAgente>, 810, 120, 8295, 300, nullptr, 0, 1, "Frame1"},
    {"Label4", rotulo, 135, 660, 780, 195, "Elementos:", 0, -1, "Frame1", "vsCom"},
    {"Label5", rotulo, 6990, 660, 840, 195, "Comisiones:", 0, -1, "Frame1"},
    {"vsCom", rejilla, 120, 885, 9165, 4755, nullptr, 0, 7, "Frame1"},
    {"fraDecoracion", FormBase::line, 90, 5715, 9195, 60, nullptr, 0, -1, "Frame1"},
    {"cmdEliminar", boton, 1425, 5865, 1695, 375, "&Eliminar Comision", 0, 3, "Frame1"},
    {"cmdVerArticulos", boton, 3225, 5865, 1695, 375, "&Ver Artículos", 0, 4, "Frame1"},
    {"txtArticulo_Buscar", FormBase::kind<controls::HxArticulo>, 5775, 5880, 930, 300, nullptr, 0, -1, "Frame1"},
    {"cmdImprimir", boton, 7035, 5865, 1065, 375, "&Imprimir", 0, 2, "Frame1"},
    {"cmdSalir", boton, 8190, 5865, 1065, 375, "&Salir", 0, 5, "Frame1"},
    {"lblComisionEfectiva", estado, 105, 6315, 9165, 255},
};
// clang-format on

} // namespace

frmAgentes_Comision_Familias::frmAgentes_Comision_Familias(QWidget* parent) : FormBase(parent) {
    setObjectName(QStringLiteral("frmAgentes_Comision_Familias"));
    setWindowTitle(QStringLiteral("Comisiones Agente - Familia - Artículo"));
    // The designed inner area, and one line below it for the effective rate.
    resize(qRound(9315 / 15.0), qRound((6300 + 285) / 15.0));
    crearControles(kLayout);
    txtAgente = control<controls::HxAgente>("txtAgente");
    vsCom = control<grid::OutlineGrid>("vsCom");
    cmdEliminar = control<controls::HxPushButton>("cmdEliminar");
    cmdVerArticulos = control<controls::HxPushButton>("cmdVerArticulos");
    txtArticulo_Buscar = control<controls::HxArticulo>("txtArticulo_Buscar");
    lblComisionEfectiva = control<QLabel>("lblComisionEfectiva");
    txtArticulo_Buscar->setVisible(false);
    cmdEliminar->setEnabled(false);
    cmdVerArticulos->setEnabled(false);

    (new controls::Anclaje(this, 9435, 6705, false, 800, 600))->capture();

    connect(txtAgente, &controls::HxAgente::KeyPress, this,
            [this](int& k) { guarded([&] { agenteKeyPress(k); }); });
    connect(vsCom, &grid::OutlineGrid::RowColChange, this, [this] {
        guarded([this] {
            // Moving to the commission column is itself a change of the current cell,
            // which evaluates the row: one evaluation per move.
            if (vsCom->Col() != colComision) {
                vsCom->setCol(colComision);
                if (vsCom->Col() == colComision)
                    return;
            }
            evaluarFila();
        });
    });
    connect(vsCom, &grid::OutlineGrid::Click, this, [this] { guarded([this] { evaluarFila(); }); });
    connect(vsCom, &grid::OutlineGrid::DblClick, this, [this] {
        guarded([this] {
            const int r = vsCom->Row();
            if (r >= 0)
                vsCom->setCollapsed(r, !vsCom->IsCollapsed(r));
        });
    });
    connect(vsCom, &grid::OutlineGrid::KeyPressEdit, this, [this](int, int, int& k) {
        if (vsCom->EditText() == kBloqueado)
            k = 0;
    });
    connect(vsCom, &grid::OutlineGrid::ValidateEdit, this, [this](int row, int, bool& cancel) {
        bool ok = false;
        guarded([&] {
            validarEdicion(row, cancel);
            ok = true;
        });
        if (!ok) {
            // Storing failed and was told: the edit is dropped, the cell keeps its text.
            cancel = true;
            vsCom->CancelEdit();
        }
    });
    connect(vsCom, &grid::OutlineGrid::AfterEdit, this,
            [this](int row, int) { guarded([&] { edicionTerminada(row); }); });
    connect(cmdVerArticulos, &QPushButton::clicked, this,
            [this] { guarded([this] { verArticulos(); }); });
    connect(cmdEliminar, &QPushButton::clicked, this, [this] { guarded([this] { eliminar(); }); });
    connect(control<QPushButton>("cmdSalir"), &QPushButton::clicked, this,
            [this] { guarded([this] { salir(); }); });
    connect(control<QPushButton>("cmdImprimir"), &QPushButton::clicked, this,
            [this] { guarded([this] { imprimir(); }); });
}

frmAgentes_Comision_Familias::~frmAgentes_Comision_Familias() = default;

void frmAgentes_Comision_Familias::Form_Load() {
    txtAgente->setConexion(SharedContext::conexion());
    txtAgente->setTodos(true);
    regla_ = std::make_unique<clsComision_Familias>();
    regla_->ConexionOrbenta(SharedContext::conexion());
    regla_->EmpresaOrbenta(SharedContext::empresa());
    rs_Comisiones = std::make_unique<ado::Recordset>();
    txtArticulo_Buscar->setConexion(SharedContext::conexion());
    txtArticulo_Buscar->setEmpresa(SharedContext::empresa());
    configurarGrid();
    enableKeyPreview();
}

void frmAgentes_Comision_Familias::configurarGrid() {
    vsCom->setEditable(true);
    // The two colours: the cells and the area beyond them, white; no alternating rows.
    QPalette p = vsCom->palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Window, Qt::white);
    vsCom->setPalette(p);
    vsCom->setAlternatingRowColors(false);
    for (int c : {0, 1, 2, 4, 5, 6, 7, 8, 9})
        vsCom->setColWidth(c, 0);
    vsCom->setColWidth(colTexto, 6500);
    vsCom->setColWidth(colComision, 900);
    vsCom->setExtendLastCol(true); // room for "BLOQUEADO" in any font
}

// ---- the tree ------------------------------------------------------------------------

void frmAgentes_Comision_Familias::agenteKeyPress(int& keyAscii) {
    if (keyAscii != 13)
        return;
    Reloj reloj;
    if (!txtAgente->EsValido())
        return;
    regla_->Agente = txtAgente->Codigo();
    conAgente_ = true;
    vsCom->setEditable(true);
    reconstruir(true);
}

void frmAgentes_Comision_Familias::reconstruir(bool conReglas) {
    // Whatever the rebuild leaves, no row of the new tree has been chosen yet (the
    // loading may also have used the rule object to delete orphans).
    struct SinFila {
        frmAgentes_Comision_Familias* w;
        ~SinFila() { w->sinFila(); }
    } sinFila{this};
    ArbolComisiones arbol(*vsCom->grid());
    if (conReglas)
        arbol.Construir(regla_.get(), rs_Comisiones.get());
    else
        arbol.Construir();
}

void frmAgentes_Comision_Familias::ElegirAgente(qint16 codigo) {
    txtAgente->setTextValue(QString::number(codigo));
    int enter = 13;
    guarded([&] { agenteKeyPress(enter); });
}

bool frmAgentes_Comision_Familias::keyPreview(QKeyEvent* e) {
    if (e->key() != Qt::Key_Escape)
        return false;
    if (txtAgente->Text().trimmed().isEmpty()) {
        close(); // without the closing routine: no Unload
        return true;
    }
    txtAgente->setTextValue(QString());
    conAgente_ = false;
    vsCom->setEditable(false);
    {
        Reloj reloj;
        reconstruir(false);
    }
    txtAgente->setFocus();
    return true;
}

void frmAgentes_Comision_Familias::closeEvent(QCloseEvent* e) {
    FormBase::closeEvent(e);
}

// ---- the current row -----------------------------------------------------------------

frmAgentes_Comision_Familias::Clave frmAgentes_Comision_Familias::claveDeFila(int row) const {
    Clave k;
    k.agente = regla_->Agente;
    k.nivel = celda(vsCom->TextMatrix(row, 7));
    k.f1 = qint16(celda(vsCom->TextMatrix(row, 4)));
    k.f2 = qint16(celda(vsCom->TextMatrix(row, 5)));
    k.f3 = qint16(celda(vsCom->TextMatrix(row, 6)));
    if (k.nivel == regla_->NumNiveles + 1)
        k.articulo = celda(vsCom->TextMatrix(row, 8));
    return k;
}

frmAgentes_Comision_Familias::Clave frmAgentes_Comision_Familias::claveDeRegla() const {
    const bool articulo = regla_->Nivel == regla_->NumNiveles + 1;
    return {regla_->Agente,    regla_->Nivel,     regla_->Familia_1,
            regla_->Familia_2, regla_->Familia_3, articulo ? regla_->Articulo : 0};
}

void frmAgentes_Comision_Familias::evaluarFila() {
    if (!regla_)
        return;
    const int r = vsCom->Row();
    if (r < 0 || !conAgente_) {
        sinFila();
        return;
    }
    // Until the row's rule is known the buttons stay off: a failed look-up must not
    // leave them as the previous row had them.
    evaluada_.reset();
    bolExiste_ = false;
    cmdEliminar->setEnabled(false);
    const qint32 nivel = celda(vsCom->TextMatrix(r, 7));
    cmdVerArticulos->setEnabled(nivel == regla_->NumNiveles);
    regla_->Familia_1 = qint16(celda(vsCom->TextMatrix(r, 4)));
    regla_->Familia_2 = qint16(celda(vsCom->TextMatrix(r, 5)));
    regla_->Familia_3 = qint16(celda(vsCom->TextMatrix(r, 6)));
    regla_->Nivel = quint8(nivel);
    if (nivel == regla_->NumNiveles + 1)
        regla_->Articulo = celda(vsCom->TextMatrix(r, 8));
    bolExiste_ = regla_->Dev_Comision() > -1;
    cmdEliminar->setEnabled(bolExiste_);
    evaluada_ = claveDeFila(r);
    mostrarComisionEfectiva(r);
}

// No row chosen (a new tree), or a tree without an agent's rules: nothing for the buttons
// to act on, no key, no rate. The rule object keeps its agent.
void frmAgentes_Comision_Familias::sinFila() {
    if (!regla_)
        return;
    regla_->Nivel = 0;
    regla_->Familia_1 = regla_->Familia_2 = regla_->Familia_3 = 0;
    regla_->Articulo = 0;
    bolExiste_ = false;
    evaluada_.reset();
    resuelta_.reset();
    cmdEliminar->setEnabled(false);
    cmdVerArticulos->setEnabled(false);
    lblComisionEfectiva->clear();
}

void frmAgentes_Comision_Familias::mostrarComisionEfectiva(int row) {
    // The rate of a key changes only when a rule is stored or deleted, and those reset
    // resuelta_: the notifications of one move (cell change, click) resolve it once.
    const Clave clave = claveDeRegla();
    if (resuelta_ == clave)
        return;
    resuelta_.reset();
    const clsComision_Familias::Explicacion ex = regla_->Explicar_Comision_Activa();
    QString regla = QStringLiteral("ninguna regla");
    for (const auto& paso : ex.pasos)
        if (paso.estado == clsComision_Familias::Paso::Respondido)
            regla = QStringLiteral("reglas ") + paso.reglas;
    const QString valor = ex.resultado == 200 ? QStringLiteral("bloqueado")
                                              : pct(ex.resultado) + QStringLiteral(" %");
    const QString texto =
        QStringLiteral("Comisión efectiva: ") + valor + QStringLiteral(" (") + regla + u')';
    lblComisionEfectiva->setText(texto);
    vsCom->grid()->setRowToolTip(row, texto);
    resuelta_ = clave;
}

// ---- editing -------------------------------------------------------------------------

void frmAgentes_Comision_Familias::validarEdicion(int row, bool& cancel) {
    // The rule object must hold the key of the edited row. The grid keeps the current
    // row while editing, so this holds unless the row's evaluation failed (then it is
    // evaluated again now); an edit of a row that is no longer the current one (or no
    // longer exists) is dropped rather than stored under another row's key.
    if (!evaluada_ || row < 0 || *evaluada_ != claveDeFila(row)) {
        if (row < 0 || row != vsCom->Row()) {
            cancel = true;
            vsCom->CancelEdit();
            return;
        }
        evaluarFila();
    }
    const QString t = textoComision(vsCom->EditText());
    vsCom->setEditText(t);
    if (t.isEmpty()) {
        // Accepted without storing: the stored percentage stays, and so does its text
        // in the cell (an empty cell would say there is no rule).
        vsCom->setEditText(vsCom->TextMatrix(row, colComision));
        return;
    }
    double p = 0;
    if (const QString refusal = validarComision(t, p); !refusal.isEmpty()) {
        ui::MsgBox(refusal, ui::vbCritical, QStringLiteral("¡Atención!"));
        cancel = true;
        return;
    }
    regla_->Comision = p;
    if (bolExiste_) {
        regla_->Modificar();
    } else {
        regla_->Insertar();
        bolExiste_ = true;
        cmdEliminar->setEnabled(true);
    }
    resuelta_.reset();
    mostrarComisionEfectiva(row);
}

void frmAgentes_Comision_Familias::edicionTerminada(int row) {
    const QString t = vsCom->TextMatrix(row, colComision);
    double p = 0;
    if (leerPorcentaje(textoComision(t), p))
        vsCom->setTextMatrix(row, colComision, pct(p));
}

void frmAgentes_Comision_Familias::verArticulos() {
    // The buttons act on the current row as it is shown: not while its edit is refused
    // and open (the press that reached the button has just told the user why).
    const int r = vsCom->Row();
    if (vsCom->editor() || r < 0 || !evaluada_ || *evaluada_ != claveDeFila(r))
        return;
    const std::shared_ptr<ORBTEmp::Empresa> empresa = SharedContext::empresa();
    qint16 f[3] = {regla_->Familia_1, regla_->Familia_2, regla_->Familia_3};
    for (qint16 i = 0; i < 3; ++i)
        if (empresa->NombreNivel(i).isEmpty())
            f[i] = 0;
    ado::Recordset rs;
    regla_->Cargar_Articulos(rs, f[0], f[1], f[2]);
    if (rs.Eof()) {
        ui::MsgBox(QStringLiteral("No existen artículos en la categoría actual"), ui::vbInformation,
                   QStringLiteral(" ¡Atención!"));
        return;
    }
    // The family's own articles head the list; the search still offers the whole catalogue.
    QSet<qint32> familia;
    for (; !rs.Eof(); rs.MoveNext())
        familia.insert(rs.Fields(0).toInt());
    txtArticulo_Buscar->setPrimeros(std::move(familia));
    if (!txtArticulo_Buscar->Buscar())
        return;
    try {
        const QString codigo = txtArticulo_Buscar->Codigo();
        const QString nivelArticulo = QString::number(regla_->NumNiveles + 1);
        bool repetido = false;
        for (int i = 0; i < vsCom->Rows() && !repetido; ++i)
            repetido = QString::number(celda(vsCom->TextMatrix(i, 7))) == nivelArticulo &&
                       vsCom->TextMatrix(i, 8) == codigo;
        if (!repetido) {
            regla_->Articulo = toLong(QVariant(codigo));
            const QStringList celdas{QString(),
                                     QString(),
                                     QString(),
                                     QStringLiteral("   ") + codigo + QStringLiteral(" - ") +
                                         txtArticulo_Buscar->Descripcion(),
                                     QString::number(regla_->Familia_1),
                                     QString::number(regla_->Familia_2),
                                     QString::number(regla_->Familia_3),
                                     nivelArticulo,
                                     codigo,
                                     QString(),
                                     QString()};
            vsCom->AddItem(celdas.join(kTab), r + 1);
            return;
        }
    } catch (const AutomationError&) {
        // Reported as the repeated article, as every failure from the scan on is.
    }
    rs.Close();
    ui::MsgBox(QStringLiteral("Artículo ya selecionado"), ui::vbInformation,
               QStringLiteral(" ¡Atención! "));
}

void frmAgentes_Comision_Familias::eliminar() {
    const int r = vsCom->Row();
    if (vsCom->editor() || r < 0 || !evaluada_ || *evaluada_ != claveDeFila(r))
        return;
    regla_->Eliminar();
    resuelta_.reset();
    if (regla_->Nivel == regla_->NumNiveles + 1)
        vsCom->RemoveItem(r);
    else
        vsCom->setTextMatrix(r, colComision, QString());
    evaluarFila();
}

void frmAgentes_Comision_Familias::imprimir() {
    if (!txtAgente->EsValido() || vsCom->Rows() == 0)
        return;
    Reloj reloj; // back to normal also after a failure
    // While another user's print holds the work table, the line under the grid says so
    // (the wait blocks this thread, so the line is painted at once); it shows the rate
    // again afterwards, also after a failure.
    const auto linea = qScopeGuard(
        [this, texto = lblComisionEfectiva->text()] { lblComisionEfectiva->setText(texto); });
    const auto aviso = [this](const QString& texto) {
        lblComisionEfectiva->setText(texto);
        lblComisionEfectiva->repaint();
    };
    clsView visor;
    visor.Report = InformeComisiones::Preparar(*vsCom->grid(), txtAgente->Codigo(),
                                               txtAgente->Nombre(), aviso);
    visor.Cargar(true, 120);
}

void frmAgentes_Comision_Familias::salir() {
    regla_.reset();
    rs_Comisiones.reset();
    avisarAlCerrar_ = true;
    close();
}

const ClassInfo& frmclsComision_Familias::interfaceInfo() {
    static const ClassInfo info = windowClass<frmclsComision_Familias>(
        "frmclsComision_Familias", "{2A4E4A69-07AB-4D34-9851-037FF88C65E0}",
        "_frmclsComision_Familias", "{DB187383-45D9-4877-8BF5-CE5D1D02D1F1}");
    return info;
}

} // namespace ORBTAgentes
