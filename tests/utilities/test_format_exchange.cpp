#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "data_module/end_year_data_mod.h"
#include "data_module/recording_backend.h"
#include "support/job_rig.h"
#include "support/logged_progress.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"
#include "utilities/format_exchange.h"
#include "utilities/ui/any_cnt_form.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {
const QString S = QStringLiteral("【10:20:30】 ");
QTime fixedClock() { return QTime(10, 20, 30); }

struct Lines : ReportSink {
    QStringList lines;
    void addLine(const QString& line) override { lines << line; }
    void clear() override { lines.clear(); }
};

// Calls a function after every exported row or imported line.
struct Watch : EventsHook {
    std::function<void()> each;
    void processEvents() override
    {
        if (each)
            each();
    }
};

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

struct Exchange {
    ScriptedPrompts prompts;
    Watch events;
    ProgressLog progress;
    Lines report;
    FormatExchangeJob job(TEndYearDataMod& dm, const QString& root, SystemYear bb = {}, SystemYear hz = {})
    {
        return FormatExchangeJob(testJobContext(dm, events, loggedProgress(progress), fixedClock),
            {.root = root, .management = bb, .summary = hz}, report);
    }
};

// Blobs of a format table by key, from the database file itself.
QMap<QString, QByteArray> formats(TestAccountSet& as, const QString& table)
{
    QMap<QString, QByteArray> out;
    QSqlQuery q(as.db());
    q.exec(QStringLiteral("select BBZD_BH, BBZD_DATE, BBZD_XH, BBZD_GS, BBZD_GS is null from ") + table);
    while (q.next())
        out.insert(q.value(0).toString() + '/' + q.value(1).toString() + '/' + q.value(2).toString(),
            q.value(4).toBool() ? QByteArray("<null>") : q.value(3).toByteArray());
    return out;
}

QByteArray randomBytes(int n)
{
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator g(77);
    for (int i = 0; i < n; ++i)
        b[i] = char(g.bounded(256));
    return b;
}
}

class TestFormatExchange : public QObject {
    Q_OBJECT
private slots:
    void demoRoundTripOfBothSystems();
    void blobsRoundTrip_data();
    void blobsRoundTrip();
    void listFileBytes();
    void failureInTheMiddle();
    void importMatchesCaseInsensitively();
    void hostileExportNames_data();
    void hostileExportNames();
    void hostileImportNames();
    void missingListFileAndTable();
    void checksComeFirst_data();
    void checksComeFirst();
    void window();
};

void TestFormatExchange::demoRoundTripOfBothSystems()
{
    TestAccountSet as({.demoContent = true});
    QTemporaryDir root;
    const QMap<QString, QByteArray> kr = formats(as, "KRBBGS"), hz = formats(as, "HZBBGS");
    QVERIFY(kr.size() > 50);
    {
        Exchange x;
        x.job(as.dm(), root.path()).exportRun();
        QCOMPARE(x.progress.labels, (QStringList{QStringLiteral("正在将报表管理系统报表格式KRBBGS导出！"),
                                        QStringLiteral("正在将报表汇总系统报表格式HZBBGS导出！")}));
        QCOMPARE(x.report.lines.first(), S + QStringLiteral("------报表管理系统报表格式KRBBGS导出开始执行------"));
        QCOMPARE(x.report.lines.last(), S + QStringLiteral("------报表汇总系统报表格式HZBBGS导出结束执行------"));
        QCOMPARE(x.report.lines.size(), kr.size() + hz.size() + 4);
        QVERIFY(x.report.lines.contains(S + QStringLiteral("编号203日期200401序号2的报表格式成功导出！")));
        QCOMPARE(x.prompts.texts(), QStringList{QStringLiteral("报表格式导出结束，请查看另存报告! ")});
    }
    for (const auto& [sel, prefix, rows] : {std::tuple{"BB", "KR", kr}, std::tuple{"HZ", "HZ", hz}}) {
        const QDir dir(root.filePath(sel));
        const QByteArray list = readFile(dir.filePath(QStringLiteral("%1BBGS.txt").arg(prefix)));
        QCOMPARE(list.count("\r\n"), rows.size());
        for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
            const QStringList key = it.key().split('/');
            const QString name = sel + key.join(QString()) + ".cnt";
            QCOMPARE(readFile(dir.filePath(name)), it.value());
            QVERIFY(list.contains(QStringLiteral("%1\t%2\t%3\t%4;\r\n").arg(key[0], key[1], key[2], name).toLatin1()));
        }
    }
    // Wipe the formats, then import each system from its own folder.
    as.exec("update KRBBGS set BBZD_GS = x'00'");
    as.exec("update HZBBGS set BBZD_GS = x'00'");
    for (const auto& [sel, management] : {std::pair{"BB", true}, std::pair{"HZ", false}}) {
        Exchange x;
        x.job(as.dm(), root.filePath(sel), {management, {}}, {!management, {}}).importRun();
        QCOMPARE(x.report.lines.size(), (management ? kr : hz).size() + 2);
        QCOMPARE(x.report.lines.last(), S + (management ? QStringLiteral("------报表管理系统报表格式KRBBGS导人结束执行------")
                                                        : QStringLiteral("------报表汇总系统报表格式HZBBGS导人结束执行------")));
        QCOMPARE(x.prompts.texts(), QStringList{QStringLiteral("报表格式导入结束，请查看操作报告! ")});
    }
    QCOMPARE(formats(as, "KRBBGS"), kr);
    QCOMPARE(formats(as, "HZBBGS"), hz);
}

void TestFormatExchange::blobsRoundTrip_data()
{
    QTest::addColumn<QByteArray>("blob");
    QTest::newRow("empty") << QByteArray("", 0);
    QByteArray every;
    for (int i = 0; i < 256; ++i)
        every.append(char(i));
    QTest::newRow("every byte value") << every;
    QTest::newRow("6 MB") << randomBytes(6 * 1024 * 1024 + 3);
}

void TestFormatExchange::blobsRoundTrip()
{
    QFETCH(QByteArray, blob);
    TestAccountSet as;
    as.insert("KRBBGS", {demo::formatRow({.bh = "101", .date = "200401", .xh = 1, .gs = blob}),
                            demo::formatRow({.bh = "102", .date = "200401", .xh = 1, .gs = QByteArray("keep")})});
    QTemporaryDir root;
    Exchange x;
    x.job(as.dm(), root.path(), {true, {}}, {false, {}}).exportRun();
    QCOMPARE(readFile(root.filePath("BB/BB1012004011.cnt")), blob);
    as.exec("update KRBBGS set BBZD_GS = x'FFFF'");
    Exchange y;
    y.job(as.dm(), root.filePath("BB"), {true, {}}, {false, {}}).importRun();
    QCOMPARE(formats(as, "KRBBGS").value("101/200401/1"), blob);
    QCOMPARE(formats(as, "KRBBGS").value("102/200401/1"), QByteArray("keep"));
}

void TestFormatExchange::listFileBytes()
{
    TestAccountSet as;
    as.insert("HZBBGS", {demo::formatRow({.bh = "0001", .date = "2002", .xh = 1, .gs = QByteArray("a")}),
                            demo::formatRow({.bh = "表01", .date = "200401", .xh = 12, .gs = QByteArray("b")})});
    as.createReportTables("HZ", "2003");
    as.insert("HZBBGS2003", {demo::formatRow({.bh = "9", .date = "200301", .xh = 3, .gs = QByteArray("c")})});
    QTemporaryDir root;
    const QString deep = root.filePath("x/y");
    Exchange x;
    x.job(as.dm(), deep, {false, {}}, {true, {}}).exportRun();
    QCOMPARE(readFile(deep + "/HZ/HZBBGS.txt"),
        QByteArray("0001\t2002\t1\tHZ000120021.cnt;\r\n\xB1\xED" "01\t200401\t12\tHZ\xB1\xED" "0120040112.cnt;\r\n"));
    QCOMPARE(readFile(deep + QStringLiteral("/HZ/HZ表0120040112.cnt")), QByteArray("b"));
    QCOMPARE(readFile(deep + "/HZ/HZ000120021.cnt"), QByteArray("a"));
    // A historical year: its own folder, the list file's name carries no year.
    Exchange y;
    y.job(as.dm(), deep, {false, {}}, {true, "2003"}).exportRun();
    QCOMPARE(readFile(deep + "/HZ2003/HZBBGS.txt"), QByteArray("9\t200301\t3\tHZ92003013.cnt;\r\n"));
    QCOMPARE(y.report.lines.first(), S + QStringLiteral("------报表汇总系统报表格式HZBBGS2003导出开始执行------"));
    // An emptied table leaves no list file behind.
    as.exec("delete from HZBBGS");
    Exchange z;
    z.job(as.dm(), deep, {false, {}}, {true, {}}).exportRun();
    QVERIFY(!QFile::exists(deep + "/HZ/HZBBGS.txt"));
    QCOMPARE(z.report.lines.size(), 2);
}

void TestFormatExchange::failureInTheMiddle()
{
    TestAccountSet as;
    QList<QVariantList> rows;
    for (int i = 1; i <= 5; ++i)
        rows << demo::formatRow({.bh = QString::number(100 + i), .date = "200401", .xh = 1, .gs = QByteArray(i, 'x')});
    as.insert("KRBBGS", rows);
    QTemporaryDir root;
    QDir().mkpath(root.filePath("BB/BB1032004011.cnt"));   // a folder where row 3's file goes
    Exchange x;
    QList<int> listed;   // lines of the list file after each row
    x.events.each = [&] { listed << readFile(root.filePath("BB/KRBBGS.txt")).count("\r\n"); };
    x.job(as.dm(), root.path(), {true, {}}, {false, {}}).exportRun();
    QCOMPARE(listed, (QList<int>{1, 2}));
    QCOMPARE(readFile(root.filePath("BB/KRBBGS.txt")),
        QByteArray("101\t200401\t1\tBB1012004011.cnt;\r\n102\t200401\t1\tBB1022004011.cnt;\r\n"));
    QCOMPARE(x.report.lines, (QStringList{S + QStringLiteral("------报表管理系统报表格式KRBBGS导出开始执行------"),
                                 S + QStringLiteral("编号101日期200401序号1的报表格式成功导出！"),
                                 S + QStringLiteral("编号102日期200401序号1的报表格式成功导出！"),
                                 S + QStringLiteral("导出报表格式KRBBGS失败！"),
                                 S + QStringLiteral("------报表管理系统报表格式KRBBGS导出结束执行------")}));
    QVERIFY(!QFile::exists(root.filePath("BB/BB1042004011.cnt")));
}

void TestFormatExchange::importMatchesCaseInsensitively()
{
    TestAccountSet as;
    as.insert("KRBBGS", {demo::formatRow({.bh = "A1", .date = "200401", .xh = 1, .gs = QByteArray("old")}),
                            demo::formatRow({.bh = "A2", .date = "200401", .xh = 1, .gs = QByteArray("old")})});
    QTemporaryDir root;
    writeFile(root.filePath("KRBBGS.txt"),
        "a1\t200401\t1\tnew.cnt;\r\n"       // letter case differs
        "Z9\t200401\t1\tnew.cnt;\r\n"       // no such row: passed over
        "A2\t200401\t1\tgone.cnt;\r\n");    // no such file
    writeFile(root.filePath("new.cnt"), "new");
    Exchange x;
    x.job(as.dm(), root.path(), {true, {}}, {false, {}}).importRun();
    QCOMPARE(x.report.lines, (QStringList{S + QStringLiteral("------报表管理系统报表格式KRBBGS导入开始执行------"),
                                 S + QStringLiteral("编号a1日期200401序号1的报表格式成功导入！"),
                                 S + QStringLiteral("编号A2日期200401序号1的报表格式文件丢失！"),
                                 S + QStringLiteral("------报表管理系统报表格式KRBBGS导人结束执行------")}));
    QCOMPARE(as.rows("select BBZD_BH, cast(BBZD_GS as text) from KRBBGS order by BBZD_BH"),
        (QList<QStringList>{{"A1", "new"}, {"A2", "old"}}));
    QCOMPARE(x.progress.labels, QStringList{QStringLiteral("正在将报表管理系统报表格式KRBBGS导入！")});
    QCOMPARE(as.dm().state.TableNames.YearSuffix, QString());
}

void TestFormatExchange::hostileExportNames_data()
{
    QTest::addColumn<QString>("bh");
    QTest::newRow("separator and parent") << "/../../x";
    QTest::newRow("backslash") << "..\\..\\x";
    QTest::newRow("drive") << "C:x";
}

void TestFormatExchange::hostileExportNames()
{
    QFETCH(QString, bh);
    TestAccountSet as;
    as.insert("KRBBGS", {demo::formatRow({.bh = "101", .date = "200401", .xh = 1, .gs = QByteArray("a")}),
                            demo::formatRow({.bh = bh, .date = "", .xh = 1, .gs = QByteArray("evil")})});
    QTemporaryDir root;
    Exchange x;
    x.job(as.dm(), root.filePath("r"), {true, {}}, {false, {}}).exportRun();
    QCOMPARE(x.report.lines.mid(1, 2), (QStringList{S + QStringLiteral("编号101日期200401序号1的报表格式成功导出！"),
                                           S + QStringLiteral("导出报表格式KRBBGS失败！")}));
    // Nothing but the one row's file and the list, and nothing beside the root.
    QCOMPARE(QDir(root.filePath("r/BB")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        (QStringList{"BB1012004011.cnt", "KRBBGS.txt"}));
    QCOMPARE(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"r"});
    QCOMPARE(QDir(root.filePath("r")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"BB"});
}

void TestFormatExchange::hostileImportNames()
{
    TestAccountSet as;
    as.insert("KRBBGS", {demo::formatRow({.bh = "101", .date = "200401", .xh = 1, .gs = QByteArray("old")})});
    QTemporaryDir root;
    writeFile(root.filePath("secret.cnt"), "secret");
    writeFile(root.filePath("in/sub/x.cnt"), "sub");
    const QString absolute = root.filePath("secret.cnt");
    writeFile(root.filePath("in/KRBBGS.txt"),
        ("101\t200401\t1\t../secret.cnt;\r\n101\t200401\t1\t" + absolute + ";\r\n101\t200401\t1\tsub/x.cnt;\r\n"
         "101\t200401\t1\t..;\r\n101\t200401\t1\t;\r\n").toUtf8());
    Exchange x;
    x.job(as.dm(), root.filePath("in"), {true, {}}, {false, {}}).importRun();
    QCOMPARE(x.report.lines.mid(1, 5), QStringList(5, S + QStringLiteral("编号101日期200401序号1的报表格式文件丢失！")));
    QCOMPARE(as.value("select cast(BBZD_GS as text) from KRBBGS"), QStringLiteral("old"));
}

void TestFormatExchange::missingListFileAndTable()
{
    TestAccountSet as;
    QTemporaryDir root;
    writeFile(root.filePath("HZBBGS.txt"), "1\t2\t3\tx.cnt;\r\n");
    Exchange x;
    x.job(as.dm(), root.path(), {true, {}}, {true, "1999"}).importRun();
    QCOMPARE(x.report.lines, (QStringList{S + QStringLiteral("------报表管理系统报表格式KRBBGS导入开始执行------"),
                                 S + QStringLiteral("报表格式信息文件") + root.filePath("KRBBGS.txt") + QStringLiteral("不存在！"),
                                 S + QStringLiteral("------报表管理系统报表格式KRBBGS导人结束执行------"),
                                 S + QStringLiteral("------报表汇总系统报表格式HZBBGS1999导入开始执行------"),
                                 S + QStringLiteral("报表格式数据表HZBBGS1999不存在！"),
                                 S + QStringLiteral("------报表汇总系统报表格式HZBBGS1999导人结束执行------")}));
    QCOMPARE(as.dm().state.TableNames.YearSuffix, QStringLiteral("1999"));
    // An export of a missing table fails that table only.
    Exchange y;
    y.job(as.dm(), root.path(), {true, "1999"}, {true, {}}).exportRun();
    QCOMPARE(y.report.lines.mid(0, 3), (QStringList{S + QStringLiteral("------报表管理系统报表格式KRBBGS1999导出开始执行------"),
                                           S + QStringLiteral("导出报表格式KRBBGS1999失败！"),
                                           S + QStringLiteral("------报表管理系统报表格式KRBBGS1999导出结束执行------")}));
    QVERIFY(QFileInfo(root.filePath("BB1999")).isDir());
    QCOMPARE(y.report.lines.size(), 5);
}

void TestFormatExchange::checksComeFirst_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("root");
    QTest::addColumn<bool>("import");
    QTest::addColumn<QString>("box");
    for (const bool import : {false, true}) {
        const char* run = import ? "import" : "export";
        for (const int kind : {1, 2, 3})
            QTest::addRow("%s, kind %d", run, kind) << kind << true << import << "本功能只适用于单机数据库! ";
        QTest::addRow("%s, kind 3 without root", run) << 3 << false << import << "本功能只适用于单机数据库! ";
        QTest::addRow("%s, no root", run) << 0 << false << import << "请指定报表格式保存路径! ";
    }
}

void TestFormatExchange::checksComeFirst()
{
    QFETCH(int, kind);
    QFETCH(bool, root);
    QFETCH(bool, import);
    QFETCH(QString, box);
    auto backend = std::make_unique<RecordingBackend>();
    RecordingBackend* recorded = backend.get();
    TEndYearDataMod dm(std::move(backend));
    dm.mast.connect();
    dm.state.DatabaseKind = DbKind(kind);
    QTemporaryDir dir;
    Exchange x;
    x.report.lines = {"earlier"};
    FormatExchangeJob job = x.job(dm, root ? dir.path() : QString());
    import ? job.importRun() : job.exportRun();
    QCOMPARE(x.prompts.texts(), QStringList{box});
    QCOMPARE(x.prompts.boxes[0].caption, QStringLiteral("提示"));
    QCOMPARE(x.report.lines, QStringList{"earlier"});
    QVERIFY(recorded->statements().isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void TestFormatExchange::window()
{
    TestAccountSet as;
    as.insert("KRBBGS", {demo::formatRow({.bh = "101", .date = "200401", .xh = 1, .gs = QByteArray("a")})});
    ScriptedPrompts prompts;
    TAnyCntForm form(as.dm());
    form.setClock(fixedClock);
    QCOMPARE(form.windowTitle(), QStringLiteral("单机库报表格式导入导出    注意：只对SQLAny、ASA数据库有效"));
    QCOMPARE(form.PageControl1->tabText(0), QStringLiteral("备份恢复"));
    QCOMPARE(form.PageControl1->tabText(1), QStringLiteral("操作报告"));
    QCOMPARE(form.Label1->text(), QStringLiteral("报表格式保存路径："));
    QVERIFY(form.RootPathEdit->isReadOnly());
    QCOMPARE(form.RootPathEdit->toolTip(), QStringLiteral("报表格式所在路径，形如C:\\data\\cur20061119_001"));
    QCOMPARE(form.SpeedButton1->text(), QStringLiteral("..."));
    QCOMPARE(form.ExptBtn->text(), QStringLiteral("导出"));
    QCOMPARE(form.ImpBtn->text(), QStringLiteral("导入"));
    QCOMPARE(form.CloseButton->text(), QStringLiteral("关闭"));

    form.ExptBtn->click();   // no folder yet
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("请指定报表格式保存路径! ")});
    QTemporaryDir root;
    prompts.folders << root.path() << QString();
    form.SpeedButton1->click();
    QCOMPARE(form.RootPathEdit->text(), root.path());
    form.SpeedButton1->click();   // cancelled: the path stays
    QCOMPARE(form.RootPathEdit->text(), root.path());

    form.findChild<QCheckBox*>("HZCheckBox")->setChecked(false);
    form.ExptBtn->click();
    QCOMPARE(readFile(root.filePath("BB/BB1012004011.cnt")), QByteArray("a"));
    QCOMPARE(form.SaveMemo->lines().size(), 3);
    as.exec("update KRBBGS set BBZD_GS = x'00'");
    prompts.folders << root.filePath("BB");
    form.SpeedButton1->click();
    form.ImpBtn->click();
    QCOMPARE(form.SaveMemo->lines().at(1), S + QStringLiteral("编号101日期200401序号1的报表格式成功导入！"));
    QCOMPARE(as.value("select cast(BBZD_GS as text) from KRBBGS"), QStringLiteral("a"));
}

QTEST_MAIN(TestFormatExchange)
#include "test_format_exchange.moc"
