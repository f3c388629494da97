// The duplicate cleanup end to end on PostgreSQL: check, automatic cleanup, review and
// write-back on the demo account set of both backends, both systems. The working tables
// after the cleanup, the report tables after the write-back, the log and the class flags
// must be the same as on SQLite. Of two cells that differ only in their cell code the
// last one in the database's row order survives; which one that is may differ between the
// backends, so such a pair counts as equal whichever code it kept.
#include "support/job_rig.h"
#include "support/pg_account_set.h"

#include "test_write_back_fixture.h"

#include "cleanup/write_back.h"

#include <QtTest>

namespace {
const QTime kTime(10, 0, 0);

using Multisets = QMap<QString, QStringList>;
using RowsOf = std::function<QList<QStringList>(const QString&)>;

// Numbers as the shortest text, so that 7 and 7.000 read alike.
QString rowText(const QStringList& r)
{
    QStringList vals;
    for (const QString& v : r) {
        bool ok = false;
        const double d = v.toDouble(&ok);
        vals << (ok && !v.trimmed().isEmpty() ? QString::number(d, 'g', 15) : v);
    }
    return vals.join(QLatin1Char('|'));
}

Multisets tablesOf(const RowsOf& rows, const QStringList& tables)
{
    Multisets m;
    for (const QString& table : tables) {
        QStringList lines;
        for (const QStringList& r : rows(QStringLiteral("select * from ") + table))
            lines << rowText(r);
        std::sort(lines.begin(), lines.end());
        m[table] = lines;
    }
    return m;
}

struct Outcome {
    Multisets working;
    Multisets report;
    QStringList log, writeLog, flags;
};

Outcome runOn(TEndYearDataMod& dm, const RowsOf& rows, const QString& system)
{
    fixture::selectSystem(dm, system);
    Outcome o;
    fixture::FirstHalf half;
    dm.DropWorkingTables();
    dm.CreateWorkingTables();
    dm.CreateWorkingIndexes();
    DuplicateCheck(dm, half.state, {half.labels, half.checkBar, half.list, half.events}).CheckAllClasses();
    AutoCleanup(dm, half.state, {half.log, half.autoBar, half.rowBar, half.events}, [] { return kTime; })
        .AutoCleanAll();
    QStringList working;
    for (const DataClass* c : dataClassesOf(system))
        working << c->cleanedTable() << c->reviewTable() << c->countTable();
    o.working = tablesOf(rows, working);
    o.log = half.log.lines;
    for (const DataClass* c : dataClassesOf(system))
        o.flags << QStringLiteral("%1 %2 %3 %4")
                       .arg(c->base)
                       .arg(half.state.of(*c).Found)
                       .arg(half.state.of(*c).Remaining)
                       .arg(half.state.mayWriteBack(c->id));

    // The review: every key still duplicated is given up (its rows deleted), a choice
    // that does not depend on the order in which the database returns the rows.
    for (const DataClass* c : dataClassesOf(system)) {
        dm.ExecuteSQL(QStringLiteral("delete from ") + c->reviewTable()
            + QStringLiteral(" where exists (select 1 from ") + c->countTable() + QStringLiteral(" k where ")
            + [&] {
                  QStringList on;
                  for (const QString& k : c->keyColumns)
                      on << QStringLiteral("k.%1 = %2.%1").arg(k, c->reviewTable());
                  return on.join(QStringLiteral(" and "));
              }()
            + QLatin1Char(')'));
        half.state.of(*c).Remaining = false;
    }
    RecordingLog writeLog;
    RecordingProgress writeBar, deleteBar;
    CountingEvents events;
    WriteBack(dm, half.state, WriteBackSinks{writeLog, writeBar, deleteBar, events}, [] { return kTime; })
        .WriteBackAll();
    dm.QryGlobalOpen.close();
    o.writeLog = writeLog.lines;
    QStringList report;
    for (const DataClass* c : dataClassesOf(system))
        report << c->reportTable(dm.state.TableNames);
    o.report = tablesOf(rows, report);
    return o;
}

// Rows of one side that the other lacks.
QStringList missingFrom(const QStringList& a, const QStringList& b)
{
    QStringList out;
    std::set_difference(a.cbegin(), a.cend(), b.cbegin(), b.cend(), std::back_inserter(out));
    return out;
}
// The rows with the cell code (third column of the cell dictionary) left out, sorted.
QStringList withoutCellCode(QStringList rows)
{
    for (QString& r : rows) {
        QStringList v = r.split(u'|');
        v.removeAt(2);
        r = v.join(u'|');
    }
    rows.sort();
    return rows;
}
} // namespace

class TestPgCleanup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const QString why = PgCluster::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
    }

    void sameAsSqlite_data()
    {
        QTest::addColumn<QString>("system");
        QTest::newRow("management") << "BB";
        QTest::newRow("summary") << "HZ";
    }
    void sameAsSqlite()
    {
        QFETCH(QString, system);
        TestAccountSetOptions options{.demoContent = true};
        options.demo.dupRate = 0.02;
        PgAccountSet pg(options);
        const Outcome lite = runOn(pg.sqlite().dm(), [&](const QString& s) { return pg.sqlite().rows(s); }, system);
        const Outcome server = runOn(pg.dm(), [&](const QString& s) { return pg.rows(s); }, system);

        QCOMPARE(server.flags, lite.flags);
        QCOMPARE(server.log, lite.log);
        QCOMPARE(server.writeLog, lite.writeLog);
        // The demo plants duplicates in every class: each is found and may be written back.
        for (const QString& f : lite.flags)
            QVERIFY2(f.section(u' ', 1, 1) == u"1" && f.endsWith(QLatin1String(" 1")), qPrintable(f));
        int twins = 0;
        for (const auto& [mine, theirs] : {std::pair{&lite.working, &server.working}, std::pair{&lite.report, &server.report}})
            for (auto it = mine->cbegin(); it != mine->cend(); ++it) {
                const QStringList a = it.value(), b = theirs->value(it.key());
                QStringList onlyLite = missingFrom(a, b), onlyServer = missingFrom(b, a);
                const QString where = it.key() + QStringLiteral(": SQLite only\n") + onlyLite.join(u'\n')
                    + QStringLiteral("\nPostgreSQL only\n") + onlyServer.join(u'\n');
                QVERIFY2(b.size() == a.size(), qPrintable(where));
                // Rows that differ only in the cell code are the survivors of twin cells.
                if (it.key().endsWith(QLatin1String("DYZD"))) {
                    twins += int(onlyLite.size());
                    onlyLite = withoutCellCode(onlyLite);
                    onlyServer = withoutCellCode(onlyServer);
                }
                QVERIFY2(onlyLite == onlyServer, qPrintable(where));
            }
        qInfo("%d twin cells kept under another cell code", twins);
    }
};

QTEST_GUILESS_MAIN(TestPgCleanup)
#include "test_pg_cleanup.moc"
