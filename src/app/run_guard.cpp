#include "app/run_guard.h"


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
