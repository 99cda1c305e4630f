#include "frmAgentes.h"

#include "agent_window/frmAgentes_Buscar.h"
#include "agent_window/frmCredenciales.h"
#include "agents/clsAgente.h"
#include "frame/Bancos.h"
#include "frame/SharedContext.h"
#include "frame/SqlValues.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <ado/Connection.h>
#include <controls/Anclaje.h>
#include <controls/HxAlmacen.h>
#include <controls/HxCheckBox.h>
#include <controls/HxMaskEdBox.h>
#include <controls/HxPushButton.h>
#include <controls/HxTextBox.h>
#include <ui/MessageBox.h>
#include <utilidades/CodigosPostales.h>
#include <utilidades/CuentaBancaria.h>
#include <utilidades/Utilidades.h>

namespace ORBTAgentes {

namespace {

const QColor kGrey(224, 224, 224);
constexpr int kObservMax = 4000;

// The date in the block date box: its three numbers in the order of day, month and year
// of the suite's short date, the one the date formatter wrote it in. Not a valid date:
// 1 January 1900.
QDateTime fechaDeCaja(const QString& text) {
    static const QRegularExpression number(QStringLiteral("[0-9]+"));
    QList<int> parts;
    for (auto it = number.globalMatch(text); it.hasNext();)
        parts << it.next().captured().toInt();
    const QString order = utilidades::shortDateFormat();
    const qsizetype d = order.indexOf(u'd'), m = order.indexOf(u'M'), y = order.indexOf(u'y');
    if (parts.size() == 3 && d >= 0 && m >= 0 && y >= 0) {
        QList<qsizetype> pos = {d, m, y};
        std::sort(pos.begin(), pos.end());
        const QDate date(parts[pos.indexOf(y)], parts[pos.indexOf(m)], parts[pos.indexOf(d)]);
        if (date.isValid() && date.year() >= 100 && parts[pos.indexOf(y)] >= 100)
            return naive(date, QTime(0, 0));
    }
    return naive(QDate(1900, 1, 1), QTime(0, 0));
}

using C = FormBase::Control;
QWidget* casilla(QWidget* p) {
    return new controls::HxCheckBox({}, p);
}
QWidget* boton(QWidget* p) {
    return new controls::HxPushButton({}, p);
}
constexpr auto texto = FormBase::kind<controls::HxTextBox>;
constexpr auto rotulo = FormBase::kind<QLabel>;
constexpr int kDerecha = Qt::AlignRight | Qt::AlignVCenter;

// The window's controls in twips: name, kind, left, top, width, height, caption, maximum
// length, Tab index, container, the control a label names, a label's alignment. The
// bank account's boxes sit in their frame; the labels of the left column at 150, the
// others just left of their box.
// clang-format off
const C kLayout[] = {
    {"txtCodigo", texto, 1050, 165, 720, 300, nullptr, 4, 0},
    {"txtNombre", texto, 1050, 570, 4005, 300, nullptr, 100, 1},
    {"txtDireccion", texto, 1050, 975, 5790, 300, nullptr, 70, 2},
    {"txtTelefono", texto, 7800, 975, 1680, 300, nullptr, 15, 3},
    {"txtCp", texto, 1050, 1380, 600, 300, nullptr, 5, 4},
    {"txtLocalidad", texto, 3120, 1380, 3720, 300, nullptr, 50, 5},
    {"txtMovil", texto, 7800, 1335, 1680, 300, nullptr, 15, 6},
    {"txtProvincia", texto, 1050, 1785, 3645, 300, nullptr, 30, 7},
    {"txtFax", texto, 7815, 1710, 1680, 300, nullptr, 15, 8},
    {"txtEMail", texto, 1050, 2190, 3645, 300, nullptr, 100, 9},
    {"cboBloqueado", FormBase::kind<QComboBox>, 6405, 2183, 705, 315, nullptr, 0, 10},
    {"txtBloq_Fecha", FormBase::kind<controls::HxMaskEdBox>, 8160, 2190, 1320, 300, nullptr, 0, 11},
    {"txtAlmacen", FormBase::kind<controls::HxAlmacen>, 1050, 2610, 4110, 315, nullptr, 0, 12},
    {"txtBloq_Motivo", texto, 6405, 2610, 3060, 300, nullptr, 50, 13},
    {"txtComVenta", texto, 1050, 3060, 600, 300, nullptr, 6, 14},
    {"txtComCobro", texto, 3480, 3060, 600, 300, nullptr, 6, 15},
    {"txtRetencion", texto, 6405, 3060, 600, 300, nullptr, 6, 16},
    {"chkNoImpLiquidacion", casilla, 7425, 3113, 2175, 195, "No Imprimir Liquidaciones", 0, 17},
    {"fraRecibo", FormBase::kind<QGroupBox>, 120, 3600, 4035, 1230, "Cuenta Bancaria"},
    {"txtCta_Bancaria(0)", texto, 795, 300, 495, 300, nullptr, 4, 18, "fraRecibo"},
    {"txtCta_Bancaria(1)", texto, 795, 772, 495, 300, nullptr, 4, 20, "fraRecibo"},
    {"txtCta_Bancaria(2)", texto, 1830, 772, 315, 300, nullptr, 2, 21, "fraRecibo"},
    {"txtCta_Bancaria(3)", texto, 2835, 772, 1050, 300, nullptr, 10, 22, "fraRecibo"},
    {"txtCta_Bancaria(4)", texto, 1335, 300, 2550, 300, nullptr, 40, 19, "fraRecibo"},
    {"txtObserv", FormBase::kind<QPlainTextEdit>, 4320, 3600, 5235, 2235, nullptr, 0, 23},
    {"Frame1(0)", FormBase::line, -150, 5955, 9735, 60},
    {"cmdPrimero", boton, 135, 6120, 450, 365, "<<", 0, 28},
    {"cmdAnterior", boton, 645, 6120, 450, 365, "<", 0, 29},
    {"cmdSiguiente", boton, 1140, 6120, 450, 365, ">", 0, 30},
    {"cmdUltimo", boton, 1650, 6120, 450, 365, ">>", 0, 31},
    {"cmdSetPassword", boton, 2265, 6120, 1110, 375, "Contraseña...", 0, 32},
    {"cmdBuscar", boton, 3465, 6120, 1065, 365, "&Buscar...", 0, 33},
    {"cmdAceptar", boton, 4725, 6120, 1245, 365, "F9 - &Aceptar", 0, 24},
    {"cmdCancelar", boton, 6045, 6120, 1245, 365, "F12 - &Cancelar", 0, 25},
    {"cmdEliminar", boton, 7335, 6120, 1065, 365, "&Eliminar", 0, 26},
    {"cmdCerrar", boton, 8490, 6120, 1065, 365, "&Salir", 0, 27},
    {nullptr, rotulo, 150, 225, 870, 195, "Código:", 0, -1, nullptr, "txtCodigo"},
    {nullptr, rotulo, 150, 630, 870, 195, "Nombre:", 0, -1, nullptr, "txtNombre"},
    {nullptr, rotulo, 150, 1035, 870, 195, "Dirección:", 0, -1, nullptr, "txtDireccion"},
    {nullptr, rotulo, 150, 1440, 870, 195, "CP:", 0, -1, nullptr, "txtCp"},
    {nullptr, rotulo, 150, 1845, 870, 195, "Provincia:", 0, -1, nullptr, "txtProvincia"},
    {nullptr, rotulo, 150, 2250, 870, 195, "E-Mail:", 0, -1, nullptr, "txtEMail"},
    {nullptr, rotulo, 150, 2670, 870, 195, "Almacén:", 0, -1, nullptr, "txtAlmacen"},
    {nullptr, rotulo, 150, 3120, 870, 195, "Com. s/V:", 0, -1, nullptr, "txtComVenta"},
    {nullptr, rotulo, 6900, 1035, 840, 195, "Telefono:", 0, -1, nullptr, "txtTelefono", kDerecha},
    {nullptr, rotulo, 2160, 1440, 900, 195, "Localidad:", 0, -1, nullptr, "txtLocalidad", kDerecha},
    {nullptr, rotulo, 6900, 1395, 840, 195, "Móvil:", 0, -1, nullptr, "txtMovil", kDerecha},
    {nullptr, rotulo, 6915, 1770, 840, 195, "Fax:", 0, -1, nullptr, "txtFax", kDerecha},
    {nullptr, rotulo, 5445, 2243, 900, 195, "Bloqueado:", 0, -1, nullptr, "cboBloqueado", kDerecha},
    {"lblBloq_Fecha", rotulo, 7200, 2250, 900, 195, "Fecha:", 0, -1, nullptr, "txtBloq_Fecha", kDerecha},
    {"lblBloq_Motivo", rotulo, 5445, 2670, 900, 195, "Motivo:", 0, -1, nullptr, "txtBloq_Motivo", kDerecha},
    {nullptr, rotulo, 2520, 3120, 900, 195, "Com. s/C:", 0, -1, nullptr, "txtComCobro", kDerecha},
    {nullptr, rotulo, 5145, 3120, 1200, 195, "Retención IRPF:", 0, -1, nullptr, "txtRetencion", kDerecha},
    {nullptr, rotulo, 1680, 3120, 150, 195, "%"},
    {nullptr, rotulo, 4110, 3120, 150, 195, "%"},
    {nullptr, rotulo, 7035, 3120, 150, 195, "%"},
    {nullptr, rotulo, 105, 360, 660, 195, "Banco:", 0, -1, "fraRecibo", "txtCta_Bancaria(0)"},
    {nullptr, rotulo, 105, 825, 675, 195, "Sucursal:", 0, -1, "fraRecibo", "txtCta_Bancaria(1)"},
    {nullptr, rotulo, 1425, 825, 390, 195, "D.C.:", 0, -1, "fraRecibo", "txtCta_Bancaria(2)"},
    {nullptr, rotulo, 2265, 825, 555, 195, "Cuenta:", 0, -1, "fraRecibo", "txtCta_Bancaria(3)"},
};
// clang-format on

} // namespace

frmAgentes::frmAgentes(QWidget* parent) : FormBase(parent) {
    setObjectName(QStringLiteral("frmAgentes"));
    setWindowTitle(QStringLiteral("Agentes"));
    resize(qRound(9675 / 15.0), qRound(6585 / 15.0));
    crearControles(kLayout);
    const auto box = [this](const char* name) { return control<controls::HxTextBox>(name); };
    const auto button = [this](const char* name) { return control<controls::HxPushButton>(name); };
    txtCodigo = box("txtCodigo");
    txtNombre = box("txtNombre");
    txtDireccion = box("txtDireccion");
    txtTelefono = box("txtTelefono");
    txtCp = box("txtCp");
    txtLocalidad = box("txtLocalidad");
    txtMovil = box("txtMovil");
    txtProvincia = box("txtProvincia");
    txtFax = box("txtFax");
    txtEMail = box("txtEMail");
    txtBloq_Motivo = box("txtBloq_Motivo");
    txtComVenta = box("txtComVenta");
    txtComCobro = box("txtComCobro");
    txtRetencion = box("txtRetencion");
    for (size_t i = 0; i < txtCta_Bancaria.size(); ++i)
        txtCta_Bancaria[i] = box(
            QByteArray("txtCta_Bancaria(" + QByteArray::number(qsizetype(i)) + ')').constData());
    cboBloqueado = control<QComboBox>("cboBloqueado");
    txtBloq_Fecha = control<controls::HxMaskEdBox>("txtBloq_Fecha");
    txtAlmacen = control<controls::HxAlmacen>("txtAlmacen");
    chkNoImpLiquidacion = control<controls::HxCheckBox>("chkNoImpLiquidacion");
    txtObserv = control<QPlainTextEdit>("txtObserv");
    lblBloq_Fecha = control<QLabel>("lblBloq_Fecha");
    lblBloq_Motivo = control<QLabel>("lblBloq_Motivo");
    cmdAceptar = button("cmdAceptar");
    cmdCancelar = button("cmdCancelar");
    cmdEliminar = button("cmdEliminar");
    cmdSetPassword = button("cmdSetPassword");

    cboBloqueado->addItems({QStringLiteral("No"), QStringLiteral("Si")});
    cboBloqueado->setCurrentIndex(-1);
    txtBloq_Fecha->setMask(QStringLiteral("##/##/####"));
    txtCta_Bancaria[4]->setForeColor(QColor(0, 0, 128));
    txtObserv->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtObserv->setTabChangesFocus(true);

    // Settings as stored with the window.
    txtCodigo->setTypeOfValues(1);
    txtCodigo->setKeyEnterChangeFocus(false);
    txtCodigo->setKeyUpChangeFocus(false);
    txtCp->setTypeOfValues(1);
    for (controls::HxTextBox* b : {txtComVenta, txtComCobro, txtRetencion}) {
        b->setTypeOfValues(1);
        b->setAceptDecimals(true);
        b->setRightAligned(true);
    }
    txtBloq_Fecha->setEnabled(false);
    txtBloq_Fecha->setEnabledMask(false);
    QPalette grey = txtBloq_Fecha->palette();
    grey.setColor(QPalette::Base, kGrey);
    grey.setColor(QPalette::Disabled, QPalette::Base, kGrey);
    txtBloq_Fecha->setPalette(grey);
    txtBloq_Motivo->setEnabled(false);
    txtBloq_Motivo->setBackColor(kGrey);
    setEditing(false);

    (new controls::Anclaje(this, 9795, 6990, false, 800, 600))->capture();

    connect(txtCodigo, &controls::HxTextBox::KeyPress, this,
            [this](int& k) { guarded([&] { cargarPorCodigo(k); }); });
    connect(txtCp, &controls::HxTextBox::KeyPress, this, [this](int& k) {
        if (k == 13)
            guarded([this] { buscarCodigoPostal(); });
    });
    connect(txtCta_Bancaria[0], &controls::HxTextBox::KeyPress, this, [this](int& k) {
        if (k == 13)
            guarded([this] { buscarBanco(); });
    });
    connect(txtEMail, &controls::HxTextBox::LostFocus, this,
            [this] { guarded([this] { comprobarEmail(); }); });
    connect(txtObserv, &QPlainTextEdit::textChanged, this, [this] {
        // At most 4000 characters, as the box allows.
        const QString t = txtObserv->toPlainText();
        if (t.size() > kObservMax) {
            QTextCursor c = txtObserv->textCursor();
            txtObserv->setPlainText(t.left(kObservMax));
            c.setPosition(kObservMax);
            txtObserv->setTextCursor(c);
        }
    });
    connect(cboBloqueado, &QComboBox::currentIndexChanged, this, [this] { reglaBloqueo(); });
    for (size_t i = 0; i < 4; ++i)
        connect(txtCta_Bancaria[i], &QLineEdit::textChanged, this,
                [this] { marcarDigitosControl(); });
    const auto on = [this](QPushButton* b, void (frmAgentes::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    on(cmdAceptar, &frmAgentes::aceptar);
    on(cmdCancelar, &frmAgentes::cancelar);
    on(cmdEliminar, &frmAgentes::eliminar);
    on(cmdSetPassword, &frmAgentes::contrasena);
    on(button("cmdBuscar"), &frmAgentes::buscar);
    const std::pair<const char*, bool (clsAgente::*)(clsAgente*)> pasos[] = {
        {"cmdPrimero", &clsAgente::Cargar_Primero},
        {"cmdAnterior", &clsAgente::Cargar_Anterior},
        {"cmdSiguiente", &clsAgente::Cargar_Siguiente},
        {"cmdUltimo", &clsAgente::Cargar_Ultimo}};
    for (const auto& [name, paso] : pasos)
        connect(button(name), &QPushButton::clicked, this,
                [this, paso] { guarded([this, paso] { navegar(paso); }); });
    connect(button("cmdCerrar"), &QPushButton::clicked, this, [this] { close(); });
}

frmAgentes::~frmAgentes() = default;

void frmAgentes::Form_Load() {
    agente_ = std::make_unique<clsAgente>();
    agente_->EmpresaOrbenta(SharedContext::empresaOrNull());
    agente_->ConexionOrbenta(SharedContext::conexionOrNull());
    codigosPostales_ = std::make_unique<utilidades::CodigosPostales>();
    codigosPostales_->setConexion(SharedContext::conexionOrNull());
    txtAlmacen->setEmpresa(SharedContext::empresaOrNull());
    txtAlmacen->setConexion(SharedContext::conexionOrNull());
    cboBloqueado->setCurrentIndex(1); // the block fields rule runs with it
    cmdEliminar->setEnabled(true);
}

void frmAgentes::closeEvent(QCloseEvent* e) {
    agente_.reset();
    codigosPostales_.reset();
    FormBase::closeEvent(e); // Unload, last
}

bool frmAgentes::keyPreview(QKeyEvent* e) {
    if (e->modifiers() & Qt::AltModifier) {
        switch (e->key()) {
        case Qt::Key_Up:
            navegar(&clsAgente::Cargar_Primero);
            return true;
        case Qt::Key_Left:
            navegar(&clsAgente::Cargar_Anterior);
            return true;
        case Qt::Key_Right:
            navegar(&clsAgente::Cargar_Siguiente);
            return true;
        case Qt::Key_Down:
            navegar(&clsAgente::Cargar_Ultimo);
            return true;
        default:
            break;
        }
    }
    if (teclasDeEdicion(
            e, cmdAceptar, txtCodigo->Value(), [this] { aceptar(); }, [this] { cancelar(); }))
        return true;
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        QApplication::focusWidget() == cboBloqueado) {
        SharedContext::avanceFoco().Avanzar(); // Enter in the list moves on
        return true;
    }
    return false;
}

void frmAgentes::CargarCodigo(qint16 codigo) {
    txtCodigo->setTextValue(QString::number(codigo));
    int enter = 13;
    cargarPorCodigo(enter);
}

// ---- showing ------------------------------------------------------------------------

void frmAgentes::Mostrar() {
    try {
        mostrarCampos();
    } catch (const AutomationError& e) {
        ui::MsgBox(e.description(), ui::vbCritical, QStringLiteral("¡ Atención !"));
    }
}

void frmAgentes::mostrarCampos() {
    const clsAgente& a = *agente_;
    utilidades::Utilidades& u = SharedContext::utilidades();
    txtCodigo->setTextValue(QString::number(a.Codigo));
    txtNombre->setTextValue(a.Nombre);
    txtDireccion->setTextValue(a.Direccion);
    txtCp->setTextValue(a.Cp != 0 ? QString::number(a.Cp) : QString());
    txtLocalidad->setTextValue(a.Localidad);
    txtProvincia->setTextValue(a.Provincia);
    txtTelefono->setTextValue(a.Telefono);
    txtFax->setTextValue(a.Fax);
    txtMovil->setTextValue(a.Movil);
    txtEMail->setTextValue(a.eMail);
    const QString& cta = a.Cta_Bancaria;
    txtCta_Bancaria[0]->setTextValue(cta.left(4));
    txtCta_Bancaria[1]->setTextValue(cta.mid(4, 4));
    txtCta_Bancaria[2]->setTextValue(cta.mid(8, 2));
    txtCta_Bancaria[3]->setTextValue(cta.right(10));
    const qint16 banco = toInteger(Val(cta.left(4)));
    txtCta_Bancaria[4]->setTextValue(banco != 0 ? NombreBanco(banco) : QString());
    if (txtObserv->toPlainText() != a.Observ)
        txtObserv->setPlainText(a.Observ);
    txtAlmacen->setCodigo(a.Almacen);
    txtAlmacen->Mostrar();
    cboBloqueado->setCurrentIndex(a.Bloqueado ? 1 : 0);
    txtBloq_Fecha->setTextValue(u.FormatoFecha(sqlDateText(a.Bloq_Fecha)));
    txtBloq_Motivo->setTextValue(a.Bloq_Motivo);
    txtComVenta->setTextValue(u.FormatoNumero(a.ComisionVenta.toDouble(), 2));
    txtComCobro->setTextValue(u.FormatoNumero(a.ComisionCobro.toDouble(), 2));
    txtRetencion->setTextValue(u.FormatoNumero(a.Retencion_IRPF.toDouble(), 2));
    chkNoImpLiquidacion->setValue(a.NoImpLiquidacion ? 1 : 0);
}

void frmAgentes::Limpiar() {
    for (controls::HxTextBox* b : {txtCodigo, txtNombre, txtDireccion, txtCp, txtLocalidad,
                                   txtProvincia, txtTelefono, txtFax, txtMovil, txtEMail})
        b->clear();
    txtAlmacen->Limpiar();
    for (controls::HxTextBox* b : {txtComVenta, txtComCobro, txtRetencion})
        b->clear();
    chkNoImpLiquidacion->setValue(0);
    for (size_t i = 0; i < 4; ++i)
        txtCta_Bancaria[i]->clear();
    txtObserv->clear();
    // The bank name, the Bloqueado choice, the block date and its reason stay as shown.
    if (agente_)
        agente_->Password.clear();
}

// ---- loading ------------------------------------------------------------------------

void frmAgentes::cargarPorCodigo(int& keyAscii) {
    if (keyAscii != 13)
        return;
    const double value = txtCodigo->Value();
    if (value == 0) {
        keyAscii = 0;
        return;
    }
    agente_->Codigo = toInteger(value);
    if (agente_->Cargar())
        Mostrar();
    agenteMostrado();
}

void frmAgentes::agenteMostrado() {
    setEditing(true);
    txtNombre->setFocus();
}

void frmAgentes::setEditing(bool editing) {
    // The code box is entered while no agent is shown; the agent's buttons act while one is.
    txtCodigo->setEnabled(!editing);
    for (QPushButton* b : {cmdAceptar, cmdEliminar, cmdCancelar, cmdSetPassword})
        b->setEnabled(editing);
}

void frmAgentes::navegar(bool (clsAgente::*operacion)(clsAgente*)) {
    if (!((*agente_).*operacion)(nullptr))
        return; // no such agent: nothing changes
    Mostrar();
    agenteMostrado();
}

void frmAgentes::buscar() {
    qint16 codigo = 0;
    {
        frmAgentes_Buscar dialogo;
        dialogo.Mostrar(1, nullptr);
        codigo = dialogo.CodigoSeleccionado;
    }
    if (codigo <= 0)
        return;
    txtCodigo->setTextValue(QString::number(codigo));
    int enter = 13;
    cargarPorCodigo(enter);
}

void frmAgentes::cancelar() {
    txtCodigo->clear();
    setEditing(false);
    Limpiar();
    txtCodigo->setFocus();
}

// ---- editing and saving ---------------------------------------------------------------

void frmAgentes::aceptar() {
    clsAgente& a = *agente_;
    a.Nombre = txtNombre->Text();
    a.Direccion = txtDireccion->Text();
    a.Cp = toLong(Val(txtCp->Text()));
    a.Localidad = txtLocalidad->Text();
    a.Provincia = txtProvincia->Text();
    a.Telefono = txtTelefono->Text();
    a.Fax = txtFax->Text();
    a.Movil = txtMovil->Text();
    a.eMail = txtEMail->Text();
    a.Cta_Bancaria = txtCta_Bancaria[0]->Text().trimmed() + txtCta_Bancaria[1]->Text().trimmed() +
                     txtCta_Bancaria[2]->Text().trimmed() + txtCta_Bancaria[3]->Text().trimmed();
    a.Observ = txtObserv->toPlainText();
    a.Almacen = txtAlmacen->Codigo();
    a.Bloqueado = cboBloqueado->currentIndex() != 0;
    a.Bloq_Fecha = fechaDeCaja(txtBloq_Fecha->Text());
    a.Bloq_Motivo = txtBloq_Motivo->Text();
    a.ComisionVenta = Currency::fromDouble(txtComVenta->Value());
    a.ComisionCobro = Currency::fromDouble(txtComCobro->Value());
    a.Retencion_IRPF = Currency::fromDouble(txtRetencion->Value());
    a.NoImpLiquidacion = chkNoImpLiquidacion->Value() != 0;
    a.Modificar(); // a refusal leaves everything typed on screen

    const double banco = txtCta_Bancaria[0]->Value();
    if (banco > 0 && !txtCta_Bancaria[4]->Text().isEmpty()) {
        const QString codigo = sqlInteger(toInteger(banco));
        const QString nombre = sqlTextBody(txtCta_Bancaria[4]->Text().trimmed());
        const std::shared_ptr<ado::Connection> cn = SharedContext::conexion();
        qint32 affected = 0;
        cn->Execute(QStringLiteral("UPDATE Bancos SET Nombre ='") + nombre +
                        QStringLiteral("' WHERE Codigo =") + codigo,
                    &affected, ado::adCmdText);
        if (affected == 0)
            cn->Execute(QStringLiteral("INSERT INTO Bancos (Codigo, Nombre) VALUES (") + codigo +
                            QStringLiteral(", '") + nombre + QStringLiteral("')"),
                        nullptr, ado::adCmdText);
    }
    Limpiar();
    setEditing(false);
    txtCodigo->setFocus();
}

void frmAgentes::eliminar() {
    if (ui::MsgBox(QStringLiteral("Desea eliminar el agente actual?"),
                   int(ui::vbYesNo) | int(ui::vbQuestion) | int(ui::vbDefaultButton2),
                   QStringLiteral("Confirmar")) != ui::vbYes)
        return;
    agente_->Codigo = toInteger(txtCodigo->Value());
    if (!agente_->Eliminar())
        return; // it has told why
    Limpiar();
    // The agent is gone: accepting now would write it back as an empty record. The other
    // buttons stay as they were; a code entered next enables Aceptar again.
    cmdAceptar->setEnabled(false);
    txtCodigo->setEnabled(true);
    txtCodigo->setFocus();
}

void frmAgentes::contrasena() {
    frmCredenciales dialogo;
    dialogo.OldPassword = agente_->Password;
    dialogo.Mostrar(1, nullptr);
    if (dialogo.OK())
        agente_->Password = dialogo.NewPassword;
    dialogo.close(); // unloaded here, after it was read
}

void frmAgentes::reglaBloqueo() {
    const bool on = cboBloqueado->currentIndex() != 0;
    txtBloq_Fecha->setEnabled(on);
    txtBloq_Fecha->setEnabledMask(on);
    txtBloq_Motivo->setEnabled(on);
    lblBloq_Fecha->setEnabled(on);
    lblBloq_Motivo->setEnabled(on);
}

void frmAgentes::buscarCodigoPostal() {
    const double cp = txtCp->Value();
    if (cp == 0)
        return;
    codigosPostales_->setCodigo(toLong(cp));
    if (!codigosPostales_->Buscar())
        return;
    // A code the table does not hold names only its province (by its first two digits):
    // the locality the user typed stays, and the province is filled only when empty.
    if (codigosPostales_->Localidad().isEmpty()) {
        if (txtProvincia->Text().isEmpty())
            txtProvincia->setTextValue(codigosPostales_->Provincia());
        return;
    }
    txtLocalidad->setTextValue(codigosPostales_->Localidad());
    txtProvincia->setTextValue(codigosPostales_->Provincia());
}

void frmAgentes::buscarBanco() {
    QString nombre;
    if (BuscarBanco(toInteger(txtCta_Bancaria[0]->Value()), nombre))
        txtCta_Bancaria[4]->setTextValue(nombre);
}

// Beyond the window's own rules: the D.C. box tells, by its colour, whether the check
// digits are right for the bank, branch and account, and its tooltip gives the IBAN then.
// No message, and nothing of what is saved changes.
void frmAgentes::marcarDigitosControl() {
    const QString banco = txtCta_Bancaria[0]->Text().trimmed();
    const QString sucursal = txtCta_Bancaria[1]->Text().trimmed();
    const QString dc = txtCta_Bancaria[2]->Text().trimmed();
    const QString numero = txtCta_Bancaria[3]->Text().trimmed();
    const QString esperado = utilidades::cuenta::digitosControl(banco, sucursal, numero);
    QString tip;
    QColor color = palette().color(QPalette::Text);
    if (!esperado.isEmpty() && dc.size() == 2) {
        const bool right = dc == esperado;
        color = right ? QColor(0, 128, 0) : QColor(192, 0, 0);
        tip = right ? QStringLiteral("IBAN: ") +
                          utilidades::cuenta::iban(banco + sucursal + dc + numero)
                    : QStringLiteral("Los dígitos de control no corresponden a la cuenta.");
    }
    txtCta_Bancaria[2]->setForeColor(color);
    txtCta_Bancaria[2]->setToolTip(tip);
}

void frmAgentes::comprobarEmail() {
    if (txtEMail->Text().isEmpty())
        return;
    QString mensaje;
    if (utilidades::Validacion().EmailValido(txtEMail->Text(), mensaje))
        return;
    ui::MsgBox(mensaje, ui::vbExclamation, QStringLiteral("¡ Dirección de eMail no válida !"));
    txtEMail->setFocus();
}

const ClassInfo& frmclsAgente::interfaceInfo() {
    static const ClassInfo info =
        windowClass<frmclsAgente>("frmclsAgente", "{BF27D548-033D-4FF3-AD6C-71C84B601B7B}",
                                  "_frmclsAgente", "{1929E29D-B333-4B40-A970-8F4DBC1F9103}");
    return info;
}

} // namespace ORBTAgentes
