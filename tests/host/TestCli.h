#pragma once

#include <QProcess>
#include <QStringList>

namespace testsupport {

/// What one run of the orbenta program printed.
struct CliRun {
    int code;
    QString out, err;
};

/// Runs the built orbenta program with `args` and waits for it.
inline CliRun orbenta(const QStringList& args,
                      const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ORBENTA_BINARY), args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace testsupport
