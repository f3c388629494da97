#pragma once
#include "app/function_window.h"
#include "cleanup/cleanup_sinks.h"
#include "cleanup/cleanup_state.h"
#include "data_module/report_system.h"

#include <array>
#include <memory>

class QVBoxLayout;
class QCheckBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;
class ReportMemo;
class Review;
class ReviewPanel;
class SystemYearChoice;
class WizardAnimation;

// The duplicate-data cleanup wizard: year choice, check, automatic cleanup, manual review
// and write-back on six pages, for the system the main window chose (SystemSelector and
// TableNames of the connection state are filled before the window is created).
//
// Every step is one guarded run of the function window: while it runs, the Next buttons,
// the year choice, the options and the review buttons are disabled, and Cancel, Escape or
// the title bar's close are carried out after the step has ended.
class TFrmDataOpti : public FunctionWindow {
    Q_OBJECT
public:
    TFrmDataOpti(QWidget* owner, TEndYearDataMod& dm);
    ~TFrmDataOpti() override;

    CleanupState& cleanupState() { return m_state; }
    bool checkDone() const { return m_checkDone; }
    bool stepRunning() const { return running(); }
    int currentPage() const;

    // Handlers
    void BtnStep0NextClick();
    void BtnStep1NextClick();
    void BtnStep2NextClick();
    void BtnStep3NextClick();
    void BtnStep4NextClick();
    void BtnStep5NextClick();
    void BtnCancelClick();

    // Pages and their controls (object names as the components are called).
    QStackedWidget* Pages = nullptr;
    std::array<QWidget*, 6> Step{};
    std::array<QPushButton*, 6> BtnNext{};     // BtnStep0Next .. BtnStep5Next
    std::array<QPushButton*, 6> BtnCancel{};   // BtnStep0Cancel .. BtnStep5Cancel
    SystemYearChoice* YearChoice = nullptr;
    // The parts of YearChoice: YearGroup, its two items and YearSpin.
    QGroupBox* YearGroup = nullptr;
    QRadioButton* YearCurrent = nullptr;
    QRadioButton* YearHistorical = nullptr;
    QSpinBox* YearSpin = nullptr;
    std::array<QLabel*, 5> ClassLabels{};      // LabHZD .. LabHZSJ
    WizardAnimation* Animate = nullptr;
    QProgressBar* CheckDirtyBar = nullptr;
    QTreeWidget* LvDirty = nullptr;
    QCheckBox* ChkDYZD = nullptr;
    WizardAnimation* OptiAnimate = nullptr;
    ReportMemo* AutoOptiLogMemo = nullptr;
    QProgressBar* AutoOptiBar = nullptr;
    QProgressBar* DeleteDYZDBar = nullptr;
    ReviewPanel* ReviewPage = nullptr;     // holds PageOpti
    QCheckBox* ChkWarning = nullptr;
    ReportMemo* BatchAppendMemo = nullptr;
    QProgressBar* BatchAppendBar = nullptr;
    QProgressBar* DeleteDirtyBar = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Page building (frm_data_opti_pages.cpp).
    void buildPages();
    QWidget* buildStep0();
    QWidget* buildStep1();
    QWidget* buildStep2();
    QWidget* buildStep3();
    QWidget* buildStep4();
    QWidget* buildStep5();
    QWidget* bottomStrip(int page, QWidget* left = nullptr);
    QVBoxLayout* framedPage(QWidget* page, int index, const QString& headerText, QWidget* left = nullptr);
    QWidget* pictureStrip();

    // The flow (frm_data_opti.cpp).
    void showPage(int page);
    void prepareStep5();

    TEndYearDataMod& m_dm;
    ReportSystem m_system = ReportSystem::Management;
    CleanupState m_state;
    bool m_checkDone = false;
    bool m_writtenBack = false;   // the last page's button now closes the window
    bool m_centred = false;
    std::unique_ptr<Review> m_review;
    struct Sinks;
    std::unique_ptr<Sinks> m_sinks;
};

// For the main window's dispatch table: the wizard for the system the connection state
// holds, owned by owner. The caller sets the caption and shows it modally.
QDialog* createDataOptiWindow(QWidget* owner, TEndYearDataMod& dm);
