#include "data_module/engine_config.h"
#include "support/recording_backend.h"
#include "maintenance/control_registration.h"
#include "maintenance/ui/reg_ocx_form.h"
#include "support/job_rig.h"
#include "support/scripted_prompts.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The program's folder (VOSTREL_HOME) of the test's own, with its settings files.
struct ProgramFolder {
    QTemporaryDir dir;
    QByteArray saved = qgetenv("VOSTREL_HOME");
    ProgramFolder() { qputenv("VOSTREL_HOME", QFile::encodeName(dir.path())); }
    ~ProgramFolder() { qputenv("VOSTREL_HOME", saved); }
    void write(const QString& name, const QByteArray& text) const
    {
        QFile f(QDir(dir.path()).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
};

// Runs the job; returns each start it asked for as "program|arg|arg".
QStringList register_(const ControlRegistrationOptions& options)
{
    TEndYearDataMod dm{std::make_unique<RecordingBackend>()};
    NullEvents events;
    QStringList calls;
    ControlRegistrationJob(testJobContext(dm, events), options, [&](const QString& program, const QStringList& args) {
        calls << (QStringList{program} + args).join('|');
        return true;
    }).run();
    return calls;
}

const QStringList kBuiltIn{"DBClient.dll", "STDVCL40.dll", "TTF16.ocx", "TTFi6.ocx", "Gif89.dll", "oleaut32.dll",
    "cell32.ocx", "vcfi32.ocx"};
}

class TestControlRegistration : public QObject {
    Q_OBJECT
private slots:
    void commands_data()
    {
        QTest::addColumn<QString>("dirEdit");
        QTest::addColumn<QByteArray>("kolvarin");
        QTest::addColumn<QByteArray>("engine");
        QTest::addColumn<QString>("head");    // program and arguments before the path
        QTest::addColumn<QString>("folder");  // <home>: the program's folder
        QTest::addColumn<QStringList>("names");
        QTest::newRow("DirEdit empty, no settings: the program's folder, the built-in list")
            << "" << QByteArray() << QByteArray() << "regsvr32|/s|" << "<home>/" << kBuiltIn;
        QTest::newRow("a separator added once")
            << "/opt/ocx" << QByteArray() << QByteArray() << "regsvr32|/s|" << "/opt/ocx/" << kBuiltIn;
        QTest::newRow("OCX1 and OCX2 only, a folder ending in its separator")
            << "/opt/ocx/" << QByteArray("[OCX1]\r\nOCXName=A.ocx\r\n[OCX2]\r\n") << QByteArray() << "regsvr32|/s|"
            << "/opt/ocx/" << QStringList{"A.ocx", "TTF16.ocx"};
        QTest::newRow("a site's command from engine.ini")
            << "/x" << QByteArray("[ocx1]\r\nOCXName=A.ocx\r\n")
            << QByteArray("[MSSQL]\nRegisterCommand=no\n[engine]\nRegisterCommand=\"/opt/my wine/wine\" regsvr32\n")
            << "/opt/my wine/wine|regsvr32|/s|" << "/x/" << kBuiltIn;
    }
    void commands()
    {
        QFETCH(QString, dirEdit);
        QFETCH(QByteArray, kolvarin);
        QFETCH(QByteArray, engine);
        QFETCH(QString, head);
        QFETCH(QString, folder);
        QFETCH(QStringList, names);
        ProgramFolder home;
        home.write("Kolvarin.ini", kolvarin);
        home.write("engine.ini", engine);
        ScriptedPrompts prompts;
        QStringList expected;
        for (const QString& n : names)
            expected << head + folder.replace("<home>", home.dir.path()) + n;
        QCOMPARE(register_({.folder = dirEdit}), expected);
        QCOMPARE(prompts.texts(), QStringList{"注册完成!"});
    }

    void standInProgramOnThePath()
    {
        // A regsvr32 of our own on the PATH writes its arguments, one per line, to a file per call.
        QTemporaryDir bin;
        const QString calls = QDir(bin.path()).filePath("calls"), script = QDir(bin.path()).filePath("regsvr32");
        QVERIFY(QDir().mkpath(calls));
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QString("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"%1/$$.tmp\" && mv \"%1/$$.tmp\" \"%1/$$.call\"\n").arg(calls).toUtf8());
        f.close();
        QVERIFY(f.setPermissions(f.permissions() | QFileDevice::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        ProgramFolder home;
        home.write("Kolvarin.ini", "[OCX1]\r\nOCXName=Cell 32.ocx\r\n[OCX2]\r\nOCXName=TTF16.ocx\r\n");
        const QString folder = QDir(home.dir.path()).filePath("控件 目录");
        ScriptedPrompts prompts;
        TEndYearDataMod dm{std::make_unique<RecordingBackend>()};
        NullEvents events;
        ControlRegistrationJob(testJobContext(dm, events), {.folder = folder}).run();
        qputenv("PATH", path);
        QCOMPARE(prompts.texts(), QStringList{"注册完成!"});

        // Not waited for: the calls arrive when they arrive, in any order.
        QDir dir(calls);
        QTRY_COMPARE_WITH_TIMEOUT(dir.entryList({"*.call"}).size(), 2, 20000);
        QStringList received;
        for (const QString& name : dir.entryList({"*.call"})) {
            QFile call(dir.filePath(name));
            QVERIFY(call.open(QIODevice::ReadOnly));
            received << QString::fromUtf8(call.readAll());
        }
        received.sort();
        // Folder and file name with blanks arrive as one argument.
        QCOMPARE(received, (QStringList{"/s\n" + folder + "/Cell 32.ocx\n", "/s\n" + folder + "/TTF16.ocx\n"}));
    }

    void programThatCannotStart()
    {
        ProgramFolder home;
        home.write("Kolvarin.ini", "[OCX1]\r\nOCXName=A.ocx\r\n[OCX2]\r\nOCXName=B.ocx\r\n");
        ScriptedPrompts prompts;
        TEndYearDataMod dm{std::make_unique<RecordingBackend>()};
        NullEvents events;
        ControlRegistrationJob(testJobContext(dm, events), {.folder = "/o", .registerCommand = "vostrel-no-such-program"})
            .run();
        QCOMPARE(prompts.texts(), QStringList{"注册程序vostrel-no-such-program未能启动，以下文件未注册:\n/o/A.ocx\n/o/B.ocx"});
        QCOMPARE(prompts.boxes.at(0).caption, QStringLiteral("提示"));
    }

    void window()
    {
        TEndYearDataMod dm{std::make_unique<RecordingBackend>()};
        ScriptedPrompts prompts;
        TRegOCXForm form(dm);
        // Cancelled: DirEdit keeps what was typed. Chosen: the folder replaces it.
        QTemporaryDir chosen;
        form.DirEdit->setText("typed");
        prompts.folders << QString() << chosen.path();
        form.Button1->click();
        QCOMPARE(form.DirEdit->text(), QStringLiteral("typed"));
        form.Button1->click();
        QCOMPARE(form.DirEdit->text(), chosen.path());
    }
};

QTEST_MAIN(TestControlRegistration)
#include "test_control_registration.moc"
