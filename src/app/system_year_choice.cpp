#include "app/system_year_choice.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

SystemYearChoice::SystemYearChoice(const QString& system, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    if (!system.isEmpty()) {
        setObjectName(system + QStringLiteral("Choice"));
        m_check = new QCheckBox(system == QLatin1String("HZ") ? QStringLiteral("报表汇总") : QStringLiteral("报表管理"), this);
        m_check->setObjectName(system + QStringLiteral("CheckBox"));
        m_check->setChecked(true);
        layout->addWidget(m_check);
    } else {
        setObjectName(QStringLiteral("YearChoice"));
    }

    m_group = new QGroupBox(this);
    m_group->setObjectName(system.isEmpty() ? QStringLiteral("YearGroup") : system + QStringLiteral("Group"));
    auto* groupLayout = new QVBoxLayout(m_group);
    m_current = new QRadioButton(QStringLiteral("当前年度"), m_group);
    m_current->setObjectName(m_group->objectName() + QStringLiteral("Item0"));
    m_historical = new QRadioButton(QStringLiteral("历史年度"), m_group);
    m_historical->setObjectName(m_group->objectName() + QStringLiteral("Item1"));
    m_spin = new QSpinBox(m_group);
    m_spin->setObjectName(system + QStringLiteral("YearSpin"));
    m_spin->setRange(1990, 2050);
    m_spin->setValue(2002);
    m_spin->setEnabled(false);

    auto* buttons = new QButtonGroup(this);
    buttons->addButton(m_current, 0);
    buttons->addButton(m_historical, 1);
    m_current->setChecked(true);

    groupLayout->addWidget(m_current);
    auto* historicalRow = new QHBoxLayout;
    historicalRow->addWidget(m_historical);
    historicalRow->addWidget(m_spin);
    historicalRow->addStretch();
    groupLayout->addLayout(historicalRow);
    layout->addWidget(m_group);

    connect(buttons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            groupClick();
    });
}

bool SystemYearChoice::isChosen() const { return !m_check || m_check->isChecked(); }

bool SystemYearChoice::isHistorical() const { return m_historical->isChecked(); }

void SystemYearChoice::setSelectedItem(int item)
{
    (item == 1 ? m_historical : m_current)->setChecked(true);
}

void SystemYearChoice::setYear(int year) { m_spin->setValue(year); }

QString SystemYearChoice::yearSuffix() const
{
    return isHistorical() ? QString::number(m_spin->value()) : QString();
}

void SystemYearChoice::groupClick()
{
    m_spin->setEnabled(isHistorical());
    emit groupClicked(selectedItem());
}
