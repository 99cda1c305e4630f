#include "TestComponent.h"

#include <optional>

using namespace ORBTAgentes;
using namespace testsupport;

namespace {

TEST(Comision, NumNivelesComesFromTheCaptions) {
    const std::pair<QStringList, int> cases[] = {{{"F", "S", "G"}, 3},
                                                 {{"F", "S", ""}, 2},
                                                 {{"F", "", ""}, 1},
                                                 {{"", "", "G"}, 3},
                                                 {{"", "", ""}, 1}};
    for (const auto& [captions, levels] : cases) {
        auto e = std::make_shared<ORBTEmp::Empresa>();
        for (int i = 0; i < 3; ++i)
            e->setNombreNivel(i, captions[i]);
        clsComision_Familias r;
        r.EmpresaOrbenta(e);
        EXPECT_EQ(r.NumNiveles, levels) << captions.join(u',').toStdString();
    }
}

struct KeyCase {
    const char* key;
    qint16 numNiveles;
    qint32 error;                    // 0: no failure
    int nivel, articulo, f1, f2, f3; // the fields afterwards (f1 = -1: left as it was)
};

TEST(Comision, CalculaNivelReadsTheKeyByPosition) {
    const KeyCase cases[] = {
        {"0-2-3-7-0", 3, 0, 2, 0, 3, 7, 0},
        {"1520-4-3-7-2", 3, 0, 4, 1520, 3, 7, 2},
        {"1520-4-3-7-2", 2, 0, 4, 0, 3, 7, 2},
        {"1520-3-3-7-2", 2, 0, 3, 1520, 3, 7, 2},
        {"7-3-9", 3, 0, 3, 0, 7, 3, 9},              // two "-": the first field is the family
        {"0-2.5-1.5-2.5-3.5", 3, 0, 2, 0, 2, 2, 4},  // halves go to the even neighbour
        {" 12abc-1-x-5-6", 3, 0, 1, 0, 0, 5, 6},     // a field without a number is worth 0
        {"1-2", 3, rt::InvalidCall, 2, 0, -1, 1, 2}, // fewer than two "-": fails before Familia_1
        {"5", 3, rt::InvalidCall, 5, 0, -1, -1, 5},
        {"1-256-1-1-1", 3, rt::Overflow, -1, -1, -1, -1, -1},
        {"1-2-3-40000-5", 3, rt::Overflow, 2, 0, -1, -1, 5},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.key);
        clsComision_Familias r;
        r.NumNiveles = c.numNiveles;
        r.Nivel = 99;
        r.Articulo = r.Familia_1 = r.Familia_2 = r.Familia_3 = -1;
        EXPECT_EQ(errorOf([&] { r.Calcula_Nivel(QLatin1String(c.key)); }), c.error);
        EXPECT_EQ(std::vector<int>({r.Nivel, r.Articulo, r.Familia_1, r.Familia_2, r.Familia_3}),
                  std::vector<int>({c.nivel < 0 ? 99 : c.nivel, c.articulo, c.f1, c.f2, c.f3}));
    }
    clsComision_Familias r;
    EXPECT_EQ(errorOf([&] { r.Calcula_Nivel(QString(300, u'1') + "-4-1-2-3"); }), rt::Overflow)
        << "a \"-\" beyond position 255";
}

struct Rule {
    int agent, nivel;
    double comision;
    int art = 0, f1 = 0, f2 = 0, f3 = 0, emp = 1;
};

class ComisionDb : public ComponentTest {
protected:
    void SetUp() override {
        ComponentTest::SetUp();
        if (IsSkipped())
            return;
        r.EmpresaOrbenta(company(1, 3));
    }
    void rule(const Rule& x) {
        QStringList v = {utilidades::sqlNumber(x.comision)};
        for (int n : {x.nivel, x.emp, x.agent, x.art, x.f1, x.f2, x.f3})
            v << QString::number(n);
        cn->Execute("INSERT INTO Agentes_Comisiones (Comision, Nivel, Cod_Empresa, Cod_Agente, "
                    "Cod_Articulo, Familia_1, Familia_2, Familia_3) VALUES (" +
                    v.join(", ") + u')');
    }
    clsComision_Familias r;
};

// By default agent 5 asks about article 100 of families 1-2-3 (nivel -1: article level).
struct Item {
    int levels = 3, agent = 5, nivel = -1, f1 = 1, f2 = 2, f3 = 3, art = 100;
};
struct Question {
    const char* name;
    std::vector<Rule> rules;
    Item item;
    double activa;
    int queries; // statements Dev_Comision_Activa runs one by one
};

TEST_P(ComisionDb, ResolutionFollowsTheEightSteps) {
    const Rule gArt{0, 4, 9, 100, 1, 2, 3}; // the general rule of article 100
    const Question questions[] = {
        {"AgentFamilyBeatsGeneralArticle", {{5, 1, 4, 0, 1}, gArt}, {}, 4, 4},
        {"GeneralArticleForAnAgentWithoutRules", {{5, 1, 4, 0, 1}, gArt}, {.agent = 6}, 9, 5},
        {"AgentArticle", {{5, 4, 12, 100, 1, 2, 3}, gArt}, {}, 12, 1},
        {"SubSubFamilyBeforeSubFamily", {{5, 3, 7, 0, 1, 2, 3}, {5, 2, 6, 0, 1, 2}}, {}, 7, 2},
        {"SubFamily", {{5, 2, 6, 0, 1, 2}}, {}, 6, 3},
        {"BlockedFamily", {{5, 1, 200, 0, 1}, gArt}, {}, 200, 4},
        {"ZeroStopsTheSearch", {{5, 1, 0, 0, 1}, gArt}, {}, 0, 4},
        {"BelowZeroPassesOn", {{5, 1, -1, 0, 1}, {5, 2, -7.5, 0, 1, 2}, {0, 1, 3, 0, 1}}, {}, 3, 8},
        {"NothingAtAll", {}, {}, 0, 8},
        {"ArticleStepsIgnoreTheStoredFamilies", {{0, 4, 9, 100, 9, 9, 9}}, {}, 9, 5},
        {"OtherCompanyRulesDoNotCount", {{5, 1, 4, 0, 1, 0, 0, 2}}, {}, 0, 8},
        {"ArticleLevelWithoutArticle", {{0, 1, 2, 0, 1}}, {.art = 0}, 2, 6},
        {"Level2Item", {{5, 3, 7, 0, 1, 2, 3}, {0, 2, 5, 0, 1, 2}}, {.nivel = 2, .art = 0}, 5, 3},
        {"TwoLevelsNeverAskTheThird", {{5, 3, 11, 100, 1, 2}, {5, 3, 7, 0, 1, 2, 3}}, {2}, 11, 1},
        {"TwoLevelsFamilyChain", {{5, 3, 7, 0, 1, 2, 3}, {0, 2, 5, 0, 1, 2}}, {2}, 5, 5},
        {"OneLevelArticle", {{5, 2, 6, 0, 1, 2}, {0, 1, 1.5, 0, 1}}, {1, 5, 2, 1, 2, 0}, 1.5, 4},
        {"AgentZeroAsksTheGeneralRules", {{0, 2, 5.25, 0, 1, 2}}, {.agent = 0}, 5.25, 3},
    };
    for (const Question& q : questions) {
        SCOPED_TRACE(q.name);
        cn->Execute("DELETE FROM Agentes_Comisiones");
        for (const Rule& x : q.rules)
            rule(x);
        const Item& i = q.item;
        r.EmpresaOrbenta(company(1, i.levels));
        r.Agente = qint16(i.agent);
        r.Nivel = quint8(i.nivel < 0 ? r.NumNiveles + 1 : i.nivel);
        r.Familia_1 = qint16(i.f1);
        r.Familia_2 = qint16(i.f2);
        r.Familia_3 = qint16(i.f3);
        r.Articulo = i.art;
        QStringList sent;
        cn->setObserver([&](const ado::StatementEvent& e) { sent << e.text; });
        cn->setPipelining(false);
        EXPECT_EQ(r.Dev_Comision_Activa(), q.activa);
        const QStringList oneByOne = sent;
        EXPECT_EQ(oneByOne.size(), q.queries);
        const auto explained = r.Explicar_Comision_Activa();
        EXPECT_EQ(std::count_if(explained.pasos.begin(), explained.pasos.end(),
                                [](const auto& p) { return p.estado == p.Respondido; }),
                  q.activa != 0 || q.name == std::string("ZeroStopsTheSearch") ? 1 : 0);
        // A pipeline sends every step's statement, those up to the answer first; inside a
        // transaction (every other question) they go one by one again.
        std::optional<ado::Transaction> t;
        if ((&q - questions) % 2)
            t.emplace(*cn);
        cn->setPipelining(true);
        sent.clear();
        EXPECT_EQ(r.Dev_Comision_Activa(), q.activa);
        EXPECT_EQ(sent.mid(0, oneByOne.size()), oneByOne);
        if ((GetParam() != Engine::PostgreSQL && GetParam() != Engine::PgBouncer) || t) {
            EXPECT_EQ(sent, oneByOne) << "one by one without a server or in a transaction";
        }
        const auto pipelined = r.Explicar_Comision_Activa();
        ASSERT_EQ(pipelined.pasos.size(), explained.pasos.size());
        for (int s = 0; s < explained.pasos.size(); ++s) {
            const auto &a = pipelined.pasos[s], &b = explained.pasos[s];
            EXPECT_TRUE(a.estado == b.estado && a.condicion == b.condicion &&
                        a.motivos == b.motivos && a.valor == b.valor)
                << "step " << s + 1;
        }
        cn->setObserver(nullptr);
    }
}

TEST_P(ComisionDb, StoreWritesExactlyTheRuleAskedAndListsFollowTheCatalogue) {
    QStringList sent;
    cn->setObserver([&](const ado::StatementEvent& e) { sent << e.text; });
    r.Agente = 5;
    r.Comision = 12.5;
    r.Nivel = 4; // the article level with three family levels
    r.Articulo = 1520;
    r.Familia_1 = 3;
    r.Familia_2 = 7;
    r.Familia_3 = -2;
    r.Insertar();
    r.Insertar(); // no check: two rows
    r.Comision = 7;
    r.Modificar();
    EXPECT_EQ(r.Dev_Comision(), 7);
    r.Eliminar();
    r.Nivel = 2;
    r.Familia_3 = 0;
    r.Insertar(); // a family rule stores article 0 whatever Articulo holds
    r.Modificar();
    r.Eliminar();
    const QString insert = " INSERT INTO Agentes_Comisiones (Nivel,Cod_Empresa,Cod_Agente, "
                           "Comision, Cod_Articulo, Familia_1, Familia_2, Familia_3)  VALUES ";
    EXPECT_EQ(sent,
              QStringList({
                  insert + "(4,1,5,12.5,1520,3,7,-2)",
                  insert + "(4,1,5,12.5,1520,3,7,-2)",
                  " UPDATE Agentes_Comisiones SET Comision = 7 WHERE (Cod_Articulo = 1520 AND "
                  "Nivel = 4 AND Cod_Empresa = 1 AND Familia_1 =3 AND Familia_2 =7 AND Familia_3 "
                  "=-2 AND Cod_Agente = 5)",
                  " SELECT Comision FROM Agentes_Comisiones  WHERE (Cod_Articulo =1520 and Nivel = "
                  "4 and Cod_Empresa = 1 and Familia_1 =3 and Familia_2 =7 and Familia_3 =-2 and "
                  "Cod_Agente = 5)",
                  " DELETE FROM Agentes_Comisiones WHERE (Cod_Articulo = 1520 and Nivel = 4 and "
                  "Cod_Empresa = 1 and Familia_1 =3 and Familia_2 =7 and Familia_3 =-2 and "
                  "Cod_Agente = 5)",
                  insert + "(2,1,5,7,0,3,7,0)",
                  " UPDATE Agentes_Comisiones SET Comision = 7 WHERE (Nivel = 2 AND Cod_Empresa = "
                  "1 AND Familia_1 =3 AND Familia_2 =7 AND Familia_3 =0 AND Cod_Agente = 5)",
                  " DELETE FROM Agentes_Comisiones WHERE ( Nivel = 2 and Cod_Empresa = 1 and "
                  "Familia_1 =3 and Familia_2 =7 and Familia_3 =0 and Cod_Agente = 5)",
              }));
    EXPECT_EQ(rowsOf(*cn, "SELECT COUNT(*) FROM Agentes_Comisiones"), QStringList({"0"}));
    sent.clear();
    r.Familia_1 = 1;
    r.Familia_2 = 2;
    r.Dev_Comision();
    r.Dev_Comision_Activa();
    EXPECT_EQ(sent.value(0),
              " SELECT Comision FROM Agentes_Comisiones  WHERE (Nivel = 2 and Cod_Empresa = 1 and "
              "Familia_1 =1 and Familia_2 =2 and Familia_3 =0 and Cod_Agente = 5)");
    EXPECT_EQ(sent.value(1),
              " SELECT Comision FROM Agentes_Comisiones WHERE Cod_Empresa = 1 AND Cod_Agente=5 AND "
              "Nivel=2 AND Familia_3=0 AND Familia_2=2 AND Familia_1=1");
    r.EmpresaOrbenta(company(1, 3, 8)); // the catalogue lives under company 8
    cn->Execute("INSERT INTO Articulos (Cod_Empresa, Codigo, Descripcion, Familia_1, Familia_2, "
                "Familia_3) VALUES (8, 100, 'Vino', 1, 2, 5), (8, 101, 'Agua', 1, 3, 5), (1, 102, "
                "'Otra empresa', 1, 2, 5)");
    // The third names an article not in the catalogue.
    for (const Rule& x : {Rule{5, 4, 12, 100, 1, 2, 5}, Rule{5, 1, 4, 0, 1}, Rule{5, 4, 3, 999, 2},
                          Rule{6, 1, 4, 0, 1}})
        rule(x);
    std::vector<ado::StatementEvent> events;
    cn->setObserver([&](const ado::StatementEvent& e) { events.push_back(e); });
    ado::Recordset rs;
    r.Cargar_Articulos(rs, 1, 0, 5);
    EXPECT_EQ(events.back().text, " SELECT Codigo, Descripcion From Articulos Where  Familia_1 = 1 "
                                  "and Familia_3 = 5 And Cod_Empresa = 8");
    QStringList codes;
    for (; !rs.Eof(); rs.MoveNext())
        codes << rs.Fields("Codigo").toString();
    codes.sort();
    EXPECT_EQ(codes, QStringList({"100", "101"}));
    rs.Close();
    r.Agente = 5;
    r.Cargar_Todos(rs);
    EXPECT_EQ(std::pair(events.back().cursorType, events.back().lockType),
              std::pair(ado::adOpenKeyset, ado::adLockPessimistic));
    EXPECT_EQ(
        events.back().text,
        " SELECT IsNull(des.Cod_Articulo,0) as Cod_Articulo, IsNull(des.Familia_1,art.Familia_1) "
        "as Familia_1 , IsNull(des.Familia_2,art.Familia_2) as Familia_2, "
        "IsNull(des.Familia_3,art.Familia_3) as Familia_3,  des.Nivel, des.Comision,  "
        "IsNull(art.Descripcion,'') As Nombre From Agentes_Comisiones des  Left JOIN Articulos art "
        "ON (art.cod_Empresa=8 and art.Codigo = des.Cod_Articulo)  WHERE des.cod_Agente = 5 AND "
        "des.cod_empresa = 1 ORDER BY Familia_1, Familia_2, Familia_3 ");
    QStringList rows;
    for (; !rs.Eof(); rs.MoveNext())
        rows << rs.Fields("Cod_Articulo").toString() + u':' + rs.Fields("Nombre").toString();
    EXPECT_EQ(rows, QStringList({"0:", "100:Vino", "999:"})) << "sorted by family";
    cn->Execute("DROP TABLE Agentes_Comisiones");
    ado::Recordset rs2;
    r.Familia_1 = 1;
    const std::pair<std::function<void()>, const char*> failing[] = {
        {[&] { r.Insertar(); }, "frmclsAgente_Comision_Familias::Insertar"},
        {[&] { r.Eliminar(); }, "frmclsAgente_Comision_Familias::Borrar"},
        {[&] { r.Modificar(); }, "frmclsAgente_Comision_Familias::Modificar"},
        {[&] { r.Dev_Comision(); }, "frmclsAgente_Comision_Familias::Dev_Comision"},
        {[&] { r.Cargar_Todos(rs2); }, "frmclsAgente_Comision_Familias::Cargar_Todos"},
        {[&] { r.Dev_Comision_Activa(); }, "ado."}};
    for (const auto& [call, source] : failing)
        EXPECT_TRUE(failureOf(call).source().startsWith(QLatin1String(source))) << source;
}

ORBENTA_ENGINE_TESTS(ComisionDb);

} // namespace
