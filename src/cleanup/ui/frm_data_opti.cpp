#include "cleanup/ui/frm_data_opti.h"

#include "app/prompt_service.h"
#include "cleanup/auto_cleanup.h"
#include "cleanup/duplicate_check.h"
#include "cleanup/ui/frm_data_opti_animation.h"
#include "cleanup/ui/frm_data_opti_sinks.h"
#include "cleanup/review.h"
#include "cleanup/ui/review_panel.h"
#include "cleanup/write_back.h"
#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

void initCleanupResources()
{
    Q_INIT_RESOURCE(cleanup);
}

namespace {
class LabelSink : public ClassLabelSink {
public:
    explicit LabelSink(std::array<QLabel*, 5>& labels) : m_labels(labels) {}
    void setClassLabel(DataClassId id, const QString& text, const QColor& colour) override
    {
        QLabel* l = m_labels.at(static_cast<size_t>(static_cast<int>(id) - 1));
        l->setText(text);
        if (colour.isValid()) {
            QPalette p = l->palette();
            p.setColor(QPalette::WindowText, colour);
            l->setPalette(p);
        }
    }

private:
    std::array<QLabel*, 5>& m_labels;
};

class ListSink : public DirtyListSink {
public:
    explicit ListSink(QTreeWidget* list) : m_list(list) {}
    void clearEntries() override { m_list->clear(); }
    void addEntry(const DirtyEntry& e) override
    {
        auto* item = new QTreeWidgetItem(m_list,
            QStringList{e.reportNumber, e.reportDate, e.reportName, e.className, e.count});
        item->setIcon(0, QIcon(QStringLiteral(":/cleanup/images/class_%1.svg").arg(e.image)));
        item->setData(0, Qt::UserRole, e.image);
    }

private:
    QTreeWidget* m_list;
};

QPlainTextEdit* readOnlyMemo(QWidget* parent, const QString& name, bool wrap)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    if (!wrap) {
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    return memo;
}

// Memo text: every line followed by an empty line.
QString spacedLines(const QStringList& lines)
{
    QStringList out;
    for (const QString& l : lines)
        out << l << QString();
    return out.join(QLatin1Char('\n'));
}

QProgressBar* bar(QWidget* parent, const QString& name)
{
    auto* b = new QProgressBar(parent);
    b->setObjectName(name);
    b->setRange(0, 100);
    b->setValue(0);
    b->setTextVisible(false);
    b->setFixedHeight(16);
    return b;
}

QLabel* header(QWidget* parent, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    l->setMargin(6);
    return l;
}
}

struct TFrmDataOpti::Sinks {
    explicit Sinks(TFrmDataOpti& w)
        : labels(w.ClassLabels), checkBar(w.CheckDirtyBar), list(w.LvDirty), autoLog(w.AutoOptiLogMemo),
          autoBar(w.AutoOptiBar), rowBar(w.DeleteDYZDBar), batchLog(w.BatchAppendMemo), batchBar(w.BatchAppendBar),
          deleteBar(w.DeleteDirtyBar)
    {
    }
    LabelSink labels;
    BarSink checkBar;
    ListSink list;
    MemoSink autoLog;
    BarSink autoBar;
    BarSink rowBar;
    MemoSink batchLog;
    BarSink batchBar;
    BarSink deleteBar;
    PumpEvents events;
};

TFrmDataOpti::TFrmDataOpti(QWidget* owner, TEndYearDataMod& dm) : QDialog(owner), m_dm(dm)
{
    initCleanupResources();
    setObjectName(QStringLiteral("FrmDataOpti"));
    setWindowTitle(QStringLiteral("系统清理"));
    setMinimumSize(580, 460);
    resize(580, 460);

    const TableNameSet& names = dm.state.TableNames;
    m_baseBBZD = names.BBZDName;
    m_baseFormat = names.FormatName;
    m_baseHZD = names.HZDName;
    m_baseLZD = names.LZDName;
    m_baseDYZD = names.DYZDName;
    m_baseDWSJ = names.DWSJName;
    m_baseHZSJ = names.HZSJName;
    m_baseDWZD = names.DWZDName;
    m_baseLBZD = names.LBZDName;

    m_review = std::make_unique<Review>(dm, m_state, [this] { return m_clock(); });
    buildPages();
    m_sinks = std::make_unique<Sinks>(*this);

    // FormCreate
    m_checkDone = false;
    const bool summary = isSummarySystem(dm.state.SystemSelector);
    for (const DataClass& c : allDataClasses()) {
        QLabel* l = ClassLabels.at(static_cast<size_t>(c.index()));
        l->setText(c.initialLabel);
        l->setVisible(summary || !(c.id == DataClassId::DWSJ || c.id == DataClassId::HZSJ));
    }
    showPage(0);
}

TFrmDataOpti::~TFrmDataOpti() = default;

void TFrmDataOpti::buildPages()
{
    Pages = new QStackedWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));
    Step = {buildStep0(), buildStep1(), buildStep2(), buildStep3(), buildStep4(), buildStep5()};
    for (size_t i = 0; i < Step.size(); ++i) {
        Step[i]->setObjectName(QStringLiteral("Step%1").arg(i));
        Pages->addWidget(Step[i]);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Pages);
}

QWidget* TFrmDataOpti::pictureStrip()
{
    auto* picture = new QLabel;
    picture->setObjectName(QStringLiteral("PictureStrip"));
    picture->setPixmap(QIcon(QStringLiteral(":/cleanup/images/wizard_strip.svg")).pixmap(QSize(150, 380)));
    picture->setFixedWidth(150);
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    picture->setStyleSheet(QStringLiteral("background: #7fb2e5;"));
    return picture;
}

QWidget* TFrmDataOpti::bottomStrip(int page, QWidget* left)
{
    auto* strip = new QFrame;
    strip->setFrameShape(QFrame::StyledPanel);
    auto* h = new QHBoxLayout(strip);
    h->setContentsMargins(8, 6, 8, 6);
    if (left)
        h->addWidget(left);
    h->addStretch();
    auto* next = new QPushButton(page == 5 ? QStringLiteral("确定(&Y)") : QStringLiteral("下一步(&N)"), strip);
    next->setObjectName(QStringLiteral("BtnStep%1Next").arg(page));
    auto* cancel = new QPushButton(QStringLiteral("取消(&C)"), strip);
    cancel->setObjectName(QStringLiteral("BtnStep%1Cancel").arg(page));
    cancel->setAutoDefault(false);
    h->addWidget(next);
    h->addWidget(cancel);
    BtnNext[static_cast<size_t>(page)] = next;
    BtnCancel[static_cast<size_t>(page)] = cancel;
    static const std::array<void (TFrmDataOpti::*)(), 6> handlers{&TFrmDataOpti::BtnStep0NextClick,
        &TFrmDataOpti::BtnStep1NextClick, &TFrmDataOpti::BtnStep2NextClick, &TFrmDataOpti::BtnStep3NextClick,
        &TFrmDataOpti::BtnStep4NextClick, &TFrmDataOpti::BtnStep5NextClick};
    connect(next, &QPushButton::clicked, this, handlers.at(static_cast<size_t>(page)));
    connect(cancel, &QPushButton::clicked, this, &TFrmDataOpti::BtnCancelClick);
    return strip;
}

// The frame of pages 2 to 5: an optional header text, a content column, the button strip.
QVBoxLayout* TFrmDataOpti::framedPage(QWidget* page, int index, const QString& headerText, QWidget* left)
{
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    if (!headerText.isEmpty())
        v->addWidget(header(page, headerText));
    auto* inner = new QVBoxLayout;
    inner->setContentsMargins(6, headerText.isEmpty() ? 6 : 0, 6, 6);
    v->addLayout(inner, 1);
    v->addWidget(bottomStrip(index, left));
    return inner;
}

QWidget* TFrmDataOpti::buildStep0()
{
    auto* page = new QWidget;
    auto* title = new QLabel(QStringLiteral("欢迎使用报表系统数据清理向导"), page);
    QFont f = title->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 3);
    title->setFont(f);

    auto* memo = readOnlyMemo(page, QStringLiteral("WelcomeMemo"), true);
    memo->setPlainText(spacedLines({
        QStringLiteral("    该向导将帮助您一步步完成报表系统重复数据的清理，如果"),
        QStringLiteral("您的系统存在以下问题，建议您运行向导进行数据检查并对重复"),
        QStringLiteral("数据进行清理。"),
        QStringLiteral("   （1）打开、保存、校验报表速度非常慢；"),
        QStringLiteral("   （2）汇总报表无法接收下级单位上报的数据；"),
        QStringLiteral("   （3）报表汇总后汇总数据数据翻倍；"),
        QStringLiteral("   （4）其他报表运行速度缓慢的现象。"),
    }));
    memo->setFrameShape(QFrame::NoFrame);

    auto* warning = new QLabel(QStringLiteral("强烈建议您在进行数据清理之前备份数据。"), page);
    warning->setObjectName(QStringLiteral("WarningLabel"));
    QPalette p = warning->palette();
    p.setColor(QPalette::WindowText, QColor(255, 0, 0));
    warning->setPalette(p);

    YearGroup = new QGroupBox(QStringLiteral("请选择进行清理的年度"), page);
    YearGroup->setObjectName(QStringLiteral("YearGroup"));
    YearCurrent = new QRadioButton(QStringLiteral("当前年度"), YearGroup);
    YearCurrent->setObjectName(QStringLiteral("YearCurrent"));
    YearHistorical = new QRadioButton(QStringLiteral("历史年度"), YearGroup);
    YearHistorical->setObjectName(QStringLiteral("YearHistorical"));
    YearCurrent->setChecked(true);
    YearSpin = new QSpinBox(YearGroup);
    YearSpin->setObjectName(QStringLiteral("YearSpin"));
    YearSpin->setRange(1990, 2050);
    YearSpin->setValue(2002);
    YearSpin->setEnabled(false);
    auto* g = new QHBoxLayout(YearGroup);
    g->addWidget(YearCurrent);
    g->addWidget(YearHistorical);
    g->addWidget(YearSpin);
    g->addStretch();
    connect(YearCurrent, &QRadioButton::toggled, this, [this] { YearGroupClick(); });

    auto* right = new QVBoxLayout;
    right->setContentsMargins(10, 10, 10, 6);
    right->addWidget(title);
    right->addWidget(memo, 1);
    right->addWidget(warning);
    right->addWidget(YearGroup);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(pictureStrip());
    body->addLayout(right, 1);
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addLayout(body, 1);
    v->addWidget(bottomStrip(0));
    return page;
}

QWidget* TFrmDataOpti::buildStep1()
{
    auto* page = new QWidget;
    auto* memo = readOnlyMemo(page, QStringLiteral("CheckMemo"), true);
    memo->setPlainText(spacedLines({
        QStringLiteral("    请点击“下一步”进行数据检查。对于报表系统，向导将检查"),
        QStringLiteral("报表行字典、列字典、单元字典三类数据；对于报表汇总，向导 将"),
        QStringLiteral("检查报表行字典、列字典、单元字典、单位数据、汇总数据五类数"),
        QStringLiteral("据。这将进行一段时间，时间视您的系统数据量而定。"),
        QStringLiteral("    如果检查没有发现重复数据或整理完毕后报表系统使用过程中"),
        QStringLiteral("仍然十分慢，请运行报表系统索引重建功能重建索引。"),
    }));
    memo->setFrameShape(QFrame::NoFrame);

    auto* labels = new QVBoxLayout;
    for (const DataClass& c : allDataClasses()) {
        auto* l = new QLabel(page);
        l->setObjectName(QStringLiteral("Lab") + c.base);
        ClassLabels.at(static_cast<size_t>(c.index())) = l;
        labels->addWidget(l);
    }
    Animate = new WizardAnimation(WizardAnimation::Kind::Search, page);
    Animate->setObjectName(QStringLiteral("Animate"));
    Animate->setFixedSize(Animate->sizeHint());
    Animate->hide();
    auto* status = new QHBoxLayout;
    status->addLayout(labels, 1);
    status->addWidget(Animate, 0, Qt::AlignTop);

    CheckDirtyBar = bar(page, QStringLiteral("CheckDirtyBar"));

    auto* right = new QVBoxLayout;
    right->setContentsMargins(10, 10, 10, 6);
    right->addWidget(memo, 1);
    right->addLayout(status);
    right->addSpacing(6);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(pictureStrip());
    body->addLayout(right, 1);
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addLayout(body, 1);
    v->addWidget(CheckDirtyBar);
    v->addWidget(bottomStrip(1));
    return page;
}

QWidget* TFrmDataOpti::buildStep2()
{
    auto* page = new QWidget;
    LvDirty = new QTreeWidget(page);
    LvDirty->setObjectName(QStringLiteral("LvDirty"));
    LvDirty->setRootIsDecorated(false);
    LvDirty->setUniformRowHeights(true);
    LvDirty->setHeaderLabels({QStringLiteral("报表编号"), QStringLiteral("报表日期"), QStringLiteral("报表名称"),
        QStringLiteral("重复内容"), QStringLiteral("重复数量")});
    const int widths[] = {60, 60, 180, 100, 100};
    for (int i = 0; i < 5; ++i)
        LvDirty->setColumnWidth(i, widths[i]);
    LvDirty->setIconSize(QSize(16, 16));

    ChkDYZD = new QCheckBox(QStringLiteral("自动清除行列内码非法的单元格信息(&T)"), page);
    ChkDYZD->setObjectName(QStringLiteral("ChkDYZD"));
    ChkDYZD->setChecked(true);

    framedPage(page, 2, QStringLiteral("经检查，发现以下报表存在重复数据，请点击“下一步”进行数据清理。"), ChkDYZD)
        ->addWidget(LvDirty);
    return page;
}

QWidget* TFrmDataOpti::buildStep3()
{
    auto* page = new QWidget;
    OptiAnimate = new WizardAnimation(WizardAnimation::Kind::Copy, page);
    OptiAnimate->setObjectName(QStringLiteral("OptiAnimate"));
    OptiAnimate->setFixedHeight(OptiAnimate->sizeHint().height());
    AutoOptiLogMemo = readOnlyMemo(page, QStringLiteral("AutoOptiLogMemo"), false);
    AutoOptiBar = bar(page, QStringLiteral("AutoOptiBar"));
    DeleteDYZDBar = bar(page, QStringLiteral("DeleteDYZDBar"));

    auto* inner = framedPage(page, 3, {});
    inner->addWidget(OptiAnimate);
    inner->addWidget(AutoOptiLogMemo, 1);
    inner->addSpacing(4);
    inner->addWidget(AutoOptiBar);
    inner->addSpacing(2);
    inner->addWidget(DeleteDYZDBar);
    return page;
}

QWidget* TFrmDataOpti::buildStep4()
{
    auto* page = new QWidget;
    ChkWarning = new QCheckBox(QStringLiteral("忽略删除警告(&W)"), page);
    ChkWarning->setObjectName(QStringLiteral("ChkWarning"));
    ChkWarning->setChecked(false);
    ReviewPage = new ReviewPanel(*m_review, ChkWarning, [this](const std::function<void()>& body) { runStep(body); },
        page);
    ReviewPage->setObjectName(QStringLiteral("ReviewPage"));

    framedPage(page, 4,
        QStringLiteral("    经过自动清理，仍有部分重复数据未清除，请手工将以下列表中可能不需要的重复数据删除。"
                       "注意：由于删除操作不可逆，请慎重执行，建议对照报表将无效数据删除。"
                       "切记只删除无效数据，保留有效数据，不可全部删除。"),
        ChkWarning)
        ->addWidget(ReviewPage);
    return page;
}

QWidget* TFrmDataOpti::buildStep5()
{
    auto* page = new QWidget;
    BatchAppendMemo = readOnlyMemo(page, QStringLiteral("BatchAppendMemo"), false);
    BatchAppendBar = bar(page, QStringLiteral("BatchAppendBar"));
    DeleteDirtyBar = bar(page, QStringLiteral("DeleteDirtyBar"));

    auto* inner = framedPage(page, 5,
        QStringLiteral("    数据清理完毕，是否将清理的结果反映到正常业务表中?点击“确定”系统将自动更新业务数据，"
                       "点击“取消”放弃所有操作。"));
    inner->addWidget(BatchAppendMemo, 1);
    inner->addSpacing(4);
    inner->addWidget(BatchAppendBar);
    inner->addSpacing(2);
    inner->addWidget(DeleteDirtyBar);
    return page;
}

int TFrmDataOpti::currentPage() const { return Pages->currentIndex(); }

void TFrmDataOpti::showPage(int page)
{
    Pages->setCurrentIndex(page);
    BtnNext.at(static_cast<size_t>(page))->setDefault(true);
}

void TFrmDataOpti::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        if (QScreen* s = screen())
            move(s->availableGeometry().center() - rect().center());
    }
}

// --- the one-step-at-a-time guard ------------------------------------------------------

void TFrmDataOpti::setStepWidgetsEnabled(bool on)
{
    for (QPushButton* b : BtnNext)
        b->setEnabled(on);
    for (QWidget* w : ReviewPage->stepWidgets())
        w->setEnabled(on);
    YearGroup->setEnabled(on);
    ChkDYZD->setEnabled(on);
}

void TFrmDataOpti::runStep(const std::function<void()>& body)
{
    if (m_running)
        return;
    m_running = true;
    setStepWidgetsEnabled(false);
    try {
        body();
    } catch (const DatabaseError& e) {
        prompts().databaseError(e);
    }
    setStepWidgetsEnabled(true);
    m_running = false;
    if (m_closeRequested) {
        m_closeRequested = false;
        QDialog::done(QDialog::Rejected);
    }
}

void TFrmDataOpti::requestClose()
{
    if (m_running)
        m_closeRequested = true;
    else
        QDialog::done(QDialog::Rejected);
}

void TFrmDataOpti::done(int result)
{
    if (m_running) {
        m_closeRequested = true;
        return;
    }
    QDialog::done(result);
}

void TFrmDataOpti::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        m_closeRequested = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFrmDataOpti::BtnCancelClick() { requestClose(); }

// --- the pages' handlers ---------------------------------------------------------------

void TFrmDataOpti::YearGroupClick() { YearSpin->setEnabled(YearHistorical->isChecked()); }

void TFrmDataOpti::formYearTableNames(const QString& suffix)
{
    TableNameSet& names = m_dm.state.TableNames;
    names.YearSuffix = suffix;
    names.BBZDName = m_baseBBZD + suffix;
    names.FormatName = m_baseFormat + suffix;
    names.HZDName = m_baseHZD + suffix;
    names.LZDName = m_baseLZD + suffix;
    names.DYZDName = m_baseDYZD + suffix;
    if (isSummarySystem(m_dm.state.SystemSelector)) {
        names.DWSJName = m_baseDWSJ + suffix;
        names.HZSJName = m_baseHZSJ + suffix;
        names.DWZDName = m_baseDWZD + suffix;
        names.LBZDName = m_baseLBZD + suffix;
    }
}

void TFrmDataOpti::BtnStep0NextClick()
{
    runStep([this] {
        const QString suffix = YearHistorical->isChecked() ? QString::number(YearSpin->value()) : QString();
        formYearTableNames(suffix);
        if (m_dm.ReportTableExists())
            showPage(1);
        else
            prompts().message(QStringLiteral("该年度没有数据，请重新指定会计年度！"), QStringLiteral("提示"),
                PromptIcon::Error, PromptButtons::Ok);
    });
}

void TFrmDataOpti::BtnStep1NextClick()
{
    runStep([this] {
        if (m_checkDone) {
            m_checkDone = false;
            showPage(2);
            return;
        }
        Animate->show();
        Animate->start();
        struct StopAnimation {
            WizardAnimation* a;
            ~StopAnimation()
            {
                a->stop();
                a->hide();
            }
        } stop{Animate};
        m_dm.DropWorkingTables();
        m_dm.CreateWorkingTables();
        m_checkDone = false;
        DuplicateCheck check(m_dm, m_state,
            CheckSinks{m_sinks->labels, m_sinks->checkBar, m_sinks->list, m_sinks->events});
        check.CheckAllClasses();
        const bool r = m_state.DuplicatesRemain(m_dm.state.SystemSelector);
        if (r) {
            m_checkDone = true;
            return;
        }
        prompts().message(QStringLiteral("恭喜恭喜，经检查，系统未发现重复数据！"), QStringLiteral("提示"),
            PromptIcon::Information, PromptButtons::Ok);
        m_closeRequested = true;
    });
}

void TFrmDataOpti::BtnStep2NextClick()
{
    runStep([this] {
        if (prompts().message(QStringLiteral("确认清理数据吗？"), QStringLiteral("提示"), PromptIcon::Question,
                PromptButtons::YesNo)
            != PromptAnswer::Yes)
            return;
        showPage(3);
        OptiAnimate->start();
        struct StopAnimation {
            WizardAnimation* a;
            ~StopAnimation() { a->stop(); }
        } stop{OptiAnimate};
        AutoCleanup cleanup(m_dm, m_state,
            AutoCleanSinks{m_sinks->autoLog, m_sinks->autoBar, m_sinks->rowBar, m_sinks->events},
            [this] { return m_clock(); });
        cleanup.setRemoveIllegal(ChkDYZD->isChecked());
        cleanup.AutoCleanAll();
        m_sinks->autoBar.toMaximum();
        m_sinks->rowBar.toMaximum();
    });
}

void TFrmDataOpti::BtnStep3NextClick()
{
    runStep([this] {
        if (!m_state.DuplicatesRemain(m_dm.state.SystemSelector)) {
            prepareStep5();
            showPage(5);
            return;
        }
        ReviewPage->hideAllTabs();
        const QList<DataClassId> shown = m_review->Prepare(m_sinks->autoLog, m_sinks->autoBar, m_sinks->events);
        ReviewPage->showTabs(shown);
        m_sinks->autoBar.toMaximum();
        showPage(4);
    });
}

void TFrmDataOpti::BtnStep4NextClick()
{
    runStep([this] {
        if (m_state.DuplicatesRemain(m_dm.state.SystemSelector)) {
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
    m_sinks->batchBar.setRange(0, WriteBack::barMaximum(m_state, m_dm.state.SystemSelector));
    m_sinks->batchBar.setPosition(0);
}

void TFrmDataOpti::BtnStep5NextClick()
{
    QPushButton* button = BtnNext[5];
    if (button->text() == QStringLiteral("完成(&Y)")) {
        requestClose();
        return;
    }
    runStep([this, button] {
        WriteBack writeBack(m_dm, m_state,
            WriteBackSinks{m_sinks->batchLog, m_sinks->batchBar, m_sinks->deleteBar, m_sinks->events},
            [this] { return m_clock(); });
        writeBack.WriteBackAll();
        button->setText(QStringLiteral("完成(&Y)"));
        prompts().message(QStringLiteral("数据清理完毕!"), QStringLiteral("提示"), PromptIcon::Information,
            PromptButtons::Ok);
    });
}

QDialog* createDataOptiWindow(QWidget* owner, TEndYearDataMod& dm)
{
    return new TFrmDataOpti(owner, dm);
}
