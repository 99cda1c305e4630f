// The embedded engine: a file (or memory), reached through the engine's own interface
// underneath the Qt driver.
#include "Backend.h"
#include "LiteStatement.h"
#include "ServerTexts.h"
#include "SqlLexer.h"

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
#include <cmath>
#include <cstring>
#include <map>
#include <sqlite3.h>
#include <unordered_map>

namespace ado {

using automation::AutomationError;

namespace {

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

// lex::kExactFunction(value, scale): the value, or "numeric field overflow" beyond what
// a double holds exactly to `scale` decimals.
void exactDecimal(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    static constexpr auto kLimits = [] {
        std::array<double, 16> l{};
        double ten = 1;
        for (double& x : l) {
            x = 9007199254740991.0 / ten;
            ten *= 10;
        }
        return l;
    }();
    const int scale = qBound(0, sqlite3_value_int(argv[1]), 15);
    const double limit = kLimits[size_t(scale)];
    if (std::fabs(sqlite3_value_double(argv[0])) <= limit)
        return sqlite3_result_value(ctx, argv[0]);
    const QByteArray text = "numeric field overflow: SQLite keeps a value with " +
                            QByteArray::number(scale) + " decimals exact only up to " +
                            QByteArray::number(limit, 'f', scale) + " either way";
    sqlite3_result_error(ctx, text.constData(), int(text.size()));
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
        if (sqlite3_create_function_v2(lite_, lex::kExactFunction, 2,
                                       SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, exactDecimal,
                                       nullptr, nullptr, nullptr) != SQLITE_OK)
            refuse(errors::ConnectFailed, QString::fromUtf8(sqlite3_errmsg(lite_)));
        // With a write-ahead log, the programs sharing the file read while one of them
        // writes, instead of waiting for it.
        if (file_ != u":memory:" && !readOnly_)
            control(QStringLiteral("PRAGMA journal_mode=WAL"));
    }

    void closing(bool rollback) override {
        if (rollback)
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        direct_.clear(); // before the connection they were prepared on goes
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

    // A statement of the caller's, kept prepared by its text with the "?" of its values:
    // the values are bound as they are, never written into a text and read back out.
    std::optional<qint32> runDirect(const Statement& s, std::optional<QVariant>* first) override {
        auto [it, isNew] = direct_.try_emplace(s.sql);
        if (isNew) {
            if (int(direct_.size()) > cache.capacity()) { // endless new statements: start again
                direct_.clear();
                it = direct_.try_emplace(s.sql).first;
            }
            // Refused texts (more than one statement, a NUL) are refused by the text path.
            auto st = std::make_unique<LiteStatement>();
            if (!s.sql.contains(QChar(0)) &&
                st->prepare(lite_, shapes.translate(s.sql, false).text, true))
                it->second = std::move(st);
        }
        if (!it->second)
            return std::nullopt;
        LiteStatement::Outcome out;
        if (!it->second->runBound(s.values, first, out))
            return std::nullopt;
        return rowsOf(std::move(out)).rowsAffected;
    }

    ColumnScale columnScales() override {
        return [this](QStringView table, QStringView column) { return columnScale(table, column); };
    }
    void schemaChanged() override {
        scaleOf_.clear();
        direct_.clear();
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
    // Keyed by the statement's length and its end, where statements of one caller differ:
    // hashing all of a long statement costs as much as running it.
    struct TailHash {
        size_t operator()(const QString& s) const noexcept {
            return qHash(QStringView(s).right(48), size_t(s.size()));
        }
    };
    std::unordered_map<QString, std::unique_ptr<LiteStatement>, TailHash> direct_; // null: text
    std::map<QString, std::unique_ptr<QLockFile>> namedLocks_;
};

} // namespace

std::unique_ptr<Backend> makeSqliteBackend(const ConnectionSettings& settings, qint32& level) {
    return std::make_unique<SqliteBackend>(settings, level);
}

} // namespace ado
