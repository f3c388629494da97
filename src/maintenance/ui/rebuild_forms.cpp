#include "maintenance/ui/rebuild_forms.h"

#include "app/report_memo.h"
#include "app/system_year_choice.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

RebuildForm::RebuildForm(TEndYearDataMod& dataModule, QWidget* owner, const QString& caption)
    : FunctionWindow(dataModule, owner)
{
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(440, 330);

    auto* layout = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1);

    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* first = new QVBoxLayout(TabSheet1);
    Bevel1 = new QFrame(TabSheet1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::StyledPanel);
    Bevel1->setFrameShadow(QFrame::Sunken);
    auto* choices = new QHBoxLayout(Bevel1);
    BBChoice = new SystemYearChoice(QStringLiteral("BB"), Bevel1);
    HZChoice = new SystemYearChoice(QStringLiteral("HZ"), Bevel1);
    choices->addWidget(BBChoice);
    choices->addWidget(HZChoice);
    addRunWidget(BBChoice);
    addRunWidget(HZChoice);
    first->addWidget(Bevel1);
    first->addStretch();

    Panel1 = new QFrame(TabSheet1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* panel = new QHBoxLayout(Panel1);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addLayout(buttonRow());
    first->addWidget(Panel1);
    PageControl1->addTab(TabSheet1, caption);

    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    auto* second = new QVBoxLayout(TabSheet2);
    Splitter1 = new QSplitter(Qt::Vertical, TabSheet2);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    BBRebuildMemo = new ReportMemo(Splitter1);
    BBRebuildMemo->setObjectName(QStringLiteral("BBRebuildMemo"));
    HZRebuildMemo = new ReportMemo(Splitter1);
    HZRebuildMemo->setObjectName(QStringLiteral("HZRebuildMemo"));
    Splitter1->addWidget(BBRebuildMemo);
    Splitter1->addWidget(HZRebuildMemo);
    second->addWidget(Splitter1);
    PageControl1->addTab(TabSheet2, QStringLiteral("重建报告"));
    PageControl1->setCurrentIndex(0);
}

QPushButton* RebuildForm::addButtons(const QString& objectName, std::function<void()> action)
{
    QPushButton* button = addRunButton(objectName, QStringLiteral("重建"), std::move(action));
    CloseButton = addCloseButton(QStringLiteral("CloseButton"));
    return button;
}

RebuildOptions RebuildForm::options() const
{
    return {BBChoice->isChosen(), BBChoice->yearSuffix(), HZChoice->isChosen(), HZChoice->yearSuffix()};
}

TReIndexForm::TReIndexForm(TEndYearDataMod& dataModule, QWidget* owner)
    : RebuildForm(dataModule, owner, QStringLiteral("索引重建")), m_indexes(ReadIndexLists())
{
    setObjectName(QStringLiteral("ReIndexForm"));
    ReIndexButton = addButtons(QStringLiteral("ReIndexButton"), [this] {
        IndexRebuildJob(jobContext(), m_indexes, options(), *BBRebuildMemo, *HZRebuildMemo).run();
    });
}

TReDefaForm::TReDefaForm(TEndYearDataMod& dataModule, QWidget* owner)
    : RebuildForm(dataModule, owner, QStringLiteral("默认值重建")), m_defaults(ReadDefaultLists())
{
    setObjectName(QStringLiteral("ReDefaForm"));
    ReDefButton = addButtons(QStringLiteral("ReDefButton"), [this] {
        DefaultRebuildJob(jobContext(), m_defaults, options(), *BBRebuildMemo, *HZRebuildMemo).run();
    });
}
