// The cleanup as it runs (working-table indexes, prepared statements, dictionary codes
// found by joins, each walk in one transaction, the key range deleted in one statement)
// against the plain way: no indexes, every statement as text and in autocommit, one lookup
// per code, one delete per key. Both on the
// same demo account set with random duplicates and the planted problems; the report
// tables afterwards, the working tables after the cleanup, the log and the bars must be
// the same, with and without the report tables' key index.
#include "test_write_back_fixture.h"

#include "cleanup/write_back.h"
#include "data_module/database_error.h"

#include <QtTest>

namespace {

const QTime kTime(10, 0, 0);

using Multisets = QMap<QString, QStringList>;

Multisets tablesOf(TestAccountSet& as, const QStringList& tables)
{
    Multisets m;
    for (const QString& table : tables) {
        QStringList lines;
        for (const QStringList& r : as.rows("select * from " + table))
            lines << r.join(QLatin1Char('|'));
        std::sort(lines.begin(), lines.end());
        m[table] = lines;
    }
    return m;
}

struct Outcome {
    Multisets working;      // cleaned and review tables after the cleanup
    Multisets report;       // report tables after the write-back
    QStringList cleanupLog, writeLog;
    QStringList autoBar, rowBar, writeBar, deleteBar;
    QStringList flags;
    qint64 cleanupStatements = 0;
    int begins = 0, cleanupBegins = 0;   // transactions begun (during the cleanup)
    int picks = 0;                       // statements picking the cells to visit
};

// The write-back as one delete per key: begin, review rows into the cleaned table, the
// key range deleted key by key, the cleaned rows in, commit, unique index.
void plainWriteBack(TEndYearDataMod& dm, const CleanupState& state, const QString& system,
    RecordingProgress& deleteBar)
{
    for (const DataClass* c : dataClassesOf(system)) {
        if (!state.of(*c).Found || !state.mayWriteBack(c->id))
            continue;
        const QString report = c->reportTable(dm.state.TableNames);
        dm.mast.startTransaction();
        const bool ok = dm.AppendRows(c->reviewTable(), c->cleanedTable())
            && dm.DeleteMatchingRows(report, c->rangeTable(), c->keyColumns, deleteBar)
            && dm.AppendRows(c->cleanedTable(), report);
        if (!ok) {
            dm.mast.rollback();
            continue;
        }
        dm.mast.commit();
        dm.CreateUniqueIndex(report, c->indexName(dm.state.TableNames), c->keyList());
    }
    dm.DropWorkingTables();
}

Outcome runOn(const QString& system, bool keyIndexes, bool plain)
{
    TestAccountSetOptions options;
    options.demoContent = true;
    options.demo.scale = 1;
    options.demo.dupRate = 0.03;
    options.demo.keyIndexes = keyIndexes;
    TestAccountSet as(options);
    TEndYearDataMod& dm = as.dm();
    FillTableNames(dm.state, system);
    dm.mast.setPreparedStatements(!plain);
    dm.mast.setGroupedRuns(!plain);
    Outcome o;
    dm.mast.setStatementHook([plain, &o](const QString& sql) {
        if (sql == QLatin1String("BEGIN"))
            ++o.begins;
        if (sql.contains(QLatin1String(" as IllegalCell")))
            ++o.picks;
        // The plain way: the joins that find the dictionary codes and the cells to visit fail;
        // every source row is visited and each code looked up.
        if (plain && (sql.startsWith(QLatin1String("select S.BBZD_BH")) || sql.startsWith(QLatin1String("select distinct S.BBZD_BH"))
                || sql.contains(QLatin1String(" as IllegalCell"))))
            throw DatabaseError(QStringLiteral("no join"));
    });

    CleanupState state;
    RecordingLabels labels;
    RecordingProgress checkBar, autoBar, rowBar, writeBar, deleteBar;
    RecordingList list;
    RecordingLog log, writeLog;
    CountingEvents events;
    dm.DropWorkingTables();
    dm.CreateWorkingTables();
    if (!plain)
        dm.CreateWorkingIndexes();
    DuplicateCheck(dm, state, {labels, checkBar, list, events}).CheckAllClasses();
    dm.mast.resetStatementCount();
    o.begins = 0;
    AutoCleanup(dm, state, {log, autoBar, rowBar, events}, [] { return kTime; }).AutoCleanAll();
    o.cleanupStatements = dm.mast.statementCount();
    o.cleanupBegins = o.begins;

    QStringList working;
    for (const DataClass* c : dataClassesOf(system))
        working << c->cleanedTable() << c->reviewTable() << c->countTable();
    o.working = tablesOf(as, working);
    for (const DataClass* c : dataClassesOf(system))
        o.flags << QStringLiteral("%1 %2 %3 %4")
                       .arg(c->base)
                       .arg(state.of(*c).Found)
                       .arg(state.of(*c).Remaining)
                       .arg(state.mayWriteBack(c->id));

    if (plain) {
        plainWriteBack(dm, state, system, deleteBar);
    } else {
        WriteBack(dm, state, WriteBackSinks{writeLog, writeBar, deleteBar, events}, [] { return kTime; })
            .WriteBackAll();
    }
    dm.mast.setStatementHook({});
    dm.QryGlobalOpen.close();
    QStringList report;
    for (const DataClass* c : dataClassesOf(system))
        report << c->reportTable(dm.state.TableNames);
    o.report = tablesOf(as, report);
    o.cleanupLog = log.lines;
    o.writeLog = writeLog.lines;
    o.autoBar = autoBar.calls;
    o.rowBar = rowBar.calls;
    o.writeBar = writeBar.calls;
    o.deleteBar = deleteBar.calls;
    return o;
}

} // namespace

class TestEndStates : public QObject {
    Q_OBJECT

private slots:
    void sameAsThePlainWay_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<bool>("keyIndexes");
        for (const QString& system : {QStringLiteral("BB"), QStringLiteral("HZ")})
            for (const bool index : {true, false})
                QTest::addRow("%s, key index %s", qPrintable(system), index ? "yes" : "no") << system << index;
    }
    void sameAsThePlainWay()
    {
        QFETCH(QString, system);
        QFETCH(bool, keyIndexes);
        const Outcome plain = runOn(system, keyIndexes, true);
        const Outcome fast = runOn(system, keyIndexes, false);

        // The account set has something to clean in every class, some of it left for review.
        QCOMPARE(plain.flags.size(), dataClassesOf(system).size());
        for (const QString& f : plain.flags)   // found, and written back
            QVERIFY2(f.split(QLatin1Char(' ')).value(1) == QLatin1String("1")
                    && f.split(QLatin1Char(' ')).value(3) == QLatin1String("1"),
                qPrintable(f));
        QVERIFY(!plain.working.value(dataClass(DataClassId::DYZD).reviewTable()).isEmpty());
        QVERIFY(plain.rowBar.contains(QStringLiteral("step")));   // illegal cells removed

        QCOMPARE(fast.flags, plain.flags);
        QCOMPARE(fast.cleanupLog, plain.cleanupLog);
        QCOMPARE(fast.autoBar, plain.autoBar);
        QCOMPARE(fast.rowBar, plain.rowBar);
        QCOMPARE(fast.deleteBar, plain.deleteBar);
        for (auto it = plain.working.cbegin(); it != plain.working.cend(); ++it)
            QVERIFY2(fast.working.value(it.key()) == it.value(), qPrintable(it.key() + " differs"));
        for (auto it = plain.report.cbegin(); it != plain.report.cend(); ++it) {
            QVERIFY2(fast.report.value(it.key()) == it.value(), qPrintable(it.key() + " differs"));
            QVERIFY(!it.value().isEmpty());
        }
        // The walks ran in transactions of their own, the plain way in autocommit.
        QCOMPARE(plain.cleanupBegins, 0);
        QVERIFY(fast.cleanupBegins > 0);
        // The database picked the cells to visit for every cell class; the plain way read all.
        const QList<const DataClass*> classes = dataClassesOf(system);
        const auto cellClasses
            = std::count_if(classes.cbegin(), classes.cend(), [](const DataClass* c) { return c->isCellClass(); });
        QCOMPARE(fast.picks, int(cellClasses));
        // The per-code lookups are gone.
        QVERIFY2(fast.cleanupStatements < plain.cleanupStatements,
            qPrintable(QStringLiteral("%1 >= %2").arg(fast.cleanupStatements).arg(plain.cleanupStatements)));
    }
};

QTEST_GUILESS_MAIN(TestEndStates)
#include "test_end_states.moc"
