#include "TestComponent.h"

#include "Database.h"

#include <QProcess>

namespace testsupport {

void ComponentTest::SetUp() {
    EngineTest::SetUp();
    if (IsSkipped())
        return;
    createSchema();
    ORBTAgentes::SharedContext::setConexion(cn);
    presenter = std::make_shared<ui::RecordingPresenter>();
    ui::setPresenter(presenter);
}

std::shared_ptr<ORBTEmp::Empresa> ComponentTest::shareCompany(qint16 code) {
    auto e = std::make_shared<ORBTEmp::Empresa>();
    e->setCodEmpresa(code);
    ORBTAgentes::SharedContext::setEmpresa(e);
    return e;
}

void ComponentTest::TearDown() {
    ui::setPresenter(nullptr);
    EngineTest::TearDown();
}

std::shared_ptr<ORBTEmp::Empresa> company(qint16 code, int levels, qint16 catalogue) {
    auto e = std::make_shared<ORBTEmp::Empresa>();
    e->setCodEmpresa(code);
    e->setCodEmpresaArticulos(catalogue ? catalogue : code);
    const char* names[] = {"Familia", "Subfamilia", "Grupo"};
    for (int i = 0; i < levels; ++i)
        e->setNombreNivel(i, QLatin1String(names[i]));
    return e;
}

void insertAgent(ado::Connection& cn, int code, const QString& nombre, const QString& observ,
                 const QString& fecha) {
    const QString n = QString::number(code);
    cn.Execute(
        "INSERT INTO Agentes (Codigo, Nombre, Direccion, Cp, Localidad, Provincia, Telefono, "
        "Fax, Movil, EMail, Almacen, Bloqueado, Bloq_Fecha, Bloq_Motivo, ComisVentas, "
        "ComisCobros, Retencion_IRPF, NoImpLiquidacion, Password, Cta_Bancaria, Observ) "
        "VALUES (" +
        n + ", " + utilidades::sqlQuoted(nombre.isEmpty() ? "Agente " + n : nombre) + ", 'Dir " +
        n + "', " + QString::number(48000 + code) + ", 'Loc', 'Prov', 'Tel', 'Fax', 'Mov', 'm" + n +
        "@x.es', " + QString::number(code % 5) + ", 1, " + fecha +
        ", 'motivo', 1234.5678, -0.0001, 15, 0, 'pw', '21000000000000000000', " + observ + ")");
}

ORBTAgentes::clsAgente loadedAgent(qint16 code) {
    ORBTAgentes::clsAgente a;
    a.Codigo = code;
    EXPECT_TRUE(a.Cargar()) << "agent " << code;
    return a;
}

QStringList amountRows(ado::Connection& cn, const QString& sql) {
    QStringList rows = rowsOf(cn, sql);
    for (QString& r : rows) {
        QStringList f = r.split(u'|');
        for (int i = 1; i < f.size(); ++i)
            f[i] = ORBTAgentes::toCurrency(f[i]).toString();
        r = f.join(u'|');
    }
    return rows;
}

void useInstalledReports(ado::Connection& cn) {
    auto e = ORBTAgentes::SharedContext::empresa();
    e->setRutaAplicacion(orbenta::db::applicationFolder());
    for (const auto& [clave, valor] : orbenta::db::reportSettings(cn.ConnectionString()))
        e->setValorConfiguracion(clave, valor);
}

QStringList pdfLines(const QString& file) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!text.waitForFinished(30000) || text.exitCode() != 0)
        ADD_FAILURE() << "pdftotext could not read " << file.toStdString();
    QStringList lines;
    for (const QString& line : QString::fromUtf8(text.readAllStandardOutput()).split(u'\n'))
        if (!line.trimmed().isEmpty())
            lines << line.simplified();
    return lines;
}

} // namespace testsupport
