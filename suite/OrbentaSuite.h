#pragma once

// The suite pieces the component finds around it: the one header a host includes.
#include "OrbentaSuiteData.h"
#include "controls/Anclaje.h"
#include "controls/DialogoArchivo.h"
#include "controls/HxAgente.h"
#include "controls/HxAlmacen.h"
#include "controls/HxArticulo.h"
#include "controls/HxCheckBox.h"
#include "controls/HxMaskEdBox.h"
#include "controls/HxPushButton.h"
#include "controls/HxTextBox.h"
#include "controls/ListBox.h"
#include "grid/OutlineGrid.h"
#include "grid/OutlineModel.h"
#include "report/Report.h"
#include "report/Visor.h"
#include "ui/DialogPresenter.h"
