#pragma once
#include "app/function_window.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TEndYearDataMod;

// 控件注册: registers the report system's controls from a folder the user types or picks.
class TRegOCXForm : public FunctionWindow {
    Q_OBJECT
public:
    explicit TRegOCXForm(TEndYearDataMod& dataModule, QWidget* owner = nullptr);

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* RegBtn = nullptr;
    QPushButton* CloseBtn = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QPushButton* Button1 = nullptr;
    QLineEdit* DirEdit = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* Label1 = nullptr;

    void Button1Click();
};
