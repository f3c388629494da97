#include "maintenance/maintenance_settings.h"
#include "platform/ini_profile.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {
// One entry as its fields joined by "|".
QStringList flat(const QList<TIndexInfo>& list)
{
    QStringList out;
    for (const TIndexInfo& e : list)
        out << QStringList{e.IndexType, e.IndexName, e.TableName, e.Columns}.join(QLatin1Char('|'));
    return out;
}
QStringList flat(const QList<TDefaultInfo>& list)
{
    QStringList out;
    for (const TDefaultInfo& e : list)
        out << QStringList{e.TableName, e.Column, e.DefVal}.join(QLatin1Char('|'));
    return out;
}
QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}
}

class TestMaintenanceSettings : public QObject {
    Q_OBJECT
private slots:
    void lists_data();
    void lists();
    void fileInTheProgramDirectory();
};

void TestMaintenanceSettings::lists_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("bb");
    QTest::addColumn<QStringList>("hz");
    QTest::addColumn<QStringList>("defBB");
    QTest::addColumn<QStringList>("defHZ");
    QTest::addColumn<QStringList>("ocx");
    const QStringList none;
    const QStringList builtIn; // an empty control list: the caller's built-in list applies

    QTest::newRow("empty file") << QByteArray() << none << none << none << none << builtIn;
    QTest::newRow("all keys, blanks around values dropped")
        << QByteArray("[BB1]\r\nIndexType = unique \r\nIndexName=IX_KRBBZD\r\nTableName=KRBBZD\r\n"
                      "Columns=(BBZD_BH,BBZD_DATE)\r\n[HZ1]\r\nindexname=IX_HZDWSJ\r\nTABLENAME=HZDWSJ\r\n"
                      "Columns= (DYZD_BH)\r\n")
        << QStringList{"unique|IX_KRBBZD|KRBBZD|(BBZD_BH,BBZD_DATE)"} << QStringList{"|IX_HZDWSJ|HZDWSJ|(DYZD_BH)"}
        << none << none << builtIn;
    QTest::newRow("gap in numbering: BB1 and BB3 give BB1 and an empty BB2")
        << QByteArray("[BB1]\nIndexName=I1\n[BB3]\nIndexName=I3\n") << QStringList{"|I1||", "|||"} << none << none
        << none << builtIn;
    QTest::newRow("BBX raises the count without an entry of its own")
        << QByteArray("[BB1]\nIndexName=I1\n[BBX]\nIndexName=IX\n[BB2]\nIndexName=I2\n")
        << QStringList{"|I1||", "|I2||", "|||"} << none << none << none << builtIn;
    QTest::newRow("bb1 is not counted, yet found when BB1 is read")
        << QByteArray("[bb1]\nIndexName=lower\n[BB2]\nIndexName=I2\n") << QStringList{"|lower||"} << none << none
        << none << builtIn;
    QTest::newRow("DefBB1 and DefHZ1 are not index entries, BB and HZ not default entries")
        << QByteArray("[DefBB1]\nTableName=KRDYZD\nColumn=DYZD_DATA\nDefVal=0\n[DefHZ1]\nTableName=HZDWSJ\n"
                      "Column=DYZD_SJ\nDefVal=\"''\"\n[HZ1]\nIndexName=IX_HZ\n")
        << none << QStringList{"|IX_HZ||"} << QStringList{"KRDYZD|DYZD_DATA|0"} << QStringList{"HZDWSJ|DYZD_SJ|''"}
        << builtIn;
    // As the report system's reader does it: one pair of enclosing quotes is dropped.
    QTest::newRow("DefVal='' is empty, DefVal=\"''\" is ''")
        << QByteArray("[DefBB1]\nDefVal=''\n[DefBB2]\nDefVal=\"''\"\n[DefBB3]\nDefVal='x' \n") << none << none
        << QStringList{"||", "||''", "||x"} << none << builtIn;
    QTest::newRow("defbb1 is not counted, DefBBX is")
        << QByteArray("[defbb1]\nColumn=C\n[DefBBX]\nColumn=X\n") << none << none << QStringList{"|C|"} << none
        << builtIn;
    QTest::newRow("OCX1 without a name gives TTF16.ocx")
        << QByteArray("[OCX1]\nOther=x.ocx\n") << none << none << none << none << QStringList{"TTF16.ocx"};
    QTest::newRow("OCX1 and OCX3: the missing OCX2 gives TTF16.ocx, OCX3 is not read")
        << QByteArray("[OCX1]\nOCXName=a.ocx\n[OCX3]\nOCXName=c.ocx\n") << none << none << none << none
        << QStringList{"a.ocx", "TTF16.ocx"};
    QTest::newRow("HZ-prefixed names of any kind count for the report-summary list")
        << QByteArray("[HZTMP]\n[HZ1]\nIndexName=A\n") << none << QStringList{"|A||", "|||"} << none << none
        << builtIn;
    QTest::newRow("GBK file")
        << gbk(QStringLiteral("; 报表索引\r\n[BB1]\r\nIndexName=索引一\r\nTableName=KRBBZD\r\n[OCX1]\r\nOCXName=控件.ocx\r\n"))
        << QStringList{QStringLiteral("|索引一|KRBBZD|")} << none << none << none << QStringList{QStringLiteral("控件.ocx")};
}

void TestMaintenanceSettings::lists()
{
    QFETCH(QByteArray, file);
    const IniProfile profile = IniProfile::fromBytes(file);
    const IndexLists indexes = ReadIndexLists(profile);
    const DefaultLists defaults = ReadDefaultLists(profile);
    QTEST(flat(indexes.BBIndexes), "bb");
    QTEST(flat(indexes.HZIndexes), "hz");
    QTEST(flat(defaults.BBDefaults), "defBB");
    QTEST(flat(defaults.HZDefaults), "defHZ");
    QTEST(ReadControlNames(profile), "ocx");
}

void TestMaintenanceSettings::fileInTheProgramDirectory()
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("VOSTREL_HOME");
    qputenv("VOSTREL_HOME", QFile::encodeName(dir.path()));

    // No file: every list is empty.
    QVERIFY(ReadIndexLists().BBIndexes.isEmpty());
    QVERIFY(ReadDefaultLists().HZDefaults.isEmpty());
    QVERIFY(ReadControlNames().isEmpty());

    QFile f(dir.filePath(QStringLiteral("Kolvarin.ini")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(gbk(QStringLiteral("[HZ1]\r\nIndexName=汇总\r\n[DefBB1]\r\nTableName=KRLZD\r\n[OCX1]\r\nOCXName=a b.ocx\r\n")));
    f.close();
    QCOMPARE(maintenanceSettingsPath(), dir.filePath(QStringLiteral("Kolvarin.ini")));
    QCOMPARE(flat(ReadIndexLists().HZIndexes), QStringList{QStringLiteral("|汇总||")});
    QCOMPARE(flat(ReadDefaultLists().BBDefaults), QStringList{QStringLiteral("KRLZD||")});
    QCOMPARE(ReadControlNames(), QStringList{QStringLiteral("a b.ocx")});
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(gbk(QStringLiteral("[HZ1]\r\nIndexName=汇总\r\n[DefBB1]\r\nTableName=KRLZD\r\n[OCX1]\r\nOCXName=a b.ocx\r\n")),
        f.readAll()); // read, never written

    qputenv("VOSTREL_HOME", saved);
}

QTEST_GUILESS_MAIN(TestMaintenanceSettings)
#include "test_maintenance_settings.moc"
