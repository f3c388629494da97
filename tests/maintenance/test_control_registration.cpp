#include "data_module/end_year_data_mod.h"
#include "data_module/engine_config.h"
#include "data_module/recording_backend.h"
#include "maintenance/control_registration.h"
#include "maintenance/ui/reg_ocx_form.h"
#include "support/job_rig.h"
#include "support/scripted_prompts.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {
// VOSTREL_HOME on a folder of the test's own while the object lives.
struct ProgramFolder {
    QTemporaryDir dir;
    QByteArray saved = qgetenv("VOSTREL_HOME");
    ProgramFolder() { qputenv("VOSTREL_HOME", QFile::encodeName(dir.path())); }
    ~ProgramFolder() { qputenv("VOSTREL_HOME", saved); }
    QString path() const { return dir.path(); }
    void writeKolvarin(const QByteArray& text) const
    {
        QFile f(QDir(dir.path()).filePath(QStringLiteral("Kolvarin.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
};

struct Call {
    QString program;
    QStringList arguments;
};

QStringList paths(const QString& folder, const QStringList& names)
{
    QStringList out;
    for (const QString& n : names)
        out << folder + n;
    return out;
}

const QStringList kBuiltIn{"DBClient.dll", "STDVCL40.dll", "TTF16.ocx", "TTFi6.ocx", "Gif89.dll", "oleaut32.dll",
    "cell32.ocx", "vcfi32.ocx"};
}

class TestControlRegistration : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void standInProgramOnThePath();
    void programThatCannotStart();
    void siteCommandFromEngineSettings();
    void window();
};

void TestControlRegistration::commands_data()
{
    QTest::addColumn<QString>("dirEdit");
    QTest::addColumn<QByteArray>("kolvarin");
    QTest::addColumn<QString>("folder");   // "<home>" for the program's directory
    QTest::addColumn<QStringList>("names");

    QTest::newRow("DirEdit empty, no settings file: the program's folder, the built-in list")
        << QString() << QByteArray() << "<home>/" << kBuiltIn;
    QTest::newRow("a folder without a trailing separator gets one")
        << "/opt/ocx" << QByteArray() << "/opt/ocx/" << kBuiltIn;
    QTest::newRow("a folder with one gets none more") << "/opt/ocx/" << QByteArray() << "/opt/ocx/" << kBuiltIn;
    QTest::newRow("OCX1 and OCX2 only: exactly two, the built-in list unused")
        << "/opt/ocx" << QByteArray("[OCX1]\r\nOCXName=A.ocx\r\n[OCX2]\r\nOCXName=B.dll\r\n") << "/opt/ocx/"
        << QStringList{"A.ocx", "B.dll"};
    QTest::newRow("OCX1 without a name") << "/x" << QByteArray("[OCX1]\r\n") << "/x/" << QStringList{"TTF16.ocx"};
    QTest::newRow("sections of other lists only: the built-in list")
        << "/x" << QByteArray("[BB1]\r\nIndexName=I\r\n[ocx1]\r\nOCXName=A.ocx\r\n") << "/x/" << kBuiltIn;
}

void TestControlRegistration::commands()
{
    QFETCH(QString, dirEdit);
    QFETCH(QByteArray, kolvarin);
    QFETCH(QString, folder);
    QFETCH(QStringList, names);

    ProgramFolder home;
    if (!kolvarin.isEmpty())
        home.writeKolvarin(kolvarin);
    folder.replace(QStringLiteral("<home>"), home.path());
    ScriptedPrompts prompts;
    TEndYearDataMod dm{std::make_unique<RecordingBackend>()};
    NullEvents events;
    QList<Call> calls;
    ControlRegistrationJob(testJobContext(dm, events), {.folder = dirEdit},
        [&calls](const QString& program, const QStringList& arguments) {
            calls.append({program, arguments});
            return true;
        })
        .run();

    QStringList files;
    for (const Call& c : calls) {
        QCOMPARE(c.program, QStringLiteral("regsvr32"));
        QCOMPARE(c.arguments.size(), 2);
        QCOMPARE(c.arguments.at(0), QStringLiteral("/s"));
        files << c.arguments.at(1);
    }
    QCOMPARE(files, paths(folder, names));
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("注册完成!")});
    QCOMPARE(prompts.boxes.at(0).buttons, PromptButtons::Ok);
    // No database is touched.
    QVERIFY(static_cast<RecordingBackend&>(dm.mast.backend()).statements().isEmpty());
}

void TestControlRegistration::standInProgramOnThePath()
{
    // A regsvr32 of our own on the PATH writes its arguments, one per line, to a file per call.
    QTemporaryDir bin;
    const QString calls = QDir(bin.path()).filePath(QStringLiteral("calls"));
    QVERIFY(QDir().mkpath(calls));
    const QString script = QDir(bin.path()).filePath(QStringLiteral("regsvr32"));
    {
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"%1/call.$$.tmp\" && mv \"%1/call.$$.tmp\" \"%1/call.$$\"\n")
                    .arg(calls)
                    .toUtf8());
    }
    QVERIFY(QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner));
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + savedPath);

    ProgramFolder home;
    home.writeKolvarin("[OCX1]\r\nOCXName=Cell 32.ocx\r\n[OCX2]\r\nOCXName=TTF16.ocx\r\n");
    const QString folder = QDir(home.path()).filePath(QStringLiteral("控件 目录"));
    ScriptedPrompts prompts;
    TEndYearDataMod dm{std::make_unique<RecordingBackend>()};
    NullEvents events;
    ControlRegistrationJob(testJobContext(dm, events), {.folder = folder}).run();
    qputenv("PATH", savedPath);

    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("注册完成!")});
    // Not waited for: the calls arrive when they arrive.
    QDir callDir(calls);
    QTRY_COMPARE_WITH_TIMEOUT(callDir.entryList({QStringLiteral("call.*[0-9]")}, QDir::Files).size(), 2, 20000);
    QStringList received;
    for (const QString& name : callDir.entryList({QStringLiteral("call.*[0-9]")}, QDir::Files)) {
        QFile f(callDir.filePath(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        received << QString::fromUtf8(f.readAll());
    }
    received.sort();
    // The folder with blanks and the file name with a blank stay one argument.
    QStringList expected{"/s\n" + folder + "/Cell 32.ocx\n", "/s\n" + folder + "/TTF16.ocx\n"};
    expected.sort();
    QCOMPARE(received, expected);
}

void TestControlRegistration::programThatCannotStart()
{
    ProgramFolder home;
    home.writeKolvarin("[OCX1]\r\nOCXName=A.ocx\r\n[OCX2]\r\nOCXName=B.ocx\r\n");
    ScriptedPrompts prompts;
    TEndYearDataMod dm{std::make_unique<RecordingBackend>()};
    NullEvents events;
    ControlRegistrationJob(testJobContext(dm, events),
        {.folder = QStringLiteral("/opt/ocx"), .registerCommand = QStringLiteral("vostrel-no-such-registrar")})
        .run();
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral(
        "注册程序vostrel-no-such-registrar未能启动，以下文件未注册:\n/opt/ocx/A.ocx\n/opt/ocx/B.ocx")});
    QCOMPARE(prompts.boxes.at(0).caption, QStringLiteral("提示"));
    QCOMPARE(prompts.boxes.at(0).icon, PromptIcon::Warning);

    // Only the files whose start failed are named.
    ScriptedPrompts again;
    ControlRegistrationJob(testJobContext(dm, events), {.folder = QStringLiteral("/opt/ocx")},
        [](const QString&, const QStringList& arguments) { return !arguments.last().endsWith("B.ocx"); })
        .run();
    QCOMPARE(again.texts(), QStringList{QStringLiteral("注册程序regsvr32未能启动，以下文件未注册:\n/opt/ocx/B.ocx")});
}

void TestControlRegistration::siteCommandFromEngineSettings()
{
    QCOMPARE(EngineConfig::fromText({}).registerCommand(), QStringLiteral("regsvr32"));
    const EngineConfig config = EngineConfig::fromText(
        QStringLiteral("[MSSQL]\nRegisterCommand=ignored\n[engine]\nRegisterCommand=\"/opt/wine tools/wine\" regsvr32\n"));
    QCOMPARE(config.registerCommand(), QStringLiteral("\"/opt/wine tools/wine\" regsvr32"));
    const auto c = ControlRegistrationJob::command(config.registerCommand(), QStringLiteral("/a b/TTF16.ocx"));
    QCOMPARE(c.program, QStringLiteral("/opt/wine tools/wine"));
    QCOMPARE(c.arguments, (QStringList{"regsvr32", "/s", "/a b/TTF16.ocx"}));

    // From engine.ini of the program's directory when the window names none.
    ProgramFolder home;
    QFile f(QDir(home.path()).filePath(QStringLiteral("engine.ini")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[engine]\nRegisterCommand=wine regsvr32\n");
    f.close();
    ScriptedPrompts prompts;
    TEndYearDataMod dm{std::make_unique<RecordingBackend>()};
    NullEvents events;
    QList<Call> calls;
    ControlRegistrationJob(testJobContext(dm, events), {.folder = QStringLiteral("/x")},
        [&calls](const QString& program, const QStringList& arguments) {
            calls.append({program, arguments});
            return true;
        })
        .run();
    QCOMPARE(calls.size(), 8);
    QCOMPARE(calls.first().program, QStringLiteral("wine"));
    QCOMPARE(calls.first().arguments, (QStringList{"regsvr32", "/s", "/x/DBClient.dll"}));
}

void TestControlRegistration::window()
{
    TEndYearDataMod dm{std::make_unique<RecordingBackend>()};
    ScriptedPrompts prompts;
    TRegOCXForm form(dm);
    QCOMPARE(form.windowTitle(), QStringLiteral("控件注册"));
    QCOMPARE(form.Memo1->toPlainText().split('\n'),
        (QStringList{"    控件注册用来解决报表系统登录时或打开报表", "时提示'未知界面'、'找不到指定模块'等问题。",
            "    系统将自动对DBClient.dll、STDVCL40.dll、", "TTF16.ocx、TTFi6.ocx、Gif89.dll、CELL32.ocx、",
            "oleaut32.dll进行注册。"}));
    QCOMPARE(form.Memo2->toPlainText().split('\n'),
        (QStringList{"    如果注册后问题仍然存在，可能是由于上述", "文件不在管理软件目录下，请选择文件所在文", "件夹后重新注册。"}));
    QVERIFY(form.Memo1->isReadOnly());
    QCOMPARE(form.RegBtn->text(), QStringLiteral("注册"));
    QVERIFY(form.RegBtn->isDefault());
    QCOMPARE(form.CloseBtn->text(), QStringLiteral("关闭"));
    QCOMPARE(form.Button1->text(), QStringLiteral("..."));
    QCOMPARE(form.Label1->text(), QStringLiteral("选择文件夹"));
    QVERIFY(form.DirEdit->text().isEmpty());

    // Cancelled: DirEdit keeps what was typed. Chosen: the folder replaces it.
    QTemporaryDir chosen;
    form.DirEdit->setText(QStringLiteral("typed"));
    prompts.folders.enqueue(QString());
    form.Button1->click();
    QCOMPARE(form.DirEdit->text(), QStringLiteral("typed"));
    prompts.folders.enqueue(chosen.path());
    form.Button1->click();
    QCOMPARE(form.DirEdit->text(), chosen.path());
}

QTEST_MAIN(TestControlRegistration)
#include "test_control_registration.moc"
