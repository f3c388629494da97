#include "dispatch_table.h"

#include "checks/ui/check_year_form.h"
#include "checks/ui/unit_info_opti_form.h"
#include "cleanup/ui/frm_data_opti.h"
#include "cleanup/ui/restore_form.h"
#include "maintenance/ui/del_bbex_form.h"
#include "maintenance/ui/drop_temp_form.h"
#include "maintenance/ui/rebuild_forms.h"
#include "maintenance/ui/reg_ocx_form.h"
#include "utilities/ui/any_cnt_form.h"
#include "utilities/ui/js2jy_form.h"
#include "utilities/ui/tab_count_form.h"

// One line per function window,
//     table[QStringLiteral("<menu entry name>")] = [&dm](QWidget* owner) -> QDialog* {
//         return new TSomeForm(dm, owner); };
// The main window creates the window with itself as owner, sets the caption of the
// cleanup wizard, shows it modally and frees it afterwards. An entry left nullptr is
// shown disabled (menu entry and tool button). The keys are the menu entry names
// (tests/main/test_dispatch_table.cpp holds them against the main window's menu).
DispatchTable buildDispatchTable(TEndYearDataMod& dm)
{
    DispatchTable table;
    // TFrmDataOpti, duplicate cleanup, for the system the handler has just selected.
    table[QStringLiteral("MnOptiBB")] = [&dm](QWidget* owner) { return createDataOptiWindow(owner, dm); };
    table[QStringLiteral("MnOptiHZ")] = [&dm](QWidget* owner) { return createDataOptiWindow(owner, dm); };
    table[QStringLiteral("N2")] = [&dm](QWidget* owner) -> QDialog* { return new TReDefaForm(dm, owner); };
    table[QStringLiteral("MnReIndex")] = [&dm](QWidget* owner) -> QDialog* { return new TReIndexForm(dm, owner); };
    table[QStringLiteral("MnDropTemp")] = [&dm](QWidget* owner) -> QDialog* { return new TFrmDropTemp(dm, owner); };
    table[QStringLiteral("DelBBEXmnu")] = [&dm](QWidget* owner) -> QDialog* { return new TDelBBEXForm(dm, owner); };
    table[QStringLiteral("mnuCheck")] = [&dm](QWidget* owner) -> QDialog* { return new TCheckYearForm(dm, owner); };
    // The tool button ToolButton5 runs this entry too.
    table[QStringLiteral("N3")] = [&dm](QWidget* owner) -> QDialog* { return new TUnitInfoOptiForm(dm, owner); };
    table[QStringLiteral("RegMnu")] = [&dm](QWidget* owner) -> QDialog* { return new TRegOCXForm(dm, owner); };
    table[QStringLiteral("mnJS2JY")] = [&dm](QWidget* owner) -> QDialog* { return new TJs2JyForm(dm, owner); };
    table[QStringLiteral("mnAny")] = [&dm](QWidget* owner) -> QDialog* { return new TAnyCntForm(dm, owner); };
    table[QStringLiteral("mnCount")] = [&dm](QWidget* owner) -> QDialog* { return new TFrmTabCount(dm, owner); };
    // The backups of the cleanup's write-backs and their restore.
    table[QStringLiteral("mnRestore")] = [&dm](QWidget* owner) -> QDialog* { return new TRestoreForm(dm, owner); };
    return table;
}
