#pragma once
#include "app/function_window.h"

class QPushButton;
class QTabWidget;
class ReportMemo;
class SystemYearChoice;
class TEndYearDataMod;

// 计算公式另存为校验公式: copies calculation formulas into the check-formula tables.
class TJs2JyForm : public FunctionWindow {
    Q_OBJECT
public:
    explicit TJs2JyForm(TEndYearDataMod& dataModule, QWidget* owner = nullptr);

    void ReDefButtonClick();

    QTabWidget* PageControl1 = nullptr;
    SystemYearChoice* BBChoice = nullptr;
    SystemYearChoice* HZChoice = nullptr;
    QPushButton* ReDefButton = nullptr;
    QPushButton* CloseButton = nullptr;
    ReportMemo* SaveMemo = nullptr;
};
