// orbenta-ventanas: the main window of the demo host and the commands that draw
// (captura, informe). orbenta runs it for them, with its own arguments.
#include "MainWindow.h"
#include "cli/Cli.h"

#include <OrbentaSuite.h>
#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

int noDisplay(const QString& why) {
    const QByteArray line = QStringLiteral("error 5 (orbenta): no hay pantalla: %1; la ventana "
                                           "principal necesita una (DISPLAY, WAYLAND_DISPLAY o "
                                           "QT_QPA_PLATFORM), las órdenes no (orbenta --help)\n")
                                .arg(why)
                                .toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    orbenta::host::Commands commands = orbenta::host::dataCommands();
    commands[QStringLiteral("captura")] = orbenta::host::cmdCaptura;
    commands[QStringLiteral("informe")] = orbenta::host::cmdInforme;

    if (args.contains(QStringLiteral("captura")) || args.contains(QStringLiteral("informe"))) {
        // Pictures and reports are drawn without a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("orbenta"));
        QApplication::setApplicationVersion(QStringLiteral(ORBENTA_VERSION));
        return orbenta::host::runCommand(args, commands);
    }
    if (orbenta::host::isCommand(args)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("orbenta"));
        QCoreApplication::setApplicationVersion(QStringLiteral(ORBENTA_VERSION));
        return orbenta::host::runCommand(args, commands);
    }

    // The main window needs a display. Without one Qt would end the process with an
    // abort: the user is told what is missing instead, as the tool tells its errors.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return noDisplay(QStringLiteral("DISPLAY y WAYLAND_DISPLAY no tienen valor"));
    // One named but out of reach (a closed session, a wrong number) is a fatal message
    // of Qt's while the application starts.
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (type == QtFatalMsg)
                std::_Exit(noDisplay(message.section(u'.', 0, 0).trimmed()));
            if (previous)
                previous(type, context, message);
        });
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(QStringLiteral("orbenta"));
    try {
        QString conn;
        qint16 company = 1;
        for (int i = 1; i + 1 < args.size(); ++i) {
            if (args[i] == u"--db")
                conn = orbenta::host::connectionStringOf(args[i + 1]);
            else if (args[i] == u"--empresa")
                company = qint16(args[i + 1].toInt());
        }
        // Started from the applications menu on a new account: offer the demo database
        // rather than fail on a file that no one has created yet.
        const bool named = !conn.isEmpty();
        utilidades::instalarTraduccionQt(); // the question's buttons in Spanish too
        if (!orbenta::host::offerDemoDatabase(named, [](const QString& file) {
                return ui::MsgBox(QStringLiteral("Todavía no hay base de datos en ") + file +
                                      QStringLiteral(".\n\n¿Crearla ahora con los datos de "
                                                     "demostración?"),
                                  int(ui::vbYesNo) | int(ui::vbQuestion),
                                  QStringLiteral("Orbenta")) == ui::vbYes;
            }))
            return 0;
        if (!named)
            conn = orbenta::host::defaultConnectionString();
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
