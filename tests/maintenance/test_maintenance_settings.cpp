#include "maintenance/maintenance_settings.h"
#include "platform/ini_profile.h"

#include <QStringEncoder>
#include <QTest>

namespace {
// Each entry as its fields joined by "|", the lists one after another under their prefixes.
QStringList flat(const IniProfile& file)
{
    QStringList out;
    const IndexLists indexes = ReadIndexLists(file);
    const DefaultLists defaults = ReadDefaultLists(file);
    for (const auto& [name, list] : {std::pair{"BB", indexes.BBIndexes}, std::pair{"HZ", indexes.HZIndexes}})
        for (const TIndexInfo& e : list)
            out << QString::fromLatin1(name) + ':' + QStringList{e.IndexType, e.IndexName, e.TableName, e.Columns}.join('|');
    for (const auto& [name, list] : {std::pair{"DefBB", defaults.BBDefaults}, std::pair{"DefHZ", defaults.HZDefaults}})
        for (const TDefaultInfo& e : list)
            out << QString::fromLatin1(name) + ':' + QStringList{e.TableName, e.Column, e.DefVal}.join('|');
    for (const QString& name : ReadControlNames(file))
        out << "OCX:" + name;
    return out;
}
}

class TestMaintenanceSettings : public QObject {
    Q_OBJECT
private slots:
    void lists_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("missing or empty file: nothing, the caller's built-in list") << QByteArray() << QStringList();
        QTest::newRow("keys in any case, blanks dropped")
            << QByteArray("[BB1]\r\nIndexType = unique \r\nindexname=IX_A\r\nTABLENAME=KRBBZD\r\nColumns= (BBZD_BH)\r\n")
            << QStringList{"BB:unique|IX_A|KRBBZD|(BBZD_BH)"};
        QTest::newRow("BB1 and BB3: count 2, BB2 empty, BB3 unread")
            << QByteArray("[BB1]\nIndexName=I1\n[BB3]\nIndexName=I3\n") << QStringList{"BB:|I1||", "BB:|||"};
        QTest::newRow("BBX and HZTMP raise the counts")
            << QByteArray("[BB1]\nIndexName=I1\n[BBX]\n[HZTMP]\n[HZ1]\nIndexName=H\n")
            << QStringList{"BB:|I1||", "BB:|||", "HZ:|H||", "HZ:|||"};
        QTest::newRow("bb1 not counted, yet found when BB1 is read")
            << QByteArray("[bb1]\nIndexName=lower\n[BB2]\nIndexName=I2\n") << QStringList{"BB:|lower||"};
        QTest::newRow("DefBB1 and DefHZ1 are default entries only, defbb1 none")
            << QByteArray("[DefBB1]\nTableName=KRDYZD\nColumn=DYZD_DATA\nDefVal=0\n[DefHZ1]\nColumn=C\n[HZ1]\n[defbb2]\n")
            << QStringList{"HZ:|||", "DefBB:KRDYZD|DYZD_DATA|0", "DefHZ:|C|"};
        // One pair of enclosing quotes is dropped, as the report system's reader does.
        QTest::newRow("DefVal='' is empty, DefVal=\"''\" is ''")
            << QByteArray("[DefBB1]\nDefVal=''\n[DefBB2]\nDefVal=\"''\"\n") << QStringList{"DefBB:||", "DefBB:||''"};
        QTest::newRow("OCX1 without a name") << QByteArray("[OCX1]\nOther=x\n") << QStringList{"OCX:TTF16.ocx"};
        QTest::newRow("OCX1 and OCX3: OCX2 missing gives TTF16.ocx")
            << QByteArray("[OCX1]\nOCXName=a.ocx\n[OCX3]\nOCXName=c.ocx\n") << QStringList{"OCX:a.ocx", "OCX:TTF16.ocx"};
        QTest::newRow("GBK file")
            << QByteArray(QStringEncoder("GB18030").encode(
                   QStringLiteral("; 索引\r\n[BB1]\r\nIndexName=索引一\r\n[OCX1]\r\nOCXName=控件.ocx\r\n")))
            << QStringList{QStringLiteral("BB:|索引一||"), QStringLiteral("OCX:控件.ocx")};
    }
    void lists()
    {
        QFETCH(QByteArray, file);
        QTEST(flat(IniProfile::fromBytes(file)), "expected");
    }
};

QTEST_GUILESS_MAIN(TestMaintenanceSettings)
#include "test_maintenance_settings.moc"
