#include "clsComision_Familias.h"

#include "frame/Errors.h"
#include "frame/SharedContext.h"
#include "frame/SqlValues.h"
#include "frame/Values.h"

#include <ado/Connection.h>
#include <ado/Recordset.h>
#include <empresa/Empresa.h>

#include <array>

namespace ORBTAgentes {

namespace {
QString emp() {
    return sqlInteger(SharedContext::empresa()->CodEmpresa());
}
QString caption(int index) {
    return SharedContext::empresa()->NombreNivel(qint16(index));
}
} // namespace

clsComision_Familias::clsComision_Familias() : AutomationObject(interfaceInfo()) {}

void clsComision_Familias::EmpresaOrbenta(std::shared_ptr<ORBTEmp::Empresa> empresa) {
    AutomationObject::EmpresaOrbenta(empresa);
    const std::shared_ptr<ORBTEmp::Empresa> e = SharedContext::empresa();
    if (!e->NombreNivel(2).isEmpty())
        NumNiveles = 3;
    else
        NumNiveles = e->NombreNivel(1).isEmpty() ? 1 : 2;
}

// The article level is the level after the last family level the company uses.
qint16 clsComision_Familias::articleLevel() const {
    return toInteger(double(NumNiveles) + 1);
}
bool clsComision_Familias::articleRule() const {
    return double(Nivel) == double(NumNiveles) + 1;
}

void clsComision_Familias::Insertar() {
    reraiseAs("frmclsAgente_Comision_Familias::Insertar", [&] {
        const bool article = articleRule();
        QString sql =
            QStringLiteral(" INSERT INTO Agentes_Comisiones (Nivel,Cod_Empresa,Cod_Agente,") +
            QStringLiteral(" Comision, Cod_Articulo, Familia_1, Familia_2, Familia_3) ") +
            QStringLiteral(" VALUES (");
        if (article)
            sql += sqlInteger(articleLevel()) + u',' + emp() + u',' + sqlInteger(Agente) + u',' +
                   sqlPercentage(Comision) + u',' + sqlInteger(Articulo) + u',';
        else
            sql += sqlInteger(Nivel) + u',' + emp() + u',' + sqlInteger(Agente) + u',' +
                   sqlPercentage(Comision) + QStringLiteral(",0,");
        sql += sqlInteger(Familia_1) + u',' + sqlInteger(Familia_2) + u',' + sqlInteger(Familia_3) +
               u')';
        SharedContext::conexion()->Execute(sql);
    });
}

void clsComision_Familias::Eliminar() {
    reraiseAs("frmclsAgente_Comision_Familias::Borrar", [&] {
        QString sql;
        if (articleRule())
            sql = QStringLiteral(" DELETE FROM Agentes_Comisiones WHERE (Cod_Articulo = ") +
                  sqlInteger(Articulo) + QStringLiteral(" and Nivel = ") +
                  sqlInteger(articleLevel());
        else
            sql = QStringLiteral(" DELETE FROM Agentes_Comisiones WHERE (") +
                  QStringLiteral(" Nivel = ") + sqlInteger(Nivel);
        sql += QStringLiteral(" and Cod_Empresa = ") + emp() + QStringLiteral(" and Familia_1 =") +
               sqlInteger(Familia_1) + QStringLiteral(" and Familia_2 =") + sqlInteger(Familia_2) +
               QStringLiteral(" and Familia_3 =") + sqlInteger(Familia_3) +
               QStringLiteral(" and Cod_Agente = ") + sqlInteger(Agente) + u')';
        SharedContext::conexion()->Execute(sql);
    });
}

// The source follows the pattern of the other operations: the class's window-era
// prefix and the operation's own name.
void clsComision_Familias::Modificar() {
    reraiseAs("frmclsAgente_Comision_Familias::Modificar", [&] {
        QString sql =
            QStringLiteral(" UPDATE Agentes_Comisiones SET Comision = ") + sqlPercentage(Comision);
        if (articleRule())
            sql += QStringLiteral(" WHERE (Cod_Articulo = ") + sqlInteger(Articulo) +
                   QStringLiteral(" AND Nivel = ") + sqlInteger(Nivel);
        else
            sql += QStringLiteral(" WHERE (Nivel = ") + sqlInteger(Nivel);
        sql += QStringLiteral(" AND Cod_Empresa = ") + emp() + QStringLiteral(" AND Familia_1 =") +
               sqlInteger(Familia_1) + QStringLiteral(" AND Familia_2 =") + sqlInteger(Familia_2) +
               QStringLiteral(" AND Familia_3 =") + sqlInteger(Familia_3) +
               QStringLiteral(" AND Cod_Agente = ") + sqlInteger(Agente) + u')';
        SharedContext::conexion()->Execute(sql);
    });
}

namespace {
// The runtime's string functions as the key parsing uses them: positions from 1,
// kept in a byte (a "-" beyond position 255 overflows), a negative length is an
// invalid call.
quint8 position(qsizetype indexFromZero) {
    return toByte(double(indexFromZero + 1));
}
QString left(const QString& s, int length) {
    if (length < 0)
        throw runtimeError(rt::InvalidCall);
    return s.left(length);
}
QString mid(const QString& s, int start) {
    return start > s.size() ? QString() : s.mid(start - 1);
}
} // namespace

void clsComision_Familias::Calcula_Nivel(const QString& key) {
    const int p = key.indexOf(u'-') < 0 ? 0 : position(key.indexOf(u'-'));
    Nivel = toByte(Val(mid(key, p + 1)));
    Articulo = articleRule() ? toLong(Val(left(key, p - 1))) : 0;
    QString w = key;
    const auto lastDash = [&] {
        return w.lastIndexOf(u'-') < 0 ? 0 : int(position(w.lastIndexOf(u'-')));
    };
    int q = lastDash();
    Familia_3 = toInteger(Val(mid(w, q + 1)));
    w = left(w, q - 1);
    q = lastDash();
    Familia_2 = toInteger(Val(mid(w, q + 1)));
    w = left(w, q - 1);
    q = lastDash();
    Familia_1 = toInteger(Val(mid(w, q + 1)));
}

void clsComision_Familias::Cargar_Articulos(ado::Recordset& rs, qint16 intFamilia1,
                                            qint16 intFamilia2, qint16 intFamilia3) {
    reraiseAs("frmclsAgente_Comision_Familias::Cargar_Articulos", [&] {
        QString sql = QStringLiteral(" SELECT Codigo, Descripcion From Articulos Where ") +
                      QStringLiteral(" Familia_1 = ") + sqlInteger(intFamilia1);
        if (intFamilia2 != 0)
            sql += QStringLiteral(" and Familia_2 = ") + sqlInteger(intFamilia2);
        if (intFamilia3 != 0)
            sql += QStringLiteral(" and Familia_3 = ") + sqlInteger(intFamilia3);
        sql += QStringLiteral(" And Cod_Empresa = ") +
               sqlInteger(SharedContext::empresa()->CodEmpresaArticulos());
        rs.Open(sql, *SharedContext::conexion(), ado::adOpenForwardOnly, ado::adLockReadOnly);
    });
}

void clsComision_Familias::Cargar_Todos(ado::Recordset& rs) {
    reraiseAs("frmclsAgente_Comision_Familias::Cargar_Todos", [&] {
        const QString sql =
            QStringLiteral(" SELECT IsNull(des.Cod_Articulo,0) as Cod_Articulo, "
                           "IsNull(des.Familia_1,art.Familia_1) "
                           "as Familia_1 ,") +
            QStringLiteral(" IsNull(des.Familia_2,art.Familia_2) as Familia_2, "
                           "IsNull(des.Familia_3,art.Familia_3) as "
                           "Familia_3, ") +
            QStringLiteral(" des.Nivel, des.Comision, ") +
            QStringLiteral(" IsNull(art.Descripcion,'') As Nombre From Agentes_Comisiones des ") +
            QStringLiteral(" Left JOIN Articulos art ON") + QStringLiteral(" (art.cod_Empresa=") +
            sqlInteger(SharedContext::empresa()->CodEmpresaArticulos()) +
            QStringLiteral(" and art.Codigo = des.Cod_Articulo") + QStringLiteral(") ") +
            QStringLiteral(" WHERE des.cod_Agente = ") + sqlInteger(Agente) +
            QStringLiteral(" AND des.cod_empresa = ") + emp() +
            QStringLiteral(" ORDER BY Familia_1, Familia_2, Familia_3 ");
        rs.Open(sql, *SharedContext::conexion(), ado::adOpenKeyset, ado::adLockPessimistic);
    });
}

double clsComision_Familias::Dev_Comision() {
    return reraiseAs("frmclsAgente_Comision_Familias::Dev_Comision", [&] {
        QString sql = QStringLiteral(" SELECT Comision FROM Agentes_Comisiones ");
        if (articleRule())
            sql += QStringLiteral(" WHERE (Cod_Articulo =") + sqlInteger(Articulo) +
                   QStringLiteral(" and Nivel = ") + sqlInteger(Nivel);
        else
            sql += QStringLiteral(" WHERE (Nivel = ") + sqlInteger(Nivel);
        sql += QStringLiteral(" and Cod_Empresa = ") + emp() + QStringLiteral(" and Familia_1 =") +
               sqlInteger(Familia_1) + QStringLiteral(" and Familia_2 =") + sqlInteger(Familia_2) +
               QStringLiteral(" and Familia_3 =") + sqlInteger(Familia_3) +
               QStringLiteral(" and Cod_Agente = ") + sqlInteger(Agente) + u')';
        ado::Recordset rs;
        rs.Open(sql, *SharedContext::conexion(), ado::adOpenForwardOnly, ado::adLockReadOnly);
        const double result = rs.Eof() ? -1 : toDouble(rs.Fields(QStringLiteral("Comision")));
        rs.Close();
        return result;
    });
}

double clsComision_Familias::Dev_Comision_Activa() {
    return resolve(nullptr);
}

clsComision_Familias::Explicacion clsComision_Familias::Explicar_Comision_Activa() {
    Explicacion e;
    e.resultado = resolve(&e);
    return e;
}

// The eight steps, most specific first, the agent's own rules before the general ones.
// Each precondition is evaluated when its step is reached, every part of it (the
// captions are asked of the company object then); a step that runs answers when it
// finds a value greater than -1.
double clsComision_Familias::resolve(Explicacion* ex) {
    enum Kind { Article, SubSubFamily, SubFamily, Family };
    struct Check {
        bool ok;
        const char* why;
    };
    struct Checks {
        std::array<Check, 3> list;
        int count;
    };
    // Built on the stack: this runs for every line of an invoice.
    const auto checks = [&](Kind k) -> Checks {
        switch (k) {
        case Article:
            return {{{{articleRule(), "Nivel no es el nivel de artículo"},
                      {Articulo != 0, "Articulo es 0"}}},
                    2};
        case SubSubFamily:
            return {{{{!caption(2).isEmpty(), "la empresa no usa el nivel 3"},
                      {Familia_3 != 0, "Familia_3 es 0"},
                      {Nivel > 2, "Nivel no es mayor que 2"}}},
                    3};
        case SubFamily:
            return {{{{!caption(1).isEmpty(), "la empresa no usa el nivel 2"},
                      {Familia_2 != 0, "Familia_2 es 0"},
                      {Nivel > 1, "Nivel no es mayor que 1"}}},
                    3};
        case Family:
            break;
        }
        return {{{{!caption(0).isEmpty(), "la empresa no usa el nivel 1"},
                  {Familia_1 != 0, "Familia_1 es 0"}}},
                2};
    };
    // Each step's condition (the text that follows the company's part of the query; the
    // values stand apart, so that the connection binds them as they are). A general step
    // names agent 0 in its text, as a constant of the query rather than a value.
    static const QString buscar =
        QStringLiteral(" SELECT Comision FROM Agentes_Comisiones WHERE Cod_Empresa = ?");
    static const std::array<QString, 4> tails = {
        QStringLiteral(" AND Nivel=? AND Cod_Articulo=?"),
        QStringLiteral(" AND Nivel=3 AND Familia_3=? AND Familia_2=? AND Familia_1=?"),
        QStringLiteral(" AND Nivel=2 AND Familia_3=0 AND Familia_2=? AND Familia_1=?"),
        QStringLiteral(" AND Nivel=1 AND Familia_3=0 AND Familia_2=0 AND Familia_1=?")};
    // Own steps first (index k), then the general ones (4 + k).
    static const auto texts = [](bool query) {
        std::array<QString, 8> t;
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = (query ? buscar : QString()) + QStringLiteral(" AND Cod_Agente=") +
                   (i < 4 ? u'?' : u'0') + tails[i % 4];
        return t;
    };
    static const std::array<QString, 8> conditions = texts(false), queries = texts(true);
    const auto condition = [&](Kind k, bool general) -> ado::Statement {
        ado::Statement s = [&]() -> ado::Statement {
            const QString& c = conditions[size_t(k) + (general ? 4 : 0)];
            switch (k) {
            case Article:
                return {c, {articleLevel(), Articulo}};
            case SubSubFamily:
                return {c, {Familia_3, Familia_2, Familia_1}};
            case SubFamily:
                return {c, {Familia_2, Familia_1}};
            case Family:
                break;
            }
            return {c, {Familia_1}};
        }();
        if (!general)
            s.values.insert(s.values.cbegin(), ado::Param(Agente));
        return s;
    };
    struct Step {
        const char* rules;
        Kind kind;
        bool general;
    };
    static constexpr Step steps[] = {
        {"del agente, artículo", Article, false},
        {"del agente, subsubfamilia", SubSubFamily, false},
        {"del agente, subfamilia", SubFamily, false},
        {"del agente, familia", Family, false},
        {"generales, artículo", Article, true},
        {"generales, subsubfamilia", SubSubFamily, true},
        {"generales, subfamilia", SubFamily, true},
        {"generales, familia", Family, true},
    };
    // The steps whose preconditions hold are asked in order, and the first rule found
    // (a value above -1) answers. Nothing changes between the steps, so the
    // preconditions are the same whether they are weighed one by one or all at first;
    // the queries go together (one round trip on a server) and their answers are
    // weighed in order, exactly as if each had been sent after the previous one.
    std::array<Paso, 8> pasos;
    std::vector<ado::Statement> consultas;
    consultas.reserve(8);
    std::array<int, 8> pasoDe{}; // query index -> step index
    for (int i = 0; i < 8; ++i) {
        const Step& s = steps[i];
        Paso& paso = pasos[size_t(i)];
        paso = Paso{i + 1, {}, Paso::Omitido, {}, {}, -1};
        const Checks c = checks(s.kind);
        bool ok = true;
        for (int j = 0; j < c.count; ++j) {
            if (c.list[j].ok)
                continue;
            ok = false;
            if (ex) // the texts only for an explanation: this runs for every invoice line
                paso.motivos << QString::fromUtf8(c.list[j].why);
        }
        if (!ok)
            continue;
        ado::Statement consulta = condition(s.kind, s.general);
        if (ex)
            paso.condicion = consulta.text();
        // The company code is asked of the company object for every query.
        consulta.sql = queries[size_t(s.kind) + (s.general ? 4 : 0)];
        consulta.values.insert(consulta.values.cbegin(),
                               ado::Param(SharedContext::empresa()->CodEmpresa()));
        pasoDe[consultas.size()] = i;
        consultas.push_back(std::move(consulta));
    }
    double answer = 0;
    int respondido = 8; // the step that answered; 8: none did
    int consulta = 0;
    SharedContext::conexion()->FirstAnswering(consultas, [&](const std::optional<QVariant>& c) {
        Paso& paso = pasos[size_t(pasoDe[size_t(consulta++)])];
        const double v = c ? toDouble(*c) : -1;
        if (v <= -1) {
            paso.estado = Paso::SinCoincidencia;
            return false;
        }
        answer = v;
        paso.estado = Paso::Respondido;
        paso.valor = v;
        respondido = paso.numero - 1;
        return true;
    });
    if (ex) {
        for (int i = respondido + 1; i < 8; ++i)
            pasos[size_t(i)] = Paso{i + 1, {}, Paso::NoAlcanzado, {}, {}, -1};
        for (int i = 0; i < 8; ++i)
            pasos[size_t(i)].reglas = QString::fromUtf8(steps[i].rules);
        for (const Paso& p : pasos)
            ex->pasos.push_back(p);
    }
    return answer;
}

// ---- interface ----------------------------------------------------------------------------

const ClassInfo& clsComision_Familias::interfaceInfo() {
    using C = clsComision_Familias;
    static const ClassInfo info{
        "clsComision_Familias",
        "{52F8770D-3ED5-4D63-AD99-3CFB10BCCEE2}",
        "_clsComision_Familias",
        "{09AB94AF-7E30-42A8-9C3F-0DA1E68902E6}",
        {
            property<&C::Nivel>("Nivel", 0x40030000),
            property<&C::Familia_1>("Familia_1", 0x40030001),
            property<&C::Familia_2>("Familia_2", 0x40030002),
            property<&C::Familia_3>("Familia_3", 0x40030003),
            property<&C::Articulo>("Articulo", 0x40030004),
            property<&C::Agente>("Agente", 0x40030005),
            property<&C::Comision>("Comision", 0x40030006),
            property<&C::NumNiveles>("NumNiveles", 0x40030007),
            empresaOrbenta(),
            conexionOrbenta(),
            method<&C::Insertar>("Insertar", 0x60030002),
            method<&C::Eliminar>("Eliminar", 0x60030003),
            method<&C::Calcula_Nivel>("Calcula_Nivel", 0x60030004, "key"),
            method<&C::Cargar_Articulos>("Cargar_Articulos", 0x60030005, "rs", "intFamilia1",
                                         "intFamilia2", "intFamilia3"),
            method<&C::Cargar_Todos>("Cargar_Todos", 0x60030006, "rs"),
            method<&C::Dev_Comision>("Dev_Comision", 0x60030007),
            method<&C::Dev_Comision_Activa>("Dev_Comision_Activa", 0x60030009),
            method<&C::Modificar>("Modificar", 0x6003000A),
        },
        create<clsComision_Familias>};
    return info;
}

} // namespace ORBTAgentes
