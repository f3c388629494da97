#include "platform/odbc_sources.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The driver manager reads the user's data sources from $ODBCINI and the system ones
// from $ODBCSYSINI/odbc.ini; both are set to files of this test before the first call.
class TestOdbcSources : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void userSourcesBeforeSystemOnes();
    void driverOfDataSource_data();
    void driverOfDataSource();
    void driverLibrary_data();
    void driverLibrary();
    void sectionAttributes_data();
    void sectionAttributes();
    void editedFileIsReadAgain();

private:
    QTemporaryDir m_dir;
};

namespace {
void write(const QString& path, const QByteArray& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}
}

void TestOdbcSources::initTestCase()
{
    QVERIFY(m_dir.isValid());
    write(m_dir.filePath(QStringLiteral("user.ini")),
        "[ODBC Data Sources]\nUserOnly=SQLite3\nShared=SQLite3\n\n"
        "[UserOnly]\nDriver=SQLite3\nDatabase=/nonexistent/u.db\n\n"
        "[Shared]\nDriver=SQLite3\nDatabase=/nonexistent/s.db\n\n"
        "[Aliased]\nDriver=LogDrv\n\n[ByPath]\nDriver=/opt/drivers/libx.so\n\n[Wide]\nDriver=Both\n\n"
        "[Broken]\nDriver=NoSuchDriver\n\n[NoDriver]\nDatabase=/nonexistent/n.db\n"
        "  [ Spread ]  \nDriver = SQLite3\n; a comment\nTimeout = 2000\n[Other]\nDatabase=/x.db\n[spread]\nStepAPI=1\n");
    write(m_dir.filePath(QStringLiteral("odbc.ini")),
        "[ODBC Data Sources]\nSystemOnly=SQLite\nShared=SQLite\n\n"
        "[SystemOnly]\nDriver=SQLite\nDatabase=/nonexistent/y.db\n\n"
        "[Shared]\nDriver=SQLite\nDatabase=/nonexistent/t.db\n");
    write(m_dir.filePath(QStringLiteral("odbcinst.ini")),
        "[SQLite]\nDriver=libsqliteodbc.so\n\n[SQLite3]\nDriver=libsqlite3odbc.so\n\n"
        "[LogDrv]\nDriver=libsqlite3odbc.so\n\n[Both]\nDriver=lib32.so\nDriver64=lib64.so\n");
    qputenv("ODBCINI", m_dir.filePath(QStringLiteral("user.ini")).toLocal8Bit());
    qputenv("ODBCSYSINI", m_dir.path().toLocal8Bit());
}

void TestOdbcSources::userSourcesBeforeSystemOnes()
{
    QStringList listed;
    for (const OdbcDataSource& s : odbcDataSources())
        listed << (s.system ? QStringLiteral("system:") : QStringLiteral("user:")) + s.name;
    QCOMPARE(listed, (QStringList{"user:UserOnly", "user:Shared", "user:Aliased", "user:ByPath", "user:Wide", "user:Broken",
                           "user:NoDriver", "user:Spread", "user:Other", "user:spread", "system:SystemOnly", "system:Shared"}));
}

void TestOdbcSources::driverOfDataSource_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("driver");
    QTest::newRow("user data source") << "UserOnly" << "SQLite3";
    QTest::newRow("system data source") << "SystemOnly" << "SQLite";
    QTest::newRow("user one wins over system one") << "Shared" << "SQLite3";
    QTest::newRow("name in capitals") << "SYSTEMONLY" << "SQLite";
    QTest::newRow("section of another name") << "Aliased" << "LogDrv";
    QTest::newRow("not listed") << "Nowhere" << "";
    QTest::newRow("no Driver= line") << "NoDriver" << "";
    QTest::newRow("the list's own section") << "ODBC Data Sources" << "";
    QTest::newRow("empty name") << "" << "";
}

void TestOdbcSources::driverOfDataSource()
{
    QFETCH(QString, name);
    QFETCH(QString, driver);
    QCOMPARE(odbcDriverOf(name), driver);
}

// The library the driver manager loads, through the driver section whatever its name.
void TestOdbcSources::driverLibrary_data()
{
    QTest::addColumn<QString>("dataSource");
    QTest::addColumn<QString>("library");
    QTest::newRow("usual section") << "UserOnly" << "libsqlite3odbc.so";
    QTest::newRow("system data source") << "SystemOnly" << "libsqliteodbc.so";
    QTest::newRow("alias section") << "Aliased" << "libsqlite3odbc.so";
    QTest::newRow("data source names a path") << "ByPath" << "/opt/drivers/libx.so";
    QTest::newRow("64-bit entry first") << "Wide" << "lib64.so";
    QTest::newRow("driver section missing") << "Broken" << "";
    QTest::newRow("no data source") << "Nowhere" << "";
}

void TestOdbcSources::driverLibrary()
{
    QFETCH(QString, dataSource);
    QFETCH(QString, library);
    QCOMPARE(odbcDataSourceLibrary(dataSource), library);
}

// The data source's own lines, as the driver manager would read them for it.
void TestOdbcSources::sectionAttributes_data()
{
    QTest::addColumn<QString>("dataSource");
    QTest::addColumn<QStringList>("attributes");
    QTest::newRow("user data source") << "UserOnly" << QStringList{"Driver=SQLite3", "Database=/nonexistent/u.db"};
    QTest::newRow("user one wins") << "shared" << QStringList{"Driver=SQLite3", "Database=/nonexistent/s.db"};
    QTest::newRow("system data source") << "SystemOnly" << QStringList{"Driver=SQLite", "Database=/nonexistent/y.db"};
    QTest::newRow("blanks around, repeated section") << "SPREAD"
                                                     << QStringList{"Driver=SQLite3", "Timeout=2000", "StepAPI=1"};
    QTest::newRow("no driver") << "NoDriver" << QStringList{};
    QTest::newRow("not there") << "Nowhere" << QStringList{};
    QTest::newRow("the list") << "ODBC Data Sources" << QStringList{};
}

void TestOdbcSources::sectionAttributes()
{
    QFETCH(QString, dataSource);
    QFETCH(QStringList, attributes);
    QStringList seen;
    for (const OdbcAttribute& a : odbcDataSourceAttributes(dataSource))
        seen << a.key + u'=' + a.value;
    QCOMPARE(seen, attributes);
}

void TestOdbcSources::editedFileIsReadAgain()
{
    const QString path = m_dir.filePath(QStringLiteral("user.ini"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    QCOMPARE(odbcDriverOf(QStringLiteral("Added")), QString());
    write(path, before + "\n[Added]\nDriver=LogDrv\n");
    QCOMPARE(odbcDriverOf(QStringLiteral("Added")), QStringLiteral("LogDrv"));
    write(path, before);
    QCOMPARE(odbcDriverOf(QStringLiteral("Added")), QString());
}

QTEST_GUILESS_MAIN(TestOdbcSources)
#include "test_odbc_sources.moc"
