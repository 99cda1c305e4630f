// Lists sort in Spanish order on every engine: the dialect collates the ORDER BY terms
// that hold text, and each engine brings its Spanish collation.
#include "Database.h"
#include "TestDatabase.h"

#include <QCollator>

using ado::Dialect;
using namespace testsupport;

namespace {

TEST(SpanishOrder, TheDialectCollatesTextColumnsOrderedAlone) {
    const Dialect lite = Dialect::SQLite, pg = Dialect::PostgreSQL, ss = Dialect::SqlServer;
    const struct {
        Dialect dialect;
        const char* collation;
        const char* tsql;
        const char* out = nullptr; // as it came
    } cases[] = {
        {lite, "ES", "SELECT Codigo, Nombre FROM Agentes ORDER BY Nombre",
         "SELECT Codigo, Nombre FROM Agentes ORDER BY Nombre COLLATE ES"},
        {ss, "Modern_Spanish_CI_AS", "SELECT TOP 5 Nombre FROM Agentes order by Nombre",
         "SELECT TOP 5 Nombre FROM Agentes order by Nombre COLLATE Modern_Spanish_CI_AS"},
        {pg, "\"es-ES-x-icu\"", "SELECT TOP 5 Nombre FROM Agentes ORDER BY Nombre",
         "SELECT Nombre FROM Agentes ORDER BY Nombre COLLATE \"es-ES-x-icu\" LIMIT 5"},
        {lite, "ES", "SELECT a.Nombre FROM Agentes a ORDER BY a.Nombre DESC, Codigo, [Descripcion]",
         "SELECT a.Nombre FROM Agentes a ORDER BY a.Nombre COLLATE ES DESC, Codigo, [Descripcion] "
         "COLLATE ES"},
        {lite, "ES",
         "SELECT Codigo FROM t WHERE Codigo IN (SELECT TOP 1 Codigo FROM Agentes ORDER BY "
         "Localidad) ORDER BY Codigo",
         "SELECT Codigo FROM t WHERE Codigo IN (SELECT Codigo FROM Agentes ORDER BY Localidad "
         "COLLATE ES LIMIT 1) ORDER BY Codigo"},
        // Left alone: numbers, positions, expressions, terms collated already, the lists
        // that must repeat what is selected, other lists, literals, no collation.
        {lite, "ES", "SELECT Nombre FROM Agentes ORDER BY Codigo, 2, UPPER(Nombre), Nombre + ''"},
        {ss, "X", "SELECT Nombre FROM Agentes ORDER BY Nombre COLLATE Latin1_General_BIN"},
        {pg, "X", "SELECT DISTINCT Nombre FROM Agentes ORDER BY Nombre"},
        {pg, "X", "SELECT Nombre FROM Agentes UNION SELECT Nombre FROM Bancos ORDER BY Nombre"},
        {lite, "ES", "SELECT Nombre, COUNT(*) FROM Agentes GROUP BY Nombre"},
        {ss, "X", "SELECT Codigo FROM Agentes WHERE Nombre = 'x ORDER BY Nombre'"},
        {lite, "", "SELECT Nombre FROM Agentes ORDER BY Nombre"},
    };
    for (const auto& c : cases) {
        const QString in = QString::fromUtf8(c.tsql);
        const std::string out = c.out ? c.out : c.tsql;
        const QString collation = QString::fromUtf8(c.collation);
        EXPECT_EQ(ado::translate(in, c.dialect, false, nullptr, collation).text.toStdString(), out);
        // The statement that runs prepared carries the collation too.
        ado::ShapeCache cache(c.dialect, {}, collation);
        for (int i = 0; i < 2; ++i) {
            const ado::Translation t = cache.translate(in);
            EXPECT_EQ(QString(t.parameterized() ? t.shape : t.text).toStdString(), out) << i;
        }
    }
    ado::ShapeCache cache(lite, {}, QStringLiteral("ES"));
    for (const char* sql : {"SELECT Nombre FROM Agentes WHERE Codigo > 5 ORDER BY Nombre",
                            "SELECT Nombre FROM Agentes WHERE Codigo > 6 ORDER BY Nombre"})
        EXPECT_EQ(cache.translate(QLatin1String(sql)).shape.toStdString(),
                  "SELECT Nombre FROM Agentes WHERE Codigo > ? ORDER BY Nombre COLLATE ES");
}

class SpanishOrder : public EngineTest {};

TEST_P(SpanishOrder, NamesComeInSpanishOrderOnEveryEngine) {
    createSchema();
    const QStringList names = {"Zoe",   "Óscar", "Ñandú", "Itziar", "alberto",
                               "Nuria", "Iñaki", "Oscar", "Álvaro"};
    for (int i = 0; i < names.size(); ++i)
        cn->Execute("INSERT INTO Agentes (Codigo, Nombre) VALUES (" + QString::number(i + 1) +
                    ", '" + names[i] + "')");
    const QStringList spanish = {"alberto", "Álvaro", "Iñaki", "Itziar", "Nuria",
                                 "Ñandú",   "Oscar",  "Óscar", "Zoe"};
    // Twice: sent as text the first time, prepared the second.
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(rowsOf(*cn, "SELECT Nombre FROM Agentes ORDER BY Nombre"), spanish);
}

ORBENTA_ENGINE_TESTS(SpanishOrder);

} // namespace

// The dialect knows the text columns by name: every column of the schema that holds text,
// and no other, or a server would refuse to collate a number. SQLite's collation answers
// most comparisons on its own: it must agree with the collator on whatever names are made
// of, accents, case, blanks, digits and signs.
TEST(SpanishOrder, TheTextColumnsAreThoseOfTheSchemaAndSqliteSortsAsTheCollatorDoes) {
    ScratchDatabase db(Engine::SQLite);
    const auto cn = db.open();
    orbenta::db::createSchema(*cn, false);
    const QStringList columns = rowsOf(*cn, "SELECT p.name, p.type FROM sqlite_master m JOIN "
                                            "pragma_table_info(m.name) p WHERE m.type = 'table'");
    ASSERT_GT(columns.size(), 40);
    for (const QString& c : columns)
        EXPECT_EQ(ado::sortsAsText(c.section(u'|', 0, 0)), c.section(u'|', 1) == u"TEXT")
            << c.toStdString();
    cn->Execute("CREATE TABLE T (Id INTEGER PRIMARY KEY, Nombre TEXT)");
    const QString pool = QString::fromUtf8("aAáÁàeEéiíoOóÓöuúüÜnNñÑcCçÇyýÿzZ 09-.'æßx") +
                         QString(QChar(u'n')) + QChar(0x0303); // n and a combining tilde
    QStringList names;
    quint32 seed = 12345;
    cn->BeginTrans();
    for (int i = 0; i < 1500; ++i) {
        QString name;
        for (int n = 1 + int(seed % 6); n > 0; --n) {
            seed = seed * 1103515245u + 12345u;
            name += pool[int((seed >> 8) % quint32(pool.size()))];
        }
        names << name;
        cn->Execute("INSERT INTO T (Id, Nombre) VALUES (" + QString::number(i) + ", '" +
                    QString(name).replace(u'\'', u"''"_qs) + "')");
    }
    cn->CommitTrans();
    QCollator spanish(QLocale(QLocale::Spanish, QLocale::Spain));
    std::sort(names.begin(), names.end(),
              [&](const QString& a, const QString& b) { return spanish.compare(a, b) < 0; });
    EXPECT_EQ(rowsOf(*cn, "SELECT Nombre FROM T ORDER BY Nombre"), names);
}
