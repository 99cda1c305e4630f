// The commission window choosing an agent (family tree, Cargar_Todos, the rule merge
// and the first paint of the grid) beside a raw QtSql read of the same two result sets;
// at full size and at a tenth, to show that the merge grows linearly. The peak resident
// size of the process is reported as a counter (rss_peak_MB).
#include "BenchSupport.h"

#include <ORBTAgentes.h>
#include <QFile>

namespace bench {

namespace {

// Full size: 200 families x 9 sub-families x 10 sub-sub-families (20,000 nodes), 50,000
// articles each with a rule of agent 1, and 5,000 family rules of agent 1.
struct Escala {
    int familias, subfamilias, subsub, articulos, reglasFamilia;
};
constexpr Escala kCompleta{200, 9, 10, 50000, 5000};
constexpr Escala kDecima{20, 9, 10, 5000, 500};

// Many rows per statement: the data is made once per run.
class Lote {
public:
    Lote(ado::Connection& cn, QString head) : cn_(cn), head_(std::move(head)) {}
    ~Lote() { flush(); }
    void add(const QString& values) {
        text_ += (text_.isEmpty() ? head_ : QStringLiteral(",")) + u'(' + values + u')';
        if (++n_ == 500)
            flush();
    }
    void flush() {
        if (!text_.isEmpty())
            cn_.Execute(text_);
        text_.clear();
        n_ = 0;
    }

private:
    ado::Connection& cn_;
    QString head_, text_;
    int n_ = 0;
};

std::unique_ptr<BenchDatabase> make(BenchDatabase::Engine e, const Escala& s) {
    auto db = std::make_unique<BenchDatabase>(e, 2);
    if (!db->available())
        return db;
    ado::Connection& cn = *db->cn;
    cn.BeginTrans();
    const auto n = [](int v) { return QString::number(v); };
    std::vector<std::array<int, 3>> hojas;
    {
        Lote f1(cn, QStringLiteral("INSERT INTO Familias_1 (Cod_Empresa, Codigo, Nombre) VALUES "));
        Lote f2(cn, QStringLiteral(
                        "INSERT INTO Familias_2 (Cod_Empresa, Familia_1, Codigo, Nombre) VALUES "));
        Lote f3(cn, QStringLiteral("INSERT INTO Familias_3 (Cod_Empresa, Familia_1, Familia_2, "
                                   "Codigo, Nombre) VALUES "));
        for (int a = 1; a <= s.familias; ++a) {
            f1.add(QStringLiteral("1, ") + n(a) + QStringLiteral(", 'Familia ") + n(a) + u'\'');
            for (int b = 1; b <= s.subfamilias; ++b) {
                f2.add(QStringLiteral("1, ") + n(a) + QStringLiteral(", ") + n(b) +
                       QStringLiteral(", 'Subfamilia ") + n(a) + u'.' + n(b) + u'\'');
                for (int c = 1; c <= s.subsub; ++c) {
                    f3.add(QStringLiteral("1, ") + n(a) + QStringLiteral(", ") + n(b) +
                           QStringLiteral(", ") + n(c) + QStringLiteral(", 'Grupo ") + n(a) + u'.' +
                           n(b) + u'.' + n(c) + u'\'');
                    hojas.push_back({a, b, c});
                }
            }
        }
    }
    {
        Lote art(cn, QStringLiteral("INSERT INTO Articulos (Cod_Empresa, Codigo, Descripcion, "
                                    "Familia_1, Familia_2, Familia_3) VALUES "));
        Lote reg(cn, QStringLiteral("INSERT INTO Agentes_Comisiones (Nivel, Cod_Empresa, "
                                    "Cod_Agente, Comision, Cod_Articulo, Familia_1, Familia_2, "
                                    "Familia_3) VALUES "));
        for (int i = 0; i < s.articulos; ++i) {
            const auto& h = hojas[size_t(i) % hojas.size()];
            const QString ruta =
                n(h[0]) + QStringLiteral(", ") + n(h[1]) + QStringLiteral(", ") + n(h[2]);
            art.add(QStringLiteral("1, ") + n(100000 + i) + QStringLiteral(", 'Artículo ") + n(i) +
                    QStringLiteral("', ") + ruta);
            reg.add(QStringLiteral("4, 1, 1, ") + n(1 + i % 20) + QStringLiteral(", ") +
                    n(100000 + i) + QStringLiteral(", ") + ruta);
        }
        for (int i = 0; i < s.reglasFamilia; ++i) {
            const auto& h = hojas[size_t(i) * 3 % hojas.size()];
            reg.add(QStringLiteral("3, 1, 1, 5, 0, ") + n(h[0]) + QStringLiteral(", ") + n(h[1]) +
                    QStringLiteral(", ") + n(h[2]));
        }
    }
    cn.CommitTrans();
    return db;
}

BenchDatabase& database(BenchDatabase::Engine e, const Escala& s) {
    return keptDatabase("comisiones-" + std::to_string(int(e)) + "-" + std::to_string(s.familias),
                        [&] { return make(e, s); });
}

void share(BenchDatabase& db) {
    auto empresa = std::make_shared<ORBTEmp::Empresa>();
    empresa->setCodEmpresa(1);
    empresa->setCodEmpresaArticulos(1);
    for (int i = 0; i < 3; ++i)
        empresa->setNombreNivel(i, QStringLiteral("Nivel"));
    ORBTAgentes::SharedContext::setEmpresa(empresa);
    ORBTAgentes::SharedContext::setConexion(db.cn);
}

double rssPeakMB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

void window(benchmark::State& state, BenchDatabase::Engine e, Escala s) {
    BenchDatabase& db = database(e, s);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    share(db);
    ui::setPresenter(std::make_shared<ui::RecordingPresenter>());
    ORBTAgentes::frmclsComision_Familias cls;
    cls.Show(0);
    ORBTAgentes::frmAgentes_Comision_Familias* w = cls.window();
    for (auto _ : state) {
        w->ElegirAgente(1);
        w->findChild<grid::OutlineGrid*>(QStringLiteral("vsCom"))
            ->viewport()
            ->repaint(); // the first paint
    }
    const int expected = s.familias * (1 + s.subfamilias * (1 + s.subsub)) + s.articulos;
    if (w->findChild<grid::OutlineGrid*>(QStringLiteral("vsCom"))->Rows() != expected)
        state.SkipWithError("the tree does not hold every node and article");
    state.counters["rss_peak_MB"] = rssPeakMB();
    ui::setPresenter(nullptr);
}

void raw(benchmark::State& state, BenchDatabase::Engine e, Escala s) {
    BenchDatabase& db = database(e, s);
    if (!db.available())
        return state.SkipWithError("no PostgreSQL server configured");
    QSqlQuery q(db.cn->database());
    q.setForwardOnly(true);
    const QString arbol = QStringLiteral(
        "SELECT COALESCE(fam1.Nombre,'') AS Nombre1, COALESCE(fam2.Nombre,'') AS Nombre2, "
        "COALESCE(fam3.Nombre,'') AS Nombre3, fam1.Codigo AS Codigo, COALESCE(fam2.Codigo,0) AS "
        "Codigo1, COALESCE(fam3.Codigo,0) AS Codigo2 FROM Familias_1 fam1 LEFT JOIN Familias_2 "
        "fam2 ON fam2.Cod_Empresa = fam1.Cod_Empresa AND fam1.Codigo = fam2.Familia_1 LEFT JOIN "
        "Familias_3 fam3 ON fam3.Cod_Empresa = fam2.Cod_Empresa AND fam3.Familia_1 = "
        "fam2.Familia_1 AND fam3.Familia_2 = fam2.Codigo WHERE fam1.Cod_Empresa = 1 ORDER BY "
        "Codigo, Codigo1, Codigo2");
    const QString reglas = QStringLiteral(
        "SELECT COALESCE(des.Cod_Articulo,0) AS Cod_Articulo, COALESCE(des.Familia_1, "
        "art.Familia_1) AS Familia_1, COALESCE(des.Familia_2, art.Familia_2) AS Familia_2, "
        "COALESCE(des.Familia_3, art.Familia_3) AS Familia_3, des.Nivel, des.Comision, "
        "COALESCE(art.Descripcion,'') AS Nombre FROM Agentes_Comisiones des LEFT JOIN Articulos "
        "art ON (art.Cod_Empresa = 1 AND art.Codigo = des.Cod_Articulo) WHERE des.Cod_Agente = 1 "
        "AND des.Cod_Empresa = 1 ORDER BY Familia_1, Familia_2, Familia_3");
    for (auto _ : state) {
        benchmark::DoNotOptimize(rawQuery(q, arbol));
        benchmark::DoNotOptimize(rawQuery(q, reglas));
    }
}

} // namespace

void registerComisionWindow() {
    for (auto e : {BenchDatabase::SQLite, BenchDatabase::PostgreSQL}) {
        const std::string eng = e == BenchDatabase::SQLite ? "SQLite" : "PostgreSQL";
        for (const auto& [s, size] : {std::pair{kCompleta, std::string("20000 nodes, 55000 rules")},
                                      std::pair{kDecima, std::string("2000 nodes, 5500 rules")}}) {
            const std::string row =
                "frmAgentes_Comision_Familias agent chosen vs raw reads, " + size + ", " + eng;
            benchmark::RegisterBenchmark((row + "/component").c_str(), window, e, s)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark((row + "/baseline").c_str(), raw, e, s)
                ->Unit(benchmark::kMillisecond);
        }
    }
}

} // namespace bench
