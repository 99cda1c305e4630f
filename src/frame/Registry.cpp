#include "Registry.h"

namespace ORBTAgentes {

namespace {

constexpr qint32 kEmpresaOrbenta = 0x68030001;
constexpr qint32 kConexionOrbenta = 0x68030000;

MemberInfo prop(const char* name, qint32 id, VarType t) {
    return {name, id, MemberKind::Property, t};
}
MemberInfo method(const char* name, qint32 id, VarType result, std::vector<ParamInfo> params = {}) {
    return {name, id, MemberKind::Method, result, std::move(params)};
}
void addContext(std::vector<MemberInfo>& m) {
    m.push_back(
        {"EmpresaOrbenta", kEmpresaOrbenta, MemberKind::WriteOnlyObjectProperty, VarType::Object});
    m.push_back({"ConexionOrbenta", kConexionOrbenta, MemberKind::WriteOnlyObjectProperty,
                 VarType::Object});
}

ClassInfo agente() {
    std::vector<MemberInfo> m;
    const std::pair<const char*, VarType> props[] = {{"Codigo", VarType::Integer},
                                                     {"Nombre", VarType::String},
                                                     {"Direccion", VarType::String},
                                                     {"Cp", VarType::Long},
                                                     {"Localidad", VarType::String},
                                                     {"Provincia", VarType::String},
                                                     {"Telefono", VarType::String},
                                                     {"Fax", VarType::String},
                                                     {"Movil", VarType::String},
                                                     {"eMail", VarType::String},
                                                     {"Almacen", VarType::Integer},
                                                     {"Bloqueado", VarType::Boolean},
                                                     {"Bloq_Fecha", VarType::Date},
                                                     {"Bloq_Motivo", VarType::String},
                                                     {"ComisionVenta", VarType::Currency},
                                                     {"ComisionCobro", VarType::Currency},
                                                     {"Retencion_IRPF", VarType::Currency},
                                                     {"NoImpLiquidacion", VarType::Boolean},
                                                     {"Password", VarType::String},
                                                     {"Cta_Bancaria", VarType::String},
                                                     {"Observ", VarType::String},
                                                     {"SoloLectura", VarType::Boolean}};
    qint32 id = 0x40030000;
    for (const auto& [name, type] : props)
        m.push_back(prop(name, id++, type));
    addContext(m);
    const ParamInfo dest{"clsDest", VarType::Object, true, QVariant()};
    m.push_back(method("AcumularVenta", 0x60030002, VarType::Void,
                       {{"intAgente", VarType::Integer},
                        {"dteFecha", VarType::Date},
                        {"curImpPvp", VarType::Currency},
                        {"curImpCosto", VarType::Currency}}));
    m.push_back(method("AcumularComisionVenta", 0x60030003, VarType::Void,
                       {{"intAgente", VarType::Integer},
                        {"dteFecha", VarType::Date},
                        {"curImporte", VarType::Currency}}));
    m.push_back(method("AcumularComisionCobro", 0x60030004, VarType::Void,
                       {{"intAgente", VarType::Integer},
                        {"dteFecha", VarType::Date},
                        {"curImporte", VarType::Currency}}));
    m.push_back(method("Modificar", 0x60030005, VarType::Boolean));
    m.push_back(method("Insertar", 0x60030006, VarType::Boolean));
    m.push_back(method("Eliminar", 0x60030007, VarType::Boolean));
    m.push_back(method("Cargar", 0x60030008, VarType::Boolean, {dest}));
    m.push_back(method("Cargar_Anterior", 0x60030009, VarType::Boolean, {dest}));
    m.push_back(method("Cargar_Primero", 0x6003000A, VarType::Boolean, {dest}));
    m.push_back(method("Cargar_Siguiente", 0x6003000B, VarType::Boolean, {dest}));
    m.push_back(method("Cargar_Ultimo", 0x6003000C, VarType::Boolean, {dest}));
    m.push_back(method("Acum_Venta_Art", 0x6003000E, VarType::Void,
                       {{"intAlmacen", VarType::Integer},
                        {"dteFecha", VarType::Date},
                        {"lngArticulo", VarType::Long},
                        {"intAgente", VarType::Integer},
                        {"curImpPvp", VarType::Currency},
                        {"curImpCosto", VarType::Currency}}));
    return {"clsAgente", "{BF7889CF-D691-43C6-A45F-73158C5C7708}", "_clsAgente",
            "{B62887C5-2237-46EF-93BE-75D875D7C468}", std::move(m)};
}

ClassInfo comision() {
    std::vector<MemberInfo> m;
    const std::pair<const char*, VarType> fields[] = {
        {"Nivel", VarType::Byte},        {"Familia_1", VarType::Integer},
        {"Familia_2", VarType::Integer}, {"Familia_3", VarType::Integer},
        {"Articulo", VarType::Long},     {"Agente", VarType::Integer},
        {"Comision", VarType::Double},   {"NumNiveles", VarType::Integer}};
    qint32 id = 0x40030000;
    for (const auto& [name, type] : fields)
        m.push_back(prop(name, id++, type));
    addContext(m);
    m.push_back(method("Insertar", 0x60030002, VarType::Void));
    m.push_back(method("Eliminar", 0x60030003, VarType::Void));
    m.push_back(method("Calcula_Nivel", 0x60030004, VarType::Void, {{"key", VarType::String}}));
    m.push_back(method("Cargar_Articulos", 0x60030005, VarType::Void,
                       {{"rs", VarType::Object},
                        {"intFamilia1", VarType::Integer},
                        {"intFamilia2", VarType::Integer},
                        {"intFamilia3", VarType::Integer}}));
    m.push_back(method("Cargar_Todos", 0x60030006, VarType::Void, {{"rs", VarType::Object}}));
    m.push_back(method("Dev_Comision", 0x60030007, VarType::Double));
    m.push_back(method("Dev_Comision_Activa", 0x60030009, VarType::Double));
    m.push_back(method("Modificar", 0x6003000A, VarType::Void));
    return {"clsComision_Familias", "{52F8770D-3ED5-4D63-AD99-3CFB10BCCEE2}",
            "_clsComision_Familias", "{09AB94AF-7E30-42A8-9C3F-0DA1E68902E6}", std::move(m)};
}

ClassInfo ventana(const char* name, const char* clsid, const char* iface, const char* iid) {
    std::vector<MemberInfo> m;
    addContext(m);
    m.push_back(method("Show", 0x60030002, VarType::Void,
                       {{"Modal", VarType::Integer, true, QVariant(qint16(0))},
                        {"OwnerForm", VarType::Object, true, QVariant()}}));
    return {name, clsid, iface, iid, std::move(m)};
}

} // namespace

const MemberInfo* ClassInfo::member(qint32 dispatchId) const {
    for (const MemberInfo& m : members)
        if (m.dispatchId == dispatchId)
            return &m;
    return nullptr;
}

const MemberInfo* ClassInfo::member(const QString& n) const {
    for (const MemberInfo& m : members)
        if (n.compare(QLatin1String(m.name), Qt::CaseInsensitive) == 0)
            return &m;
    return nullptr;
}

const std::vector<ClassInfo>& publicClasses() {
    static const std::vector<ClassInfo> classes = {
        agente(),
        comision(),
        ventana("frmclsAgente", "{BF27D548-033D-4FF3-AD6C-71C84B601B7B}", "_frmclsAgente",
                "{1929E29D-B333-4B40-A970-8F4DBC1F9103}"),
        ventana("frmclsCambioFactura", "{03F1A370-B63B-45E7-9BE3-A23A087B5E57}",
                "_frmclsCambioFactura", "{A26885B3-7D84-4E7D-AD15-0AAAD022BE2E}"),
        ventana("frmclsComision_Familias", "{2A4E4A69-07AB-4D34-9851-037FF88C65E0}",
                "_frmclsComision_Familias", "{DB187383-45D9-4877-8BF5-CE5D1D02D1F1}"),
    };
    return classes;
}

const ClassInfo* findClass(const QString& key) {
    QString k = key.trimmed();
    for (const ClassInfo& c : publicClasses()) {
        QString id = QLatin1String(c.classId);
        if (k.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0 ||
            k.compare(c.progId(), Qt::CaseInsensitive) == 0 ||
            k.compare(id, Qt::CaseInsensitive) == 0 ||
            k.compare(id.mid(1, id.size() - 2), Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

const ClassInfo& classInfo(const char* name) {
    const ClassInfo* c = findClass(QLatin1String(name));
    Q_ASSERT(c);
    return *c;
}

} // namespace ORBTAgentes
