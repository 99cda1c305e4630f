#pragma once

// The suite pieces without widgets (data layer, company object, utility objects, the
// message presenter): the one header a host that opens no window includes.
#include "ado/Ado.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "ado/SqlDialect.h"
#include "ado/Statement.h"
#include "automation/AutomationError.h"
#include "empresa/Empresa.h"
#include "empresa/Logon.h"
#include "ui/MessageBox.h"
#include "utilidades/CodigosPostales.h"
#include "utilidades/CuentaBancaria.h"
#include "utilidades/Regional.h"
#include "utilidades/SqlLiteral.h"
#include "utilidades/Utilidades.h"
