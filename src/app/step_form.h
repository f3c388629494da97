#pragma once
#include "data_module/sinks.h"

#include <QDialog>

class BusyAnimation;
class QLabel;
class QProgressBar;

// The progress window of long runs: always on top, no title-bar buttons, a busy
// animation, one line of text and a bar. It has no logic; the running function drives
// it through the progress-sink interface and frees it when the pass is done.
class TStepForm : public QDialog, public ProgressSink {
    Q_OBJECT
public:
    explicit TStepForm(QWidget* owner = nullptr);

    BusyAnimation* Animate;
    QLabel* RebuildLabel;
    QProgressBar* RebuildBar;

    void setLabel(const QString& text) override;
    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;
    // One step forward (never past the maximum), then pending events are processed so
    // that the window repaints.
    void step() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_freeing = false;
    friend void FreeStepForm();
};

// The one shared progress window; nullptr while none exists.
extern TStepForm* StepForm;

// Creates the shared window owned by `owner`, shows it without blocking and returns it
// (an earlier one is freed first).
TStepForm* ShowStepForm(QWidget* owner);
// Closes and frees the shared window, if any.
void FreeStepForm();

// The window for the length of a scope: one pass of a run.
class StepFormPass {
public:
    explicit StepFormPass(QWidget* owner) : m_form(ShowStepForm(owner)) {}
    ~StepFormPass() { FreeStepForm(); }
    StepFormPass(const StepFormPass&) = delete;
    StepFormPass& operator=(const StepFormPass&) = delete;
    TStepForm* form() const { return m_form; }
    TStepForm* operator->() const { return m_form; }

private:
    TStepForm* m_form;
};
