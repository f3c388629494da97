#include "maintenance/drop_temp_form.h"

#include "data_module/end_year_data_mod.h"
#include "maintenance/temp_table_purge.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TFrmDropTemp::TFrmDropTemp(TEndYearDataMod& dataModule, QWidget* owner)
    : FunctionWindow(owner), m_dm(dataModule)
{
    setObjectName(QStringLiteral("FrmDropTemp"));
    setWindowTitle(QStringLiteral("报表临时表清除"));
    resize(420, 190);

    BtnDropTemp = new QPushButton(QStringLiteral("清除"), this);
    BtnDropTemp->setObjectName(QStringLiteral("BtnDropTemp"));
    BtnClose = new QPushButton(QStringLiteral("关闭"), this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    Label1 = new QLabel(QStringLiteral(
        "    临时表是各个系统使用过程中产生的，如果数量过多，可能会影响到系统月末存档、年结。"
        "临时表的清除并不影响报表系统正常使用。清除前请保证各个系统已经退出。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    CheckLocal = new QCheckBox(QStringLiteral("只清除本机临时表"), this);
    CheckLocal->setObjectName(QStringLiteral("CheckLocal"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(CheckLocal);
    layout->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnDropTemp);
    buttons->addWidget(BtnClose);
    layout->addLayout(buttons);

    connect(BtnDropTemp, &QPushButton::clicked, this, &TFrmDropTemp::BtnDropTempClick);
    connect(BtnClose, &QPushButton::clicked, this, &TFrmDropTemp::BtnCloseClick);
    guard().addRunWidget(BtnDropTemp);
    guard().addRunWidget(BtnClose);
    guard().addRunWidget(CheckLocal);
}

void TFrmDropTemp::BtnDropTempClick()
{
    runGuarded([this] {
        TempTablePurgeJob job(m_dm.mast, m_dm.state, guard(), progressWindows());
        job.setCheckLocal(CheckLocal->isChecked());
        job.run();
    });
}

void TFrmDropTemp::BtnCloseClick() { reject(); }
