#pragma once
#include "app/function_window.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QSpinBox;
class SystemYearChoice;
class TEndYearDataMod;

// 单元格不规范数据整理: gives cells whose number is 0 the number their text holds.
class TUnitInfoOptiForm : public FunctionWindow {
    Q_OBJECT
public:
    explicit TUnitInfoOptiForm(TEndYearDataMod& dataModule, QWidget* owner = nullptr);

    void OptiButtonClick();

    SystemYearChoice* BBChoice = nullptr;
    SystemYearChoice* HZChoice = nullptr;
    QCheckBox* BBCheckBox = nullptr;
    QGroupBox* BBGroup = nullptr;
    QSpinBox* BBYearSpin = nullptr;
    QCheckBox* HZCheckBox = nullptr;
    QGroupBox* HZGroup = nullptr;
    QSpinBox* HZYearSpin = nullptr;
    QPushButton* OptiButton = nullptr;
    QPushButton* CloseButton = nullptr;
};
