#include "clsAgente.h"

#include "frame/Errors.h"
#include "frame/SharedContext.h"
#include "frame/SqlValues.h"

#include <ado/Connection.h>
#include <ado/Recordset.h>
#include <empresa/Empresa.h>
#include <functional>
#include <ui/MessageBox.h>

namespace ORBTAgentes {

clsAgente::clsAgente() : AutomationObject(interfaceInfo()) {}

namespace {

QString code(const clsAgente& a) {
    return QString::number(a.Codigo);
}

QString byCode(const clsAgente& t) {
    return QStringLiteral("SELECT * FROM Agentes WHERE Codigo =") + code(t);
}

QString previous(const clsAgente& t) {
    return QStringLiteral("SELECT * FROM Agentes WHERE Codigo IN") +
           QStringLiteral(" (SELECT TOP 1 Codigo FROM Agentes") +
           QStringLiteral(" WHERE Codigo < ") + code(t) + QStringLiteral(" ORDER BY Codigo DESC)");
}

QString next(const clsAgente& t) {
    return QStringLiteral("SELECT * FROM Agentes WHERE Codigo IN") +
           QStringLiteral(" (SELECT TOP 1 Codigo FROM Agentes") +
           QStringLiteral(" WHERE Codigo > ") + code(t) + QStringLiteral(" ORDER BY Codigo ASC)");
}

QString first(const clsAgente&) {
    return QStringLiteral("SELECT * FROM Agentes WHERE Codigo IN") +
           QStringLiteral(" (SELECT ISNULL(MIN(Codigo), 0) AS Codigo FROM Agentes)");
}

QString last(const clsAgente&) {
    return QStringLiteral("SELECT * FROM Agentes WHERE Codigo IN") +
           QStringLiteral(" (SELECT ISNULL(MAX(Codigo), 0) AS Codigo FROM Agentes)");
}

} // namespace

bool clsAgente::load(const char* source, clsAgente* clsDest, Cursor cursor,
                     QString (*statement)(const clsAgente&)) {
    return reraiseAs(source, [&] {
        clsAgente& target = clsDest ? *clsDest : *this;
        const std::shared_ptr<ado::Connection> cn = SharedContext::conexion();
        ado::Recordset rs;
        rs.Open(statement(target), *cn,
                cursor == Cursor::Static ? ado::adOpenStatic : ado::adOpenForwardOnly,
                ado::adLockReadOnly, ado::adCmdText);
        const bool found = !rs.Eof();
        if (found)
            CargarInst(rs, target);
        rs.Close();
        return found;
    });
}

bool clsAgente::Cargar(clsAgente* clsDest) {
    // Code 0 names no agent: nothing to ask the database.
    if ((clsDest ? clsDest : this)->Codigo == 0)
        return false;
    return load("clsAgente::Cargar", clsDest, Cursor::Static, byCode);
}

bool clsAgente::Cargar_Anterior(clsAgente* clsDest) {
    return load("clsAgente::Cargar_Anterior", clsDest, Cursor::ForwardOnly, previous);
}

bool clsAgente::Cargar_Primero(clsAgente* clsDest) {
    return load("clsAgente::Cargar_Primero", clsDest, Cursor::ForwardOnly, first);
}

bool clsAgente::Cargar_Siguiente(clsAgente* clsDest) {
    return load("clsAgente::Cargar_Siguiente", clsDest, Cursor::ForwardOnly, next);
}

bool clsAgente::Cargar_Ultimo(clsAgente* clsDest) {
    return load("clsAgente::Cargar_Ultimo", clsDest, Cursor::ForwardOnly, last);
}

// Copies the current row in a fixed order; a NULL or a value that does not fit stops
// the copy there, leaving the properties before it with the new row's values.
void clsAgente::CargarInst(ado::Recordset& rs, clsAgente& t) {
    reraiseAs("clsAgente::CargarInst", [&] {
        const auto f = [&](const char* column) -> const QVariant& {
            return rs.Fields(QLatin1String(column));
        };
        t.Codigo = toInteger(f("Codigo"));
        t.Nombre = toText(f("Nombre"));
        t.Direccion = toText(f("Direccion"));
        t.Cp = toLong(f("Cp"));
        t.Localidad = toText(f("Localidad"));
        t.Provincia = toText(f("Provincia"));
        t.Telefono = toText(f("Telefono"));
        t.Fax = toText(f("Fax"));
        t.Movil = toText(f("Movil"));
        t.eMail = toText(f("eMail"));
        t.Almacen = toInteger(f("Almacen"));
        t.Bloqueado = toBoolean(f("Bloqueado"));
        t.Bloq_Fecha = toDate(f("Bloq_Fecha"));
        t.Bloq_Motivo = toText(f("Bloq_Motivo"));
        t.ComisionCobro = toCurrency(f("ComisCobros"));
        t.ComisionVenta = toCurrency(f("ComisVentas"));
        t.Retencion_IRPF = toCurrency(f("Retencion_IRPF"));
        t.NoImpLiquidacion = toBoolean(f("NoImpLiquidacion"));
        t.Password = toText(f("Password"));
        t.Cta_Bancaria = toText(f("Cta_Bancaria"));
        t.Observ = toText(f("Observ"));
    });
}

// ---- saving ---------------------------------------------------------------------------

bool clsAgente::Modificar() {
    return reraiseAs("clsAgente::Modificar", [&] {
        const QString sql =
            QStringLiteral("UPDATE Agentes SET Nombre ='") + sqlTextBody(Nombre) +
            QStringLiteral("', Direccion ='") + sqlTextBody(Direccion) + QStringLiteral("', Cp =") +
            sqlInteger(Cp) + QStringLiteral(", Localidad ='") + sqlTextBody(Localidad) +
            QStringLiteral("', Provincia ='") + sqlTextBody(Provincia) +
            QStringLiteral("', Telefono ='") + sqlTextBody(Telefono) + QStringLiteral("', Fax ='") +
            sqlTextBody(Fax) + QStringLiteral("', Movil ='") + sqlTextBody(Movil) +
            QStringLiteral("', EMail ='") + sqlTextBody(eMail) + QStringLiteral("', Almacen =") +
            sqlInteger(Almacen) + QStringLiteral(", Bloqueado =") + sqlBoolean(Bloqueado) +
            QStringLiteral(", Bloq_Fecha ='") + sqlDateBody(Bloq_Fecha) +
            QStringLiteral("', Bloq_Motivo ='") + sqlTextBody(Bloq_Motivo) +
            QStringLiteral("', ComisVentas =") + sqlAmount(ComisionVenta) +
            QStringLiteral(", ComisCobros =") + sqlAmount(ComisionCobro) +
            QStringLiteral(", Retencion_IRPF =") + sqlAmount(Retencion_IRPF) +
            QStringLiteral(", NoImpLiquidacion =") + sqlBoolean(NoImpLiquidacion) +
            QStringLiteral(", Password ='") + sqlTextBody(Password) +
            QStringLiteral("', Cta_Bancaria ='") + sqlTextBody(Cta_Bancaria) +
            QStringLiteral("', Observ ='") + sqlTextBody(Observ) + QStringLiteral("', Enviado =0") +
            QStringLiteral(" WHERE Codigo =") + sqlInteger(Codigo);
        qint32 affected = 0;
        SharedContext::conexion()->Execute(sql, &affected, ado::adCmdText);
        if (affected == 0)
            Insertar();
        return true;
    });
}

bool clsAgente::Insertar() {
    return reraiseAs("clsAgente::Insertar", [&] {
        const QString sql =
            QStringLiteral("INSERT INTO Agentes (Codigo, Nombre, Direccion, Cp, Localidad,") +
            QStringLiteral(
                " Provincia, Telefono, Fax, Movil, EMail, Almacen, Bloqueado, Bloq_Fecha,") +
            QStringLiteral(" Bloq_Motivo, ComisVentas, ComisCobros, Retencion_IRPF, "
                           "NoImpLiquidacion, Password, "
                           "Cta_Bancaria, Observ) VALUES (") +
            sqlInteger(Codigo) + QStringLiteral(", '") + sqlTextBody(Nombre) +
            QStringLiteral("', '") + sqlTextBody(Direccion) + QStringLiteral("', ") +
            sqlInteger(Cp) + QStringLiteral(", '") + sqlTextBody(Localidad) +
            QStringLiteral("', '") + sqlTextBody(Provincia) + QStringLiteral("', '") +
            sqlTextBody(Telefono) + QStringLiteral("', '") + sqlTextBody(Fax) +
            QStringLiteral("', '") + sqlTextBody(Movil) + QStringLiteral("', '") +
            sqlTextBody(eMail) + QStringLiteral("', ") + sqlInteger(Almacen) +
            QStringLiteral(", ") + sqlBoolean(Bloqueado) + QStringLiteral(", '") +
            sqlDateBody(Bloq_Fecha) + QStringLiteral("', '") + sqlTextBody(Bloq_Motivo) +
            QStringLiteral("', ") + sqlAmount(ComisionVenta) + QStringLiteral(", ") +
            sqlAmount(ComisionCobro) + QStringLiteral(", ") + sqlAmount(Retencion_IRPF) +
            QStringLiteral(", ") + sqlBoolean(NoImpLiquidacion) + QStringLiteral(", '") +
            sqlTextBody(Password) + QStringLiteral("', '") + sqlTextBody(Cta_Bancaria) +
            QStringLiteral("', '") + sqlTextBody(Observ) + QStringLiteral("')");
        SharedContext::conexion()->Execute(sql, nullptr, ado::adCmdText);
        return true;
    });
}

bool clsAgente::Eliminar() {
    return reraiseAs("clsAgente::Eliminar", [&] {
        const std::shared_ptr<ado::Connection> cn = SharedContext::conexion();
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT TOP 1 * FROM Agentes_Acumulados WHERE Cod_Agente =") +
                    sqlInteger(Codigo),
                *cn, ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText);
        if (rs.Eof()) {
            rs.Close();
            SharedContext::conexion()->Execute(
                QStringLiteral("DELETE FROM Agentes WHERE Codigo =") + sqlInteger(Codigo), nullptr,
                ado::adCmdText);
            return true;
        }
        ui::MsgBox(QStringLiteral("No se puede eliminar el agente por tener datos asociados."),
                   ui::vbInformation, QStringLiteral("¡ Atención !"));
        rs.Close();
        return false;
    });
}

// ---- accumulators ------------------------------------------------------------------------

namespace {

// UPDATE the key's row; when it has none, INSERT it. Each builder reads the company
// code and formats the amounts when it is called. An INSERT refused by the key means
// another client created the row since the UPDATE: the UPDATE runs again and adds the
// amounts to that row. Nothing is caught otherwise.
void accumulate(const std::function<ado::Statement()>& update,
                const std::function<ado::Statement()>& insert) {
    constexpr int kAttempts = 5;
    for (int attempt = 1;; ++attempt) {
        const qint32 affected = SharedContext::conexion()->ExecuteCount(update());
        if (toInteger(double(affected)) != 0)
            return;
        try {
            SharedContext::conexion()->ExecuteCount(insert());
            return;
        } catch (const AutomationError& e) {
            if (e.number() != ado::errors::Integrity || attempt == kAttempts)
                throw;
        }
    }
}

// The values of a statement, in the order the statement's text writes them: integers as
// digits, amounts through the SQL literal formatter, dates as their text.
ado::Param amount(Currency v) {
    return ado::Param::number(sqlAmount(v));
}
ado::Param day(const QDateTime& fecha) {
    return ado::Param::text(sqlDateBody(fecha));
}

const QString kDayKey = QStringLiteral(" WHERE Cod_Empresa =? AND Cod_Agente =? AND Fecha =?");

QString dayInsert(const char* column) {
    return QStringLiteral("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha,") +
           u' ' + QLatin1String(column) + QStringLiteral(") VALUES (?, ?, ?, ");
}

void commission(const char* column, qint16 agente, const QDateTime& fecha, Currency importe) {
    const QString col = QLatin1String(column);
    accumulate(
        [&]() -> ado::Statement {
            const ado::Param a = amount(importe);
            return {QStringLiteral("UPDATE Agentes_Acumulados") + QStringLiteral(" SET ") + col +
                        QStringLiteral(" = ") + col + QStringLiteral(" + ?") + kDayKey,
                    {a, SharedContext::empresa()->CodEmpresa(), agente, day(fecha)}};
        },
        [&]() -> ado::Statement {
            const ado::Param a = amount(importe);
            return {dayInsert(column) + QStringLiteral("?)"),
                    {SharedContext::empresa()->CodEmpresa(), agente, day(fecha), a}};
        });
}

} // namespace

void clsAgente::AcumularVenta(qint16 intAgente, const QDateTime& dteFecha, Currency curImpPvp,
                              Currency curImpCosto) {
    static const QString update = QStringLiteral("UPDATE Agentes_Acumulados") +
                                  QStringLiteral(" SET Importe_Pvp = Importe_Pvp + ?") +
                                  QStringLiteral(" ,Importe_Costo = Importe_Costo + ?") + kDayKey;
    static const QString insert = dayInsert("Importe_Pvp, Importe_Costo") + QStringLiteral("?, ?)");
    accumulate(
        [&]() -> ado::Statement {
            const ado::Param pvp = amount(curImpPvp), cost = amount(curImpCosto);
            return {update,
                    {pvp, cost, SharedContext::empresa()->CodEmpresa(), intAgente, day(dteFecha)}};
        },
        [&]() -> ado::Statement {
            const ado::Param pvp = amount(curImpPvp), cost = amount(curImpCosto);
            return {insert,
                    {SharedContext::empresa()->CodEmpresa(), intAgente, day(dteFecha), pvp, cost}};
        });
}

void clsAgente::AcumularComisionVenta(qint16 intAgente, const QDateTime& dteFecha,
                                      Currency curImporte) {
    commission("ComisionVenta", intAgente, dteFecha, curImporte);
}

void clsAgente::AcumularComisionCobro(qint16 intAgente, const QDateTime& dteFecha,
                                      Currency curImporte) {
    commission("ComisionCobro", intAgente, dteFecha, curImporte);
}

void clsAgente::Acum_Venta_Art(qint16 intAlmacen, const QDateTime& dteFecha, qint32 lngArticulo,
                               qint16 intAgente, Currency curImpPvp, Currency curImpCosto) {
    static const QString update =
        QStringLiteral("UPDATE Agentes_Acumulados_Articulos") +
        QStringLiteral(" SET Importe_Pvp = Importe_Pvp + ?") +
        QStringLiteral(" ,Importe_Costo = Importe_Costo + ?") +
        QStringLiteral(" WHERE Cod_Empresa =? AND Cod_Almacen =? AND Fecha =?") +
        QStringLiteral(" AND Cod_Agente =? AND Cod_Articulo=?");
    static const QString insert =
        QStringLiteral("INSERT INTO Agentes_Acumulados_Articulos (Cod_Empresa, "
                       "Cod_Almacen, Fecha, ") +
        QStringLiteral(" Cod_Articulo, Cod_Agente, Importe_Pvp, Importe_Costo) VALUES (") +
        QStringLiteral("?, ?, ?, ?, ?, ?, ?)");
    accumulate(
        [&]() -> ado::Statement {
            const ado::Param pvp = amount(curImpPvp), cost = amount(curImpCosto);
            return {update,
                    {pvp, cost, SharedContext::empresa()->CodEmpresa(), intAlmacen, day(dteFecha),
                     intAgente, lngArticulo}};
        },
        [&]() -> ado::Statement {
            const ado::Param pvp = amount(curImpPvp), cost = amount(curImpCosto);
            return {insert,
                    {SharedContext::empresa()->CodEmpresa(), intAlmacen, day(dteFecha), lngArticulo,
                     intAgente, pvp, cost}};
        });
}

// ---- interface ----------------------------------------------------------------------------

const ClassInfo& clsAgente::interfaceInfo() {
    using A = clsAgente;
    static const ClassInfo info{
        "clsAgente",
        "{BF7889CF-D691-43C6-A45F-73158C5C7708}",
        "_clsAgente",
        "{B62887C5-2237-46EF-93BE-75D875D7C468}",
        {
            property<&A::Codigo>("Codigo", 0x40030000),
            property<&A::Nombre>("Nombre", 0x40030001),
            property<&A::Direccion>("Direccion", 0x40030002),
            property<&A::Cp>("Cp", 0x40030003),
            property<&A::Localidad>("Localidad", 0x40030004),
            property<&A::Provincia>("Provincia", 0x40030005),
            property<&A::Telefono>("Telefono", 0x40030006),
            property<&A::Fax>("Fax", 0x40030007),
            property<&A::Movil>("Movil", 0x40030008),
            property<&A::eMail>("eMail", 0x40030009),
            property<&A::Almacen>("Almacen", 0x4003000A),
            property<&A::Bloqueado>("Bloqueado", 0x4003000B),
            property<&A::Bloq_Fecha>("Bloq_Fecha", 0x4003000C),
            property<&A::Bloq_Motivo>("Bloq_Motivo", 0x4003000D),
            property<&A::ComisionVenta>("ComisionVenta", 0x4003000E),
            property<&A::ComisionCobro>("ComisionCobro", 0x4003000F),
            property<&A::Retencion_IRPF>("Retencion_IRPF", 0x40030010),
            property<&A::NoImpLiquidacion>("NoImpLiquidacion", 0x40030011),
            property<&A::Password>("Password", 0x40030012),
            property<&A::Cta_Bancaria>("Cta_Bancaria", 0x40030013),
            property<&A::Observ>("Observ", 0x40030014),
            property<&A::SoloLectura>("SoloLectura", 0x40030015),
            empresaOrbenta(),
            conexionOrbenta(),
            method<&A::AcumularVenta>("AcumularVenta", 0x60030002, "intAgente", "dteFecha",
                                      "curImpPvp", "curImpCosto"),
            method<&A::AcumularComisionVenta>("AcumularComisionVenta", 0x60030003, "intAgente",
                                              "dteFecha", "curImporte"),
            method<&A::AcumularComisionCobro>("AcumularComisionCobro", 0x60030004, "intAgente",
                                              "dteFecha", "curImporte"),
            method<&A::Modificar>("Modificar", 0x60030005),
            method<&A::Insertar>("Insertar", 0x60030006),
            method<&A::Eliminar>("Eliminar", 0x60030007),
            method<&A::Cargar>("Cargar", 0x60030008, optional("clsDest")),
            method<&A::Cargar_Anterior>("Cargar_Anterior", 0x60030009, optional("clsDest")),
            method<&A::Cargar_Primero>("Cargar_Primero", 0x6003000A, optional("clsDest")),
            method<&A::Cargar_Siguiente>("Cargar_Siguiente", 0x6003000B, optional("clsDest")),
            method<&A::Cargar_Ultimo>("Cargar_Ultimo", 0x6003000C, optional("clsDest")),
            method<&A::Acum_Venta_Art>("Acum_Venta_Art", 0x6003000E, "intAlmacen", "dteFecha",
                                       "lngArticulo", "intAgente", "curImpPvp", "curImpCosto"),
        },
        create<clsAgente>};
    return info;
}

} // namespace ORBTAgentes
