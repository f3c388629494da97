#include "app/report_memo.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"
#include "utilities/record_statistics.h"
#include "utilities/report_compare.h"
#include "utilities/ui/tab_count_form.h"

#include <QFile>
#include <QPushButton>
#include <QStringEncoder>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {
// "module|table|count" with "-" for a table without history.
QStringList flat(const CountReport& report)
{
    QStringList out;
    for (const CountLine& l : report.lines)
        out << l.module + "|" + l.table + "|" + (l.count ? QString::number(*l.count) : QStringLiteral("-"));
    return out;
}

QStringList flat(const ReportComparison& c)
{
    static const char* states[] = {"=", "changed", "first", "second"};
    QStringList out;
    for (const ComparedTable& t : c.tables)
        out << t.module + "|" + t.table + "|" + states[int(t.state)];
    return out;
}

QByteArray gbkLines(const QStringList& lines)
{
    QStringEncoder encoder("GB18030");
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += QByteArray(encoder.encode(line)) + "\r\n";
    return bytes;
}

// Before the closing: the current year's tables.
const QStringList kBefore{
    "【09:00:00】 开始统计！",
    "   KRBBZD记录数：2",   // the empty module code comes first, without a heading
    "BB模块统计：",
    "   KRHZD记录数：3",
    "   KRLZD记录数：10",
    "   KRDYZD记录数：7",
    "   KRJYGS无历史表。",
    "HZ模块统计：",
    "   HZBBZD记录数：4",
    "   HZDWSJ记录数：100",
    "【09:00:05】 统计结束！",
};
// After it: the historical year's, with a lost row, a table gone, a new one and a new module.
const QStringList kAfter{
    "【18:00:00】 开始统计！",
    "   KRBBZD2002记录数：2",
    "BB模块统计：",
    "   KRHZD2002记录数：3",
    "   KRLZD2002记录数：9",
    "   KRJYGS2002记录数：1",
    "   KRBBEX2002记录数：5",
    "HZ模块统计：",
    "   HZBBZD2002记录数：4",
    "   HZDWSJ2002记录数：100",
    "ZW模块统计：",
    "   ZWPZK2002无历史表。",
    "【18:00:07】 统计结束！",
};
}

class TestReportCompare : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void compare_data();
    void compare();
    void savedComparisonBytes();
    void readsWhatTheCountRunSaved();
    void window();
};

void TestReportCompare::parse_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("passedOver");
    QTest::addColumn<QString>("year");

    QTest::newRow("as the run writes it") << kBefore
                                          << QStringList{"|KRBBZD|2", "BB|KRHZD|3", "BB|KRLZD|10", "BB|KRDYZD|7",
                                                 "BB|KRJYGS|-", "HZ|HZBBZD|4", "HZ|HZDWSJ|100"}
                                          << 0 << QString();
    QTest::newRow("historical year") << kAfter
                                     << QStringList{"|KRBBZD2002|2", "BB|KRHZD2002|3", "BB|KRLZD2002|9",
                                            "BB|KRJYGS2002|1", "BB|KRBBEX2002|5", "HZ|HZBBZD2002|4",
                                            "HZ|HZDWSJ2002|100", "ZW|ZWPZK2002|-"}
                                     << 0 << QStringLiteral("2002");
    // Edited by hand: blanks moved, a note typed in, a line cut short, another tool's lines.
    QTest::newRow("edited and foreign lines")
        << QStringList{"BB模块统计：", "KRHZD记录数：3  ", "\t KRLZD记录数： 10", "年结前检查，李工", "   KRDYZD记录数：",
               "   KRBBZD记录数：abc", "   记录数：2", "", "   ", "Table KRBBZD: 2 rows", "BB 模块统计：",
               "   KRJYGS 无历史表。", "   合计  报告一：5  报告二：4  差额：-1"}
        << QStringList{"BB|KRHZD|3", "BB|KRLZD|10", "BB|KRJYGS|-"} << 7 << QString();
    // A table whose own name ends in digits is no year unless most of the report says so.
    QTest::newRow("digits in one name") << QStringList{"XT模块统计：", "   TAB2001记录数：1", "   KRBBZD记录数：1"}
                                        << QStringList{"XT|TAB2001|1", "XT|KRBBZD|1"} << 0 << QString();
    QTest::newRow("empty") << QStringList{} << QStringList{} << 0 << QString();
}

void TestReportCompare::parse()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, expected);
    QFETCH(int, passedOver);
    QFETCH(QString, year);
    const CountReport report = parseCountReport(lines);
    QCOMPARE(flat(report), expected);
    QCOMPARE(report.passedOver, passedOver);
    QCOMPARE(report.year, year);
}

void TestReportCompare::compare_data()
{
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("totals");

    QTest::newRow("before and after the closing")
        << kBefore << kAfter
        << QStringList{"|KRBBZD|=", "BB|KRHZD|=", "BB|KRLZD|changed", "BB|KRDYZD|first", "BB|KRJYGS|changed",
               "BB|KRBBEX|second", "HZ|HZBBZD|=", "HZ|HZDWSJ|=", "ZW|ZWPZK|second"}
        << QStringList{"|2|2", "BB|20|18", "HZ|104|104", "ZW|0|0"};
    QTest::newRow("the same report") << kBefore << kBefore
                                     << QStringList{"|KRBBZD|=", "BB|KRHZD|=", "BB|KRLZD|=", "BB|KRDYZD|=",
                                            "BB|KRJYGS|=", "HZ|HZBBZD|=", "HZ|HZDWSJ|="}
                                     << QStringList{"|2|2", "BB|20|20", "HZ|104|104"};
    // The same table name under another module is another table; a table listed twice
    // pairs occurrence by occurrence.
    QTest::newRow("modules and repeats")
        << QStringList{"BB模块统计：", "   KRHZD记录数：3", "   KRHZD记录数：3", "ZW模块统计：", "   KRHZD记录数：3"}
        << QStringList{"BB模块统计：", "   KRHZD记录数：3", "XT模块统计：", "   KRHZD记录数：4"}
        << QStringList{"BB|KRHZD|=", "BB|KRHZD|first", "ZW|KRHZD|first", "XT|KRHZD|second"}
        << QStringList{"BB|6|3", "ZW|3|0", "XT|0|4"};
    QTest::newRow("nothing to read") << QStringList{"hello"} << QStringList{} << QStringList{} << QStringList{};
}

void TestReportCompare::compare()
{
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, totals);
    const ReportComparison c = compareCountReports(parseCountReport(first), parseCountReport(second));
    QCOMPARE(flat(c), expected);
    QStringList sums;
    for (const ModuleTotal& t : c.totals)
        sums << t.module + "|" + QString::number(t.first) + "|" + QString::number(t.second);
    QCOMPARE(sums, totals);
}

void TestReportCompare::savedComparisonBytes()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("diff.TXT"));
    QStringList edited = kAfter;
    edited.insert(3, QStringLiteral("这是手工加的说明"));
    const ReportComparison c = compareCountReports(parseCountReport(kBefore), parseCountReport(edited));
    const QStringList lines = comparisonLines(c, QStringLiteral("before.TXT"), QStringLiteral("当前报告"));
    const QStringList expected{
        "统计报告对比",
        "报告一：before.TXT",
        "报告二：当前报告",
        "模块：",
        "   合计  报告一：2  报告二：2  差额：0",
        "BB模块：",
        "   KRLZD  报告一：10  报告二：9  差额：-1",
        "   KRDYZD  仅报告一有：7",
        "   KRJYGS  报告一：无历史表  报告二：1",
        "   KRBBEX  仅报告二有：5",
        "   合计  报告一：20  报告二：18  差额：-2",
        "HZ模块：",
        "   合计  报告一：104  报告二：104  差额：0",
        "ZW模块：",
        "   ZWPZK  仅报告二有：无历史表",
        "   合计  报告一：0  报告二：0  差额：0",
        "共9张表：相同4张，记录数不同2张，仅报告一有1张，仅报告二有2张。",
        "略过非统计行：报告一0行，报告二1行。",
    };
    QCOMPARE(lines, expected);
    QCOMPARE(saveReportFile(file, lines), QString());
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QCOMPARE(bytes, gbkLines(expected));
    // GBK, not UTF-8: 统计报告对比 then CR LF.
    QVERIFY(bytes.startsWith(QByteArray::fromHex("cdb3bcc6b1a8b8e6b6d4b1c8" "0d0a")));
    QCOMPARE(bytes.count("\r\n"), expected.size());
    QCOMPARE(bytes.count('\n'), expected.size());
}

void TestReportCompare::readsWhatTheCountRunSaved()
{
    QTemporaryDir dir;
    const QString crlf = dir.filePath(QStringLiteral("a.TXT"));
    QCOMPARE(saveReportFile(crlf, kBefore), QString());
    QStringList lines;
    QCOMPARE(readReportFile(crlf, lines), QString());
    QCOMPARE(lines, kBefore);

    // An older file with bare LF line ends and no final line end.
    const QString lf = dir.filePath(QStringLiteral("b.TXT"));
    QFile f(lf);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QStringEncoder encoder("GB18030");
    f.write(encoder.encode(QStringLiteral("BB模块统计：\n   KRHZD记录数：3")));
    f.close();
    QCOMPARE(readReportFile(lf, lines), QString());
    QCOMPARE(lines, (QStringList{"BB模块统计：", "   KRHZD记录数：3"}));

    QVERIFY(!readReportFile(dir.filePath(QStringLiteral("none.TXT")), lines).isEmpty());
}

void TestReportCompare::window()
{
    ScriptedPrompts prompts;
    TestAccountSet as({.reportTables = false});
    TFrmTabCount window(as.dm());
    QCOMPARE(window.BtnCompare->text(), QStringLiteral("对比报告"));
    QCOMPARE(window.Pages->tabText(2), QStringLiteral("对比"));
    const QString before = as.filePath(QStringLiteral("before.TXT"));
    QCOMPARE(saveReportFile(before, kBefore), QString());

    // Nothing compared yet: saving says so and writes nothing.
    prompts.fileNames.enqueue(as.filePath(QStringLiteral("early.TXT")));
    window.BtnSaveCompare->click();
    QCOMPARE(prompts.boxes.size(), 1);
    QVERIFY(!QFile::exists(as.filePath(QStringLiteral("early.TXT"))));
    prompts.fileNames.clear();

    // The memo holds the report after the closing; the saved one is report one.
    for (const QString& line : kAfter)
        window.CountMemo->addLine(line);
    prompts.answers.enqueue(PromptAnswer::Yes);
    prompts.openFileNames.enqueue(before);
    window.BtnCompare->click();
    QCOMPARE(prompts.boxes.size(), 2);
    QCOMPARE(prompts.boxes.last().buttons, PromptButtons::YesNoCancel);
    QCOMPARE(prompts.openCaptions, QStringList{QStringLiteral("打开报告一")});
    QCOMPARE(window.Pages->currentIndex(), 2);

    // Differences and totals side by side; the rows that differ are coloured, equal totals not.
    QTableWidget* grid = window.CompareGrid;
    QStringList rows;
    for (int r = 0; r < grid->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->columnCount(); ++c)
            cells << grid->item(r, c)->text();
        rows << cells.join("|");
    }
    QCOMPARE(rows, (QStringList{"|合计|2|2|0|", "BB|KRLZD|10|9|-1|记录数不同", "BB|KRDYZD|7|||仅报告一有",
                       "BB|KRJYGS|无历史表|1||记录数不同", "BB|KRBBEX||5||仅报告二有", "BB|合计|20|18|-2|",
                       "HZ|合计|104|104|0|", "ZW|ZWPZK||无历史表||仅报告二有", "ZW|合计|0|0|0|"}));
    const auto coloured = [grid](int row) { return grid->item(row, 1)->background().style() != Qt::NoBrush; };
    QVERIFY(!coloured(0));
    for (int r : {1, 2, 3, 4, 5, 7})
        QVERIFY2(coloured(r), qPrintable(rows.at(r)));
    QVERIFY(!coloured(6));
    QVERIFY(grid->item(1, 1)->background() != grid->item(2, 1)->background());

    const QString out = as.filePath(QStringLiteral("diff.TXT"));
    prompts.fileNames.enqueue(out);
    window.BtnSaveCompare->click();
    QFile saved(out);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(),
        gbkLines(comparisonLines(
            compareCountReports(parseCountReport(kBefore), parseCountReport(kAfter)), "before.TXT", "当前报告")));

    // Two saved reports; cancelling the second file compares nothing.
    prompts.answers.enqueue(PromptAnswer::No);
    prompts.openFileNames.enqueue(before);
    window.BtnCompare->click();
    QCOMPARE(prompts.openCaptions.size(), 3);
    QCOMPARE(prompts.openCaptions.last(), QStringLiteral("打开报告二"));
    QCOMPARE(grid->rowCount(), 9);
    prompts.answers.enqueue(PromptAnswer::No);
    prompts.openFileNames.enqueue(before);
    prompts.openFileNames.enqueue(before);
    window.BtnCompare->click();
    QCOMPARE(grid->rowCount(), 3);   // only the totals: the reports are the same
    // A file that cannot be read ends in an error box.
    prompts.answers.enqueue(PromptAnswer::No);
    prompts.openFileNames.enqueue(as.filePath(QStringLiteral("gone.TXT")));
    const qsizetype boxes = prompts.boxes.size();
    window.BtnCompare->click();
    QCOMPARE(prompts.boxes.size(), boxes + 2);
    QCOMPARE(prompts.boxes.last().icon, PromptIcon::Error);
    QVERIFY(prompts.boxes.last().text.contains(QStringLiteral("gone.TXT")));
}

QTEST_MAIN(TestReportCompare)
#include "test_report_compare.moc"
