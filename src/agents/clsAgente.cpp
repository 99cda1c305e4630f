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

clsAgente::clsAgente() : AutomationObject(ORBTAgentes::classInfo("clsAgente")) {}

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

QString emp() {
    return sqlInteger(SharedContext::empresa()->CodEmpresa());
}

// UPDATE the key's row; when it has none, INSERT it. Each builder reads the company
// code and formats the amounts when it is called. An INSERT refused by the key means
// another client created the row since the UPDATE: the UPDATE runs again and adds the
// amounts to that row. Nothing is caught otherwise.
void accumulate(const std::function<QString()>& update, const std::function<QString()>& insert) {
    constexpr int kAttempts = 5;
    for (int attempt = 1;; ++attempt) {
        qint32 affected = 0;
        SharedContext::conexion()->Execute(update(), &affected, ado::adCmdText);
        if (toInteger(double(affected)) != 0)
            return;
        try {
            SharedContext::conexion()->Execute(insert(), nullptr, ado::adCmdText);
            return;
        } catch (const AutomationError& e) {
            if (e.number() != ado::errors::Integrity || attempt == kAttempts)
                throw;
        }
    }
}

QString dayKey(qint16 agente, const QDateTime& fecha) {
    return QStringLiteral(" WHERE Cod_Empresa =") + emp() + QStringLiteral(" AND Cod_Agente =") +
           sqlInteger(agente) + QStringLiteral(" AND Fecha ='") + sqlDateBody(fecha) +
           QStringLiteral("'");
}

QString dayInsert(const char* column, qint16 agente, const QDateTime& fecha) {
    return QStringLiteral("INSERT INTO Agentes_Acumulados (Cod_Empresa, Cod_Agente, Fecha,") +
           u' ' + QLatin1String(column) + QStringLiteral(") VALUES (") + emp() +
           QStringLiteral(", ") + sqlInteger(agente) + QStringLiteral(", '") + sqlDateBody(fecha) +
           QStringLiteral("', ");
}

void commission(const char* column, qint16 agente, const QDateTime& fecha, Currency importe) {
    const QString col = QLatin1String(column);
    accumulate(
        [&]() -> QString {
            const QString amount = sqlAmount(importe);
            return QStringLiteral("UPDATE Agentes_Acumulados") + QStringLiteral(" SET ") + col +
                   QStringLiteral(" = ") + col + QStringLiteral(" + ") + amount +
                   dayKey(agente, fecha);
        },
        [&]() -> QString {
            const QString amount = sqlAmount(importe);
            return dayInsert(column, agente, fecha) + amount + QStringLiteral(")");
        });
}

} // namespace

void clsAgente::AcumularVenta(qint16 intAgente, const QDateTime& dteFecha, Currency curImpPvp,
                              Currency curImpCosto) {
    accumulate(
        [&]() -> QString {
            const QString pvp = sqlAmount(curImpPvp), cost = sqlAmount(curImpCosto);
            return QStringLiteral("UPDATE Agentes_Acumulados") +
                   QStringLiteral(" SET Importe_Pvp = Importe_Pvp + ") + pvp +
                   QStringLiteral(" ,Importe_Costo = Importe_Costo + ") + cost +
                   dayKey(intAgente, dteFecha);
        },
        [&]() -> QString {
            const QString pvp = sqlAmount(curImpPvp), cost = sqlAmount(curImpCosto);
            return dayInsert("Importe_Pvp, Importe_Costo", intAgente, dteFecha) + pvp +
                   QStringLiteral(", ") + cost + QStringLiteral(")");
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
    accumulate(
        [&]() -> QString {
            const QString pvp = sqlAmount(curImpPvp), cost = sqlAmount(curImpCosto);
            return QStringLiteral("UPDATE Agentes_Acumulados_Articulos") +
                   QStringLiteral(" SET Importe_Pvp = Importe_Pvp + ") + pvp +
                   QStringLiteral(" ,Importe_Costo = Importe_Costo + ") + cost +
                   QStringLiteral(" WHERE Cod_Empresa =") + emp() +
                   QStringLiteral(" AND Cod_Almacen =") + sqlInteger(intAlmacen) +
                   QStringLiteral(" AND Fecha ='") + sqlDateBody(dteFecha) + QStringLiteral("'") +
                   QStringLiteral(" AND Cod_Agente =") + sqlInteger(intAgente) +
                   QStringLiteral(" AND Cod_Articulo=") + sqlInteger(lngArticulo);
        },
        [&]() -> QString {
            const QString pvp = sqlAmount(curImpPvp), cost = sqlAmount(curImpCosto);
            return QStringLiteral("INSERT INTO Agentes_Acumulados_Articulos (Cod_Empresa, "
                                  "Cod_Almacen, Fecha, ") +
                   QStringLiteral(
                       " Cod_Articulo, Cod_Agente, Importe_Pvp, Importe_Costo) VALUES (") +
                   emp() + QStringLiteral(", ") + sqlInteger(intAlmacen) + QStringLiteral(", '") +
                   sqlDateBody(dteFecha) + QStringLiteral("', ") + sqlInteger(lngArticulo) +
                   QStringLiteral(", ") + sqlInteger(intAgente) + QStringLiteral(", ") + pvp +
                   QStringLiteral(", ") + cost + QStringLiteral(")");
        });
}

// ---- dispatch ------------------------------------------------------------------------

namespace {

clsAgente* agentArgument(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return nullptr;
    if (v.userType() == qMetaTypeId<ObjectRef>()) {
        ObjectRef o = v.value<ObjectRef>();
        if (!o)
            return nullptr;
        if (auto* a = dynamic_cast<clsAgente*>(o.get()))
            return a;
    }
    throw runtimeError(rt::TypeMismatch);
}

} // namespace

QVariant clsAgente::getProperty(const MemberInfo& m) const {
    switch (m.dispatchId - 0x40030000) {
    case 0:
        return QVariant::fromValue(Codigo);
    case 1:
        return Nombre;
    case 2:
        return Direccion;
    case 3:
        return QVariant::fromValue(Cp);
    case 4:
        return Localidad;
    case 5:
        return Provincia;
    case 6:
        return Telefono;
    case 7:
        return Fax;
    case 8:
        return Movil;
    case 9:
        return eMail;
    case 10:
        return QVariant::fromValue(Almacen);
    case 11:
        return Bloqueado;
    case 12:
        return Bloq_Fecha;
    case 13:
        return Bloq_Motivo;
    case 14:
        return QVariant::fromValue(ComisionVenta);
    case 15:
        return QVariant::fromValue(ComisionCobro);
    case 16:
        return QVariant::fromValue(Retencion_IRPF);
    case 17:
        return NoImpLiquidacion;
    case 18:
        return Password;
    case 19:
        return Cta_Bancaria;
    case 20:
        return Observ;
    case 21:
        return SoloLectura;
    default:
        return AutomationObject::getProperty(m);
    }
}

void clsAgente::putProperty(const MemberInfo& m, const QVariant& v) {
    switch (m.dispatchId - 0x40030000) {
    case 0:
        Codigo = v.value<qint16>();
        break;
    case 1:
        Nombre = v.toString();
        break;
    case 2:
        Direccion = v.toString();
        break;
    case 3:
        Cp = v.value<qint32>();
        break;
    case 4:
        Localidad = v.toString();
        break;
    case 5:
        Provincia = v.toString();
        break;
    case 6:
        Telefono = v.toString();
        break;
    case 7:
        Fax = v.toString();
        break;
    case 8:
        Movil = v.toString();
        break;
    case 9:
        eMail = v.toString();
        break;
    case 10:
        Almacen = v.value<qint16>();
        break;
    case 11:
        Bloqueado = v.toBool();
        break;
    case 12:
        Bloq_Fecha = v.toDateTime();
        break;
    case 13:
        Bloq_Motivo = v.toString();
        break;
    case 14:
        ComisionVenta = v.value<Currency>();
        break;
    case 15:
        ComisionCobro = v.value<Currency>();
        break;
    case 16:
        Retencion_IRPF = v.value<Currency>();
        break;
    case 17:
        NoImpLiquidacion = v.toBool();
        break;
    case 18:
        Password = v.toString();
        break;
    case 19:
        Cta_Bancaria = v.toString();
        break;
    case 20:
        Observ = v.toString();
        break;
    case 21:
        SoloLectura = v.toBool();
        break;
    default:
        AutomationObject::putProperty(m, v);
    }
}

QVariant clsAgente::callMethod(const MemberInfo& m, const QVariantList& a) {
    // Arguments arrive converted to their declared types (see Invoke).
    const auto currency = [&](int i) { return a[i].value<Currency>(); };
    switch (m.dispatchId) {
    case 0x60030002:
        AcumularVenta(a[0].value<qint16>(), a[1].toDateTime(), currency(2), currency(3));
        return {};
    case 0x60030003:
        AcumularComisionVenta(a[0].value<qint16>(), a[1].toDateTime(), currency(2));
        return {};
    case 0x60030004:
        AcumularComisionCobro(a[0].value<qint16>(), a[1].toDateTime(), currency(2));
        return {};
    case 0x60030005:
        return Modificar();
    case 0x60030006:
        return Insertar();
    case 0x60030007:
        return Eliminar();
    case 0x6003000E:
        Acum_Venta_Art(a[0].value<qint16>(), a[1].toDateTime(), a[2].value<qint32>(),
                       a[3].value<qint16>(), currency(4), currency(5));
        return {};
    case 0x60030008:
        return Cargar(agentArgument(a[0]));
    case 0x60030009:
        return Cargar_Anterior(agentArgument(a[0]));
    case 0x6003000A:
        return Cargar_Primero(agentArgument(a[0]));
    case 0x6003000B:
        return Cargar_Siguiente(agentArgument(a[0]));
    case 0x6003000C:
        return Cargar_Ultimo(agentArgument(a[0]));
    default:
        return AutomationObject::callMethod(m, a);
    }
}

} // namespace ORBTAgentes
