#include "cleanup/ui/frm_data_opti.h"

#include "app/bar_sink.h"
#include "app/prompt_service.h"
#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "cleanup/auto_cleanup.h"
#include "cleanup/duplicate_check.h"
#include "cleanup/review.h"
#include "cleanup/ui/frm_data_opti_animation.h"
#include "cleanup/ui/frm_data_opti_sinks.h"
#include "cleanup/ui/review_panel.h"
#include "cleanup/write_back.h"
#include "cleanup/write_back_backup.h"
#include "data_module/end_year_data_mod.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStackedWidget>

void initCleanupResources()
{
    Q_INIT_RESOURCE(cleanup);
}

struct TFrmDataOpti::Sinks {
    explicit Sinks(TFrmDataOpti& w)
        : labels(w.ClassLabels), checkBar(w.CheckDirtyBar), list(w.LvDirty), autoBar(w.AutoOptiBar),
          rowBar(w.DeleteDYZDBar), batchBar(w.BatchAppendBar), deleteBar(w.DeleteDirtyBar)
    {
    }
    LabelSink labels;
    BarSink checkBar;
    ListSink list;
    BarSink autoBar;
    BarSink rowBar;
    BarSink batchBar;
    BarSink deleteBar;
};

TFrmDataOpti::TFrmDataOpti(QWidget* owner, TEndYearDataMod& dm)
    : FunctionWindow(dm, owner), m_dm(dm), m_system(systemOfSelector(dm.state.SystemSelector))
{
    initCleanupResources();
    setObjectName(QStringLiteral("FrmDataOpti"));
    setWindowTitle(QStringLiteral("系统清理"));
    setMinimumSize(580, 460);
    resize(580, 460);

    m_review = std::make_unique<Review>(dm, m_state, prompts(), [this] { return clock()(); });
    buildPages();
    m_sinks = std::make_unique<Sinks>(*this);

    // FormCreate
    const QList<const DataClass*> classes = dataClassesOf(m_system);
    for (const DataClass& c : allDataClasses()) {
        QLabel* l = ClassLabels.at(static_cast<size_t>(c.index()));
        l->setText(c.initialLabel);
        l->setVisible(classes.contains(&c));
    }
    showPage(0);
}

TFrmDataOpti::~TFrmDataOpti() = default;

int TFrmDataOpti::currentPage() const { return Pages->currentIndex(); }

void TFrmDataOpti::showPage(int page)
{
    Pages->setCurrentIndex(page);
    BtnNext.at(static_cast<size_t>(page))->setDefault(true);
}

void TFrmDataOpti::showEvent(QShowEvent* event)
{
    FunctionWindow::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        if (QScreen* s = screen())
            move(s->availableGeometry().center() - rect().center());
    }
}

void TFrmDataOpti::BtnCancelClick() { reject(); }

void TFrmDataOpti::BtnStep0NextClick()
{
    runGuarded([this] {
        // The year's names of the system, from the names without suffix.
        m_dm.state.TableNames = tableNamesFor(m_system, m_dm.state.DatabaseKind, YearChoice->yearSuffix());
        if (m_dm.ReportTableExists())
            showPage(1);
        else
            prompts().message(QStringLiteral("该年度没有数据，请重新指定会计年度！"), QStringLiteral("提示"),
                PromptIcon::Error, PromptButtons::Ok);
    });
}

void TFrmDataOpti::BtnStep1NextClick()
{
    runGuarded([this] {
        if (m_checkDone) {
            m_checkDone = false;
            showPage(2);
            return;
        }
        Animate->show();
        Animate->start();
        const auto stop = qScopeGuard([this] {
            Animate->stop();
            Animate->hide();
        });
        m_dm.DropWorkingTables();
        m_dm.CreateWorkingTables();
        m_dm.CreateWorkingIndexes();
        DuplicateCheck check(m_dm, m_state, CheckSinks{m_sinks->labels, m_sinks->checkBar, m_sinks->list, guard()});
        check.CheckAllClasses();
        if (m_state.DuplicatesRemain(m_system)) {
            m_checkDone = true;
            return;
        }
        prompts().message(QStringLiteral("恭喜恭喜，经检查，系统未发现重复数据！"), QStringLiteral("提示"),
            PromptIcon::Information, PromptButtons::Ok);
        reject();   // after the step
    });
}

void TFrmDataOpti::BtnStep2NextClick()
{
    runGuarded([this] {
        if (prompts().message(QStringLiteral("确认清理数据吗？"), QStringLiteral("提示"), PromptIcon::Question,
                PromptButtons::YesNo)
            != PromptAnswer::Yes)
            return;
        showPage(3);
        OptiAnimate->start();
        const auto stop = qScopeGuard([this] { OptiAnimate->stop(); });
        AutoCleanup cleanup(m_dm, m_state,
            AutoCleanSinks{*AutoOptiLogMemo, m_sinks->autoBar, m_sinks->rowBar, guard()}, clock());
        cleanup.setRemoveIllegal(ChkDYZD->isChecked());
        cleanup.AutoCleanAll();
        m_sinks->autoBar.toMaximum();
        m_sinks->rowBar.toMaximum();
    });
}

void TFrmDataOpti::BtnStep3NextClick()
{
    runGuarded([this] {
        if (!m_state.DuplicatesRemain(m_system)) {
            prepareStep5();
            showPage(5);
            return;
        }
        ReviewPage->hideAllTabs();
        const QList<DataClassId> shown = m_review->Prepare(*AutoOptiLogMemo, m_sinks->autoBar, guard());
        ReviewPage->showTabs(shown);
        m_sinks->autoBar.toMaximum();
        showPage(4);
    });
}

void TFrmDataOpti::BtnStep4NextClick()
{
    runGuarded([this] {
        if (m_state.DuplicatesRemain(m_system)) {
            prompts().message(QStringLiteral("请确认系统已经没有重复数据！"), QStringLiteral("提示"), PromptIcon::Error,
                PromptButtons::Ok);
            return;
        }
        prepareStep5();
        showPage(5);
    });
}

void TFrmDataOpti::prepareStep5()
{
    BatchAppendMemo->clear();
    m_sinks->deleteBar.setRange(0, 10);
    m_sinks->deleteBar.setPosition(0);
    m_sinks->batchBar.setRange(0, WriteBack::barMaximum(m_state, systemSelector(m_system)));
    m_sinks->batchBar.setPosition(0);
}

namespace {
// The finish box's note on the run's backup file.
QString finishBackupNote(const WriteBackBackup& backup)
{
    if (backup.savedClasses() == 0)
        return {};
    return QStringLiteral("\n\n写回前被替换的主表数据已备份到：\n") + QDir::toNativeSeparators(backup.fileName())
        + QStringLiteral("\n如需恢复，请使用“重复数据清理写回恢复”功能。");
}
}

void TFrmDataOpti::BtnStep5NextClick()
{
    if (m_writtenBack) {
        reject();
        return;
    }
    runGuarded([this] {
        WriteBack writeBack(m_dm, m_state,
            WriteBackSinks{*BatchAppendMemo, m_sinks->batchBar, m_sinks->deleteBar, guard()}, clock());
        WriteBackBackup backup(WriteBackBackup::defaultFolder(), m_dm.state.AccountSet, systemSelector(m_system));
        writeBack.setBackup(&backup);
        writeBack.WriteBackAll();
        m_writtenBack = true;
        BtnNext[5]->setText(QStringLiteral("完成(&Y)"));
        prompts().message(QStringLiteral("数据清理完毕!") + finishBackupNote(backup), QStringLiteral("提示"),
            PromptIcon::Information, PromptButtons::Ok);
    });
}

QDialog* createDataOptiWindow(QWidget* owner, TEndYearDataMod& dm)
{
    return new TFrmDataOpti(owner, dm);
}
