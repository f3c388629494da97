#include "app/main_form.h"

#include "app/connection.h"
#include "data_module/report_system.h"
#include "app/image_list.h"
#include "app/prompt_service.h"
#include "data_module/end_year_data_mod.h"

#include <QAction>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

TMainForm* MainForm = nullptr;

namespace {
struct MenuEntry {
    const char* name;
    const char16_t* text;
    void (TMainForm::*handler)();
};

const MenuEntry MenuEntries[] = {
    {"MnOptiBB", u"报表管理重复数据清理", &TMainForm::MnOptiBBClick},
    {"MnOptiHZ", u"报表汇总重复数据清理", &TMainForm::MnOptiHZClick},
    {"N2", u"报表默认值重建", &TMainForm::ReDefBtnClick},
    {"MnReIndex", u"报表索引重建", &TMainForm::ReIndexBtnClick},
    {"MnDropTemp", u"报表临时表清除", &TMainForm::MnDropTempClick},
    {"DelBBEXmnu", u"扩展表垃圾数据清除", &TMainForm::DelBBEXmnuClick},
    {"mnuCheck", u"年结前数据检查整理", &TMainForm::mnuCheckClick},
    {"N3", u"单元格不规范数据整理", &TMainForm::N3Click},
    {"RegMnu", u"控件注册", &TMainForm::RegMnuClick},
    {"mnJS2JY", u"计算公式另存为校验公式", &TMainForm::mnJS2JYClick},
    {"mnAny", u"单机库报表格式导入导出", &TMainForm::mnAnyClick},
    {"mnCount", u"分模块数据表记录数统计", &TMainForm::mnCountClick},
    {"mnRestore", u"重复数据清理写回恢复", &TMainForm::mnRestoreClick},
    {"CloseMenu", u"退出系统", &TMainForm::CloseMenuClick},
};

struct ToolEntry {
    const char* name;
    int image;            // -1: the separator
    const char16_t* hint; // nullptr: none
    const char* menuEntry; // the menu entry whose action the button runs
};

const ToolEntry ToolEntries[] = {
    {"BtnOptiBB", 2, u"报表管理重复数据清理", "MnOptiBB"},
    {"BtnOptiHZ", 4, u"报表汇总重复数据清理", "MnOptiHZ"},
    {"ReDefBtn", 5, u"报表默认值重建", "N2"},
    {"ReIndexBtn", 0, u"报表索引重建", "MnReIndex"},
    {"DelTMPBtn", 1, u"报表临时表清除", "MnDropTemp"},
    {"ToolButton2", 7, u"报表扩展表（KRBBEX\\HZBBEX）垃圾数据删除", "DelBBEXmnu"},
    {"ToolButton3", 8, u"年结前数据检查整理", "mnuCheck"},
    // Opens the irregular-cell window like the menu entry; it shows no hint.
    {"ToolButton5", 9, nullptr, "N3"},
    {"ToolButton1", 6, u"控件注册", "RegMnu"},
    {"RestoreBtn", 10, u"重复数据清理写回恢复", "mnRestore"},
    {"ToolButton4", -1, nullptr, nullptr},
    {"CloseBtn", 3, u"退出系统", "CloseMenu"},
};
}

TMainForm::TMainForm(TEndYearDataMod& dm, DispatchTable table, QWidget* parent)
    : QMainWindow(parent), ClientArea(new QMdiArea(this)), m_dm(dm), m_table(std::move(table))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Vostrel报表系统数据优化工具 V7.05 "));
    setWindowIcon(programIcon());
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setBackground(QColor(128, 128, 128));
    setCentralWidget(ClientArea);

    buildMenu();
    buildToolBar();

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    auto* panel = new QLabel(status);
    panel->setObjectName(QStringLiteral("StatusPanel0"));
    panel->setFixedWidth(50);
    status->addWidget(panel);
    setStatusBar(status);

    resize(779, 562);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

QStringList TMainForm::menuEntryNames()
{
    QStringList names;
    for (const MenuEntry& e : MenuEntries)
        names << QLatin1String(e.name);
    return names;
}

void TMainForm::buildMenu()
{
    mnTabCount = menuBar()->addMenu(QStringLiteral("功能"));
    mnTabCount->setObjectName(QStringLiteral("mnTabCount"));
    for (const MenuEntry& e : MenuEntries) {
        const QString name = QLatin1String(e.name);
        QAction* a = mnTabCount->addAction(QString::fromUtf16(e.text));
        a->setObjectName(name);
        if (name != u"CloseMenu") {
            const FunctionFactory factory = m_table.value(name);
            a->setEnabled(static_cast<bool>(factory));
        }
        connect(a, &QAction::triggered, this, e.handler);
        m_actions.insert(name, a);
    }
}

void TMainForm::buildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    for (const ToolEntry& e : ToolEntries) {
        if (e.image < 0) {
            auto* gap = new QWidget(ToolBar1);
            gap->setObjectName(QLatin1String(e.name));
            gap->setFixedWidth(8);
            ToolBar1->addWidget(gap);
            continue;
        }
        auto* button = new QToolButton(ToolBar1);
        button->setObjectName(QLatin1String(e.name));
        button->setIcon(imageListIcon(e.image));
        button->setAutoRaise(true);
        if (e.hint)
            button->setToolTip(QString::fromUtf16(e.hint));
        QAction* a = m_actions.value(QLatin1String(e.menuEntry));
        button->setEnabled(a->isEnabled());
        connect(button, &QToolButton::clicked, a, &QAction::trigger);
        ToolBar1->addWidget(button);
    }
}

QToolButton* TMainForm::toolButton(const QString& name) const
{
    return ToolBar1->findChild<QToolButton*>(name);
}

void TMainForm::openFunction(const QString& name, const QString& caption)
{
    const FunctionFactory factory = m_table.value(name);
    if (!factory)
        return;
    QPointer<QDialog> window = factory(this);
    if (!window)
        return;
    if (!caption.isEmpty())
        window->setWindowTitle(caption);
    m_open = window;
    window->exec();
    m_open = nullptr;
    delete window.data();
}

void TMainForm::MnOptiBBClick()
{
    if (!m_table.value(QStringLiteral("MnOptiBB")))
        return;
    FillTableNames(m_dm.state, QStringLiteral("BB"));
    openFunction(QStringLiteral("MnOptiBB"), QStringLiteral("报表管理数据清理"));
}

void TMainForm::MnOptiHZClick()
{
    if (!m_table.value(QStringLiteral("MnOptiHZ")))
        return;
    FillTableNames(m_dm.state, QStringLiteral("HZ"));
    openFunction(QStringLiteral("MnOptiHZ"), QStringLiteral("报表汇总数据清理"));
}

void TMainForm::ReDefBtnClick() { openFunction(QStringLiteral("N2")); }
void TMainForm::ReIndexBtnClick() { openFunction(QStringLiteral("MnReIndex")); }
void TMainForm::MnDropTempClick() { openFunction(QStringLiteral("MnDropTemp")); }
void TMainForm::DelBBEXmnuClick() { openFunction(QStringLiteral("DelBBEXmnu")); }
void TMainForm::mnuCheckClick() { openFunction(QStringLiteral("mnuCheck")); }
void TMainForm::N3Click() { openFunction(QStringLiteral("N3")); }
void TMainForm::RegMnuClick() { openFunction(QStringLiteral("RegMnu")); }

void TMainForm::mnJS2JYClick()
{
    if (!m_table.value(QStringLiteral("mnJS2JY")))
        return;
    prompts().message(QStringLiteral("本功能只适用于roru用户! "), QStringLiteral("提示"), PromptIcon::Information,
        PromptButtons::Ok);
    openFunction(QStringLiteral("mnJS2JY"));
}

void TMainForm::mnAnyClick() { openFunction(QStringLiteral("mnAny")); }
void TMainForm::mnCountClick() { openFunction(QStringLiteral("mnCount")); }
void TMainForm::mnRestoreClick() { openFunction(QStringLiteral("mnRestore")); }
void TMainForm::CloseMenuClick() { close(); }
