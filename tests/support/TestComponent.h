#pragma once

#include "TestDatabase.h"

namespace testsupport {

/// A test of the component on one engine: a fresh database with the component's
/// schema, whose connection is the component's shared connection.
class ComponentTest : public EngineTest {
protected:
    void SetUp() override;
};

} // namespace testsupport
