#pragma once

#include <QProcess>
#include <QStringList>

namespace testsupport {

/// What one run of the orbenta program printed.
struct CliRun {
    int code;
    QString out, err;
};

inline CliRun
runProgram(const QString& program, const QStringList& args,
           const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

inline CliRun orbenta(const QStringList& args,
                      const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    return runProgram(QStringLiteral(ORBENTA_BINARY), args, env);
}

} // namespace testsupport
