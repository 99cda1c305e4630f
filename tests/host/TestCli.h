#pragma once

#include <QProcessEnvironment>
#include <QStringList>

namespace testsupport {

/// What one run of the orbenta program printed.
struct CliRun {
    int code;
    QString out;
    QString err;
};

/// Runs the built orbenta program with `args` and waits for it.
CliRun orbenta(const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

} // namespace testsupport
