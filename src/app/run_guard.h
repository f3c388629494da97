#pragma once
#include "data_module/sinks.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QWidget;

// Creates and shows a progress window for one pass of a run; destroying the sink closes
// and frees the window. Jobs take one of these so that tests can count the windows.
using ProgressFactory = std::function<std::unique_ptr<ProgressSink>()>;

// Keeps a function window whole while a run is in progress: the run's buttons, actions and
// options are disabled, the window refuses to close (see FunctionWindow), and pending
// events still run between statements so that labels, memos and the progress window
// repaint.
class RunGuard : public EventsHook {
public:
    // Disabled while a run is in progress, restored afterwards.
    void addRunWidget(QWidget* widget);
    void addRunAction(QAction* action);

    bool running() const { return m_running; }

    void processEvents() override;

    // Marks one run for its lifetime. A second run while one is in progress is refused:
    // started() is then false and nothing is changed.
    class Run {
    public:
        explicit Run(RunGuard& guard);
        ~Run();
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;
        bool started() const { return m_started; }

    private:
        RunGuard& m_guard;
        bool m_started = false;
        QList<QPointer<QWidget>> m_disabledWidgets;
        QList<QPointer<QAction>> m_disabledActions;
    };

private:
    QList<QPointer<QWidget>> m_widgets;
    QList<QPointer<QAction>> m_actions;
    bool m_running = false;
};

// Base of the function windows: a modal dialog owned by the main window that holds the
// run guard. While a run is in progress it cannot be closed, neither from the title bar,
// nor with Escape, nor with its own Close button.
class FunctionWindow : public QDialog {
    Q_OBJECT
public:
    explicit FunctionWindow(QWidget* owner = nullptr);

    RunGuard& guard() { return m_guard; }
    bool running() const { return m_guard.running(); }

    // Runs body as one guarded run; refused while another run is in progress. A database
    // error that the job does not catch ends the run in the standard error box.
    void runGuarded(const std::function<void()>& body);

    // Progress windows owned by this window.
    ProgressFactory progressWindows();

    void done(int result) override;

private:
    RunGuard m_guard;
};
