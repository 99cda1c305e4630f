#pragma once

// The component's data objects, without its windows: the one header a host that opens
// no window includes.
#include <OrbentaSuiteData.h>

#include "agents/Liquidacion.h"
#include "agents/ResumenAgentes.h"
#include "agents/clsAgente.h"
#include "commissions/clsComision_Familias.h"
#include "frame/Automation.h"
#include "frame/Bancos.h"
#include "frame/Component.h"
#include "frame/Errors.h"
#include "frame/Registry.h"
#include "frame/SharedContext.h"
#include "frame/Values.h"
