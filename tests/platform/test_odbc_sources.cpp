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
        "[Shared]\nDriver=SQLite3\nDatabase=/nonexistent/s.db\n");
    write(m_dir.filePath(QStringLiteral("odbc.ini")),
        "[ODBC Data Sources]\nSystemOnly=SQLite\nShared=SQLite\n\n"
        "[SystemOnly]\nDriver=SQLite\nDatabase=/nonexistent/y.db\n\n"
        "[Shared]\nDriver=SQLite\nDatabase=/nonexistent/t.db\n");
    write(m_dir.filePath(QStringLiteral("odbcinst.ini")),
        "[SQLite]\nDriver=libsqliteodbc.so\n\n[SQLite3]\nDriver=libsqlite3odbc.so\n");
    qputenv("ODBCINI", m_dir.filePath(QStringLiteral("user.ini")).toLocal8Bit());
    qputenv("ODBCSYSINI", m_dir.path().toLocal8Bit());
}

void TestOdbcSources::userSourcesBeforeSystemOnes()
{
    QStringList listed;
    for (const OdbcDataSource& s : odbcDataSources())
        listed << (s.system ? QStringLiteral("system:") : QStringLiteral("user:")) + s.name;
    QCOMPARE(listed, (QStringList{"user:UserOnly", "user:Shared", "system:SystemOnly", "system:Shared"}));
}

void TestOdbcSources::driverOfDataSource_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("driver");
    QTest::newRow("user data source") << "UserOnly" << "SQLite3";
    QTest::newRow("system data source") << "SystemOnly" << "SQLite";
    QTest::newRow("user one wins over system one") << "Shared" << "SQLite3";
    QTest::newRow("name in capitals") << "SYSTEMONLY" << "SQLite";
    QTest::newRow("not listed") << "Nowhere" << "";
    QTest::newRow("empty name") << "" << "";
}

void TestOdbcSources::driverOfDataSource()
{
    QFETCH(QString, name);
    QFETCH(QString, driver);
    QCOMPARE(odbcDriverOf(name), driver);
}

QTEST_GUILESS_MAIN(TestOdbcSources)
#include "test_odbc_sources.moc"
