#include "Logon.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QStringList>

namespace report {

namespace {

// The pairs of a connection string, keys in lower case.
QList<QPair<QString, QString>> pairsOf(const QString& connectionString) {
    QList<QPair<QString, QString>> pairs;
    for (const QString& part : connectionString.split(u';', Qt::SkipEmptyParts))
        pairs.append(
            {part.section(u'=', 0, 0).trimmed().toLower(), part.section(u'=', 1).trimmed()});
    return pairs;
}

} // namespace

Logon logonFor(const QString& connectionString) {
    Logon l;
    QStringList rest;
    QString driver;
    for (const QString& part : connectionString.split(u';', Qt::SkipEmptyParts)) {
        const QString key = part.section(u'=', 0, 0).trimmed().toLower();
        const QString value = part.section(u'=', 1).trimmed();
        if (key == QLatin1String("database"))
            l.baseDatos = value;
        else if (key == QLatin1String("uid"))
            l.usuario = value;
        else if (key == QLatin1String("pwd"))
            l.password = value;
        else
            rest << part.trimmed();
        if (key == QLatin1String("driver"))
            driver = value.toLower();
    }
    if (driver == QLatin1String("sqlite")) {
        l.nombre = QStringLiteral("SQLite");
        l.baseDatos = databaseOf(connectionString);
    } else {
        l.nombre = rest.join(u';');
    }
    return l;
}

QString databaseOf(const QString& connectionString) {
    const auto pairs = pairsOf(connectionString);
    const auto value = [&](const char* key) {
        for (const auto& [k, v] : pairs)
            if (k == QLatin1String(key))
                return v;
        return QString();
    };
    QString driver = value("driver").toLower();
    // PostgreSQL reached through an ODBC driver named in the string (no data source to
    // resolve) is the same place as the direct connection with those keys.
    if (driver == QLatin1String("odbc") &&
        value("dialect").compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0 &&
        value("dsn").isEmpty())
        driver = QStringLiteral("postgresql");
    if (driver == QLatin1String("sqlite")) {
        const QString file = value("database");
        if (file.isEmpty())
            return {};
        const QFileInfo info(file);
        const QString canonical = info.canonicalFilePath();
        return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
    }
    QStringList place;
    const auto add = [&](const QString& key, QString v) {
        if (!v.isEmpty())
            place << key + u'=' + v;
    };
    if (driver == QLatin1String("postgresql")) {
        add(QStringLiteral("Server"), value("server").toLower());
        add(QStringLiteral("Port"),
            value("port").isEmpty() ? QStringLiteral("5432") : value("port"));
    } else {
        add(QStringLiteral("DSN"), value("dsn"));
        // ODBC strings name the manager's driver after the suite's own "Driver=ODBC".
        for (qsizetype i = 0, seen = 0; i < pairs.size(); ++i)
            if (pairs[i].first == QLatin1String("driver") && seen++ > 0)
                add(QStringLiteral("Driver"), pairs[i].second);
        add(QStringLiteral("Server"), value("server").toLower());
        add(QStringLiteral("Port"), value("port"));
    }
    if (value("database").isEmpty() &&
        (driver == QLatin1String("postgresql") || value("dsn").isEmpty()))
        return {};
    add(QStringLiteral("Database"), value("database"));
    add(QStringLiteral("Schema"), value("schema"));
    return place.join(u';');
}

} // namespace report
