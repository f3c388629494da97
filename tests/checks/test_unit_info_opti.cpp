#include "app/system_year_choice.h"
#include "checks/ui/unit_info_opti_form.h"
#include "checks/unit_info_opti.h"
#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "support/recording_backend.h"
#include "support/job_rig.h"
#include "support/recorders.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

namespace {
const QString kOpening = QStringLiteral("\n单元格不规范数据整理结束！其中：");
QString part(const QString& what, int count)
{
    return QStringLiteral("\n\n    整理") + what + QString::number(count) + QStringLiteral("条");
}
QString summaryOf(int kr, int hzCells, int hzUnits, int hzSums)
{
    QString s = kOpening;
    if (kr >= 0)
        s += part(QStringLiteral("报表管理单元格不规范数据"), kr);
    if (hzCells >= 0)
        s += part(QStringLiteral("报表汇总单元格不规范数据"), hzCells) + part(QStringLiteral("报表汇总单位表不规范数据"), hzUnits)
            + part(QStringLiteral("报表汇总汇总表不规范数据"), hzSums);
    return s;
}

void runJob(TEndYearDataMod& dm, UnitInfoOptiOptions o, ProgressLog* log = nullptr)
{
    NullEvents events;
    UnitInfoOptiJob(testJobContext(dm, events, log ? loggedProgress(*log) : ProgressFactory{}), std::move(o)).run();
}

QVariantList cell(const QString& bh, const QString& row, const QVariant& text, const QVariant& data)
{
    return demo::cellRow({.bh = bh, .date = "200403", .row = row, .col = "04", .text = text, .data = data});
}
}

class TestUnitInfoOpti : public QObject {
    Q_OBJECT
private slots:
    void cellTexts_data();
    void cellTexts();
    void onlyNumbersReachTheStatement_data();
    void onlyNumbersReachTheStatement();
    void statementsByRowKind_data();
    void statementsByRowKind();
    void quotedKeys();
    void allFourTables();
    void missingHistoricalTables();
    void failedUpdateIsNotCounted();
    void summaryTexts_data();
    void summaryTexts();
    void window();
};

void TestUnitInfoOpti::cellTexts_data()
{
    QTest::addColumn<QVariant>("text");
    QTest::addColumn<QVariant>("data");
    QTest::addColumn<QString>("after");   // DYZD_DATA afterwards
    QTest::addColumn<int>("repaired");
    QTest::newRow("number in the text") << QVariant("12.5") << QVariant(0) << "12.5" << 1;
    QTest::newRow("whole number") << QVariant("3000") << QVariant(0) << "3000" << 1;
    QTest::newRow("blanks around it") << QVariant(" -4.25 ") << QVariant(0) << "-4.25" << 1;
    QTest::newRow("exponent") << QVariant("1.5e3") << QVariant(0) << "1500" << 1;
    QTest::newRow("empty") << QVariant("") << QVariant(0) << "0" << 0;
    QTest::newRow("NULL text") << QVariant() << QVariant(0) << "0" << 0;
    QTest::newRow("letters") << QVariant("abc") << QVariant(0) << "0" << 0;
    QTest::newRow("zero") << QVariant("0.00") << QVariant(0) << "0" << 0;
    QTest::newRow("number and more") << QVariant("12.5元") << QVariant(0) << "0" << 0;
    QTest::newRow("value not 0: never read") << QVariant("7") << QVariant(5) << "5" << 0;
}

void TestUnitInfoOpti::cellTexts()
{
    QFETCH(QVariant, text);
    QFETCH(QVariant, data);
    QFETCH(QString, after);
    QFETCH(int, repaired);

    ScriptedPrompts prompts;
    TestAccountSet as;
    as.insert(QStringLiteral("KRDYZD"), {cell("101", "0003", text, data), cell("101", "0009", "8", 8)});
    runJob(as.dm(), {.management = true, .summary = false});

    QCOMPARE(as.value(QStringLiteral("select DYZD_DATA from KRDYZD where HZD_ORDE = '0003'")), after);
    QCOMPARE(as.value(QStringLiteral("select DYZD_DATA from KRDYZD where HZD_ORDE = '0009'")), QStringLiteral("8"));
    QCOMPARE(prompts.texts(), QStringList{summaryOf(repaired, -1, -1, -1)});
}

void TestUnitInfoOpti::onlyNumbersReachTheStatement_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("set");   // the set line sent; empty: no update at all
    QTest::newRow("plain number") << "12.5" << "set DYZD_DATA=12.5";
    QTest::newRow("the number, not the text as it stands") << " +012.50 " << "set DYZD_DATA=12.5";
    QTest::newRow("statement after a number") << "1;delete from KRDYZD" << "";
    QTest::newRow("expression") << "1+1" << "";
    QTest::newRow("column name") << "DYZD_DEC" << "";
    QTest::newRow("not a number") << "nan" << "";
    QTest::newRow("infinite") << "inf" << "";
    QTest::newRow("too large") << "1e999" << "";
}

void TestUnitInfoOpti::onlyNumbersReachTheStatement()
{
    QFETCH(QString, text);
    QFETCH(QString, set);

    ScriptedPrompts prompts;
    auto owned = std::make_unique<RecordingBackend>();
    RecordingBackend& backend = *owned;
    TEndYearDataMod dm(std::move(owned));
    dm.mast.connect();
    backend.answer(QStringLiteral(" from KRDYZD\n"), {.columns = {"BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE",
                                                          "DYZD_SJ", "DYZD_DATA"},
                                                         .rows = {{"101", "200403", "0003", "04", text, 0}}});
    runJob(dm, {.management = true, .summary = false});

    QStringList updates;
    for (const QString& s : backend.statements())
        if (s.startsWith(QLatin1String("update ")))
            updates << s.section(QLatin1Char('\n'), 1, 1);
    QCOMPARE(updates, set.isEmpty() ? QStringList() : QStringList{set});
    QCOMPARE(prompts.texts(), QStringList{summaryOf(set.isEmpty() ? 0 : 1, -1, -1, -1)});
}

void TestUnitInfoOpti::statementsByRowKind_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("scan");
    QTest::addColumn<QStringList>("update");
    QTest::newRow("cell dictionary")
        << "KRDYZD2002" << 1
        << QStringList{"select BBZD_BH,BBZD_DATE,HZD_ORDE,LZD_ORDE,DYZD_SJ,DYZD_DATA", " from KRDYZD2002",
               " where DYZD_DATA=0  "}
        << QStringList{"update KRDYZD2002", "set DYZD_DATA=12.5", "where BBZD_BH='101'", " and BBZD_DATE='200403'",
               " and HZD_ORDE='0003'", " and LZD_ORDE='04'"};
    QTest::newRow("unit data")
        << "HZDWSJ" << 2
        << QStringList{"select DWZD_BH,BBZD_BH,BBZD_DATE,HZD_ORDE,LZD_ORDE,DYZD_SJ,DYZD_DATA", " from HZDWSJ",
               " where DYZD_DATA=0  "}
        << QStringList{"update HZDWSJ", "set DYZD_DATA=12.5", "where DWZD_BH='K' and BBZD_BH='101'",
               " and BBZD_DATE='200403'", " and HZD_ORDE='0003'", " and LZD_ORDE='04'"};
    QTest::newRow("summary data")
        << "HZHZSJ" << 3
        << QStringList{"select LBZD_BH,BBZD_BH,BBZD_DATE,HZD_ORDE,LZD_ORDE,DYZD_SJ,DYZD_DATA", " from HZHZSJ",
               " where DYZD_DATA=0  "}
        << QStringList{"update HZHZSJ", "set DYZD_DATA=12.5", "where LBZD_BH='K' and BBZD_BH='101'",
               " and BBZD_DATE='200403'", " and HZD_ORDE='0003'", " and LZD_ORDE='04'"};
}

void TestUnitInfoOpti::statementsByRowKind()
{
    QFETCH(QString, table);
    QFETCH(int, kind);
    QFETCH(QStringList, scan);
    QFETCH(QStringList, update);

    ScriptedPrompts prompts;
    auto owned = std::make_unique<RecordingBackend>();
    RecordingBackend& backend = *owned;
    TEndYearDataMod dm(std::move(owned));
    dm.mast.connect();
    QStringList columns{"BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE", "DYZD_SJ", "DYZD_DATA"};
    QList<QVariant> row{"101", "200403", "0003", "04", "12.5", 0};
    if (kind > 1) {
        columns.prepend(kind == 2 ? QStringLiteral("DWZD_BH") : QStringLiteral("LBZD_BH"));
        row.prepend(QStringLiteral("K"));
    }
    backend.answer(QStringLiteral(" from ") + table + QLatin1Char('\n'), {.columns = columns, .rows = {row}});
    NullEvents events;
    ProgressLog log;
    UnitInfoOptiJob job(testJobContext(dm, events, loggedProgress(log)), {});
    NullProgress progress;
    QCOMPARE(job.OptiTable(table, QStringLiteral("报表管理单元格"), kind, progress), 1);
    QCOMPARE(backend.statements(), (QStringList{scan.join(QLatin1Char('\n')), update.join(QLatin1Char('\n'))}));
    QCOMPARE(backend.events.size(), 3);   // connect, the scan and the update: no transaction
}

void TestUnitInfoOpti::quotedKeys()
{
    ScriptedPrompts prompts;
    TestAccountSet as;
    as.insert(QStringLiteral("HZDWSJ"), {demo::unitCellRow({.unit = "0'1", .bh = "2'01", .date = "200403", .row = "0003",
                                            .col = "04", .text = "88.8", .data = 0}),
                                            demo::unitCellRow({.unit = "0'1", .bh = "2'01", .date = "200403",
                                                .row = "0004", .col = "04", .text = "1", .data = 0})});
    runJob(as.dm(), {.management = false, .summary = true});
    QCOMPARE(as.rows(QStringLiteral("select HZD_ORDE, DYZD_DATA from HZDWSJ order by HZD_ORDE")),
        (QList<QStringList>{{"0003", "88.8"}, {"0004", "1"}}));
    QCOMPARE(prompts.texts(), QStringList{summaryOf(-1, 0, 2, 0)});
}

void TestUnitInfoOpti::allFourTables()
{
    ScriptedPrompts prompts;
    TestAccountSet as;
    as.insert(QStringLiteral("KRDYZD"), {cell("101", "0003", "12.5", 0), cell("101", "0004", "3000", 0),
                                            cell("101", "0005", "", 0), cell("101", "0006", "0", 0)});
    as.insert(QStringLiteral("HZDYZD"), {cell("201", "0003", "45", 0)});
    as.insert(QStringLiteral("HZDWSJ"), {demo::unitCellRow({.unit = "0001", .bh = "201", .date = "200403",
                                            .row = "0003", .col = "04", .text = "88.8", .data = 0})});
    QList<QVariantList> sums;
    for (const char* r : {"0001", "0002", "0003"})
        sums << demo::unitCellRow({.unit = "01", .bh = "201", .date = "200403", .row = r, .col = "04",
            .text = "177.6", .data = 0});
    as.insert(QStringLiteral("HZHZSJ"), sums);

    ProgressLog log;
    runJob(as.dm(), {}, &log);

    QCOMPARE(prompts.texts(), QStringList{summaryOf(2, 1, 1, 3)});
    QCOMPARE(prompts.boxes.first().caption, QStringLiteral("提示"));
    QCOMPARE(prompts.boxes.first().icon, PromptIcon::Information);
    QCOMPARE(prompts.boxes.first().buttons, PromptButtons::Ok);
    QCOMPARE(as.count(QStringLiteral("KRDYZD"), QStringLiteral("DYZD_DATA = 0")), 2);
    QCOMPARE(as.value(QStringLiteral("select DYZD_DATA from HZDWSJ")), QStringLiteral("88.8"));
    QCOMPARE(as.count(QStringLiteral("HZHZSJ"), QStringLiteral("DYZD_DATA = 177.6")), 3);
    // One progress window per system, gone before the box.
    QCOMPARE(log.windows, 2);
    QCOMPARE(log.open, 0);
    QCOMPARE(log.maxima, (QList<int>{100, 4, 100, 1, 1, 3}));
    QCOMPARE(log.steps, 9);
    QCOMPARE(log.labels.mid(0, 6),
        (QStringList{"正在整理报表管理单元格不规范数据", "正在查找报表管理单元格不规范数据", "正在检查处理报表管理单元格不规范数据",
            "正在更新报表管理单元格不规范数据", "正在更新报表管理单元格不规范数据", "正在整理报表汇总单元格不规范数据"}));
    QCOMPARE(log.labels.last(), QStringLiteral("正在更新报表汇总汇总表不规范数据"));
}

void TestUnitInfoOpti::missingHistoricalTables()
{
    ScriptedPrompts prompts;
    TestAccountSet as;
    as.createReportTable(QStringLiteral("KR"), QStringLiteral("DYZD"), QStringLiteral("2002"));
    as.insert(QStringLiteral("KRDYZD2002"), {cell("101", "0003", "12.5", 0)});
    as.insert(QStringLiteral("HZDYZD"), {cell("201", "0003", "45", 0)});   // not this run's year

    runJob(as.dm(), {.management = true, .bbSuffix = "2002", .summary = true, .hzSuffix = "2002"});

    const QStringList texts = prompts.texts();
    QCOMPARE(texts.size(), 4);
    const QStringList tables{"HZDYZD2002", "HZDWSJ2002", "HZHZSJ2002"};
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(texts.at(i).startsWith(QStringLiteral("打开") + tables.at(i) + QStringLiteral("失败:")), qPrintable(texts.at(i)));
        QVERIFY(texts.at(i).size() > QStringLiteral("打开失败:").size() + tables.at(i).size());   // the database's message
        QCOMPARE(prompts.boxes.at(i).caption, QStringLiteral("提示"));
        QCOMPARE(prompts.boxes.at(i).icon, PromptIcon::Information);
    }
    QCOMPARE(texts.last(), summaryOf(1, 0, 0, 0));
    QCOMPARE(as.value(QStringLiteral("select DYZD_DATA from KRDYZD2002")), QStringLiteral("12.5"));
    QCOMPARE(as.value(QStringLiteral("select DYZD_DATA from HZDYZD")), QStringLiteral("0"));
}

void TestUnitInfoOpti::failedUpdateIsNotCounted()
{
    ScriptedPrompts prompts;
    TestAccountSet as;
    as.insert(QStringLiteral("KRDYZD"), {cell("101", "0003", "1", 0), cell("101", "0004", "2", 0), cell("101", "0005", "3", 0)});
    as.mast().setStatementHook([](const QString& sql) {
        if (sql.startsWith(QLatin1String("update KRDYZD")) && sql.contains(QLatin1String("'0004'")))
            throw DatabaseError(QStringLiteral("row locked"));
    });
    runJob(as.dm(), {.management = true, .summary = false});
    as.mast().setStatementHook({});
    QCOMPARE(as.rows(QStringLiteral("select DYZD_DATA from KRDYZD order by HZD_ORDE")),
        (QList<QStringList>{{"1"}, {"0"}, {"3"}}));
    QCOMPARE(prompts.texts(), QStringList{summaryOf(2, -1, -1, -1)});
}

void TestUnitInfoOpti::summaryTexts_data()
{
    QTest::addColumn<bool>("management");
    QTest::addColumn<bool>("summary");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("statements");
    QTest::newRow("neither") << false << false << QStringLiteral("\n单元格不规范数据整理结束！其中：") << 0;
    QTest::newRow("report management") << true << false << summaryOf(0, -1, -1, -1) << 1;
    QTest::newRow("report summary: three parts")
        << false << true
        << QStringLiteral("\n单元格不规范数据整理结束！其中：\n\n    整理报表汇总单元格不规范数据0条\n\n    整理报表汇总单位表不规范数据0条"
                          "\n\n    整理报表汇总汇总表不规范数据0条")
        << 3;
    QTest::newRow("both") << true << true << summaryOf(0, 0, 0, 0) << 4;
}

void TestUnitInfoOpti::summaryTexts()
{
    QFETCH(bool, management);
    QFETCH(bool, summary);
    QFETCH(QString, text);
    QFETCH(int, statements);

    ScriptedPrompts prompts;
    TestAccountSet as;
    as.mast().resetStatementCount();
    ProgressLog log;
    runJob(as.dm(), {.management = management, .summary = summary}, &log);
    QCOMPARE(prompts.texts(), QStringList{text});
    QCOMPARE(as.mast().statementCount(), qint64(statements));
    QCOMPARE(log.windows, int(management) + int(summary));
}

void TestUnitInfoOpti::window()
{
    ScriptedPrompts prompts;
    TestAccountSet as;
    as.createReportTable(QStringLiteral("HZ"), QStringLiteral("DYZD"), QStringLiteral("1999"));
    as.insert(QStringLiteral("HZDYZD1999"), {cell("201", "0003", "45", 0)});
    as.insert(QStringLiteral("KRDYZD"), {cell("101", "0003", "12.5", 0)});

    TUnitInfoOptiForm form(as.dm());
    QCOMPARE(form.windowTitle(), QStringLiteral("单元格不规范数据整理"));
    QCOMPARE(form.OptiButton->text(), QStringLiteral("整理"));
    QCOMPARE(form.CloseButton->text(), QStringLiteral("关闭"));
    QCOMPARE(form.BBCheckBox->text(), QStringLiteral("报表管理"));
    QCOMPARE(form.HZCheckBox->text(), QStringLiteral("报表汇总"));
    QVERIFY(form.BBCheckBox->isChecked() && form.HZCheckBox->isChecked());
    QCOMPARE(form.BBYearSpin->objectName(), QStringLiteral("BBYearSpin"));
    QCOMPARE(form.HZGroup->objectName(), QStringLiteral("HZGroup"));
    QVERIFY(!form.HZYearSpin->isEnabled());

    // The summary system's historical year through the widgets.
    form.HZChoice->historicalItem()->setChecked(true);
    QVERIFY(form.HZYearSpin->isEnabled());
    form.HZYearSpin->setValue(1999);
    form.OptiButton->click();

    const QStringList texts = prompts.texts();
    QCOMPARE(texts.size(), 3);
    QVERIFY(texts.at(0).startsWith(QStringLiteral("打开HZDWSJ1999失败:")));
    QVERIFY(texts.at(1).startsWith(QStringLiteral("打开HZHZSJ1999失败:")));
    QCOMPARE(texts.at(2), summaryOf(1, 1, 0, 0));
    QCOMPARE(as.value(QStringLiteral("select DYZD_DATA from KRDYZD")), QStringLiteral("12.5"));
    QCOMPARE(as.value(QStringLiteral("select DYZD_DATA from HZDYZD1999")), QStringLiteral("45"));
    QVERIFY(form.OptiButton->isEnabled());
}

QTEST_MAIN(TestUnitInfoOpti)
#include "test_unit_info_opti.moc"
