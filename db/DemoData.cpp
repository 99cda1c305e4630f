// The demo data set: a Spanish wholesale distributor with two companies. Everything is
// generated from a fixed seed, so every demo database is the same and tests and
// screenshots can rely on it.
#include "Database.h"
#include "utilidades/SqlLiteral.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QStringList>
#include <array>
#include <cmath>
#include <empresa/Logon.h>

namespace orbenta::db {

namespace {

// A small deterministic generator (the same numbers on every platform).
class Random {
public:
    explicit Random(quint64 seed) : s_(seed) {}
    quint32 next() {
        s_ = s_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(s_ >> 33);
    }
    int between(int lo, int hi) { return lo + int(next() % quint32(hi - lo + 1)); }
    template <class T> const T& pick(const QList<T>& v) { return v[int(next() % v.size())]; }
    bool chance(int percent) { return between(1, 100) <= percent; }

private:
    quint64 s_;
};

QString q(const QString& s) {
    return utilidades::sqlQuoted(s);
}
QString n(qint64 v) {
    return QString::number(v);
}
QString money(qint64 cents) {
    return n(cents / 100) + u'.' + n(std::abs(cents % 100)).rightJustified(2, u'0');
}
// "Iñaki" -> "inaki": e-mail addresses keep to plain letters.
QString ascii(const QString& s) {
    QString out;
    for (QChar c : s.normalized(QString::NormalizationForm_D))
        if (c.unicode() < 128 && c != u'\'')
            out += c;
    return out;
}
QString dateText(const QDate& d) {
    return sqlDate(d.year(), d.month(), d.day());
}

struct Town {
    int cp;
    const char* localidad;
    const char* provincia;
};
const std::array<Town, 24> kTowns = {{
    {48001, "Bilbao", "Bizkaia"},
    {48901, "Barakaldo", "Bizkaia"},
    {48930, "Getxo", "Bizkaia"},
    {20001, "Donostia-San Sebastián", "Gipuzkoa"},
    {1001, "Vitoria-Gasteiz", "Araba/Álava"},
    {39001, "Santander", "Cantabria"},
    {33001, "Oviedo", "Asturias"},
    {33201, "Gijón", "Asturias"},
    {31001, "Pamplona/Iruña", "Navarra"},
    {26001, "Logroño", "La Rioja"},
    {50001, "Zaragoza", "Zaragoza"},
    {9001, "Burgos", "Burgos"},
    {47001, "Valladolid", "Valladolid"},
    {24001, "León", "León"},
    {46001, "Valencia", "Valencia"},
    {46600, "Alzira", "Valencia"},
    {3001, "Alicante/Alacant", "Alicante"},
    {3201, "Elche/Elx", "Alicante"},
    {12001, "Castellón de la Plana", "Castellón"},
    {30001, "Murcia", "Murcia"},
    {28001, "Madrid", "Madrid"},
    {8001, "Barcelona", "Barcelona"},
    {15001, "A Coruña", "A Coruña"},
    {36201, "Vigo", "Pontevedra"},
}};

struct Bank {
    int code;
    const char* name;
};
const std::array<Bank, 12> kBanks = {{
    {49, "Banco Santander"},
    {182, "Banco Bilbao Vizcaya Argentaria"},
    {2100, "CaixaBank"},
    {81, "Banco de Sabadell"},
    {128, "Bankinter"},
    {2085, "Ibercaja Banco"},
    {2095, "Kutxabank"},
    {3058, "Cajamar Caja Rural"},
    {3035, "Caja Laboral Popular"},
    {1465, "ING Bank, Sucursal en España"},
    {2048, "Liberbank"},
    {3008, "Caja Rural de Navarra"},
}};

const QStringList kNombres = {
    QStringLiteral("Aitor"),  QStringLiteral("María José"), QStringLiteral("Iñaki"),
    QStringLiteral("Begoña"), QStringLiteral("José Luis"),  QStringLiteral("Nerea"),
    QStringLiteral("Javier"), QStringLiteral("Ainhoa"),     QStringLiteral("Francisco"),
    QStringLiteral("Lucía"),  QStringLiteral("Álvaro"),     QStringLiteral("Carmen"),
    QStringLiteral("Jon"),    QStringLiteral("Itziar"),     QStringLiteral("Manuel"),
    QStringLiteral("Pilar"),  QStringLiteral("Sergio"),     QStringLiteral("Amaia"),
    QStringLiteral("Rubén"),  QStringLiteral("Montserrat")};
const QStringList kApellidos = {
    QStringLiteral("Etxeberria"),  QStringLiteral("García"),  QStringLiteral("Martínez"),
    QStringLiteral("Urrutia"),     QStringLiteral("López"),   QStringLiteral("Fernández"),
    QStringLiteral("Goikoetxea"),  QStringLiteral("Sánchez"), QStringLiteral("Pérez"),
    QStringLiteral("Zubizarreta"), QStringLiteral("Gómez"),   QStringLiteral("Ruiz"),
    QStringLiteral("Aguirre"),     QStringLiteral("Muñoz"),   QStringLiteral("Ibáñez"),
    QStringLiteral("O'Donnell"),   QStringLiteral("Castaño"), QStringLiteral("Arrieta")};
const QStringList kCalles = {
    QStringLiteral("C/ Gran Vía"),       QStringLiteral("Avda. de la Constitución"),
    QStringLiteral("C/ Mayor"),          QStringLiteral("Plaza de España"),
    QStringLiteral("C/ Ercilla"),        QStringLiteral("Paseo de Colón"),
    QStringLiteral("C/ San Vicente"),    QStringLiteral("Avda. Sabino Arana"),
    QStringLiteral("C/ Doctor Areilza"), QStringLiteral("Ronda de Azkue")};

// Families of the three-level catalogue: family -> sub-families -> sub-sub-families.
struct Sub {
    const char* name;
    QStringList groups;
};
struct Fam {
    const char* name;
    QList<Sub> subs;
};

QList<Fam> catalogue() {
    return {
        {"Alimentación",
         {{"Conservas",
           {QStringLiteral("Pescado"), QStringLiteral("Vegetales"),
            QStringLiteral("Platos preparados")}},
          {"Aceites y vinagres", {QStringLiteral("Oliva virgen extra"), QStringLiteral("Girasol")}},
          {"Pastas y arroces", {}},
          {"Lácteos",
           {QStringLiteral("Leche"), QStringLiteral("Quesos"), QStringLiteral("Yogures")}}}},
        {"Bebidas",
         {{"Vinos",
           {QStringLiteral("Rioja"), QStringLiteral("Ribera del Duero"),
            QStringLiteral("Txakoli")}},
          {"Refrescos", {QStringLiteral("Colas"), QStringLiteral("Gaseosas")}},
          {"Aguas", {}},
          {"Cervezas", {QStringLiteral("Nacionales"), QStringLiteral("Importación")}}}},
        {"Droguería",
         {{"Detergentes", {QStringLiteral("Ropa"), QStringLiteral("Vajilla")}},
          {"Limpiadores",
           {QStringLiteral("Multiusos"), QStringLiteral("Baño"), QStringLiteral("Cocina")}},
          {"Celulosa", {}}}},
        {"Perfumería",
         {{"Higiene corporal", {QStringLiteral("Geles"), QStringLiteral("Desodorantes")}},
          {"Cuidado del cabello", {QStringLiteral("Champús"), QStringLiteral("Tintes")}},
          {"Higiene bucal", {}}}},
        {"Menaje",
         {{"Cocina", {QStringLiteral("Sartenes"), QStringLiteral("Cazuelas")}},
          {"Mesa", {QStringLiteral("Vajillas"), QStringLiteral("Cristalería")}}}},
        {"Papelería",
         {{"Escritura", {}}, {"Papel", {QStringLiteral("Folios"), QStringLiteral("Cuadernos")}}}},
        {"Ferretería",
         {{"Herramienta manual", {}},
          {"Tornillería", {QStringLiteral("Tornillos"), QStringLiteral("Tacos")}},
          {"Electricidad", {QStringLiteral("Bombillas"), QStringLiteral("Pilas")}}}},
    };
}

const QStringList kMarcas = {QStringLiteral("La Cocinera"), QStringLiteral("Iberia"),
                             QStringLiteral("Norte"),       QStringLiteral("Sol de Levante"),
                             QStringLiteral("Bidasoa"),     QStringLiteral("El Caserío"),
                             QStringLiteral("Costa Verde"), QStringLiteral("Txingudi")};
const QStringList kFormatos = {QStringLiteral("250 g"),   QStringLiteral("500 g"),
                               QStringLiteral("1 kg"),    QStringLiteral("1 l"),
                               QStringLiteral("75 cl"),   QStringLiteral("pack 6"),
                               QStringLiteral("caja 12"), QStringLiteral("unidad")};

class Loader {
public:
    explicit Loader(ado::Connection& cn) : cn_(cn) {}

    void run() {
        companies();
        warehousesAndTowns();
        banks();
        agents();
        families();
        rules();
        invoices();
    }

private:
    void exec(const QString& sql) { cn_.Execute(sql); }
    // One row: every value is already written as SQL (n(), money(), q() or NULL).
    void insert(const char* table, const char* columns, const QStringList& values) {
        exec(QStringLiteral("INSERT INTO ") + QLatin1String(table) + QStringLiteral(" (") +
             QLatin1String(columns) + QStringLiteral(") VALUES (") +
             values.join(QStringLiteral(", ")) + u')');
    }

    void companies() {
        // Both companies keep their report files in the suite's application folder.
        const QString ruta = utilidades::sqlQuoted(applicationFolder());
        exec(QStringLiteral("INSERT INTO Empresas (Codigo, Nombre, Cod_Empresa_Articulos, Nivel1, "
                            "Nivel2, Nivel3, Ruta_Aplicacion) VALUES (1, 'Distribuciones "
                            "Cantábricas, S.L.', 1, 'Familia', 'Subfamilia', 'Grupo', ") +
             ruta + u')');
        exec(QStringLiteral("INSERT INTO Empresas (Codigo, Nombre, Cod_Empresa_Articulos, Nivel1, "
                            "Nivel2, Nivel3, Ruta_Aplicacion) VALUES (2, 'Suministros del "
                            "Turia, S.A.', 2, 'Familia', 'Subfamilia', '', ") +
             ruta + u')');
        for (int e = 1; e <= 2; ++e) {
            // The report engine logs on with these: they reach this very database.
            for (const auto& [k, v] : reportSettings(cn_.ConnectionString()))
                insert("Empresas_Configuracion", "Cod_Empresa, Clave, Valor", {n(e), q(k), q(v)});
        }
    }

    void warehousesAndTowns() {
        const QStringList almacenes = {QStringLiteral("Central Bilbao"),
                                       QStringLiteral("Delegación Valencia"),
                                       QStringLiteral("Depósito Zaragoza")};
        for (int i = 0; i < almacenes.size(); ++i)
            insert("Almacenes", "Codigo, Nombre", {n(i + 1), q(almacenes[i])});
        for (const Town& t : kTowns)
            insert("Codigos_Postales", "Codigo, Localidad, Provincia",
                   {n(t.cp), q(QString::fromUtf8(t.localidad)), q(QString::fromUtf8(t.provincia))});
    }

    void banks() {
        for (const Bank& b : kBanks)
            insert("Bancos", "Codigo, Nombre", {n(b.code), q(QString::fromUtf8(b.name))});
    }

    void agents() {
        for (int code = 1; code <= 40; ++code) {
            const QString nombre =
                rnd_.pick(kNombres) + u' ' + rnd_.pick(kApellidos) + u' ' + rnd_.pick(kApellidos);
            const Town& town = kTowns[rnd_.next() % kTowns.size()];
            const Bank& bank = kBanks[rnd_.next() % kBanks.size()];
            const bool blocked = code % 13 == 0;
            QString cuenta = n(bank.code).rightJustified(4, u'0');
            while (cuenta.size() < 20)
                cuenta += QChar(u'0' + rnd_.between(0, 9));
            const QString user = nombre.section(u' ', 0, 0).toLower();
            const QString email = ascii(user) + u'.' + n(code) + QStringLiteral("@cantabricas.es");
            const QString phone = QStringLiteral("94") + n(rnd_.between(4000000, 4999999));
            const QString movil = u'6' + n(rnd_.between(10000000, 99999999));
            const QString observ =
                code == 7
                    ? QStringLiteral("Zona costera; visita los martes.\nNo llamar antes de las 9.")
                : code % 5 == 0
                    ? QStringLiteral("Cubre la delegación de ") + QString::fromUtf8(town.localidad)
                    : QString();
            // Agent 38 was migrated from an old system without fax or remarks: its NULLs
            // show how a load reports a column that cannot be read.
            const bool legacy = code == 38;
            // The draws in the order they have always been made, so the demo data stays
            // the same from one version to the next.
            const int numero = rnd_.between(1, 120);
            const QString calle = rnd_.pick(kCalles);
            const qint64 retencion = code % 4 == 0 ? 700 : 1500;
            const qint64 cobros = rnd_.between(0, 4) * 50;
            const qint64 ventas = rnd_.between(2, 8) * 50;
            insert(
                "Agentes",
                "Codigo, Nombre, Direccion, Cp, Localidad, Provincia, Telefono, Fax, Movil, "
                "EMail, Almacen, Bloqueado, Bloq_Fecha, Bloq_Motivo, ComisVentas, ComisCobros, "
                "Retencion_IRPF, NoImpLiquidacion, Password, Cta_Bancaria, Observ, Enviado",
                {n(code),
                 q(nombre),
                 q(calle + QStringLiteral(", ") + n(numero)),
                 n(town.cp),
                 q(QString::fromUtf8(town.localidad)),
                 q(QString::fromUtf8(town.provincia)),
                 q(phone),
                 legacy ? QStringLiteral("NULL") : q(code % 3 ? QString() : phone.left(8) + u'9'),
                 q(movil),
                 q(email),
                 n(1 + code % 3),
                 n(blocked ? 1 : 0),
                 blocked ? q(dateText(QDate(2026, 1 + code % 12, 1 + code % 27)))
                         : q(QStringLiteral("1899-12-30T00:00:00")),
                 q(blocked ? QStringLiteral("Impagos pendientes de regularizar") : QString()),
                 money(ventas),
                 money(cobros),
                 money(retencion),
                 n(code % 9 == 0 ? 1 : 0),
                 q(user.left(3) + n(1000 + code)),
                 q(cuenta),
                 legacy ? QStringLiteral("NULL") : q(observ),
                 n(0)});
        }
    }

    void families() {
        const QList<Fam> cat = catalogue();
        int article = 1000;
        for (int f = 0; f < cat.size(); ++f) {
            const int f1 = f + 1;
            insert("Familias_1", "Cod_Empresa, Codigo, Nombre",
                   {n(1), n(f1), q(QString::fromUtf8(cat[f].name))});
            for (int s = 0; s < cat[f].subs.size(); ++s) {
                const Sub& sub = cat[f].subs[s];
                const int f2 = s + 1;
                insert("Familias_2", "Cod_Empresa, Familia_1, Codigo, Nombre",
                       {n(1), n(f1), n(f2), q(QString::fromUtf8(sub.name))});
                QList<int> leaves;
                for (int g = 0; g < sub.groups.size(); ++g) {
                    insert("Familias_3", "Cod_Empresa, Familia_1, Familia_2, Codigo, Nombre",
                           {n(1), n(f1), n(f2), n(g + 1), q(sub.groups[g])});
                    leaves << g + 1;
                }
                if (leaves.isEmpty())
                    leaves << 0;
                for (int f3 : leaves) {
                    const QString base = f3 ? sub.groups[f3 - 1] : QString::fromUtf8(sub.name);
                    const int count = 40 + rnd_.between(0, 12);
                    for (int a = 0; a < count; ++a)
                        addArticle(1, ++article, base, f1, f2, f3);
                }
            }
        }
        // The second company keeps a smaller catalogue in two levels.
        const QList<QPair<QString, QStringList>> two = {
            {QStringLiteral("Climatización"),
             {QStringLiteral("Splits"), QStringLiteral("Ventiladores"), QStringLiteral("Estufas")}},
            {QStringLiteral("Riego"),
             {QStringLiteral("Mangueras"), QStringLiteral("Aspersores"),
              QStringLiteral("Programadores")}},
            {QStringLiteral("Jardín"),
             {QStringLiteral("Herramientas"), QStringLiteral("Macetas"), QStringLiteral("Abonos")}},
            {QStringLiteral("Piscina"), {QStringLiteral("Cloro"), QStringLiteral("Limpieza")}}};
        article = 5000;
        for (int f = 0; f < two.size(); ++f) {
            insert("Familias_1", "Cod_Empresa, Codigo, Nombre", {n(2), n(f + 1), q(two[f].first)});
            for (int s = 0; s < two[f].second.size(); ++s) {
                insert("Familias_2", "Cod_Empresa, Familia_1, Codigo, Nombre",
                       {n(2), n(f + 1), n(s + 1), q(two[f].second[s])});
                for (int a = 0; a < 27; ++a)
                    addArticle(2, ++article, two[f].second[s], f + 1, s + 1, 0);
            }
        }
    }

    void addArticle(int emp, int code, const QString& base, int f1, int f2, int f3) {
        const QString desc = base + u' ' + rnd_.pick(kMarcas) + u' ' + rnd_.pick(kFormatos);
        insert("Articulos", "Cod_Empresa, Codigo, Descripcion, Familia_1, Familia_2, Familia_3",
               {n(emp), n(code), q(desc.left(60)), n(f1), n(f2), n(f3)});
        articles_.append({emp, code, f1, f2, f3});
    }

    void rule(int emp, int agent, int nivel, double comision, int art, int f1, int f2, int f3) {
        insert("Agentes_Comisiones",
               "Nivel, Cod_Empresa, Cod_Agente, Comision, Cod_Articulo, Familia_1, Familia_2, "
               "Familia_3",
               {n(nivel), n(emp), n(agent), QString::number(comision, 'f', 2), n(art), n(f1), n(f2),
                n(f3)});
    }

    void rules() {
        // Company 1 (three levels, articles on level 4). General rules first.
        for (int f1 = 1; f1 <= 7; ++f1)
            rule(1, 0, 1, 2.0 + f1 * 0.5, 0, f1, 0, 0);
        rule(1, 0, 2, 6.0, 0, 2, 1, 0); // wines
        rule(1, 0, 3, 7.5, 0, 2, 1, 3); // txakoli
        for (int i = 0; i < 12; ++i) {
            const auto& a = articles_[int(rnd_.next() % 1500)];
            rule(1, 0, 4, 3.0 + i % 5, a.code, a.f1, a.f2, a.f3);
        }
        // Agents' own rules at every level.
        for (int agent = 1; agent <= 40; agent += 3) {
            rule(1, agent, 1, 4.0 + agent % 6, 0, 1 + agent % 7, 0, 0);
            rule(1, agent, 2, 5.5, 0, 1, 1 + agent % 4, 0);
            if (agent % 2)
                rule(1, agent, 3, 6.25, 0, 1, 4, 1 + agent % 3);
            const auto& a = articles_[int(rnd_.next() % 1500)];
            rule(1, agent, 4, 8.0 + agent % 4, a.code, a.f1, a.f2, a.f3);
        }
        // Agent 4 may not sell perfumery (a blocked family) and earns nothing on paper.
        rule(1, 4, 1, 200, 0, 4, 0, 0);
        rule(1, 4, 2, 0, 0, 6, 2, 0);
        // A rule left behind by a sub-family that was deleted: the commission window
        // deletes it when agent 4 is chosen.
        rule(1, 4, 2, 9.0, 0, 1, 99, 0);
        // Company 2 (two levels, articles on level 3).
        for (int f1 = 1; f1 <= 4; ++f1)
            rule(2, 0, 1, 3.0 + f1, 0, f1, 0, 0);
        rule(2, 2, 2, 4.75, 0, 2, 1, 0);
        rule(2, 5, 1, 200, 0, 4, 0, 0);
        for (const auto& a : articles_)
            if (a.emp == 2 && a.code % 40 == 0)
                rule(2, 1 + a.code % 7, 3, 10.0, a.code, a.f1, a.f2, 0);
    }

    void invoices() {
        // Two series of invoices through 2026; each one's sale is in its agent's day
        // total, as the host would have accumulated it.
        QHash<QString, QPair<qint64, qint64>> days; // "agent|date" -> pvp, cost (cents)
        QHash<QString, QPair<qint64, qint64>> dayArticles;
        for (int serie = 1; serie <= 2; ++serie) {
            QDate date(2026, 1, 2);
            const int count = serie == 1 ? 220 : 110;
            for (int number = 1; number <= count; ++number) {
                date = date.addDays(rnd_.between(0, 2));
                if (date.dayOfWeek() > 5)
                    date = date.addDays(8 - date.dayOfWeek());
                const int agent = rnd_.between(1, 40);
                const qint64 bruto = rnd_.between(2000, 450000); // cents
                const int kind = rnd_.between(0, 5);
                // 0: no discount; 1: 5 % ; 2: 50 euros; 3: 3 % + 2 %; 4: 10 % + 25 euros;
                // 5: old invoice with the first discount type not recorded (an amount).
                int tdto1 = 0, tdto2 = 0;
                qint64 dto1 = 0, dto2 = 0; // hundredths
                switch (kind) {
                case 1:
                    dto1 = 500;
                    break;
                case 2:
                    tdto1 = 1;
                    dto1 = 5000;
                    break;
                case 3:
                    dto1 = 300;
                    dto2 = 200;
                    break;
                case 4:
                    dto1 = 1000;
                    tdto2 = 1;
                    dto2 = 2500;
                    break;
                case 5:
                    dto1 = 1500;
                    break;
                default:
                    break;
                }
                // The sale as the invoice-agent window reckons it: each percentage
                // discount rounded to cents, halves to even, before it is taken off (the
                // second from what the first left).
                const double importe = bruto / 100.0;
                const auto cents = [](double v) { return qint64(std::nearbyint(v * 100.0)); };
                const qint64 d1 =
                    (tdto1 || kind == 5) ? dto1 : cents(importe * (dto1 / 100.0) / 100.0);
                const qint64 d2 =
                    tdto2 ? dto2 : cents((importe - d1 / 100.0) * (dto2 / 100.0) / 100.0);
                const qint64 netCents = bruto - d1 - d2;
                const qint64 cost = qRound64(netCents * (0.55 + rnd_.between(0, 20) / 100.0));
                insert("Facturas",
                       "Serie, Codigo, Fecha, Agente, ImporteB, TDto1, Dto1, TDto2, Dto2, "
                       "Importe_Costo",
                       {n(serie), n(serie == 1 ? number : 500 + number), q(dateText(date)),
                        n(agent), money(bruto), kind == 5 ? QStringLiteral("NULL") : n(tdto1),
                        money(dto1), n(tdto2), money(dto2), money(cost)});
                auto& d = days[n(agent) + u'|' + dateText(date)];
                d.first += netCents;
                d.second += cost;
                const auto& a = articles_[int(rnd_.next() % 1500)];
                auto& da = dayArticles[n(1 + agent % 3) + u'|' + dateText(date) + u'|' + n(agent) +
                                       u'|' + n(a.code)];
                da.first += netCents;
                da.second += cost;
            }
        }
        for (auto it = days.cbegin(); it != days.cend(); ++it) {
            const QStringList k = it.key().split(u'|');
            const qint64 pvp = it.value().first;
            insert("Agentes_Acumulados",
                   "Cod_Empresa, Cod_Agente, Fecha, Importe_Pvp, Importe_Costo, ComisionVenta, "
                   "ComisionCobro",
                   {n(1), k[0], q(k[1]), money(pvp), money(it.value().second), money(pvp * 5 / 100),
                    money(pvp * 2 / 100)});
        }
        for (auto it = dayArticles.cbegin(); it != dayArticles.cend(); ++it) {
            const QStringList k = it.key().split(u'|');
            insert("Agentes_Acumulados_Articulos",
                   "Cod_Empresa, Cod_Almacen, Fecha, Cod_Articulo, Cod_Agente, Importe_Pvp, "
                   "Importe_Costo",
                   {n(1), k[0], q(k[1]), k[3], k[2], money(it.value().first),
                    money(it.value().second)});
        }
    }

    struct Art {
        int emp, code, f1, f2, f3;
    };
    ado::Connection& cn_;
    Random rnd_{20260101};
    QList<Art> articles_;
};

} // namespace

QList<QPair<QString, QString>> reportSettings(const QString& connectionString) {
    const report::Logon l = report::logonFor(connectionString);
    return {{QStringLiteral("ODBCNombre"), l.nombre},
            {QStringLiteral("ODBCBaseDatos"), l.baseDatos},
            {QStringLiteral("ODBCUsuario"), l.usuario},
            {QStringLiteral("ODBCPassword"), l.password}};
}

QString applicationFolder() {
    const QString installed = QCoreApplication::applicationDirPath() + QStringLiteral("/../") +
                              QStringLiteral(ORBENTA_INSTALL_SHARE);
    if (QDir(installed + QStringLiteral("/Rpt")).exists())
        return QDir(installed).canonicalPath();
    return QStringLiteral(ORBENTA_SOURCE_SHARE);
}

void loadDemoData(ado::Connection& cn) {
    ado::Transaction tx(cn);
    Loader(cn).run();
    tx.Commit();
}

} // namespace orbenta::db
