// The purge, the extension cleanup and the record statistics on PostgreSQL, each run on the
// demo account set of both backends and the outcomes compared: the tables left, the
// extension rows, the report lines and the closing boxes.
#include "support/job_rig.h"
#include "support/recorders.h"
#include "support/pg_account_set.h"
#include "support/scripted_prompts.h"

#include "job_recorders.h"
#include "maintenance/bbex_cleanup.h"
#include "maintenance/temp_table_purge.h"
#include "utilities/record_statistics.h"

#include <QtTest>

namespace {
QStringList upper(QStringList names)
{
    for (QString& n : names)
        n = n.toUpper();
    names.sort();
    return names;
}

QStringList sorted(const QList<QStringList>& rows)
{
    QStringList out;
    for (const QStringList& r : rows) {
        QStringList vals;
        for (const QString& v : r) {
            bool ok = false;
            const double d = v.toDouble(&ok);
            vals << (ok && !v.trimmed().isEmpty() ? QString::number(d, 'g', 15) : v);
        }
        out << vals.join(QLatin1Char('|'));
    }
    out.sort();
    return out;
}
}

class TestPgMaintenance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const QString why = PgCluster::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        m_pg = std::make_unique<PgAccountSet>(TestAccountSetOptions{.demoContent = true});
    }
    void cleanupTestCase() { m_pg.reset(); }

    void purge()
    {
        const QStringList work{"TMP_CA_01", "TMP_CA_0519W01", "TMPXCAY9", "TMP_DG_2004", "TMP_FX_KM1",
            "HZTMP_0001", "ZWKMJEBB_01", "ZWFZSLBB_01"};
        const QStringList before = m_pg->tables();
        for (const QString& t : work + QStringList{"TMP_CB_01", "USR_TMP_CA_01"})
            QVERIFY2(before.contains(t), qPrintable(t));
        QCOMPARE(upper(m_pg->sqlite().tables()), before);

        QStringList boxes[2];
        int steps[2] = {};
        int i = 0;
        for (TEndYearDataMod* dm : {&m_pg->sqlite().dm(), &m_pg->dm()}) {
            ScriptedPrompts prompts;
            ProgressLog log;
            NullEvents events;
            TempTablePurgeJob(testJobContext(*dm, events, loggedProgress(log))).run();
            boxes[i] = prompts.texts();
            steps[i++] = log.steps;
        }
        QStringList expected = before;
        for (const QString& t : work)
            expected.removeAll(t);
        QCOMPARE(m_pg->tables(), expected);
        QCOMPARE(upper(m_pg->sqlite().tables()), expected);
        QCOMPARE(steps[1], work.size());
        QCOMPARE(steps[1], steps[0]);
        QCOMPARE(boxes[1], boxes[0]);
        QCOMPARE(boxes[1].last(), QStringLiteral("临时表清理完毕"));
    }

    void extensionCleanup_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("management") << "KRBBEX";
        QTest::newRow("summary") << "HZBBEX";
    }
    void extensionCleanup()
    {
        QFETCH(QString, table);
        // Once per backend and run: the second run over cleaned tables changes nothing.
        if (!m_bbexDone) {
            m_bbexBefore = m_pg->count(QStringLiteral("KRBBEX")) + m_pg->count(QStringLiteral("HZBBEX"));
            for (TEndYearDataMod* dm : {&m_pg->sqlite().dm(), &m_pg->dm()}) {
                ScriptedPrompts prompts;
                NullEvents events;
                BbexCleanupJob(testJobContext(*dm, events)).run();
                m_bbexBoxes << prompts.texts().join(u'/');
            }
            m_bbexDone = true;
        }
        QCOMPARE(m_bbexBoxes.value(1), m_bbexBoxes.value(0));
        QVERIFY(m_bbexBoxes.value(1).endsWith(QStringLiteral("清除完成!")));
        const QString sql = QStringLiteral("select * from ") + table;
        QCOMPARE(sorted(m_pg->rows(sql)), sorted(m_pg->sqlite().rows(sql)));
        // Orphans and complete duplicates gone (rows that differ stay).
        const QString prefix = table.left(2);
        QCOMPARE(m_pg->value(QStringLiteral("select count(*) from (select distinct * from %1) k").arg(table)),
                 QString::number(m_pg->count(table)));
        QCOMPARE(m_pg->count(table, QStringLiteral("not exists (select 1 from %1BBZD d where d.BBZD_BH = %2.BBZD_BH "
                                                   "and d.BBZD_DATE = %2.BBZD_DATE)").arg(prefix, table)),
                 0);
        QVERIFY(m_pg->count(QStringLiteral("KRBBEX")) + m_pg->count(QStringLiteral("HZBBEX")) < m_bbexBefore);
        QVERIFY(!m_pg->tableExists(QStringLiteral("temp") + table));
    }

    void statistics_data()
    {
        QTest::addColumn<QString>("yearSuffix");
        QTest::newRow("current year") << "";
        QTest::newRow("2003") << "2003";
    }
    void statistics()
    {
        QFETCH(QString, yearSuffix);
        QStringList lines[2], boxes[2];
        int i = 0;
        for (TEndYearDataMod* dm : {&m_pg->sqlite().dm(), &m_pg->dm()}) {
            ScriptedPrompts prompts;
            NullEvents events;
            RecordingLog report;
            RecordStatisticsJob(testJobContext(*dm, events), {.yearSuffix = yearSuffix}, report).run();
            // Tables in the order the database lists them; the closing line without its time.
            for (const QString& l : report.lines)
                lines[i] << (l.startsWith(QStringLiteral("【")) ? l.mid(11) : l);
            lines[i].sort();
            boxes[i++] = prompts.texts();
        }
        QVERIFY(!lines[1].isEmpty());
        QCOMPARE(lines[1], lines[0]);
        QCOMPARE(boxes[1], boxes[0]);
    }

private:
    std::unique_ptr<PgAccountSet> m_pg;
    bool m_bbexDone = false;
    int m_bbexBefore = 0;
    QStringList m_bbexBoxes;
};

QTEST_GUILESS_MAIN(TestPgMaintenance)
#include "test_pg_maintenance.moc"
