// Shared main of the test binaries: a QApplication on the offscreen platform, so that
// database tests and window tests run the same way with or without a display. Started
// as a worker (see TestWorkers.h) it runs that worker instead of the tests.
#include "TestWorkers.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (const int rc = testsupport::runWorkerIfAsked(argc, argv); rc >= 0)
        return rc;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
