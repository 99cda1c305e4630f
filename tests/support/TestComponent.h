#pragma once

#include "TestDatabase.h"

#include <ORBTAgentes.h>
#include <empresa/Empresa.h>
#include <memory>
#include <ui/MessageBox.h>

namespace testsupport {

/// A test of the component on one engine: a fresh database with the component's
/// schema, whose connection is the component's shared connection. Message boxes are
/// recorded in `presenter`, never shown.
class ComponentTest : public EngineTest {
protected:
    void SetUp() override;
    void TearDown() override;
    /// A company object with this code, shared with the component; the test sets the
    /// rest of it.
    std::shared_ptr<ORBTEmp::Empresa> shareCompany(qint16 code = 1);
    void sql(std::initializer_list<const char*> statements) {
        for (const char* s : statements)
            cn->Execute(QString::fromUtf8(s));
    }
    std::shared_ptr<ui::RecordingPresenter> presenter;
};

/// A company object with its catalogue (its own code when 0) and `levels` family levels
/// named.
std::shared_ptr<ORBTEmp::Empresa> company(qint16 code, int levels = 0, qint16 catalogue = 0);

/// Writes an agent row whose columns follow from its code ("Agente 7", "Dir 7", 48007...);
/// `observ` and `fecha` are SQL literals ("NULL" writes a NULL).
void insertAgent(ado::Connection& cn, int code, const QString& nombre = {},
                 const QString& observ = QStringLiteral("''"),
                 const QString& fecha = QStringLiteral("'2024-02-29T10:20:30'"));

/// The agent `code` as Cargar reads it; a failed expectation when there is none.
ORBTAgentes::clsAgente loadedAgent(qint16 code);

/// The rows of a query as "key|amount|amount...": every column after the first is read
/// as an amount and written in its shortest form, whatever the engine's own.
QStringList amountRows(ado::Connection& cn, const QString& sql);

/// Points the shared company at the installed report files and gives it the logon
/// values that reach the test's database, as the demo companies have them.
void useInstalledReports(ado::Connection& cn);

/// The text of a PDF file as pdftotext lays it out, one simplified line per non-empty
/// line.
QStringList pdfLines(const QString& file);

} // namespace testsupport
