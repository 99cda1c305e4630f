#include "DriverBackend.h"

#include <QSqlField>
#include <QSqlRecord>

namespace ado {

namespace {
struct DriverStatement : PreparedStatement {
    QSqlQuery query;
    QString shape;
    DriverStatement(const QSqlDatabase& db, QString s) : query(db), shape(std::move(s)) {}
};
} // namespace

QString DriverBackend::postgresCollation() {
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral(
            "SELECT collname FROM pg_collation WHERE collname IN ('es-ES-x-icu', 'es_ES.utf8', "
            "'es_ES.UTF-8') AND collencoding IN (-1, pg_char_to_encoding(getdatabaseencoding())) "
            "ORDER BY collprovider = 'i' DESC, collname LIMIT 1")) ||
        !q.next())
        return {};
    return u'"' + q.value(0).toString() + u'"';
}

void DriverBackend::collect(QSqlQuery& q, Rows& r,
                            std::shared_ptr<const Recordset::Columns>* cached) {
    if (!q.isSelect()) {
        r.rowsAffected = q.numRowsAffected();
        return;
    }
    // Reuse the columns of the previous result of this query when they are the
    // same (always, for one prepared shape while the schema stays as it is).
    const QSqlRecord rec = q.record();
    bool same = *cached && (*cached)->names.size() == rec.count();
    for (int i = 0; same && i < rec.count(); ++i)
        same = (*cached)->names[i] == rec.fieldName(i);
    if (!same) {
        QStringList names;
        names.reserve(rec.count());
        for (int i = 0; i < rec.count(); ++i)
            names << rec.fieldName(i);
        *cached = std::make_shared<const Recordset::Columns>(names);
    }
    r.columns = *cached;
    const int n = int(r.columns->names.size());
    // A value read from a row is never Empty: the ODBC driver gives SQL NULL as an
    // invalid variant, which becomes the null of the column's type, as the other
    // drivers give it.
    while (q.next())
        for (int i = 0; i < n; ++i) {
            QVariant v = q.value(i);
            if (!v.isValid()) {
                const QMetaType t = rec.field(i).metaType();
                v = QVariant(t.isValid() ? t : QMetaType::fromType<QString>());
            }
            r.cells.push_back(std::move(v));
        }
}

Rows DriverBackend::runText(const QString& sql) {
    if (!textQuery_) {
        textQuery_ = std::make_unique<QSqlQuery>(db);
        textQuery_->setForwardOnly(true);
    }
    QSqlQuery& q = *textQuery_;
    if (!q.exec(sql)) {
        const QSqlError e = errorOf(q);
        q.finish();
        fail(e);
    }
    Rows r;
    collect(q, r, &textColumns_);
    q.finish();
    return r;
}

std::unique_ptr<PreparedStatement> DriverBackend::prepare(const QString& shape) {
    auto st = std::make_unique<DriverStatement>(db, shape);
    st->query.setForwardOnly(true);
    st->query.setNumericalPrecisionPolicy(db.numericalPrecisionPolicy());
    if (!st->query.prepare(shape))
        return nullptr;
    return st;
}

Rows DriverBackend::runPrepared(PreparedStatement& statement, const QVector<QVariant>& values,
                                std::shared_ptr<const Recordset::Columns>& columns) {
    auto& st = static_cast<DriverStatement&>(statement);
    QSqlQuery& q = st.query;
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    Rows r;
    bool ok = q.exec();
    // Another connection changed the columns of a table the statement reads (a server
    // then refuses the plan it kept): the statement is prepared again.
    if (!ok &&
        errorOf(q).text().contains(QStringLiteral("cached plan must not change result type"))) {
        q.finish();
        if (q.prepare(st.shape)) {
            for (int i = 0; i < values.size(); ++i)
                q.bindValue(i, values[i]);
            ok = q.exec();
        }
    }
    if (!ok) {
        const QSqlError err = errorOf(q);
        q.finish();
        fail(err);
    }
    collect(q, r, &columns);
    q.finish();
    return r;
}

void DriverBackend::closing(bool) {
    textQuery_.reset();
    textColumns_.reset();
}

} // namespace ado
