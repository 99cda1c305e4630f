// A host program built against the installed component: it hands a clsAgente the
// connection (through the class factory, as a script host would, and directly) and
// loads an agent.
#include <ORBTAgentes.h>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    try {
        auto cn = std::make_shared<ado::Connection>();
        const QString cs =
            QStringLiteral("Driver=SQLite;Database=") + QString::fromLocal8Bit(argv[1]);
        ado::Connection::CreateDatabase(cs);
        cn->Open(cs);
        cn->Execute(QStringLiteral(
            "CREATE TABLE Agentes (Codigo INTEGER PRIMARY KEY, Nombre TEXT, Direccion TEXT, Cp "
            "INTEGER, Localidad TEXT, Provincia TEXT, Telefono TEXT, Fax TEXT, Movil TEXT, EMail "
            "TEXT, Almacen INTEGER, Bloqueado INTEGER, Bloq_Fecha DATETIME, Bloq_Motivo TEXT, "
            "ComisVentas NUMERIC, ComisCobros NUMERIC, Retencion_IRPF NUMERIC, NoImpLiquidacion "
            "INTEGER, Password TEXT, Cta_Bancaria TEXT, Observ TEXT, Enviado INTEGER)"));
        cn->Execute(QStringLiteral(
            "INSERT INTO Agentes VALUES (7, 'Nerea Aguirre', 'C/ Mayor, 1', 48001, 'Bilbao', "
            "'Bizkaia', '944000000', '', '600000000', 'nerea@x.es', 1, 0, '1899-12-30T00:00:00', "
            "'', 5, 2, 15, 0, '', '', '', 0)"));

        ORBTAgentes::ObjectRef viaFactory =
            ORBTAgentes::CreateObject(QStringLiteral("ORBTAgentes.clsAgente"));
        ORBTAgentes::Invoke(*viaFactory, 0x68030000, ORBTAgentes::DispatchKind::PropertyPutRef,
                            {QVariant::fromValue(cn)});
        ORBTAgentes::clsAgente agente;
        agente.Codigo = 7;
        if (!agente.Cargar())
            return 1;
        std::printf("%s: %s\n", qPrintable(ORBTAgentes::componentDescription()),
                    qPrintable(agente.Nombre));
        return 0;
    } catch (const automation::AutomationError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
