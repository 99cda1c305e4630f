// The main window's first start on a new account: the demo database is offered once,
// created only on yes, and never when the user named a database or one exists.
#include "TestDatabase.h"

#include <QFileInfo>
#include <cli/Cli.h>

namespace {

struct FirstStart {
    const char* what;
    bool named, environment, exists, answer; // given
    bool asked, goOn, created;               // expected
};

TEST(FirstStart, TheDemoDatabaseIsOfferedOnlyWhenNoneIsNamedOrThere) {
    const FirstStart cases[] = {
        {"new account, yes", false, false, false, true, true, true, true},
        {"new account, no", false, false, false, false, true, false, false},
        {"the file is there", false, false, true, true, false, true, false},
        {"--db names one", true, false, false, true, false, true, false},
        {"ORBENTA_DB names one", false, true, false, true, false, true, false},
    };
    for (const FirstStart& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
        if (c.environment)
            qputenv("ORBENTA_DB", "Driver=SQLite;Database=/nonexistent/x.db");
        else
            qunsetenv("ORBENTA_DB");
        const QString file = orbenta::host::defaultDatabaseFile();
        ASSERT_TRUE(file.startsWith(dir.path()));
        if (c.exists) {
            orbenta::host::createDefaultFolder();
            orbenta::host::createDemoDatabase(QStringLiteral("Driver=SQLite;Database=") + file);
        }
        QString askedFor;
        const bool goOn = orbenta::host::offerDemoDatabase(c.named, [&](const QString& f) {
            askedFor = f;
            return c.answer;
        });
        qunsetenv("ORBENTA_DB");
        EXPECT_EQ(askedFor, c.asked ? file : QString());
        EXPECT_EQ(goOn, c.goOn);
        EXPECT_EQ(QFileInfo::exists(file), c.exists || c.created);
        if (c.created) {
            ado::Connection cn;
            cn.Open(orbenta::host::defaultConnectionString());
            EXPECT_GT(testsupport::rowsOf(cn, "SELECT COUNT(*) FROM Agentes").value(0).toInt(), 0);
        }
    }
    qunsetenv("XDG_DATA_HOME");
}

} // namespace
