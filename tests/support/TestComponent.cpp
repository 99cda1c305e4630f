#include "TestComponent.h"

#include <ORBTAgentes.h>

namespace testsupport {

void ComponentTest::SetUp() {
    EngineTest::SetUp();
    if (IsSkipped())
        return;
    createSchema();
    ORBTAgentes::SharedContext::setConexion(cn);
}

} // namespace testsupport
