#include "Database.h"
#include "TestCli.h"
#include "TestComponent.h"
#include "TestWorkers.h"

#include <QTextStream>
#include <optional>

using namespace ORBTAgentes;
using namespace testsupport;

namespace {

constexpr qint64 kMaxScaled = std::numeric_limits<qint64>::max();

struct WholeCase {
    QVariant in;
    std::optional<int> integer; // nullopt: the conversion fails with `error`
    qint32 error = 0;
};

TEST(Values, WholeNumbersRoundHalfToEvenAndFailAtTheirEdges) {
    const WholeCase cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {-3.5, -4},
        {32766.5, 32766},
        {32767.4, 32767},
        {32767.5, {}, 6},
        {-32768.5, -32768},
        {-32769.0, {}, 6},
        {" 12 ", 12},
        {"12.5", 12},
        {"abc", {}, 13},
        {QVariant(QMetaType::fromType<int>()), {}, 94},
        {QVariant(), 0},
        {true, -1},
        {qlonglong(70000), {}, 6},
    };
    for (const WholeCase& c : cases) {
        int got = 0;
        const qint32 error = errorOf([&] { got = toInteger(c.in); });
        EXPECT_EQ(std::pair(got, error), std::pair(c.integer.value_or(0), c.error))
            << c.in.toString().toStdString();
    }
    EXPECT_EQ(toByte(QVariant(254.5)), 254);
    EXPECT_EQ(toByte(QVariant(-0.5)), 0);
    EXPECT_EQ(errorOf([] { toByte(QVariant(255.5)); }), rt::Overflow);
    EXPECT_EQ(errorOf([] { toByte(QVariant(-1)); }), rt::Overflow);
    EXPECT_EQ(toLong(QVariant(2147483647.4)), 2147483647);
    EXPECT_EQ(errorOf([] { toLong(QVariant(2147483647.5)); }), rt::Overflow);
    EXPECT_EQ(toLong(QVariant(-2147483648.5)), -2147483647 - 1);
}

TEST(Values, CurrencyKeepsFourDecimalsExactly) {
    const std::pair<const char*, qint64> exact[] = {
        {"12.34565", 123456},  {"12.34575", 123458}, {"12.345650001", 123457},
        {"0.00005", 0},        {"0.00015", 2},       {"-0.00015", -2},
        {"-12.5000", -125000}, {"7", 70000},         {"922337203685477.5807", kMaxScaled}};
    for (const auto& [text, scaled] : exact)
        EXPECT_EQ(Currency::fromString(QLatin1String(text)).scaled(), scaled) << text;
    // From a double: halves (exact in binary after scaling) go to the even neighbour.
    const std::pair<double, qint64> halves[] = {{0.00005, 0},     {0.00025, 2},   {0.00035, 4},
                                                {0.00045, 4},     {-0.00025, -2}, {1.23425, 12342},
                                                {0.1 + 0.2, 3000}};
    for (const auto& [value, scaled] : halves)
        EXPECT_EQ(Currency::fromDouble(value).scaled(), scaled) << value;
    EXPECT_EQ(errorOf([] { Currency::fromString("12,5"); }), rt::TypeMismatch);
    EXPECT_EQ(toCurrency(QVariant(qlonglong(-3))).scaled(), -30000);
    EXPECT_EQ(Currency::fromScaled(-5).toString(), "-0.0005");
    EXPECT_EQ(Currency::fromScaled(1234500).toString(), "123.45");
    EXPECT_EQ((Currency::fromScaled(1) + Currency::fromScaled(2)).scaled(), 3);
    // Beyond the 64-bit range, arithmetic and conversions fail; nothing wraps around.
    const Currency max = Currency::fromScaled(kMaxScaled),
                   min = Currency::fromScaled(-kMaxScaled - 1);
    const std::function<void()> overflows[] = {
        [&] { (void)(max + Currency::fromScaled(1)); },
        [&] { (void)(min - Currency::fromScaled(1)); },
        [&] { (void)(min + Currency::fromScaled(-1)); },
        [&] { (void)(max - Currency::fromScaled(-1)); },
        [&] { (void)(-min); },
        [] { Currency::fromString("922337203685477.5808"); },
        [] { Currency::fromString("-922337203685477.5809"); },
        [] { Currency::fromDouble(922337203685478.0); },
        [] { Currency::fromDouble(-1e300); },
        [] { toCurrency(QVariant(1e300)); },
        [] { toCurrency("1e300"); },
        [] { toCurrency(QVariant(qlonglong(1e15))); }};
    for (size_t i = 0; i < std::size(overflows); ++i)
        EXPECT_EQ(errorOf(overflows[i]), rt::Overflow) << "case " << i;
    EXPECT_EQ((max - max + min).scaled(), -kMaxScaled - 1);
}

TEST(Values, DatesTextsBooleansAndVal) {
    EXPECT_EQ(zeroDate(), naive(QDate(1899, 12, 30), QTime(0, 0)));
    EXPECT_EQ(toDate("2024-02-29T23:59:58"), naive(QDate(2024, 2, 29), QTime(23, 59, 58)));
    EXPECT_EQ(toDate("2024-02-29 01:02:03"), naive(QDate(2024, 2, 29), QTime(1, 2, 3)));
    EXPECT_EQ(toDate(QVariant(QDate(1900, 1, 1))), naive(QDate(1900, 1, 1), QTime(0, 0)));
    EXPECT_EQ(toDate(QVariant(2.5)), naive(QDate(1900, 1, 1), QTime(12, 0)));
    EXPECT_EQ(errorOf([] { toDate("mañana"); }), rt::TypeMismatch);
    EXPECT_EQ(errorOf([] { toDate(QVariant(QMetaType::fromType<QDateTime>())); }),
              rt::InvalidUseOfNull);
    EXPECT_EQ(errorOf([] { toText(QVariant(QMetaType::fromType<QString>())); }),
              rt::InvalidUseOfNull);
    EXPECT_EQ(toText(QVariant()), QString());
    EXPECT_EQ(
        std::vector<bool>({toBoolean(QVariant(qlonglong(1))), toBoolean("true"), toBoolean("0")}),
        std::vector<bool>({true, true, false}));
    EXPECT_EQ(errorOf([] { toBoolean("sí"); }), rt::TypeMismatch);
    const std::pair<const char*, double> vals[] = {
        {" 12.5abc", 12.5}, {"-3-4", -3}, {"1.2.3", 1.2}, {"abc", 0}, {"  +7", 7}, {"", 0},
        {".5", 0.5},        {"- 5", 0},   {"15-3-7", 15}};
    for (const auto& [text, v] : vals)
        EXPECT_EQ(Val(QLatin1String(text)), v) << text;
}

// The identities hosts register against, as published for the type library.
TEST(Registry, ClassesInterfacesAndDispatchIdentifiers) {
    QStringList expected = {
        "clsAgente {BF7889CF-D691-43C6-A45F-73158C5C7708} _clsAgente "
        "{B62887C5-2237-46EF-93BE-75D875D7C468} Codigo=40030000 Nombre=40030001 Direccion=40030002 "
        "Cp=40030003 Localidad=40030004 Provincia=40030005 Telefono=40030006 Fax=40030007 "
        "Movil=40030008 eMail=40030009 Almacen=4003000a Bloqueado=4003000b Bloq_Fecha=4003000c "
        "Bloq_Motivo=4003000d ComisionVenta=4003000e ComisionCobro=4003000f "
        "Retencion_IRPF=40030010 NoImpLiquidacion=40030011 Password=40030012 Cta_Bancaria=40030013 "
        "Observ=40030014 SoloLectura=40030015 EmpresaOrbenta=68030001 ConexionOrbenta=68030000 "
        "AcumularVenta=60030002 AcumularComisionVenta=60030003 AcumularComisionCobro=60030004 "
        "Modificar=60030005 Insertar=60030006 Eliminar=60030007 Cargar=60030008 "
        "Cargar_Anterior=60030009 Cargar_Primero=6003000a Cargar_Siguiente=6003000b "
        "Cargar_Ultimo=6003000c Acum_Venta_Art=6003000e",
        "clsComision_Familias {52F8770D-3ED5-4D63-AD99-3CFB10BCCEE2} _clsComision_Familias "
        "{09AB94AF-7E30-42A8-9C3F-0DA1E68902E6} Nivel=40030000 Familia_1=40030001 "
        "Familia_2=40030002 Familia_3=40030003 Articulo=40030004 Agente=40030005 Comision=40030006 "
        "NumNiveles=40030007 EmpresaOrbenta=68030001 ConexionOrbenta=68030000 Insertar=60030002 "
        "Eliminar=60030003 Calcula_Nivel=60030004 Cargar_Articulos=60030005 Cargar_Todos=60030006 "
        "Dev_Comision=60030007 Dev_Comision_Activa=60030009 Modificar=6003000a"};
    const char* const windows[][3] = {
        {"frmclsAgente", "BF27D548-033D-4FF3-AD6C-71C84B601B7B",
         "1929E29D-B333-4B40-A970-8F4DBC1F9103"},
        {"frmclsCambioFactura", "03F1A370-B63B-45E7-9BE3-A23A087B5E57",
         "A26885B3-7D84-4E7D-AD15-0AAAD022BE2E"},
        {"frmclsComision_Familias", "2A4E4A69-07AB-4D34-9851-037FF88C65E0",
         "DB187383-45D9-4877-8BF5-CE5D1D02D1F1"},
        {"frmclsResumenAgentes", "6E1B2C47-9A3D-4F58-B0C2-7D84E19A5F36",
         "C3A9F1D2-5B47-4E8A-9D16-2F7B08E4A5C1"}};
    for (const auto& [name, classId, interfaceId] : windows)
        expected << QString("%1 {%2} _%1 {%3} EmpresaOrbenta=68030001 ConexionOrbenta=68030000 "
                            "Show=60030002")
                        .arg(QLatin1String(name), QLatin1String(classId),
                             QLatin1String(interfaceId));
    const auto& classes = publicClasses();
    ASSERT_EQ(qsizetype(classes.size()), expected.size());
    for (size_t i = 0; i < classes.size(); ++i) {
        const ClassInfo& c = classes[i];
        QStringList got = {QLatin1String(c.name), QLatin1String(c.classId),
                           QLatin1String(c.interfaceName), QLatin1String(c.interfaceId)};
        for (const MemberInfo& m : c.members)
            got << QLatin1String(m.name) + u'=' + QString::number(quint32(m.dispatchId), 16);
        EXPECT_EQ(got.join(u' '), expected[qsizetype(i)]);
        EXPECT_EQ(findClass(c.progId()), &c);
    }
    const MemberInfo* show = classes[3].member("Show");
    ASSERT_EQ(show->params.size(), 2u);
    EXPECT_TRUE(show->params[0].optional && show->params[1].optional);
    EXPECT_EQ(show->params[0].defaultValue.toInt(), 0);
}

TEST(Dispatch, PropertiesMethodsDefaultsAndFailures) {
    const qint32 before = AutomationObject::liveObjects();
    ObjectRef a = CreateObject("ORBTAgentes.clsAgente");
    ObjectRef b = CreateObject("bf7889cf-d691-43c6-a45f-73158c5c7708");
    EXPECT_TRUE(AutomationObject::liveObjects() == before + 2 && !CanUnloadNow());
    EXPECT_STREQ(b->classInfo().name, "clsAgente");
    const auto id = [&](const char* name) {
        return a->classInfo().member(QLatin1String(name))->dispatchId;
    };
    const auto get = [&](const char* m) { return Invoke(*a, id(m), DispatchKind::PropertyGet); };
    const auto put = [&](const char* m, const QVariant& v) {
        Invoke(*a, id(m), DispatchKind::PropertyPut, {v});
    };
    put("Codigo", "7");
    EXPECT_EQ(get("Codigo").toInt(), 7);
    put("ComisionVenta", 12.34565);
    EXPECT_EQ(get("ComisionVenta").value<Currency>().scaled(), 123456);
    EXPECT_EQ(errorOf([&] { put("Codigo", 70000); }), rt::Overflow);
    EXPECT_EQ(get("Codigo").toInt(), 7) << "a failed put changes nothing";

    { // the table holds a reference to b until its end
        const std::tuple<qint32, DispatchKind, QVariantList, qint32> calls[] = {
            {12345, DispatchKind::Method, {}, disp::MemberNotFound}, // no such member
            {id("ConexionOrbenta"), DispatchKind::PropertyGet, {}, disp::MemberNotFound},
            {id("Cargar"), DispatchKind::PropertyPut, {1}, disp::MemberNotFound},
            {id("Cargar"), DispatchKind::Method, {QVariant(), 2}, rt::WrongArguments},
            {id("AcumularVenta"), DispatchKind::Method, {1}, rt::ArgumentNotOptional},
            {id("EmpresaOrbenta"), DispatchKind::PropertyPutRef, {"x"}, rt::TypeMismatch},
            {id("Cargar"), DispatchKind::Method, {QVariant::fromValue(b)}, 0}, // another agent
            {id("Cargar"), DispatchKind::Method, {"x"}, rt::TypeMismatch}};
        for (const auto& [member, kind, args, error] : calls)
            EXPECT_EQ(errorOf([&] { Invoke(*a, member, kind, args); }), error) << member;
    }

    // Cargar's target is optional.
    Invoke(*a, id("ConexionOrbenta"), DispatchKind::PropertyPutRef, {QVariant()});
    const auto e = failureOf([&] { Invoke(*a, id("Cargar"), DispatchKind::Method); });
    EXPECT_EQ(e.number(), rt::ObjectNotSet);
    EXPECT_EQ(e.source(), "clsAgente::Cargar");
    EXPECT_EQ(errorOf([] { CreateObject("ORBTAgentes.clsNada"); }), disp::ClassNotRegistered);
    a.reset();
    b.reset();
    EXPECT_EQ(AutomationObject::liveObjects(), before);
}

// A value of each parameter's type with which the call succeeds on an empty database.
QVariant sampleArgument(const ParamInfo& p) {
    if (p.type == VarType::Integer) // modeless
        return QVariant::fromValue(qint16(qstrcmp(p.name, "Modal") == 0 ? 0 : 1));
    if (p.type == VarType::Object && qstrcmp(p.name, "rs") == 0)
        return QVariant::fromValue(std::make_shared<ado::Recordset>());
    const QVariant samples[] = {// in the order of VarType; Object: Nothing (optional targets)
                                {},
                                {},
                                QVariant::fromValue(qint32(1)),
                                QVariant::fromValue(quint8(1)),
                                1.5,
                                QVariant::fromValue(Currency::fromString("1.25")),
                                naive(QDate(2026, 1, 2), QTime(0, 0)),
                                "1000-4-1-2-3", // Calcula_Nivel's key
                                false,
                                {}};
    return samples[int(p.type)];
}

// The shared context must close its connection while Qt's SQL layer still stands.
int exitWorker(const QStringList& args) {
    (void)SharedContext::utilidades(); // the context first...
    auto cn = std::make_shared<ado::Connection>();
    cn->Open(args.value(0)); // ...then the first connection of the process
    clsAgente a;
    a.ConexionOrbenta(cn);
    a.Codigo = 1;
    a.Cargar();
    return 0; // the context still holds the connection when the process ends
}
const WorkerRegistration registerExit("salida", exitWorker);

// Then a host that touched the shared context first exits cleanly (exitWorker).
TEST(Dispatch, EveryMemberOfEveryInterfaceIsReachableAndAHostExitsCleanly) {
    ScratchDatabase db(Engine::SQLite);
    auto cn = db.open();
    orbenta::db::createSchema(*cn, false);
    const auto empresa = company(1, 1);
    auto presenter = std::make_shared<ui::RecordingPresenter>();
    ui::setPresenter(presenter);
    for (const ClassInfo& c : publicClasses()) {
        ObjectRef o = CreateObject(c.progId());
        for (const MemberInfo& m : c.members) {
            SCOPED_TRACE(std::string(c.name) + "." + m.name);
            const auto call = [&] {
                switch (m.kind) {
                case MemberKind::WriteOnlyObjectProperty:
                    Invoke(*o, m.dispatchId, DispatchKind::PropertyPutRef,
                           {qstrcmp(m.name, "EmpresaOrbenta") == 0 ? QVariant::fromValue(empresa)
                                                                   : QVariant::fromValue(cn)});
                    break;
                case MemberKind::Property:
                    Invoke(*o, m.dispatchId, DispatchKind::PropertyPut,
                           {Invoke(*o, m.dispatchId, DispatchKind::PropertyGet)});
                    break;
                case MemberKind::Method: {
                    QVariantList args;
                    for (const ParamInfo& p : m.params)
                        args << sampleArgument(p);
                    Invoke(*o, m.dispatchId, DispatchKind::Method, args);
                    break;
                }
                }
            };
            // Whatever the member answered came from its own work, never from the dispatch.
            const auto e = failureOf(call);
            EXPECT_NE(e.number(), disp::MemberNotFound) << e.what();
            EXPECT_TRUE(e.number() == 0 || e.source() != "ORBTAgentes") << e.what();
        }
    }
    ui::setPresenter(nullptr);
    SharedContext::setConexion(nullptr);
    QProcess p;
    p.start(selfPath(), {"--orbenta-worker", "salida", db.connectionString()});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_TRUE(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        << p.readAllStandardError().toStdString();
}

TEST(Dispatch, ShowRefusesAModalOtherThanZeroOrOne) {
    ObjectRef o = CreateObject("ORBTAgentes.frmclsCambioFactura");
    const qint32 show = o->classInfo().member("Show")->dispatchId;
    for (const qint16 modal : {qint16(2), qint16(-1), qint16(256)})
        EXPECT_EQ(errorOf([&] { Invoke(*o, show, DispatchKind::Method, {modal}); }),
                  rt::InvalidCall)
            << modal;
    const QWidget* window = dynamic_cast<frmclsCambioFactura&>(*o).window();
    EXPECT_TRUE(!window || !window->isVisible());
}

// Qt's "Yes" button text before and after the process's first object of the component.
int qtTextsWorker(const QStringList&) {
    const QString before = QCoreApplication::translate("QPlatformTheme", "&Yes");
    clsAgente first;
    const QString after = QCoreApplication::translate("QPlatformTheme", "&Yes");
    QTextStream(stdout) << before << u'|' << after << u'|'
                        << QCoreApplication::translate("QPlatformTheme", "Cancel");
    return 0;
}
const WorkerRegistration registerQtTexts("textosQt", qtTextsWorker);

TEST(Regional, QtsOwnTextsAreSpanishFromTheFirstObjectWhenTheSettingsAre) {
    const std::pair<const char*, const char*> cases[] = {
        {"C", "&Yes|&Sí|Cancelar"}, // no configured locale: Spanish settings
        {"es_ES.UTF-8", "&Yes|&Sí|Cancelar"},
        {"en_US.UTF-8", "&Yes|&Yes|Cancel"}};
    for (const auto& [lcAll, texts] : cases) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QString::fromUtf8(lcAll));
        EXPECT_EQ(runProgram(selfPath(), {"--orbenta-worker", "textosQt"}, env).out,
                  QString::fromUtf8(texts))
            << lcAll;
    }
}

} // namespace
