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

} // namespace

frmAgentes::frmAgentes(QWidget* parent) : FormBase(parent) {
    setObjectName(QStringLiteral("frmAgentes"));
    setWindowTitle(QStringLiteral("Agentes"));
    resize(qRound(9675 / 15.0), qRound(6585 / 15.0));

    const auto box = [&](controls::HxTextBox*& b, const char* name, QWidget* in, int l, int t,
                         int w, int maxLength) {
        b = new controls::HxTextBox(in);
        b->setObjectName(QLatin1String(name));
        b->setMaxLength(maxLength);
        place(b, l, t, w, 300);
    };
    const auto label = [&](const char* text, QWidget* in, int l, int t, int w, QWidget* buddy,
                           bool right = false) {
        auto* lab = new QLabel(QString::fromUtf8(text), in);
        if (right)
            lab->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        place(lab, l, t, w, 195);
        if (buddy)
            lab->setBuddy(buddy);
        return lab;
    };
    box(txtCodigo, "txtCodigo", this, 1050, 165, 720, 4);
    box(txtNombre, "txtNombre", this, 1050, 570, 4005, 100);
    box(txtDireccion, "txtDireccion", this, 1050, 975, 5790, 70);
    box(txtTelefono, "txtTelefono", this, 7800, 975, 1680, 15);
    box(txtCp, "txtCp", this, 1050, 1380, 600, 5);
    box(txtLocalidad, "txtLocalidad", this, 3120, 1380, 3720, 50);
    box(txtMovil, "txtMovil", this, 7800, 1335, 1680, 15);
    box(txtProvincia, "txtProvincia", this, 1050, 1785, 3645, 30);
    box(txtFax, "txtFax", this, 7815, 1710, 1680, 15);
    box(txtEMail, "txtEMail", this, 1050, 2190, 3645, 100);
    cboBloqueado = new QComboBox(this);
    cboBloqueado->setObjectName(QStringLiteral("cboBloqueado"));
    cboBloqueado->addItems({QStringLiteral("No"), QStringLiteral("Si")});
    cboBloqueado->setCurrentIndex(-1);
    place(cboBloqueado, 6405, 2183, 705, 315);
    txtBloq_Fecha = new controls::HxMaskEdBox(this);
    txtBloq_Fecha->setObjectName(QStringLiteral("txtBloq_Fecha"));
    txtBloq_Fecha->setMask(QStringLiteral("##/##/####"));
    place(txtBloq_Fecha, 8160, 2190, 1320, 300);
    txtAlmacen = new controls::HxAlmacen(this);
    txtAlmacen->setObjectName(QStringLiteral("txtAlmacen"));
    place(txtAlmacen, 1050, 2610, 4110, 315);
    box(txtBloq_Motivo, "txtBloq_Motivo", this, 6405, 2610, 3060, 50);
    box(txtComVenta, "txtComVenta", this, 1050, 3060, 600, 6);
    box(txtComCobro, "txtComCobro", this, 3480, 3060, 600, 6);
    box(txtRetencion, "txtRetencion", this, 6405, 3060, 600, 6);
    chkNoImpLiquidacion =
        new controls::HxCheckBox(QStringLiteral("No Imprimir Liquidaciones"), this);
    chkNoImpLiquidacion->setObjectName(QStringLiteral("chkNoImpLiquidacion"));
    place(chkNoImpLiquidacion, 7425, 3113, 2175, 195);
    fraRecibo = new QGroupBox(QStringLiteral("Cuenta Bancaria"), this);
    fraRecibo->setObjectName(QStringLiteral("fraRecibo"));
    place(fraRecibo, 120, 3600, 4035, 1230);
    const char* parts[] = {"txtCta_Bancaria(0)", "txtCta_Bancaria(1)", "txtCta_Bancaria(2)",
                           "txtCta_Bancaria(3)", "txtCta_Bancaria(4)"};
    const int geometry[5][4] = {{795, 300, 495, 4},
                                {795, 772, 495, 4},
                                {1830, 772, 315, 2},
                                {2835, 772, 1050, 10},
                                {1335, 300, 2550, 40}};
    for (size_t i = 0; i < 5; ++i)
        box(txtCta_Bancaria[i], parts[i], fraRecibo, geometry[i][0], geometry[i][1], geometry[i][2],
            geometry[i][3]);
    txtCta_Bancaria[4]->setForeColor(QColor(0, 0, 128));
    txtObserv = new QPlainTextEdit(this);
    txtObserv->setObjectName(QStringLiteral("txtObserv"));
    txtObserv->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtObserv->setTabChangesFocus(true);
    place(txtObserv, 4320, 3600, 5235, 2235);
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1(0)"));
    Frame1->setFrameShape(QFrame::HLine);
    Frame1->setFrameShadow(QFrame::Sunken);
    place(Frame1, -150, 5955, 9735, 60);
    const auto button = [&](controls::HxPushButton*& b, const char* name, const char* caption,
                            int l, int w, int h) {
        b = new controls::HxPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QLatin1String(name));
        place(b, l, 6120, w, h);
    };
    button(cmdPrimero, "cmdPrimero", "<<", 135, 450, 365);
    button(cmdAnterior, "cmdAnterior", "<", 645, 450, 365);
    button(cmdSiguiente, "cmdSiguiente", ">", 1140, 450, 365);
    button(cmdUltimo, "cmdUltimo", ">>", 1650, 450, 365);
    button(cmdSetPassword, "cmdSetPassword", "Contraseña...", 2265, 1110, 375);
    button(cmdBuscar, "cmdBuscar", "&Buscar...", 3465, 1065, 365);
    button(cmdAceptar, "cmdAceptar", "F9 - &Aceptar", 4725, 1245, 365);
    button(cmdCancelar, "cmdCancelar", "F12 - &Cancelar", 6045, 1245, 365);
    button(cmdEliminar, "cmdEliminar", "&Eliminar", 7335, 1065, 365);
    button(cmdCerrar, "cmdCerrar", "&Salir", 8490, 1065, 365);

    // Labels: the left column at 150, the others just left of their box.
    label("Código:", this, 150, 225, 870, txtCodigo);
    label("Nombre:", this, 150, 630, 870, txtNombre);
    label("Dirección:", this, 150, 1035, 870, txtDireccion);
    label("CP:", this, 150, 1440, 870, txtCp);
    label("Provincia:", this, 150, 1845, 870, txtProvincia);
    label("E-Mail:", this, 150, 2250, 870, txtEMail);
    label("Almacén:", this, 150, 2670, 870, txtAlmacen);
    label("Com. s/V:", this, 150, 3120, 870, txtComVenta);
    label("Telefono:", this, 6900, 1035, 840, txtTelefono, true);
    label("Localidad:", this, 2160, 1440, 900, txtLocalidad, true);
    label("Móvil:", this, 6900, 1395, 840, txtMovil, true);
    label("Fax:", this, 6915, 1770, 840, txtFax, true);
    label("Bloqueado:", this, 5445, 2243, 900, cboBloqueado, true);
    lblBloq_Fecha = label("Fecha:", this, 7200, 2250, 900, txtBloq_Fecha, true);
    lblBloq_Fecha->setObjectName(QStringLiteral("lblBloq_Fecha"));
    lblBloq_Motivo = label("Motivo:", this, 5445, 2670, 900, txtBloq_Motivo, true);
    lblBloq_Motivo->setObjectName(QStringLiteral("lblBloq_Motivo"));
    label("Com. s/C:", this, 2520, 3120, 900, txtComCobro, true);
    label("Retención IRPF:", this, 5145, 3120, 1200, txtRetencion, true);
    label("%", this, 1680, 3120, 150, nullptr);
    label("%", this, 4110, 3120, 150, nullptr);
    label("%", this, 7035, 3120, 150, nullptr);
    label("Banco:", fraRecibo, 105, 360, 660, txtCta_Bancaria[0]);
    label("Sucursal:", fraRecibo, 105, 825, 675, txtCta_Bancaria[1]);
    label("D.C.:", fraRecibo, 1425, 825, 390, txtCta_Bancaria[2]);
    label("Cuenta:", fraRecibo, 2265, 825, 555, txtCta_Bancaria[3]);

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
    cmdSetPassword->setEnabled(false);
    cmdAceptar->setEnabled(false);
    cmdCancelar->setEnabled(false);
    cmdEliminar->setEnabled(false);

    QWidget* order[] = {txtCodigo,
                        txtNombre,
                        txtDireccion,
                        txtTelefono,
                        txtCp,
                        txtLocalidad,
                        txtMovil,
                        txtProvincia,
                        txtFax,
                        txtEMail,
                        cboBloqueado,
                        txtBloq_Fecha,
                        txtAlmacen,
                        txtBloq_Motivo,
                        txtComVenta,
                        txtComCobro,
                        txtRetencion,
                        chkNoImpLiquidacion,
                        txtCta_Bancaria[0],
                        txtCta_Bancaria[4],
                        txtCta_Bancaria[1],
                        txtCta_Bancaria[2],
                        txtCta_Bancaria[3],
                        txtObserv,
                        cmdAceptar,
                        cmdCancelar,
                        cmdEliminar,
                        cmdCerrar,
                        cmdPrimero,
                        cmdAnterior,
                        cmdSiguiente,
                        cmdUltimo,
                        cmdSetPassword,
                        cmdBuscar};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    Anclaje1 = new controls::Anclaje(this, 9795, 6990, false, 800, 600);
    Anclaje1->capture();

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
    on(cmdBuscar, &frmAgentes::buscar);
    on(cmdSetPassword, &frmAgentes::contrasena);
    connect(cmdPrimero, &QPushButton::clicked, this,
            [this] { guarded([this] { navegar(&clsAgente::Cargar_Primero); }); });
    connect(cmdAnterior, &QPushButton::clicked, this,
            [this] { guarded([this] { navegar(&clsAgente::Cargar_Anterior); }); });
    connect(cmdSiguiente, &QPushButton::clicked, this,
            [this] { guarded([this] { navegar(&clsAgente::Cargar_Siguiente); }); });
    connect(cmdUltimo, &QPushButton::clicked, this,
            [this] { guarded([this] { navegar(&clsAgente::Cargar_Ultimo); }); });
    connect(cmdCerrar, &QPushButton::clicked, this, [this] { close(); });
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
    txtCodigo->setEnabled(false);
    txtNombre->setFocus();
    for (QPushButton* b :
         {static_cast<QPushButton*>(cmdAceptar), static_cast<QPushButton*>(cmdEliminar),
          static_cast<QPushButton*>(cmdSetPassword), static_cast<QPushButton*>(cmdCancelar)})
        b->setEnabled(true);
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
    txtCodigo->setEnabled(true);
    Limpiar();
    for (QPushButton* b :
         {static_cast<QPushButton*>(cmdAceptar), static_cast<QPushButton*>(cmdEliminar),
          static_cast<QPushButton*>(cmdCancelar), static_cast<QPushButton*>(cmdSetPassword)})
        b->setEnabled(false);
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
    for (QPushButton* b :
         {static_cast<QPushButton*>(cmdAceptar), static_cast<QPushButton*>(cmdEliminar),
          static_cast<QPushButton*>(cmdCancelar), static_cast<QPushButton*>(cmdSetPassword)})
        b->setEnabled(false);
    txtCodigo->setEnabled(true);
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

} // namespace ORBTAgentes
