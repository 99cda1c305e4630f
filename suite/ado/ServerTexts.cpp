#include "ServerTexts.h"

namespace ado {

namespace {

QString quotedName(const QString& name) {
    return u'\'' + QString(name).replace(u'\'', QStringLiteral("''")) + u'\'';
}

QString levelName(qint32 level) {
    return QStringLiteral("ado_level") + QString::number(level);
}

// Advisory locks belong to the whole database, while the tables a lock guards (the
// print's work table) belong to the connection's schema: the key names both, so that
// companies in separate schemas of one database do not wait for each other.
QString advisoryKey(const QString& name) {
    return QStringLiteral("hashtext(current_schema() || '.' || ") + quotedName(name) + u')';
}

class PostgresTexts : public ServerTexts {
public:
    QString lock(const QString& name) const override {
        return QStringLiteral("SELECT pg_advisory_lock(") + advisoryKey(name) + u')';
    }
    QString tryLock(const QString& name) const override {
        return QStringLiteral("SELECT pg_try_advisory_lock(") + advisoryKey(name) + u')';
    }
    bool granted(const QVariant& answer) const override { return answer.toBool(); }
    QString unlock(const QString& name) const override {
        return QStringLiteral("SELECT pg_advisory_unlock(") + advisoryKey(name) + u')';
    }
};

class SqlServerTexts : public ServerTexts {
public:
    QString saveLevel(qint32 level) const override {
        return QStringLiteral("SAVE TRANSACTION ") + levelName(level);
    }
    QString commitLevel(qint32) const override { return {}; }
    QStringList rollbackLevel(qint32 level) const override {
        return {QStringLiteral("ROLLBACK TRANSACTION ") + levelName(level)};
    }
    QString lock(const QString& name) const override {
        return QStringLiteral("EXEC sp_getapplock @Resource = ") + quotedName(name) +
               QStringLiteral(", @LockMode = 'Exclusive', @LockOwner = 'Session'");
    }
    QString tryLock(const QString& name) const override {
        return QStringLiteral("SET NOCOUNT ON; DECLARE @r int; EXEC @r = sp_getapplock "
                              "@Resource = ") +
               quotedName(name) +
               QStringLiteral(", @LockMode = 'Exclusive', @LockOwner = 'Session', "
                              "@LockTimeout = 0; SELECT @r");
    }
    // sp_getapplock answers 0 or 1 when granted, a negative status when not.
    bool granted(const QVariant& answer) const override { return answer.toInt() >= 0; }
    QString unlock(const QString& name) const override {
        return QStringLiteral("EXEC sp_releaseapplock @Resource = ") + quotedName(name) +
               QStringLiteral(", @LockOwner = 'Session'");
    }
};

} // namespace

QString ServerTexts::saveLevel(qint32 level) const {
    return QStringLiteral("SAVEPOINT ") + levelName(level);
}
QString ServerTexts::commitLevel(qint32 level) const {
    return QStringLiteral("RELEASE SAVEPOINT ") + levelName(level);
}
QStringList ServerTexts::rollbackLevel(qint32 level) const {
    return {QStringLiteral("ROLLBACK TO SAVEPOINT ") + levelName(level),
            QStringLiteral("RELEASE SAVEPOINT ") + levelName(level)};
}

const ServerTexts& postgresTexts() {
    static const PostgresTexts texts;
    return texts;
}
QStringList postgresSession(const QString& schema) {
    QStringList texts = {QStringLiteral("SET standard_conforming_strings = on"),
                         QStringLiteral("SET client_min_messages = warning")};
    if (!schema.isEmpty())
        texts << QStringLiteral("SET search_path TO ") + postgresSchema(schema);
    return texts;
}
QString postgresSchema(const QString& schema) {
    return u'"' + QString(schema).replace(u'"', QStringLiteral("\"\"")) + u'"';
}
QString postgresLocalSchema(const QString& schema) {
    return QStringLiteral("SELECT set_config('search_path', '") +
           postgresSchema(schema).replace(u'\'', QStringLiteral("''")) + QStringLiteral("', true)");
}
QString postgresTransactionSession(const QString& schema) {
    return schema.isEmpty() ? QString()
                            : QStringLiteral("SET LOCAL search_path TO ") + postgresSchema(schema) +
                                  QStringLiteral("; ");
}
QString postgresSchemaCount(const QString& schema) {
    return QStringLiteral("SELECT COUNT(*) FROM pg_namespace WHERE nspname = '") +
           QString(schema).replace(u'\'', QStringLiteral("''")) + u'\'';
}
QString postgresTransactionLock(const QString& name, bool attempt) {
    return (attempt ? QStringLiteral("SELECT pg_try_advisory_xact_lock(")
                    : QStringLiteral("SELECT pg_advisory_xact_lock(")) +
           advisoryKey(name) + u')';
}

const ServerTexts& sqlServerTexts() {
    static const SqlServerTexts texts;
    return texts;
}

} // namespace ado
