// The manual review: coordinates, codes in use, the review queries and the handlers'
// work (delete once through the delete statement, check, empty).
#include "test_write_back_fixture.h"

#include "cleanup/review.h"
#include "data_module/database_error.h"
#include "support/scripted_prompts.h"

#include <QtTest>

namespace {
const QTime kTime(10, 0, 1);
const QString T = QStringLiteral("【10:00:01】 ");

struct Reviewed {
    explicit Reviewed(const QString& system) : system(system)
    {
        fixture::plantDuplicates(as, system);
        fixture::selectSystem(as.dm(), system);
        fixture::runFirstHalf(as.dm(), half);
        review = std::make_unique<Review>(as.dm(), half.state, prompts, [] { return kTime; });
    }
    ~Reviewed() { as.dm().QryGlobalOpen.close(); }
    QList<DataClassId> prepare() { return review->Prepare(log, bar, events); }
    int rowOf(DataClassId id, const QString& column, const QString& value)
    {
        CachedQuery& q = review->query(id);
        for (int r = 0; r < q.rowCount(); ++r)
            if (q.text(r, q.columnIndex(column)) == value)
                return r;
        return -1;
    }
    QString system;
    TestAccountSet as;
    fixture::FirstHalf half;
    InstalledPrompts prompts;
    std::unique_ptr<Review> review;
    RecordingLog log;
    RecordingProgress bar;
    CountingEvents events;
};
}

class TestReview : public QObject {
    Q_OBJECT

private slots:
    void columnLetters_data();
    void columnLetters();
    void cellCoordinateText_data();
    void cellCoordinateText();
    void cellCoordinateTextFailure();
    void codeInUse_data();
    void codeInUse();
    void prepare_data();
    void prepare();
    void deleteRow_data();
    void deleteRow();
    void deleteMatchingMoreThanOneRow();
    void check();
    void empty_data();
    void empty();
    void emptyFaultAfter_data();
    void emptyFaultAfter();
};

void TestReview::columnLetters_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("letters");
    QTest::newRow("below one") << 0 << "";
    QTest::newRow("negative") << -3 << "";
    QTest::newRow("first") << 1 << "A";
    QTest::newRow("3") << 3 << "C";
    QTest::newRow("26") << 26 << "Z";
    QTest::newRow("27") << 27 << "AA";
    QTest::newRow("52") << 52 << "AZ";
    QTest::newRow("53") << 53 << "BA";
    QTest::newRow("702") << 702 << "ZZ";
    QTest::newRow("703") << 703 << "AAA";
    QTest::newRow("728") << 728 << "AAZ";
    QTest::newRow("18278") << 18278 << "ZZZ";
    QTest::newRow("18279") << 18279 << "AAAA";
}

void TestReview::columnLetters()
{
    QFETCH(int, column);
    QFETCH(QString, letters);
    QCOMPARE(ColumnLetters(column), letters);
}

void TestReview::cellCoordinateText_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("col");
    QTest::addColumn<QVariant>("text");
    QTest::addColumn<QStringList>("coordinates");   // any order
    QTest::newRow("one coordinate") << "0012" << "03" << QVariant("5") << QStringList{"C12"};
    QTest::newRow("column 27") << "0012" << "27" << QVariant("5") << QStringList{"AA12"};
    QTest::newRow("column code unknown") << "0012" << "99" << QVariant("5") << QStringList{};
    QTest::newRow("row code unknown") << "0099" << "03" << QVariant("5") << QStringList{};
    QTest::newRow("column code twice in its dictionary") << "0012" << "04" << QVariant("5")
                                                         << QStringList{"D12", "E12"};
    QTest::newRow("text with a quote") << "0012" << "03" << QVariant("it's") << QStringList{"C12"};
    QTest::newRow("no text") << "0012" << "03" << QVariant() << QStringList{"C12"};
}

void TestReview::cellCoordinateText()
{
    QFETCH(QString, row);
    QFETCH(QString, col);
    QFETCH(QVariant, text);
    QFETCH(QStringList, coordinates);
    TestAccountSet as;
    fixture::selectSystem(as.dm(), "BB");
    as.dm().CreateWorkingTables();
    as.insert("KRHZD", {demo::rowRow({.bh = "101", .date = "200405", .orde = "0012", .zb = 12})});
    as.insert("KRLZD", {demo::columnRow({.bh = "101", .date = "200405", .orde = "03", .zb = 3}),
                           demo::columnRow({.bh = "101", .date = "200405", .orde = "27", .zb = 27}),
                           demo::columnRow({.bh = "101", .date = "200405", .orde = "04", .zb = 4}),
                           demo::columnRow({.bh = "101", .date = "200405", .orde = "04", .zb = 5})});
    as.insert("dirtyDYZD", {demo::cellRow({.bh = "101", .date = "200405", .row = row, .col = col, .text = text})});
    const QString z = CellCoordinateText(as.dm(), "dirtyDYZD", "KRHZD", "KRLZD", "101", "200405", row, col,
        text.isNull() ? QString() : text.toString());
    if (coordinates.size() == 1) {
        QCOMPARE(z, coordinates.constFirst());
    } else {
        QStringList got = z.split(';');
        QCOMPARE(got.takeLast(), QString());   // every coordinate ends with ";"
        got.sort();
        QCOMPARE(got, coordinates);
    }
}

void TestReview::cellCoordinateTextFailure()
{
    TestAccountSet as;
    fixture::selectSystem(as.dm(), "BB");
    QVERIFY_THROWS_EXCEPTION(DatabaseError,
        CellCoordinateText(as.dm(), "dirtyNone", "KRHZD", "KRLZD", "101", "200405", "0001", "01", "1"));
}

void TestReview::codeInUse_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("usedIn");    // table holding a cell with the code, or empty
    QTest::addColumn<QString>("column");
    QTest::addColumn<bool>("inUse");
    QTest::newRow("BB row code in cells") << "BB" << "KRDYZD" << "HZD_ORDE" << true;
    QTest::newRow("BB column code in cells") << "BB" << "KRDYZD" << "LZD_ORDE" << true;
    QTest::newRow("BB unused") << "BB" << "" << "HZD_ORDE" << false;
    QTest::newRow("BB does not look at summary data") << "BB" << "HZDWSJ" << "HZD_ORDE" << false;
    QTest::newRow("HZ row code in cells") << "HZ" << "HZDYZD" << "HZD_ORDE" << true;
    QTest::newRow("HZ row code in unit data") << "HZ" << "HZDWSJ" << "HZD_ORDE" << true;
    QTest::newRow("HZ column code in summary data") << "HZ" << "HZHZSJ" << "LZD_ORDE" << true;
    QTest::newRow("HZ unused") << "HZ" << "" << "LZD_ORDE" << false;
    QTest::newRow("HZ other report uses it") << "HZ" << "HZDYZD:other" << "HZD_ORDE" << false;
}

void TestReview::codeInUse()
{
    QFETCH(QString, system);
    QFETCH(QString, usedIn);
    QFETCH(QString, column);
    QFETCH(bool, inUse);
    TestAccountSet as;
    fixture::selectSystem(as.dm(), system);
    const QString report = usedIn.endsWith(":other") ? "999" : "201";
    const QString table = usedIn.section(':', 0, 0);
    if (table.endsWith("DYZD"))
        as.insert(table, {demo::cellRow({.bh = report, .date = "200405", .row = "0007", .col = "07"})});
    else if (!table.isEmpty())
        as.insert(table, {demo::unitCellRow({.unit = "01", .bh = report, .date = "200405", .row = "0007", .col = "07"})});
    const QString code = column == "HZD_ORDE" ? "0007" : "07";
    QCOMPARE(CodeInUse(as.dm(), column, "201", "200405", code), inUse);
}

void TestReview::prepare_data()
{
    QTest::addColumn<QString>("system");
    QTest::newRow("BB") << "BB";
    QTest::newRow("HZ") << "HZ";
}

void TestReview::prepare()
{
    QFETCH(QString, system);
    Reviewed r(system);
    // A review row of a report the report dictionary does not know: kept, never shown.
    r.as.exec("insert into dirtyHZD values ('777', '200405', '0005', 5, NULL)");
    const QList<DataClassId> shown = r.prepare();
    QList<DataClassId> expected;
    QStringList lines{T + " 正在查询报表字典", T + " 结束查询报表字典"};
    for (const DataClass* c : dataClassesOf(system)) {
        expected << c->id;
        lines << T + " 开始打开" + c->className + "重复数据临时表" << T + " 结束打开" + c->className + "重复数据临时表";
    }
    QCOMPARE(shown, expected);
    QCOMPARE(r.log.lines, lines);
    QCOMPARE(r.bar.maximum, 6);
    QCOMPARE(r.bar.position, 6);
    QCOMPARE(r.as.count("dirtyBBZD"), 2);
    // Two rows of every key duplicate, joined with the report name.
    for (DataClassId id : shown) {
        CachedQuery& q = r.review->query(id);
        QVERIFY(q.active());
        QCOMPARE(q.rowCount(), 2);
        QCOMPARE(q.text(0, q.columnIndex("BBZD_MC")), "资产负债表");
        for (const ReviewColumn& col : reviewColumns(id))
            QVERIFY2(q.columnIndex(col.field) >= 0, qPrintable(col.field));
    }
    QCOMPARE(r.as.count("dirtyHZD"), 3);
    QCOMPARE(r.review->query(DataClassId::DWSJ).active(), system == "HZ");
}

void TestReview::deleteRow_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<int>("classId");
    QTest::addColumn<bool>("ignoreWarning");
    QTest::addColumn<QList<int>>("answers");     // PromptAnswer values in order
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("deletes");            // delete statements sent
    QTest::addColumn<int>("reviewRowsLeft");
    const QString inUseRow = "该行字典内码已经使用，\n\r如果删除可能造成公式丢失或格式紊乱！\n\r"
                             "建议检查单元字典或单位数据或汇总数据确认可以删除后再执行该操作。\n\r是否强制删除该记录？";
    QString inUseColumn = inUseRow;
    inUseColumn.replace(0, 3, "该列字");
    const int yes = int(PromptAnswer::Yes), no = int(PromptAnswer::No);
    const QString confirm = "确认删除该记录吗？";
    QTest::newRow("row code in use, declined") << "BB" << 1 << false << QList<int>{no} << QStringList{inUseRow} << 0 << 2;
    QTest::newRow("row code in use, forced and confirmed")
        << "BB" << 1 << false << QList<int>{yes, yes} << QStringList{inUseRow, confirm} << 1 << 1;
    QTest::newRow("row code in use, warning despite ChkWarning")
        << "HZ" << 1 << true << QList<int>{yes} << QStringList{inUseRow} << 1 << 1;
    QTest::newRow("column code in use, confirmation declined")
        << "HZ" << 2 << false << QList<int>{yes, no} << QStringList{inUseColumn, confirm} << 0 << 2;
    QTest::newRow("cell confirmed") << "BB" << 3 << false << QList<int>{yes} << QStringList{confirm} << 1 << 1;
    QTest::newRow("cell with ChkWarning") << "HZ" << 3 << true << QList<int>{} << QStringList{} << 1 << 1;
    QTest::newRow("HZ unit data confirmed") << "HZ" << 4 << false << QList<int>{yes} << QStringList{confirm} << 1 << 1;
    QTest::newRow("HZ summary data declined") << "HZ" << 5 << false << QList<int>{no} << QStringList{confirm} << 0 << 2;
}

void TestReview::deleteRow()
{
    QFETCH(QString, system);
    QFETCH(int, classId);
    QFETCH(bool, ignoreWarning);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, boxes);
    QFETCH(int, deletes);
    QFETCH(int, reviewRowsLeft);
    const auto id = DataClassId(classId);
    Reviewed r(system);
    r.prepare();
    // The review keys (0005 / 05) are used by cells in every system.
    ScriptedPrompts prompts;
    for (int a : answers)
        prompts.answers.enqueue(PromptAnswer(a));
    int sent = 0;
    const QString review = dataClass(id).reviewTable();
    r.as.mast().setStatementHook([&](const QString& sql) {
        if (sql.startsWith("delete from " + review))
            ++sent;
    });
    const auto result = r.review->DeleteRow(id, 0, ignoreWarning);
    r.as.mast().setStatementHook({});
    QCOMPARE(prompts.texts(), boxes);
    for (const ScriptedPrompts::Box& b : prompts.boxes)
        QCOMPARE(b.caption, "警告");
    QCOMPARE(sent, deletes);
    QCOMPARE(r.as.count(review), reviewRowsLeft);
    QCOMPARE(r.review->query(id).rowCount(), reviewRowsLeft);
    QCOMPARE(result, deletes ? Review::DeleteResult::Deleted : Review::DeleteResult::Declined);
}

void TestReview::deleteMatchingMoreThanOneRow()
{
    Reviewed r("BB");
    // Same key and coordinate, different BZBM_BM: the delete statement matches both.
    r.as.exec("delete from dirtyHZD");
    r.as.exec("insert into dirtyHZD values ('101', '200405', '0008', 8, 'X1')");
    r.as.exec("insert into dirtyHZD values ('101', '200405', '0008', 8, 'X2')");
    r.prepare();
    QCOMPARE(r.review->query(DataClassId::HZD).rowCount(), 2);
    ScriptedPrompts prompts;
    int sent = 0;
    r.as.mast().setStatementHook([&](const QString& sql) { sent += sql.startsWith("delete from dirtyHZD"); });
    QCOMPARE(r.review->DeleteRow(DataClassId::HZD, 0, true), Review::DeleteResult::UpdateFailed);
    r.as.mast().setStatementHook({});
    QCOMPARE(sent, 1);
    QCOMPARE(prompts.boxes.size(), 1);
    QVERIFY(prompts.boxes.at(0).text.startsWith("更新失败！"));
    QCOMPARE(prompts.boxes.at(0).caption, "提示");
    // The grid shows what the review table holds: nothing of that key.
    QCOMPARE(r.as.count("dirtyHZD"), 0);
    QCOMPARE(r.review->query(DataClassId::HZD).rowCount(), 0);
    QCOMPARE(r.review->query(DataClassId::HZD).pendingDeletes(), 0);
}

void TestReview::check()
{
    for (const QString& system : {QStringLiteral("BB"), QStringLiteral("HZ")}) {
        Reviewed r(system);
        r.prepare();
        for (const DataClass* c : dataClassesOf(system)) {
            ScriptedPrompts prompts;
            QVERIFY(r.half.state.of(*c).Remaining);
            // The first row of the duplicated key is where the grid goes.
            const int first = r.review->query(c->id).rowCount();
            int locate = -2;
            QVERIFY(!r.review->Check(c->id, &locate));
            QCOMPARE(locate, 0);
            QVERIFY(r.half.state.of(*c).Remaining);
            QCOMPARE(prompts.texts(), QStringList{"检查" + c->className + "仍存在重复数据！"});
            QCOMPARE(prompts.boxes.at(0).caption, "提示");
            QCOMPARE(first, 2);

            QCOMPARE(r.review->DeleteRow(c->id, 1, true), Review::DeleteResult::Deleted);
            prompts.boxes.clear();
            QVERIFY(r.review->Check(c->id, &locate));
            QCOMPARE(locate, -1);
            QVERIFY(!r.half.state.of(*c).Remaining);
            QCOMPARE(prompts.texts(), QStringList{"检查" + c->className + "通过！"});
        }
        QVERIFY(!r.half.state.DuplicatesRemain(system));
    }
}

void TestReview::empty_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("failAt");   // statement start that fails, or empty
    QTest::addColumn<bool>("emptied");
    QTest::newRow("confirmed") << int(PromptAnswer::Yes) << "" << true;
    QTest::newRow("declined") << int(PromptAnswer::No) << "" << false;
    QTest::newRow("delete fails") << int(PromptAnswer::Yes) << "delete from dirtyDYZD" << false;
    QTest::newRow("commit fails") << int(PromptAnswer::Yes) << "COMMIT" << false;
    QTest::newRow("begin fails") << int(PromptAnswer::Yes) << "BEGIN" << false;
}

void TestReview::empty()
{
    QFETCH(int, answer);
    QFETCH(QString, failAt);
    QFETCH(bool, emptied);
    Reviewed r("BB");
    r.prepare();
    ScriptedPrompts prompts;
    prompts.answers.enqueue(PromptAnswer(answer));
    r.as.mast().setStatementHook([&](const QString& sql) {
        if (!failAt.isEmpty() && sql.startsWith(failAt))
            throw DatabaseError("injected");
    });
    QCOMPARE(r.review->Empty(DataClassId::DYZD), emptied);
    r.as.mast().setStatementHook({});
    QCOMPARE(prompts.texts(), QStringList{"确认清空重复记录吗？\n\r请慎重执行！！！"});
    QCOMPARE(prompts.boxes.at(0).caption, "警告");
    QCOMPARE(r.as.count("dirtyDYZD"), emptied ? 0 : 2);
    QCOMPARE(r.review->query(DataClassId::DYZD).rowCount(), emptied ? 0 : 2);
    QVERIFY(!r.as.mast().inTransaction());
    // Emptying leaves the verdict to the check.
    QVERIFY(r.half.state.of(DataClassId::DYZD).Remaining);
}

void TestReview::emptyFaultAfter_data()
{
    QTest::addColumn<QString>("failAt");   // statement start that takes effect, then fails
    QTest::addColumn<bool>("tableEmptied");
    QTest::newRow("begin") << "BEGIN" << false;
    QTest::newRow("delete") << "delete from dirtyDYZD" << false;
    QTest::newRow("commit") << "COMMIT" << true;
}

void TestReview::emptyFaultAfter()
{
    QFETCH(QString, failAt);
    QFETCH(bool, tableEmptied);
    Reviewed r("BB");
    r.prepare();
    ScriptedPrompts prompts;
    prompts.answers.enqueue(PromptAnswer::Yes);
    r.as.mast().setStatementHook({}, [&](const QString& sql) {
        if (sql.startsWith(failAt))
            throw DatabaseError("injected after the statement took effect");
    });
    // The failure is reported: Empty says it did not empty, whatever the table holds.
    QVERIFY(!r.review->Empty(DataClassId::DYZD));
    r.as.mast().setStatementHook({});
    QCOMPARE(r.as.count("dirtyDYZD"), tableEmptied ? 0 : 2);
    QCOMPARE(r.review->query(DataClassId::DYZD).rowCount(), tableEmptied ? 0 : 2);
    QVERIFY(!r.as.mast().inTransaction());
    // No transaction stays open behind the program's back: the next statement commits.
    r.as.mast().send("delete from dirtyHZD");
    QCOMPARE(r.as.count("dirtyHZD"), 0);
}

QTEST_MAIN(TestReview)
#include "test_review.moc"
