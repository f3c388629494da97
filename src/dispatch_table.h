#pragma once
#include "app/main_form.h"

class TEndYearDataMod;

// The main window's dispatch table: menu entry name -> factory of the function window.
DispatchTable buildDispatchTable(TEndYearDataMod& dm);
