#include "platform/ini_profile.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GB18030");
    return encoder(text);
}
QByteArray utf8Bom(const QString& text) { return QByteArray("\xEF\xBB\xBF") + text.toUtf8(); }
}

class TestIniProfile : public QObject {
    Q_OBJECT
private slots:
    void values_data();
    void values();
    void sectionsInFileOrder_data();
    void sectionsInFileOrder();
    void missingFileHasNoSections();
    void overLongLineIsCut();
};

void TestIniProfile::values_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString jwcw = QStringLiteral("[sqlca1]\r\nDBMS=ODBC\r\nztname=总部\r\n[BBLAST]\r\nztbh=1\r\n");
    QTest::newRow("gbk") << gbk(jwcw) << "sqlca1" << "ztname" << QStringLiteral("总部");
    QTest::newRow("utf-8 with bom") << utf8Bom(jwcw) << "sqlca1" << "ztname" << QStringLiteral("总部");
    QTest::newRow("utf-8 without bom") << jwcw.toUtf8() << "sqlca1" << "ztname" << QStringLiteral("总部");
    QTest::newRow("bom does not join the first section name") << utf8Bom(jwcw) << "SQLCA1" << "dbms" << "ODBC";
    QTest::newRow("section and key without regard to case")
        << QByteArray("[SqlCa12]\nDataBase=demo\n") << "sqlca12" << "DATABASE" << "demo";
    QTest::newRow("blanks around value and key dropped")
        << QByteArray("[a]\n  ServerName  =   srv one   \n") << "a" << "servername" << "srv one";
    QTest::newRow("blanks around section name dropped") << QByteArray("[ sqlca3 ]\nk=v\n") << "sqlca3" << "k" << "v";
    QTest::newRow("enclosing quotes dropped") << QByteArray("[a]\nk=\" x \"\n") << "a" << "k" << " x ";
    QTest::newRow("single quote kept") << QByteArray("[a]\nk='x\n") << "a" << "k" << "'x";
    QTest::newRow("value with equals sign") << QByteArray("[a]\nk=x=y\n") << "a" << "k" << "x=y";
    QTest::newRow("empty value") << QByteArray("[a]\nk=\n") << "a" << "k" << "";
    QTest::newRow("first of two keys") << QByteArray("[a]\nk=1\nK=2\n") << "a" << "k" << "1";
    QTest::newRow("repeated section adds keys") << QByteArray("[a]\nx=1\n[b]\n[A]\ny=2\n") << "a" << "y" << "2";
    QTest::newRow("missing key gives fallback") << QByteArray("[a]\nk=1\n") << "a" << "other" << "<fallback>";
    QTest::newRow("missing section gives fallback") << QByteArray("[a]\nk=1\n") << "b" << "k" << "<fallback>";
    QTest::newRow("key before any section ignored") << QByteArray("k=1\n[a]\n") << "a" << "k" << "<fallback>";
    QTest::newRow("key without equals sign has no value")
        << QByteArray("[a]\njustakey\nk=1\n") << "a" << "justakey" << "<fallback>";
    QTest::newRow("comment line") << QByteArray("[a]\n;k=1\nk=2\n") << "a" << "k" << "2";
    QTest::newRow("unclosed section header leaves keys where they were")
        << QByteArray("[a]\n[broken\nk=1\n") << "a" << "k" << "1";
    QTest::newRow("old mac line ends") << QByteArray("[a]\rk=1\rj=2\r") << "a" << "j" << "2";
    QTest::newRow("truncated without line end") << QByteArray("[a]\nDBMS=ODB") << "a" << "DBMS" << "ODB";
    QTest::newRow("truncated inside a gbk character keeps earlier values")
        << gbk(QStringLiteral("[a]\nk=1\nztname=总")).chopped(1) << "a" << "k" << "1";
    QTest::newRow("nul bytes") << QByteArray("[a]\nk=1\0\0\nj=2\n", 15) << "a" << "j" << "2";
}

void TestIniProfile::values()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const IniProfile ini = IniProfile::fromBytes(content);
    QCOMPARE(ini.value(section, key, QStringLiteral("<fallback>")), expected);
}

void TestIniProfile::sectionsInFileOrder_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("file order, not sorted")
        << QByteArray("[sqlca12]\n[BBLAST]\n[sqlca1]\n") << QStringList{"sqlca12", "BBLAST", "sqlca1"};
    QTest::newRow("repeated name listed once") << QByteArray("[a]\n[b]\n[A]\n") << QStringList{"a", "b"};
    QTest::newRow("gbk section name") << gbk(QStringLiteral("[帐套]\nk=v\n")) << QStringList{QStringLiteral("帐套")};
    QTest::newRow("unclosed header is no section") << QByteArray("[a]\n[b\n[c]\n") << QStringList{"a", "c"};
    QTest::newRow("text after the bracket") << QByteArray("[a] tail\n") << QStringList{"a"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 151 + 7) % 256));
    QTest::newRow("binary bytes give no crash")
        << binary + QByteArray("\n\n[z]\nk=v\n") << QStringList{"z"};
}

void TestIniProfile::sectionsInFileOrder()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    const QStringList got = IniProfile::fromBytes(content).sections();
    // A binary prefix may decode into something that looks like a header; only the
    // sections named in the expectation are required, in their order, at the end.
    if (QByteArray(QTest::currentDataTag()).startsWith("binary")) {
        QVERIFY(got.size() >= expected.size());
        QCOMPARE(got.mid(got.size() - expected.size()), expected);
        return;
    }
    QCOMPARE(got, expected);
}

void TestIniProfile::missingFileHasNoSections()
{
    QTemporaryDir dir;
    const IniProfile ini = IniProfile::load(dir.filePath(QStringLiteral("jwcw.ini")));
    QVERIFY(ini.sections().isEmpty());
    QCOMPARE(ini.value(QStringLiteral("BBLAST"), QStringLiteral("user"), QStringLiteral("x")), QStringLiteral("x"));
}


void TestIniProfile::overLongLineIsCut()
{
    QByteArray content("[a]\nlong=");
    content.append(QByteArray(IniProfile::MaxLine * 3, 'x'));
    content.append("\n[b]\nk=v\n");
    const IniProfile ini = IniProfile::fromBytes(content);
    QCOMPARE(ini.sections(), (QStringList{"a", "b"}));
    QCOMPARE(ini.value(QStringLiteral("b"), QStringLiteral("k")), QStringLiteral("v"));
    QCOMPARE(ini.value(QStringLiteral("a"), QStringLiteral("long")).size(), IniProfile::MaxLine - 5);
}

QTEST_GUILESS_MAIN(TestIniProfile)
#include "test_ini_profile.moc"
