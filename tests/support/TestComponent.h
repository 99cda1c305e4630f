#pragma once

#include "TestDatabase.h"

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
    std::shared_ptr<ui::RecordingPresenter> presenter;
};

/// The rows of a query as "key|amount|amount...": every column after the first is read
/// as an amount and written in its shortest form, whatever the engine's own.
QStringList amountRows(ado::Connection& cn, const QString& sql);

} // namespace testsupport
