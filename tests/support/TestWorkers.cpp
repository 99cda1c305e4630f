#include "TestWorkers.h"

#include <QCoreApplication>
#include <map>
#include <string>

namespace testsupport {

namespace {
std::map<std::string, Worker>& registry() {
    static std::map<std::string, Worker> r;
    return r;
}
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

} // namespace testsupport
