#pragma once

#include "Recordset.h"

#include <QSqlDatabase>
#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace ado::lite {

/// A statement prepared on the SQLite connection underneath the Qt driver. The data
/// layer runs every SQLite statement through the engine's own interface: the driver's
/// generic layer costs more than a small statement itself.
class Statement {
public:
    Statement() = default;
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    /// Prepares `sql` (one statement). `persistent`: it will be run many times.
    bool prepare(sqlite3* db, const QString& sql, bool persistent);

    struct Outcome {
        bool ok = false;
        bool integrity = false; // a key or other constraint refused the statement
        QString error;
        std::shared_ptr<const Recordset::Columns> columns; // null: not a query
        QVector<QVariant> cells; // row after row, as many per row as columns
        qint32 rowsAffected = -1;
    };
    /// Binds `params` (integers, doubles, texts, nulls) and runs the statement to its
    /// end, reading every row. The statement is reset afterwards, holding no lock.
    Outcome run(const QVector<QVariant>& params,
                std::shared_ptr<const Recordset::Columns>& columnCache);

    const QString& prepareError() const { return error_; }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* st_ = nullptr;
    QString error_;
};

/// The SQLite connection underneath a QSQLITE database; null when there is none.
sqlite3* handleOf(const QSqlDatabase& db);

} // namespace ado::lite
