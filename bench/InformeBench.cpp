// The commission sheet of a 10,000-row grid: the work-table fill (emptying the table and
// one INSERT per row, in one transaction) beside a raw QtSql prepared insert of the same
// rows in one transaction; and the sheet drawn as PDF, in pages per second.
#include "BenchSupport.h"

#include <Database.h>
#include <ORBTAgentes.h>
#include <QBuffer>

namespace bench {

namespace {

constexpr int kFilas = 10000;

// Rows as the commission grid holds them: family nodes on three levels with article rows
// below, texts with quotes and accents, percentages, empty cells and "BLOQUEADO".
const grid::OutlineModel& filas() {
    static const std::unique_ptr<grid::OutlineModel> m = [] {
        auto model = std::make_unique<grid::OutlineModel>(11);
        const QStringList porcentajes = {QString(), QStringLiteral("12,50"),
                                         QStringLiteral("BLOQUEADO"), QStringLiteral("4,00")};
        for (int i = 0; i < kFilas; ++i) {
            const int nivel = 1 + i % 4;
            model->AddItem(QStringLiteral("\t\t\t") + QString::number(i) +
                           QStringLiteral(" - Familia d'Ávila ") + QString::number(i % 97) +
                           QStringLiteral("\t1\t0\t0\t") + QString::number(nivel) +
                           QStringLiteral("\t\t\t") + porcentajes[i % porcentajes.size()]);
        }
        return model;
    }();
    return *m;
}

BenchDatabase& database(BenchDatabase::Engine e) {
    BenchDatabase& db = sharedDatabase(e, 2);
    if (!db.available())
        return db;
    auto empresa = std::make_shared<ORBTEmp::Empresa>();
    empresa->setCodEmpresa(1);
    empresa->setCodEmpresaArticulos(1);
    empresa->setRutaAplicacion(orbenta::db::applicationFolder());
    for (const auto& [clave, valor] : orbenta::db::reportSettings(db.cn->ConnectionString()))
        empresa->setValorConfiguracion(clave, valor);
    ORBTAgentes::SharedContext::setEmpresa(empresa);
    ORBTAgentes::SharedContext::setConexion(db.cn);
    return db;
}

void fill(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = database(e);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    const grid::OutlineModel& m = filas();
    for (auto _ : state)
        ORBTAgentes::InformeComisiones::Llenar(m);
}

void raw(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = database(e);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    const grid::OutlineModel& m = filas();
    QSqlDatabase d = db.cn->database();
    QSqlQuery q(d);
    const QString vaciar = e == BenchDatabase::SQLite
                               ? QStringLiteral("DELETE FROM Listado_Desc_Comis")
                               : QStringLiteral("TRUNCATE TABLE Listado_Desc_Comis");
    for (auto _ : state) {
        d.transaction();
        q.exec(vaciar);
        q.prepare(QStringLiteral("INSERT INTO Listado_Desc_Comis (Elemento,Porcentaje) VALUES "
                                 "(?,?)"));
        for (int i = 0; i < m.Rows(); ++i) {
            q.bindValue(0,
                        QString(QString(m.TextMatrix(i, 7).toInt(), u'\t') + m.TextMatrix(i, 3)));
            q.bindValue(1, m.TextMatrix(i, 10));
            if (!q.exec())
                qFatal("baseline insert failed: %s", qPrintable(q.lastError().text()));
        }
        d.commit();
    }
}

// The whole sheet (about 200 pages) drawn into a PDF in memory.
void pdf(benchmark::State& state, BenchDatabase::Engine e) {
    BenchDatabase& db = database(e);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    db.cn->Execute(QStringLiteral("DELETE FROM Empresas WHERE Codigo = 1"));
    db.cn->Execute(QStringLiteral("INSERT INTO Empresas (Codigo, Nombre, Cod_Empresa_Articulos) "
                                  "VALUES (1, 'Distribuciones Norte', 1)"));
    const auto r =
        ORBTAgentes::InformeComisiones::Preparar(filas(), 1, QStringLiteral("Ana Fernández"));
    int pages = 0;
    for (auto _ : state) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        pages += r->WritePdf(out);
    }
    state.counters["pages_per_s"] = benchmark::Counter(pages, benchmark::Counter::kIsRate);
}

} // namespace

void registerInforme() {
    for (auto e : {BenchDatabase::SQLite, BenchDatabase::PostgreSQL}) {
        const std::string eng = e == BenchDatabase::SQLite ? "SQLite" : "PostgreSQL";
        const std::string row = "Listado_Desc_Comis fill, 10000 rows, vs prepared insert, " + eng;
        benchmark::RegisterBenchmark((row + "/component").c_str(), fill, e)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((row + "/baseline").c_str(), raw, e)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("commission sheet 10000 rows as PDF, SQLite", pdf,
                                 BenchDatabase::SQLite)
        ->Unit(benchmark::kMillisecond);
}

} // namespace bench
