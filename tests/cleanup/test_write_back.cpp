// The write-back: per class one transaction that replaces the key range of the report
// table by the cleaned rows, then the unique index; failures at every statement.
#include "test_write_back_fixture.h"

#include "cleanup/write_back.h"
#include "data_module/database_error.h"
#include "data_module/working_tables.h"
#include "support/statement_faults.h"

#include <QtTest>

namespace {
const QTime kTime(9, 5, 7);
const QString T = QStringLiteral("【09:05:07】 ");

struct WriteBackRun {
    RecordingLog log;
    RecordingProgress bar, deleteBar;
    CountingEvents events;
    bool result = false;
};

void writeBack(TEndYearDataMod& dm, const CleanupState& state, WriteBackRun& run)
{
    WriteBack wb(dm, state, WriteBackSinks{run.log, run.bar, run.deleteBar, run.events}, [] { return kTime; });
    run.result = wb.WriteBackAll();
}

// One account set taken through the first half and the review, ready for the write-back.
struct Prepared {
    explicit Prepared(const QString& system) : system(system)
    {
        fixture::plantDuplicates(as, system);
        fixture::selectSystem(as.dm(), system);
        fixture::runFirstHalf(as.dm(), half);
        fixture::resolveReview(as, system, half.state);
        before = fixture::snapshot(as, system);
    }
    ~Prepared() { as.dm().QryGlobalOpen.close(); }
    QString system;
    TestAccountSet as;
    fixture::FirstHalf half;
    fixture::Snapshot before;
};

// The statements of a write-back without failures, and the report tables after it.
struct Reference {
    QStringList statements;
    fixture::Snapshot cleaned;
    // Per class (in class order): index of its BEGIN, of its COMMIT and of its index statement.
    QList<int> begins, commits, indexes;
};
QMap<QString, Reference> g_reference;
}

class TestWriteBack : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanedTables_data();
    void cleanedTables();
    void logAndBar();
    void workingTablesLeftBehind_data();
    void workingTablesLeftBehind();
    void emptiedReviewDropsTheKeys();
    void existingIndexOfTheSameName();
    void classLeftOutIsNotWrittenBack();
    void nullKeyPartsStayUntouched();
    void faultAtEveryStatement_data();
    void faultAtEveryStatement();
    void faultAfterEveryStatement_data();
    void faultAfterEveryStatement();
    void connectionLostInTheMiddle_data();
    void connectionLostInTheMiddle();
};

void TestWriteBack::initTestCase()
{
    for (const QString& system : {QStringLiteral("BB"), QStringLiteral("HZ")}) {
        Prepared p(system);
        Reference ref;
        p.as.mast().setStatementHook([&](const QString& sql) { ref.statements << sql; });
        WriteBackRun run;
        writeBack(p.as.dm(), p.half.state, run);
        p.as.mast().setStatementHook({});
        QVERIFY2(run.result, qPrintable(run.log.lines.join('\n')));
        ref.cleaned = fixture::snapshot(p.as, system);
        for (int i = 0; i < ref.statements.size(); ++i) {
            const QString& s = ref.statements.at(i);
            if (s == "BEGIN")
                ref.begins << i;
            else if (s == "COMMIT")
                ref.commits << i;
            else if (s.startsWith("create unique index"))
                ref.indexes << i;
        }
        QCOMPARE(ref.begins.size(), dataClassesOf(system).size());
        QCOMPARE(ref.commits.size(), ref.begins.size());
        QCOMPARE(ref.indexes.size(), ref.begins.size());
        g_reference[system] = ref;
    }
}

void TestWriteBack::cleanedTables_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");        // the where clause of one key
    QTest::addColumn<int>("rows");           // rows of that key afterwards
    QTest::addColumn<QString>("kept");       // a condition the remaining row must meet
    for (const QString& system : {QStringLiteral("BB"), QStringLiteral("HZ")}) {
        const QString p = fixture::prefixOf(system);
        const QString a = p == "KR" ? "101" : "201";
        const QString b = p == "KR" ? "102" : "202";
        const QString ka = "BBZD_BH = '" + a + "' and ";
        QTest::addRow("%s row dictionary complete duplicate", qPrintable(system))
            << system << p + "HZD" << ka + "HZD_ORDE = '0003'" << 1 << "HZD_ZB = 3";
        QTest::addRow("%s row dictionary kept review row", qPrintable(system))
            << system << p + "HZD" << ka + "HZD_ORDE = '0005'" << 1 << "HZD_ZB = 5";
        QTest::addRow("%s row dictionary untouched", qPrintable(system))
            << system << p + "HZD" << "BBZD_BH = '" + b + "' and HZD_ORDE = '0003'" << 1 << "HZD_ZB = 3";
        QTest::addRow("%s column dictionary complete duplicate", qPrintable(system))
            << system << p + "LZD" << ka + "LZD_ORDE = '03'" << 1 << "LZD_ZB = 3";
        QTest::addRow("%s column dictionary kept review row", qPrintable(system))
            << system << p + "LZD" << ka + "LZD_ORDE = '05'" << 1 << "LZD_MC = '本月数'";
        QTest::addRow("%s cells complete duplicate", qPrintable(system))
            << system << p + "DYZD" << ka + "HZD_ORDE = '0003' and LZD_ORDE = '03'" << 1 << "DYZD_DATA = 7";
        QTest::addRow("%s cells kept review row", qPrintable(system))
            << system << p + "DYZD" << ka + "HZD_ORDE = '0005' and LZD_ORDE = '05'" << 1 << "DYZD_SJ = '5'";
        QTest::addRow("%s cells untouched", qPrintable(system))
            << system << p + "DYZD" << "BBZD_BH = '" + b + "'" << 2 << "DYZD_SJ = '1'";
    }
    for (const QString& table : {QStringLiteral("HZDWSJ"), QStringLiteral("HZHZSJ")}) {
        const QString unit = table == "HZDWSJ" ? "DWZD_BH" : "LBZD_BH";
        QTest::addRow("HZ %s complete duplicate", qPrintable(table))
            << "HZ" << table << "BBZD_BH = '201' and HZD_ORDE = '0003'" << 1 << "DYZD_DATA = 7";
        QTest::addRow("HZ %s kept review row", qPrintable(table))
            << "HZ" << table << "BBZD_BH = '201' and HZD_ORDE = '0005'" << 1 << "DYZD_SJ = '5'";
        QTest::addRow("HZ %s untouched", qPrintable(table))
            << "HZ" << table << "BBZD_BH = '202'" << 4 << unit + " is not null";
    }
}

void TestWriteBack::cleanedTables()
{
    QFETCH(QString, system);
    QFETCH(QString, table);
    QFETCH(QString, key);
    QFETCH(int, rows);
    QFETCH(QString, kept);
    Prepared p(system);
    WriteBackRun run;
    writeBack(p.as.dm(), p.half.state, run);
    QVERIFY2(run.result, qPrintable(run.log.lines.join('\n')));
    QCOMPARE(p.as.count(table, key), rows);
    QCOMPARE(p.as.count(table, key + " and " + kept), rows);
    // Every class has its unique index; the working tables are gone.
    const DataClass* cls = nullptr;
    for (const DataClass* c : dataClassesOf(system))
        if (fixture::prefixOf(system) + c->base == table)
            cls = c;
    QVERIFY(cls);
    QVERIFY(p.as.indexNames(table).contains(cls->indexName(p.as.dm().state.TableNames)));
    QCOMPARE(p.as.tables("opti%").size() + p.as.tables("dirty%").size() + p.as.tables("range%").size(), 0);
    // Only this system's tables were touched.
    const QString other = system == "BB" ? "HZ" : "KR";
    QCOMPARE(p.as.indexNames(other + "HZD").filter("NDX_").size(), 0);
}

void TestWriteBack::logAndBar()
{
    Prepared p("BB");
    WriteBackRun run;
    writeBack(p.as.dm(), p.half.state, run);
    QStringList expected;
    for (const QString& n : {QStringLiteral("行字典"), QStringLiteral("列字典"), QStringLiteral("单元字典")}) {
        expected << QString(30, '=') << T + " 开始处理" + n << T + " 开始整理" + n + "临时表中数据"
                 << T + " 完成整理" + n + "临时表中数据" << T + " 开始删除" + n + "主表中重复数据"
                 << T + " 删除" + n + "主表重复数据成功！" << T + " 开始将临时表数据复制到" + n + "主表"
                 << T + " 将临时表数据复制到" + n + "主表成功！" << T + " 开始提交处理" + n + "事务"
                 << T + " 提交处理" + n + "事务成功！" << T + " 开始为" + n + "主表创建索引"
                 << T + " 为" + n + "主表创建索引成功！" << T + " 处理" + n + "成功！" << QString(30, '=')
                 << QString(30, ' ');
    }
    expected << T + " 开始删除临时表" << T + " 删除临时表完毕";
    QCOMPARE(run.log.lines, expected);
    QCOMPARE(run.bar.steps(), 3 * 5 + 1);
    QCOMPARE(WriteBack::barMaximum(p.half.state, "BB"), 16);
    // The delete bar counts the key-range rows of the last class: two cell keys.
    QCOMPARE(run.deleteBar.maximum, 2);
    QCOMPARE(run.deleteBar.position, 2);
}

// The closing line says " 删除临时表完毕" only when every working table went.
void TestWriteBack::workingTablesLeftBehind_data()
{
    QTest::addColumn<int>("failing");   // drops that fail, from the first working table on
    QTest::newRow("one") << 1;
    QTest::newRow("all thirty, as on a lost connection") << 30;
}

void TestWriteBack::workingTablesLeftBehind()
{
    QFETCH(int, failing);
    Prepared p("BB");
    const QStringList working = workingTableNames().mid(0, failing);
    p.as.mast().setStatementHook([&](const QString& sql) {
        if (sql.startsWith(QLatin1String("drop table ")) && working.contains(sql.mid(11)))
            throw DatabaseError("server has gone away");
    });
    WriteBackRun run;
    writeBack(p.as.dm(), p.half.state, run);
    p.as.mast().setStatementHook({});
    QVERIFY(run.result);   // every class was written back
    QCOMPARE(run.log.lines.last(),
        T + QStringLiteral(" 删除临时表失败：%1 个临时表未能删除（%2）").arg(failing).arg(working.join(QStringLiteral("、"))));
    QVERIFY(!run.log.lines.contains(T + " 删除临时表完毕"));
    for (const QString& t : working)
        QVERIFY2(p.as.tableExists(t), qPrintable(t));
}

void TestWriteBack::emptiedReviewDropsTheKeys()
{
    Prepared p("BB");
    p.as.exec("delete from dirtyHZD");   // the user emptied the row dictionary's review
    WriteBackRun run;
    writeBack(p.as.dm(), p.half.state, run);
    QCOMPARE(p.as.count("KRHZD", "BBZD_BH = '101' and HZD_ORDE = '0005'"), 0);
    QCOMPARE(p.as.count("KRHZD", "BBZD_BH = '101' and HZD_ORDE = '0003'"), 1);
    // Twelve rows: the complete duplicate lost one copy, the emptied key both of its rows.
    QCOMPARE(p.as.count("KRHZD"), 12 - 1 - 2);
}

void TestWriteBack::existingIndexOfTheSameName()
{
    for (const QString& system : {QStringLiteral("BB"), QStringLiteral("HZ")}) {
        Prepared p(system);
        const QString p2 = fixture::prefixOf(system);
        // An index of that name already exists (on another table).
        p.as.exec("create index NDX_" + p2 + "HZD_ORDE on " + p2 + "BBZD(BBZD_MC)");
        WriteBackRun run;
        writeBack(p.as.dm(), p.half.state, run);
        QVERIFY(!run.result);
        QVERIFY(run.log.lines.contains(T + " **********为行字典创建索引失败！"));
        QVERIFY(!run.log.lines.contains(T + " 处理行字典成功！"));
        // The rows are committed all the same, and the next class is processed.
        QCOMPARE(p.as.count(p2 + "HZD", "HZD_ORDE = '0003'"), 2);   // one per report
        QVERIFY(run.log.lines.contains(T + " 处理列字典成功！"));
        QVERIFY(p.as.indexNames(p2 + "LZD").contains("NDX_" + p2 + "LZD_ORDE"));
        // The failure line advances the bar like the success line would.
        QCOMPARE(run.bar.steps(), 5 * dataClassesOf(system).size() + 1);
    }
}

void TestWriteBack::classLeftOutIsNotWrittenBack()
{
    Prepared p("HZ");
    // The first half could not vouch for the cell dictionary's working tables.
    p.half.state.of(DataClassId::DYZD).AutoCleaned = false;
    p.as.exec("delete from optiDYZD");
    WriteBackRun run;
    writeBack(p.as.dm(), p.half.state, run);
    QVERIFY(!run.result);
    QCOMPARE(fixture::snapshot(p.as, "HZ")["HZDYZD"], p.before["HZDYZD"]);
    QVERIFY(p.as.indexNames("HZDYZD").filter("NDX_").isEmpty());
    QVERIFY(run.log.lines.contains(T + " **********单元字典临时表数据不完整，不写回主表，主表数据保持不变！"));
    QVERIFY(!run.log.lines.contains(T + " 开始处理单元字典"));
    QVERIFY(run.log.lines.contains(T + " 处理单位数据成功！"));
}

void TestWriteBack::nullKeyPartsStayUntouched()
{
    TestAccountSet as;
    fixture::plantDuplicates(as, "BB");
    // Two rows whose row code is missing, and a row with the empty code beside them.
    as.exec("insert into KRHZD values ('101', '200405', NULL, 11, NULL)");
    as.exec("insert into KRHZD values ('101', '200405', NULL, 12, NULL)");
    as.exec("insert into KRHZD values ('101', '200405', '', 13, NULL)");
    fixture::selectSystem(as.dm(), "BB");
    fixture::FirstHalf half;
    fixture::runFirstHalf(as.dm(), half);
    fixture::resolveReview(as, "BB", half.state);
    WriteBackRun run;
    writeBack(as.dm(), half.state, run);
    QCOMPARE(as.count("KRHZD", "HZD_ORDE is null"), 2);
    QCOMPARE(as.count("KRHZD", "HZD_ORDE = ''"), 1);
    QCOMPARE(as.count("KRHZD", "HZD_ORDE = '0003'"), 2);
    as.dm().QryGlobalOpen.close();
}

void TestWriteBack::faultAtEveryStatement_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<int>("classIndex");
    QTest::addColumn<int>("statement");
    for (const QString& system : {QStringLiteral("BB"), QStringLiteral("HZ")}) {
        const Reference& ref = g_reference[system];
        for (int c = 0; c < ref.begins.size(); ++c)
            for (int s = ref.begins.at(c); s <= ref.indexes.at(c); ++s)
                QTest::addRow("%s class %d statement %d %s", qPrintable(system), c + 1, s,
                    qPrintable(ref.statements.at(s).left(40)))
                    << system << c << s;
    }
}

void TestWriteBack::faultAtEveryStatement()
{
    QFETCH(QString, system);
    QFETCH(int, classIndex);
    QFETCH(int, statement);
    const Reference& ref = g_reference[system];
    Prepared p(system);
    int n = 0;
    QString failed;
    p.as.mast().setStatementHook([&](const QString& sql) {
        if (n++ == statement) {
            failed = sql;
            throw DatabaseError("injected failure");
        }
    });
    WriteBackRun run;
    writeBack(p.as.dm(), p.half.state, run);
    p.as.mast().setStatementHook({});
    QCOMPARE(failed, ref.statements.at(statement));
    QVERIFY(!run.result);

    const fixture::Snapshot after = fixture::snapshot(p.as, system);
    const QList<const DataClass*> classes = dataClassesOf(system);
    for (int c = 0; c < classes.size(); ++c) {
        const QString table = fixture::prefixOf(system) + classes.at(c)->base;
        const bool hasIndex = p.as.indexNames(table).contains(classes.at(c)->indexName(p.as.dm().state.TableNames));
        if (c == classIndex && statement <= ref.commits.at(c)) {
            QVERIFY2(after[table] == p.before[table], qPrintable(table + " is not as before"));
            QVERIFY(!hasIndex);
        } else {
            // Committed (the failure hit only the index), or another class: cleaned.
            QVERIFY2(after[table] == ref.cleaned[table], qPrintable(table + " is not cleaned"));
            QCOMPARE(hasIndex, c != classIndex);
        }
    }
    QVERIFY(run.log.lines.filter("**********").size() == 1);
    QVERIFY(run.log.lines.contains(T + " 删除临时表完毕"));
}

void TestWriteBack::faultAfterEveryStatement_data()
{
    faultAtEveryStatement_data();
}

void TestWriteBack::faultAfterEveryStatement()
{
    // The statement took effect and then reported failure (a commit that committed, an
    // index that exists): each class ends as before or cleaned, and the run says it failed.
    QFETCH(QString, system);
    QFETCH(int, classIndex);
    QFETCH(int, statement);
    const Reference& ref = g_reference[system];
    Prepared p(system);
    WriteBackRun run;
    {
        StatementFault fault(p.as.mast(), statement, FaultMoment::After);
        writeBack(p.as.dm(), p.half.state, run);
        QCOMPARE(fault.statement(), ref.statements.at(statement));
    }
    QVERIFY(!run.result);
    QVERIFY(!p.as.mast().inTransaction());

    const fixture::Snapshot after = fixture::snapshot(p.as, system);
    const QList<const DataClass*> classes = dataClassesOf(system);
    for (int c = 0; c < classes.size(); ++c) {
        const QString table = fixture::prefixOf(system) + classes.at(c)->base;
        const bool hasIndex = p.as.indexNames(table).contains(classes.at(c)->indexName(p.as.dm().state.TableNames));
        if (c == classIndex && statement < ref.commits.at(c)) {
            QVERIFY2(after[table] == p.before[table], qPrintable(table + " is not as before"));
            QVERIFY(!hasIndex);
        } else {
            QVERIFY2(after[table] == ref.cleaned[table], qPrintable(table + " is not cleaned"));
            QCOMPARE(hasIndex, c != classIndex || statement == ref.indexes.at(c));
        }
    }
    const QStringList failures = run.log.lines.filter("**********");
    QCOMPARE(failures.size(), 1);
    const QString n = classes.at(classIndex)->className;
    if (statement == ref.commits.at(classIndex))
        QCOMPARE(failures.first(), T + " **********提交处理" + n + "事务失败！");
    if (statement == ref.indexes.at(classIndex))
        QCOMPARE(failures.first(), T + " **********为" + n + "创建索引失败！");
    QVERIFY(!run.log.lines.contains(T + " 处理" + n + "成功！"));
    QVERIFY(run.log.lines.contains(T + " 删除临时表完毕"));
}

void TestWriteBack::connectionLostInTheMiddle_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<int>("statement");
    QTest::addColumn<int>("classIndex");
    for (const QString& system : {QStringLiteral("BB"), QStringLiteral("HZ")}) {
        const Reference& ref = g_reference[system];
        const int last = ref.begins.size() - 1;
        // In the middle of the second class's deletions, at its commit, and at the last
        // class's index.
        QTest::addRow("%s deletions of class 2", qPrintable(system)) << system << ref.begins.at(1) + 4 << 1;
        QTest::addRow("%s commit of class 2", qPrintable(system)) << system << ref.commits.at(1) << 1;
        QTest::addRow("%s index of the last class", qPrintable(system)) << system << ref.indexes.at(last) << last;
    }
}

void TestWriteBack::connectionLostInTheMiddle()
{
    QFETCH(QString, system);
    QFETCH(int, statement);
    QFETCH(int, classIndex);
    const Reference& ref = g_reference[system];
    Prepared p(system);
    int n = 0;
    bool lost = false;
    p.as.mast().setStatementHook([&](const QString&) {
        if (n++ == statement && !lost) {
            lost = true;
            p.as.dm().QryGlobalOpen.close();
            p.as.mast().backend().disconnect();
        }
        if (lost)
            throw DatabaseError("connection lost");
    });
    WriteBackRun run;
    writeBack(p.as.dm(), p.half.state, run);
    p.as.mast().setStatementHook({});
    QVERIFY(lost);
    QVERIFY(!run.result);

    const fixture::Snapshot after = fixture::snapshot(p.as, system);
    const QList<const DataClass*> classes = dataClassesOf(system);
    for (int c = 0; c < classes.size(); ++c) {
        const QString table = fixture::prefixOf(system) + classes.at(c)->base;
        const bool committed = c < classIndex || (c == classIndex && statement > ref.commits.at(c));
        QVERIFY2(after[table] == (committed ? ref.cleaned[table] : p.before[table]),
            qPrintable(table + (committed ? " lost committed rows" : " is not as before")));
    }
}

QTEST_MAIN(TestWriteBack)
#include "test_write_back.moc"
