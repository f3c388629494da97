#include "maintenance/ui/drop_temp_form.h"

#include "maintenance/temp_table_purge.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TFrmDropTemp::TFrmDropTemp(TEndYearDataMod& dataModule, QWidget* owner)
    : FunctionWindow(dataModule, owner)
{
    setObjectName(QStringLiteral("FrmDropTemp"));
    setWindowTitle(QStringLiteral("报表临时表清除"));
    resize(420, 190);

    Label1 = new QLabel(QStringLiteral(
        "    临时表是各个系统使用过程中产生的，如果数量过多，可能会影响到系统月末存档、年结。"
        "临时表的清除并不影响报表系统正常使用。清除前请保证各个系统已经退出。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    CheckLocal = new QCheckBox(QStringLiteral("只清除本机临时表"), this);
    CheckLocal->setObjectName(QStringLiteral("CheckLocal"));
    addRunWidget(CheckLocal);

    BtnDropTemp = addRunButton(QStringLiteral("BtnDropTemp"), QStringLiteral("清除"), [this] {
        TempTablePurgeJob(jobContext(), {.checkLocal = CheckLocal->isChecked()}).run();
    });
    BtnClose = addCloseButton();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(CheckLocal);
    layout->addStretch();
    layout->addLayout(buttonRow());
}
