#include "app/run_guard.h"

#include "app/prompt_service.h"
#include "app/step_form.h"
#include "data_module/database_error.h"

#include <QAction>
#include <QCoreApplication>
#include <QWidget>

void RunGuard::addRunWidget(QWidget* widget) { m_widgets.append(widget); }

void RunGuard::addRunAction(QAction* action) { m_actions.append(action); }

void RunGuard::processEvents() { QCoreApplication::processEvents(); }

RunGuard::Run::Run(RunGuard& guard)
    : m_guard(guard)
{
    if (guard.m_running)
        return;
    guard.m_running = true;
    m_started = true;
    for (const QPointer<QWidget>& w : guard.m_widgets) {
        if (w && w->isEnabled()) {
            w->setEnabled(false);
            m_disabledWidgets.append(w);
        }
    }
    for (const QPointer<QAction>& a : guard.m_actions) {
        if (a && a->isEnabled()) {
            a->setEnabled(false);
            m_disabledActions.append(a);
        }
    }
}

RunGuard::Run::~Run()
{
    if (!m_started)
        return;
    for (const QPointer<QWidget>& w : m_disabledWidgets)
        if (w)
            w->setEnabled(true);
    for (const QPointer<QAction>& a : m_disabledActions)
        if (a)
            a->setEnabled(true);
    m_guard.m_running = false;
}

namespace {
// The shared progress window for one pass; freed with the sink.
class StepFormSink : public ProgressSink {
public:
    explicit StepFormSink(QWidget* owner) : m_pass(owner) {}
    void setLabel(const QString& text) override
    {
        if (TStepForm* f = form())
            f->setLabel(text);
    }
    void setRange(int minimum, int maximum) override
    {
        if (TStepForm* f = form())
            f->setRange(minimum, maximum);
    }
    void setPosition(int position) override
    {
        if (TStepForm* f = form())
            f->setPosition(position);
    }
    void step() override
    {
        if (TStepForm* f = form())
            f->step();
    }

private:
    // Gone when its owner was freed or another pass replaced it.
    TStepForm* form() const { return StepForm == m_pass.form() ? StepForm : nullptr; }
    StepFormPass m_pass;
};
}

FunctionWindow::FunctionWindow(QWidget* owner)
    : QDialog(owner)
{
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

void FunctionWindow::runGuarded(const std::function<void()>& body)
{
    RunGuard::Run run(m_guard);
    if (!run.started())
        return;
    try {
        body();
    } catch (const DatabaseError& error) {
        prompts().databaseError(error);
    }
}

ProgressFactory FunctionWindow::progressWindows()
{
    return [this]() -> std::unique_ptr<ProgressSink> { return std::make_unique<StepFormSink>(this); };
}

void FunctionWindow::done(int result)
{
    // Escape, the Close button and the title bar all end here.
    if (m_guard.running())
        return;
    QDialog::done(result);
}
