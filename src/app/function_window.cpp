#include "app/function_window.h"

#include "app/prompt_service.h"
#include "app/report_memo.h"
#include "app/step_form.h"
#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

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

FunctionWindow::FunctionWindow(TEndYearDataMod& dataModule, QWidget* owner)
    : FunctionWindow(owner)
{
    m_dm = &dataModule;
}

void FunctionWindow::runGuarded(const std::function<void()>& body)
{
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
    if (m_closeRequested) {
        m_closeRequested = false;
        QDialog::done(m_closeResult);
    }
}

ProgressFactory FunctionWindow::progressWindows()
{
    return [this]() -> std::unique_ptr<ProgressSink> { return std::make_unique<StepFormSink>(this); };
}

TEndYearDataMod& FunctionWindow::dataModule()
{
    Q_ASSERT(m_dm);
    return *m_dm;
}

JobContext FunctionWindow::jobContext()
{
    TEndYearDataMod& dm = dataModule();
    return JobContext{dm.mast, dm.state, m_guard, progressWindows(), prompts(), m_clock};
}

QHBoxLayout* FunctionWindow::buttonRow()
{
    if (!m_buttonRow) {
        m_buttonRow = new QHBoxLayout;
        m_buttonRow->addStretch();
    }
    return m_buttonRow;
}

QPushButton* FunctionWindow::addRunButton(const QString& objectName, const QString& caption,
    std::function<void()> action, QBoxLayout* where)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(objectName);
    (where ? where : buttonRow())->addWidget(button);
    connect(button, &QPushButton::clicked, this, [this, action = std::move(action)] { runGuarded(action); });
    m_guard.addRunWidget(button);
    return button;
}

QPushButton* FunctionWindow::addCloseButton(const QString& objectName, const QString& caption, QBoxLayout* where)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(objectName);
    (where ? where : buttonRow())->addWidget(button);
    connect(button, &QPushButton::clicked, this, &QDialog::reject);
    return button;
}

ReportMemo* FunctionWindow::addReportPage(QTabWidget* pages, const QString& pageName, const QString& caption,
    const QString& memoName)
{
    auto* page = new QWidget;
    page->setObjectName(pageName);
    auto* layout = new QVBoxLayout(page);
    auto* memo = new ReportMemo(page);
    memo->setObjectName(memoName);
    layout->addWidget(memo);
    pages->addTab(page, caption);
    return memo;
}

void FunctionWindow::done(int result)
{
    // Escape, the Close button and the title bar all end here.
    if (m_guard.running()) {
        m_closeRequested = true;
        m_closeResult = result;
        return;
    }
    QDialog::done(result);
}
