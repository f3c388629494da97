#pragma once
#include "app/function_window.h"

class QFrame;
class QPlainTextEdit;
class QPushButton;
class TEndYearDataMod;

// 扩展表（KRBBEX）垃圾数据清除: orphaned and duplicate extension rows of both systems.
class TDelBBEXForm : public FunctionWindow {
    Q_OBJECT
public:
    explicit TDelBBEXForm(TEndYearDataMod& dataModule, QWidget* owner = nullptr);

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* DelBtn = nullptr;
    QPushButton* CloseBtn = nullptr;
    QFrame* Bevel1 = nullptr;
};
