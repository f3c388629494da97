#include "app/connection.h"
#include "data_module/report_system.h"
#include "cleanup/duplicate_check.h"
#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"

#include "cleanup/account_rows.h"
#include "cleanup/job_recorders.h"

#include <QtTest>

namespace {

struct CheckRun {
    TestAccountSet as;
    CleanupState state;
    RecordingLabels labels;
    RecordingProgress bar;
    RecordingList list;
    CountingEvents events;
    DuplicateCheck job{as.dm(), state, {labels, bar, list, events}};

    CheckRun(const QString& system, const QStringList& rows)
    {
        FillTableNames(as.dm().state, system);
        as.dm().DropWorkingTables();
        as.dm().CreateWorkingTables();
        as.dm().CreateWorkingIndexes();
        insertAccountRows(as, system == QLatin1String("HZ") ? QStringLiteral("HZ") : QStringLiteral("KR"), rows);
    }
    QString flags(const QString& system) const
    {
        QString out;
        for (const DataClass* c : dataClassesOf(system))
            out += QLatin1String(state.of(*c).Found ? "F" : "-") + QLatin1String(state.of(*c).Remaining ? "R" : "-");
        return out;
    }
};

QStringList progressLabels(const QString& n, const QString& verdict)
{
    return {"正在检查" + n + "......(0%)", "正在检查" + n + "............(25%)",
        "正在检查" + n + "..................(50%)", "正在检查" + n + "........................(75%)", verdict};
}

} // namespace

class TestDetection : public QObject {
    Q_OBJECT

private slots:
    void check_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("entries");   // image|number|date|name|class|count
        QTest::addColumn<QString>("flags");         // Found/Remaining per class
        const QStringList reports{"BBZD 101 200401 资产负债表", "BBZD 102 200401 利润表", "BBZD 101 200402 资产负债表"};

        QTest::newRow("BB row codes and cells of one report")
            << "BB"
            << reports + QStringList{"HZD 101 200401 0001 x2", "HZD 101 200401 0002", "DYZD 101 200401 0001 01 x3",
                   "DYZD 101 200401 0002 02 x2", "DYZD 102 200401 0001 01 x2", "LZD 101 200401 01"}
            << QStringList{"1|101|200401|资产负债表|行字典|2", "3|101|200401|资产负债表|单元字典|5",
                   "3|102|200401|利润表|单元字典|2"}
            << "FR" "--" "FR";
        QTest::newRow("a key three times counts 3")
            << "BB" << reports + QStringList{"LZD 101 200402 03 x3", "LZD 101 200402 04"}
            << QStringList{"2|101|200402|资产负债表|列字典|3"} << "--" "FR" "--";
        QTest::newRow("keys of reports not in the dictionary list nothing")
            << "BB" << reports + QStringList{"HZD 109 200401 0001 x2"} << QStringList{} << "FR" "----";
        QTest::newRow("HZ all five classes")
            << "HZ"
            << reports + QStringList{"HZD 102 200401 0003 x2", "LZD 102 200401 01 x2", "DYZD 101 200402 0001 01 x2",
                   "DWSJ 0001 101 200401 0001 01 x2", "DWSJ 0002 101 200401 0001 01",
                   "DWSJ 0002 101 200401 0002 01 x4", "HZSJ 01 102 200401 0001 01 x3"}
            << QStringList{"1|102|200401|利润表|行字典|2", "2|102|200401|利润表|列字典|2",
                   "3|101|200402|资产负债表|单元字典|2", "4|101|200401|资产负债表|单位数据|6",
                   "5|102|200401|利润表|汇总数据|3"}
            << "FR" "FR" "FR" "FR" "FR";
        QTest::newRow("missing key parts count as duplicated")
            << "HZ" << reports + QStringList{"HZD 101 200401 - x2", "DWSJ - 101 200401 0001 01 x2"}
            << QStringList{"1|101|200401|资产负债表|行字典|2", "4|101|200401|资产负债表|单位数据|2"}
            << "FR" "--" "--" "FR" "--";
        QTest::newRow("clean HZ") << "HZ" << reports + QStringList{"HZD 101 200401 0001", "DWSJ 0001 101 200401 0001 01"}
                                  << QStringList{} << "----------";
    }
    void check()
    {
        QFETCH(QString, system);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, entries);
        QFETCH(QString, flags);
        CheckRun run(system, rows);
        run.state.of(DataClassId::HZD).Remaining = true;   // reset by the check
        run.job.CheckAllClasses();

        QCOMPARE(run.list.rows(), entries);
        QCOMPARE(run.flags(system), flags);
        QCOMPARE(run.list.clears, 1);
        const int classes = system == QLatin1String("HZ") ? 5 : 3;
        QCOMPARE(run.bar.calls.value(0), QStringLiteral("range 0 %1").arg(classes * 3));
        QCOMPARE(run.bar.steps(), classes * 3);
        QCOMPARE(run.job.DuplicatesRemain(), flags.contains(QLatin1Char('R')));

        for (const DataClass& c : allDataClasses()) {
            const bool inSystem = c.number() <= classes;
            const bool found = run.state.of(c).Found;
            if (!inSystem) {
                QVERIFY(run.labels.texts(c.id).isEmpty());
                continue;
            }
            const QString n = c.className;
            QCOMPARE(run.labels.texts(c.id),
                progressLabels(n, found ? "检查" + n + "存在重复数据" : "检查" + n + "通过"));
            QCOMPARE(run.labels.lastColour(c.id), found ? verdictRed() : verdictGreen());
            // the key range keeps what the count found
            QCOMPARE(run.as.rows("select * from " + c.rangeTable() + " order by 1, 2, 3"),
                run.as.rows("select * from " + c.countTable() + " order by 1, 2, 3"));
            QCOMPARE(run.as.count(c.rangeTable()) > 0, found);
        }
    }

    // Where the check stops with the database error, and where a failure passes silently.
    void checkFailures_data()
    {
        QTest::addColumn<QString>("drop");
        QTest::addColumn<bool>("throws");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QString>("lastDyzdLabel");
        QTest::newRow("unit-data table missing") << "HZDWSJ" << false << "FR" "--" "--" "--" "--"
                                                 << "检查单元字典通过";
        QTest::newRow("count table missing") << "havLZD" << true << "FR" "--" "--" "--" "--" << QString();
        QTest::newRow("report list cannot open") << "HZBBZD" << true << "--" "--" "--" "--" "--" << QString();
    }
    void checkFailures()
    {
        QFETCH(QString, drop);
        QFETCH(bool, throws);
        QFETCH(QString, flags);
        QFETCH(QString, lastDyzdLabel);
        CheckRun run("HZ", {"BBZD 101 200401 资产负债表", "HZD 101 200401 0001 x2", "DWSJ 0001 101 200401 0001 01 x2"});
        run.as.exec("drop table " + drop);
        bool raised = false;
        try {
            run.job.CheckAllClasses();
        } catch (const DatabaseError& e) {
            raised = true;
            QVERIFY(!e.message().isEmpty());
        }
        QCOMPARE(raised, throws);
        QCOMPARE(run.flags("HZ"), flags);
        QCOMPARE(run.labels.texts(DataClassId::DYZD).value(4), lastDyzdLabel);
    }

    void duplicatesRemain_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<int>("remaining");
        QTest::addColumn<bool>("result");
        QTest::newRow("BB cell dictionary") << "BB" << 3 << true;
        QTest::newRow("BB ignores unit data") << "BB" << 4 << false;
        QTest::newRow("HZ summary data") << "HZ" << 5 << true;
        QTest::newRow("HZ nothing") << "HZ" << 0 << false;
    }
    void duplicatesRemain()
    {
        QFETCH(QString, system);
        QFETCH(int, remaining);
        QFETCH(bool, result);
        CleanupState state;
        if (remaining)
            state.of(DataClassId(remaining)).Remaining = true;
        QCOMPARE(state.DuplicatesRemain(system), result);
    }

    void catalogue_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("table");
        QTest::newRow("row dictionary 2002") << 1 << "2002" << "NDX_HZHZD_ORDE2002" << "HZHZD2002";
        QTest::newRow("row dictionary current") << 1 << "" << "NDX_HZHZD_ORDE" << "HZHZD";
        QTest::newRow("cells") << 3 << "2003" << "NDX_HZDYZD_HL2003" << "HZDYZD2003";
        QTest::newRow("unit data") << 4 << "2002" << "NDX_HZDWSJ2002" << "HZDWSJ2002";
    }
    void catalogue()
    {
        QFETCH(int, number);
        QFETCH(QString, year);
        QFETCH(QString, index);
        QFETCH(QString, table);
        ConnectionState cs;
        FillTableNames(cs, "HZ");
        // The year's names as the wizard forms them.
        cs.TableNames = tableNamesFor(ReportSystem::Summary, cs.DatabaseKind, year);
        const DataClass& c = dataClass(DataClassId(number));
        QCOMPARE(c.indexName(cs.TableNames), index);
        QCOMPARE(c.reportTable(cs.TableNames), table);
    }
};

QTEST_GUILESS_MAIN(TestDetection)
#include "test_detection.moc"
