#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "support/recording_backend.h"
#include "data_module/sinks.h"
#include "data_module/working_tables.h"
#include "support/recorders.h"
#include "support/test_account_set.h"

#include <QRegularExpression>
#include <QtTest>

namespace {


// A data module on the recording engine, as a server of the given kind would see it.
struct Recorded {
    RecordingBackend* rec = new RecordingBackend;
    TEndYearDataMod dm{std::unique_ptr<Backend>(rec)};
    explicit Recorded(int kind)
    {
        dm.mast.setDriverName(QStringLiteral("Recording"));
        dm.mast.connect();
        dm.state.DatabaseKind = DbKind(kind);
    }
};

QStringList tableOf(const QStringList& statements, const QString& pattern)
{
    const QRegularExpression re(pattern);
    QStringList out;
    for (const QString& s : statements) {
        const auto m = re.match(s);
        if (m.hasMatch())
            out << m.captured(1);
    }
    return out;
}

QList<QVariantList> hzd(const QList<QStringList>& keys)
{
    QList<QVariantList> rows;
    for (const QStringList& k : keys) {
        QVariantList r = demo::rowRow({.bh = k.value(0), .date = k.value(1), .orde = k.value(2)});
        for (int i = 0; i < 3; ++i)
            if (k.value(i) == QLatin1String("<null>"))
                r[i] = QVariant();
        rows << r;
    }
    return rows;
}

} // namespace

class TestQueryRoutines : public QObject {
    Q_OBJECT

private slots:
    void workingTables_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("dataType");
        QTest::newRow("SQL Anywhere") << 0 << "u001";
        QTest::newRow("Sybase") << 1 << "u001";
        QTest::newRow("MS SQL Server") << 2 << "u001";
        QTest::newRow("DB2 or Oracle") << 3 << "float";
    }
    void workingTables()
    {
        QFETCH(int, kind);
        QFETCH(QString, dataType);
        Recorded r(kind);
        r.rec->fail(QStringLiteral("create table optiLZD"));   // failures are ignored
        r.dm.DropWorkingTables();
        r.dm.CreateWorkingTables();
        const QStringList sent = r.rec->statements();

        QStringList expected;
        for (const QString role : {"opti", "dirty", "hav", "range", "old"})
            for (const QString base : {"HZD", "LZD", "DYZD", "DWSJ", "HZSJ", "BBZD"})
                expected << role + base;
        QCOMPARE(tableOf(sent, QStringLiteral("^drop table (\\w+)$")), expected);
        QCOMPARE(tableOf(sent, QStringLiteral("^create table (\\w+) \\(")), expected);
        QCOMPARE(sent.size(), 60);

        for (const QString& s : sent.mid(30)) {
            const QString name = tableOf({s}, QStringLiteral("^create table (\\w+)")).value(0);
            const bool cells = name.endsWith(QLatin1String("DYZD")) || name.endsWith(QLatin1String("DWSJ"))
                || name.endsWith(QLatin1String("HZSJ"));
            QCOMPARE(s.contains(QStringLiteral("DYZD_DATA ") + dataType + QStringLiteral(" null")), cells);
            // every column nullable, no key
            QVERIFY2(!s.contains(QLatin1String("primary"), Qt::CaseInsensitive), qPrintable(s));
            const int columns = int(s.count(QLatin1Char(','))) + 1;
            QCOMPARE(int(s.count(QStringLiteral(" null"))), columns);
        }
        QVERIFY(sent.at(30).startsWith(QLatin1String("create table optiHZD (BBZD_BH varchar(8) null, BBZD_DATE "
                                                      "varchar(8) null, HZD_ORDE varchar(9) null, HZD_ZB int null, "
                                                      "BZBM_BM varchar(11) null)")));
    }

    // The shapes the cleanup relies on, as sent to a server without dialect changes.
    void statementShapes_data()
    {
        QTest::addColumn<QString>("routine");
        QTest::addColumn<QStringList>("statements");
        QTest::newRow("CountDuplicates") << "count"
            << QStringList{"TRUNCATE table havHZD",
                   "insert into havHZD(BBZD_BH,BBZD_DATE,HZD_ORDE,HZD_ZB) select BBZD_BH,BBZD_DATE,HZD_ORDE, "
                   "count(1) from KRHZD2002 group by BBZD_BH,BBZD_DATE,HZD_ORDE having count(1)>1"};
        QTest::newRow("CopyMatchingRows") << "match"
            << QStringList{"insert into oldHZD select SrcTab.* from KRHZD SrcTab, havHZD RelTab where 1 = 1 and "
                           "SrcTab.BBZD_BH=RelTab.BBZD_BH and SrcTab.BBZD_DATE=RelTab.BBZD_DATE and "
                           "SrcTab.HZD_ORDE=RelTab.HZD_ORDE"};
        QTest::newRow("CopyDistinctRows") << "distinct"
            << QStringList{"TRUNCATE table optiLZD", "insert into optiLZD select distinct * from oldLZD"};
        QTest::newRow("AppendRows") << "append" << QStringList{"insert into rangeDYZD select * from havDYZD"};
        QTest::newRow("CreateUniqueIndex") << "index"
            << QStringList{"create unique index NDX_HZHZD_ORDE2002 on HZHZD2002(BBZD_BH,BBZD_DATE,HZD_ORDE)"};
        QTest::newRow("CopyReportDictionary") << "dictionary"
            << QStringList{"TRUNCATE table dirtyBBZD",
                   "insert into dirtyBBZD(BBZD_BH,BBZD_DATE,BBZD_MC,BBZD_TITLE,BBZD_HEAD,BBZD_BT,BBZD_HS,BBZD_LS) "
                   "select BBZD_BH,BBZD_DATE,BBZD_MC,BBZD_TITLE,BBZD_HEAD,BBZD_BT,BBZD_HS,BBZD_LS from HZBBZD"};
        QTest::newRow("ReportTableExists") << "exists" << QStringList{"select 1 from KRBBZD2001 where 1>2"};
        QTest::newRow("HasRows") << "hasrows" << QStringList{"select count(1) as DirtyCount from havLZD"};
    }
    void statementShapes()
    {
        QFETCH(QString, routine);
        QFETCH(QStringList, statements);
        Recorded r(2);
        r.dm.state.TableNames.BBZDName = QStringLiteral("KRBBZD2001");
        r.rec->answer(QStringLiteral("DirtyCount"), {{"DirtyCount"}, {{3}}});
        const QStringList keys{"BBZD_BH", "BBZD_DATE", "HZD_ORDE"};
        bool result = false;
        if (routine == QLatin1String("count"))
            result = r.dm.CountDuplicates("KRHZD2002", "havHZD", keys.join(','), "HZD_ZB");
        else if (routine == QLatin1String("match"))
            result = r.dm.CopyMatchingRows("KRHZD", "havHZD", "oldHZD", keys);
        else if (routine == QLatin1String("distinct"))
            result = r.dm.CopyDistinctRows("oldLZD", "optiLZD");
        else if (routine == QLatin1String("append"))
            result = r.dm.AppendRows("havDYZD", "rangeDYZD");
        else if (routine == QLatin1String("index"))
            result = r.dm.CreateUniqueIndex("HZHZD2002", "NDX_HZHZD_ORDE2002", keys.join(','));
        else if (routine == QLatin1String("dictionary"))
            result = r.dm.CopyReportDictionary("HZBBZD", "dirtyBBZD");
        else if (routine == QLatin1String("exists"))
            result = r.dm.ReportTableExists();
        else if (routine == QLatin1String("hasrows"))
            result = r.dm.HasRows("havLZD");
        QCOMPARE(r.rec->statements(), statements);
        QVERIFY(result);
        QVERIFY(!r.dm.QryGlobalOpen.active());
    }

    void failuresBecomeResults()
    {
        Recorded r(0);
        r.rec->fail(QStringLiteral("insert"), QStringLiteral("disk full"));
        QVERIFY(!r.dm.AppendRows("a", "b"));
        QCOMPARE(r.dm.lastError(), QStringLiteral("disk full"));
        QVERIFY(!r.dm.CountDuplicates("a", "b", "K", "C"));
        // reports success whatever happened
        QVERIFY(r.dm.CopyReportDictionary("a", "b"));
        r.rec->fail(QStringLiteral("select"), QStringLiteral("no such table: havHZD"));
        QVERIFY(!r.dm.OpenSQL("select * from havHZD"));
        QVERIFY(!r.dm.QryGlobalOpen.active());
        QVERIFY(!r.dm.ReportTableExists());
        try {
            r.dm.HasRows("havHZD");
            QFAIL("HasRows on an unreadable table must raise the database error");
        } catch (const DatabaseError& e) {
            QCOMPARE(e.message(), QStringLiteral("no such table: havHZD"));
        }
        RecordingProgress bar;
        QVERIFY_THROWS_EXCEPTION(DatabaseError, r.dm.DeleteMatchingRows("KRHZD", "havHZD", {"BBZD_BH"}, bar));
    }

    // --- the real ODBC path ---------------------------------------------------------

    void reportTableExists_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("exists");
        QTest::newRow("empty current year") << "KRBBZD" << true;
        QTest::newRow("historical year present") << "HZBBZD2002" << true;
        QTest::newRow("year without tables") << "KRBBZD2001" << false;
    }
    void reportTableExists()
    {
        QFETCH(QString, table);
        QFETCH(bool, exists);
        TestAccountSet as({.historyYears = {2002}});
        as.dm().state.TableNames.BBZDName = table;
        QCOMPARE(as.dm().ReportTableExists(), exists);
    }

    void countDuplicates_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QList<QStringList>>("counted");
        const QString n = QStringLiteral("<null>");
        QTest::newRow("no duplicates") << QList<QStringList>{{"101", "200401", "0001"}, {"101", "200401", "0002"}}
                                       << QList<QStringList>{};
        QTest::newRow("twice and three times")
            << QList<QStringList>{{"101", "200401", "0001"}, {"101", "200401", "0001"}, {"102", "200401", "0003"},
                   {"102", "200401", "0003"}, {"102", "200401", "0003"}, {"102", "200402", "0003"}}
            << QList<QStringList>{{"101", "200401", "0001", "2"}, {"102", "200401", "0003", "3"}};
        QTest::newRow("missing parts group together")
            << QList<QStringList>{{"101", "200401", n}, {"101", "200401", n}, {n, "200401", "0001"}}
            << QList<QStringList>{{"101", "200401", n, "2"}};
    }
    void countDuplicates()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QList<QStringList>, counted);
        TestAccountSet as;
        as.dm().CreateWorkingTables();
        as.insert("KRHZD", hzd(rows));
        QVERIFY(as.dm().CountDuplicates("KRHZD", "havHZD", "BBZD_BH,BBZD_DATE,HZD_ORDE", "HZD_ZB"));
        QCOMPARE(as.rows("select BBZD_BH, BBZD_DATE, HZD_ORDE, HZD_ZB from havHZD order by 1, 2, 3"), counted);
        QCOMPARE(as.count("havHZD", "BZBM_BM is not null"), 0);
        QCOMPARE(as.dm().HasRows("havHZD"), !counted.isEmpty());
    }

    // On SQLite the key table gets an index of its own exactly when the source has none on
    // the key; the rows copied are the same either way, also when that step fails.
    void copyMatchingRowsAppends_data()
    {
        QTest::addColumn<bool>("sourceKeyed");
        QTest::addColumn<QString>("failOn");
        QTest::newRow("source without key index") << false << QString();
        QTest::newRow("source with key index") << true << QString();
        QTest::newRow("index step fails") << false << QStringLiteral("create index if not exists");
        QTest::newRow("index lookup fails") << false << QStringLiteral("select il.name");
    }
    void copyMatchingRowsAppends()
    {
        QFETCH(bool, sourceKeyed);
        QFETCH(QString, failOn);
        TestAccountSet as;
        as.dm().CreateWorkingTables();
        as.dm().ExecuteSQL("drop index if exists IDX_KRHZD_KEY");
        if (sourceKeyed) {
            QVERIFY(as.dm().ExecuteSQL("create index KRHZD_K on KRHZD(HZD_ORDE, BBZD_DATE, BBZD_BH)"));
            QVERIFY(as.dm().ExecuteSQL("create index IX_havHZD on havHZD(BBZD_BH)"));   // left from before
        }
        QVERIFY(as.dm().ExecuteSQL("create index KRHZD_ZB on KRHZD(HZD_ZB)"));   // not on the key: no help
        as.insert("KRHZD", hzd({{"101", "200401", "0001"}, {"101", "200401", "0001"}, {"101", "200401", "0002"}}));
        as.insert("havHZD", hzd({{"101", "200401", "0001"}}));
        as.mast().setStatementHook([&](const QString& sql) {
            if (!failOn.isEmpty() && sql.startsWith(failOn))
                throw DatabaseError(QStringLiteral("injected"));
        });
        const QStringList keys{"BBZD_BH", "BBZD_DATE", "HZD_ORDE"};
        QVERIFY(as.dm().CopyMatchingRows("KRHZD", "havHZD", "oldHZD", keys));
        QCOMPARE(as.count("oldHZD"), 2);
        QCOMPARE(as.indexNames("havHZD"), sourceKeyed || !failOn.isEmpty() ? QStringList{} : QStringList{"IX_havHZD"});
        QVERIFY(as.dm().CopyMatchingRows("KRHZD", "havHZD", "oldHZD", keys));
        as.mast().setStatementHook({});
        QCOMPARE(as.count("oldHZD"), 4);
        QCOMPARE(as.count("oldHZD", "HZD_ORDE = '0002'"), 0);
    }

    void deleteMatchingRows_data()
    {
        QTest::addColumn<QList<QStringList>>("keys");
        QTest::addColumn<QString>("failOn");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("deletes");
        QTest::addColumn<QStringList>("left");   // HZD_ORDE of the rows left
        const QString n = QStringLiteral("<null>");
        QTest::newRow("no keys") << QList<QStringList>{} << QString() << true << 0
                                 << QStringList{"", "0001", "0001", "O'1", "X"};
        QTest::newRow("one statement per key")
            << QList<QStringList>{{"101", "200401", "0001"}, {"101", "200401", "X"}} << QString() << true << 2
            << QStringList{"", "O'1"};
        QTest::newRow("quote in a key") << QList<QStringList>{{"101", "200401", "O'1"}} << QString() << true << 1
                                        << QStringList{"", "0001", "0001", "X"};
        // A missing part must not turn into '' and remove the row with the empty code.
        QTest::newRow("missing part sends nothing") << QList<QStringList>{{"101", "200401", n}} << QString()
                                                    << true << 0 << QStringList{"", "0001", "0001", "O'1", "X"};
        QTest::newRow("stops at a failure")
            << QList<QStringList>{{"101", "200401", "0001"}, {"101", "200401", "X"}} << "HZD_ORDE='0001'" << false
            << 1 << QStringList{"", "0001", "0001", "O'1", "X"};
    }
    void deleteMatchingRows()
    {
        QFETCH(QList<QStringList>, keys);
        QFETCH(QString, failOn);
        QFETCH(bool, result);
        QFETCH(int, deletes);
        QFETCH(QStringList, left);
        TestAccountSet as;
        as.dm().CreateWorkingTables();
        as.insert("KRHZD", hzd({{"101", "200401", "0001"}, {"101", "200401", "0001"}, {"101", "200401", "O'1"},
                               {"101", "200401", ""}, {"101", "200401", "X"}}));
        as.insert("havHZD", hzd(keys));
        int sent = 0;
        as.mast().setStatementHook([&](const QString& sql) {
            if (!sql.startsWith(QLatin1String("delete")))
                return;
            ++sent;
            if (!failOn.isEmpty() && sql.contains(failOn))
                throw DatabaseError(QStringLiteral("locked"));
        });
        RecordingProgress bar;
        CountingEvents events;
        QCOMPARE(as.dm().DeleteMatchingRows("KRHZD", "havHZD", {"BBZD_BH", "BBZD_DATE", "HZD_ORDE"}, bar, &events),
            result);
        as.mast().setStatementHook({});
        QCOMPARE(sent, deletes);
        QCOMPARE(bar.maximum, int(keys.size()));
        QCOMPARE(bar.steps(), result ? int(keys.size()) : 0);
        QStringList rest;
        for (const QStringList& r : as.rows("select HZD_ORDE from KRHZD order by HZD_ORDE"))
            rest << r.value(0);
        QCOMPARE(rest, left);
    }

    // The key range of the write-back in one statement: the same rows go as with one delete
    // per key, the bar counts every key-table row, a failure leaves the table as it was.
    void deleteKeyRange_data()
    {
        QTest::addColumn<QList<QStringList>>("keys");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QStringList>("left");
        const QString n = QStringLiteral("<null>");
        QTest::newRow("no keys") << QList<QStringList>{} << false << QStringList{"", "0001", "0001", "O'1", "X"};
        QTest::newRow("keys, quote, missing part, key of no row")
            << QList<QStringList>{{"101", "200401", "0001"}, {"101", "200401", "O'1"}, {"101", "200401", n},
                   {"102", "200401", "X"}}
            << false << QStringList{"", "X"};
        QTest::newRow("failure") << QList<QStringList>{{"101", "200401", "0001"}} << true
                                 << QStringList{"", "0001", "0001", "O'1", "X"};
    }
    void deleteKeyRange()
    {
        QFETCH(QList<QStringList>, keys);
        QFETCH(bool, fails);
        QFETCH(QStringList, left);
        for (const bool indexes : {false, true}) {
            TestAccountSet as;
            as.dm().CreateWorkingTables();
            if (indexes)
                as.dm().CreateWorkingIndexes();
            as.insert("KRHZD", hzd({{"101", "200401", "0001"}, {"101", "200401", "0001"}, {"101", "200401", "O'1"},
                                   {"101", "200401", ""}, {"101", "200401", "X"}}));
            as.insert("rangeHZD", hzd(keys));
            int deletes = 0;
            as.mast().setStatementHook([&](const QString& sql) {
                if (!sql.startsWith(QLatin1String("delete")))
                    return;
                ++deletes;
                if (fails)
                    throw DatabaseError(QStringLiteral("locked"));
            });
            RecordingProgress bar;
            CountingEvents events;
            QCOMPARE(as.dm().DeleteKeyRange("KRHZD", "rangeHZD", {"BBZD_BH", "BBZD_DATE", "HZD_ORDE"}, bar, &events),
                !fails);
            as.mast().setStatementHook({});
            QCOMPARE(deletes, 1);
            QCOMPARE(bar.maximum, int(keys.size()));
            QCOMPARE(bar.steps(), fails ? 0 : int(keys.size()));
            QCOMPARE(events.count, fails ? 0 : int(keys.size()));
            QStringList rest;
            for (const QStringList& r : as.rows("select HZD_ORDE from KRHZD order by HZD_ORDE"))
                rest << r.value(0);
            QCOMPARE(rest, left);
        }
        Recorded r(3);
        r.rec->fail(QStringLiteral("count(1)"), QStringLiteral("no such table"));
        RecordingProgress bar;
        QVERIFY_THROWS_EXCEPTION(DatabaseError, r.dm.DeleteKeyRange("KRHZD", "rangeHZD", {"BBZD_BH"}, bar));
    }

    // Indexes of the working tables, per kind, after the tables: the key columns with the
    // unit or category code last, none on the staging and report-dictionary tables.
    void workingIndexes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("create");
        QTest::newRow("SQL Anywhere") << 0 << "create index";
        QTest::newRow("Sybase") << 1 << "create nonclustered index";
        QTest::newRow("MS SQL Server") << 2 << "create nonclustered index";
        QTest::newRow("DB2 or Oracle") << 3 << "create index";
    }
    void workingIndexes()
    {
        QFETCH(int, kind);
        QFETCH(QString, create);
        Recorded r(kind);
        r.rec->fail(QStringLiteral("IX_optiLZD"));   // failures are ignored
        r.dm.CreateWorkingIndexes();
        const QStringList sent = r.rec->statements();
        QCOMPARE(sent.size(), 10);
        QStringList tables;
        for (const QString& s : sent) {
            QVERIFY2(s.startsWith(create + QStringLiteral(" IX_")), qPrintable(s));
            tables << tableOf({s}, QStringLiteral(" on (\\w+)\\(")).value(0);
        }
        QStringList expected;
        for (const QString role : {"opti", "dirty"})
            for (const QString base : {"HZD", "LZD", "DYZD", "DWSJ", "HZSJ"})
                expected << role + base;
        QCOMPARE(tables, expected);
        QVERIFY(sent.contains(create + " IX_optiDWSJ on optiDWSJ(BBZD_BH,BBZD_DATE,HZD_ORDE,LZD_ORDE,DWZD_BH)"));
        QVERIFY(sent.contains(create + " IX_dirtyHZSJ on dirtyHZSJ(BBZD_BH,BBZD_DATE,HZD_ORDE,LZD_ORDE,LBZD_BH)"));
        QVERIFY(sent.contains(create + " IX_dirtyLZD on dirtyLZD(BBZD_BH,BBZD_DATE,LZD_ORDE)"));
    }

    void workingIndexesGoWithTheTables()
    {
        TestAccountSet as;
        TEndYearDataMod& dm = as.dm();
        dm.state.DatabaseKind = DbKind::SqlServer;   // the SQL Server form, translated
        dm.CreateWorkingTables();
        dm.CreateWorkingIndexes();
        QCOMPARE(as.indexNames("optiDYZD"), QStringList{"IX_optiDYZD"});
        QCOMPARE(as.indexNames("dirtyHZD"), QStringList{"IX_dirtyHZD"});
        QVERIFY(as.indexNames("havHZD").isEmpty());
        QVERIFY(as.indexNames("oldDYZD").isEmpty());
        QVERIFY(as.indexNames("dirtyBBZD").isEmpty());
        QCOMPARE(as.value("select count(*) from sqlite_master where type = 'index' and name like 'IX_%'"), "10");
        dm.DropWorkingTables();
        QCOMPARE(as.value("select count(*) from sqlite_master where type = 'index' and name like 'IX_%'"), "0");
        // A new round creates them again.
        dm.CreateWorkingTables();
        dm.CreateWorkingIndexes();
        QCOMPARE(as.value("select count(*) from sqlite_master where type = 'index' and name like 'IX_%'"), "10");
    }

    void sharedResultSet()
    {
        TestAccountSet as;
        as.insert("KRHZD", hzd({{"101", "200401", "0001"}, {"101", "200401", "0002"}}));
        TEndYearDataMod& dm = as.dm();
        QVERIFY(dm.OpenSQL("select HZD_ORDE from KRHZD order by HZD_ORDE"));
        QCOMPARE(dm.QryGlobalOpen.text(0), QStringLiteral("0001"));
        QVERIFY(dm.OpenSQL("select count(1) from KRHZD"));
        QCOMPARE(dm.QryGlobalOpen.text(0), QStringLiteral("2"));
        QVERIFY(!dm.OpenSQL("select * from KRNOTHERE"));
        QVERIFY(!dm.QryGlobalOpen.active());
        QVERIFY(dm.QryGlobalOpen.isEmpty());
        QVERIFY(!dm.lastError().isEmpty());
        QVERIFY(dm.ExecuteSQL("delete from KRHZD where HZD_ORDE = '0002'"));
        QVERIFY(!dm.ExecuteSQL("delete from KRNOTHERE"));
        QCOMPARE(as.count("KRHZD"), 1);
    }

    void workingTablesOnSqlite()
    {
        TestAccountSet as;
        TEndYearDataMod& dm = as.dm();
        dm.CreateWorkingTables();
        dm.CreateWorkingTables();   // second time every create fails, silently
        QCOMPARE(int(as.tables("opti%").size() + as.tables("dirty%").size() + as.tables("hav%").size()
                     + as.tables("range%").size() + as.tables("old%").size()),
            30);
        for (const QString& name : workingTableNames())
            QVERIFY2(as.indexNames(name).isEmpty(), qPrintable(name));
        dm.DropWorkingTables();
        QVERIFY(as.tables("opti%").isEmpty());
        QVERIFY(as.tables("range%").isEmpty());
        dm.DropWorkingTables();     // nothing left to drop: ignored
    }
};

QTEST_GUILESS_MAIN(TestQueryRoutines)
#include "test_query_routines.moc"
