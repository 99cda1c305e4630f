#pragma once

#include "frame/Automation.h"
#include "frame/Values.h"

#include <QDateTime>
#include <QString>

namespace ado {
class Recordset;
}

namespace ORBTAgentes {

/// One agent record (a row of Agentes) with its loading, saving and accumulator
/// operations. Properties are plain public data members; operations run on the
/// component's shared connection and report failures under "clsAgente::<operation>".
class clsAgente : public AutomationObject {
public:
    clsAgente();
    /// The public interface: members in interface order with their dispatch identifiers.
    static const ClassInfo& interfaceInfo();

    qint16 Codigo = 0;
    QString Nombre;
    QString Direccion;
    qint32 Cp = 0;
    QString Localidad;
    QString Provincia;
    QString Telefono;
    QString Fax;
    QString Movil;
    QString eMail;
    qint16 Almacen = 0;
    bool Bloqueado = false;
    QDateTime Bloq_Fecha = zeroDate();
    QString Bloq_Motivo;
    Currency ComisionVenta;
    Currency ComisionCobro;
    Currency Retencion_IRPF;
    bool NoImpLiquidacion = false;
    QString Password;
    QString Cta_Bancaria;
    QString Observ;
    /// Kept for the caller alone: no operation reads or writes it.
    bool SoloLectura = false;

    /// Loads the agent with the target's code (the target is `clsDest`, or this
    /// object). Code 0 runs no statement and answers false.
    bool Cargar(clsAgente* clsDest = nullptr);
    /// The agent with the highest code below the target's.
    bool Cargar_Anterior(clsAgente* clsDest = nullptr);
    /// The agent with the lowest code.
    bool Cargar_Primero(clsAgente* clsDest = nullptr);
    /// The agent with the lowest code above the target's.
    bool Cargar_Siguiente(clsAgente* clsDest = nullptr);
    /// The agent with the highest code.
    bool Cargar_Ultimo(clsAgente* clsDest = nullptr);

    /// Saves the object over the row with its code; creates the row (through Insertar)
    /// when there is none. True when it completes.
    bool Modificar();
    /// Creates the row from the object. True when it completes. Virtual: it is called
    /// through the public interface by Modificar.
    virtual bool Insertar();
    /// Deletes the row unless the agent has accumulated sales (then the user is told
    /// and the answer is false).
    bool Eliminar();

    // Accumulators: add to the day totals of an agent (Agentes_Acumulados) and of an
    // article (Agentes_Acumulados_Articulos), creating the day's row when there is none.
    // When another client creates that row between this one's UPDATE and INSERT, the
    // refused INSERT is followed by the UPDATE again, so the amounts always land exactly
    // once. Failures pass through unchanged.
    void AcumularVenta(qint16 intAgente, const QDateTime& dteFecha, Currency curImpPvp,
                       Currency curImpCosto);
    void AcumularComisionVenta(qint16 intAgente, const QDateTime& dteFecha, Currency curImporte);
    void AcumularComisionCobro(qint16 intAgente, const QDateTime& dteFecha, Currency curImporte);
    void Acum_Venta_Art(qint16 intAlmacen, const QDateTime& dteFecha, qint32 lngArticulo,
                        qint16 intAgente, Currency curImpPvp, Currency curImpCosto);

private:
    enum class Cursor { Static, ForwardOnly };
    bool load(const char* source, clsAgente* clsDest, Cursor cursor,
              QString (*statement)(const clsAgente& target));
    void CargarInst(ado::Recordset& rs, clsAgente& target);
};

} // namespace ORBTAgentes
