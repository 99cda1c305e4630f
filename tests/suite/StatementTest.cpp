// A statement with its values apart answers exactly what its text answers, on every
// engine: values, NULL, exact decimals, texts with quotes, failures.
#include "TestDatabase.h"

using ado::Param;
using ado::Statement;
using namespace testsupport;

namespace {

class DirectStatements : public EngineTest {
protected:
    void prepare() override {
        const bool sqlite = GetParam() == Engine::SQLite;
        cn->Execute(QString("CREATE TABLE T (Id INTEGER NOT NULL PRIMARY KEY, Nombre VARCHAR(40), "
                            "Importe NUMERIC(19,4) DEFAULT 0, Porcentaje ") +
                    (sqlite ? "REAL" : "double precision") + ")");
        cn->Execute("INSERT INTO T VALUES (1, 'O''Brien', -1234567.8901, 12.5)");
        cn->Execute("INSERT INTO T VALUES (2, NULL, 0.0001, NULL)");
        cn->Execute("INSERT INTO T VALUES (3, 'x;?', 0, -1)");
    }
    // What a run shows: the value with its type, no row, or the failure.
    static QString shown(const std::optional<QVariant>& v) {
        if (!v)
            return "no row";
        return v->isNull() ? QString("NULL") : QString(v->typeName()) + ' ' + v->toString();
    }
    // The ODBC driver words a failure differently the second time the same text comes.
    QString shown(const automation::AutomationError& e) const {
        return QString::number(e.number()) + ' ' + e.source() + ' ' +
               (GetParam() == Engine::Odbc ? QString() : e.description());
    }
    qint64 textRuns() const {
        const auto s = cn->cacheStatistics();
        return s.hits + s.texts;
    }
};

TEST_P(DirectStatements, EachWayAnswersAndChangesWhatTheTextDoes) {
    const struct {
        Statement query;
        const char* expected;   // the value as the text's recordset shows it
        bool sendsText = false; // SQLite sends the text (else it binds the values, or refuses)
    } cases[] = {
        {{"SELECT Importe FROM T WHERE Id = ?", {1}}, "-1234567.8901"},
        {{"SELECT Importe FROM T WHERE Id = ?", {2}}, "0.0001"},
        {{"SELECT Importe + ? FROM T WHERE Id = ?", {Param::number("0.0001"), 2}}, "0.0002"},
        {{"SELECT Id FROM T WHERE Importe = ?", {Param::number("-1234567.8901")}}, "1"},
        {{"SELECT Id FROM T WHERE Importe > ? AND Importe < ?",
          {Param::number("-1"), Param::number("1e-4")}},
         "3"},
        {{"SELECT Nombre FROM T WHERE Id = ?", {2}}, "NULL"},
        {{"SELECT Porcentaje FROM T WHERE Id =?", {1}}, "12.5"},
        {{"SELECT Id FROM T WHERE Nombre = ?", {Param::text("O'Brien")}}, "1"},
        {{"SELECT Id FROM T WHERE Nombre = ?", {Param::text("x;?")}}, "3"},
        {{"SELECT Id FROM T WHERE Id = ?", {99}}, "no row"},
        {{"SELECT Id FROM T WHERE Id > ? ORDER BY Id DESC", {-5}}, "3"},
        {{"SELECT Id FROM T WHERE Porcentaje = ?", {-1}}, "3"},
        {{"SELECT Id FROM NoSuchTable WHERE Id = ?", {1}}, "failure", true},
        {{"SELECT Id FROM T WHERE Nombre = ?", {Param::text(QString("a") + QChar(0))}}, "failure"},
        {{"SELECT Id FROM T WHERE Id = ?; DELETE FROM T", {1}}, "failure"},
    };
    QStringList recorded;
    cn->setObserver([&](const ado::StatementEvent& e) {
        recorded << QString::number(e.kind) + ' ' + QString::number(e.cursorType) + ' ' +
                        QString::number(e.lockType) + ' ' + e.text;
    });
    for (const auto& c : cases) {
        const QString text = c.query.text();
        SCOPED_TRACE(text.toStdString());
        std::optional<QVariant> value;
        QString direct;
        recorded.clear();
        const qint64 before = textRuns();
        const auto e = failureOf([&] { direct = shown(cn->FirstValue(c.query)); });
        if (GetParam() == Engine::SQLite) {
            EXPECT_EQ(textRuns() != before, c.sendsText);
        }
        const QStringList announced = recorded;
        recorded.clear();
        const auto t = failureOf([&] {
            ado::Recordset rs;
            rs.Open(text, *cn);
            if (!rs.Eof())
                value = rs.Fields(0);
        });
        EXPECT_EQ(announced, recorded); // traced and observed as the text is
        EXPECT_EQ(shown(e).toStdString(), shown(t).toStdString());
        if (t.number() != 0) {
            EXPECT_STREQ(c.expected, "failure");
            continue;
        }
        EXPECT_EQ(direct, shown(value)); // the same value, of the same type
        if (value && !value->isNull())   // exact to the fourth decimal
            EXPECT_EQ(qRound64(value->toDouble() * 1e4), qRound64(atof(c.expected) * 1e4));
        else
            EXPECT_EQ(shown(value), c.expected);
    }
    const auto importe = [](Param id) {
        return Statement{"SELECT Importe FROM T WHERE Id = ?", {id}};
    };
    const auto porcentaje = [](Param id) {
        return Statement{"SELECT Porcentaje FROM T WHERE Id = ?", {id}};
    };
    const Statement falla{"SELECT Importe FROM T WHERE Id = CAST(? AS INTEGER)",
                          {Param::text("x")}};
    const Statement nul{"SELECT Id FROM T WHERE Nombre = ?", {Param::text(QString(QChar(0)))}};
    const std::vector<Statement> lists[] = {
        {importe(99), importe(1), importe(2)},          // the second answers
        {importe(99), importe(98)},                     // none does
        {porcentaje(2), porcentaje(99), porcentaje(1)}, // a row that does not answer
        {porcentaje(99), porcentaje(2)},
        {importe(1), falla},              // a failure after the answer is never seen
        {importe(99), falla, importe(1)}, // one before it is raised
        {{"SELECT Importe FROM T WHERE Id > ? ORDER BY Id DESC", {0}}, importe(1)},
        {{"SELECT Nombre FROM T WHERE Id = ?", {2}}, importe(1)}, // columns of other types
        {{"SELECT Id FROM T WHERE Id = ?", {3}}, importe(1)},
        {nul, importe(1)}, // refused as its text is
    };
    // Each list twice (the second time the engine has it prepared), one by one and at once.
    for (const auto& queries : lists) {
        SCOPED_TRACE(queries.front().text().toStdString());
        QStringList seen[2];
        for (int i = 0; i < 4; ++i) {
            cn->setPipelining(i % 2);
            QStringList& s = seen[i % 2];
            const auto e = failureOf([&] {
                s << QString::number(cn->FirstAnswering(queries, [&](const auto& v) {
                    s << shown(v);
                    return v && !v->isNull();
                }));
            });
            if (e.number()) // the wording depends on the way the query went
                s << QString::number(e.number()) + ' ' + e.source();
        }
        EXPECT_EQ(seen[1], seen[0]);
    }
    cn->setPipelining(true);
    const Statement statements[] = {
        {"UPDATE T SET Importe = Importe + ? WHERE Id >= ?", {Param::number("-0.0001"), 2}},
        {"UPDATE T SET Importe = Importe + ? ,Porcentaje = ? WHERE Id = ?",
         {Param::number("0.1"), Param::number("-7"), 1}},
        {"INSERT INTO T (Id, Nombre, Importe) VALUES (?, ?, ?)",
         {4, Param::text("Añó 'x'; ?"), Param::number("-922337203685477.5807")}},
        {"INSERT INTO T (Id, Nombre) VALUES (?, ?)", {1, Param::text("otra vez")}},
        {"INSERT INTO T (Id) VALUES (?)", {Param::number("5.5")}},
        {"DELETE FROM T WHERE Id = ?", {42}},
        {"UPDATE NoSuchTable SET Id = ?", {1}},
    };
    const QString all = "SELECT Id, Nombre, Importe, Porcentaje FROM T ORDER BY Id";
    // Twice: the second time round a server runs each shape as the statement it keeps.
    for (int round = 0; round < 2; ++round)
        for (const Statement& s : statements) {
            SCOPED_TRACE(s.text().toStdString() + (round ? " (kept)" : ""));
            // Each way in a transaction of its own, rolled back: both start from the same rows.
            qint32 direct = -9, viaText = -9;
            cn->BeginTrans();
            const qint64 before = textRuns();
            const auto e = failureOf([&] { direct = cn->ExecuteCount(s); });
            if (GetParam() == Engine::SQLite) {
                EXPECT_EQ(textRuns() != before, s.sql.contains("NoSuchTable"));
            }
            // A failure ends the transaction on some engines: the rows are read after success.
            const QStringList afterDirect = e.number() ? QStringList() : rowsOf(*cn, all);
            cn->RollbackTrans();
            cn->BeginTrans();
            const auto t = failureOf([&] { cn->Execute(s.text(), &viaText); });
            EXPECT_EQ(t.number() ? QStringList() : rowsOf(*cn, all), afterDirect);
            cn->RollbackTrans();
            EXPECT_EQ(std::pair(shown(e), direct), std::pair(shown(t), viaText));
        }
    EXPECT_EQ(rowsOf(*cn, "SELECT COUNT(*) FROM T"), QStringList{"3"});
}

// A search whose first query keeps having the row asks it alone, once the server has
// answered a search within a quarter of a millisecond; one it does not answer gets the
// next query's row, and the search after it asks all the queries together again.
TEST_P(DirectStatements, ASearchItsFirstQueryKeepsAnsweringAsksThatQueryAlone) {
    if (GetParam() != Engine::PostgreSQL)
        GTEST_SKIP() << "the union of a search's queries, kept on the server";
    const QString sum = "SELECT SUM(generic_plans + custom_plans) FROM pg_prepared_statements "
                        "WHERE statement";
    const auto runs = [&] { // of the first query alone, of the three together, the last two
        QList<int> n;
        for (const char* kept : {" = 'SELECT Id FROM T WHERE Id = $1'", " LIKE '%$3) ado_q))%'",
                                 " LIKE '%$2) ado_q))%'"})
            n << rowsOf(*cn, sum + kept).value(0).toInt();
        return n;
    };
    const auto search = [&](qint64 first) {
        QString got;
        cn->FirstAnswering(std::vector<Statement>{{"SELECT Id FROM T WHERE Id = ?", {first}},
                                                  {"SELECT Id FROM T WHERE Id = ?", {2}},
                                                  {"SELECT Id FROM T WHERE Id = ?", {3}}},
                           [&](const auto& v) { return v && !(got = v->toString()).isEmpty(); });
        return got;
    };
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(search(1), "1");
    const QList<int> hits = runs();
    EXPECT_EQ(hits[0] + hits[1], 30) << "one statement a search";
    EXPECT_GE(hits[0], 1) << "the first query asked alone";
    EXPECT_EQ(search(99), "2");
    EXPECT_EQ(runs(), (QList<int>{hits[0] + 1, hits[1], 1})) << "the rest together after it";
    EXPECT_EQ(search(1), "1");
    EXPECT_EQ(runs(), (QList<int>{hits[0] + 1, hits[1] + 1, 1}));
    // Another connection changes a column's type under the kept statements: they are
    // prepared anew, and no search fails.
    db->open()->Execute("ALTER TABLE T ALTER COLUMN Id TYPE bigint");
    for (const qint64 first : {1, 1, 1, 99, 1, 1, 1})
        EXPECT_EQ(search(first), first == 1 ? "1" : "2");
}

ORBENTA_ENGINE_TESTS(DirectStatements);

} // namespace
