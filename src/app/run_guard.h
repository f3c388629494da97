#pragma once
#include "data_module/sinks.h"

#include <QList>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QWidget;

// Keeps a function window whole while a run is in progress: the run's buttons, actions and
// options are disabled, the window stays open (see FunctionWindow), and pending
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
