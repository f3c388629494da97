#include "app/connection.h"
#include "support/test_account_set.h"

#include <QtTest>

// Kind 0 on the real path: the SQLite account set through unixODBC, as a site's SQL
// Anywhere is reached through its data source.

namespace {
const QString Msg1 = QString::fromUtf16(FirstStepFailed);
const QString Msg2 = QString::fromUtf16(SecondStepFailed);

TestAccountSetOptions unconnected()
{
    TestAccountSetOptions o;
    o.reportTables = false;
    o.connect = false;
    return o;
}
}

class TestConnectionOdbc : public QObject {
    Q_OBJECT
private slots:
    void loginConnectsAsTheOwner();
    void automaticStart_data();
    void automaticStart();
    void registryMissingFailsTheSecondStep();
    void dataSourceDriver();
};

void TestConnectionOdbc::loginConnectsAsTheOwner()
{
    TestAccountSet as(unconnected());
    TEndYearDataMod& dm = as.dm();
    dm.state.DatabaseKind = DbKind(2);
    QCOMPARE(ConnectAccountSet(dm, QStringLiteral("9999"), QStringLiteral("typed"), QStringLiteral("jwcw.ini"),
                 QStringLiteral("001    演示"), true),
        QString());
    QVERIFY(dm.mast.connected());
    QCOMPARE(kindNumber(dm.state.DatabaseKind), 0);
    // The data source is named upper-cased; its driver is found all the same.
    QCOMPARE(dm.mast.driverName(), QStringLiteral("SQLite3"));
    QCOMPARE(dm.mast.param(QStringLiteral("ODBC DSN")), as.dsn().toUpper());
    // The registry's owner and password, the password used as stored.
    QCOMPARE(dm.mast.param(QStringLiteral("USER NAME")), QStringLiteral("dba"));
    QCOMPARE(dm.mast.param(QStringLiteral("PASSWORD")), QStringLiteral("sql"));
    QCOMPARE(dm.state.WorkstationCode, QString());

    // The owner connection works.
    Query q(dm.mast);
    q.setSql(QStringLiteral("select count(*) from dba.kvdbztxx"));
    q.open();
    QCOMPARE(q.integer(0), 2);
}

void TestConnectionOdbc::automaticStart_data()
{
    QTest::addColumn<QString>("ztbh");  // empty: no file for today
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("user");  // owner connection's user
    QTest::newRow("today's file") << "002" << "" << "dba";
    // The code goes into the registry query with its quote doubled: the row is found.
    QTest::newRow("quote in the code") << "O'3" << "" << "dba";
    // SQLite checks no password: the first-step user with an empty password gets in.
    QTest::newRow("no registry row") << "009" << "" << "cw0099999";
    QTest::newRow("no file for today: no kind, the alias is not configured") << "" << Msg1 << "";
}

void TestConnectionOdbc::automaticStart()
{
    QFETCH(QString, ztbh);
    QFETCH(QString, result);
    QFETCH(QString, user);
    TestAccountSet as(unconnected());
    if (ztbh.contains(QLatin1Char('\'')))
        as.insert(QStringLiteral("kvdbztxx"), {{ztbh, QStringLiteral("引号"), QStringLiteral("dba"),
                                                   QStringLiteral("sql"), as.dsn()}});
    if (!ztbh.isEmpty())
        as.writeAutoStart(QDate::currentDate(), ztbh);
    // A file for another day is not read.
    as.writeAutoStart(QDate::currentDate().addDays(1), QStringLiteral("001"));
    QCOMPARE(AutoConnect(as.dm(), QStringLiteral("9999"), QStringLiteral("pw")), result);
    QCOMPARE(as.dm().mast.connected(), result.isEmpty());
    if (result.isEmpty()) {
        QCOMPARE(as.dm().mast.param(QStringLiteral("USER NAME")), user);
        if (user.startsWith(QLatin1String("cw")))
            QCOMPARE(as.dm().mast.param(QStringLiteral("PASSWORD")), QString());
    }
}

void TestConnectionOdbc::registryMissingFailsTheSecondStep()
{
    TestAccountSet as(unconnected());
    as.exec(QStringLiteral("drop table kvdbztxx"));
    QCOMPARE(ConnectAccountSet(as.dm(), QStringLiteral("9999"), QStringLiteral("pw"), QStringLiteral("jwcw.ini"),
                 QStringLiteral("002    分公司"), true),
        Msg2);
    QVERIFY(!as.dm().mast.connected());
    QVERIFY(!as.dm().LoginQuery.active());
}

void TestConnectionOdbc::dataSourceDriver()
{
    TestAccountSet as(unconnected());
    QCOMPARE(GetDataSourceName(as.dsn()), QStringLiteral("SQLite3"));
    QCOMPARE(GetDataSourceName(as.dsn().toUpper()), QStringLiteral("SQLite3"));
    QCOMPARE(GetDataSourceName(QStringLiteral("NO_SUCH_DSN")), QStringLiteral("Sybase SQL Anywhere 5.0"));
    QCOMPARE(GetDataSourceName(QString()), QStringLiteral("Sybase SQL Anywhere 5.0"));

    // A data source that is not there fails the first step.
    as.writeGbk(QStringLiteral("jwcw.ini"),
        QStringLiteral("[sqlca1]\r\nDBMS=ODBC\r\nDataBase=NO_SUCH_DSN\r\nZtbh=001\r\n"));
    QCOMPARE(ConnectAccountSet(as.dm(), QStringLiteral("9999"), QStringLiteral("pw"), QStringLiteral("jwcw.ini"),
                 QStringLiteral("001"), true),
        Msg1);
    QVERIFY(!as.dm().mast.connected());
}

QTEST_GUILESS_MAIN(TestConnectionOdbc)
#include "test_connection_odbc.moc"
