#pragma once

// The component: the one header a host includes. It brings in what the component
// needs of the suite.
#include <OrbentaSuite.h>

#include "frame/Component.h"
