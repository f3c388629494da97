// Report-table layouts, table creation and row insertion on a direct SQLite connection.
#include "demo_builder.h"

#include <QAtomicInt>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace demo {

namespace {
const QString V8 = QStringLiteral("varchar(8)");
const QString V9 = QStringLiteral("varchar(9)");
const QString V1 = QStringLiteral("varchar(1)");
const QString V11 = QStringLiteral("varchar(11)");
const QString V60 = QStringLiteral("varchar(60)");
const QString V255 = QStringLiteral("varchar(255)");
const QString INT = QStringLiteral("int");
const QString NUM = QStringLiteral("numeric");

QList<Column> bbzdColumns()
{
    return {{"BBZD_BH", V8}, {"BBZD_DATE", V8}, {"BBZD_MC", V60}, {"BBZD_TITLE", INT},
        {"BBZD_HEAD", INT}, {"BBZD_BT", INT}, {"BBZD_HS", INT}, {"BBZD_LS", INT},
        {"BBZD_ORDE", V9}, {"BBZD_SBBH", V8}, {"BBZD_FCBZ", V1}, {"BBZD_NB", V1},
        {"BBZD_XF", V1}, {"BBZD_SBXZ", V1}, {"TZZD_ORDE", V9}, {"BBZD_LX", V1},
        {"BBZD_USE", INT}, {"BBZD_GS", QStringLiteral("blob")}};
}

QList<Column> dyzdColumns(bool extended)
{
    QList<Column> c{{"BBZD_BH", V8}, {"BBZD_DATE", V8}, {"DYZD_ORDE", V9}, {"HZD_ORDE", V9},
        {"LZD_ORDE", V9}, {"H_BZBM", V11}, {"L_BZBM", V11}, {"DYZD_LX", V1}, {"DYZD_DEC", INT},
        {"DYZD_SJ", V255}, {"DYZD_DATA", NUM}, {"DYZD_SFTZ", V1}, {"DYZD_SFBH", V1},
        {"DYZD_HOFFSET", INT}, {"DYZD_LOFFSET", INT}, {"DYZD_GSX", V255}, {"DYZD_GSX1", V255},
        {"DYZD_GSBZ", V1}, {"DYZD_GSJB", INT}};
    if (extended)
        c << Column{"DYZD_GSX2", V255} << Column{"DYZD_GSX3", V255};
    return c;
}

QList<Column> unitDataColumns(const QString& first, const QString& firstType)
{
    return {{first, firstType}, {"BBZD_BH", V8}, {"BBZD_DATE", V8}, {"HZD_ORDE", V9},
        {"LZD_ORDE", V9}, {"H_BZBM", V11}, {"L_BZBM", V11},
        {"DYZD_SJ", QStringLiteral("varchar(128)")}, {"DYZD_DATA", NUM}};
}

QList<Column> bbexColumns()
{
    QList<Column> c{{"BBZD_BH", V8}, {"BBZD_DATE", V8}, {"BBEX_EXC1", V1}, {"BBEX_EXC2", V1}};
    for (int i = 3; i <= 10; ++i)
        c << Column{QStringLiteral("BBEX_EXC%1").arg(i), QStringLiteral("varchar(20)")};
    for (int i = 1; i <= 4; ++i)
        c << Column{QStringLiteral("BBEX_EXI%1").arg(i), INT};
    for (int i = 1; i <= 4; ++i)
        c << Column{QStringLiteral("BBEX_EXN%1").arg(i), QStringLiteral("float")};
    return c;
}

QString connectionSerial()
{
    static QAtomicInt serial;
    return QString::number(serial.fetchAndAddRelaxed(1) + 1);
}

QString errorText(const QSqlError& e)
{
    const QString d = e.databaseText().trimmed();
    return d.isEmpty() ? e.text().trimmed() : d;
}
} // namespace

QStringList reportBases(const QString& prefix)
{
    QStringList b{"BBZD", "BBGS", "HZD", "LZD", "DYZD", "JYGS", "BBEX"};
    if (prefix == QLatin1String("HZ"))
        b << "DWSJ" << "HZSJ" << "DWBB" << "DWZD" << "LBZD";
    return b;
}

QList<Column> reportColumns(const QString& prefix, const QString& base, bool extendedFormulas)
{
    Q_UNUSED(prefix);
    if (base == QLatin1String("BBZD"))
        return bbzdColumns();
    if (base == QLatin1String("BBGS"))
        return {{"BBZD_BH", V8}, {"BBZD_DATE", V8}, {"BBZD_XH", INT}, {"BBZD_GS", QStringLiteral("blob")}};
    if (base == QLatin1String("HZD"))
        return {{"BBZD_BH", V8}, {"BBZD_DATE", V8}, {"HZD_ORDE", V9}, {"HZD_ZB", INT}, {"BZBM_BM", V11}};
    if (base == QLatin1String("LZD"))
        return {{"BBZD_BH", V8}, {"BBZD_DATE", V8}, {"LZD_ORDE", V9}, {"LZD_ZB", INT},
            {"BZBM_BM", V11}, {"LZD_MC", V60}, {"LZD_SZ", V1}, {"LZD_HZ", V1}, {"LZD_TZ", V1},
            {"LZD_XM", V1}};
    if (base == QLatin1String("DYZD"))
        return dyzdColumns(extendedFormulas);
    if (base == QLatin1String("JYGS")) {
        QList<Column> c{{"BBZD_BH", V8}, {"BBZD_DATE", V8}, {"JYGS_ORDE", INT}, {"HZD_ORDE", V9},
            {"LZD_ORDE", V9}, {"JYGS_HOFFSET", INT}, {"JYGS_LOFFSET", INT},
            {"JYGS_GX", QStringLiteral("varchar(2)")}, {"JYGS_EXP", V255}, {"JYGS_EXP1", V255},
            {"JYGS_SM", V60}, {"JYGS_BZ", V1}};
        if (extendedFormulas)
            c << Column{"JYGS_EXP2", V255} << Column{"JYGS_EXP3", V255};
        return c;
    }
    if (base == QLatin1String("BBEX"))
        return bbexColumns();
    if (base == QLatin1String("DWSJ"))
        return unitDataColumns(QStringLiteral("DWZD_BH"), QStringLiteral("varchar(4)"));
    if (base == QLatin1String("HZSJ"))
        return unitDataColumns(QStringLiteral("LBZD_BH"), V8);
    if (base == QLatin1String("DWBB"))
        return {{"DWZD_BH", QStringLiteral("varchar(4)")}, {"BBZD_BH", V8}, {"BBZD_DATE", V8},
            {"DWBB_ZT", V1}, {"DWBB_SBRQ", V8}};
    if (base == QLatin1String("DWZD"))
        return {{"DWZD_BH", QStringLiteral("varchar(4)")}, {"DWZD_MC", V60}, {"LBZD_BH", V8}};
    if (base == QLatin1String("LBZD"))
        return {{"LBZD_BH", V8}, {"LBZD_MC", V60}};
    throw BuildError(QStringLiteral("unknown report table base %1").arg(base));
}

QStringList columnNames(const QList<Column>& columns)
{
    QStringList n;
    for (const Column& c : columns)
        n << c.name;
    return n;
}

QString keyIndexName(const QString& prefix, const QString& base, const QString& yearSuffix)
{
    return QStringLiteral("IDX_") + prefix + base + QStringLiteral("_KEY") + yearSuffix;
}

QStringList keyIndexColumns(const QString& prefix, const QString& base)
{
    Q_UNUSED(prefix);
    if (base == QLatin1String("BBGS"))
        return {"BBZD_BH", "BBZD_DATE", "BBZD_XH"};
    if (base == QLatin1String("HZD"))
        return {"BBZD_BH", "BBZD_DATE", "HZD_ORDE"};
    if (base == QLatin1String("LZD"))
        return {"BBZD_BH", "BBZD_DATE", "LZD_ORDE"};
    if (base == QLatin1String("DYZD"))
        return {"BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE"};
    if (base == QLatin1String("JYGS"))
        return {"BBZD_BH", "BBZD_DATE", "JYGS_ORDE"};
    if (base == QLatin1String("DWSJ"))
        return {"DWZD_BH", "BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE"};
    if (base == QLatin1String("HZSJ"))
        return {"LBZD_BH", "BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE"};
    if (base == QLatin1String("DWBB"))
        return {"DWZD_BH", "BBZD_BH", "BBZD_DATE"};
    if (base == QLatin1String("DWZD"))
        return {"DWZD_BH"};
    if (base == QLatin1String("LBZD"))
        return {"LBZD_BH"};
    return {"BBZD_BH", "BBZD_DATE"};   // BBZD, BBEX
}

SqliteFile::SqliteFile(const QString& file)
    : m_name(QStringLiteral("demo_builder_") + connectionSerial()), m_file(file)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        const QString msg = errorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw BuildError(QStringLiteral("cannot open %1: %2").arg(file, msg));
    }
}

SqliteFile::~SqliteFile()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase SqliteFile::db() const { return QSqlDatabase::database(m_name, false); }

void execSql(QSqlDatabase db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw BuildError(QStringLiteral("%1: %2").arg(sql, errorText(q.lastError())));
}

QList<QStringList> queryRows(QSqlDatabase db, const QString& sql, const QString& nullText)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql))
        throw BuildError(QStringLiteral("%1: %2").arg(sql, errorText(q.lastError())));
    QList<QStringList> out;
    const int n = q.record().count();
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < n; ++i) {
            const QVariant v = q.value(i);
            if (v.isNull())
                row << nullText;
            else if (v.typeId() == QMetaType::Double) {
                const double d = v.toDouble();
                row << (d == qint64(d) && qAbs(d) < 1e15 ? QString::number(qint64(d))
                                                         : QString::number(d, 'g', 15));
            } else
                row << v.toString();
        }
        out << row;
    }
    return out;
}

void createTable(QSqlDatabase db, const QString& name, const QList<Column>& columns)
{
    QStringList defs;
    for (const Column& c : columns)
        defs << c.name + QLatin1Char(' ') + c.type + QStringLiteral(" null");
    execSql(db, QStringLiteral("create table %1 (%2)").arg(name, defs.join(QStringLiteral(", "))));
}

void createSystemTables(QSqlDatabase db)
{
    createTable(db, QStringLiteral("kvdbztxx"),
        {{"kvdbztxx_ztbh", "varchar(3)"}, {"kvdbztxx_ztmc", "varchar(60)"},
            {"kvdbztxx_owner", "varchar(30)"}, {"kvdbztxx_pass", "varchar(60)"},
            {"kvdbztxx_base", "varchar(60)"}});
    createTable(db, QStringLiteral("JWCONF"),
        {{"F_VKEY", "varchar(30)"}, {"F_VAL", "varchar(255)"}, {"F_NOTE", "varchar(60)"}});
    createTable(db, QStringLiteral("JWREGS"), {{"JWREGS_BS", "varchar(60)"}, {"JWREGS_ID", "varchar(10)"}});
    createTable(db, QStringLiteral("JWTABN"), {{"F_XTBH", "varchar(10)"}, {"F_TABN", "varchar(30)"}});
    execSql(db, QStringLiteral(
        "create view sysobjects as "
        "select name, case when name like 'sqlite%' then 'S' else 'U' end as type "
        "from sqlite_master where type = 'table' "
        "union all select name, 'V' as type from sqlite_master where type = 'view'"));
}

void createReportTable(QSqlDatabase db, const QString& prefix, const QString& base,
                       const QString& yearSuffix, const TableOptions& options)
{
    const QString table = prefix + base + yearSuffix;
    createTable(db, table, reportColumns(prefix, base, options.extendedFormulas));
    if (options.keyIndexes)
        execSql(db, QStringLiteral("create index %1 on %2(%3)")
                        .arg(keyIndexName(prefix, base, yearSuffix), table,
                             keyIndexColumns(prefix, base).join(QLatin1Char(','))));
}

void createReportTables(QSqlDatabase db, const QString& prefix, const QString& yearSuffix,
                        const TableOptions& options)
{
    for (const QString& base : reportBases(prefix))
        createReportTable(db, prefix, base, yearSuffix, options);
}

void createKeyIndexes(QSqlDatabase db, const QString& prefix, const QString& yearSuffix)
{
    for (const QString& base : reportBases(prefix))
        execSql(db, QStringLiteral("create index %1 on %2(%3)")
                        .arg(keyIndexName(prefix, base, yearSuffix), prefix + base + yearSuffix,
                             keyIndexColumns(prefix, base).join(QLatin1Char(','))));
}

namespace {
void insertPrepared(QSqlDatabase db, const QString& sql, int width, const QList<QVariantList>& rows)
{
    // A transaction of our own unless one is open already (begin fails then).
    const bool own = db.transaction();
    QSqlQuery q(db);
    try {
        if (!q.prepare(sql))
            throw BuildError(QStringLiteral("%1: %2").arg(sql, errorText(q.lastError())));
        for (const QVariantList& row : rows) {
            if (row.size() != width)
                throw BuildError(QStringLiteral("%1: %2 values given for %3 columns")
                                     .arg(sql).arg(row.size()).arg(width));
            for (int i = 0; i < width; ++i)
                q.bindValue(i, row.at(i));
            if (!q.exec())
                throw BuildError(QStringLiteral("%1: %2").arg(sql, errorText(q.lastError())));
        }
        q.finish();
        if (own && !db.commit())
            throw BuildError(QStringLiteral("commit: %1").arg(errorText(db.lastError())));
    } catch (...) {
        q.finish();
        if (own)
            db.rollback();
        throw;
    }
}
} // namespace

void insertRows(QSqlDatabase db, const QString& table, const QList<QVariantList>& rows)
{
    const QSqlRecord rec = db.record(table);
    if (rec.isEmpty())
        throw BuildError(QStringLiteral("insert into %1: no such table").arg(table));
    QStringList marks;
    for (int i = 0; i < rec.count(); ++i)
        marks << QStringLiteral("?");
    insertPrepared(db, QStringLiteral("insert into %1 values (%2)").arg(table, marks.join(QLatin1Char(','))),
                   rec.count(), rows);
}

void insertRows(QSqlDatabase db, const QString& table, const QStringList& columns,
                const QList<QVariantList>& rows)
{
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    insertPrepared(db, QStringLiteral("insert into %1 (%2) values (%3)")
                           .arg(table, columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                   columns.size(), rows);
}

// ---------------------------------------------------------------------------------------
// Row builders. Text fields left empty give '' (never NULL); NULL is stated with a null
// QVariant in the QVariant fields.

namespace {
QString nz(const QString& s) { return s.isNull() ? QStringLiteral("") : s; }
}

QVariantList reportRow(const ReportValues& v)
{
    return {nz(v.bh), nz(v.date), nz(v.mc), v.title, v.head, v.bt, v.hs, v.ls,
        v.orde.isEmpty() ? nz(v.bh) : v.orde, nz(v.sbbh), nz(v.fcbz), nz(v.nb), nz(v.xf), nz(v.sbxz),
        nz(v.tzzdOrde), nz(v.lx), v.use, v.gs};
}

QVariantList rowRow(const RowValues& v) { return {nz(v.bh), nz(v.date), nz(v.orde), v.zb, nz(v.bzbm)}; }

QVariantList columnRow(const ColumnValues& v)
{
    return {nz(v.bh), nz(v.date), nz(v.orde), v.zb, nz(v.bzbm), v.mc, nz(v.sz), nz(v.hz), nz(v.tz), nz(v.xm)};
}

QVariantList cellRow(const CellValues& v, bool extendedFormulas)
{
    const QString orde = v.orde.isEmpty() ? v.row + v.col : v.orde;
    const QString gsbz = v.gsbz.isEmpty() ? QString(v.gsx.isEmpty() ? "0" : "1") : v.gsbz;
    QVariantList r{nz(v.bh), nz(v.date), nz(orde), nz(v.row), nz(v.col), nz(v.hBzbm), nz(v.lBzbm), nz(v.lx),
        v.dec, v.text, v.data, nz(v.sftz), nz(v.sfbh), v.hoffset, v.loffset, nz(v.gsx), nz(v.gsx1), gsbz, v.gsjb};
    if (extendedFormulas)
        r << nz(v.gsx2) << nz(v.gsx3);
    return r;
}

QVariantList unitCellRow(const UnitCellValues& v)
{
    return {nz(v.unit), nz(v.bh), nz(v.date), nz(v.row), nz(v.col), nz(v.hBzbm), nz(v.lBzbm), v.text, v.data};
}

QVariantList checkRow(const CheckValues& v, bool extendedFormulas)
{
    QVariantList r{nz(v.bh), nz(v.date), v.orde, nz(v.row), nz(v.col), v.hoffset, v.loffset, nz(v.relation),
        nz(v.exp), nz(v.exp1), nz(v.note), nz(v.flag)};
    if (extendedFormulas)
        r << nz(v.exp2) << nz(v.exp3);
    return r;
}

QVariantList formatRow(const FormatValues& v)
{
    // An empty format is a zero-length blob, not NULL.
    return {nz(v.bh), nz(v.date), v.xh, v.gs.isNull() ? QVariant(QByteArray("", 0)) : QVariant(v.gs)};
}

QVariantList extensionRow(const ExtensionValues& v)
{
    QVariantList r{nz(v.bh), nz(v.date)};
    for (const QVariant& x : v.exc)
        r << x;
    for (const QVariant& x : v.exi)
        r << x;
    for (const QVariant& x : v.exn)
        r << x;
    return r;
}

} // namespace demo
