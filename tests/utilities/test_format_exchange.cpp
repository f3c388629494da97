#include "support/recording_backend.h"
#include "support/job_rig.h"
#include "support/recorders.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"
#include "utilities/format_exchange.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString S = QStringLiteral("【10:20:30】 ");

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

// One run's memo, boxes and progress; `each` is called after every exported row or imported line.
struct Exchange : ReportSink, EventsHook {
    ScriptedPrompts prompts;
    ProgressLog progress;
    QStringList lines;
    std::function<void()> each;
    void addLine(const QString& line) override { lines << line; }
    void clear() override { lines.clear(); }
    void processEvents() override { if (each) each(); }
    Exchange& run(TEndYearDataMod& dm, bool import, const QString& root, SystemYear bb = {}, SystemYear hz = {})
    {
        FormatExchangeJob job(testJobContext(dm, *this, loggedProgress(progress), [] { return QTime(10, 20, 30); }),
            {.root = root, .management = bb, .summary = hz}, *this);
        import ? job.importRun() : job.exportRun();
        return *this;
    }
};

// Blobs of a format table by key, read from the database file itself.
QMap<QString, QByteArray> formats(TestAccountSet& as, const QString& table)
{
    QMap<QString, QByteArray> out;
    QSqlQuery q(QStringLiteral("select BBZD_BH || '/' || BBZD_DATE || '/' || BBZD_XH, BBZD_GS, BBZD_GS is null from ") + table, as.db());
    while (q.next())
        out.insert(q.value(0).toString(), q.value(2).toBool() ? QByteArray("<null>") : q.value(1).toByteArray());
    return out;
}
const SystemYear off{false, {}};
}

class TestFormatExchange : public QObject {
    Q_OBJECT
private slots:
    void demoRoundTripOfBothSystems();
    void blobsRoundTrip_data();
    void blobsRoundTrip();
    void listFileAndFailureInTheMiddle();
    void importLinesAndHostileNames();
    void checksComeFirst();
};

void TestFormatExchange::demoRoundTripOfBothSystems()
{
    TestAccountSet as({.demoContent = true});
    QTemporaryDir root;
    const QMap<QString, QByteArray> kr = formats(as, "KRBBGS"), hz = formats(as, "HZBBGS");
    Exchange x;
    x.run(as.dm(), false, root.path());
    QCOMPARE(x.progress.labels, (QStringList{QStringLiteral("正在将报表管理系统报表格式KRBBGS导出！"),
                                    QStringLiteral("正在将报表汇总系统报表格式HZBBGS导出！")}));
    QCOMPARE(x.lines.size(), kr.size() + hz.size() + 4);
    QCOMPARE(x.lines.last(), S + QStringLiteral("------报表汇总系统报表格式HZBBGS导出结束执行------"));
    QVERIFY(x.lines.contains(S + QStringLiteral("编号203日期200401序号2的报表格式成功导出！")));
    QCOMPARE(x.prompts.texts(), QStringList{QStringLiteral("报表格式导出结束，请查看另存报告! ")});
    for (const auto& [sel, rows] : {std::pair{QStringLiteral("BB"), kr}, std::pair{QStringLiteral("HZ"), hz}}) {
        const QByteArray list = readFile(root.filePath(sel + (sel == "BB" ? "/KRBBGS.txt" : "/HZBBGS.txt")));
        QCOMPARE(list.count("\r\n"), rows.size());
        for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
            const QString name = sel + QString(it.key()).remove('/') + ".cnt";
            QCOMPARE(readFile(root.filePath(sel + '/' + name)), it.value());
            QVERIFY(list.contains(QString(it.key()).replace('/', '\t').toLatin1() + '\t' + name.toLatin1() + ";\r\n"));
        }
    }
    as.exec("update KRBBGS set BBZD_GS = x'00'");
    as.exec("update HZBBGS set BBZD_GS = x'00'");
    QCOMPARE(Exchange().run(as.dm(), true, root.filePath("BB"), {}, off).lines.size(), kr.size() + 2);
    Exchange y;
    y.run(as.dm(), true, root.filePath("HZ"), off, {});
    QCOMPARE(y.lines.last(), S + QStringLiteral("------报表汇总系统报表格式HZBBGS导人结束执行------"));
    QCOMPARE(y.prompts.texts(), QStringList{QStringLiteral("报表格式导入结束，请查看操作报告! ")});
    QCOMPARE(formats(as, "KRBBGS"), kr);
    QCOMPARE(formats(as, "HZBBGS"), hz);
}

void TestFormatExchange::blobsRoundTrip_data()
{
    QTest::addColumn<QByteArray>("blob");
    QByteArray every, large(6 * 1024 * 1024 + 3, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        every.append(char(i));
    for (char& c : large)
        c = char(QRandomGenerator::global()->bounded(256));
    QTest::newRow("empty") << QByteArray("", 0);
    QTest::newRow("every byte value") << every;
    QTest::newRow("6 MB") << large;
}

void TestFormatExchange::blobsRoundTrip()
{
    QFETCH(QByteArray, blob);
    TestAccountSet as;
    as.insert("KRBBGS", {demo::formatRow({.bh = "101", .date = "200401", .gs = blob})});
    QTemporaryDir root;
    Exchange().run(as.dm(), false, root.path(), {}, off);
    QCOMPARE(readFile(root.filePath("BB/BB1012004011.cnt")), blob);
    as.exec("update KRBBGS set BBZD_GS = x'FFFF'");
    Exchange().run(as.dm(), true, root.filePath("BB"), {}, off);
    QCOMPARE(formats(as, "KRBBGS").value("101/200401/1"), blob);   // empty stays empty, not NULL
}

void TestFormatExchange::listFileAndFailureInTheMiddle()
{
    TestAccountSet as;
    as.insert("HZBBGS", {demo::formatRow({.bh = "0001", .date = "2002", .gs = "a"}),
                            demo::formatRow({.bh = "表01", .date = "200401", .xh = 12, .gs = "b"}),
                            demo::formatRow({.bh = "3", .date = "200401", .gs = "c"}),
                            demo::formatRow({.bh = "/../../x", .date = "", .gs = "evil"}),   // would leave the folder
                            demo::formatRow({.bh = "5", .date = "200401", .gs = "e"})});
    QTemporaryDir root;
    const QString folder = root.filePath("x/y/HZ");
    QDir().mkpath(folder + "/HZ32004011.cnt");   // a folder where the third row's file goes
    Exchange x;
    QList<QByteArray> listed;   // the list file after each row
    x.each = [&] { listed << readFile(folder + "/HZBBGS.txt"); };
    x.run(as.dm(), false, root.filePath("x/y"), off, {});
    const QByteArray first = "0001\t2002\t1\tHZ000120021.cnt;\r\n";
    const QByteArray both = first + "\xB1\xED" "01\t200401\t12\tHZ\xB1\xED" "0120040112.cnt;\r\n";   // GBK, no BOM
    QCOMPARE(listed, (QList<QByteArray>{first, both}));
    QCOMPARE(readFile(folder + "/HZBBGS.txt"), both);
    QCOMPARE(readFile(folder + QStringLiteral("/HZ表0120040112.cnt")), QByteArray("b"));
    QCOMPARE(x.lines.mid(2), (QStringList{S + QStringLiteral("编号表01日期200401序号12的报表格式成功导出！"),
                                 S + QStringLiteral("导出报表格式HZBBGS失败！"),
                                 S + QStringLiteral("------报表汇总系统报表格式HZBBGS导出结束执行------")}));
    // Without the obstacle the hostile row fails the export: nothing written beside the folder.
    QDir(folder + "/HZ32004011.cnt").removeRecursively();
    QDir().mkpath(folder + "/HZ");   // through which "HZ/../../x1.cnt" would reach x/y
    Exchange y;
    y.run(as.dm(), false, root.filePath("x/y"), off, {});
    QCOMPARE(y.lines.at(4), S + QStringLiteral("导出报表格式HZBBGS失败！"));
    QCOMPARE(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"x"});
    QCOMPARE(QDir(root.filePath("x/y")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"HZ"});
    QCOMPARE(readFile(folder + "/HZBBGS.txt").count("\r\n"), 3);
    // An emptied table leaves no list file.
    as.exec("delete from HZBBGS");
    Exchange().run(as.dm(), false, root.filePath("x/y"), off, {});
    QVERIFY(!QFile::exists(folder + "/HZBBGS.txt"));
}

void TestFormatExchange::importLinesAndHostileNames()
{
    TestAccountSet as;
    as.insert("KRBBGS", {demo::formatRow({.bh = "A1", .date = "200401", .gs = "old"}),
                            demo::formatRow({.bh = "A2", .date = "200401", .gs = "old"})});
    QTemporaryDir root;
    writeFile(root.filePath("new.cnt"), "new");
    writeFile(root.filePath("in/sub/x.cnt"), "sub");
    writeFile(root.filePath("in/new.cnt"), "new");
    QByteArray list = "a1\t200401\t1\tnew.cnt;\r\n"   // letter case differs
                      "Z9\t200401\t1\tnew.cnt;\r\n"   // no such row: passed over
                      "A2\t200401\t1\tgone.cnt;\r\n"; // no such file
    for (const QString& hostile : {QStringLiteral("../new.cnt"), root.filePath("new.cnt"), QStringLiteral("sub/x.cnt"),
             QStringLiteral(".."), QString()})
        list += "A2\t200401\t1\t" + hostile.toUtf8() + ";\r\n";
    writeFile(root.filePath("in/KRBBGS.txt"), list);
    writeFile(root.filePath("in/HZBBGS.txt"), "1\t2\t3\tx.cnt;\r\n");
    Exchange x;
    x.run(as.dm(), true, root.filePath("in"), {}, {true, "1999"});
    QCOMPARE(x.lines.mid(9, 2), (QStringList{S + QStringLiteral("------报表汇总系统报表格式HZBBGS1999导入开始执行------"),
                                    S + QStringLiteral("报表格式数据表HZBBGS1999不存在！")}));
    QCOMPARE(as.dm().state.TableNames.YearSuffix, QStringLiteral("1999"));
    x.lines = x.lines.mid(0, 9);
    QCOMPARE(Exchange().run(as.dm(), true, root.path(), {}, off).lines.at(1),
        S + QStringLiteral("报表格式信息文件") + root.filePath("KRBBGS.txt") + QStringLiteral("不存在！"));
    const QString lost = S + QStringLiteral("编号A2日期200401序号1的报表格式文件丢失！");
    QCOMPARE(x.lines, (QStringList{S + QStringLiteral("------报表管理系统报表格式KRBBGS导入开始执行------"),
                          S + QStringLiteral("编号a1日期200401序号1的报表格式成功导入！")}
                          + QStringList(6, lost) + QStringList{S + QStringLiteral("------报表管理系统报表格式KRBBGS导人结束执行------")}));
    QCOMPARE(as.rows("select BBZD_BH, cast(BBZD_GS as text) from KRBBGS order by BBZD_BH"),
        (QList<QStringList>{{"A1", "new"}, {"A2", "old"}}));
    QCOMPARE(x.progress.labels.first(), QStringLiteral("正在将报表管理系统报表格式KRBBGS导入！"));
}

void TestFormatExchange::checksComeFirst()
{
    for (const auto& [kind, root, box] : {std::tuple{1, true, "本功能只适用于单机数据库! "},
             std::tuple{3, false, "本功能只适用于单机数据库! "}, std::tuple{0, false, "请指定报表格式保存路径! "}})
        for (const bool import : {false, true}) {
            auto backend = std::make_unique<RecordingBackend>();
            RecordingBackend& recorded = *backend;
            TEndYearDataMod dm(std::move(backend));
            dm.mast.connect();
            dm.state.DatabaseKind = DbKind(kind);
            QTemporaryDir dir;
            Exchange x;
            x.lines = QStringList{"earlier"};
            x.run(dm, import, root ? dir.path() : QString());
            QCOMPARE(x.prompts.texts(), QStringList{QString::fromUtf8(box)});
            QCOMPARE(x.lines, QStringList{"earlier"});
            QVERIFY(recorded.statements().isEmpty());
            QVERIFY(QDir(dir.path()).isEmpty());
        }
}

QTEST_MAIN(TestFormatExchange)
#include "test_format_exchange.moc"
