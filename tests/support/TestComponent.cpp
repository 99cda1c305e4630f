#include "TestComponent.h"

#include "Database.h"

#include <ORBTAgentes.h>
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
