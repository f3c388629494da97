#pragma once
#include "app/function_window.h"

class QCheckBox;
class QLabel;
class QPushButton;
class TEndYearDataMod;

// 报表临时表清除: drops left-over work tables by name prefix.
class TFrmDropTemp : public FunctionWindow {
    Q_OBJECT
public:
    explicit TFrmDropTemp(TEndYearDataMod& dataModule, QWidget* owner = nullptr);

    QPushButton* BtnDropTemp = nullptr;
    QPushButton* BtnClose = nullptr;
    QLabel* Label1 = nullptr;
    QCheckBox* CheckLocal = nullptr;
};
