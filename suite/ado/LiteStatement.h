#pragma once

// A statement prepared on an SQLite connection, run through the engine's own interface.
// Private to the data layer.
#include "Backend.h"
#include "Statement.h"

#include <sqlite3.h>

namespace ado {

// A statement prepared on the SQLite connection underneath the Qt driver. Every SQLite
// statement runs through the engine's own interface: the driver's generic layer costs
// more than a small statement itself.
class LiteStatement : public PreparedStatement {
public:
    LiteStatement() = default;
    ~LiteStatement() override;
    LiteStatement(const LiteStatement&) = delete;
    LiteStatement& operator=(const LiteStatement&) = delete;

    // Prepares `sql` (one statement). `persistent`: it will be run many times.
    bool prepare(sqlite3* db, const QString& sql, bool persistent);

    struct Outcome {
        bool ok = false;
        bool integrity = false; // a key or other constraint refused the statement
        QString error;
        Rows rows;
    };
    // Binds `params` (integers, doubles, texts, nulls) and runs the statement to its end,
    // reading every row. The statement is reset afterwards, holding no lock.
    Outcome run(const QVector<QVariant>& params,
                std::shared_ptr<const Recordset::Columns>& columnCache);

    // Binds `values` as a statement's text would carry them (see Statement) and runs the
    // statement to its end; `first` receives the first column of the first row (nullopt:
    // no row), and the rows changed go to rows.rowsAffected (-1 for a query). No other
    // cell is read. False, with nothing run, when the values do not fit the statement:
    // its text is then run instead.
    bool runBound(const QVarLengthArray<Param, 6>& values, std::optional<QVariant>* first,
                  Outcome& out);

    const QString& prepareError() const { return error_; }

private:
    QVariant cell(int column) const;
    void finish(int rc, int columns, sqlite3_int64 before, Outcome& out);

    sqlite3* db_ = nullptr;
    sqlite3_stmt* st_ = nullptr;
    QString error_;
};

} // namespace ado
