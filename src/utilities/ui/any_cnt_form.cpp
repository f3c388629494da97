#include "utilities/ui/any_cnt_form.h"

#include "app/folder_picker.h"
#include "app/prompt_service.h"
#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "utilities/format_exchange.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

TAnyCntForm::TAnyCntForm(TEndYearDataMod& dataModule, QWidget* owner)
    : FunctionWindow(dataModule, owner)
{
    setObjectName(QStringLiteral("AnyCntForm"));
    setWindowTitle(QStringLiteral("单机库报表格式导入导出    注意：只对SQLAny、ASA数据库有效"));
    resize(560, 380);

    auto* layout = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1);

    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabBackup"));
    auto* pageLayout = new QVBoxLayout(page);
    auto* choices = new QHBoxLayout;
    BBChoice = new SystemYearChoice(QStringLiteral("BB"), page);
    HZChoice = new SystemYearChoice(QStringLiteral("HZ"), page);
    addRunWidget(BBChoice);
    addRunWidget(HZChoice);
    choices->addWidget(BBChoice);
    choices->addWidget(HZChoice);
    pageLayout->addLayout(choices);

    Label1 = new QLabel(QStringLiteral("报表格式保存路径："), page);
    Label1->setObjectName(QStringLiteral("Label1"));
    RootPathEdit = new QLineEdit(page);
    RootPathEdit->setObjectName(QStringLiteral("RootPathEdit"));
    RootPathEdit->setReadOnly(true);
    RootPathEdit->setToolTip(QStringLiteral("报表格式所在路径，形如C:\\data\\cur20061119_001"));
    SpeedButton1 = new QToolButton(page);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("..."));
    addRunWidget(SpeedButton1);
    connect(SpeedButton1, &QToolButton::clicked, this, &TAnyCntForm::SpeedButton1Click);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(Label1);
    pathRow->addWidget(RootPathEdit, 1);
    pathRow->addWidget(SpeedButton1);
    pageLayout->addLayout(pathRow);
    pageLayout->addStretch();

    ExptBtn = addRunButton(QStringLiteral("ExptBtn"), QStringLiteral("导出"), [this] { ExptBtnClick(); });
    ImpBtn = addRunButton(QStringLiteral("ImpBtn"), QStringLiteral("导入"), [this] { ImpBtnClick(); });
    CloseButton = addCloseButton(QStringLiteral("CloseButton"));
    pageLayout->addLayout(buttonRow());
    PageControl1->addTab(page, QStringLiteral("备份恢复"));

    SaveMemo = addReportPage(PageControl1, QStringLiteral("TabReport"), QStringLiteral("操作报告"),
        QStringLiteral("SaveMemo"));
}

FormatExchangeOptions TAnyCntForm::options() const
{
    return {.root = RootPathEdit->text(),
        .management = {BBChoice->isChosen(), BBChoice->yearSuffix()},
        .summary = {HZChoice->isChosen(), HZChoice->yearSuffix()}};
}

void TAnyCntForm::SpeedButton1Click()
{
    QString folder;
    if (PickFolder(prompts(), QString(), folder))
        RootPathEdit->setText(folder);
}

void TAnyCntForm::ExptBtnClick() { FormatExchangeJob(jobContext(), options(), *SaveMemo).exportRun(); }

void TAnyCntForm::ImpBtnClick() { FormatExchangeJob(jobContext(), options(), *SaveMemo).importRun(); }
