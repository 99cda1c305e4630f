// Shared main of the test binaries: a QApplication on the offscreen platform, so that
// database tests and window tests run the same way with or without a display. Started
// as a worker (see TestWorkers.h) it runs that worker instead of the tests.
#include "TestWorkers.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Windows that discard themselves with deleteLater() from a modal loop are deleted when
// control is back in the loop that started it; a test has no such loop, so each test
// ends by deleting what is waiting, as the host's event loop would.
class DeferredDeletes : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

// The offscreen platform says so each time a window is raised or sized; a failure's
// message would drown in it.
QtMessageHandler qtHandler = nullptr;
void quieter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support ")))
        return;
    if (qtHandler)
        qtHandler(type, context, message);
    else
        fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // What windows remember goes to a scratch folder, never to the user's settings.
    QTemporaryDir ajustes;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(ajustes.path()));
    for (const auto formato : {QSettings::NativeFormat, QSettings::IniFormat})
        for (const auto ambito : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(formato, ambito, ajustes.path());
    qtHandler = qInstallMessageHandler(quieter);
    QApplication app(argc, argv);
    if (const int rc = testsupport::runWorkerIfAsked(argc, argv); rc >= 0)
        return rc;
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new DeferredDeletes);
    return RUN_ALL_TESTS();
}
