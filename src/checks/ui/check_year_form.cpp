#include "checks/ui/check_year_form.h"

#include "app/prompt_service.h"
#include "app/report_memo.h"
#include "checks/year_end_check.h"
#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

QStringList TCheckYearForm::explanationLines()
{
    return {QStringLiteral("年结前数据检查整理主要做以下工作："), QString(),
        QStringLiteral("    （1）检查当前年度是否存在多年数据的问题。例如当前数据"), QString(),
        QStringLiteral("表中既有当前年度2004年数据，也有历史年度2002、2003年数据。"), QString(),
        QStringLiteral("    （2）检查当前年度是否存在因闰年2月29日登录并保存报表，"), QString(),
        QStringLiteral("导致数据库中2月份报表日期存储不正确的问题。")};
}

TCheckYearForm::TCheckYearForm(TEndYearDataMod& dataModule, QWidget* owner)
    : FunctionWindow(dataModule, owner)
{
    setObjectName(QStringLiteral("CheckYearForm"));
    setWindowTitle(QStringLiteral("年结前数据检查整理"));
    resize(447, 378);
    setMaximumSize(640, 480);

    auto* layout = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1);

    CheckTab = new QWidget;
    CheckTab->setObjectName(QStringLiteral("CheckTab"));
    auto* page = new QVBoxLayout(CheckTab);
    Memo1 = new QPlainTextEdit(CheckTab);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setPlainText(explanationLines().join(QLatin1Char('\n')));
    Memo1->viewport()->setAutoFillBackground(false);
    page->addWidget(Memo1, 1);

    GroupBox1 = new QGroupBox(QStringLiteral("模块选择"), CheckTab);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* modules = new QHBoxLayout(GroupBox1);
    BBCheckBox = new QCheckBox(QStringLiteral("报表管理"), GroupBox1);
    BBCheckBox->setObjectName(QStringLiteral("BBCheckBox"));
    BBCheckBox->setChecked(true);
    HZCheckBox = new QCheckBox(QStringLiteral("报表汇总"), GroupBox1);
    HZCheckBox->setObjectName(QStringLiteral("HZCheckBox"));
    HZCheckBox->setChecked(true);
    modules->addWidget(BBCheckBox);
    modules->addWidget(HZCheckBox);
    modules->addStretch();
    page->addWidget(GroupBox1);
    addRunWidget(BBCheckBox);
    addRunWidget(HZCheckBox);

    // Stays enabled during a run: its item is read for every row.
    LeapGroup = new QGroupBox(QStringLiteral("闰年重复数据清除设置"), CheckTab);
    LeapGroup->setObjectName(QStringLiteral("LeapGroup"));
    auto* leap = new QVBoxLayout(LeapGroup);
    m_leapButtons = new QButtonGroup(this);
    const QString items[3] = {QStringLiteral("清除前提示"), QStringLiteral("保留2月29日数据并删除2月28日数据"),
        QStringLiteral("删除2月29日数据并保留2月28日数据")};
    for (int i = 0; i < 3; ++i) {
        LeapItems[i] = new QRadioButton(items[i], LeapGroup);
        LeapItems[i]->setObjectName(QStringLiteral("LeapGroupItem%1").arg(i));
        m_leapButtons->addButton(LeapItems[i], i);
        leap->addWidget(LeapItems[i]);
    }
    LeapItems[0]->setChecked(true);
    page->addWidget(LeapGroup);

    CheckButton = addRunButton(QStringLiteral("CheckButton"), QStringLiteral("检查整理"), [this] { CheckButtonClick(); });
    CheckButton->setDefault(true);
    CheckButton->setAutoDefault(true);
    CloseButton = addCloseButton(QStringLiteral("CloseButton"), QStringLiteral("关闭"));
    CloseButton->setAutoDefault(false);
    page->addLayout(buttonRow());
    PageControl1->addTab(CheckTab, QStringLiteral("数据检查整理"));

    CheckMemo = addReportPage(PageControl1, QStringLiteral("MemoTab"), QStringLiteral("检查整理报告"),
        QStringLiteral("CheckMemo"));
    MemoTab = PageControl1->widget(1);
}

int TCheckYearForm::leapItem() const { return qMax(0, m_leapButtons->checkedId()); }

void TCheckYearForm::FormShow()
{
    PageControl1->setCurrentWidget(CheckTab);
    BBKjnd = CheckYearJob::ReadKjnd(dataModule().mast, QStringLiteral("BB"));
    HZKjnd = CheckYearJob::ReadKjnd(dataModule().mast, QStringLiteral("HZ"));
}

int TCheckYearForm::exec()
{
    try {
        FormShow();
    } catch (const DatabaseError& error) {
        prompts().databaseError(error);
        return QDialog::Rejected;
    }
    m_yearsRead = true;
    return FunctionWindow::exec();
}

void TCheckYearForm::showEvent(QShowEvent* event)
{
    // exec() has read the years for this showing already.
    if (!m_yearsRead) {
        try {
            FormShow();
        } catch (const DatabaseError& error) {
            prompts().databaseError(error);
            QTimer::singleShot(0, this, &QDialog::reject);
        }
    }
    m_yearsRead = false;
    FunctionWindow::showEvent(event);
}

void TCheckYearForm::CheckButtonClick()
{
    PageControl1->setCurrentWidget(MemoTab);
    CheckYearOptions options{.management = BBCheckBox->isChecked(), .summary = HZCheckBox->isChecked(),
        .bbKjnd = BBKjnd, .hzKjnd = HZKjnd, .leapChoice = [this] { return leapItem(); }};
    CheckYearJob(jobContext(), std::move(options), *CheckMemo).run();
}
