#pragma once

#include <OrbentaSuite.h>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>
#include <memory>
#include <string>

namespace bench {

/// A benchmark database: a fresh SQLite file, or a fresh schema on the PostgreSQL
/// server named by ORBENTA_BENCH_PG (else ORBENTA_TEST_PG), with the component's
/// schema and `agents` agents.
class BenchDatabase {
public:
    enum Engine { SQLite, PostgreSQL };
    BenchDatabase(Engine engine, int agents);
    ~BenchDatabase();
    bool available() const { return cn != nullptr; }
    /// The PostgreSQL schema of this database; empty on SQLite.
    const QString& schema() const { return schema_; }
    static QString postgresConnectionString();

    std::shared_ptr<ado::Connection> cn;

private:
    QTemporaryDir dir_;
    QString schema_;
};

/// The shared benchmark database of an engine (created on first use, `agents` agents).
BenchDatabase& sharedDatabase(BenchDatabase::Engine engine, int agents);
/// A benchmark database kept under `name` until the end of the run (made on first use).
BenchDatabase& keptDatabase(const std::string& name,
                            const std::function<std::unique_ptr<BenchDatabase>()>& make);
/// Closes the shared databases; called before the application object goes away.
void releaseSharedDatabases();

/// The text the data layer sends for a T-SQL statement on this connection (its dialect,
/// its Spanish order): what a baseline sends to do the same work.
inline QString native(const ado::Connection& cn, const QString& tsql) {
    return ado::translate(tsql, cn.dialect(), false, nullptr, cn.collation()).text;
}

/// Runs a statement straight through QtSql on the same driver connection and reads
/// every column of every row: the baseline the data layer is measured against.
inline int rawQuery(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql))
        qFatal("baseline statement failed: %s", qPrintable(sql));
    int cells = 0;
    if (q.isSelect()) {
        const int n = q.record().count();
        while (q.next())
            for (int i = 0; i < n; ++i) {
                benchmark::DoNotOptimize(q.value(i));
                ++cells;
            }
    }
    return q.isSelect() ? cells : q.numRowsAffected();
}

/// Reads every column of every row of a recordset.
inline void readAll(ado::Recordset& rs) {
    while (!rs.Eof()) {
        for (int i = 0; i < rs.FieldCount(); ++i)
            benchmark::DoNotOptimize(rs.Fields(i));
        rs.MoveNext();
    }
}

} // namespace bench
