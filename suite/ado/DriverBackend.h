#pragma once

// The server backends' statements through the Qt SQL driver. Private to the data layer.
#include "Backend.h"

#include <QSqlQuery>

namespace ado {

class DriverBackend : public Backend {
public:
    using Backend::Backend;

protected:
    Rows runText(const QString& sql) override;
    std::unique_ptr<PreparedStatement> prepare(const QString& shape) override;
    Rows runPrepared(PreparedStatement& statement, const QVector<QVariant>& values,
                     std::shared_ptr<const Recordset::Columns>& columns) override;
    void closing(bool rollback) override;
    /// The server's Spanish collation (ICU's es-ES, else the C library's es_ES), quoted
    /// for COLLATE; empty when it has neither.
    QString postgresCollation();
    /// Reads a query's rows (or the rows it changed) into `r`.
    static void collect(QSqlQuery& q, Rows& r, std::shared_ptr<const Recordset::Columns>* cached);

private:
    // One query object serves every text statement: rows are read before it is used
    // again, and creating a driver result per statement costs more than the statement.
    std::unique_ptr<QSqlQuery> textQuery_;
    std::shared_ptr<const Recordset::Columns> textColumns_;
};

} // namespace ado
