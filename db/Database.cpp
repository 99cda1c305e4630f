#include "Database.h"

#include "ado/Recordset.h"
#include "automation/AutomationError.h"

#include <QFile>
#include <QRegularExpression>

// Resources of a static library are registered by hand.
static void initSchemaResources() {
    Q_INIT_RESOURCE(db);
}

namespace orbenta::db {

QStringList tableNames() {
    return {QStringLiteral("Empresas"),
            QStringLiteral("Empresas_Configuracion"),
            QStringLiteral("Almacenes"),
            QStringLiteral("Codigos_Postales"),
            QStringLiteral("Agentes"),
            QStringLiteral("Agentes_Acumulados"),
            QStringLiteral("Agentes_Acumulados_Articulos"),
            QStringLiteral("Agentes_Comisiones"),
            QStringLiteral("Articulos"),
            QStringLiteral("Familias_1"),
            QStringLiteral("Familias_2"),
            QStringLiteral("Familias_3"),
            QStringLiteral("Bancos"),
            QStringLiteral("Facturas"),
            QStringLiteral("Listado_Desc_Comis")};
}

QStringList schemaStatements(ado::Dialect dialect) {
    QString file;
    switch (dialect) {
    case ado::Dialect::SQLite:
        file = QStringLiteral(":/db/schema_sqlite.sql");
        break;
    case ado::Dialect::PostgreSQL:
        file = QStringLiteral(":/db/schema_postgresql.sql");
        break;
    case ado::Dialect::SqlServer:
        file = QStringLiteral(":/db/schema_sqlserver.sql");
        break;
    }
    initSchemaResources();
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw automation::AutomationError(-1, QStringLiteral("orbenta.db"),
                                          QStringLiteral("Schema file %1 is missing.").arg(file));
    QString text = QString::fromUtf8(f.readAll());
    text.remove(QRegularExpression(QStringLiteral("--[^\n]*")));
    QStringList out;
    for (const QString& s : text.split(u';')) {
        const QString t = s.trimmed();
        if (!t.isEmpty())
            out << t;
    }
    return out;
}

namespace {

QStringList existingTables(ado::Connection& cn) {
    QString sql;
    switch (cn.dialect()) {
    case ado::Dialect::SQLite:
        sql = QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                             "LIKE 'sqlite_%'");
        break;
    case ado::Dialect::PostgreSQL:
        sql = QStringLiteral("SELECT table_name FROM information_schema.tables WHERE "
                             "table_schema = current_schema()");
        break;
    case ado::Dialect::SqlServer:
        sql = QStringLiteral("SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES WHERE "
                             "TABLE_TYPE = 'BASE TABLE'");
        break;
    }
    ado::Recordset rs;
    rs.Open(sql, cn);
    QStringList names;
    while (!rs.Eof()) {
        names << rs.Fields(0).toString();
        rs.MoveNext();
    }
    rs.Close();
    return names;
}

} // namespace

bool hasTables(ado::Connection& cn) {
    return !existingTables(cn).isEmpty();
}

void createSchema(ado::Connection& cn, bool replace) {
    ado::Transaction tx(cn);
    if (replace) {
        const QStringList existing = existingTables(cn);
        const QStringList ours = tableNames();
        for (auto it = ours.crbegin(); it != ours.crend(); ++it)
            if (existing.contains(*it, Qt::CaseInsensitive))
                cn.Execute(QStringLiteral("DROP TABLE ") + *it);
    }
    for (const QString& s : schemaStatements(cn.dialect()))
        cn.Execute(s);
    tx.Commit();
}

QString sqlDate(int year, int month, int day) {
    const auto digits = [](int v, int width) {
        return QString::number(v).rightJustified(width, u'0');
    };
    return digits(year, 4) + u'-' + digits(month, 2) + u'-' + digits(day, 2) +
           QStringLiteral("T00:00:00");
}

} // namespace orbenta::db
