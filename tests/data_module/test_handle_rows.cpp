#include "data_module/database.h"
#include "data_module/qt_backend.h"
#include "data_module/query.h"
#include "support/test_account_set.h"

#include <QtTest>

#include <optional>

// Rows read from the ODBC statement handle on SQLite against the same statements read
// through QSqlQuery: every value, its type and its NULL-ness alike.
class TestHandleRows : public QObject {
    Q_OBJECT

    std::optional<TestAccountSet> m_as;
    QString m_long;

    QtSqlBackend& backend() { return static_cast<QtSqlBackend&>(m_as->mast().backend()); }

    // Every row of sql, read as the backend is set; prepared: through a prepared statement.
    QList<QList<QVariant>> read(const QString& sql, const QList<QVariant>& binds, bool prepared, bool handle)
    {
        backend().setHandleRows(handle);
        StatementSlot slot;
        QList<QList<QVariant>> rows;
        {
            std::unique_ptr<Cursor> c = prepared ? m_as->mast().openCursor(slot, sql, binds)
                                                 : m_as->mast().openCursor(sql, binds);
            QList<QVariant> row;
            while (c->fetch(row))
                rows << row;
        }
        m_as->mast().release(slot);
        backend().setHandleRows(true);
        return rows;
    }

    static QByteArray bits(const QVariant& v)
    {
        if (v.typeId() != QMetaType::Double)
            return {};
        const double d = v.toDouble();
        return QByteArray(reinterpret_cast<const char*>(&d), sizeof d);
    }

private slots:
    void initTestCase()
    {
        TestAccountSetOptions o;
        o.reportTables = false;
        o.systemRows = false;
        m_as.emplace(o);
        m_as->exec(QStringLiteral("create table T (id integer, name varchar(60), txt text, n numeric(18,2), "
                                  "d double, r real, big bigint, s smallint, b blob, dec decimal(10,4), "
                                  "ch char(10), f float, u integer unsigned, ub bigint unsigned, bo boolean)"));
        for (int i = 0; m_long.size() < 100000; ++i)
            m_long += i % 3 ? QStringLiteral("汇") : QStringLiteral("a");
        const QVariant null;
        m_as->insert(QStringLiteral("T"),
            {{1, QStringLiteral("单位数据汇总表"), QStringLiteral(""), 61329.77, 0.1, 2.5, Q_INT64_C(9007199254740993), 7,
                 QByteArray("\x00\xff\x41", 3), 12.3456, QStringLiteral("ab"), 1e300, 4000000000u,
                 Q_UINT64_C(18446744073709551615), 1},
                {2, null, null, null, null, null, null, null, null, null, null, null, null, null, null},
                {3, QStringLiteral(""), m_long, -0.01, -61329.77, 0.0, Q_INT64_C(-9223372036854775807), -32768,
                    QByteArray(70000, 'x'), 0, QStringLiteral("  "), 100.0, 0, 0, 0},
                // Texts where numbers belong, as SQLite keeps them.
                {QStringLiteral("abc"), QStringLiteral("x"), QStringLiteral("12abc"), QStringLiteral("y"),
                    QStringLiteral("1.5x"), QStringLiteral(""), QStringLiteral("z"), 1.5, QStringLiteral("t"),
                    QStringLiteral("q"), 5, QStringLiteral(""), QStringLiteral("-1"), QStringLiteral("w"), 2}});
        m_as->exec(QStringLiteral("create table P (dt date, ts timestamp, tm time, name varchar(10), us smallint unsigned)"));
        m_as->exec(QStringLiteral("insert into P values ('2004-01-02', '2004-01-02 10:11:12', '10:11:12', '汇', 1), "
                                  "(null, null, null, null, null), ('abc', '200401', '25:61', '', 2), "
                                  "('', '2004-01-02 10:11:12.345', '', 'x', 3)"));
    }

    void sameRows_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QList<QVariant>>("binds");
        QTest::addColumn<bool>("prepared");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("handle");   // read from the statement handle
        // One cell's text as the write-back would put it into a statement (row -1: none).
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        const QList<QVariant> none;
        QTest::newRow("every type, every row")
            << QStringLiteral("select * from T order by id") << none << false << 4 << true << 0 << 3 << QStringLiteral("61329.77");
        QTest::newRow("expressions") << QStringLiteral("select count(*), sum(n), 'x' || name, null, 1.5, '', length(txt), "
                                                       "0.1 + 0.2, 61329.77, -7 from T where id < 3 group by name")
                                     << none << false << 2 << true << 1 << 2 << QStringLiteral("x单位数据汇总表");
        QTest::newRow("no rows") << QStringLiteral("select * from T where id = -1") << none << false << 0 << true << -1 << 0
                                 << QString();
        QTest::newRow("long text") << QStringLiteral("select txt, txt || '尾' from T where id = 3") << none << false << 1
                                   << true << 0 << 1 << m_long + QStringLiteral("尾");
        QTest::newRow("bound values") << QStringLiteral("select name, n, d, txt from T where id >= ? and name <> ?")
                                      << QList<QVariant>{1, QStringLiteral("汇")} << false << 3 << true << 0 << 2
                                      << QStringLiteral("0.1");
        QTest::newRow("prepared") << QStringLiteral("select * from T where id = ? or name = ?")
                                  << QList<QVariant>{3, QStringLiteral("单位数据汇总表")} << true << 2 << true << 0 << 1
                                  << QStringLiteral("单位数据汇总表");
        QTest::newRow("dates and times") << QStringLiteral("select dt, ts, tm, name from P") << none << false << 4
                                         << true << 0 << 3 << QStringLiteral("汇");
        // A column type left to QSqlQuery (unsigned small integer): the whole result goes there.
        QTest::newRow("other type: through Qt") << QStringLiteral("select * from P") << none << false << 4 << false
                                                << 0 << 4 << QStringLiteral("1");
    }
    void sameRows()
    {
        QFETCH(QString, sql);
        QFETCH(QList<QVariant>, binds);
        QFETCH(bool, prepared);
        QFETCH(int, rows);
        QFETCH(bool, handle);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        const qint64 before = backend().handleResults();
        const QList<QList<QVariant>> fast = read(sql, binds, prepared, true);
        QCOMPARE(backend().handleResults(), before + handle);
        const QList<QList<QVariant>> qt = read(sql, binds, prepared, false);
        QCOMPARE(backend().handleResults(), before + handle);
        QCOMPARE(fast.size(), rows);
        QCOMPARE(qt.size(), rows);
        for (int r = 0; r < rows; ++r) {
            QCOMPARE(fast[r].size(), qt[r].size());
            for (int c = 0; c < qt[r].size(); ++c) {
                const QVariant& a = fast[r][c];
                const QVariant& b = qt[r][c];
                const QByteArray where = QByteArray::number(r) + "," + QByteArray::number(c) + " " + b.typeName()
                                       + " " + variantText(b).left(40).toUtf8();
                QVERIFY2(a.metaType() == b.metaType(), where + " / " + a.typeName());
                QVERIFY2(a == b, where + " / " + variantText(a).left(40).toUtf8());
                QVERIFY2(bits(a) == bits(b), where);
                QVERIFY2(a.toString().isNull() == b.toString().isNull(), where);
                QCOMPARE(variantText(a), variantText(b));
            }
        }
        if (row >= 0)
            QCOMPARE(variantText(fast.value(row).value(column)), text);
    }

    // Bytes that are not UTF-8 (never written through ODBC) come back with a replacement
    // character for each bad sequence, the rest of the text whole.
    void textNotUtf8()
    {
        m_as->exec(QStringLiteral("create table B (t varchar(10))"));
        m_as->exec(QStringLiteral("insert into B values (cast(x'ff41e6b187c7' as text))"));
        const QList<QList<QVariant>> rows = read(QStringLiteral("select t from B"), {}, false, true);
        QCOMPARE(rows.value(0).value(0), QVariant(QStringLiteral("\uFFFDA汇\uFFFD")));
    }
};

QTEST_GUILESS_MAIN(TestHandleRows)
#include "test_handle_rows.moc"
