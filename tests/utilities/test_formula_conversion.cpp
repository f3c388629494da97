#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "data_module/recording_backend.h"
#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "support/job_rig.h"
#include "support/logged_progress.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"
#include "utilities/formula_conversion.h"
#include "utilities/ui/js2jy_form.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

namespace {
const QString S = QStringLiteral("【09:05:07】 ");
QTime fixedClock() { return QTime(9, 5, 7); }

struct Lines : ReportSink {
    QStringList lines;
    void addLine(const QString& line) override { lines << line; }
    void clear() override { lines.clear(); }
};

struct Run {
    ScriptedPrompts prompts;
    NullEvents events;
    ProgressLog progress;
    Lines report;
    void operator()(TEndYearDataMod& dm, FormulaConversionOptions options)
    {
        FormulaConversionJob(testJobContext(dm, events, loggedProgress(progress), fixedClock), options, report).run();
    }
    // Sum of the report lines' counts.
    int copied() const
    {
        static const QRegularExpression count(QStringLiteral("公式另存为校验公式(\\d+)条！$"));
        int n = 0;
        for (const QString& l : report.lines)
            if (const auto m = count.match(l); m.hasMatch())
                n += m.captured(1).toInt();
        return n;
    }
};

FormulaConversionOptions only(ReportSystem system, const QString& suffix = {})
{
    FormulaConversionOptions o;
    o.management = {system == ReportSystem::Management, suffix};
    o.summary = {system == ReportSystem::Summary, suffix};
    return o;
}

QString cellFormulaWithoutCheck(const QString& p)
{
    return QStringLiteral("select count(*) from (select distinct c.BBZD_BH, c.BBZD_DATE, c.HZD_ORDE, c.LZD_ORDE from %1DYZD c "
                          "where c.DYZD_GSX <> '' and c.DYZD_GSX not like 'MACRO_(%%' and not exists (select 1 from %1JYGS j "
                          "where j.BBZD_BH = c.BBZD_BH and j.BBZD_DATE = c.BBZD_DATE and j.HZD_ORDE = c.HZD_ORDE "
                          "and j.LZD_ORDE = c.LZD_ORDE and coalesce(j.JYGS_EXP,'') || coalesce(j.JYGS_EXP1,'') "
                          "= c.DYZD_GSX || coalesce(c.DYZD_GSX1,'')))").arg(p);
}

QStringList ordinals(TestAccountSet& as, const QString& table, const QString& bh, const QString& date)
{
    QStringList out;
    for (const QStringList& r : as.rows(QStringLiteral("select JYGS_ORDE from %1 where BBZD_BH = '%2' and BBZD_DATE = '%3' "
                                                       "order by JYGS_ORDE").arg(table, bh, date)))
        out << r[0];
    return out;
}

QStringList range(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QString::number(i);
    return out;
}

// A data module on the recording engine: one report 101/200401 with one formula cell.
struct Recorded {
    RecordingBackend* backend = nullptr;
    std::unique_ptr<TEndYearDataMod> dm;
    Recorded(int kind, const QString& dbms, bool extended)
    {
        auto b = std::make_unique<RecordingBackend>();
        backend = b.get();
        backend->dbms = dbms;
        if (!extended)
            backend->fail(QStringLiteral("JYGS_EXP2,JYGS_EXP3 from"));
        backend->answer(QStringLiteral("select BBZD_BH,BBZD_DATE from KRBBZD"),
            {{"BBZD_BH", "BBZD_DATE"}, {{"10'1", "200401"}}});
        backend->answer(QStringLiteral("max(JYGS_ORDE)"), {{"MaxOrde"}, {{"7"}}});
        backend->answer(QStringLiteral(" select * from KRDYZD"),
            {{"HZD_ORDE", "LZD_ORDE", "DYZD_GSX", "DYZD_GSX1"}, {{"0001", "08", "IIF(H>0,'a',", QVariant()}}});
        dm = std::make_unique<TEndYearDataMod>(std::move(b));
        dm->mast.connect();
        dm->state.DatabaseKind = DbKind(kind);
    }
};
}

class TestFormulaConversion : public QObject {
    Q_OBJECT
private slots:
    void demoRunTwiceCopiesOnce();
    void reportLines();
    void missingTables();
    void rejectedInsertTakesNoOrdinal();
    void extendedLayoutOnTheDemo();
    void statementsOfEachKind_data();
    void statementsOfEachKind();
    void existenceTestAndOrdinal_data();
    void existenceTestAndOrdinal();
    void window();
};

void TestFormulaConversion::demoRunTwiceCopiesOnce()
{
    TestAccountSet as({.demoContent = true});
    const int missingKR = as.value(cellFormulaWithoutCheck("KR")).toInt();
    const int missingHZ = as.value(cellFormulaWithoutCheck("HZ")).toInt();
    QVERIFY(missingKR > 100);
    const int before = as.count("KRJYGS") + as.count("HZJYGS");

    Run first;
    first(as.dm(), {});
    QCOMPARE(first.copied(), missingKR + missingHZ);
    QCOMPARE(as.value(cellFormulaWithoutCheck("KR")), QStringLiteral("0"));
    QCOMPARE(as.value(cellFormulaWithoutCheck("HZ")), QStringLiteral("0"));
    QCOMPARE(first.progress.windows, 2);
    QCOMPARE(first.progress.labels, (QStringList{QStringLiteral("正在将报表管理系统计算公式另存为校验公式！"),
                                        QStringLiteral("正在将报表汇总系统计算公式另存为校验公式！")}));
    QCOMPARE(first.prompts.texts(), QStringList{QStringLiteral("计算公式另存为校验公式结束，请查看另存报告! ")});
    QCOMPARE(first.prompts.boxes[0].caption, QStringLiteral("提示"));
    for (const QString p : {QStringLiteral("KR"), QStringLiteral("HZ")}) {
        const QString A = demo::demoReportNumber(p, 0), D = demo::demoReportNumber(p, 3);
        // 26 formulas, 3 of them present as ordinals 1-3 of 7.
        QCOMPARE(ordinals(as, p + "JYGS", A, "200401"), range(1, 30));
        // D: 26 + the quoted one + the two with a NULL part, one of them present as 1.
        QCOMPARE(ordinals(as, p + "JYGS", D, "200401"), range(1, 29));
        QCOMPARE(as.value(QStringLiteral("select JYGS_EXP from %1JYGS where BBZD_BH = '%2' and HZD_ORDE = '0002' "
                                         "and LZD_ORDE = '07'").arg(p, D)),
            QStringLiteral("IIF(H0002L04>0,'增加','减少')"));
        QCOMPARE(as.rows(QStringLiteral("select JYGS_EXP, JYGS_EXP1, JYGS_GX from %1JYGS where BBZD_BH = '%2' "
                                        "and LZD_ORDE = '07' and HZD_ORDE in ('0003', '0004') order by HZD_ORDE").arg(p, D)),
            (QList<QStringList>{{"H0003L04*2", TestAccountSet::nullText(), "="},
                {"H0004L04*2", TestAccountSet::nullText(), "="}}));
        QCOMPARE(as.count(p + "JYGS", "JYGS_EXP like 'MACRO%'"), 0);
        // The formula in two parts keeps them.
        QCOMPARE(as.count(p + "JYGS", QStringLiteral("BBZD_BH = '%1' and BBZD_DATE = '200401' and HZD_ORDE = '0020' "
                                                     "and LZD_ORDE = '02' and length(JYGS_EXP) = 100 and JYGS_EXP1 <> ''").arg(A)), 1);
        QVERIFY(first.report.lines.contains(S + QStringLiteral("开始将编号为%1，日期为200401的报表计算公式另存为校验公式！").arg(D)));
        QVERIFY(first.report.lines.contains(S + QStringLiteral("编号为%1，日期为200401的报表将计算公式另存为校验公式28条！").arg(D)));
    }
    // Reports saved only in the dictionaries (D under 2003) have no cells: no line at all.
    for (const QString& l : first.report.lines)
        QVERIFY2(!l.contains(QStringLiteral("日期为2003的")), qPrintable(l));
    const int after = as.count("KRJYGS") + as.count("HZJYGS");
    QVERIFY(after - before >= first.copied());

    Run second;
    second(as.dm(), {});
    QCOMPARE(second.copied(), 0);
    QCOMPARE(as.count("KRJYGS") + as.count("HZJYGS"), after);
    int countLines = 0;
    for (const QString& l : second.report.lines)
        if (l.contains(QStringLiteral("的报表将计算公式另存为校验公式"))) {
            ++countLines;
            QVERIFY2(l.endsWith(QStringLiteral("校验公式0条！")), qPrintable(l));
        }
    QCOMPARE(2 * countLines, first.report.lines.size() - 4);
}

void TestFormulaConversion::reportLines()
{
    TestAccountSet as;
    as.insert("KRBBZD", {demo::reportRow({.bh = "101", .date = "200401"}), demo::reportRow({.bh = "102", .date = "200401"}),
                            demo::reportRow({.bh = "O'1", .date = "200401"})});
    as.insert("KRDYZD", {demo::cellRow({.bh = "101", .date = "200401", .row = "0001", .col = "02", .gsx = "MACRO1(YSBB,L02)"}),
                            demo::cellRow({.bh = "101", .date = "200401", .row = "0001", .col = "03", .gsx = "MACROX(A)"}),
                            demo::cellRow({.bh = "101", .date = "200401", .row = "0001", .col = "04"}),
                            demo::cellRow({.bh = "102", .date = "200401", .row = "0001", .col = "02", .gsx = "MACRO(1)"}),
                            demo::cellRow({.bh = "102", .date = "200401", .row = "0001", .col = "03", .gsx = "MACRO12(1)"}),
                            demo::cellRow({.bh = "O'1", .date = "200401", .row = "0002", .col = "03", .gsx = "H1"})});
    as.insert("KRJYGS", {demo::checkRow({.bh = "102", .date = "200401", .orde = 4, .row = "0009", .col = "09", .exp = "X"})});
    Run run;
    run(as.dm(), only(ReportSystem::Management));
    // "MACRO" + one character + "(" is a macro; "MACRO(" and "MACRO12(" are formulas.
    QCOMPARE(run.report.lines, (QStringList{
        S + QStringLiteral("------报表管理系统计算公式另存为校验公式开始执行------"),
        S + QStringLiteral("开始将编号为102，日期为200401的报表计算公式另存为校验公式！"),
        S + QStringLiteral("编号为102，日期为200401的报表将计算公式另存为校验公式2条！"),
        S + QStringLiteral("开始将编号为O'1，日期为200401的报表计算公式另存为校验公式！"),
        S + QStringLiteral("编号为O'1，日期为200401的报表将计算公式另存为校验公式1条！"),
        S + QStringLiteral("------报表管理系统计算公式另存为校验公式结束执行------")}));
    QCOMPARE(ordinals(as, "KRJYGS", "102", "200401"), (QStringList{"4", "5", "6"}));
    QCOMPARE(as.value("select JYGS_EXP from KRJYGS where BBZD_BH = 'O''1'"), QStringLiteral("H1"));
    QCOMPARE(run.progress.windows, 1);
    QCOMPARE(run.progress.open, 0);
}

void TestFormulaConversion::missingTables()
{
    TestAccountSet as;
    as.insert("HZBBZD", {demo::reportRow({.bh = "201", .date = "200401"})});
    as.exec("drop table HZDYZD");
    Run run;
    run(as.dm(), {.management = {true, "1999"}, .summary = {true, ""}});
    QCOMPARE(run.report.lines, (QStringList{
        S + QStringLiteral("------报表管理系统计算公式另存为校验公式开始执行------"),
        S + QStringLiteral("数据表KRBBZD1999不存在！"),
        S + QStringLiteral("------报表管理系统计算公式另存为校验公式结束执行------"),
        S + QStringLiteral("------报表汇总系统计算公式另存为校验公式开始执行------"),
        S + QStringLiteral("打开编号为201，日期为200401的报表HZDYZD失败！"),
        S + QStringLiteral("编号为201，日期为200401的报表将计算公式另存为校验公式0条！"),
        S + QStringLiteral("------报表汇总系统计算公式另存为校验公式结束执行------")}));
    QCOMPARE(run.prompts.boxes.size(), 1);
}

void TestFormulaConversion::rejectedInsertTakesNoOrdinal()
{
    TestAccountSet as;
    as.insert("KRBBZD", {demo::reportRow({.bh = "101", .date = "200401"})});
    QList<QVariantList> cells;
    for (int r = 1; r <= 3; ++r)
        cells << demo::cellRow({.bh = "101", .date = "200401", .row = QStringLiteral("000%1").arg(r), .col = "08",
            .gsx = QStringLiteral("H%1").arg(r)});
    as.insert("KRDYZD", cells);
    as.mast().setStatementHook([](const QString& sql) {
        if (sql.contains(QLatin1String("insert into")) && sql.contains(QLatin1String("HZD_ORDE='0002'")))
            throw DatabaseError(QStringLiteral("refused"));
    });
    Run run;
    run(as.dm(), only(ReportSystem::Management));
    QCOMPARE(as.rows("select HZD_ORDE, JYGS_ORDE from KRJYGS order by HZD_ORDE"),
        (QList<QStringList>{{"0001", "1"}, {"0003", "2"}}));
    QVERIFY(run.report.lines.contains(S + QStringLiteral("编号为101，日期为200401的报表将计算公式另存为校验公式2条！")));
}

void TestFormulaConversion::extendedLayoutOnTheDemo()
{
    TestAccountSet as({.demoContent = true});
    Run run;
    run(as.dm(), only(ReportSystem::Summary, "2002"));
    // Rows 2-4 copied in four parts after ordinal 3; row 1 is present; the macro stays.
    QCOMPARE(as.rows("select JYGS_ORDE, HZD_ORDE, JYGS_EXP || JYGS_EXP1 || JYGS_EXP2 || JYGS_EXP3, JYGS_SM, JYGS_BZ "
                     "from HZJYGS2002 where JYGS_ORDE > 3 order by JYGS_ORDE"),
        (QList<QStringList>{{"4", "0002", "H0002L04-H0002L03+H0002L05-H0002L06", "", ""},
            {"5", "0003", "H0003L04-H0003L03+H0003L05-H0003L06", "", ""},
            {"6", "0004", "H0004L04-H0004L03+H0004L05-H0004L06", "", ""}}));
    QCOMPARE(as.count("HZJYGS2002"), 4);
    Run again;
    again(as.dm(), only(ReportSystem::Summary, "2002"));
    QCOMPARE(again.copied(), 0);
}

void TestFormulaConversion::statementsOfEachKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("dbms");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QString>("emptiness");
    QTest::addColumn<QString>("stored");
    QTest::newRow("SQL Anywhere, plain") << 0 << "SQL Anywhere" << false << "   and DYZD_GSX <>''              "
                                         << "coalesce(JYGS_EXP,'')+coalesce(JYGS_EXP1,'')";
    QTest::newRow("Sybase, extended") << 1 << "Adaptive Server Enterprise" << true << "   and DYZD_GSX <>''              "
                                      << "coalesce(JYGS_EXP,'')+coalesce(JYGS_EXP1,'')";
    QTest::newRow("SQL Server") << 2 << "Microsoft SQL Server" << false << "   and DYZD_GSX <>''              "
                                << "coalesce(JYGS_EXP,'')+coalesce(JYGS_EXP1,'')";
    QTest::newRow("Oracle") << 3 << "Oracle" << true << "   and (DYZD_GSX is not null)       "
                            << "coalesce(JYGS_EXP,'')||coalesce(JYGS_EXP1,'')";
    QTest::newRow("DB2") << 3 << "DB2/LINUXX8664" << false << "   and (DYZD_GSX is not null)       "
                         << "coalesce(JYGS_EXP,'')||coalesce(JYGS_EXP1,'')";
}

void TestFormulaConversion::statementsOfEachKind()
{
    QFETCH(int, kind);
    QFETCH(QString, dbms);
    QFETCH(bool, extended);
    QFETCH(QString, emptiness);
    QFETCH(QString, stored);
    Recorded r(kind, dbms, extended);
    Run run;
    run(*r.dm, only(ReportSystem::Management));
    const QString bh = QStringLiteral("10''1");
    QStringList insert{" insert into KRJYGS",
        " select BBZD_BH,BBZD_DATE,'8',HZD_ORDE,LZD_ORDE,DYZD_HOFFSET,DYZD_LOFFSET,'=',DYZD_GSX,DYZD_GSX1,'','' "};
    if (extended)
        insert << ",DYZD_GSX2,DYZD_GSX3";
    insert << " from KRDYZD" << " where BBZD_BH ='" + bh + "' and BBZD_DATE='200401'  "
           << "  and  HZD_ORDE='0001' and LZD_ORDE='08' ";
    QCOMPARE(r.backend->statements(), (QStringList{
        "select BBZD_BH,BBZD_DATE from KRBBZD",
        "select  JYGS_EXP2,JYGS_EXP3 from KRJYGS where 1>2",
        QStringList{" select * from KRDYZD", " where  BBZD_BH  ='" + bh + "'     ", "  and   BBZD_DATE='200401'     ",
            "  and   DYZD_GSX not  like 'MACRO_(%'  ", emptiness}.join('\n'),
        QStringList{"select max(JYGS_ORDE) MaxOrde", "from KRJYGS", "where BBZD_BH  ='" + bh + "'",
            "  and BBZD_DATE='200401'"}.join('\n'),
        QStringList{" select BBZD_BH ", " from KRJYGS", " where BBZD_BH ='" + bh + "' and BBZD_DATE='200401' ",
            "   and HZD_ORDE='0001'  and LZD_ORDE ='08' ", "   and " + stored + "='IIF(H>0,''a'',' "}.join('\n'),
        insert.join('\n')}));
    QCOMPARE(run.copied(), 1);
}

void TestFormulaConversion::existenceTestAndOrdinal_data()
{
    // On SQLite "+" adds: a formula stored in two parts, or with a NULL second part, is
    // found only through the concatenation of the database.
    QTest::addColumn<QVariant>("exp1");
    QTest::newRow("second part empty") << QVariant(QStringLiteral(""));
    QTest::newRow("second part NULL") << QVariant();
    QTest::newRow("second part holds the rest") << QVariant(QStringLiteral("L03"));
}

void TestFormulaConversion::existenceTestAndOrdinal()
{
    QFETCH(QVariant, exp1);
    TestAccountSet as;
    const QString formula = exp1.toString().isEmpty() ? QStringLiteral("H0001L04-H0001L03") : QStringLiteral("H0001L04-H0001");
    QVariantList check = demo::checkRow({.bh = "101", .date = "200401", .orde = 1, .row = "0001", .col = "08", .exp = formula});
    check[9] = exp1;
    as.insert("KRJYGS", {check});
    NullEvents events;
    Lines report;
    FormulaConversionJob job(testJobContext(as.dm(), events, {}, fixedClock), {}, report);
    job.setTables(ReportSystem::Management, {});
    job.setReport("101", "200401");
    QVERIFY(job.FormulaExists("0001", "08", "H0001L04-H0001L03"));
    QVERIFY(!job.FormulaExists("0001", "08", "H0001L04-H0001L0"));
    QVERIFY(!job.FormulaExists("0002", "08", "H0001L04-H0001L03"));
    QCOMPARE(job.NextCheckOrdinal(), QStringLiteral("2"));
    job.setReport("102", "200401");
    QCOMPARE(job.NextCheckOrdinal(), QStringLiteral("1"));
    job.setTables(ReportSystem::Management, "1999");
    QCOMPARE(job.NextCheckOrdinal(), QStringLiteral("-1"));
    QVERIFY(job.FormulaExists("0001", "08", "H0001L04-H0001L03"));   // a failing test counts as present
    QVERIFY(!job.HasExtendedColumns());
}

void TestFormulaConversion::window()
{
    TestAccountSet as;
    as.insert("KRBBZD", {demo::reportRow({.bh = "101", .date = "200401"})});
    as.insert("KRDYZD", {demo::cellRow({.bh = "101", .date = "200401", .row = "0001", .col = "08", .gsx = "H1"})});
    ScriptedPrompts prompts;
    TJs2JyForm form(as.dm());
    form.setClock(fixedClock);
    QCOMPARE(form.windowTitle(), QStringLiteral("计算公式另存为校验公式   注意：本功能只适用于roru用户！"));
    QCOMPARE(form.PageControl1->tabText(0), QStringLiteral("另存操作"));
    QCOMPARE(form.PageControl1->tabText(1), QStringLiteral("另存报告"));
    QCOMPARE(form.ReDefButton->text(), QStringLiteral("另存"));
    QCOMPARE(form.CloseButton->text(), QStringLiteral("关闭"));
    QVERIFY(form.findChild<QCheckBox*>("BBCheckBox")->isChecked());
    QVERIFY(form.findChild<QCheckBox*>("HZCheckBox")->isChecked());
    form.findChild<QCheckBox*>("HZCheckBox")->setChecked(false);
    form.BBChoice->setSelectedItem(1);
    QVERIFY(form.findChild<QSpinBox*>("BBYearSpin")->isEnabled());
    form.BBChoice->setSelectedItem(0);
    QVERIFY(!form.findChild<QSpinBox*>("BBYearSpin")->isEnabled());
    form.ReDefButton->click();
    QCOMPARE(form.SaveMemo->lines().size(), 4);
    QCOMPARE(form.SaveMemo->lines().last(), S + QStringLiteral("------报表管理系统计算公式另存为校验公式结束执行------"));
    QCOMPARE(as.count("KRJYGS"), 1);
    QCOMPARE(form.PageControl1->currentIndex(), 0);
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("计算公式另存为校验公式结束，请查看另存报告! ")});
}

QTEST_MAIN(TestFormulaConversion)
#include "test_formula_conversion.moc"
