#include "LiteStatement.h"

#include <charconv>
#include <limits>

namespace ado {

namespace {
// Digits, at most one point, an exponent: a number as a statement's text can carry it.
bool plainNumber(QStringView t) {
    qsizetype i = 0, digits = 0;
    while (i < t.size() && t[i].isDigit())
        ++i, ++digits;
    if (i < t.size() && t[i] == u'.')
        for (++i; i < t.size() && t[i].isDigit(); ++i)
            ++digits;
    if (digits == 0)
        return false;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
            ++i;
        const qsizetype at = i;
        while (i < t.size() && t[i].isDigit())
            ++i;
        if (i == at)
            return false;
    }
    return i == t.size();
}
} // namespace

LiteStatement::~LiteStatement() {
    if (st_)
        sqlite3_finalize(st_);
}

bool LiteStatement::prepare(sqlite3* db, const QString& sql, bool persistent) {
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

LiteStatement::Outcome LiteStatement::run(const QVector<QVariant>& params,
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
    const sqlite3_int64 before = sqlite3_total_changes64(db_);
    int rc = sqlite3_step(st_);
    // The columns are read after the first step: a statement the engine compiled again
    // there (another connection changed the schema) may have others.
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
        out.rows.columns = columnCache;
    }
    for (; rc == SQLITE_ROW; rc = sqlite3_step(st_)) {
        QVector<QVariant>& cells = out.rows.cells; // one flat list: no allocation per row
        for (int c = 0; c < cols; ++c)
            cells.push_back(cell(c));
    }
    finish(rc, cols, before, out);
    return out;
}

QVariant LiteStatement::cell(int c) const {
    switch (sqlite3_column_type(st_, c)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(st_, c)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(st_, c));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(st_, c)),
                                   sqlite3_column_bytes(st_, c)));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    default:
        return QVariant(
            QString::fromUtf16(static_cast<const char16_t*>(sqlite3_column_text16(st_, c)),
                               sqlite3_column_bytes16(st_, c) / 2));
    }
}

// The statement has run to `rc`: its failure, or the rows it changed.
void LiteStatement::finish(int rc, int cols, sqlite3_int64 before, Outcome& out) {
    if (rc != SQLITE_DONE) {
        const int code = sqlite3_extended_errcode(db_);
        out.error = QString::fromUtf8(sqlite3_errmsg(db_));
        out.integrity = (code & 0xff) == SQLITE_CONSTRAINT;
        out.rows.cells.clear();
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
        return;
    }
    if (cols == 0)
        out.rows.rowsAffected = qint32(sqlite3_total_changes64(db_) - before);
    sqlite3_reset(st_);
    out.ok = true;
}

bool LiteStatement::runBound(const QVarLengthArray<Param, 6>& values,
                             std::optional<QVariant>* first, Outcome& out) {
    if (sqlite3_bind_parameter_count(st_) != values.size())
        return false;
    sqlite3_reset(st_);
    for (int i = 0; i < values.size(); ++i) {
        const Param& v = values[i];
        const int at = i + 1;
        switch (v.kind()) {
        case Param::Integer:
            sqlite3_bind_int64(st_, at, v.integer());
            break;
        case Param::Number: {
            // Bound as the text's literal binds (literalValue): a whole number that fits in
            // 64 bits, sign included, as an integer, anything else as the nearest double.
            // Read here with the standard parser: Qt's costs more than the statement.
            const QString& t = v.string();
            char text[48];
            const bool negated = t.startsWith(u'-');
            if (t.size() >= qsizetype(sizeof text) || !plainNumber(QStringView(t).mid(negated)))
                return false;
            for (qsizetype c = 0; c < t.size(); ++c)
                text[c] = char(t[c].unicode());
            const char* end = text + t.size();
            qulonglong whole = 0;
            const auto w = std::from_chars(text + negated, end, whole);
            const qulonglong limit = qulonglong(std::numeric_limits<qint64>::max()) + negated;
            if (w.ec == std::errc() && w.ptr == end && whole <= limit) {
                sqlite3_bind_int64(st_, at, negated ? qint64(0ULL - whole) : qint64(whole));
                break;
            }
            double d = 0;
            const auto r = std::from_chars(text, end, d);
            if (r.ec != std::errc() || r.ptr != end)
                return false;
            sqlite3_bind_double(st_, at, d);
            break;
        }
        case Param::Text: {
            if (v.string().contains(QChar(0)))
                return false; // refused as a text would be
            // In the database's own encoding: a text bound as UTF-16 is converted again
            // each time the engine compares it.
            const QByteArray utf8 = v.string().toUtf8();
            sqlite3_bind_text(st_, at, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    const sqlite3_int64 before = sqlite3_total_changes64(db_);
    int rc = sqlite3_step(st_);
    const int cols = sqlite3_column_count(st_); // after the step, as in run()
    if (first)
        *first = rc == SQLITE_ROW && cols > 0 ? std::optional<QVariant>(cell(0)) : std::nullopt;
    // The rest of the rows are stepped over, unread: a failure among them fails the
    // statement, as it does when every row is read.
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(st_);
    finish(rc, cols, before, out);
    return true;
}

} // namespace ado
