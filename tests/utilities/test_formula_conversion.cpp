#include "data_module/database_error.h"
#include "support/recording_backend.h"
#include "support/job_rig.h"
#include "support/recorders.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"
#include "utilities/formula_conversion.h"

#include <QtTest>

namespace {
const QString S = QStringLiteral("【09:05:07】 ");

struct Run : ReportSink {
    ScriptedPrompts prompts;
    NullEvents events;
    ProgressLog progress;
    QStringList lines;
    void addLine(const QString& line) override { lines << line; }
    void clear() override { lines.clear(); }
    // Runs the job; returns the sum of the count lines.
    int operator()(TEndYearDataMod& dm, FormulaConversionOptions options = {})
    {
        FormulaConversionJob(testJobContext(dm, events, loggedProgress(progress), [] { return QTime(9, 5, 7); }),
            options, *this).run();
        static const QRegularExpression count(QStringLiteral("公式另存为校验公式(\\d+)条！$"));
        int n = 0;
        for (const QString& l : lines)
            n += count.match(l).captured(1).toInt();
        return n;
    }
};

// Formula cells of a system that no check formula of the same cell and text matches.
int uncopied(TestAccountSet& as, const QString& p, const QString& suffix = {})
{
    return as.value(QStringLiteral("select count(*) from (select distinct c.BBZD_BH, c.BBZD_DATE, c.HZD_ORDE, c.LZD_ORDE "
        "from %1DYZD%2 c where c.DYZD_GSX <> '' and c.DYZD_GSX not like 'MACRO_(%' and not exists (select 1 from "
        "%1JYGS%2 j where j.BBZD_BH = c.BBZD_BH and j.BBZD_DATE = c.BBZD_DATE and j.HZD_ORDE = c.HZD_ORDE and "
        "j.LZD_ORDE = c.LZD_ORDE and coalesce(j.JYGS_EXP,'') || coalesce(j.JYGS_EXP1,'') = c.DYZD_GSX || "
        "coalesce(c.DYZD_GSX1,'')))").arg(p, suffix)).toInt();
}

QString ordinals(TestAccountSet& as, const QString& table, const QString& bh)
{
    return as.value(QStringLiteral("select group_concat(JYGS_ORDE) from (select JYGS_ORDE from %1 where BBZD_BH = '%2' "
                                   "and BBZD_DATE = '200401' order by JYGS_ORDE)").arg(table, bh));
}

QString range(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QString::number(i);
    return out.join(',');
}
}

class TestFormulaConversion : public QObject {
    Q_OBJECT
private slots:
    void demoRunTwiceCopiesOnce();
    void reportLinesAndFailures();
    void statementsOfEachKind_data();
    void statementsOfEachKind();
};

void TestFormulaConversion::demoRunTwiceCopiesOnce()
{
    TestAccountSet as({.demoContent = true});
    const int missing = uncopied(as, "KR") + uncopied(as, "HZ");
    Run first;
    QCOMPARE(first(as.dm()), missing);
    QCOMPARE(uncopied(as, "KR") + uncopied(as, "HZ"), 0);
    QCOMPARE(first.progress.labels, (QStringList{QStringLiteral("正在将报表管理系统计算公式另存为校验公式！"),
                                        QStringLiteral("正在将报表汇总系统计算公式另存为校验公式！")}));
    QCOMPARE(first.prompts.texts(), QStringList{QStringLiteral("计算公式另存为校验公式结束，请查看另存报告! ")});
    for (const QString& p : {QStringLiteral("KR"), QStringLiteral("HZ")}) {
        const QString A = demo::demoReportNumber(p, 0), D = demo::demoReportNumber(p, 3);
        QCOMPARE(ordinals(as, p + "JYGS", A), range(1, 30));   // 26 formulas, 3 of them ordinals 1-3 of 7
        // D: 26 + the quoted one + the two with a NULL second part, one of them ordinal 1.
        QCOMPARE(ordinals(as, p + "JYGS", D), range(1, 29));
        QCOMPARE(as.rows(QStringLiteral("select JYGS_EXP, JYGS_EXP1 from %1JYGS where BBZD_BH = '%2' and LZD_ORDE = '07' "
                                        "and HZD_ORDE < '0005' order by HZD_ORDE").arg(p, D)),
            (QList<QStringList>{{"IIF(H0002L04>0,'增加','减少')", ""}, {"H0003L04*2", TestAccountSet::nullText()},
                {"H0004L04*2", TestAccountSet::nullText()}}));
        QCOMPARE(as.count(p + "JYGS", "JYGS_EXP like 'MACRO%'"), 0);
        QVERIFY(first.lines.contains(S + QStringLiteral("编号为%1，日期为200401的报表将计算公式另存为校验公式28条！").arg(D)));
    }
    // D under 2003 is saved in the dictionaries only: no cells, no line.
    QVERIFY(!first.lines.join('\n').contains(QStringLiteral("日期为2003的")));

    Run second;
    QCOMPARE(second(as.dm()), 0);
    QCOMPARE(second.lines.size(), first.lines.size());

    // The extended layout of the summary system's 2002 tables: four parts, after ordinal 3.
    Run extended;
    QCOMPARE(extended(as.dm(), {.management = {false, {}}, .summary = {true, "2002"}}), 3);
    QCOMPARE(as.value("select group_concat(JYGS_ORDE || ':' || JYGS_EXP || JYGS_EXP1 || JYGS_EXP2 || JYGS_EXP3, ' ') "
                      "from HZJYGS2002 where HZD_ORDE = '0004'"), QStringLiteral("6:H0004L04-H0004L03+H0004L05-H0004L06"));
    QCOMPARE(uncopied(as, "HZ", "2002"), 0);
}

void TestFormulaConversion::reportLinesAndFailures()
{
    TestAccountSet as;
    as.insert("KRBBZD", {demo::reportRow({.bh = "101", .date = "200401"}), demo::reportRow({.bh = "O'1", .date = "200401"})});
    as.insert("HZBBZD", {demo::reportRow({.bh = "201", .date = "200401"})});
    QList<QVariantList> cells;
    // "MACRO" + one character + "(" is a macro, empty is no formula; the others are copied.
    for (const char* f : {"MACRO1(YSBB,L02)", "MACROX(A)", "", "MACRO(1)", "MACRO12(1)", "H1"})
        cells << demo::cellRow({.bh = "O'1", .date = "200401", .row = "0001", .col = QString::number(cells.size() + 10),
            .gsx = QString::fromUtf8(f)});
    cells << demo::cellRow({.bh = "101", .date = "200401", .row = "0001", .col = "02", .gsx = "MACRO1(A)"});
    as.insert("KRDYZD", cells);
    as.insert("KRJYGS", {demo::checkRow({.bh = "O'1", .date = "200401", .orde = 4, .row = "0009", .col = "09", .exp = "X"})});
    as.exec("drop table HZDYZD");
    // A refused insert takes no ordinal and is not counted.
    as.mast().setStatementHook([](const QString& sql) {
        if (sql.contains(QLatin1String("insert into")) && sql.contains(QLatin1String("LZD_ORDE='14'")))
            throw DatabaseError(QStringLiteral("refused"));
    });
    Run run;
    run(as.dm());
    const QString bb = QStringLiteral("报表管理系统计算公式另存为校验公式"), hz = QStringLiteral("报表汇总系统计算公式另存为校验公式");
    QCOMPARE(run.lines, (QStringList{S + "------" + bb + "开始执行------",
                            S + QStringLiteral("开始将编号为O'1，日期为200401的报表计算公式另存为校验公式！"),
                            S + QStringLiteral("编号为O'1，日期为200401的报表将计算公式另存为校验公式2条！"),
                            S + "------" + bb + "结束执行------", S + "------" + hz + "开始执行------",
                            S + QStringLiteral("打开编号为201，日期为200401的报表HZDYZD失败！"),
                            S + QStringLiteral("编号为201，日期为200401的报表将计算公式另存为校验公式0条！"),
                            S + "------" + hz + "结束执行------"}));
    QCOMPARE(as.rows("select LZD_ORDE, JYGS_ORDE from KRJYGS where JYGS_ORDE > 4 order by LZD_ORDE"),
        (QList<QStringList>{{"13", "5"}, {"15", "6"}}));
    Run missing;
    missing(as.dm(), {.management = {true, "1999"}, .summary = {false, {}}});
    QCOMPARE(missing.lines.mid(1), (QStringList{S + QStringLiteral("数据表KRBBZD1999不存在！"), S + "------" + bb + "结束执行------"}));
    QCOMPARE(missing.prompts.boxes.size(), 1);
}

void TestFormulaConversion::statementsOfEachKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("dbms");
    QTest::addColumn<bool>("extended");
    QTest::newRow("SQL Anywhere, plain") << 0 << "SQL Anywhere" << false;
    QTest::newRow("Sybase, extended") << 1 << "Adaptive Server Enterprise" << true;
    QTest::newRow("SQL Server") << 2 << "Microsoft SQL Server" << false;
    QTest::newRow("Oracle, extended") << 3 << "Oracle" << true;
    QTest::newRow("DB2") << 3 << "DB2/LINUXX8664" << false;
}

void TestFormulaConversion::statementsOfEachKind()
{
    QFETCH(int, kind);
    QFETCH(QString, dbms);
    QFETCH(bool, extended);
    auto backend = std::make_unique<RecordingBackend>();
    RecordingBackend& r = *backend;
    r.dbms = dbms;
    if (!extended)
        r.fail(QStringLiteral("JYGS_EXP2,JYGS_EXP3 from"));
    r.answer(QStringLiteral("from KRBBZD"), {{"BBZD_BH", "BBZD_DATE"}, {{"10'1", "200401"}}});
    r.answer(QStringLiteral("max(JYGS_ORDE)"), {{"MaxOrde"}, {{"7"}}});
    r.answer(QStringLiteral(" select * from KRDYZD"),
        {{"HZD_ORDE", "LZD_ORDE", "DYZD_GSX", "DYZD_GSX1"}, {{"0001", "08", "IIF(H>0,'a',", QVariant()}}});
    TEndYearDataMod dm(std::move(backend));
    dm.mast.connect();
    dm.state.DatabaseKind = DbKind(kind);
    Run run;
    QCOMPARE(run(dm, {.management = {true, {}}, .summary = {false, {}}}), 1);

    const QString bh = QStringLiteral("10''1");
    const QString concat = kind == 3 ? "||" : "+";
    QCOMPARE(r.statements(), (QStringList{"select BBZD_BH,BBZD_DATE from KRBBZD",
        "select  JYGS_EXP2,JYGS_EXP3 from KRJYGS where 1>2",
        QStringList{" select * from KRDYZD", " where  BBZD_BH  ='" + bh + "'     ", "  and   BBZD_DATE='200401'     ",
            "  and   DYZD_GSX not  like 'MACRO_(%'  ",
            kind == 3 ? "   and (DYZD_GSX is not null)       " : "   and DYZD_GSX <>''              "}.join('\n'),
        QStringList{"select max(JYGS_ORDE) MaxOrde", "from KRJYGS", "where BBZD_BH  ='" + bh + "'",
            "  and BBZD_DATE='200401'"}.join('\n'),
        QStringList{" select BBZD_BH ", " from KRJYGS", " where BBZD_BH ='" + bh + "' and BBZD_DATE='200401' ",
            "   and HZD_ORDE='0001'  and LZD_ORDE ='08' ",
            "   and coalesce(JYGS_EXP,'')" + concat + "coalesce(JYGS_EXP1,'')='IIF(H>0,''a'',' "}.join('\n'),
        (QStringList{" insert into KRJYGS",
             " select BBZD_BH,BBZD_DATE,'8',HZD_ORDE,LZD_ORDE,DYZD_HOFFSET,DYZD_LOFFSET,'=',DYZD_GSX,DYZD_GSX1,'','' "}
            + (extended ? QStringList{",DYZD_GSX2,DYZD_GSX3"} : QStringList{})
            + QStringList{" from KRDYZD", " where BBZD_BH ='" + bh + "' and BBZD_DATE='200401'  ",
                "  and  HZD_ORDE='0001' and LZD_ORDE='08' "}).join('\n')}));
}

QTEST_MAIN(TestFormulaConversion)
#include "test_formula_conversion.moc"
