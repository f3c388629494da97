#include "utilities/ui/tab_count_form.h"

#include "app/prompt_service.h"
#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "utilities/record_statistics.h"

#include <QAction>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TFrmTabCount::TFrmTabCount(TEndYearDataMod& dataModule, QWidget* owner)
    : FunctionWindow(dataModule, owner)
{
    setObjectName(QStringLiteral("FrmTabCount"));
    setWindowTitle(QStringLiteral("分模块数据表记录数统计"));
    resize(520, 400);

    auto* layout = new QVBoxLayout(this);
    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(Pages);

    auto* countPage = new QWidget;
    countPage->setObjectName(QStringLiteral("TabCount"));
    auto* countLayout = new QVBoxLayout(countPage);
    auto* heading = new QLabel(QStringLiteral("说    明"), countPage);
    heading->setObjectName(QStringLiteral("Label2"));
    auto* note = new QLabel(QStringLiteral(
        "    本功能统计出各个模块所使用数据表的记录数，可作为年结前后数据检查的依据。年结前执行当前年度统计，"
        "将形成的报告保存；年结后执行历史年度统计，形成的报告与前报告进行对比可以分析出是否出现数据丢失。"
        "统计结果不适用于物流各个模块。"), countPage);
    note->setObjectName(QStringLiteral("Label1"));
    note->setWordWrap(true);
    YearChoice = new SystemYearChoice(QString(), countPage);
    addRunWidget(YearChoice);
    countLayout->addWidget(heading);
    countLayout->addWidget(note);
    auto* row = new QHBoxLayout;
    row->addWidget(YearChoice);
    row->addStretch();
    auto* buttons = new QVBoxLayout;
    BtnDropTemp = addRunButton(QStringLiteral("BtnDropTemp"), QStringLiteral("统计"), [this] {
        RecordStatisticsJob(jobContext(), {.yearSuffix = YearChoice->yearSuffix()}, *CountMemo).run();
    }, buttons);
    BtnClose = addCloseButton(QStringLiteral("BtnClose"), QStringLiteral("关闭"), buttons);
    buttons->addStretch();
    row->addLayout(buttons);
    countLayout->addLayout(row);
    countLayout->addStretch();
    Pages->addTab(countPage, QStringLiteral("统计"));

    CountMemo = addReportPage(Pages, QStringLiteral("TabReport"), QStringLiteral("报告"), QStringLiteral("CountMemo"));
    CountMemo->setReadOnly(false);

    mnSave = new QAction(QStringLiteral("保存"), this);
    mnSave->setObjectName(QStringLiteral("mnSave"));
    mnClear = new QAction(QStringLiteral("清除"), this);
    mnClear->setObjectName(QStringLiteral("mnClear"));
    CountMemo->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(CountMemo, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(CountMemo);
        menu.setObjectName(QStringLiteral("PopupMenu1"));
        menu.addAction(mnSave);
        menu.addAction(mnClear);
        menu.exec(CountMemo->mapToGlobal(at));
    });

    connect(mnSave, &QAction::triggered, this, &TFrmTabCount::mnSaveClick);
    connect(mnClear, &QAction::triggered, this, &TFrmTabCount::mnClearClick);

    addRunAction(mnSave);
    addRunAction(mnClear);
}

void TFrmTabCount::mnSaveClick()
{
    const QString fileName = prompts().saveFileName(QStringLiteral("TXT"), QStringLiteral("文本文件 (*.TXT)"));
    if (fileName.isEmpty())
        return;
    const QString error = saveReportFile(fileName, CountMemo->lines());
    if (!error.isEmpty())
        prompts().message(QStringLiteral("统计报告未能保存到文件") + QDir::toNativeSeparators(fileName)
                + QStringLiteral("：") + error,
            QStringLiteral("提示"), PromptIcon::Error, PromptButtons::Ok);
}

void TFrmTabCount::mnClearClick() { CountMemo->clear(); }

