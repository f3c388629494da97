#include "checks/ui/unit_info_opti_form.h"

#include "app/system_year_choice.h"
#include "checks/unit_info_opti.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TUnitInfoOptiForm::TUnitInfoOptiForm(TEndYearDataMod& dataModule, QWidget* owner)
    : FunctionWindow(dataModule, owner)
{
    setObjectName(QStringLiteral("UnitInfoOptiForm"));
    setWindowTitle(QStringLiteral("单元格不规范数据整理"));
    resize(400, 230);

    BBChoice = new SystemYearChoice(QStringLiteral("BB"), this);
    HZChoice = new SystemYearChoice(QStringLiteral("HZ"), this);
    BBCheckBox = BBChoice->checkBox();
    BBGroup = BBChoice->group();
    BBYearSpin = BBChoice->yearSpin();
    HZCheckBox = HZChoice->checkBox();
    HZGroup = HZChoice->group();
    HZYearSpin = HZChoice->yearSpin();
    addRunWidget(BBChoice);
    addRunWidget(HZChoice);

    OptiButton = addRunButton(QStringLiteral("OptiButton"), QStringLiteral("整理"), [this] { OptiButtonClick(); });
    CloseButton = addCloseButton(QStringLiteral("CloseButton"), QStringLiteral("关闭"));

    auto* layout = new QVBoxLayout(this);
    auto* choices = new QHBoxLayout;
    choices->addWidget(BBChoice);
    choices->addWidget(HZChoice);
    layout->addLayout(choices);
    layout->addStretch();
    layout->addLayout(buttonRow());
}

void TUnitInfoOptiForm::OptiButtonClick()
{
    UnitInfoOptiJob(jobContext(), {.management = BBChoice->isChosen(), .bbSuffix = BBChoice->yearSuffix(),
                                      .summary = HZChoice->isChosen(), .hzSuffix = HZChoice->yearSuffix()})
        .run();
}
