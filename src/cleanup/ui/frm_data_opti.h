#pragma once
#include "cleanup/cleanup_sinks.h"
#include "cleanup/cleanup_state.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class QVBoxLayout;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;
class QGroupBox;
class TEndYearDataMod;
class Review;
class ReviewPanel;
class WizardAnimation;
class BarSink;
class MemoSink;

// The duplicate-data cleanup wizard: year choice, check, automatic cleanup, manual review
// and write-back on six pages, for the system the main window chose (SystemSelector and
// TableNames of the connection state are filled before the window is created).
//
// One step at a time: while a step runs, the Next buttons and the review buttons are
// disabled, and Cancel, Escape or the title bar's close wait until the step has ended.
class TFrmDataOpti : public QDialog {
    Q_OBJECT
public:
    TFrmDataOpti(QWidget* owner, TEndYearDataMod& dm);
    ~TFrmDataOpti() override;

    // The time the log lines are stamped with (tests fix it).
    void setClock(CleanupClock clock) { m_clock = std::move(clock); }

    CleanupState& cleanupState() { return m_state; }
    bool checkDone() const { return m_checkDone; }
    bool stepRunning() const { return m_running; }
    int currentPage() const;

    // Handlers
    void YearGroupClick();
    void BtnStep0NextClick();
    void BtnStep1NextClick();
    void BtnStep2NextClick();
    void BtnStep3NextClick();
    void BtnStep4NextClick();
    void BtnStep5NextClick();
    void BtnCancelClick();

    void done(int result) override;

    // Pages and their controls (object names as the components are called).
    QStackedWidget* Pages;
    std::array<QWidget*, 6> Step{};
    std::array<QPushButton*, 6> BtnNext{};     // BtnStep0Next .. BtnStep5Next
    std::array<QPushButton*, 6> BtnCancel{};   // BtnStep0Cancel .. BtnStep5Cancel
    QGroupBox* YearGroup;
    QRadioButton* YearCurrent;
    QRadioButton* YearHistorical;
    QSpinBox* YearSpin;
    std::array<QLabel*, 5> ClassLabels{};      // LabHZD .. LabHZSJ
    WizardAnimation* Animate;
    QProgressBar* CheckDirtyBar;
    QTreeWidget* LvDirty;
    QCheckBox* ChkDYZD;
    WizardAnimation* OptiAnimate;
    QPlainTextEdit* AutoOptiLogMemo;
    QProgressBar* AutoOptiBar;
    QProgressBar* DeleteDYZDBar;
    ReviewPanel* ReviewPage;     // holds PageOpti
    QCheckBox* ChkWarning;
    QPlainTextEdit* BatchAppendMemo;
    QProgressBar* BatchAppendBar;
    QProgressBar* DeleteDirtyBar;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
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
    void showPage(int page);
    void formYearTableNames(const QString& suffix);
    void prepareStep5();
    // Runs one step: refused while another runs; a database error that reaches here is
    // shown and leaves the page where it was. A close asked for meanwhile follows after.
    void runStep(const std::function<void()>& body);
    void setStepWidgetsEnabled(bool on);
    void requestClose();

    TEndYearDataMod& m_dm;
    CleanupState m_state;
    CleanupClock m_clock = systemClock;
    bool m_checkDone = false;
    bool m_running = false;
    bool m_closeRequested = false;
    bool m_centred = false;
    // The names the window was opened with, before any year suffix.
    QString m_baseBBZD, m_baseFormat, m_baseHZD, m_baseLZD, m_baseDYZD, m_baseDWSJ, m_baseHZSJ, m_baseDWZD,
        m_baseLBZD;
    std::unique_ptr<Review> m_review;
    struct Sinks;
    std::unique_ptr<Sinks> m_sinks;
};

// For the main window's dispatch table: the wizard for the system the connection state
// holds, owned by owner. The caller sets the caption and shows it modally.
QDialog* createDataOptiWindow(QWidget* owner, TEndYearDataMod& dm);
