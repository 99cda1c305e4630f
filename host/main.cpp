#include "Cli.h"
#include "MainWindow.h"

#include <OrbentaSuite.h>
#include <QApplication>

int main(int argc, char* argv[]) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    if (args.contains(QStringLiteral("captura")) || args.contains(QStringLiteral("informe"))) {
        // Pictures and reports are drawn without a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("orbenta"));
        QApplication::setApplicationVersion(QStringLiteral(ORBENTA_VERSION));
        return orbenta::host::runCommand(args);
    }
    if (orbenta::host::isCommand(args)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("orbenta"));
        QCoreApplication::setApplicationVersion(QStringLiteral(ORBENTA_VERSION));
        return orbenta::host::runCommand(args);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orbenta"));
    try {
        QString conn = orbenta::host::defaultConnectionString();
        qint16 company = 1;
        for (int i = 1; i + 1 < args.size(); ++i) {
            if (args[i] == u"--db")
                conn = args[i + 1];
            else if (args[i] == u"--empresa")
                company = qint16(args[i + 1].toInt());
        }
        auto cn = std::make_shared<ado::Connection>();
        cn->Open(conn);
        auto empresa = ORBTEmp::Empresa::Cargar(*cn, company);
        orbenta::host::MainWindow w(cn, empresa);
        w.show();
        return app.exec();
    } catch (const automation::AutomationError& e) {
        ui::ShowFailure(e.description(), e.number(), e.source(), QStringLiteral("Orbenta"));
        return 1;
    }
}
