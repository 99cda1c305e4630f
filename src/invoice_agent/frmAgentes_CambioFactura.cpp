#include "frmAgentes_CambioFactura.h"

#include "agents/clsAgente.h"
#include "frame/Errors.h"
#include "frame/SharedContext.h"
#include "frame/SqlValues.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QScopeGuard>
#include <ado/Connection.h>
#include <ado/Recordset.h>
#include <controls/Anclaje.h>
#include <controls/HxAgente.h>
#include <controls/HxPushButton.h>
#include <controls/HxTextBox.h>
#include <controls/Selector.h>
#include <optional>
#include <ui/MessageBox.h>
#include <utilidades/Regional.h>
#include <utilidades/SqlLiteral.h>
#include <utilidades/Utilidades.h>

namespace ORBTAgentes {

namespace {

const QString kAtencion = QStringLiteral("¡Atención!");
const QColor kGrey(224, 224, 224);

// An amount as the suite's regional settings write it: their decimal separator, no
// thousands separator, every decimal it has (it is read back from the field).
QString regional(Currency c) {
    return c.toString().replace(u'.', utilidades::regional().decimalPoint());
}

// And back: text, number (regional or with a point), by the runtime's rules.
double number(const QString& text) {
    return toDouble(QVariant(text));
}

Currency roundedToCents(double v) {
    return Currency::fromDouble(roundHalfEven(v * 100.0) / 100.0);
}

// The invoice key exactly as typed when it is a plain whole number; anything else is
// written as the number it reads as, so no typed text ever becomes SQL.
QString keyText(const controls::HxTextBox* box) {
    static const QRegularExpression plain(QStringLiteral("^-?[0-9]+$"));
    const QString t = box->Text();
    return plain.match(t).hasMatch() ? t : sqlInteger(qint64(toLong(Val(t))));
}

using C = FormBase::Control;
QWidget* boton(QWidget* p) {
    return new controls::HxPushButton({}, p);
}
constexpr auto texto = FormBase::kind<controls::HxTextBox>;
constexpr auto agente = FormBase::kind<controls::HxAgente>;
constexpr auto rotulo = FormBase::kind<QLabel>;

// The window's controls in twips (name, kind, left, top, width, height, caption, maximum
// length, Tab index, container, the field a label names). Each label names its field for
// assistive technology (the captions carry no mnemonic, so no shortcut is added).
// clang-format off
const C kLayout[] = {
    {"lblFactura", rotulo, 120, 540, 585, 195, "Factura:", 0, -1, nullptr, "txtFactura"},
    {"txtSerie", texto, 1530, 90, 525, 300, nullptr, 0, 1},
    {"txtFactura", texto, 1530, 480, 1515, 300, nullptr, 0, 2},
    {"cmdBuscarFactura", boton, 3090, 480, 330, 300, "...", 0, -1},
    {"txtAgenteActual", agente, 1530, 885, 4755, 300, nullptr, 0, 3},
    {"txtTotal", texto, 1530, 1275, 1515, 300, nullptr, 0, 4},
    {"txtImporte_Costo", texto, 1530, 1665, 1515, 300, nullptr, 0, 5},
    {"txtFecha", texto, 1530, 2070, 1515, 300, nullptr, 0, 6},
    {"txtNuevoAgente", agente, 1530, 2460, 4755, 300, nullptr, 0, 7},
    {"cmdAceptar", boton, 2715, 3030, 1065, 365, "&Aceptar", 0, 8},
    {"cmdCancelar", boton, 3922, 3030, 1065, 365, "&Cancelar", 0, 9},
    {"cmdCerrar", boton, 5130, 3030, 1065, 365, "&Salir", 0, 10},
    {"lblAgenteActual", rotulo, 120, 930, 1365, 195, "Agente en Factura:", 0, -1, nullptr, "txtAgenteActual"},
    {"Frame1", FormBase::line, 30, 2880, 6315, 60},
    {"Label1", rotulo, 120, 2520, 1080, 195, "Nuevo Agente:", 0, -1, nullptr, "txtNuevoAgente"},
    {"Label2", rotulo, 120, 1335, 1215, 195, "Total en Factura:", 0, -1, nullptr, "txtTotal"},
    {"Label3", rotulo, 120, 1725, 1020, 195, "Importe Costo:", 0, -1, nullptr, "txtImporte_Costo"},
    {"Label4", rotulo, 120, 2115, 495, 195, "Fecha:", 0, -1, nullptr, "txtFecha"},
    {"Label5", rotulo, 120, 150, 405, 195, "Serie:", 0, -1, nullptr, "txtSerie"},
};
// clang-format on

} // namespace

frmAgentes_CambioFactura::frmAgentes_CambioFactura(QWidget* parent) : FormBase(parent) {
    setObjectName(QStringLiteral("frmAgentes_CambioFactura"));
    setWindowTitle(QStringLiteral("Cambio de Agente en Factura"));
    resize(qRound(6390 / 15.0), qRound(3450 / 15.0));
    crearControles(kLayout);
    txtSerie = control<controls::HxTextBox>("txtSerie");
    txtFactura = control<controls::HxTextBox>("txtFactura");
    txtTotal = control<controls::HxTextBox>("txtTotal");
    txtImporte_Costo = control<controls::HxTextBox>("txtImporte_Costo");
    txtFecha = control<controls::HxTextBox>("txtFecha");
    txtAgenteActual = control<controls::HxAgente>("txtAgenteActual");
    txtNuevoAgente = control<controls::HxAgente>("txtNuevoAgente");
    cmdAceptar = control<controls::HxPushButton>("cmdAceptar");
    cmdCancelar = control<controls::HxPushButton>("cmdCancelar");
    cmdBuscarFactura = control<controls::HxPushButton>("cmdBuscarFactura");

    // Field settings as stored with the window.
    for (controls::HxTextBox* b : {txtSerie, txtFactura, txtTotal, txtImporte_Costo})
        b->setTypeOfValues(1);
    txtTotal->setAceptDecimals(true);
    txtImporte_Costo->setAceptDecimals(true);
    for (controls::HxTextBox* b : {txtFactura, txtTotal, txtImporte_Costo, txtFecha})
        b->setKeyEnterChangeFocus(false);
    txtAgenteActual->setKeyEnterChangeFocus(false);
    txtFactura->setKeyUpChangeFocus(false);
    txtAgenteActual->setKeyUpChangeFocus(false);
    txtNuevoAgente->setKeyUpChangeFocus(false);
    for (controls::HxAgente* a : {txtAgenteActual, txtNuevoAgente}) {
        a->setVital(false);
        a->setInicial(false);
    }
    txtAgenteActual->setEnabled(false);
    txtAgenteActual->setLocked(true);
    for (controls::HxTextBox* b : {txtTotal, txtImporte_Costo, txtFecha}) {
        b->setEnabled(false);
        b->setBackColor(kGrey);
    }
    setEditing(false);

    (new controls::Anclaje(this, 6510, 3855, false, 800, 600))->capture();

    connect(txtSerie, &controls::HxTextBox::KeyPress, this, [this](int& k) {
        if (k == 13)
            guarded([this] { cargarFactura(); });
    });
    connect(txtFactura, &controls::HxTextBox::KeyPress, this, [this](int& k) {
        if (k == 13)
            guarded([this] { cargarFactura(); });
    });
    // Outside the Tab chain, which stays the window's own; F4 opens the list from the keyboard.
    cmdBuscarFactura->setFocusPolicy(Qt::NoFocus);
    cmdBuscarFactura->setToolTip(QStringLiteral("Elegir una factura de la serie (F4)"));
    connect(cmdBuscarFactura, &QPushButton::clicked, this,
            [this] { guarded([this] { buscarFactura(); }); });
    connect(cmdAceptar, &QPushButton::clicked, this, [this] { guarded([this] { aceptar(); }); });
    connect(cmdCancelar, &QPushButton::clicked, this, [this] { guarded([this] { cancelar(); }); });
    connect(control<QPushButton>("cmdCerrar"), &QPushButton::clicked, this, [this] { close(); });
}

void frmAgentes_CambioFactura::Form_Load() {
    txtAgenteActual->setConexion(SharedContext::conexionOrNull());
    txtAgenteActual->Inicializar();
}

bool frmAgentes_CambioFactura::keyPreview(QKeyEvent* e) {
    if (e->key() == Qt::Key_F4 && e->modifiers() == Qt::NoModifier) {
        if (cmdBuscarFactura->isEnabled())
            guarded([this] { buscarFactura(); });
        return true;
    }
    return teclasDeEdicion(
        e, cmdAceptar, txtFactura->Value(), [this] { aceptar(); }, [this] { cancelar(); });
}

frmAgentes_CambioFactura::Totales frmAgentes_CambioFactura::calcularTotal(const QVariant& importeB,
                                                                          const QVariant& tdto1,
                                                                          const QVariant& dto1,
                                                                          const QVariant& tdto2,
                                                                          const QVariant& dto2) {
    const double importe = toCurrency(importeB).toDouble();
    // A discount type that was never recorded counts as an amount.
    const bool amount1 = tdto1.isNull() ? true : toBoolean(tdto1);
    const bool amount2 = tdto2.isNull() ? true : toBoolean(tdto2);
    Totales t;
    const double v1 = toCurrency(dto1).toDouble();
    t.d1 = roundedToCents(amount1 ? v1 : importe * v1 / 100.0);
    const double v2 = toCurrency(dto2).toDouble();
    t.d2 = roundedToCents(amount2 ? v2 : (importe - t.d1.toDouble()) * v2 / 100.0);
    t.total = toCurrency(importeB) - t.d1 - t.d2;
    return t;
}

void frmAgentes_CambioFactura::CargarFactura(const QString& serie, const QString& numero) {
    txtSerie->setText(serie);
    txtFactura->setText(numero);
    cargarFactura();
}

void frmAgentes_CambioFactura::cargarFactura() {
    if (txtFactura->Text().isEmpty() || txtSerie->Text().isEmpty())
        return;
    const QString sql =
        QStringLiteral("SELECT Agente,ImporteB,TDto1,Dto1,TDto2,Dto2,Importe_Costo,Fecha FROM "
                       "Facturas WHERE Codigo = ") +
        utilidades::sqlNumber(txtFactura->Value()) + QStringLiteral(" AND Serie=") +
        utilidades::sqlNumber(txtSerie->Value());
    ado::Recordset rs;
    rs.Open(sql, *SharedContext::conexion());
    if (rs.Eof()) {
        ui::MsgBox(QStringLiteral("Factura inexistente. Inténtelo de nuevo."), ui::vbInformation,
                   kAtencion);
        return;
    }
    const Totales t =
        calcularTotal(rs.Fields(QStringLiteral("ImporteB")), rs.Fields(QStringLiteral("TDto1")),
                      rs.Fields(QStringLiteral("Dto1")), rs.Fields(QStringLiteral("TDto2")),
                      rs.Fields(QStringLiteral("Dto2")));
    txtAgenteActual->setCodigo(toInteger(rs.Fields(QStringLiteral("Agente"))));
    txtAgenteActual->Refrescar();
    txtTotal->setText(regional(t.total));
    txtImporte_Costo->setText(regional(toCurrency(rs.Fields(QStringLiteral("Importe_Costo")))));
    txtFecha->setText(SharedContext::utilidades().FormatoFecha(
        sqlDateText(toDate(rs.Fields(QStringLiteral("Fecha"))))));
    setEditing(true);
    txtNuevoAgente->setFocus();
    rs.Close();
}

void frmAgentes_CambioFactura::buscarFactura() {
    if (txtSerie->Text().isEmpty()) {
        ui::MsgBox(QStringLiteral("Escriba primero la serie de la factura."), ui::vbInformation,
                   kAtencion);
        txtSerie->setFocus();
        return;
    }
    // The series' invoices, the newest number first, each with the total the window would
    // show for it and the name of its agent.
    const QString sql =
        QStringLiteral("SELECT f.Codigo, f.Fecha, f.Agente, a.Nombre, f.ImporteB, f.TDto1, "
                       "f.Dto1, f.TDto2, f.Dto2 FROM Facturas f LEFT JOIN Agentes a ON "
                       "a.Codigo = f.Agente WHERE f.Serie = ") +
        utilidades::sqlNumber(txtSerie->Value()) + QStringLiteral(" ORDER BY f.Codigo DESC");
    controls::Selector lista(this, QStringLiteral("frmBuscarFactura"),
                             QStringLiteral("Facturas de la serie ") + txtSerie->Text(),
                             {QStringLiteral("Número"), QStringLiteral("Fecha"),
                              QStringLiteral("Agente"), QStringLiteral("Total")},
                             QStringLiteral("Número, fecha, agente o total"));
    QStringList numeros;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        ado::Recordset rs;
        rs.Open(sql, *SharedContext::conexion());
        for (; !rs.Eof(); rs.MoveNext()) {
            const qint16 agente = toInteger(rs.Fields(2));
            const Totales t =
                calcularTotal(rs.Fields(4), rs.Fields(5), rs.Fields(6), rs.Fields(7), rs.Fields(8));
            numeros << rs.Fields(0).toString();
            lista.addRow(
                {numeros.last(),
                 SharedContext::utilidades().FormatoFecha(sqlDateText(toDate(rs.Fields(1)))),
                 agente == 0
                     ? QString()
                     : QString::number(agente) + QStringLiteral(" - ") + rs.Fields(3).toString(),
                 regional(t.total)});
        }
        rs.Close();
    }
    if (numeros.isEmpty()) {
        ui::MsgBox(QStringLiteral("No hay facturas en la serie ") + txtSerie->Text() +
                       QStringLiteral("."),
                   ui::vbInformation, kAtencion);
        txtSerie->setFocus();
        return;
    }
    const int elegida = lista.pick();
    if (elegida < 0) {
        txtFactura->setFocus();
        return;
    }
    txtFactura->setText(numeros[elegida]);
    cargarFactura();
}

void frmAgentes_CambioFactura::aceptar() {
    if (txtNuevoAgente->Text().isEmpty() || !txtNuevoAgente->EsValido()) {
        ui::MsgBox(QStringLiteral("Debe introducir un código válido para el nuevo agente."),
                   ui::vbInformation, kAtencion);
        txtNuevoAgente->setFocus();
        return;
    }
    const qint16 nuevo = txtNuevoAgente->Codigo();
    const qint16 anterior = txtAgenteActual->Codigo();
    if (nuevo == anterior) {
        ui::MsgBox(QStringLiteral("Escoja un agente diferente al actual."), ui::vbInformation,
                   kAtencion);
        txtNuevoAgente->setFocus();
        return;
    }
    const QDateTime fecha = toDate(txtFecha->Text());
    const double total = number(txtTotal->Text());
    const double costo = number(txtImporte_Costo->Text());
    const std::shared_ptr<ado::Connection> cn = SharedContext::conexion();
    const QString clave = QStringLiteral(" WHERE Codigo=") + keyText(txtFactura) +
                          QStringLiteral(" AND Serie=") + keyText(txtSerie);
    // Thrown out of the move to roll it back: the invoice is no longer on the agent the
    // window shows (another user moved it, or removed it, since it was loaded).
    struct FacturaCambiada {
        std::optional<qint16> agente; // none: the invoice is gone
    };
    // The invoice and both day totals change together or not at all. Two users moving
    // invoices of one day between the same two agents take those rows in opposite orders:
    // the one the database stops runs the whole move again.
    try {
        ado::RunTransaction(*cn, [&] {
            // The totals move from the agent the window shows: only while the invoice is
            // still on that agent. The invoice's row is taken first (an update that
            // changes nothing): another user's move of the same invoice, not yet
            // committed, is waited for, and the agent read next is the one it left.
            cn->Execute(QStringLiteral("UPDATE Facturas SET Agente=Agente") + clave);
            ado::Recordset rs;
            rs.Open(QStringLiteral("SELECT Agente FROM Facturas") + clave, *cn);
            if (rs.Eof())
                throw FacturaCambiada{};
            const QVariant agente = rs.Fields(QStringLiteral("Agente"));
            rs.Close();
            if (agente.isNull())
                throw FacturaCambiada{qint16(0)};
            if (toInteger(agente) != anterior)
                throw FacturaCambiada{toInteger(agente)};
            moverFactura(cn, nuevo, anterior, fecha, total, costo);
        });
    } catch (const FacturaCambiada& c) {
        facturaCambiada(c.agente);
        return;
    }
    cancelar();
}

void frmAgentes_CambioFactura::moverFactura(const std::shared_ptr<ado::Connection>& cn,
                                            qint16 nuevo, qint16 anterior, const QDateTime& fecha,
                                            double total, double costo) {
    {
        cn->Execute(QStringLiteral("UPDATE Facturas SET Agente=") + sqlInteger(nuevo) +
                    QStringLiteral(" WHERE Codigo=") + keyText(txtFactura) +
                    QStringLiteral(" AND Serie=") + keyText(txtSerie));
        clsAgente agente;
        agente.ConexionOrbenta(cn);
        agente.EmpresaOrbenta(SharedContext::empresa());
        if (anterior != 0)
            agente.AcumularVenta(anterior, fecha, Currency::fromDouble(total * -1),
                                 Currency::fromDouble(costo * -1));
        agente.AcumularVenta(nuevo, fecha, Currency::fromDouble(total),
                             Currency::fromDouble(costo));
    }
}

void frmAgentes_CambioFactura::facturaCambiada(std::optional<qint16> agente) {
    QString texto;
    if (!agente) {
        texto = QStringLiteral("Otro usuario ha eliminado esta factura después de cargarla. No se "
                               "ha cambiado nada.");
    } else {
        QString ahora = QStringLiteral("ahora no tiene agente");
        if (*agente != 0) {
            ado::Recordset rs;
            rs.Open(QStringLiteral("SELECT Nombre FROM Agentes WHERE Codigo = ") +
                        sqlInteger(*agente),
                    *SharedContext::conexion());
            const QString nombre = rs.Eof() || rs.Fields(QStringLiteral("Nombre")).isNull()
                                       ? QString()
                                       : toText(rs.Fields(QStringLiteral("Nombre")));
            rs.Close();
            ahora = QStringLiteral("ahora es del agente ") + QString::number(*agente) +
                    (nombre.isEmpty() ? QString() : QStringLiteral(" - ") + nombre);
        }
        texto = QStringLiteral("Otro usuario ha cambiado el agente de esta factura después de "
                               "cargarla: ") +
                ahora +
                QStringLiteral(". No se ha cambiado nada; cárguela de nuevo (pulse Intro en el "
                               "número de factura).");
    }
    ui::MsgBox(texto, ui::vbExclamation, kAtencion);
    // Back to an empty window with the invoice's series and number still typed, so that
    // Enter loads what the invoice holds now.
    const QString serie = txtSerie->Text();
    const QString numero = txtFactura->Text();
    cancelar();
    if (agente) {
        txtSerie->setText(serie);
        txtFactura->setText(numero);
        txtFactura->setFocus();
    }
}

void frmAgentes_CambioFactura::cancelar() {
    txtFactura->clear();
    txtSerie->clear();
    setEditing(false);
    txtAgenteActual->setCodigo(0);
    txtAgenteActual->Refrescar();
    txtTotal->clear();
    txtImporte_Costo->clear();
    txtNuevoAgente->setCodigo(0);
    txtNuevoAgente->Refrescar();
    txtFecha->clear();
    txtSerie->setFocus();
}

void frmAgentes_CambioFactura::setEditing(bool editing) {
    // The invoice's key is typed while none is loaded; the buttons act on a loaded one.
    txtFactura->setEnabled(!editing);
    txtSerie->setEnabled(!editing);
    cmdBuscarFactura->setEnabled(!editing);
    cmdAceptar->setEnabled(editing);
    cmdCancelar->setEnabled(editing);
}

const ClassInfo& frmclsCambioFactura::interfaceInfo() {
    static const ClassInfo info = windowClass<frmclsCambioFactura>(
        "frmclsCambioFactura", "{03F1A370-B63B-45E7-9BE3-A23A087B5E57}", "_frmclsCambioFactura",
        "{A26885B3-7D84-4E7D-AD15-0AAAD022BE2E}");
    return info;
}

} // namespace ORBTAgentes
