#pragma once

#include "frame/FormBase.h"
#include "frame/Values.h"
#include "frame/WindowClass.h"

#include <QDateTime>
#include <memory>
#include <optional>

namespace ado {
class Connection;
}

namespace controls {
class HxTextBox;
class HxAgente;
class HxPushButton;
} // namespace controls

namespace ORBTAgentes {

/// "Cambio de Agente en Factura": moves an issued invoice from its agent to another and
/// its sale between the two agents' day totals.
///
/// Accepting writes the invoice and both day totals in one transaction on the shared
/// connection (nested in the host's, when it has one open): if any of the three fails,
/// none of them is written and the clerk is told why. It moves the invoice only while it
/// is still on the agent shown: one that another user has moved (or removed) since it was
/// loaded is left as it is, and the clerk is asked to load it again.
class frmAgentes_CambioFactura : public FormBase {
    Q_OBJECT
public:
    explicit frmAgentes_CambioFactura(QWidget* parent = nullptr);

    /// The two discounts of an invoice and its total after them, each rounded to two
    /// decimals (halves to even). A NULL discount type counts as an amount.
    struct Totales {
        Currency d1, d2, total;
    };
    static Totales calcularTotal(const QVariant& importeB, const QVariant& tdto1,
                                 const QVariant& dto1, const QVariant& tdto2, const QVariant& dto2);

    /// Types a series and an invoice number and loads the invoice, as the clerk does with
    /// Enter (for the host's pictures and demonstrations).
    void CargarFactura(const QString& serie, const QString& numero);

protected:
    void Form_Load() override;
    bool keyPreview(QKeyEvent* e) override;

private:
    /// An invoice loaded (true) or its key being typed (false): the key's fields and the
    /// buttons that act on the invoice.
    void setEditing(bool editing);
    void cargarFactura();
    /// "..." beside the invoice number: lists the typed series' invoices (number, date,
    /// agent, total) to pick one, which is then loaded as Enter would.
    void buscarFactura();
    void aceptar();
    void cancelar();
    /// The statements of a move: the invoice to its new agent, its sale from the old
    /// agent's day total to the new one's.
    void moverFactura(const std::shared_ptr<ado::Connection>& cn, qint16 nuevo, qint16 anterior,
                      const QDateTime& fecha, double total, double costo);
    /// Tells that the invoice changed since it was loaded (`agente`: where it is now;
    /// none when it is gone) and empties the window for loading it again.
    void facturaCambiada(std::optional<qint16> agente);

    controls::HxTextBox *txtSerie, *txtFactura, *txtTotal, *txtImporte_Costo, *txtFecha;
    controls::HxAgente *txtAgenteActual, *txtNuevoAgente;
    controls::HxPushButton *cmdAceptar, *cmdCancelar, *cmdBuscarFactura;
};

/// The public window class that opens "Cambio de Agente en Factura".
class frmclsCambioFactura : public WindowClass<frmAgentes_CambioFactura> {
public:
    frmclsCambioFactura() : WindowClass(interfaceInfo()) {}
    /// Its identities and members (the host's two properties and Show).
    static const ClassInfo& interfaceInfo();
};

} // namespace ORBTAgentes
