// The cleanup wizard driven through its widgets, on account sets reached over ODBC.
#include "test_write_back_fixture.h"

#include "app/main_form.h"
#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "cleanup/ui/frm_data_opti.h"
#include "cleanup/ui/review_hint.h"
#include "cleanup/ui/restore_form.h"
#include "cleanup/ui/review_panel.h"
#include "cleanup/write_back_backup.h"
#include "support/scripted_prompts.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {
const QTime kTime(11, 22, 33);
const QString T = QStringLiteral("【11:22:33】 ");

// The boxes of the steps and of resolving the review (text starts), for strict prompts.
const QString kNoYear = QStringLiteral("该年度没有数据，请重新指定会计年度！");
const QString kConfirmClean = QStringLiteral("确认清理数据吗？");
const QString kDone = QStringLiteral("数据清理完毕!");

// The finish box: kDone, then the backup file of the run, which is the one backup in the
// program directory's backups folder and holds every class found duplicated (any number of
// classes for -1).
QString doneText(TestAccountSet& as, int classes = -1)
{
    const QList<BackupInfo> backups = WriteBackBackup::list(as.filePath(QStringLiteral("backups")));
    if (backups.size() != 1 || (classes >= 0 && backups.first().classes.size() != classes))
        return QStringLiteral("<not one backup of %1 classes>").arg(classes);
    return kDone + QStringLiteral("\n\n写回前被替换的主表数据已备份到：\n")
        + QDir::toNativeSeparators(backups.first().fileName)
        + QStringLiteral("\n如需恢复，请使用“重复数据清理写回恢复”功能。");
}
const QStringList kReviewBoxes{QStringLiteral("检查"), QStringLiteral("确认删除该记录吗？"),
    QStringLiteral("该行字典内码已经使用，"), QStringLiteral("该列字典内码已经使用，")};

// The wizard as the main window opens it.
struct Wizard {
    Wizard(TestAccountSet& as, const QString& system) : as(as), system(system)
    {
        fixture::selectSystem(as.dm(), system);
        dialog.reset(createDataOptiWindow(nullptr, as.dm()));
        w = qobject_cast<TFrmDataOpti*>(dialog.get());
        w->setWindowTitle(system == "HZ" ? "报表汇总数据清理" : "报表管理数据清理");
        w->setClock([] { return kTime; });
        w->show();
    }
    ~Wizard() { as.dm().QryGlobalOpen.close(); }
    void next() { w->BtnNext.at(size_t(w->currentPage()))->click(); }
    QStringList log(QPlainTextEdit* memo) const { return memo->toPlainText().split('\n'); }
    // Resolves every review tab the way a user would: check, delete the row the check
    // moved to, until the class passes. Returns the deleted rows as grid texts.
    QStringList resolveReview(ScriptedPrompts& prompts) { return resolve(w, system, prompts); }
    static QStringList resolve(TFrmDataOpti* w, const QString& system, ScriptedPrompts& prompts)
    {
        QStringList deleted;
        for (const DataClass* c : dataClassesOf(system)) {
            ReviewTab& t = w->ReviewPage->tab(c->id);
            if (!w->ReviewPage->PageOpti->isTabVisible(w->ReviewPage->PageOpti->indexOf(t.tab)))
                continue;
            w->ReviewPage->PageOpti->setCurrentWidget(t.tab);
            for (int i = 0; i < 50 && w->cleanupState().of(*c).Remaining; ++i) {
                prompts.boxes.clear();
                t.check->click();
                if (!w->cleanupState().of(*c).Remaining)
                    break;
                const int row = w->ReviewPage->currentRow(c->id);
                QStringList texts;
                for (int col = 0; col < t.model->columnCount(); ++col)
                    texts << t.model->index(row, col).data().toString();
                deleted << c->base + ":" + texts.join('|');
                t.del->click();
            }
        }
        return deleted;
    }
    TestAccountSet& as;
    QString system;
    std::unique_ptr<QDialog> dialog;
    TFrmDataOpti* w = nullptr;
};

// Key groups occurring more than once in a report table: what makes a row of the class
// unique in the report system (report, date, coordinates, and unit or category).
int duplicatedKeys(TestAccountSet& as, const QString& table, const DataClass& c)
{
    static const QMap<DataClassId, QString> keys{{DataClassId::HZD, "BBZD_BH,BBZD_DATE,HZD_ORDE"},
        {DataClassId::LZD, "BBZD_BH,BBZD_DATE,LZD_ORDE"}, {DataClassId::DYZD, "BBZD_BH,BBZD_DATE,HZD_ORDE,LZD_ORDE"},
        {DataClassId::DWSJ, "DWZD_BH,BBZD_BH,BBZD_DATE,HZD_ORDE,LZD_ORDE"},
        {DataClassId::HZSJ, "LBZD_BH,BBZD_BH,BBZD_DATE,HZD_ORDE,LZD_ORDE"}};
    const QString key = keys.value(c.id);
    return as.rows("select " + key + " from " + table + " group by " + key + " having count(1)>1").size();
}

}

class TestWizard : public QObject {
    Q_OBJECT

private slots:
    void pagesAndTexts_data();
    void pagesAndTexts();
    void yearChoice_data();
    void yearChoice();
    void cleanDatabase_data();
    void cleanDatabase();
    void automaticCleanupResolvesEverything_data();
    void automaticCleanupResolvesEverything();
    void runWithReview_data();
    void runWithReview();
    void cancelOnStep5_data();
    void cancelOnStep5();
    void oneStepAtATime();
    void coordinateWindow();
    void fromTheMainWindow_data();
    void fromTheMainWindow();
};

void TestWizard::pagesAndTexts_data()
{
    QTest::addColumn<QString>("system");
    QTest::newRow("BB") << "BB";
    QTest::newRow("HZ") << "HZ";
}

void TestWizard::pagesAndTexts()
{
    QFETCH(QString, system);
    TestAccountSet as;
    ScriptedPrompts prompts;
    prompts.expectOnly({});
    Wizard wz(as, system);
    TFrmDataOpti* w = wz.w;
    QCOMPARE(w->currentPage(), 0);
    QVERIFY(w->BtnNext[0]->isDefault());
    QVERIFY(w->YearCurrent->isChecked());
    QVERIFY(!w->YearSpin->isEnabled());
    w->YearHistorical->click();
    QVERIFY(w->YearSpin->isEnabled());
    QCOMPARE(w->YearSpin->value(), 2002);
    // Every memo line is followed by an empty one.
    const QStringList memo = w->Step[0]->findChild<QPlainTextEdit*>("WelcomeMemo")->toPlainText().split('\n');
    QCOMPARE(memo.size(), 14);
    QCOMPARE(memo.at(12), "   （4）其他报表运行速度缓慢的现象。");
    QCOMPARE(memo.at(13), "");
    const QStringList initial{"检查行字典数据", "检查列字典数据", "检查单元字典数据", "检查单位数据", "检查汇总数据"};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(w->ClassLabels[size_t(i)]->text(), initial.at(i));
        QCOMPARE(w->ClassLabels[size_t(i)]->isVisibleTo(w->Step[1]), i < 3 || system == "HZ");
    }
    QVERIFY(w->ChkDYZD->isChecked());
    QVERIFY(!w->ChkWarning->isChecked());
    // Grid columns of a review query: caption and width by field.
    QTableView* grid = w->ReviewPage->tab(DataClassId::DYZD).grid;
    QCOMPARE(grid->model()->headerData(7, Qt::Horizontal).toString(), "单元格公式");
    QCOMPARE(grid->columnWidth(7), 300);
    QCOMPARE(grid->toolTip(), "双击记录查看坐标信息");
    QVERIFY(w->ReviewPage->tab(DataClassId::HZD).grid->toolTip().isEmpty());
}

void TestWizard::yearChoice_data()
{
    QTest::addColumn<QString>("system");
    QTest::newRow("BB") << "BB";
    QTest::newRow("HZ") << "HZ";
}

void TestWizard::yearChoice()
{
    QFETCH(QString, system);
    TestAccountSetOptions o;
    o.historyYears = {2003};
    TestAccountSet as(o);
    ScriptedPrompts prompts;
    prompts.expectOnly({kNoYear});
    Wizard wz(as, system);
    TFrmDataOpti* w = wz.w;
    const QString p = fixture::prefixOf(system);

    w->YearHistorical->click();
    QVERIFY(w->YearSpin->isEnabled());
    w->YearSpin->setValue(2001);
    wz.next();
    QCOMPARE(w->currentPage(), 0);
    QCOMPARE(prompts.texts(), QStringList{"该年度没有数据，请重新指定会计年度！"});
    QCOMPARE(prompts.boxes.at(0).caption, "提示");

    // An existing historical year forms the suffixed names of the system's tables.
    w->YearSpin->setValue(2003);
    w->BtnNext[0]->click();
    QCOMPARE(w->currentPage(), 1);
    const TableNameSet& n = as.dm().state.TableNames;
    QCOMPARE(n.YearSuffix, "2003");
    QCOMPARE(n.BBZDName, p + "BBZD2003");
    QCOMPARE(n.DYZDName, p + "DYZD2003");
    QCOMPARE(n.HZDBase, p + "HZD");
    QCOMPARE(n.DWSJName, system == "HZ" ? "HZDWSJ2003" : "");
    QCOMPARE(dataClass(DataClassId::HZD).indexName(n), "NDX_" + p + "HZD_ORDE2003");
}

void TestWizard::cleanDatabase_data()
{
    QTest::addColumn<QString>("system");
    QTest::newRow("BB") << "BB";
    QTest::newRow("HZ") << "HZ";
}

void TestWizard::cleanDatabase()
{
    QFETCH(QString, system);
    TestAccountSet as;
    const QString p = fixture::prefixOf(system);
    as.insert(p + "BBZD", {demo::reportRow({.bh = "101", .date = "200401", .mc = "表"})});
    as.insert(p + "HZD", {demo::rowRow({.bh = "101", .date = "200401", .orde = "0001"}),
                             demo::rowRow({.bh = "101", .date = "200401", .orde = "0002", .zb = 2})});
    ScriptedPrompts prompts;
    prompts.expectOnly({"恭喜恭喜，经检查，系统未发现重复数据！"});
    Wizard wz(as, system);
    wz.next();
    QCOMPARE(wz.w->currentPage(), 1);
    QCOMPARE(as.dm().state.TableNames.BBZDName, p + "BBZD");
    prompts.boxes.clear();
    wz.next();
    QCOMPARE(prompts.texts(), QStringList{"恭喜恭喜，经检查，系统未发现重复数据！"});
    QCOMPARE(prompts.boxes.at(0).icon, PromptIcon::Information);
    QVERIFY(!wz.w->isVisible());
    QCOMPARE(wz.w->result(), int(QDialog::Rejected));
    QCOMPARE(wz.w->ClassLabels[0]->text(), "检查行字典通过");
    // The freshly created working tables stay until the next run.
    QCOMPARE(as.tables("opti%").size(), 6);
    QCOMPARE(as.count(p + "HZD"), 2);
}

void TestWizard::automaticCleanupResolvesEverything_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<bool>("existingIndex");
    QTest::newRow("BB") << "BB" << false;
    QTest::newRow("HZ") << "HZ" << false;
    QTest::newRow("BB, index name taken") << "BB" << true;
    QTest::newRow("HZ, index name taken") << "HZ" << true;
}

void TestWizard::automaticCleanupResolvesEverything()
{
    QFETCH(QString, system);
    QFETCH(bool, existingIndex);
    TestAccountSet as;
    const QString p = fixture::prefixOf(system);
    fixture::plantDuplicates(as, system);
    // Only complete duplicates: take the key duplicates out again.
    as.exec("delete from " + p + "HZD where HZD_ZB = 9");
    as.exec("delete from " + p + "LZD where LZD_MC = '上月数'");
    as.exec("delete from " + p + "DYZD where DYZD_SJ = '6'");
    if (system == "HZ") {
        as.exec("delete from HZDWSJ where DYZD_SJ = '6'");
        as.exec("delete from HZHZSJ where DYZD_SJ = '6'");
    }
    if (existingIndex)
        as.exec("create index NDX_" + p + "HZD_ORDE on " + p + "BBZD(BBZD_MC)");
    ScriptedPrompts prompts;
    prompts.expectOnly({kConfirmClean, kDone});
    Wizard wz(as, system);
    TFrmDataOpti* w = wz.w;
    wz.next();
    wz.next();
    QCOMPARE(w->currentPage(), 1);
    QVERIFY(w->checkDone());
    QCOMPARE(w->CheckDirtyBar->maximum(), system == "HZ" ? 15 : 9);
    QCOMPARE(w->ClassLabels[0]->text(), "检查行字典存在重复数据");
    QCOMPARE(w->ClassLabels[0]->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    wz.next();
    QCOMPARE(w->currentPage(), 2);
    QCOMPARE(w->LvDirty->topLevelItemCount(), dataClassesOf(system).size());
    QCOMPARE(w->LvDirty->topLevelItem(0)->text(4), "2");
    prompts.boxes.clear();
    wz.next();
    QCOMPARE(prompts.texts(), QStringList{"确认清理数据吗？"});
    QCOMPARE(w->currentPage(), 3);
    QCOMPARE(w->AutoOptiBar->value(), w->AutoOptiBar->maximum());
    QVERIFY(wz.log(w->AutoOptiLogMemo).contains(T + "开始二次复制行字典临时表数据"));
    wz.next();   // nothing remains: straight to the write-back page
    QCOMPARE(w->currentPage(), 5);
    QCOMPARE(w->BatchAppendBar->maximum(), 5 * dataClassesOf(system).size() + 1);
    QCOMPARE(w->DeleteDirtyBar->maximum(), 10);
    prompts.boxes.clear();
    wz.next();
    QCOMPARE(prompts.texts(), QStringList{doneText(as, int(dataClassesOf(system).size()))});
    QCOMPARE(w->BtnNext[5]->text(), "完成(&Y)");
    const QStringList log = wz.log(w->BatchAppendMemo);
    QCOMPARE(log.last(), T + " 删除临时表完毕");
    QCOMPARE(log.contains(T + " **********为行字典创建索引失败！"), existingIndex);
    QVERIFY(log.contains(T + " 处理列字典成功！"));
    QCOMPARE(w->BatchAppendBar->value(), w->BatchAppendBar->maximum());

    // One row per former complete duplicate, the unique indexes, no working tables.
    for (const DataClass* c : dataClassesOf(system)) {
        const QString table = c->reportTable(as.dm().state.TableNames);
        QCOMPARE(duplicatedKeys(as, table, *c), 0);
        QCOMPARE(as.indexNames(table).contains(c->indexName(as.dm().state.TableNames)),
            !(existingIndex && c->id == DataClassId::HZD));
    }
    QCOMPARE(as.count(p + "HZD"), 10);
    QCOMPARE(as.count(p + "DYZD"), 4 + 1 + 1);
    QVERIFY(as.tables("opti%").isEmpty());
    QVERIFY(w->isVisible());
    wz.next();   // 完成(&Y)
    QVERIFY(!w->isVisible());
}

void TestWizard::runWithReview_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<bool>("removeIllegal");
    QTest::newRow("BB") << "BB" << true;
    QTest::newRow("HZ") << "HZ" << true;
    QTest::newRow("BB, illegal cells kept") << "BB" << false;
}

void TestWizard::runWithReview()
{
    QFETCH(QString, system);
    QFETCH(bool, removeIllegal);
    TestAccountSetOptions o;
    o.demoContent = true;
    TestAccountSet as(o);
    const QString p = fixture::prefixOf(system);
    const QString a = p == "KR" ? "101" : "201";
    const int illegalBefore = as.count(p + "DYZD", "HZD_ORDE = '0099' or LZD_ORDE = '99'");
    QVERIFY(illegalBefore > 0);
    ScriptedPrompts prompts;
    prompts.expectOnly(kReviewBoxes + QStringList{kConfirmClean, "请确认系统已经没有重复数据！",
        "确认清空重复记录吗？", kDone});
    Wizard wz(as, system);
    TFrmDataOpti* w = wz.w;
    wz.next();
    wz.next();
    wz.next();
    QCOMPARE(w->currentPage(), 2);
    w->ChkDYZD->setChecked(removeIllegal);
    wz.next();
    QCOMPARE(w->currentPage(), 3);
    wz.next();
    QCOMPARE(w->currentPage(), 4);
    QTabWidget* tabs = w->ReviewPage->PageOpti;
    QVERIFY(tabs->isTabVisible(0));
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(wz.log(w->AutoOptiLogMemo).contains(T + " 结束打开行字典重复数据临时表"));

    // Leaving before every class passed is refused.
    prompts.boxes.clear();
    wz.next();
    QCOMPARE(w->currentPage(), 4);
    QCOMPARE(prompts.texts(), QStringList{"请确认系统已经没有重复数据！"});

    // Deleting a row whose row code cells use warns even with the warning box ticked.
    w->ChkWarning->setChecked(true);
    ReviewTab& rows = w->ReviewPage->tab(DataClassId::HZD);
    prompts.boxes.clear();
    prompts.answers.enqueue(PromptAnswer::No);
    rows.del->click();
    QCOMPARE(prompts.boxes.size(), 1);
    QVERIFY(prompts.boxes.at(0).text.startsWith("该行字典内码已经使用，\n\r"));
    const int rowsInGrid = rows.model->rowCount();
    QVERIFY(rowsInGrid >= 2);

    // The column dictionary's review is emptied instead of resolved row by row.
    ReviewTab& cols = w->ReviewPage->tab(DataClassId::LZD);
    QVERIFY(tabs->isTabVisible(tabs->indexOf(cols.tab)));
    cols.empty->click();
    QCOMPARE(cols.model->rowCount(), 0);
    QVERIFY(w->cleanupState().of(DataClassId::LZD).Remaining);
    cols.check->click();
    QVERIFY(!w->cleanupState().of(DataClassId::LZD).Remaining);

    // The rest one row at a time.
    const QStringList deleted = wz.resolveReview(prompts);
    QVERIFY(!deleted.isEmpty());
    QVERIFY(!w->cleanupState().DuplicatesRemain(system));
    // A cell row's coordinate window.
    prompts.boxes.clear();
    wz.next();
    QCOMPARE(w->currentPage(), 5);
    wz.next();
    QCOMPARE(prompts.texts(), QStringList{doneText(as)});
    QVERIFY(!wz.log(w->BatchAppendMemo).join('\n').contains("**********"));

    const TableNameSet& n = as.dm().state.TableNames;
    for (const DataClass* c : dataClassesOf(system)) {
        const QString table = c->reportTable(n);
        QCOMPARE(duplicatedKeys(as, table, *c), 0);
        QVERIFY(as.indexNames(table).contains(c->indexName(n)));
    }
    // The row the user kept: the planted key duplicate A/200406 0005 had coordinates
    // 5 and 99; exactly one is left, not the deleted one.
    const QStringList keptRow = as.rows("select HZD_ZB from " + p + "HZD where BBZD_BH = '" + a
        + "' and BBZD_DATE = '200406' and HZD_ORDE = '0005'").value(0);
    QCOMPARE(as.count(p + "HZD", "BBZD_BH = '" + a + "' and BBZD_DATE = '200406' and HZD_ORDE = '0005'"), 1);
    QVERIFY(!deleted.contains("HZD:" + a + "|200406|" + as.value("select BBZD_MC from " + p
        + "BBZD where BBZD_BH = '" + a + "' and BBZD_DATE = '200406'") + "|0005|" + keptRow.value(0)));
    // The emptied column key is gone altogether; the complete duplicate left one row.
    QCOMPARE(as.count(p + "LZD", "BBZD_BH = '" + a + "' and BBZD_DATE = '200406' and LZD_ORDE = '05'"), 0);
    QCOMPARE(as.count(p + "LZD", "BBZD_BH = '" + a + "' and BBZD_DATE = '200405' and LZD_ORDE = '03'"), 1);
    // Illegal cells of duplicated keys are gone only with the box ticked; a single illegal
    // cell is no duplicate and stays in any case.
    QCOMPARE(as.count(p + "DYZD", "HZD_ORDE = '0099' or LZD_ORDE = '99'"), removeIllegal ? 0 : 2);
    QCOMPARE(as.count(p + "DYZD", "HZD_ORDE = '0098'"), 1);
    if (system == "HZ") {
        QCOMPARE(as.count("HZDWSJ", "HZD_ORDE = '0099'"), 0);
        QCOMPARE(as.count("HZHZSJ", "HZD_ORDE = '0099'"), 0);
    }
    QVERIFY(as.tables("dirty%").isEmpty());
    // The other system's tables were not touched.
    const QString other = system == "BB" ? "HZ" : "KR";
    QVERIFY(as.indexNames(other + "HZD").filter("NDX_").isEmpty());
}

void TestWizard::cancelOnStep5_data()
{
    QTest::addColumn<QString>("system");
    QTest::newRow("BB") << "BB";
    QTest::newRow("HZ") << "HZ";
}

void TestWizard::cancelOnStep5()
{
    QFETCH(QString, system);
    TestAccountSet as;
    fixture::plantDuplicates(as, system);
    const fixture::Snapshot before = fixture::snapshot(as, system);
    ScriptedPrompts prompts;
    prompts.expectOnly(kReviewBoxes + QStringList{kConfirmClean});
    Wizard wz(as, system);
    TFrmDataOpti* w = wz.w;
    for (int i = 0; i < 5; ++i)
        wz.next();
    QCOMPARE(w->currentPage(), 4);
    wz.resolveReview(prompts);
    wz.next();
    QCOMPARE(w->currentPage(), 5);
    w->BtnCancel[5]->click();
    QVERIFY(!w->isVisible());
    QCOMPARE(fixture::snapshot(as, system), before);
    for (const DataClass* c : dataClassesOf(system))
        QVERIFY(as.indexNames(c->reportTable(as.dm().state.TableNames)).filter("NDX_").isEmpty());
    // The edited review tables stay for the next run to drop.
    QVERIFY(as.tableExists("dirtyHZD"));
}

void TestWizard::oneStepAtATime()
{
    TestAccountSet as;
    fixture::plantDuplicates(as, "HZ");
    ScriptedPrompts prompts;
    prompts.expectOnly({});
    Wizard wz(as, "HZ");
    TFrmDataOpti* w = wz.w;
    wz.next();
    // While the check runs, a user presses Next again, Cancel, and the title bar's close.
    int statements = 0;
    bool nextEnabled = true, running = false;
    as.mast().setStatementHook([&](const QString&) {
        if (++statements != 40)
            return;
        running = w->stepRunning();
        nextEnabled = w->BtnNext[1]->isEnabled();
        w->BtnNext[1]->click();
        w->BtnCancel[1]->click();
        w->close();
        QTest::keyClick(w, Qt::Key_Escape);
    });
    wz.next();
    as.mast().setStatementHook({});
    QVERIFY(statements > 40);
    QVERIFY(running);
    QVERIFY(!nextEnabled);
    // The check ran once to its end, then the window closed.
    QVERIFY(w->checkDone());
    QCOMPARE(w->ClassLabels[4]->text(), "检查汇总数据存在重复数据");
    QCOMPARE(as.count("rangeHZD"), 2);
    QVERIFY(!w->isVisible());
    QVERIFY(w->BtnNext[1]->isEnabled());
}

void TestWizard::coordinateWindow()
{
    TestAccountSet as;
    fixture::plantDuplicates(as, "HZ");
    // A unit-data row whose column code the column dictionary lacks.
    as.insert("HZDWSJ", {demo::unitCellRow({.unit = "0002", .bh = "201", .date = "200405", .row = "0005",
        .col = "77", .text = "1", .data = 1.0})});
    as.insert("HZDWSJ", {demo::unitCellRow({.unit = "0002", .bh = "201", .date = "200405", .row = "0005",
        .col = "77", .text = "2", .data = 2.0})});
    ScriptedPrompts prompts;
    prompts.expectOnly({kConfirmClean});
    Wizard wz(as, "HZ");
    TFrmDataOpti* w = wz.w;
    w->ChkDYZD->setChecked(false);
    for (int i = 0; i < 5; ++i)
        wz.next();
    QCOMPARE(w->currentPage(), 4);
    ReviewTab& t = w->ReviewPage->tab(DataClassId::DWSJ);
    w->ReviewPage->PageOpti->setCurrentWidget(t.tab);
    QStringList shown;
    auto doubleClick = [&](int row) {
        QTimer::singleShot(0, [&] {
            auto* hint = qobject_cast<TFrmShowHint*>(QApplication::activeModalWidget());
            QVERIFY(hint);
            shown << hint->windowTitle() + "|" + hint->EdtBBZDBH->text() + "|" + hint->EdtZB->text() + "|"
                    + hint->LblCanDelete->text();
            QTest::mouseClick(hint, Qt::LeftButton, {}, QPoint(5, hint->height() - 5));   // the background
        });
        const QRect r = t.grid->visualRect(t.model->index(row, 0));
        QTest::mouseClick(t.grid->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(t.grid->viewport(), Qt::LeftButton, {}, r.center());
    };
    int legal = -1, missing = -1;
    for (int r = 0; r < t.model->rowCount(); ++r)
        (t.model->index(r, 6).data().toString() == "77" ? missing : legal) = r;
    QVERIFY(legal >= 0 && missing >= 0);
    doubleClick(legal);
    doubleClick(missing);
    // Row code 0005 is still twice in the row dictionary (coordinates 5 and 9).
    QCOMPARE(shown, (QStringList{"当前坐标|201|E5;E9;|行列坐标有重复，请检查行字典或列字典。",
                         "当前坐标|201||坐标不存在，您可以删除该记录。"}));
    // Both hints closed: the (modal) wizard is the top window again.
    QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(w));
}

void TestWizard::fromTheMainWindow_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("caption");
    QTest::newRow("report management") << "MnOptiBB" << "BB" << "报表管理数据清理";
    QTest::newRow("report summary") << "MnOptiHZ" << "HZ" << "报表汇总数据清理";
}

void TestWizard::fromTheMainWindow()
{
    QFETCH(QString, entry);
    QFETCH(QString, system);
    QFETCH(QString, caption);
    TestAccountSetOptions o;
    o.demoContent = true;
    TestAccountSet as(o);
    ScriptedPrompts prompts;
    prompts.expectOnly(kReviewBoxes + QStringList{kNoYear, kConfirmClean, kDone, "将按备份", "恢复完毕！"});
    DispatchTable table;
    TEndYearDataMod& dm = as.dm();
    table["MnOptiBB"] = [&dm](QWidget* owner) { return createDataOptiWindow(owner, dm); };
    table["MnOptiHZ"] = [&dm](QWidget* owner) { return createDataOptiWindow(owner, dm); };
    table["mnRestore"] = [&dm](QWidget* owner) -> QDialog* { return new TRestoreForm(dm, owner); };
    TMainForm main(dm, table);
    main.show();
    // An earlier run of the other system must leave nothing behind in the names.
    FillTableNames(dm.state, system == "BB" ? "HZ" : "BB");
    dm.state.TableNames.YearSuffix = "2003";

    const fixture::Snapshot before = fixture::snapshot(as, system);
    QString seenCaption, seenSelector;
    QStringList yearBoxes;
    QPointer<QDialog> seen;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TFrmDataOpti*>(main.openWindow());
        QVERIFY(w);
        seen = w;
        // A check failing below ends the lambda: the window must not stay open then.
        const auto closeAfter = qScopeGuard([w] {
            if (w->isVisible())
                w->done(QDialog::Rejected);
        });
        seenCaption = w->windowTitle();
        seenSelector = dm.state.SystemSelector;
        QVERIFY(w->isModal());
        w->YearHistorical->click();
        w->YearSpin->setValue(2001);
        w->BtnNext[0]->click();
        yearBoxes = prompts.texts();
        w->YearCurrent->click();
        for (int page : {0, 1, 1, 2, 3}) {
            QCOMPARE(w->currentPage(), page);
            w->BtnNext[size_t(page)]->click();
        }
        QCOMPARE(w->currentPage(), 4);
        Wizard::resolve(w, system, prompts);
        w->BtnNext[4]->click();
        QCOMPARE(w->currentPage(), 5);
        w->BtnNext[5]->click();
        w->BtnNext[5]->click();   // 完成(&Y)
    });
    main.action(entry)->trigger();
    QVERIFY(!seen);                     // freed by the main window after it closed
    QCOMPARE(seenCaption, caption);
    QCOMPARE(seenSelector, system);
    QCOMPARE(yearBoxes, QStringList{"该年度没有数据，请重新指定会计年度！"});
    QCOMPARE(prompts.texts().last(), doneText(as));
    QCOMPARE(dm.state.TableNames.YearSuffix, "");
    for (const DataClass* c : dataClassesOf(system)) {
        const QString t = c->reportTable(dm.state.TableNames);
        QCOMPARE(t, fixture::prefixOf(system) + c->base);
        QCOMPARE(duplicatedKeys(as, t, *c), 0);
        QVERIFY(as.indexNames(t).contains(c->indexName(dm.state.TableNames)));
    }

    // The write-back undone from the main window's last function entry.
    int listed = 0;
    QTimer::singleShot(0, [&] {
        auto* r = qobject_cast<TRestoreForm*>(main.openWindow());
        QVERIFY(r);
        const auto closeAfter = qScopeGuard([r] { r->done(QDialog::Rejected); });
        listed = r->BackupGrid->rowCount();
        r->BtnRestore->click();
    });
    main.action("mnRestore")->trigger();
    QCOMPARE(listed, 1);
    QCOMPARE(prompts.texts().last(), "恢复完毕！");
    QCOMPARE(fixture::snapshot(as, system), before);
    dm.QryGlobalOpen.close();
}

QTEST_MAIN(TestWizard)
#include "test_wizard.moc"
