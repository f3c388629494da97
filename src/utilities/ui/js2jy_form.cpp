#include "utilities/ui/js2jy_form.h"

#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "utilities/formula_conversion.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TJs2JyForm::TJs2JyForm(TEndYearDataMod& dataModule, QWidget* owner)
    : FunctionWindow(dataModule, owner)
{
    setObjectName(QStringLiteral("Js2JyForm"));
    setWindowTitle(QStringLiteral("计算公式另存为校验公式   注意：本功能只适用于roru用户！"));
    resize(520, 360);

    auto* layout = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1);

    auto* savePage = new QWidget;
    savePage->setObjectName(QStringLiteral("TabSave"));
    auto* pageLayout = new QVBoxLayout(savePage);
    auto* choices = new QHBoxLayout;
    BBChoice = new SystemYearChoice(QStringLiteral("BB"), savePage);
    HZChoice = new SystemYearChoice(QStringLiteral("HZ"), savePage);
    addRunWidget(BBChoice);
    addRunWidget(HZChoice);
    choices->addWidget(BBChoice);
    choices->addWidget(HZChoice);
    pageLayout->addLayout(choices);
    pageLayout->addStretch();
    ReDefButton = addRunButton(QStringLiteral("ReDefButton"), QStringLiteral("另存"), [this] { ReDefButtonClick(); });
    CloseButton = addCloseButton(QStringLiteral("CloseButton"));
    pageLayout->addLayout(buttonRow());
    PageControl1->addTab(savePage, QStringLiteral("另存操作"));

    SaveMemo = addReportPage(PageControl1, QStringLiteral("TabReport"), QStringLiteral("另存报告"),
        QStringLiteral("SaveMemo"));
}

void TJs2JyForm::ReDefButtonClick()
{
    FormulaConversionJob(jobContext(),
        {.management = {BBChoice->isChosen(), BBChoice->yearSuffix()},
            .summary = {HZChoice->isChosen(), HZChoice->yearSuffix()}},
        *SaveMemo)
        .run();
}
