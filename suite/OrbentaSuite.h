#pragma once

// The suite pieces the component finds around it: the one header a host includes.
#include "ado/Ado.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "ado/SqlDialect.h"
#include "automation/AutomationError.h"
#include "controls/Anclaje.h"
#include "controls/HxAgente.h"
#include "controls/HxPushButton.h"
#include "controls/HxTextBox.h"
#include "controls/ListBox.h"
#include "empresa/Empresa.h"
#include "ui/MessageBox.h"
#include "utilidades/Regional.h"
#include "utilidades/SqlLiteral.h"
#include "utilidades/Utilidades.h"
