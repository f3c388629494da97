#include "platform/host.h"
#include "platform/process_start.h"
#include "platform/single_instance.h"

#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestProcessAndInstance : public QObject {
    Q_OBJECT
private slots:
    void secondStartFindsTheFirst();
    void lockOfDeadInstanceIsTakenOver();
    void startHiddenSplitsTheLine_data();
    void startHiddenSplitsTheLine();
    void startHiddenRefusesWhatCannotStart_data();
    void startHiddenRefusesWhatCannotStart();
};

void TestProcessAndInstance::secondStartFindsTheFirst()
{
    QTemporaryDir dir;
    {
        SingleInstanceGuard first(QStringLiteral("tool"), dir.path());
        QVERIFY(first.tryAcquire());
        SingleInstanceGuard second(QStringLiteral("tool"), dir.path());
        QVERIFY(!second.tryAcquire());
        QVERIFY(first.held());
        // Another name is another program.
        SingleInstanceGuard other(QStringLiteral("other"), dir.path());
        QVERIFY(other.tryAcquire());
    }
    SingleInstanceGuard afterwards(QStringLiteral("tool"), dir.path());
    QVERIFY(afterwards.tryAcquire());
}

void TestProcessAndInstance::lockOfDeadInstanceIsTakenOver()
{
    QTemporaryDir dir;
    QProcess finished;
    finished.start(QStringLiteral("true"), {});
    QVERIFY(finished.waitForFinished());
    const qint64 deadPid = finished.processId() ? finished.processId() : 999999;
    SingleInstanceGuard guard(QStringLiteral("tool"), dir.path());
    QFile lock(guard.lockFilePath());
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(deadPid) + "\nvostrel-optimizer\n" + computerName().toUtf8() + "\n");
    lock.close();
    QVERIFY(guard.tryAcquire());
}

void TestProcessAndInstance::startHiddenSplitsTheLine_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("created");
    QTest::newRow("plain") << "one" << "one";
    QTest::newRow("quoted blank stays in the argument") << "\"a b\"" << "a b";
}

void TestProcessAndInstance::startHiddenSplitsTheLine()
{
    QFETCH(QString, arguments);
    QFETCH(QString, created);
    QTemporaryDir dir;
    // touch makes one file per argument: the files show how the line was split.
    const QString line = QStringLiteral("touch -- ") + arguments;
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const bool started = startHidden(line);
    QDir::setCurrent(cwd);
    QVERIFY(started);
    QTRY_VERIFY(QFile::exists(dir.filePath(created)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{created});
}

void TestProcessAndInstance::startHiddenRefusesWhatCannotStart_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("no such program") << "no-such-program-here-xyz arg";
}

void TestProcessAndInstance::startHiddenRefusesWhatCannotStart()
{
    QFETCH(QString, line);
    QVERIFY(!startHidden(line));
}


QTEST_GUILESS_MAIN(TestProcessAndInstance)
#include "test_process_and_instance.moc"
