#include <OrbentaSuite.h>
#include <QLocale>
#include <gtest/gtest.h>

using ado::Dialect;
using ado::translate;

namespace {

// The rewritten text is the same on SQLite and PostgreSQL unless a third text gives
// PostgreSQL's; SQL Server gets it untouched.
TEST(Dialect, RewritesOnlyWhatDiffersAndNeverInsideLiterals) {
    const char* cases[][3] = {
        {"select distinct top (5) a from t order by a",
         "select distinct a from t order by a LIMIT 5"},
        {"SELECT TOP 2 a FROM t WHERE a IN (SELECT TOP 3 b FROM u WHERE b IN (SELECT c FROM v) "
         "ORDER BY b) ORDER BY a",
         "SELECT a FROM t WHERE a IN (SELECT b FROM u WHERE b IN (SELECT c FROM v) ORDER BY b "
         "LIMIT 3) ORDER BY a LIMIT 2"},
        {"SELECT TOP 1 a FROM t -- TOP 2\n", "SELECT a FROM t LIMIT 1 -- TOP 2\n"},
        {"SELECT TOP 4 a FROM t;", "SELECT a FROM t LIMIT 4;"},
        {"SELECT TOP 10 PERCENT a FROM t", "SELECT TOP 10 PERCENT a FROM t"},
        {"SELECT IsNull(x,'') = isnull (y, '')", "SELECT COALESCE(x,'') = COALESCE (y, '')"},
        {"SELECT a FROM t WHERE a ISNULL", "SELECT a FROM t WHERE a ISNULL"},
        {"INSERT INTO t (a) VALUES ('SELECT TOP 1 ISNULL( TRUNCATE TABLE x -- /*')",
         "INSERT INTO t (a) VALUES ('SELECT TOP 1 ISNULL( TRUNCATE TABLE x -- /*')"},
        {"SELECT TOP 1 a FROM t WHERE b = 'O''Donnell TOP 3 '' ISNULL('",
         "SELECT a FROM t WHERE b = 'O''Donnell TOP 3 '' ISNULL(' LIMIT 1"},
        {"SELECT a FROM t WHERE b = N'Iñaki'", "SELECT a FROM t WHERE b = 'Iñaki'"},
        {"SELECT \"TOP\", [ISNULL(] FROM t", "SELECT \"TOP\", [ISNULL(] FROM t"},
        {"SELECT MONTH(MAX(f)), Year FROM t WHERE Year = 'YEAR(x)'",
         "SELECT CAST(strftime('%m', MAX(f)) AS INTEGER), Year FROM t WHERE Year = 'YEAR(x)'",
         "SELECT CAST(EXTRACT(MONTH FROM MAX(f)) AS INTEGER), Year FROM t WHERE Year = 'YEAR(x)'"},
    };
    for (const auto& [tsql, rewritten, onPostgres] : cases) {
        const QString in = QString::fromUtf8(tsql);
        EXPECT_EQ(translate(in, Dialect::SQLite).text.toStdString(), rewritten);
        EXPECT_EQ(translate(in, Dialect::PostgreSQL).text.toStdString(),
                  onPostgres ? onPostgres : rewritten);
        EXPECT_EQ(translate(in, Dialect::SqlServer).text, in);
        EXPECT_EQ(ado::ShapeCache(Dialect::SQLite).translate(in).text.toStdString(), rewritten);
    }
}

// The prepared form as "shape | value:type, ...".
std::string bound(const ado::Translation& t) {
    QStringList p;
    for (const QVariant& v : t.parameters)
        p << v.toString() + u':' +
                 (v.typeId() == QMetaType::LongLong ? QLatin1String("int")
                  : v.typeId() == QMetaType::Double ? QLatin1String("real")
                                                    : QLatin1String(v.typeName()));
    return QString(t.shape + " | " + p.join(", ")).toStdString();
}

TEST(Dialect, LiteralsBecomeTypedParameters) {
    // An empty shape: not parameterized.
    const std::tuple<Dialect, const char*, const char*> cases[] = {
        {Dialect::SQLite, "UPDATE t SET a = a - 5, b = b -2.5",
         "UPDATE t SET a = a - ?, b = b -? | 5:int, 2.5:real"},
        {Dialect::SQLite, "SELECT a FROM t WHERE (- 3) < a AND -4.5 < b",
         "SELECT a FROM t WHERE (?) < a AND ? < b | -3:int, -4.5:real"},
        {Dialect::SQLite, "SELECT TOP 3 a, 7 FROM t WHERE b = 2 ORDER BY 2, a",
         "SELECT a, ? FROM t WHERE b = ? ORDER BY 2, a LIMIT 3 | 7:int, 2:int"},
        {Dialect::SQLite, "SELECT a FROM t WHERE a IN (SELECT TOP 1 b FROM u ORDER BY 1) AND c = 9",
         "SELECT a FROM t WHERE a IN (SELECT b FROM u ORDER BY 1 LIMIT 1) AND c = ? | 9:int"},
        {Dialect::SQLite, "SELECT a FROM t WHERE b = N'I''ñaki'",
         "SELECT a FROM t WHERE b = ? | I'ñaki:QString"},
        {Dialect::SQLite, "SELECT a FROM t WHERE b = 1 AND c = 'abc",
         "SELECT a FROM t WHERE b = ? AND c = 'abc | 1:int"},
        {Dialect::SQLite, "SELECT 99999999999999999999", "SELECT ? | 1e+20:real"},
        {Dialect::PostgreSQL,
         "UPDATE t SET a = a + 12.5 WHERE b = 3000000000 AND c = -7 AND d = 'x'",
         "UPDATE t SET a = a + CAST(? AS numeric) WHERE b = CAST(? AS bigint) AND c = CAST(? AS "
         "integer) AND d = ? | 12.5:QString, 3000000000:QString, -7:QString, x:QString"},
        {Dialect::SQLite, "CREATE TABLE t (a INTEGER DEFAULT 0)", " | "},
        {Dialect::SQLite, "TRUNCATE TABLE t", " | "},
        {Dialect::SqlServer, "SELECT a FROM t WHERE b = 1", " | "},
    };
    for (const auto& [dialect, tsql, expected] : cases)
        EXPECT_EQ(bound(translate(QString::fromUtf8(tsql), dialect, true)), expected);
}

// Statements in pairs sharing a skeleton: the second comes from what the first taught.
TEST(Dialect, LearntShapesGiveExactlyTheFullTranslation) {
    QStringList statements = {
        "UPDATE t SET a = a - 5, b = 'it''s' WHERE c = N'Iñaki' -- it's a comment\n",
        "UPDATE t SET a = a - 6, b = '''' WHERE c = N'' -- it's a comment\n",
        "SELECT * FROM t WHERE c IN (SELECT TOP 1 c FROM t WHERE c > 15 ORDER BY c)",
        "SELECT * FROM t WHERE c IN (SELECT TOP 2 c FROM t WHERE c > 16 ORDER BY c)",
        "SELECT a FROM t ORDER BY 2",
        "SELECT a FROM t ORDER BY 1",
        "INSERT INTO t (a, b, c) VALUES (1e5, .5, 'x /* y */')",
        "INSERT INTO t (a, b, c) VALUES (2e5, .25, '')",
        "SELECT 'unterminated",
    };
    for (const char* v : {"2147483647", "-2147483647", "3000000000", "-9223372036854775807"})
        statements << "SELECT * FROM Agentes WHERE Codigo =" + QLatin1String(v);
    for (Dialect d : {Dialect::SQLite, Dialect::PostgreSQL}) {
        ado::ShapeCache cache(d);
        for (int pass = 0; pass < 2; ++pass)
            for (const QString& s : statements)
                EXPECT_EQ(bound(cache.translate(s)), bound(translate(s, d, true)))
                    << s.toStdString();
        // Every repeat but the unterminated text and the TOP and ORDER BY forms whose kept
        // literal changed: ten on the second pass, two on the first.
        EXPECT_EQ(cache.fastHits(), 12) << "the repeated skeletons were not recognised";
    }
}

TEST(Dialect, DecimalAssignmentsRoundedToTheColumnsScaleOnBothPaths) {
    const ado::ColumnScale scales = [](QStringView table, QStringView column) {
        if (table.compare(u"A", Qt::CaseInsensitive) != 0)
            return -1;
        return column.compare(u"Importe", Qt::CaseInsensitive) == 0  ? 4
               : column.compare(u"Precio", Qt::CaseInsensitive) == 0 ? 2
                                                                     : -1;
    };
    const char* cases[][2] = {
        {"UPDATE A SET Importe = Importe + 0.1 WHERE Id = 1",
         "UPDATE A SET Importe = ROUND(ado_exact(Importe + 0.1, 4), 4) WHERE Id = 1"},
        {"UPDATE A SET Importe = Importe + -1 ,Precio = Precio * 1.07, Nombre = 'x, y' WHERE Id = "
         "1",
         "UPDATE A SET Importe = ROUND(ado_exact(Importe + -1, 4), 4) ,Precio = "
         "ROUND(ado_exact(Precio * 1.07, 2), 2), Nombre "
         "= 'x, y' WHERE Id = 1"},
        {"update a set \"importe\" = (SELECT MAX(x, 2) FROM b)", // quoted, sub-query, no WHERE
         "update a set \"importe\" = ROUND(ado_exact((SELECT MAX(x, 2) FROM b), 4), 4)"},
        {"UPDATE B SET Importe = Importe + 1", "UPDATE B SET Importe = Importe + 1"},
        {"UPDATE A SET Importe = ISNULL(Importe, 0) + N'1' WHERE Id = 1",
         "UPDATE A SET Importe = ROUND(ado_exact(COALESCE(Importe, 0) + '1', 4), 4) WHERE Id = 1"},
        {"UPDATE A SET Cantidad = Cantidad + 1", "UPDATE A SET Cantidad = Cantidad + 1"},
        {"SELECT Importe + 0.1 FROM A", "SELECT Importe + 0.1 FROM A"},
        {"INSERT INTO A (Importe) VALUES (0.1)", "INSERT INTO A (Importe) VALUES (0.1)"},
    };
    for (const auto& [tsql, rounded] : cases) {
        SCOPED_TRACE(tsql);
        const QString in = QString::fromUtf8(tsql);
        EXPECT_EQ(translate(in, Dialect::SQLite, false, &scales).text.toStdString(), rounded);
        if (!in.contains("ISNULL")) {
            EXPECT_EQ(translate(in, Dialect::SQLite, false).text, in) << "without scales: as is";
        }
        const ado::Translation p = translate(in, Dialect::SQLite, true, &scales);
        if (!p.parameterized())
            continue;
        QString filled = p.shape;
        for (const QVariant& v : p.parameters)
            filled.replace(
                filled.indexOf(u'?'), 1,
                v.typeId() == QMetaType::QString
                    ? u'\'' + v.toString() + u'\''
                    : QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest));
        EXPECT_EQ(filled.toStdString(), rounded);
    }
}

} // namespace
