// orbenta: the command-line tool. It links no widgets: the main window and the commands
// that draw (captura, informe) are in orbenta-ventanas, installed beside it, which takes
// this process over with the same arguments.
#include "cli/Cli.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

int runWindows(std::vector<char*> argv) {
    const QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/orbenta-ventanas");
    const QByteArray path = QFile::encodeName(program);
    argv[0] = const_cast<char*>(path.constData());
    ::execv(path.constData(), argv.data());
    const QByteArray line =
        (QStringLiteral("error 53 (orbenta): no se pueden abrir las ventanas: ") + program +
         QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)) + u'\n')
            .toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    const std::vector<char*> original(argv, argv + argc + 1); // with its closing null
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orbenta"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORBENTA_VERSION));
    if (!orbenta::host::isCommand(args))
        return runWindows(original);
    orbenta::host::Commands commands = orbenta::host::dataCommands();
    const auto windows = [&](orbenta::host::Context&) { return runWindows(original); };
    commands[QStringLiteral("captura")] = windows;
    commands[QStringLiteral("informe")] = windows;
    return orbenta::host::runCommand(args, commands);
}
