#include "TestWorkers.h"

#include <OrbentaSuite.h>
#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

namespace testsupport {

namespace {
std::map<std::string, Worker>& registry() {
    static std::map<std::string, Worker> r;
    return r;
}

int holdLockWorker(const QStringList& args) {
    ado::Connection cn;
    cn.Open(args.value(0));
    cn.LockNamed(QStringLiteral("Listado_Desc_Comis"));
    std::printf("cerrojo tomado\n");
    std::fflush(stdout);
    QThread::sleep(120);
    return 0;
}
const WorkerRegistration registerHoldLock("cerrojo", holdLockWorker);
} // namespace

WorkerRegistration::WorkerRegistration(const char* name, Worker worker) {
    registry()[name] = std::move(worker);
}

int runWorkerIfAsked(int argc, char** argv) {
    if (argc < 3 || std::string(argv[1]) != "--orbenta-worker")
        return -1;
    const auto it = registry().find(argv[2]);
    if (it == registry().end())
        return 99;
    QStringList args;
    for (int i = 3; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return it->second(args);
}

QString selfPath() {
    return QCoreApplication::applicationFilePath();
}

std::unique_ptr<QProcess> holdPrintLock(const QString& cs) {
    auto p = std::make_unique<QProcess>();
    p->start(selfPath(), {QStringLiteral("--orbenta-worker"), QStringLiteral("cerrojo"), cs});
    QByteArray salida;
    while (!salida.contains("cerrojo tomado") && p->waitForReadyRead(30000))
        salida += p->readAllStandardOutput();
    if (!salida.contains("cerrojo tomado"))
        throw std::runtime_error("the process holding the print lock did not start: " +
                                 salida.toStdString());
    return p;
}

} // namespace testsupport
