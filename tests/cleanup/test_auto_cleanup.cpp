#include "app/connection.h"
#include "data_module/report_system.h"
#include "cleanup/auto_cleanup.h"
#include "cleanup/duplicate_check.h"
#include "cleanup/write_back.h"
#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"

#include "cleanup/account_rows.h"
#include "cleanup/job_recorders.h"

#include <QtTest>

namespace {

// An account set checked and then cleaned automatically, as the wizard runs it.
struct CleanRun {
    QString system;
    TestAccountSet as;
    CleanupState state;
    RecordingLabels labels;
    RecordingProgress checkBar, bar, rowBar, writeBar, deleteBar;
    RecordingList list;
    RecordingLog log, writeLog;
    CountingEvents events;
    QTime now{9, 5, 0};
    CleanupClock clock = [this] { return now = now.addSecs(1); };
    AutoCleanup job{as.dm(), state, {log, bar, rowBar, events}, clock};

    CleanRun(const QString& sys, const QStringList& rows) : system(sys)
    {
        FillTableNames(as.dm().state, system);
        as.dm().DropWorkingTables();
        as.dm().CreateWorkingTables();
        as.dm().CreateWorkingIndexes();
        insertAccountRows(as, prefix(), rows);
    }
    QString prefix() const { return system == QLatin1String("HZ") ? QStringLiteral("HZ") : QStringLiteral("KR"); }
    void check()
    {
        DuplicateCheck c(as.dm(), state, {labels, checkBar, list, events});
        c.CheckAllClasses();
    }
    void clean(bool removeIllegal = true)
    {
        job.setRemoveIllegal(removeIllegal);
        job.AutoCleanAll();
    }
    void writeBack()
    {
        WriteBack w(as.dm(), state, {writeLog, writeBar, deleteBar, events}, clock);
        w.WriteBackAll();
    }
    QString remaining() const
    {
        QString out;
        for (const DataClass* c : dataClassesOf(system))
            out += QLatin1Char(state.of(*c).Remaining ? 'R' : '-');
        return out;
    }
    // Rows of a query as "a|b|c", sorted.
    QStringList rows(const QString& sql) const
    {
        QStringList out;
        for (const QStringList& r : as.rows(sql))
            out << r.join(QLatin1Char('|'));
        out.sort();
        return out;
    }
    QStringList logBodies() const
    {
        QStringList out;
        for (const QString& l : log.lines)
            out << (l.startsWith(QStringLiteral("【")) ? l.mid(11) : l);
        return out;
    }
};

QString fullRows(const QString& table) { return QStringLiteral("select * from ") + table; }

} // namespace

class TestAutoCleanup : public QObject {
    Q_OBJECT

private slots:
    // The working tables after the automatic cleanup: "query => rows" checks.
    void results_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("removeIllegal");
        QTest::addColumn<QString>("remaining");
        QTest::addColumn<QStringList>("checks");
        const QStringList dict{"BBZD 101 200401 资产负债表", "HZD 101 200401 0001", "HZD 101 200401 0002",
            "LZD 101 200401 01", "LZD 101 200401 02"};

        QTest::newRow("complete duplicates")
            << "BB" << QStringList{"HZD 101 200401 0003 x3", "HZD 101 200401 0004"} << true << "---"
            << QStringList{"select HZD_ORDE, HZD_ZB from dirtyHZD => 0003|1", "select * from optiHZD =>",
                   "select * from havHZD =>", "select HZD_ORDE, HZD_ZB from rangeHZD => 0003|3"};
        QTest::newRow("key duplicates")
            << "BB" << QStringList{"HZD 101 200401 0005 HZD_ZB=1", "HZD 101 200401 0005 HZD_ZB=2", "HZD 101 200401 0006 x2"}
            << true << "R--"
            << QStringList{"select HZD_ORDE, HZD_ZB from dirtyHZD => 0005|1 ; 0005|2",
                   "select HZD_ORDE, HZD_ZB from optiHZD => 0006|1", "select HZD_ORDE, HZD_ZB from havHZD => 0005|2"};
        QTest::newRow("empty versus missing title")
            << "BB" << QStringList{"LZD 101 200401 04 LZD_MC=''", "LZD 101 200401 04 LZD_MC=null"} << true << "---"
            << QStringList{"select LZD_ORDE, '[' || LZD_MC || ']' from dirtyLZD => 04|[ ]", "select * from optiLZD =>"};
        QTest::newRow("titles that really differ")
            << "BB" << QStringList{"LZD 101 200401 04 LZD_MC=本月数", "LZD 101 200401 04 LZD_MC=上月数"} << true << "-R-"
            << QStringList{"select LZD_MC from dirtyLZD => 上月数 ; 本月数", "select * from optiLZD =>"};
        QTest::newRow("cells differing in the cell code, removal on")
            << "BB" << dict + QStringList{"DYZD 101 200401 0001 01 DYZD_ORDE=A1", "DYZD 101 200401 0001 01 DYZD_ORDE=B1"}
            << true << "---"
            << QStringList{"select count(1) from dirtyDYZD => 1", "select * from optiDYZD =>"};
        // Of twins differing only in the cell code the last in source order survives.
        QTest::newRow("two twins: the later survives")
            << "BB" << dict + QStringList{"DYZD 101 200401 0001 01 DYZD_ORDE=B1", "DYZD 101 200401 0001 01 DYZD_ORDE=A1"}
            << true << "---" << QStringList{"select DYZD_ORDE from dirtyDYZD => A1", "select * from optiDYZD =>"};
        QTest::newRow("three twins: the last survives")
            << "BB"
            << dict + QStringList{"DYZD 101 200401 0001 01 DYZD_ORDE=Z9", "DYZD 101 200401 0001 01 DYZD_ORDE=A1",
                   "DYZD 101 200401 0001 01 DYZD_ORDE=M5"}
            << true << "---" << QStringList{"select DYZD_ORDE from dirtyDYZD => M5", "select * from optiDYZD =>"};
        QTest::newRow("twins at illegal and at legal coordinates")
            << "BB"
            << dict + QStringList{"DYZD 101 200401 0001 99 DYZD_ORDE=A1", "DYZD 101 200401 0001 99 DYZD_ORDE=B1",
                   "DYZD 101 200401 0002 02 DYZD_ORDE=C1", "DYZD 101 200401 0002 02 DYZD_ORDE=D1"}
            << true << "---"
            << QStringList{"select HZD_ORDE, LZD_ORDE, DYZD_ORDE from dirtyDYZD => 0002|02|D1", "select * from optiDYZD =>"};
        QTest::newRow("cells differing in the cell code, removal off")
            << "BB" << dict + QStringList{"DYZD 101 200401 0001 01 DYZD_ORDE=A1", "DYZD 101 200401 0001 01 DYZD_ORDE=B1"}
            << false << "--R"
            << QStringList{"select DYZD_ORDE from dirtyDYZD => A1 ; B1", "select * from optiDYZD =>"};
        QTest::newRow("illegal cell, removal on")
            << "BB" << dict + QStringList{"DYZD 101 200401 0001 99 x2", "DYZD 101 200401 0099 01 x2", "DYZD 101 200401 0002 02 x2"}
            << true << "---"
            << QStringList{"select HZD_ORDE, LZD_ORDE from dirtyDYZD => 0002|02", "select * from optiDYZD =>"};
        QTest::newRow("illegal cell, removal off")
            << "BB" << dict + QStringList{"DYZD 101 200401 0001 99 x2", "DYZD 101 200401 0002 02 x2"} << false << "---"
            << QStringList{"select HZD_ORDE, LZD_ORDE from dirtyDYZD => 0001|99 ; 0002|02"};
        QTest::newRow("missing value becomes 0")
            << "BB" << dict + QStringList{"DYZD 101 200401 0002 02 DYZD_DATA=null DYZD_SJ=''",
                   "DYZD 101 200401 0002 02 DYZD_DATA=0 DYZD_SJ=0"}
            << true << "---"
            << QStringList{"select DYZD_SJ, DYZD_DATA from dirtyDYZD => 0|0"};
        QTest::newRow("unit data: illegal for all units, key duplicates kept")
            << "HZ"
            << dict + QStringList{"DWSJ 0001 101 200401 0099 01 x2", "DWSJ 0002 101 200401 0099 01 x2",
                   "DWSJ 0001 101 200401 0001 01 DYZD_DATA=5", "DWSJ 0001 101 200401 0001 01 DYZD_DATA=6",
                   "HZSJ 01 101 200401 0002 02 x2"}
            << true << "---R-"
            << QStringList{"select DWZD_BH, HZD_ORDE, DYZD_DATA from dirtyDWSJ => 0001|0001|5 ; 0001|0001|6",
                   "select * from optiDWSJ =>", "select LBZD_BH, HZD_ORDE from dirtyHZSJ => 01|0002",
                   "select DWZD_BH, HZD_ORDE from havDWSJ => 0001|0001"};
        QTest::newRow("quote in a key")
            << "BB" << QStringList{"HZD 101 200401 O'1 HZD_ZB=1", "HZD 101 200401 O'1 HZD_ZB=2", "HZD 101 200401 0007 x2"}
            << true << "R--"
            << QStringList{"select HZD_ORDE, HZD_ZB from dirtyHZD => O'1|1 ; O'1|2",
                   "select HZD_ORDE from optiHZD => 0007"};
    }
    void results()
    {
        QFETCH(QString, system);
        QFETCH(QStringList, rows);
        QFETCH(bool, removeIllegal);
        QFETCH(QString, remaining);
        QFETCH(QStringList, checks);
        CleanRun run(system, rows);
        run.check();
        const QString before = run.rows("select * from " + run.prefix() + "HZD").join(';');
        run.clean(removeIllegal);
        QCOMPARE(run.remaining(), remaining);
        for (const QString& c : checks) {
            const QString sql = c.section(QStringLiteral(" =>"), 0, 0);
            const QString want = c.section(QStringLiteral("=> "), 1).trimmed();
            QCOMPARE(run.rows(sql).join(QStringLiteral(" ; ")), want);
        }
        // only working tables change
        QCOMPARE(run.rows("select * from " + run.prefix() + "HZD").join(';'), before);
        QVERIFY(run.state.leftOut(system).isEmpty());
    }

    // Every line of one class, with a fresh time stamp per line, and the bar.
    void logLines_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("barMaximum");
        QTest::addColumn<QStringList>("lines");   // "@" = the time stamp
        const QString sep(30, '=');
        const QString blank(30, ' ');
        QTest::newRow("row dictionary resolved")
            << QStringList{"HZD 101 200401 0001 x2"} << 6
            << QStringList{sep, "@开始清理行字典", "@开始复制行字典重复数据到临时表", "@结束复制行字典重复数据到临时表",
                   "@开始清理行字典中完全重复的数据", "@结束清理行字典中完全重复数据",
                   "@开始检查行字典关键内容重复的数据", "@结束检查行字典关键内容重复的数据",
                   "@开始判断行字典是否还存在重复数据", "@结束判断行字典是否还存在重复数据",
                   "@开始二次复制行字典临时表数据", "@结束二次复制行字典临时表数据", "@结束清理行字典", sep, blank};
        QTest::newRow("cell dictionary remaining")
            << QStringList{"BBZD 101 200401 表", "HZD 101 200401 0001", "LZD 101 200401 01",
                   "DYZD 101 200401 0001 01 DYZD_DATA=1", "DYZD 101 200401 0001 01 DYZD_DATA=2"}
            << 7
            << QStringList{sep, "@开始清理单元字典", "@开始复制单元字典重复数据到临时表",
                   "@结束复制单元字典重复数据到临时表", "@开始清理单元字典中完全重复的数据",
                   "@结束清理单元字典中完全重复数据", "@开始清除行列内码非法的单元字典单元格信息",
                   "@结束清除行列内码非法的单元字典单元格信息", "@开始检查单元字典关键内容重复的数据",
                   "@结束检查单元字典关键内容重复的数据", "@开始判断单元字典是否还存在重复数据",
                   "@结束判断单元字典是否还存在重复数据",
                   "@由于单元字典还存在部分重复数据，系统将对这些数据进行备份以供您手动清理",
                   "@开始复制单元字典未清理掉的重复数据到临时表", "@结束复制单元字典未清理掉的重复数据到临时表",
                   "@开始删除临时表中单元字典未清理掉的重复数据", "@结束删除单元字典未清理掉的重复数据",
                   "@结束清理单元字典", sep, blank};
    }
    void logLines()
    {
        QFETCH(QStringList, rows);
        QFETCH(int, barMaximum);
        QFETCH(QStringList, lines);
        CleanRun run("BB", rows);
        run.check();
        run.log.lines << "left from before";
        run.clean();
        QStringList expected;
        QTime t(9, 5, 0);
        for (const QString& l : lines) {
            if (l.startsWith('@')) {
                t = t.addSecs(1);
                expected << "【" + t.toString("HH:mm:ss") + "】 " + l.mid(1);
            } else {
                expected << l;
            }
        }
        QCOMPARE(run.log.lines, expected);
        QCOMPARE(run.log.clears, 1);
        QCOMPARE(run.bar.calls.mid(0, 2), (QStringList{"pos 0", QStringLiteral("range 0 %1").arg(barMaximum)}));
        QCOMPARE(run.bar.steps(), barMaximum);
        QCOMPARE(run.bar.calls.last(), QStringLiteral("pos %1").arg(barMaximum));
    }

    // A failed or short copy keeps the class out of the write-back with all its report rows;
    // the other classes are cleaned and written back as usual.
    void failedCopy_data()
    {
        QTest::addColumn<QString>("setup");      // statement on the database after the check
        QTest::addColumn<QString>("failOn");     // statement made to fail
        QTest::addColumn<QString>("line");       // the log line that says so
        const QString keyDups = QStringLiteral("key");
        QTest::newRow("copy into the staging table fails")
            << QString() << "insert into oldHZD"
            << "**********复制行字典重复数据到临时表失败（临时表0条，应为4条），行字典将不写回主表，主表数据保持不变！";
        QTest::newRow("staging table short")
            << "create trigger short after insert on oldHZD begin delete from oldHZD where HZD_ZB = 2; end"
            << QString()
            << "**********复制行字典重复数据到临时表失败（临时表3条，应为4条），行字典将不写回主表，主表数据保持不变！";
        QTest::newRow("review table short")
            << "create trigger short after insert on dirtyHZD begin delete from dirtyHZD where HZD_ZB = 2; end"
            << QString()
            << "**********复制行字典未清理掉的重复数据到临时表失败（临时表1条，应为2条），行字典将不写回主表，主表数据保持不变！";
        QTest::newRow("copy into the review table fails")
            << QString() << "insert into dirtyHZD"
            << "**********复制行字典未清理掉的重复数据到临时表失败（临时表0条，应为2条），行字典将不写回主表，主表数据保持不变！";
        QTest::newRow("key deletion fails")
            << QString() << "delete from optiHZD where 1=1"
            << "**********删除临时表中行字典未清理掉的重复数据失败（injected），行字典将不写回主表，主表数据保持不变！";
        QTest::newRow("distinct copy fails")
            << QString() << "select distinct * from oldHZD"
            << "**********清理行字典时数据库语句执行失败（injected），行字典将不写回主表，主表数据保持不变！";
        QTest::newRow("key range incomplete")
            << "delete from rangeHZD where HZD_ORDE = '0001'" << QString()
            << "**********行字典重复数据的关键内容范围与重复计数不一致，行字典将不写回主表，主表数据保持不变！";
    }
    void failedCopy()
    {
        QFETCH(QString, setup);
        QFETCH(QString, failOn);
        QFETCH(QString, line);
        // HZD: 0001 key duplicates (HZD_ZB 1, 2), 0002 complete duplicates; LZD complete duplicates.
        CleanRun run("BB", {"BBZD 101 200401 表", "HZD 101 200401 0001 HZD_ZB=1", "HZD 101 200401 0001 HZD_ZB=2",
                               "HZD 101 200401 0002 x2", "HZD 101 200401 0003", "LZD 101 200401 01 x2"});
        run.check();
        const QStringList hzdBefore = run.rows(fullRows("KRHZD"));
        if (!setup.isEmpty())
            run.as.exec(setup);
        if (!failOn.isEmpty())
            run.as.mast().setStatementHook([&](const QString& sql) {
                if (sql.contains(failOn))
                    throw DatabaseError(QStringLiteral("injected"));
            });
        run.clean();
        run.as.mast().setStatementHook({});

        QVERIFY2(run.logBodies().contains(line), qPrintable(run.logBodies().join('\n')));
        QVERIFY(run.logBodies().contains("以下数据未能安全清理，不写回主表，主表数据保持不变：行字典"));
        QCOMPARE(run.state.leftOutNames("BB"), QStringList{"行字典"});
        QVERIFY(!run.state.of(DataClassId::HZD).Remaining);
        QVERIFY(run.state.mayWriteBack(DataClassId::LZD));

        run.writeBack();
        QCOMPARE(run.rows(fullRows("KRHZD")), hzdBefore);
        QCOMPARE(run.as.count("KRLZD"), 1);
    }

    // Keys with a missing part in any key column: the check counts them, the cleanup leaves
    // them out with a line naming them, and the write-back neither removes them nor the row
    // whose part is an empty text instead.
    void nullKeys_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<int>("part");
        for (const DataClass& c : allDataClasses())
            for (int i = 0; i < c.keyColumns.size(); ++i)
                QTest::addRow("%s %s", qPrintable(c.base), qPrintable(c.keyColumns.at(i))) << c.base << i;
    }
    void nullKeys()
    {
        QFETCH(QString, base);
        QFETCH(int, part);
        const DataClass* cls = nullptr;
        for (const DataClass& c : allDataClasses())
            if (c.base == base)
                cls = &c;
        QVERIFY(cls);
        const bool unitData = cls->keyColumns.size() == 5;
        const QString unit = base == QLatin1String("DWSJ") ? "0001" : "01";
        QStringList key = unitData ? QStringList{unit, "101", "200401", "0001", "01"}
                                   : cls->keyColumns.size() == 4 ? QStringList{"101", "200401", "0001", "01"}
                                                                 : QStringList{"101", "200401", "0001"};
        auto line = [&](const QStringList& k, const QString& extra = {}) {
            return base + ' ' + k.join(' ') + extra;
        };
        QStringList nullKey = key, emptyKey = key, otherKey = key;
        nullKey[part] = "-";
        emptyKey[part] = "''";
        otherKey[key.size() - 1] = cls->keyColumns.size() == 3 ? "0003" : "02";
        QStringList rows{"BBZD 101 200401 表", "HZD 101 200401 0001", "LZD 101 200401 01", "HZD 101 200401 0002",
            "LZD 101 200401 02", line(nullKey, " x2"), line(otherKey, " x2")};
        // a single row whose part is the empty text, never duplicated
        CleanRun run("HZ", rows);
        {
            QVariantList single;
            const QString col = cls->keyColumns.at(part);
            insertAccountRows(run.as, "HZ", {line(key)});
            run.as.exec("update HZ" + base + " set " + col + " = '' where rowid = (select max(rowid) from HZ" + base + ")");
        }
        const QString table = "HZ" + base;
        const QString col = cls->keyColumns.at(part);
        const int rowsBefore = run.as.count(table);
        run.check();
        QVERIFY(run.state.of(*cls).Found);
        run.clean();
        const QStringList bodies = run.logBodies();
        const auto named = std::find_if(bodies.begin(), bodies.end(), [&](const QString& l) {
            return l.startsWith(cls->className + "关键内容含空值，不参与清理，主表数据保持不变：")
                && l.contains(col + "=(空)");
        });
        QVERIFY2(named != bodies.end(), qPrintable(bodies.join('\n')));
        QVERIFY(run.state.mayWriteBack(cls->id));
        QCOMPARE(run.as.count(cls->rangeTable(), col + " is null"), 0);

        run.writeBack();
        QCOMPARE(run.as.count(table, col + " is null"), 2);   // left as they were
        QCOMPARE(run.as.count(table, col + " = ''"), 1);      // not taken for the missing part
        QCOMPARE(run.as.count(table), rowsBefore - 1);         // only the complete duplicate went
    }

    // The planted problems of the demo account set, both systems.
    void demoAccountSet_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("a");   // first report number
        QTest::addColumn<QString>("c");   // third
        QTest::newRow("report management") << "BB" << "101" << "103";
        QTest::newRow("report summary") << "HZ" << "201" << "203";
    }
    void demoAccountSet()
    {
        QFETCH(QString, system);
        QFETCH(QString, a);
        QFETCH(QString, c);
        TestAccountSetOptions o;
        o.demoContent = true;
        o.demo.dupRate = 0;
        CleanupState state;
        TestAccountSet as(o);
        FillTableNames(as.dm().state, system);
        RecordingLabels labels;
        RecordingProgress bar, rowBar;
        RecordingList list;
        RecordingLog log;
        CountingEvents events;
        as.dm().DropWorkingTables();
        as.dm().CreateWorkingTables();
        as.dm().CreateWorkingIndexes();
        DuplicateCheck(as.dm(), state, {labels, bar, list, events}).CheckAllClasses();
        AutoCleanup(as.dm(), state, {log, bar, rowBar, events}).AutoCleanAll();
        const bool hz = system == QLatin1String("HZ");
        QCOMPARE(state.DuplicatesRemain(system), true);
        for (const DataClass* cls : dataClassesOf(system)) {
            QVERIFY(state.of(*cls).Found);
            QVERIFY(state.mayWriteBack(cls->id));
            QVERIFY2(state.of(*cls).Remaining, qPrintable(cls->className));   // each has a key-only duplicate
        }
        auto keys = [&](const QString& sql) {
            QStringList out;
            for (const QStringList& r : as.rows(sql))
                out << r.join('|');
            return out;
        };
        // what is left for the review: the key-only duplicates
        QCOMPARE(keys("select distinct BBZD_BH, BBZD_DATE, HZD_ORDE from dirtyHZD"), QStringList{a + "|200406|0005"});
        QCOMPARE(keys("select distinct BBZD_BH, BBZD_DATE, LZD_ORDE from dirtyLZD"), QStringList{a + "|200406|05"});
        QCOMPARE(keys("select distinct BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE from dirtyDYZD"),
            QStringList{a + "|200406|0005|05"});
        if (hz) {
            QCOMPARE(keys("select distinct DWZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE from dirtyDWSJ"),
                QStringList{"0002|200406|0005|05"});
            QCOMPARE(keys("select distinct LBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE from dirtyHZSJ"),
                QStringList{"02|200406|0005|05"});
        }
        // resolved: complete duplicates once, titles merged, empty values, cell codes, illegal cells gone
        QCOMPARE(as.count("optiHZD", "BBZD_BH = '" + a + "' and BBZD_DATE = '200405' and HZD_ORDE = '0003'"), 1);
        QCOMPARE(as.count("optiHZD", "BBZD_BH = '" + c + "' and BBZD_DATE = '200405' and HZD_ORDE = '0007'"), 1);
        QCOMPARE(keys("select LZD_MC from optiLZD where BBZD_DATE = '200407' and LZD_ORDE = '04'"), QStringList{" "});
        const QString cell = "BBZD_BH = '" + a + "' and BBZD_DATE = '%1' and HZD_ORDE = '%2' and LZD_ORDE = '%3'";
        QCOMPARE(as.count("optiDYZD", cell.arg("200407", "0004", "04")), 1);
        QCOMPARE(keys("select DYZD_SJ, DYZD_DATA from optiDYZD where " + cell.arg("200407", "0006", "06")),
            QStringList{"0|0"});
        QCOMPARE(as.count("optiDYZD", cell.arg("200408", "0099", "03")), 0);
        QCOMPARE(as.count("optiDYZD", cell.arg("200408", "0002", "99")), 0);
        QCOMPARE(as.count("optiDYZD", "BBZD_BH = '" + c + "' and BBZD_DATE = '200410' and HZD_ORDE = '0010'"), 1);
        if (hz) {
            QCOMPARE(as.count("optiDWSJ", "BBZD_DATE = '200408' and HZD_ORDE = '0099'"), 0);
            QCOMPARE(as.count("optiHZSJ", "BBZD_DATE = '200408' and HZD_ORDE = '0099'"), 0);
            QCOMPARE(as.count("optiDWSJ", "BBZD_DATE = '200405' and HZD_ORDE = '0003' and LZD_ORDE = '03'"), 1);
        }
        // the key range still names every key the check found
        for (const DataClass* cls : dataClassesOf(system))
            QVERIFY(as.count(cls->rangeTable()) >= as.count(cls->countTable()));
    }

    void untouchedClassLogsNothing()
    {
        CleanRun run("HZ", {"BBZD 101 200401 表", "HZD 101 200401 0001", "LZD 101 200401 01 x2"});
        run.check();
        run.clean();
        const QString all = run.log.lines.join('\n');
        QVERIFY(all.contains("列字典"));
        for (const QString n : {"行字典", "单元字典", "单位数据", "汇总数据"})
            QVERIFY2(!all.contains(n), qPrintable(n));
        QCOMPARE(run.bar.steps(), 6);
        QVERIFY(!run.state.mayWriteBack(DataClassId::HZD));
        QVERIFY(run.state.mayWriteBack(DataClassId::LZD));
    }

    // The lookups of the illegal-cell removal: a failing lookup counts as found.
    void coordinates_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("failOn");
        QTest::addColumn<bool>("legal");
        QTest::newRow("both present") << "0001" << "01" << QString() << true;
        QTest::newRow("row code missing") << "0009" << "01" << QString() << false;
        QTest::newRow("column code missing") << "0001" << "09" << QString() << false;
        QTest::newRow("quote in a code") << "0'1" << "01" << QString() << true;
        QTest::newRow("lookup fails") << "0009" << "09" << "select" << true;
    }
    void coordinates()
    {
        QFETCH(QString, row);
        QFETCH(QString, column);
        QFETCH(QString, failOn);
        QFETCH(bool, legal);
        CleanRun run("BB", {"HZD 101 200401 0001", "HZD 101 200401 0'1", "LZD 101 200401 01"});
        if (!failOn.isEmpty())
            run.as.mast().setStatementHook([&](const QString& sql) {
                if (sql.startsWith(failOn))
                    throw DatabaseError(QStringLiteral("injected"));
            });
        QCOMPARE(run.job.CellCoordinatesLegal("101", "200401", row, column), legal);
        run.as.mast().setStatementHook({});
    }
};

QTEST_GUILESS_MAIN(TestAutoCleanup)
#include "test_auto_cleanup.moc"
