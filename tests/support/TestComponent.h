#pragma once

#include "TestDatabase.h"

namespace testsupport {

/// A test of the component on one engine: a fresh database with the component's
/// schema, whose connection is the component's shared connection.
class ComponentTest : public EngineTest {
protected:
    void SetUp() override;
};

/// The rows of a query as "key|amount|amount...": every column after the first is read
/// as an amount and written in its shortest form, whatever the engine's own.
QStringList amountRows(ado::Connection& cn, const QString& sql);

} // namespace testsupport
