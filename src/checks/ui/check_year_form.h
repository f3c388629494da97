#pragma once
#include "app/function_window.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QWidget;
class ReportMemo;
class TEndYearDataMod;

// 年结前数据检查整理: moves rows of earlier years into their historical tables and repairs
// leap-day report dates, with a line-by-line report.
class TCheckYearForm : public FunctionWindow {
    Q_OBJECT
public:
    explicit TCheckYearForm(TEndYearDataMod& dataModule, QWidget* owner = nullptr);

    // Reads the accounting years first; a failure is shown in the standard error box and
    // the window does not open.
    int exec() override;

    // Shows the first page and reads the accounting years (throws DatabaseError).
    void FormShow();
    void CheckButtonClick();

    // LeapGroup's item (0 to 2).
    int leapItem() const;
    QString bbKjnd() const { return BBKjnd; }
    QString hzKjnd() const { return HZKjnd; }

    QTabWidget* PageControl1 = nullptr;
    QWidget* CheckTab = nullptr;
    QWidget* MemoTab = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* BBCheckBox = nullptr;
    QCheckBox* HZCheckBox = nullptr;
    QGroupBox* LeapGroup = nullptr;
    QRadioButton* LeapItems[3] = {};
    QPushButton* CheckButton = nullptr;
    QPushButton* CloseButton = nullptr;
    ReportMemo* CheckMemo = nullptr;

    // The nine lines of the explanation.
    static QStringList explanationLines();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QButtonGroup* m_leapButtons = nullptr;
    QString BBKjnd;
    QString HZKjnd;
    bool m_yearsRead = false;
};
