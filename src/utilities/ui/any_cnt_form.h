#pragma once
#include "app/function_window.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class ReportMemo;
class SystemYearChoice;
class TEndYearDataMod;
struct FormatExchangeOptions;

// 单机库报表格式导入导出: report formats of a standalone database to files and back.
class TAnyCntForm : public FunctionWindow {
    Q_OBJECT
public:
    explicit TAnyCntForm(TEndYearDataMod& dataModule, QWidget* owner = nullptr);

    void SpeedButton1Click();
    void ExptBtnClick();
    void ImpBtnClick();

    QTabWidget* PageControl1 = nullptr;
    SystemYearChoice* BBChoice = nullptr;
    SystemYearChoice* HZChoice = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* RootPathEdit = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QPushButton* ExptBtn = nullptr;
    QPushButton* ImpBtn = nullptr;
    QPushButton* CloseButton = nullptr;
    ReportMemo* SaveMemo = nullptr;

private:
    FormatExchangeOptions options() const;
};
