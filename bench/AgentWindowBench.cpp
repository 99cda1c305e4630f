// The agent window against the bare data operations beneath it: ">" from the key press
// to the last control filled beside clsAgente.Cargar_Siguiente, and the search dialog's
// list beside a raw QtSql read of the same rows.
//
// The window's fixed cost is what showing an agent already in memory costs: the bank
// and warehouse names looked up by code, the block date and the amounts formatted, and
// every box given its new text (text layout included), for the same agents in the same
// order as ">" shows them. It does not grow with the table.
#include "BenchSupport.h"

#include <ORBTAgentes.h>
#include <QApplication>
#include <QKeyEvent>

namespace ORBTAgentes {
struct AgentWindowBench {
    static void show(frmAgentes& w) { w.Mostrar(); }
};
} // namespace ORBTAgentes

namespace bench {

namespace {

constexpr int kAgents = 30000;

void share(BenchDatabase& db) {
    auto empresa = std::make_shared<ORBTEmp::Empresa>();
    empresa->setCodEmpresa(1);
    ORBTAgentes::SharedContext::setEmpresa(empresa);
    ORBTAgentes::SharedContext::setConexion(db.cn);
}

void siguienteWindow(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = sharedDatabase(e, kAgents);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    share(db);
    ui::setPresenter(std::make_shared<ui::RecordingPresenter>());
    ORBTAgentes::frmclsAgente cls;
    cls.Show(0);
    ORBTAgentes::frmAgentes* w = cls.window();
    w->findChild<QPushButton*>(QStringLiteral("cmdPrimero"))->click();
    QWidget* nombre = w->findChild<QWidget*>(QStringLiteral("txtNombre"));
    for (auto _ : state) {
        // Alt+Right where the user types: the window's key table takes it.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::AltModifier);
        QApplication::sendEvent(nombre, &press);
    }
    if (w->agente()->Codigo <= -kAgents / 2 + 1)
        state.SkipWithError("the window did not move");
    ui::setPresenter(nullptr);
}

// The fixed cost: the agents ">" goes through, loaded beforehand and shown in the same
// order, so every box changes text and every bank and warehouse is looked up as it is
// on the way.
void showLoaded(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = sharedDatabase(e, kAgents);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    share(db);
    ui::setPresenter(std::make_shared<ui::RecordingPresenter>());
    std::vector<ORBTAgentes::clsAgente> shown(2000);
    shown[0].Cargar_Primero();
    for (size_t i = 1; i < shown.size(); ++i) {
        shown[i].Codigo = shown[i - 1].Codigo;
        shown[i].Cargar_Siguiente();
    }
    ORBTAgentes::frmclsAgente cls;
    cls.Show(0);
    ORBTAgentes::frmAgentes* w = cls.window();
    w->findChild<QPushButton*>(QStringLiteral("cmdPrimero"))->click();
    size_t i = 0;
    for (auto _ : state) {
        *w->agente() = shown[++i % shown.size()];
        ORBTAgentes::AgentWindowBench::show(*w);
    }
    if (w->findChild<QLineEdit*>(QStringLiteral("txtNombre"))->text() !=
        shown[i % shown.size()].Nombre)
        state.SkipWithError("the window did not show the agent");
    ui::setPresenter(nullptr);
}

void siguienteBare(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = sharedDatabase(e, kAgents);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    share(db);
    ORBTAgentes::clsAgente a;
    a.Cargar_Primero();
    for (auto _ : state)
        benchmark::DoNotOptimize(a.Cargar_Siguiente());
}

void searchList(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = sharedDatabase(e, kAgents);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    share(db);
    int listed = 0;
    for (auto _ : state) {
        ORBTAgentes::frmAgentes_Buscar dlg;
        dlg.Mostrar(0, nullptr); // loads: the list filled, the first line selected
        listed = dlg.findChild<controls::ListBox*>(QStringLiteral("lstLineas"))->ListCount();
        dlg.close();
    }
    if (listed != kAgents)
        state.SkipWithError("the list does not hold every agent");
}

void searchRaw(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = sharedDatabase(e, kAgents);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    QSqlQuery q(db.cn->database());
    q.setForwardOnly(true);
    // The statement the dialog sends, in Spanish order as the dialog lists them.
    const QString text =
        native(*db.cn, QStringLiteral("SELECT Codigo, Nombre FROM Agentes ORDER BY Nombre"));
    int cells = 0;
    for (auto _ : state)
        cells = rawQuery(q, text);
    if (cells != 2 * kAgents)
        state.SkipWithError("the read does not see every agent");
}

} // namespace

void registerAgentWindow() {
    for (auto e : {BenchDatabase::SQLite, BenchDatabase::PostgreSQL}) {
        const std::string eng = e == BenchDatabase::SQLite ? "SQLite" : "PostgreSQL";
        const std::string next = "frmAgentes Alt+Right vs Cargar_Siguiente, 30000 agents, " + eng;
        benchmark::RegisterBenchmark((next + "/component").c_str(), siguienteWindow, e)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((next + "/baseline").c_str(), siguienteBare, e)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((next + "/fixed").c_str(), showLoaded, e)
            ->Unit(benchmark::kMicrosecond);
        const std::string list = "frmAgentes_Buscar list vs raw read, 30000 agents, " + eng;
        benchmark::RegisterBenchmark((list + "/component").c_str(), searchList, e)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((list + "/baseline").c_str(), searchRaw, e)
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace bench
