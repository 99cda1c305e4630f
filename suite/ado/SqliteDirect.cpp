#include "SqliteDirect.h"

#include <QSqlDriver>
#include <sqlite3.h>

namespace ado::lite {

sqlite3* handleOf(const QSqlDatabase& db) {
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3* const*>(h.data());
    return nullptr;
}

Statement::~Statement() {
    if (st_)
        sqlite3_finalize(st_);
}

bool Statement::prepare(sqlite3* db, const QString& sql, bool persistent) {
    db_ = db;
    const void* tail = nullptr;
    const int rc = sqlite3_prepare16_v3(db, sql.utf16(), int(sql.size() * sizeof(char16_t)),
                                        persistent ? SQLITE_PREPARE_PERSISTENT : 0, &st_, &tail);
    if (rc != SQLITE_OK) {
        error_ = QString::fromUtf8(sqlite3_errmsg(db));
        if (st_) {
            sqlite3_finalize(st_);
            st_ = nullptr;
        }
        return false;
    }
    // Whatever follows the first statement must be blanks, comments or ";": the
    // engine, asked to prepare it, finds no statement there.
    const auto* end = reinterpret_cast<const char16_t*>(sql.utf16()) + sql.size();
    for (const auto* rest = static_cast<const char16_t*>(tail); rest && rest < end;) {
        sqlite3_stmt* next = nullptr;
        const void* after = nullptr;
        const int n = int((end - rest) * sizeof(char16_t));
        const int rc2 = sqlite3_prepare16_v3(db, rest, n, 0, &next, &after);
        if (next || rc2 != SQLITE_OK) {
            if (next)
                sqlite3_finalize(next);
            error_ = QStringLiteral("Unable to execute multiple statements at a time");
            sqlite3_finalize(st_);
            st_ = nullptr;
            return false;
        }
        if (after == rest)
            break;
        rest = static_cast<const char16_t*>(after);
    }
    if (!st_) { // only blanks or a comment: nothing to run
        error_ = QStringLiteral("The statement is empty.");
        return false;
    }
    return true;
}

Statement::Outcome Statement::run(const QVector<QVariant>& params,
                                  std::shared_ptr<const Recordset::Columns>& columnCache) {
    Outcome out;
    sqlite3_reset(st_);
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params[i];
        const int at = i + 1;
        if (v.isNull()) {
            sqlite3_bind_null(st_, at);
            continue;
        }
        switch (v.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
            sqlite3_bind_int64(st_, at, v.toLongLong());
            break;
        case QMetaType::Double:
            sqlite3_bind_double(st_, at, v.toDouble());
            break;
        default: {
            const QString s = v.toString();
            sqlite3_bind_text16(st_, at, s.utf16(), int(s.size() * sizeof(char16_t)),
                                SQLITE_TRANSIENT);
        }
        }
    }
    const int cols = sqlite3_column_count(st_);
    if (cols > 0) {
        bool same = columnCache && columnCache->names.size() == cols;
        for (int c = 0; same && c < cols; ++c)
            same = columnCache->names[c] ==
                   QStringView(static_cast<const char16_t*>(sqlite3_column_name16(st_, c)));
        if (!same) {
            QStringList names;
            for (int c = 0; c < cols; ++c)
                names << QString::fromUtf16(
                    static_cast<const char16_t*>(sqlite3_column_name16(st_, c)));
            columnCache = std::make_shared<const Recordset::Columns>(names);
        }
        out.columns = columnCache;
    }
    const sqlite3_int64 before = sqlite3_total_changes64(db_);
    int rc;
    while ((rc = sqlite3_step(st_)) == SQLITE_ROW) {
        QVector<QVariant>& cells = out.cells; // one flat list: no allocation per row
        for (int c = 0; c < cols; ++c) {
            switch (sqlite3_column_type(st_, c)) {
            case SQLITE_INTEGER:
                cells.push_back(QVariant(qlonglong(sqlite3_column_int64(st_, c))));
                break;
            case SQLITE_FLOAT:
                cells.push_back(QVariant(sqlite3_column_double(st_, c)));
                break;
            case SQLITE_BLOB:
                cells.push_back(
                    QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(st_, c)),
                                        sqlite3_column_bytes(st_, c))));
                break;
            case SQLITE_NULL:
                cells.push_back(QVariant(QMetaType::fromType<QString>()));
                break;
            default:
                cells.push_back(QVariant(
                    QString::fromUtf16(static_cast<const char16_t*>(sqlite3_column_text16(st_, c)),
                                       sqlite3_column_bytes16(st_, c) / 2)));
            }
        }
    }
    if (rc != SQLITE_DONE) {
        const int code = sqlite3_extended_errcode(db_);
        out.error = QString::fromUtf8(sqlite3_errmsg(db_));
        out.integrity = (code & 0xff) == SQLITE_CONSTRAINT;
        out.cells.clear();
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
        return out;
    }
    if (cols == 0)
        out.rowsAffected = qint32(sqlite3_total_changes64(db_) - before);
    sqlite3_reset(st_);
    out.ok = true;
    return out;
}

} // namespace ado::lite
