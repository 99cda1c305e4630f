#include "clsAgente.h"

#include "frame/Errors.h"
#include "frame/SharedContext.h"

#include <ado/Connection.h>
#include <ado/Recordset.h>

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
    switch (m.dispatchId) {
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
