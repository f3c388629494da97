#include "app/connection.h"
#include "support/test_account_set.h"

#include <QDir>
#include <QtTest>

#include <optional>

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

void writeText(const QString& path, const QString& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

QString sqliteLibrary()
{
#ifdef VOSTREL_SQLITE_ODBC_LIBRARY
    return QStringLiteral(VOSTREL_SQLITE_ODBC_LIBRARY);
#else
    return {};
#endif
}
}

class TestConnectionOdbc : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void loginConnectsAsTheOwner();
    void automaticStart_data();
    void automaticStart();
    void registryMissingFailsTheSecondStep();
    void dataSourceDriver();
    void attributesNeverReachTheSqliteDriver_data();
    void attributesNeverReachTheSqliteDriver();

private:
    QTemporaryDir m_system;
};

// The driver manager reads $ODBCSYSINI once per process: the tests' own driver list is set
// before the first connection. It has the SQLite driver under its usual name and under
// aliases of other names: by library name, by library path, by a link of another name.
void TestConnectionOdbc::initTestCase()
{
    QVERIFY(m_system.isValid());
    QString drivers = QStringLiteral("[SQLite3]\nDriver=libsqlite3odbc.so\n\n[LogDrv]\nDriver=libsqlite3odbc.so\n");
    if (!sqliteLibrary().isEmpty()) {
        const QString link = m_system.filePath(QStringLiteral("liblogdriver.so"));
        QVERIFY(QFile::link(sqliteLibrary(), link));
        drivers += QStringLiteral("\n[LogDrvPath]\nDriver=%1\n\n[LogDrvLink]\nDriver=%2\n").arg(sqliteLibrary(), link);
    }
    writeText(m_system.filePath(QStringLiteral("odbcinst.ini")), drivers);
    qputenv("ODBCSYSINI", m_system.path().toLocal8Bit());
}

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
    QCOMPARE(dm.state.AccountSet, QStringLiteral("001"));

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

void TestConnectionOdbc::attributesNeverReachTheSqliteDriver_data()
{
    // The Driver= of the account set's data source ("@LIB": the library's path).
    QTest::addColumn<QString>("dsnDriver");
    // Where the value comes from: typed, command line, registry password or owner.
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("value");   // "@EVIL": a file of the test folder
    QTest::addColumn<QString>("result");

    const QList<QPair<QString, QString>> routes{
        {QStringLiteral("alias section, library by name"), QStringLiteral("LogDrv")},
        {QStringLiteral("alias section, library by path"), QStringLiteral("LogDrvPath")},
        {QStringLiteral("alias section, link of another name"), QStringLiteral("LogDrvLink")},
        {QStringLiteral("data source names the library"), QStringLiteral("@LIB")},
        {QStringLiteral("usual section"), QStringLiteral("SQLite3")},
    };
    const QString canary = QStringLiteral("pw;ZZCANARY=1;Database=@EVIL");
    for (const auto& [route, dsnDriver] : routes) {
        auto row = [&](const char* what) -> QTestData& {
            return QTest::newRow(qPrintable(route + QStringLiteral(": ") + QLatin1String(what)));
        };
        row("typed password") << dsnDriver << QStringLiteral("typed") << canary << Msg1;
        row("typed user code") << dsnDriver << QStringLiteral("user") << QStringLiteral("9999;Database=@EVIL") << Msg1;
        row("command line") << dsnDriver << QStringLiteral("command") << canary << Msg1;
        row("registry password") << dsnDriver << QStringLiteral("pass") << canary << Msg2;
        row("registry owner") << dsnDriver << QStringLiteral("owner") << QStringLiteral("dba;Database=@EVIL") << Msg2;
        row("plain values log in") << dsnDriver << QStringLiteral("typed") << QStringLiteral("plain pw") << QString();
    }
}

void TestConnectionOdbc::attributesNeverReachTheSqliteDriver()
{
    QFETCH(QString, dsnDriver);
    QFETCH(QString, source);
    QFETCH(QString, value);
    QFETCH(QString, result);
    if ((dsnDriver == u"@LIB" || dsnDriver.startsWith(QLatin1String("LogDrvP")) || dsnDriver == u"LogDrvLink")
        && sqliteLibrary().isEmpty())
        QSKIP("the SQLite ODBC driver library was not found at configure time");

    TestAccountSet as(unconnected());
    writeText(as.filePath(QStringLiteral("odbc.ini")),
        QStringLiteral("[%1]\nDriver=%2\nDatabase=%3\nTimeout=5000\n")
            .arg(as.dsn(), dsnDriver == u"@LIB" ? sqliteLibrary() : dsnDriver, as.dbFile()));

    value.replace(QLatin1String("@EVIL"), as.filePath(QStringLiteral("evil.db")));
    QString user = QStringLiteral("9999");
    QString password = QStringLiteral("typed");
    if (source == u"typed" || source == u"command")
        password = value;
    else if (source == u"user")
        user = value;
    else
        as.exec(QStringLiteral("update kvdbztxx set kvdbztxx_%1 = '%2' where kvdbztxx_ztbh = '001'")
                    .arg(source, QString(value).replace(QLatin1String("'"), QLatin1String("''"))));

    QString got;
    if (source == u"command") {
        as.writeAutoStart(QDate::currentDate(), QStringLiteral("001"));
        got = AutoConnect(as.dm(), user, password);
    } else {
        got = ConnectAccountSet(as.dm(), user, password, QStringLiteral("jwcw.ini"), QStringLiteral("001    演示"), true);
    }
    QCOMPARE(got, result);
    QCOMPARE(as.dm().mast.connected(), result.isEmpty());
    // No database of the value's choosing was opened or created.
    QCOMPARE(QDir(as.folder()).entryList({QStringLiteral("evil*")}), QStringList());
    if (result.isEmpty()) {
        Query q(as.dm().mast);
        q.setSql(QStringLiteral("select count(*) from dba.kvdbztxx"));
        q.open();
        QCOMPARE(q.integer(0), 2);
    }
}

QTEST_GUILESS_MAIN(TestConnectionOdbc)
#include "test_connection_odbc.moc"
