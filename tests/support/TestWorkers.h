#pragma once

#include <QProcess>
#include <QStringList>
#include <functional>
#include <memory>

namespace testsupport {

/// Work a test runs in other processes: the test binary starts itself again with
/// `--orbenta-worker NAME ARGS...`, and main runs the worker registered under NAME
/// instead of the tests. Its return value is the process exit code.
using Worker = std::function<int(const QStringList& args)>;

struct WorkerRegistration {
    WorkerRegistration(const char* name, Worker worker);
};

/// Runs the worker named on the command line, if any; answers -1 when there is none.
int runWorkerIfAsked(int argc, char** argv);

QString selfPath();

/// Starts another process that takes the print's named lock on the database `cs` and
/// holds it until it is killed; returns once the lock is held.
std::unique_ptr<QProcess> holdPrintLock(const QString& cs);

} // namespace testsupport
