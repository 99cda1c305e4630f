#include "TestComponent.h"

#include <ORBTAgentes.h>

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

} // namespace testsupport
