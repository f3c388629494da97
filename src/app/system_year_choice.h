#pragma once
#include <QString>
#include <QWidget>

class QCheckBox;
class QGroupBox;
class QRadioButton;
class QSpinBox;

// The choice of system and year that the function windows share: an optional check box
// "报表管理" / "报表汇总" (ticked), a group "当前年度" / "历史年度" (the first selected) and a
// year spin edit 1990..2050 (2002) that is enabled only while "历史年度" is selected.
// The widgets are named after the system: BBCheckBox, BBGroup, BBYearSpin (HZ... likewise);
// without a system there is no check box and the names are YearGroup and YearSpin.
class SystemYearChoice : public QWidget {
    Q_OBJECT
public:
    // system: "BB" (报表管理), "HZ" (报表汇总) or empty for the year choice alone.
    explicit SystemYearChoice(const QString& system = {}, QWidget* parent = nullptr);

    QCheckBox* checkBox() const { return m_check; } // nullptr without a system
    QGroupBox* group() const { return m_group; }
    QRadioButton* currentItem() const { return m_current; }
    QRadioButton* historicalItem() const { return m_historical; }
    QSpinBox* yearSpin() const { return m_spin; }

    // Ticked, or true when there is no check box.
    bool isChosen() const;
    bool isHistorical() const;
    int selectedItem() const { return isHistorical() ? 1 : 0; }
    void setSelectedItem(int item);
    void setYear(int year);
    // Empty for the current year, the four digits of the spin edit for a historical one.
    QString yearSuffix() const;

signals:
    // The group's selection changed (the handler named ...GroupClick).
    void groupClicked(int item);

private:
    void groupClick();

    QCheckBox* m_check = nullptr;
    QGroupBox* m_group = nullptr;
    QRadioButton* m_current = nullptr;
    QRadioButton* m_historical = nullptr;
    QSpinBox* m_spin = nullptr;
};
