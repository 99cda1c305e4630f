#pragma once

// The component: the one header a host includes. It brings in what the component
// needs of the suite.
#include <OrbentaSuite.h>

#include "agent_window/frmAgentes.h"
#include "agent_window/frmAgentes_Buscar.h"
#include "agent_window/frmCredenciales.h"
#include "agents/clsAgente.h"
#include "commissions/ArbolComisiones.h"
#include "commissions/InformeComisiones.h"
#include "commissions/clsComision_Familias.h"
#include "commissions/frmAgentes_Comision_Familias.h"
#include "frame/Automation.h"
#include "frame/Bancos.h"
#include "frame/Component.h"
#include "frame/Errors.h"
#include "frame/Registry.h"
#include "frame/SharedContext.h"
#include "frame/Values.h"
#include "invoice_agent/frmAgentes_CambioFactura.h"
#include "objects/ClassFactory.h"
#include "report_view/frmView.h"
