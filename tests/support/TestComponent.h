#pragma once

#include "TestDatabase.h"

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
    std::shared_ptr<ui::RecordingPresenter> presenter;
};

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
