#pragma once
#include "app/run_guard.h"
#include "data_module/job_context.h"

#include <QDialog>
#include <functional>

class QBoxLayout;
class QHBoxLayout;
class QPushButton;
class QTabWidget;
class ReportMemo;
class TEndYearDataMod;

// Base of every function window: a modal dialog owned by the main window, with the run
// guard, the job context, and builders for the pieces every window has.
//
// A window is its widgets plus one line per action:
//     addRunButton("BtnDropTemp", "清除", [this] { TempTablePurgeJob(jobContext(), options()).run(); });
//     addCloseButton("BtnClose");
//     layout->addLayout(buttonRow());
//
// Closing policy, the same for every window: while a run is in progress the window stays;
// a close asked for meanwhile (its Close or Cancel button, Escape, the title bar) is carried
// out as soon as the run has ended. A window is never destroyed under a running step.
class FunctionWindow : public QDialog {
    Q_OBJECT
public:
    // Without a data module: no job context (tests of the kit itself).
    explicit FunctionWindow(QWidget* owner = nullptr);
    FunctionWindow(TEndYearDataMod& dataModule, QWidget* owner);

    RunGuard& guard() { return m_guard; }
    bool running() const { return m_guard.running(); }

    // Runs body as one guarded run; refused while another run is in progress. A database
    // error that the job does not catch ends the run in the standard error box. A close
    // asked for during the run follows after it.
    void runGuarded(const std::function<void()>& body);

    // Progress windows owned by this window.
    ProgressFactory progressWindows();
    // The connection, its state, the guard's events, this window's progress windows, the
    // prompt service and the clock. Needs the data module.
    JobContext jobContext();
    TEndYearDataMod& dataModule();
    // The clock of the report lines (tests fix it).
    void setClock(JobClock clock) { m_clock = std::move(clock); }
    const JobClock& clock() const { return m_clock; }

    // The right-aligned row of buttons, created on first use; the window puts it in place.
    QHBoxLayout* buttonRow();
    // A push button (object name, caption) in the button row or in the given layout;
    // clicking it runs action as one guarded run, and it is disabled while a run is in
    // progress.
    QPushButton* addRunButton(const QString& objectName, const QString& caption,
        std::function<void()> action, QBoxLayout* where = nullptr);
    // The button that closes the window (after the run, when one is in progress).
    QPushButton* addCloseButton(const QString& objectName = QStringLiteral("BtnClose"),
        const QString& caption = QStringLiteral("关闭"), QBoxLayout* where = nullptr);
    // A page of pages that holds only a report memo (read-only, both scroll bars).
    ReportMemo* addReportPage(QTabWidget* pages, const QString& pageName, const QString& caption,
        const QString& memoName);
    // Widgets and actions (options, menu entries) disabled while a run is in progress.
    void addRunWidget(QWidget* widget) { m_guard.addRunWidget(widget); }
    void addRunAction(QAction* action) { m_guard.addRunAction(action); }

    // Whether a close was asked for during the run in progress.
    bool closeRequested() const { return m_closeRequested; }
    void done(int result) override;

private:
    TEndYearDataMod* m_dm = nullptr;
    RunGuard m_guard;
    JobClock m_clock = systemClock;
    QHBoxLayout* m_buttonRow = nullptr;
    bool m_closeRequested = false;
    int m_closeResult = 0;
};
