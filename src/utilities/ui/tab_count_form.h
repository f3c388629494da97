#pragma once
#include "app/function_window.h"

class QAction;
class QLabel;
class QPushButton;
class QTabWidget;
class ReportMemo;
class SystemYearChoice;
class TEndYearDataMod;

// 分模块数据表记录数统计: the year choice, the counting run and the saved report.
class TFrmTabCount : public FunctionWindow {
    Q_OBJECT
public:
    explicit TFrmTabCount(TEndYearDataMod& dataModule, QWidget* owner = nullptr);

    void mnSaveClick();
    void mnClearClick();

    QTabWidget* Pages = nullptr;
    SystemYearChoice* YearChoice = nullptr;
    QPushButton* BtnDropTemp = nullptr;
    QPushButton* BtnClose = nullptr;
    ReportMemo* CountMemo = nullptr;
    QAction* mnSave = nullptr;
    QAction* mnClear = nullptr;
};
