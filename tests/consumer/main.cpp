// Opens an embedded database through the installed libraries and prints what it finds.
#include <ORBTAgentes.h>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    try {
        auto cn = std::make_shared<ado::Connection>();
        cn->Open(QStringLiteral("Driver=SQLite;Database=%1").arg(QString::fromLocal8Bit(argv[1])));
        cn->Execute(QStringLiteral("CREATE TABLE Agentes (Codigo INTEGER, Nombre TEXT)"));
        cn->Execute(QStringLiteral("INSERT INTO Agentes VALUES (7, 'Nerea Aguirre')"));
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT TOP 1 Nombre FROM Agentes"), *cn);
        std::printf("%s: %s\n", qPrintable(ORBTAgentes::componentDescription()),
                    qPrintable(rs.Fields(QStringLiteral("Nombre")).toString()));
        return 0;
    } catch (const automation::AutomationError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
