#pragma once
#include "app/function_window.h"

class QAction;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
struct ReportComparison;
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
    // Opens two reports (a saved one and the memo, or two saved ones) and shows what differs.
    void BtnCompareClick();
    void BtnSaveCompareClick();

    QTabWidget* Pages = nullptr;
    SystemYearChoice* YearChoice = nullptr;
    QPushButton* BtnDropTemp = nullptr;
    QPushButton* BtnClose = nullptr;
    ReportMemo* CountMemo = nullptr;
    QAction* mnSave = nullptr;
    QAction* mnClear = nullptr;
    QPushButton* BtnCompare = nullptr;
    QTableWidget* CompareGrid = nullptr;
    QPushButton* BtnSaveCompare = nullptr;
    // The last comparison as saved lines.
    QStringList CompareLines;

private:
    bool readReport(const QString& caption, QStringList& lines, QString& title);
    void showComparison(const ReportComparison& comparison);
};
