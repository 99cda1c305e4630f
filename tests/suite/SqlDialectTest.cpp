#include <OrbentaSuite.h>
#include <QLocale>
#include <gtest/gtest.h>

using ado::Dialect;
using ado::translate;

namespace {

struct Rewrite {
    const char* name;
    const char* tsql;
    const char* sqlite; // expected text on SQLite and PostgreSQL (they rewrite alike)
};

class Rewrites : public ::testing::TestWithParam<Rewrite> {};

TEST_P(Rewrites, RewritesOnlyWhatDiffersAndNeverInsideLiterals) {
    const Rewrite& r = GetParam();
    const QString in = QString::fromUtf8(r.tsql);
    EXPECT_EQ(translate(in, Dialect::SQLite).text.toStdString(), r.sqlite);
    EXPECT_EQ(translate(in, Dialect::PostgreSQL).text.toStdString(), r.sqlite);
    // SQL Server speaks T-SQL: the text passes through untouched.
    EXPECT_EQ(translate(in, Dialect::SqlServer).text, in);
    // The shape of a data statement is the text with its literals as placeholders.
    const ado::Translation p = translate(in, Dialect::SQLite, true);
    if (p.parameterized()) {
        QString filled = p.shape;
        EXPECT_EQ(filled.count(u'?'), p.parameters.size());
    } else {
        EXPECT_EQ(p.text.toStdString(), r.sqlite);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, Rewrites,
    ::testing::Values(
        Rewrite{"TopAtStatementLevel", "SELECT TOP 1 * FROM Agentes_Acumulados WHERE Cod_Agente =5",
                "SELECT * FROM Agentes_Acumulados WHERE Cod_Agente =5 LIMIT 1"},
        Rewrite{"TopInsideInSubqueryWithOrderBy",
                "SELECT * FROM Agentes WHERE Codigo IN (SELECT TOP 1 Codigo FROM Agentes WHERE "
                "Codigo < -3 ORDER BY Codigo DESC)",
                "SELECT * FROM Agentes WHERE Codigo IN (SELECT Codigo FROM Agentes WHERE Codigo < "
                "-3 ORDER BY Codigo DESC LIMIT 1)"},
        Rewrite{"TopInParenthesesAndDistinct", "select distinct top (5) a from t order by a",
                "select distinct a from t order by a LIMIT 5"},
        Rewrite{"NestedSubqueriesEachKeepTheirOwnLimit",
                "SELECT TOP 2 a FROM t WHERE a IN (SELECT TOP 3 b FROM u WHERE b IN (SELECT c "
                "FROM v) ORDER BY b) ORDER BY a",
                "SELECT a FROM t WHERE a IN (SELECT b FROM u WHERE b IN (SELECT c FROM v) ORDER "
                "BY b LIMIT 3) ORDER BY a LIMIT 2"},
        Rewrite{"LimitGoesBeforeATrailingComment", "SELECT TOP 1 a FROM t -- TOP 2\n",
                "SELECT a FROM t LIMIT 1 -- TOP 2\n"},
        Rewrite{"LimitGoesBeforeATrailingSemicolon", "SELECT TOP 4 a FROM t;",
                "SELECT a FROM t LIMIT 4;"},
        Rewrite{"TopPercentIsLeftAlone", "SELECT TOP 10 PERCENT a FROM t",
                "SELECT TOP 10 PERCENT a FROM t"},
        Rewrite{"IsNullInAnyCase",
                "SELECT * FROM Agentes WHERE Codigo IN (SELECT ISNULL(MIN(Codigo), 0) AS Codigo "
                "FROM Agentes) AND IsNull(x,'') = isnull (y, '')",
                "SELECT * FROM Agentes WHERE Codigo IN (SELECT COALESCE(MIN(Codigo), 0) AS Codigo "
                "FROM Agentes) AND COALESCE(x,'') = COALESCE (y, '')"},
        Rewrite{"PostfixIsNullIsNotAFunction", "SELECT a FROM t WHERE a ISNULL",
                "SELECT a FROM t WHERE a ISNULL"},
        Rewrite{"Truncate", "TRUNCATE TABLE Listado_Desc_Comis", "DELETE FROM Listado_Desc_Comis"},
        Rewrite{"KeywordsInsideLiteralsStay",
                "INSERT INTO t (a) VALUES ('SELECT TOP 1 ISNULL( TRUNCATE TABLE x -- /*')",
                "INSERT INTO t (a) VALUES ('SELECT TOP 1 ISNULL( TRUNCATE TABLE x -- /*')"},
        Rewrite{"DoubledQuotesDoNotEndTheLiteral",
                "SELECT TOP 1 a FROM t WHERE b = 'O''Donnell TOP 3 '' ISNULL('",
                "SELECT a FROM t WHERE b = 'O''Donnell TOP 3 '' ISNULL(' LIMIT 1"},
        Rewrite{"NationalLiteral", "SELECT a FROM t WHERE b = N'Iñaki'",
                "SELECT a FROM t WHERE b = 'Iñaki'"},
        Rewrite{"QuotedIdentifiersStay", "SELECT \"TOP\", [ISNULL(] FROM t",
                "SELECT \"TOP\", [ISNULL(] FROM t"}),
    [](const auto& info) { return std::string(info.param.name); });

struct Shape {
    const char* name;
    Dialect dialect;
    const char* tsql;
    const char* shape; // "" when the statement must not be parameterized
    QVariantList params;
};

class Shapes : public ::testing::TestWithParam<Shape> {};

TEST_P(Shapes, LiteralsBecomeTypedParameters) {
    const Shape& s = GetParam();
    const ado::Translation t = translate(QString::fromUtf8(s.tsql), s.dialect, true);
    EXPECT_EQ(t.shape.toStdString(), s.shape);
    ASSERT_EQ(t.parameters.size(), s.params.size());
    for (int i = 0; i < s.params.size(); ++i) {
        EXPECT_EQ(t.parameters[i], s.params[i]) << "parameter " << i;
        EXPECT_EQ(t.parameters[i].typeId(), s.params[i].typeId()) << "type of parameter " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, Shapes,
    ::testing::Values(
        Shape{"NegativeNumberIsOneLiteral",
              Dialect::SQLite,
              "SELECT * FROM Agentes WHERE Codigo =-5",
              "SELECT * FROM Agentes WHERE Codigo =?",
              {QVariant(qlonglong(-5))}},
        Shape{"BinaryMinusStaysAnOperator",
              Dialect::SQLite,
              "UPDATE t SET a = a - 5, b = b -2.5",
              "UPDATE t SET a = a - ?, b = b -?",
              {QVariant(qlonglong(5)), QVariant(2.5)}},
        Shape{"SignAfterKeywordAndParenthesis",
              Dialect::SQLite,
              "SELECT a FROM t WHERE (- 3) < a AND -4.5 < b",
              "SELECT a FROM t WHERE (?) < a AND ? < b",
              {QVariant(qlonglong(-3)), QVariant(-4.5)}},
        Shape{"StringsUnescaped",
              Dialect::SQLite,
              "INSERT INTO t (a, b) VALUES ('O''Donnell', '')",
              "INSERT INTO t (a, b) VALUES (?, ?)",
              {QVariant(QStringLiteral("O'Donnell")), QVariant(QString())}},
        Shape{"TopAndOrderByPositionsStayInTheShape",
              Dialect::SQLite,
              "SELECT TOP 3 a, 7 FROM t WHERE b = 2 ORDER BY 2, a",
              "SELECT a, ? FROM t WHERE b = ? ORDER BY 2, a LIMIT 3",
              {QVariant(qlonglong(7)), QVariant(qlonglong(2))}},
        Shape{"ValuesAfterAnOrderedSubquery",
              Dialect::SQLite,
              "SELECT a FROM t WHERE a IN (SELECT TOP 1 b FROM u ORDER BY 1) AND c = 9",
              "SELECT a FROM t WHERE a IN (SELECT b FROM u ORDER BY 1 LIMIT 1) AND c = ?",
              {QVariant(qlonglong(9))}},
        Shape{"NationalStringIsAPlainParameter",
              Dialect::SQLite,
              "SELECT a FROM t WHERE b = N'I''ñaki'",
              "SELECT a FROM t WHERE b = ?",
              {QVariant(QStringLiteral("I'ñaki"))}},
        Shape{"UnterminatedStringIsLeftForTheServer",
              Dialect::SQLite,
              "SELECT a FROM t WHERE b = 1 AND c = 'abc",
              "SELECT a FROM t WHERE b = ? AND c = 'abc",
              {QVariant(qlonglong(1))}},
        Shape{"HugeIntegerIsADouble",
              Dialect::SQLite,
              "SELECT 99999999999999999999",
              "SELECT ?",
              {QVariant(99999999999999999999.0)}},
        Shape{"PostgreSqlTypesNumbersAsItsLiteralsWouldBe",
              Dialect::PostgreSQL,
              "UPDATE t SET a = a + 12.5 WHERE b = 3000000000 AND c = -7 AND d = 'x'",
              "UPDATE t SET a = a + CAST(? AS numeric) WHERE b = CAST(? AS bigint) AND c = "
              "CAST(? AS integer) AND d = ?",
              {QVariant(QStringLiteral("12.5")), QVariant(QStringLiteral("3000000000")),
               QVariant(QStringLiteral("-7")), QVariant(QStringLiteral("x"))}},
        Shape{
            "DdlIsNeverPrepared", Dialect::SQLite, "CREATE TABLE t (a INTEGER DEFAULT 0)", "", {}},
        Shape{"TruncateIsNeverPrepared", Dialect::SQLite, "TRUNCATE TABLE t", "", {}},
        Shape{
            "SqlServerIsNeverPrepared", Dialect::SqlServer, "SELECT a FROM t WHERE b = 1", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

// Statements in pairs that share a skeleton: the second is translated from what was
// learnt of the first, and must come out exactly as a full translation.
TEST(ShapeCacheTest, LearntShapesGiveExactlyTheFullTranslation) {
    const QStringList statements = {
        "UPDATE Agentes_Acumulados SET Importe_Pvp = Importe_Pvp + 12.5 ,Importe_Costo = "
        "Importe_Costo + -3 WHERE "
        "Cod_Empresa =1 AND Cod_Agente =-7 AND Fecha ='2026-01-01T00:00:00'",
        "UPDATE Agentes_Acumulados SET Importe_Pvp = Importe_Pvp + 0.0001 ,Importe_Costo = "
        "Importe_Costo + -99 WHERE "
        "Cod_Empresa =2 AND Cod_Agente =-8 AND Fecha ='2027-12-31T23:59:59'",
        "UPDATE t SET a = a - 5, b = 'it''s' WHERE c = N'Iñaki' -- it's a comment\n",
        "UPDATE t SET a = a - 6, b = '''' WHERE c = N'' -- it's a comment\n",
        "SELECT * FROM Agentes WHERE Codigo =2147483647",
        "SELECT * FROM Agentes WHERE Codigo =-2147483647",
        "SELECT * FROM Agentes WHERE Codigo =3000000000",
        "SELECT * FROM Agentes WHERE Codigo =-9223372036854775807",
        "SELECT * FROM Agentes WHERE Codigo IN (SELECT TOP 1 Codigo FROM Agentes WHERE Codigo > 15 "
        "ORDER BY Codigo)",
        "SELECT * FROM Agentes WHERE Codigo IN (SELECT TOP 2 Codigo FROM Agentes WHERE Codigo > 16 "
        "ORDER BY Codigo)",
        "SELECT a FROM t ORDER BY 2",
        "SELECT a FROM t ORDER BY 1",
        "INSERT INTO t (a, b, c) VALUES (1e5, .5, 'x /* y */')",
        "INSERT INTO t (a, b, c) VALUES (2e5, .25, '')",
        "SELECT 'unterminated",
    };
    for (Dialect d : {Dialect::SQLite, Dialect::PostgreSQL}) {
        ado::ShapeCache cache(d);
        for (int pass = 0; pass < 2; ++pass)
            for (const QString& s : statements) {
                SCOPED_TRACE(s.toStdString());
                const ado::Translation fast = cache.translate(s);
                const ado::Translation full = translate(s, d, true);
                EXPECT_EQ(fast.shape, full.shape);
                EXPECT_EQ(fast.parameters, full.parameters);
                for (int i = 0; i < qMin(fast.parameters.size(), full.parameters.size()); ++i)
                    EXPECT_EQ(fast.parameters[i].typeId(), full.parameters[i].typeId());
            }
        EXPECT_GE(cache.fastHits(), 10) << "the repeated skeletons were not recognised";
    }
}

} // namespace

namespace {

// Assignments to decimal columns are rounded to the column's scale on the embedded
// engine, the same way on the text path and the prepared path; nothing else changes.
TEST(DecimalAssignments, RoundedToTheColumnsScaleOnBothPaths) {
    const ado::ColumnScale scales = [](QStringView table, QStringView column) {
        if (table.compare(u"A", Qt::CaseInsensitive) != 0)
            return -1;
        if (column.compare(u"Importe", Qt::CaseInsensitive) == 0)
            return 4;
        if (column.compare(u"Precio", Qt::CaseInsensitive) == 0)
            return 2;
        return -1;
    };
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"UPDATE A SET Importe = Importe + 0.1 WHERE Id = 1",
         "UPDATE A SET Importe = ROUND(Importe + 0.1, 4) WHERE Id = 1"},
        {"UPDATE A SET Importe = Importe + -1 ,Precio = Precio * 1.07, Nombre = 'x, y' WHERE "
         "Id = 1",
         "UPDATE A SET Importe = ROUND(Importe + -1, 4) ,Precio = ROUND(Precio * 1.07, 2), "
         "Nombre = 'x, y' WHERE Id = 1"},
        {"update a set \"importe\" = (SELECT MAX(x, 2) FROM b)", // quoted, sub-query, no WHERE
         "update a set \"importe\" = ROUND((SELECT MAX(x, 2) FROM b), 4)"},
        {"UPDATE B SET Importe = Importe + 1", "UPDATE B SET Importe = Importe + 1"},
        {"UPDATE A SET Importe = ISNULL(Importe, 0) + N'1' WHERE Id = 1",
         "UPDATE A SET Importe = ROUND(COALESCE(Importe, 0) + '1', 4) WHERE Id = 1"},
        {"UPDATE A SET Cantidad = Cantidad + 1", "UPDATE A SET Cantidad = Cantidad + 1"},
        {"SELECT Importe + 0.1 FROM A", "SELECT Importe + 0.1 FROM A"},
        {"INSERT INTO A (Importe) VALUES (0.1)", "INSERT INTO A (Importe) VALUES (0.1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        const QString in = QString::fromUtf8(c.in);
        EXPECT_EQ(translate(in, Dialect::SQLite, false, &scales).text.toStdString(), c.out);
        if (!in.contains(QStringLiteral("ISNULL"))) {
            EXPECT_EQ(translate(in, Dialect::SQLite, false).text, in) << "without scales: as is";
        }
        // The prepared path binds the literals into the same statement.
        const ado::Translation p = translate(in, Dialect::SQLite, true, &scales);
        if (p.parameterized()) {
            QString filled = p.shape;
            for (const QVariant& v : p.parameters) {
                const QString lit =
                    v.typeId() == QMetaType::QString
                        ? u'\'' + v.toString() + u'\''
                        : QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
                filled.replace(filled.indexOf(u'?'), 1, lit);
            }
            EXPECT_EQ(filled.toStdString(), c.out);
        }
    }
}

} // namespace
