#include "app/connection.h"
#include "data_module/report_system.h"
#include "app/main_form.h"
#include "data_module/end_year_data_mod.h"
#include "support/recording_backend.h"
#include "support/scripted_prompts.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {
// What a function window saw when the main window opened it.
struct Opened {
    QString entry;
    QWidget* owner = nullptr;
    QString caption;          // while shown
    QString selector;         // SystemSelector at creation
    TableNameSet names;       // at creation
    int boxesBefore = 0;      // message boxes shown before the window was created
    bool modal = false;
};

struct Rig {
    ScriptedPrompts prompts;
    TEndYearDataMod dm{std::make_unique<RecordingBackend>()};
    QList<Opened> opened;
    QList<QPointer<QDialog>> windows;
    std::unique_ptr<TMainForm> form;

    // A factory for each listed entry: a dialog that closes itself once shown.
    explicit Rig(const QStringList& entries)
    {
        DispatchTable table;
        for (const QString& name : entries)
            table[name] = [this, name](QWidget* owner) -> QDialog* {
                auto* d = new QDialog(owner);
                d->setWindowTitle(QStringLiteral("系统清理"));
                Opened o{name, owner, {}, dm.state.SystemSelector, dm.state.TableNames,
                    int(prompts.boxes.size()), false};
                opened << o;
                const int index = int(opened.size()) - 1;
                QTimer::singleShot(0, d, [this, d, index] {
                    opened[index].caption = d->windowTitle();
                    opened[index].modal = d->isModal() && d->isVisible();
                    d->accept();
                });
                windows << d;
                return d;
            };
        table[QStringLiteral("mnAny")] = nullptr; // present, without a window
        form = std::make_unique<TMainForm>(dm, table);
    }
};

const QStringList AllEntries{"MnOptiBB", "MnOptiHZ", "N2", "MnReIndex", "MnDropTemp", "DelBBEXmnu", "mnuCheck",
    "N3", "RegMnu", "mnJS2JY", "mnAny", "mnCount", "mnRestore"};
}

class TestMainForm : public QObject {
    Q_OBJECT
private slots:
    void menuEntriesInOrder();
    void entriesWithoutWindowAreDisabled();
    void toolButtons();
    void tableNames_data();
    void tableNames();
    void cleanupEntriesPrepareTheWizard();
    void refillAfterTheOtherSystem();
    void formulaNoticeEachTime();
    void toolButtonsOpenTheirEntry_data();
    void toolButtonsOpenTheirEntry();
};


void TestMainForm::menuEntriesInOrder()
{
    Rig rig(AllEntries);
    TMainForm& f = *rig.form;
    const QList<QAction*> menus = f.menuBar()->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus[0]->text(), QStringLiteral("功能"));
    QCOMPARE(f.mnTabCount->objectName(), QStringLiteral("mnTabCount"));
    QStringList entries;
    for (QAction* a : f.mnTabCount->actions())
        entries << a->objectName() + QLatin1Char(' ') + a->text();
    QCOMPARE(entries, (QStringList{QStringLiteral("MnOptiBB 报表管理重复数据清理"), QStringLiteral("MnOptiHZ 报表汇总重复数据清理"),
                          QStringLiteral("N2 报表默认值重建"), QStringLiteral("MnReIndex 报表索引重建"),
                          QStringLiteral("MnDropTemp 报表临时表清除"), QStringLiteral("DelBBEXmnu 扩展表垃圾数据清除"),
                          QStringLiteral("mnuCheck 年结前数据检查整理"), QStringLiteral("N3 单元格不规范数据整理"),
                          QStringLiteral("RegMnu 控件注册"), QStringLiteral("mnJS2JY 计算公式另存为校验公式"),
                          QStringLiteral("mnAny 单机库报表格式导入导出"), QStringLiteral("mnCount 分模块数据表记录数统计"),
                          QStringLiteral("mnRestore 重复数据清理写回恢复"), QStringLiteral("CloseMenu 退出系统")}));
    QCOMPARE(TMainForm::menuEntryNames().size(), 14);
}

void TestMainForm::entriesWithoutWindowAreDisabled()
{
    Rig rig({"MnOptiHZ", "mnCount", "mnJS2JY"});
    TMainForm& f = *rig.form;
    QStringList enabled;
    for (QAction* a : f.mnTabCount->actions())
        if (a->isEnabled())
            enabled << a->objectName();
    QCOMPARE(enabled, (QStringList{"MnOptiHZ", "mnJS2JY", "mnCount", "CloseMenu"}));
    QVERIFY(!f.toolButton(QStringLiteral("BtnOptiBB"))->isEnabled());
    QVERIFY(f.toolButton(QStringLiteral("BtnOptiHZ"))->isEnabled());
    QVERIFY(f.toolButton(QStringLiteral("CloseBtn"))->isEnabled());
    // A disabled entry opens nothing and prepares nothing, even when triggered.
    f.MnOptiBBClick();
    f.mnAnyClick();
    QVERIFY(rig.opened.isEmpty());
    QCOMPARE(rig.dm.state.SystemSelector, QString());
}

void TestMainForm::toolButtons()
{
    Rig rig(AllEntries);
    TMainForm& f = *rig.form;
    QStringList buttons;
    for (QAction* a : f.ToolBar1->actions()) {
        QWidget* w = f.ToolBar1->widgetForAction(a);
        auto* b = qobject_cast<QToolButton*>(w);
        buttons << w->objectName() + QLatin1Char(':') + (b ? b->toolTip() : QStringLiteral("<gap %1>").arg(w->width()));
        if (b)
            QVERIFY2(!b->icon().isNull(), qPrintable(w->objectName()));
    }
    QCOMPARE(buttons,
        (QStringList{QStringLiteral("BtnOptiBB:报表管理重复数据清理"), QStringLiteral("BtnOptiHZ:报表汇总重复数据清理"),
            QStringLiteral("ReDefBtn:报表默认值重建"), QStringLiteral("ReIndexBtn:报表索引重建"),
            QStringLiteral("DelTMPBtn:报表临时表清除"), QStringLiteral("ToolButton2:报表扩展表（KRBBEX\\HZBBEX）垃圾数据删除"),
            QStringLiteral("ToolButton3:年结前数据检查整理"), QStringLiteral("ToolButton5:"),
            QStringLiteral("ToolButton1:控件注册"), QStringLiteral("RestoreBtn:重复数据清理写回恢复"),
            QStringLiteral("ToolButton4:<gap 8>"),
            QStringLiteral("CloseBtn:退出系统")}));
    QCOMPARE(f.toolButton(QStringLiteral("CloseBtn"))->toolButtonStyle(), Qt::ToolButtonIconOnly);
}

void TestMainForm::tableNames_data()
{
    QTest::addColumn<QString>("selector");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("names");
    const QStringList bb{"KRBBZD", "?", "KRHZD", "KRLZD", "KRDYZD", "", "", "", "", "", "KRHZD", "KRLZD", "KRDYZD",
        "", ""};
    const QStringList hz{"HZBBZD", "?", "HZHZD", "HZLZD", "HZDYZD", "HZDWSJ", "HZHZSJ", "HZDWZD", "HZLBZD", "",
        "HZHZD", "HZLZD", "HZDYZD", "HZDWSJ", "HZHZSJ"};
    for (int kind = 0; kind <= 3; ++kind) {
        const QString format = kind >= 2 ? QStringLiteral("BBZD") : QStringLiteral("BBGS");
        QStringList b = bb, h = hz;
        b[1] = QStringLiteral("KR") + format;
        h[1] = QStringLiteral("HZ") + format;
        QTest::addRow("BB kind %d", kind) << "BB" << kind << b;
        QTest::addRow("HZ kind %d", kind) << "HZ" << kind << h;
    }
}

void TestMainForm::tableNames()
{
    QFETCH(QString, selector);
    QFETCH(int, kind);
    QFETCH(QStringList, names);
    ConnectionState state;
    state.DatabaseKind = DbKind(kind);
    // Left from an earlier run of the wizard.
    for (int i = 0; i < TableNameSet::Count; ++i)
        state.TableNames.entry(i) = QStringLiteral("old%1").arg(i);
    FillTableNames(state, selector);
    QStringList got;
    for (int i = 0; i < TableNameSet::Count; ++i)
        got << state.TableNames.entry(i);
    QCOMPARE(got, names);
    QCOMPARE(state.SystemSelector, selector);
}

void TestMainForm::cleanupEntriesPrepareTheWizard()
{
    Rig rig(AllEntries);
    rig.dm.state.DatabaseKind = DbKind(1);
    rig.form->action(QStringLiteral("MnOptiBB"))->trigger();
    rig.form->action(QStringLiteral("MnOptiHZ"))->trigger();
    QCOMPARE(rig.opened.size(), 2);
    QCOMPARE(rig.opened[0].selector, QStringLiteral("BB"));
    QCOMPARE(rig.opened[0].names.FormatName, QStringLiteral("KRBBGS"));
    QCOMPARE(rig.opened[0].caption, QStringLiteral("报表管理数据清理"));
    QCOMPARE(rig.opened[1].selector, QStringLiteral("HZ"));
    QCOMPARE(rig.opened[1].names.FormatName, QStringLiteral("HZBBGS"));
    QCOMPARE(rig.opened[1].caption, QStringLiteral("报表汇总数据清理"));
    for (const Opened& o : rig.opened) {
        QCOMPARE(o.owner, rig.form.get());
        QVERIFY(o.modal);
    }
    // Freed once closed.
    for (const auto& w : rig.windows)
        QVERIFY(w.isNull());
    QCOMPARE(rig.form->openWindow(), nullptr);
}

void TestMainForm::refillAfterTheOtherSystem()
{
    Rig rig(AllEntries);
    rig.dm.state.DatabaseKind = DbKind(3);
    rig.form->MnOptiHZClick();
    // The wizard appends a year suffix during its run.
    rig.dm.state.TableNames.YearSuffix = QStringLiteral("2003");
    rig.dm.state.TableNames.DWSJName = QStringLiteral("HZDWSJ2003");
    rig.form->MnOptiBBClick();
    const TableNameSet& t = rig.dm.state.TableNames;
    QCOMPARE(t.YearSuffix, QString());
    QCOMPARE(t.DWSJName, QString());
    QCOMPARE(t.LBZDName, QString());
    QCOMPARE(t.DWSJBase, QString());
    QCOMPARE(t.HZSJBase, QString());
    QCOMPARE(t.FormatName, QStringLiteral("KRBBZD"));
    rig.dm.state.TableNames.YearSuffix = QStringLiteral("2002");
    rig.form->MnOptiHZClick();
    QCOMPARE(t.YearSuffix, QString());
    QCOMPARE(t.HZSJName, QStringLiteral("HZHZSJ"));
    QCOMPARE(t.HZSJBase, QStringLiteral("HZHZSJ"));
}

void TestMainForm::formulaNoticeEachTime()
{
    Rig rig(AllEntries);
    for (int round = 1; round <= 2; ++round) {
        rig.form->action(QStringLiteral("mnJS2JY"))->trigger();
        QCOMPARE(rig.prompts.boxes.size(), round);
        const auto& box = rig.prompts.boxes.last();
        QCOMPARE(box.text, QStringLiteral("本功能只适用于roru用户! "));
        QCOMPARE(box.caption, QStringLiteral("提示"));
        QCOMPARE(box.icon, PromptIcon::Information);
        QCOMPARE(box.buttons, PromptButtons::Ok);
        QCOMPARE(rig.opened.size(), round);
        // The notice comes first; the window keeps its own caption.
        QCOMPARE(rig.opened.last().boxesBefore, round);
        QCOMPARE(rig.opened.last().caption, QStringLiteral("系统清理"));
    }
    // Other entries show no notice.
    rig.form->action(QStringLiteral("mnCount"))->trigger();
    QCOMPARE(rig.prompts.boxes.size(), 2);
}

void TestMainForm::toolButtonsOpenTheirEntry_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("entry");
    QTest::newRow("BtnOptiBB") << "BtnOptiBB" << "MnOptiBB";
    QTest::newRow("BtnOptiHZ") << "BtnOptiHZ" << "MnOptiHZ";
    QTest::newRow("ReDefBtn") << "ReDefBtn" << "N2";
    QTest::newRow("ReIndexBtn") << "ReIndexBtn" << "MnReIndex";
    QTest::newRow("DelTMPBtn") << "DelTMPBtn" << "MnDropTemp";
    QTest::newRow("ToolButton2") << "ToolButton2" << "DelBBEXmnu";
    QTest::newRow("ToolButton3") << "ToolButton3" << "mnuCheck";
    QTest::newRow("ToolButton5") << "ToolButton5" << "N3";
    QTest::newRow("ToolButton1") << "ToolButton1" << "RegMnu";
    QTest::newRow("RestoreBtn") << "RestoreBtn" << "mnRestore";
}

void TestMainForm::toolButtonsOpenTheirEntry()
{
    QFETCH(QString, button);
    QFETCH(QString, entry);
    Rig rig(AllEntries);
    rig.form->toolButton(button)->click();
    QCOMPARE(rig.opened.size(), 1);
    QCOMPARE(rig.opened[0].entry, entry);
}


QTEST_MAIN(TestMainForm)
#include "test_main_form.moc"
