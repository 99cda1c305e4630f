#pragma once

// The component: the one header a host includes. It brings in what the component
// needs of the suite.
#include <OrbentaSuite.h>

#include "ORBTAgentesData.h"

#include "agent_window/frmAgentes.h"
#include "agent_window/frmAgentes_Buscar.h"
#include "agent_window/frmCredenciales.h"
#include "commissions/ArbolComisiones.h"
#include "commissions/InformeComisiones.h"
#include "commissions/InformeLiquidacion.h"
#include "commissions/frmAgentes_Comision_Familias.h"
#include "dashboard/frmResumenAgentes.h"
#include "invoice_agent/frmAgentes_CambioFactura.h"
#include "objects/ClassFactory.h"
#include "report_view/frmView.h"
