#include "ConnectionString.h"

#include "Ado.h"
#include "automation/AutomationError.h"

#include <QRegularExpression>
#include <algorithm>

namespace ado {

using automation::AutomationError;

QString ConnectionSettings::key(std::initializer_list<const char*> names) const {
    for (const char* n : names)
        if (keys.contains(QLatin1String(n)))
            return keys.value(QLatin1String(n));
    return QString();
}

ConnectionSettings parseConnectionString(const QString& cs, const QString& source) {
    ConnectionSettings settings;
    const qsizetype firstSemi = cs.indexOf(u';');
    const QStringList parts = cs.split(u';', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = part.left(eq).trimmed().toLower();
        if (!settings.keys.contains(key))
            settings.keys.insert(key, part.mid(eq + 1).trimmed());
    }
    const QString driver = settings.keys.value(QStringLiteral("driver")).toLower();
    if (driver == u"sqlite") {
        settings.dialect = Dialect::SQLite;
        settings.qtDriver = QStringLiteral("QSQLITE");
    } else if (driver == u"postgresql" || driver == u"postgres") {
        settings.dialect = Dialect::PostgreSQL;
        settings.qtDriver = QStringLiteral("QPSQL");
        settings.transactionPooler =
            settings.keys.value(QStringLiteral("pooler"))
                .compare(QStringLiteral("transaction"), Qt::CaseInsensitive) == 0;
    } else if (driver == u"odbc") {
        // "Dialect=PostgreSQL" names the language of the server behind the data source;
        // without it the server is SQL Server. The key is ours: the driver manager gets
        // the rest of the string as it was written.
        const QString dialect = settings.keys.value(QStringLiteral("dialect")).toLower();
        if (dialect.isEmpty() || dialect == u"sqlserver")
            settings.dialect = Dialect::SqlServer;
        else if (dialect == u"postgresql")
            settings.dialect = Dialect::PostgreSQL;
        else
            throw AutomationError(errors::ProviderNotFound, source,
                                  QStringLiteral("Dialect=") +
                                      settings.keys.value(QStringLiteral("dialect")) +
                                      QStringLiteral(" is not a dialect of ODBC connections "
                                                     "(PostgreSQL or SqlServer)."));
        settings.odbc = true;
        settings.qtDriver = QStringLiteral("QODBC");
        settings.transactionPooler =
            settings.dialect == Dialect::PostgreSQL &&
            settings.keys.value(QStringLiteral("pooler"))
                    .compare(QStringLiteral("transaction"), Qt::CaseInsensitive) == 0;
        QStringList rest;
        for (const QString& part :
             (firstSemi < 0 ? QString() : cs.mid(firstSemi + 1)).split(u';', Qt::SkipEmptyParts))
            if (part.section(u'=', 0, 0)
                    .trimmed()
                    .compare(QStringLiteral("dialect"), Qt::CaseInsensitive) != 0)
                rest << part;
        settings.odbcRest = rest.join(u';');
    } else {
        throw AutomationError(errors::ProviderNotFound, source,
                              QStringLiteral("Provider cannot be found. The connection string "
                                             "must start with Driver=SQLite, "
                                             "Driver=PostgreSQL or Driver=ODBC."));
    }
    return settings;
}

QString displayConnectionString(const QString& connectionString) {
    const QStringView cs(connectionString);
    QString out;
    out.reserve(cs.size());
    // Parts end at a ";" outside braces (an ODBC value in braces may hold ";"). A brace
    // that is never closed does not swallow the rest: then every ";" ends a part.
    int open = 0;
    for (QChar c : cs) {
        if (c == u'{')
            ++open;
        else if (c == u'}' && open > 0)
            --open;
    }
    const bool braces = open == 0;
    for (qsizetype i = 0; i <= cs.size();) {
        qsizetype j = i;
        for (int depth = 0; j < cs.size() && (cs[j] != u';' || depth > 0); ++j) {
            if (!braces)
                continue;
            if (cs[j] == u'{')
                ++depth;
            else if (cs[j] == u'}' && depth > 0)
                --depth;
        }
        const QStringView part = cs.mid(i, j - i);
        const qsizetype eq = part.indexOf(u'=');
        const QStringView key = eq < 0 ? QStringView() : part.left(eq).trimmed();
        if (key.compare(u"pwd", Qt::CaseInsensitive) == 0 ||
            key.compare(u"password", Qt::CaseInsensitive) == 0)
            out += part.left(eq + 1) + QStringLiteral("***");
        else
            out += part;
        if (j < cs.size())
            out += u';';
        i = j + 1;
    }
    return out;
}

QStringList connectionPasswords(const QString& connectionString) {
    QStringList secrets;
    static const QRegularExpression value(
        QStringLiteral("(?:^|;)\\s*(?:pwd|password)\\s*=\\s*(\\{[^}]*\\}?|[^;]*)"),
        QRegularExpression::CaseInsensitiveOption);
    for (auto it = value.globalMatch(connectionString); it.hasNext();) {
        const QString v = it.next().captured(1).trimmed();
        for (const QString& form :
             {v, v.startsWith(u'{') ? v.mid(1).chopped(v.endsWith(u'}') ? 1 : 0) : QString()})
            if (!form.isEmpty())
                secrets << form;
    }
    return secrets;
}

QString withoutPasswords(QString text, const QString& connectionString) {
    // Its values as written, however the braces stand.
    QStringList secrets = connectionPasswords(connectionString);
    text.replace(connectionString, displayConnectionString(connectionString));
    static const QRegularExpression key(
        QStringLiteral("((?:pwd|password)\\s*=\\s*)(\\{[^}]*\\}?|[^;'\"\\s]*)"),
        QRegularExpression::CaseInsensitiveOption);
    text.replace(key, QStringLiteral("\\1***"));
    // A value quoted on its own is hidden too: as a whole word, and only one long enough
    // not to be some other word of the message (hiding "a" or "5432" wherever they stand
    // garbles the message and, by where the stars land, tells the password). Longest
    // first, so that no part of a longer one is left.
    std::sort(secrets.begin(), secrets.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& secret : secrets)
        if (secret.size() >= 6)
            text.replace(QRegularExpression(QStringLiteral("(?<![\\w])") +
                                            QRegularExpression::escape(secret) +
                                            QStringLiteral("(?![\\w])")),
                         QStringLiteral("***"));
    return text;
}

} // namespace ado
