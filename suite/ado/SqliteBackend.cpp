// The embedded engine: a file (or memory), reached through the engine's own interface
// underneath the Qt driver.
#include "Backend.h"
#include "ServerTexts.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QUrl>
#include <array>
#include <cstring>
#include <map>
#include <sqlite3.h>
#include <unordered_map>

namespace ado {

using automation::AutomationError;

namespace {

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

    const QString& prepareError() const { return error_; }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* st_ = nullptr;
    QString error_;
};

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
    const sqlite3_int64 before = sqlite3_total_changes64(db_);
    int rc;
    while ((rc = sqlite3_step(st_)) == SQLITE_ROW) {
        QVector<QVariant>& cells = out.rows.cells; // one flat list: no allocation per row
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
        out.rows.cells.clear();
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
        return out;
    }
    if (cols == 0)
        out.rows.rowsAffected = qint32(sqlite3_total_changes64(db_) - before);
    sqlite3_reset(st_);
    out.ok = true;
    return out;
}

// The "ES" collation: Spanish order (Álvaro among the A's, Ñ after N; accents and then
// letter case only break ties), as QCollator gives it. Most comparisons of a sort are
// decided by the first letter that differs once accents and case are set aside: they
// are answered here on the stored UTF-8, from the Spanish weights of the characters
// names are made of (blank, digits, Latin letters with or without accents): 30,000
// names sort in a third of the time the collator alone takes. Ties and any other
// character go to the collator.
constexpr std::array<quint8, 256> kPrimary = [] {
    std::array<quint8, 256> w{};
    const auto letter = [](char c) { return quint8(20 + (c - 'a') + (c > 'n' ? 1 : 0)); };
    w[' '] = 1;
    for (int d = 0; d < 10; ++d)
        w['0' + d] = quint8(2 + d);
    for (char c = 'a'; c <= 'z'; ++c)
        w[quint8(c)] = w[quint8(c - 'a' + 'A')] = letter(c);
    // U+00C0 to U+00FF, upper and lower case: À..Å, Ç, È..Ë, Ì..Ï, Ñ, Ò..Ö, Ù..Ü, Ý, ÿ.
    const char* latin1 = "aaaaaa_ceeeeiiii_\x01ooooo__uuuuy__";
    for (int i = 0; i < 32; ++i) {
        const char c = latin1[i];
        const quint8 weight = c == '\x01' ? quint8(letter('n') + 1) : c == '_' ? 0 : letter(c);
        w[0xC0 + i] = w[0xE0 + i] = weight;
    }
    w[0xFF] = letter('y');
    return w;
}();

// The weight of the character at s[i] (advancing i), 0 for one without a weight here.
inline quint8 primaryAt(const unsigned char* s, int n, int& i) {
    const unsigned c = s[i++];
    if (c < 0x80)
        return kPrimary[c];
    if (c == 0xC3 && i < n && (s[i] & 0xC0) == 0x80)
        return kPrimary[0x40 + s[i++]];
    return 0;
}

// Whether the character at s[i] is a weighed one, or the text ends there.
inline bool followedByLetter(const unsigned char* s, int n, int i) {
    return i == n || primaryAt(s, n, i) != 0;
}

int compareSpanish(void* collator, int na, const void* va, int nb, const void* vb) {
    const auto* a = static_cast<const unsigned char*>(va);
    const auto* b = static_cast<const unsigned char*>(vb);
    int i = 0, j = 0;
    bool weighed = true; // every character so far had a weight here
    while (weighed && i < na && j < nb) {
        const quint8 wa = primaryAt(a, na, i), wb = primaryAt(b, nb, j);
        weighed = wa && wb;
        if (weighed && wa != wb) {
            // A difference decides unless a mark that combines with a letter (n and a
            // combining tilde read as ñ) follows it.
            if (followedByLetter(a, na, i) && followedByLetter(b, nb, j))
                return wa < wb ? -1 : 1;
            weighed = false;
        }
    }
    // One ended where the other goes on with a letter: the shorter comes first.
    if (weighed && i == na && j < nb && primaryAt(b, nb, j))
        return -1;
    if (weighed && j == nb && i < na && primaryAt(a, na, i))
        return 1;
    if (na == nb && std::memcmp(a, b, size_t(na)) == 0)
        return 0;
    return static_cast<const QCollator*>(collator)->compare(
        QString::fromUtf8(reinterpret_cast<const char*>(a), na),
        QString::fromUtf8(reinterpret_cast<const char*>(b), nb));
}

// The SQLite connection underneath a QSQLITE database; null when there is none.
sqlite3* handleOf(const QSqlDatabase& db) {
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3* const*>(h.data());
    return nullptr;
}

class SqliteBackend : public Backend {
public:
    using Backend::Backend;

    void begin(qint32 next) override {
        // SQLite takes the write lock at once, so two writers queue instead of
        // deadlocking when both try to upgrade a read lock.
        control(next == 1 ? QStringLiteral("BEGIN IMMEDIATE") : texts().saveLevel(next));
    }
    void commit(qint32 current) override {
        control(current == 1 ? QStringLiteral("COMMIT") : texts().commitLevel(current));
    }
    void rollback(qint32 current) override {
        if (current == 1)
            return control(QStringLiteral("ROLLBACK"));
        for (const QString& sql : texts().rollbackLevel(current))
            control(sql);
    }
    std::optional<bool> engineInTransaction() const override {
        if (!lite_)
            return std::nullopt;
        return sqlite3_get_autocommit(lite_) == 0;
    }

    bool createDatabase() override {
        QString file = settings.keys.value(QStringLiteral("database"));
        if (file.isEmpty())
            file = settings.keys.value(QStringLiteral("data source"));
        if (file.isEmpty() || file == u":memory:" || QFileInfo::exists(file))
            return false;
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw AutomationError(errors::ConnectFailed, source(),
                                  QStringLiteral("The database file ") + file +
                                      QStringLiteral(" cannot be created: ") + f.errorString());
        return true; // an empty file is an empty SQLite database
    }

    // SQLite's savepoints are written as PostgreSQL's; its named locks are no statements.
    const ServerTexts& texts() const override { return postgresTexts(); }

    // Named locks are files beside the database: a holder that died holds nothing, as
    // the lock file of a process that no longer runs is taken over.
    void lock(const QString& name) override { lockFile(name, -1); }
    bool tryLock(const QString& name) override { return lockFile(name, 0); }
    void unlock(const QString& name) override { namedLocks_.erase(name); }

protected:
    void configure() override {
        // Only a program that means to create a database does (CreateDatabase): a
        // mistyped path must not become an empty database that then has "no such table".
        file_ = settings.key({"database", "data source"});
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000");
        if (file_.isEmpty())
            refuse(errors::ConnectFailed,
                   QStringLiteral("The connection string names no database file (Database=)."));
        if (file_ != u":memory:") {
            const QFileInfo info(file_);
            if (!info.exists())
                refuse(errors::ConnectFailed, QStringLiteral("The database file ") + file_ +
                                                  QStringLiteral(" does not exist."));
            if (!info.isFile() || !info.isReadable())
                refuse(errors::ConnectFailed, QStringLiteral("The database file ") + file_ +
                                                  QStringLiteral(" cannot be read."));
            // A file that cannot be written (read-only media, no permission) is opened
            // for reading; writing then fails with a message that says why.
            if (!info.isWritable() || !QFileInfo(info.absolutePath()).isWritable()) {
                readOnly_ = true;
                options += QStringLiteral(";QSQLITE_OPEN_READONLY");
            }
        }
        db.setDatabaseName(file_);
        db.setConnectOptions(options);
    }

    void started() override {
        if (readOnly_ &&
            !QSqlQuery(db).exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"))) {
            // A database in write-ahead-log mode needs its shared-memory file, which a
            // folder that cannot be written cannot hold: such a file is read as
            // immutable, as read-only media are.
            db.close();
            db.setDatabaseName(QStringLiteral("file:") +
                               QString::fromUtf8(QUrl::toPercentEncoding(
                                   QFileInfo(file_).absoluteFilePath(), "/")) +
                               QStringLiteral("?immutable=1"));
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
            if (!db.open())
                refuse(errors::ConnectFailed, driverText(db.lastError()));
        }
        lite_ = handleOf(db);
        // Registered on the connection, never named in the schema: any SQLite tool still
        // reads the file. The dialect writes it after the ORDER BY terms that hold text.
        auto collator = std::make_unique<QCollator>(QLocale(QLocale::Spanish, QLocale::Spain));
        if (sqlite3_create_collation_v2(lite_, "ES", SQLITE_UTF8, collator.get(), compareSpanish,
                                        [](void* c) { delete static_cast<QCollator*>(c); }) ==
            SQLITE_OK) {
            (void)collator.release(); // the connection's now
            collation = QStringLiteral("ES");
        }
        // With a write-ahead log, the programs sharing the file read while one of them
        // writes, instead of waiting for it.
        if (file_ != u":memory:" && !readOnly_)
            control(QStringLiteral("PRAGMA journal_mode=WAL"));
    }

    void closing(bool rollback) override {
        if (rollback)
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        lite_ = nullptr;
        namedLocks_.clear();
        textColumns_.reset();
    }

    Rows runText(const QString& sql) override {
        LiteStatement st;
        if (!st.prepare(lite_, sql, false))
            throw AutomationError(errors::Statement, source(), liteText(st.prepareError()));
        return rowsOf(st.run({}, textColumns_));
    }
    std::unique_ptr<PreparedStatement> prepare(const QString& shape) override {
        auto st = std::make_unique<LiteStatement>();
        if (!st->prepare(lite_, shape, true))
            return nullptr;
        return st;
    }
    Rows runPrepared(PreparedStatement& statement, const QVector<QVariant>& values,
                     std::shared_ptr<const Recordset::Columns>& columns) override {
        return rowsOf(static_cast<LiteStatement&>(statement).run(values, columns));
    }

    ColumnScale columnScales() override {
        return [this](QStringView table, QStringView column) { return columnScale(table, column); };
    }
    void schemaChanged() override {
        scaleOf_.clear();
        Backend::schemaChanged();
    }

    bool integrity(const QSqlError& e) const override {
        // SQLITE_CONSTRAINT and its extended codes.
        return (e.nativeErrorCode().toInt() & 0xff) == SQLITE_CONSTRAINT;
    }

private:
    Rows rowsOf(LiteStatement::Outcome&& o) {
        if (!o.ok) {
            syncTransactionState();
            throw AutomationError(o.integrity ? errors::Integrity : errors::Statement, source(),
                                  liteText(o.error));
        }
        return std::move(o.rows);
    }

    QString liteText(const QString& e) const {
        if (readOnly_ && e.contains(QStringLiteral("readonly")))
            return QStringLiteral("The database ") + file_ +
                   QStringLiteral(" is open for reading only: the file or its folder cannot be "
                                  "written (") +
                   e + u')';
        return e;
    }

    // The scale a column was declared with (DECIMAL(19,4) -> 4), from the engine's own
    // catalogue, remembered until the schema changes; -1 for any other column.
    int columnScale(QStringView table, QStringView column) {
        // Keyed as written: the component always writes a column the same way, and the
        // engine's own lookup below ignores the letter case.
        QString key;
        key.reserve(table.size() + column.size() + 1);
        key.append(table).append(u'\n').append(column);
        if (const auto it = scaleOf_.find(key); it != scaleOf_.end())
            return it->second;
        int scale = -1;
        const char* type = nullptr;
        if (lite_ &&
            sqlite3_table_column_metadata(lite_, nullptr, table.toUtf8().constData(),
                                          column.toUtf8().constData(), &type, nullptr, nullptr,
                                          nullptr, nullptr) == SQLITE_OK &&
            type) {
            static const QRegularExpression decimal(
                QStringLiteral(
                    "^\\s*(DECIMAL|NUMERIC|MONEY)\\s*(\\(\\s*\\d+\\s*,\\s*(\\d+)\\s*\\))?\\s*$"),
                QRegularExpression::CaseInsensitiveOption);
            const QRegularExpressionMatch m = decimal.match(QString::fromUtf8(type));
            if (m.hasMatch()) {
                if (!m.captured(3).isEmpty())
                    scale = m.captured(3).toInt();
                else if (m.captured(1).compare(QStringLiteral("MONEY"), Qt::CaseInsensitive) == 0)
                    scale = 4;
            }
        }
        scaleOf_.emplace(key, scale);
        return scale;
    }

    bool lockFile(const QString& name, int timeoutMs) {
        if (namedLocks_.count(name))
            return true;
        const char* file = sqlite3_db_filename(lite_, "main");
        const QString base =
            file && *file ? QString::fromUtf8(file) : QDir::tempPath() + QStringLiteral("/memory");
        auto lock = std::make_unique<QLockFile>(base + u'-' + name + QStringLiteral(".lock"));
        // Never stale by age (a print may take long); a holder that died is noticed.
        lock->setStaleLockTime(0);
        if (!lock->tryLock(timeoutMs)) {
            if (lock->error() == QLockFile::LockFailedError)
                return false;
            throw AutomationError(errors::Statement, source(),
                                  QStringLiteral("The lock ") + name +
                                      QStringLiteral(" cannot be taken: its file cannot be "
                                                     "written."));
        }
        namedLocks_[name] = std::move(lock);
        return true;
    }

    sqlite3* lite_ = nullptr;
    QString file_;
    bool readOnly_ = false; // the file was opened for reading only
    std::shared_ptr<const Recordset::Columns> textColumns_;
    std::unordered_map<QString, int> scaleOf_;
    std::map<QString, std::unique_ptr<QLockFile>> namedLocks_;
};

} // namespace

std::unique_ptr<Backend> makeSqliteBackend(const ConnectionSettings& settings, qint32& level) {
    return std::make_unique<SqliteBackend>(settings, level);
}

} // namespace ado
