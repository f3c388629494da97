// The wizard's six pages: their widgets, texts and layout. The flow is in frm_data_opti.cpp.
#include "cleanup/ui/frm_data_opti.h"

#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "cleanup/ui/frm_data_opti_animation.h"
#include "cleanup/ui/review_panel.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// Memo text: every line followed by an empty line.
QString spacedLines(const QStringList& lines)
{
    QStringList out;
    for (const QString& l : lines)
        out << l << QString();
    return out.join(QLatin1Char('\n'));
}

// A read-only text of a page (wrapped, no frame).
QPlainTextEdit* textMemo(QWidget* parent, const QString& name, const QStringList& lines)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setPlainText(spacedLines(lines));
    memo->setFrameShape(QFrame::NoFrame);
    return memo;
}

// A log memo of a page: read-only, no wrapping, both scroll bars.
ReportMemo* logMemo(QWidget* parent, const QString& name)
{
    auto* memo = new ReportMemo(parent);
    memo->setObjectName(name);
    return memo;
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
    addRunWidget(next);
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

    auto* memo = textMemo(page, QStringLiteral("WelcomeMemo"), {
        QStringLiteral("    该向导将帮助您一步步完成报表系统重复数据的清理，如果"),
        QStringLiteral("您的系统存在以下问题，建议您运行向导进行数据检查并对重复"),
        QStringLiteral("数据进行清理。"),
        QStringLiteral("   （1）打开、保存、校验报表速度非常慢；"),
        QStringLiteral("   （2）汇总报表无法接收下级单位上报的数据；"),
        QStringLiteral("   （3）报表汇总后汇总数据数据翻倍；"),
        QStringLiteral("   （4）其他报表运行速度缓慢的现象。"),
    });

    auto* warning = new QLabel(QStringLiteral("强烈建议您在进行数据清理之前备份数据。"), page);
    warning->setObjectName(QStringLiteral("WarningLabel"));
    QPalette p = warning->palette();
    p.setColor(QPalette::WindowText, QColor(255, 0, 0));
    warning->setPalette(p);

    YearChoice = new SystemYearChoice({}, page);
    YearGroup = YearChoice->group();
    YearGroup->setTitle(QStringLiteral("请选择进行清理的年度"));
    YearCurrent = YearChoice->currentItem();
    YearHistorical = YearChoice->historicalItem();
    YearSpin = YearChoice->yearSpin();
    addRunWidget(YearChoice);

    auto* right = new QVBoxLayout;
    right->setContentsMargins(10, 10, 10, 6);
    right->addWidget(title);
    right->addWidget(memo, 1);
    right->addWidget(warning);
    right->addWidget(YearChoice);
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
    auto* memo = textMemo(page, QStringLiteral("CheckMemo"), {
        QStringLiteral("    请点击“下一步”进行数据检查。对于报表系统，向导将检查"),
        QStringLiteral("报表行字典、列字典、单元字典三类数据；对于报表汇总，向导 将"),
        QStringLiteral("检查报表行字典、列字典、单元字典、单位数据、汇总数据五类数"),
        QStringLiteral("据。这将进行一段时间，时间视您的系统数据量而定。"),
        QStringLiteral("    如果检查没有发现重复数据或整理完毕后报表系统使用过程中"),
        QStringLiteral("仍然十分慢，请运行报表系统索引重建功能重建索引。"),
    });

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
    addRunWidget(ChkDYZD);

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
    AutoOptiLogMemo = logMemo(page, QStringLiteral("AutoOptiLogMemo"));
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
    ReviewPage = new ReviewPanel(*m_review, ChkWarning, [this](const std::function<void()>& body) { runGuarded(body); },
        page);
    ReviewPage->setObjectName(QStringLiteral("ReviewPage"));
    for (QWidget* w : ReviewPage->stepWidgets())
        addRunWidget(w);

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
    BatchAppendMemo = logMemo(page, QStringLiteral("BatchAppendMemo"));
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
