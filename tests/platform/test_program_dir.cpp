#include "platform/program_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The settings folder: VOSTREL_HOME, a build or site folder, or the per-user folder of an
// installed copy. Each row lays out files under a fresh folder; paths are relative to it.

namespace {
void layOut(const QString& root, const QStringList& paths)
{
    for (const QString& path : paths) {
        const QString full = QDir(root).filePath(path);
        if (path.endsWith(u'/')) {
            QVERIFY(QDir().mkpath(full));
            continue;
        }
        QVERIFY(QDir().mkpath(QFileInfo(full).path()));
        QFile f(full);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
}

QString under(const QString& root, const QString& path)
{
    if (path.isEmpty())
        return {};
    return QDir::isAbsolutePath(path) ? path : QDir::cleanPath(QDir(root).filePath(path));
}
}

class TestProgramDir : public QObject {
    Q_OBJECT
private slots:
    void chosenFolder_data();
    void chosenFolder();
    void environmentReachesTheChoice();
};

void TestProgramDir::chosenFolder_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("executableDir");
    QTest::addColumn<QString>("configHome");
    QTest::addColumn<QString>("expected");

    const QString entry = QStringLiteral("usr/share/applications/vostrel-optimizer.desktop");
    const QStringList installed{entry, QStringLiteral("usr/bin/vostrel-optimizer")};

    QTest::newRow("build folder") << QStringList{"build/CMakeCache.txt", "build/bin/vostrel-optimizer"} << ""
                                  << "build/bin" << "cfg" << "build/bin";
    QTest::newRow("site folder") << QStringList{"site/jwcw.ini", "site/vostrel-optimizer"} << "" << "site" << "cfg"
                                 << "site";
    QTest::newRow("installed: XDG_CONFIG_HOME") << installed << "" << "usr/bin" << "cfg" << "cfg/vostrel-optimizer";
    QTest::newRow("installed: XDG_CONFIG_HOME unset") << installed << "" << "usr/bin" << ""
                                                      << "user/.config/vostrel-optimizer";
    QTest::newRow("installed: relative XDG_CONFIG_HOME ignored")
        << installed << "" << "usr/bin" << "relative/cfg" << "user/.config/vostrel-optimizer";
    QTest::newRow("installed under another prefix")
        << QStringList{"opt/vo/share/applications/vostrel-optimizer.desktop", "opt/vo/bin/"} << "" << "opt/vo/bin"
        << "cfg" << "cfg/vostrel-optimizer";
    QTest::newRow("installed copy with jwcw.ini beside it")
        << (installed + QStringList{"usr/bin/jwcw.ini"}) << "" << "usr/bin" << "cfg" << "usr/bin";
    QTest::newRow("VOSTREL_HOME before an installed copy") << installed << "demo" << "usr/bin" << "cfg" << "demo";
    QTest::newRow("VOSTREL_HOME before a site folder")
        << QStringList{"site/jwcw.ini", "demo/"} << "demo" << "site" << "cfg" << "demo";
    QTest::newRow("another program's desktop entry")
        << QStringList{"usr/share/applications/other.desktop", "usr/bin/"} << "" << "usr/bin" << "cfg" << "usr/bin";
    QTest::newRow("entry beside a folder not named bin")
        << QStringList{"opt/vo/share/applications/vostrel-optimizer.desktop", "opt/vo/tools/"} << "" << "opt/vo/tools"
        << "cfg" << "opt/vo/tools";
    QTest::newRow("a folder where the entry should be")
        << QStringList{"usr/share/applications/vostrel-optimizer.desktop/", "usr/bin/"} << "" << "usr/bin" << "cfg"
        << "usr/bin";
}

void TestProgramDir::chosenFolder()
{
    QFETCH(QStringList, files);
    QFETCH(QString, home);
    QFETCH(QString, executableDir);
    QFETCH(QString, configHome);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString root = dir.path();
    layOut(root, files);

    const ProgramPlaces places{
        .home = under(root, home),
        .executableDir = under(root, executableDir),
        // A relative XDG_CONFIG_HOME stays relative: the rule must not resolve it.
        .configHome = configHome.startsWith(u"relative") ? configHome : under(root, configHome),
        .userHome = under(root, QStringLiteral("user")),
    };
    QCOMPARE(settingsFolder(places), under(root, expected));
}

void TestProgramDir::environmentReachesTheChoice()
{
    QTemporaryDir dir;
    qputenv("VOSTREL_HOME", dir.path().toUtf8());
    QCOMPARE(programFile(QStringLiteral("jwcw.ini")), QDir(dir.path()).filePath(QStringLiteral("jwcw.ini")));
    // The test runs from the build folder: without VOSTREL_HOME its own folder is the answer.
    qunsetenv("VOSTREL_HOME");
    QCOMPARE(programDirectory(), QCoreApplication::applicationDirPath());
}

QTEST_GUILESS_MAIN(TestProgramDir)
#include "test_program_dir.moc"
