#include "app/connection.h"

#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "data_module/report_system.h"
#include "data_module/sql_text.h"
#include "platform/host.h"
#include "platform/ini_profile.h"
#include "platform/odbc_sources.h"
#include "platform/program_dir.h"

#include <QRegularExpression>
#include <exception>

namespace {
// The database kinds, tested in this order; the first whose word occurs in DBMS wins.
struct KindRow {
    const char16_t* word;     // tested in DBMS
    const char16_t* remembered;
    DbKind kind;
};
constexpr KindRow KindRows[] = {
    {u"ODBC", u"ODBC", DbKind::Anywhere},
    {u"ANY", u"ODBC", DbKind::Anywhere},
    {u"DB2", u"DB2", DbKind::Db2Oracle},
    {u"ORACLE", u"ORACLE", DbKind::Db2Oracle},
    {u"MSS", u"MSS", DbKind::SqlServer},
    {u"SYBASE", u"SYBASE", DbKind::Sybase},
};

const QString Blob = QStringLiteral("BLOB SIZE=2048");

struct StepFailure {};
}

std::optional<QString> accountSetSection(const QString& accountSetText)
{
    static const QRegularExpression number(QStringLiteral("^ *[+-]?[0-9]+$"));
    const QString head = accountSetText.left(3);
    if (!number.match(head).hasMatch())
        return std::nullopt;
    bool ok = false;
    const int n = head.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return QStringLiteral("sqlca") + QString::number(n);
}

QString ConnectAccountSet(TEndYearDataMod& dm, const QString& userCode, const QString& password,
    const QString& settingsFileName, const QString& accountSetText, bool fromLogin)
{
    Database& mast = dm.mast;
    ConnectionState& state = dm.state;
    if (mast.connected())
        mast.disconnect();
    state.AccountSet.clear();
    const QString C = computerName();
    const IniProfile settings = IniProfile::load(programFile(settingsFileName));
    mast.clearParams();

    QString D;
    QString ztbh;
    QString U;
    QString fromClause;
    QString word;

    // First step: connect as the report-system user.
    try {
        std::optional<QString> section = QStringLiteral("sqlca");
        if (fromLogin)
            section = accountSetSection(accountSetText);
        if (!section)
            throw StepFailure{};
        const QString dbms = settings.value(*section, QStringLiteral("DBMS")).toUpper();
        D = settings.value(*section, QStringLiteral("DataBase")).toUpper();
        const QString S = settings.value(*section, QStringLiteral("ServerName")).toUpper();
        ztbh = settings.value(*section, QStringLiteral("Ztbh")).toUpper();
        U = QStringLiteral("cw") + ztbh + userCode;
        const QString& P = password;

        mast.addParam(Blob);
        for (const KindRow& row : KindRows) {
            const QString w = QString::fromUtf16(row.word);
            if (!dbms.contains(w))
                continue;
            state.DatabaseKind = row.kind;
            word = QString::fromUtf16(row.remembered);
            if (word == u"ODBC") {
                mast.setDriverName(GetDataSourceName(D));
                mast.addParam(QStringLiteral("ODBC DSN=") + D);
                mast.addParam(QStringLiteral("USER NAME=") + U);
                mast.addParam(QStringLiteral("PASSWORD=") + P);
                fromClause = QStringLiteral(" from dba.kvdbztxx");
            } else if (word == u"DB2") {
                mast.setDriverName(QStringLiteral("DB2"));
                mast.addParam(QStringLiteral("DB2 DSN=") + D);
                mast.addParam(QStringLiteral("USER NAME=") + U);
                mast.addParam(QStringLiteral("PASSWORD=") + P);
                mast.addParam(QStringLiteral("HOSTNAME=") + C);
                fromClause = QStringLiteral(" from db2admin.kvdbztxx");
            } else if (word == u"ORACLE") {
                mast.setDriverName(QStringLiteral("ORACLE"));
                mast.addParam(QStringLiteral("SERVER NAME=") + S);
                mast.addParam(QStringLiteral("USER NAME=") + U);
                mast.addParam(QStringLiteral("SQLPASSTHRU MODE=SHARED AUTOCOMMIT"));
                mast.addParam(QStringLiteral("PASSWORD=") + P);
                mast.addParam(QStringLiteral("HOSTNAME=") + C);
                fromClause = QStringLiteral(" from system.kvdbztxx");
            } else if (word == u"MSS") {
                mast.setDriverName(QStringLiteral("MSSQL"));
                mast.addParam(QStringLiteral("DATABASE NAME=cwmaster"));
                mast.addParam(QStringLiteral("SERVER NAME=") + S);
                mast.addParam(QStringLiteral("USER NAME=") + U);
                mast.addParam(QStringLiteral("PASSWORD=") + P);
                mast.addParam(QStringLiteral("HOSTNAME=") + C);
                fromClause = QStringLiteral(" from kvdbztxx");
            } else {
                mast.setDriverName(QStringLiteral("SYBASE"));
                mast.addParam(QStringLiteral("DATABASE NAME=cwmaster"));
                mast.addParam(QStringLiteral("SERVER NAME=") + S);
                mast.addParam(QStringLiteral("HOST NAME=") + C);
                mast.addParam(QStringLiteral("USER NAME=") + U);
                mast.addParam(QStringLiteral("PASSWORD=") + P);
                fromClause = QStringLiteral(" from kvdbztxx");
            }
            break;
        }
        mast.setLoginPrompt(false);
        mast.connect();
    } catch (...) {
        if (mast.connected())
            mast.disconnect();
        return QString::fromUtf16(FirstStepFailed);
    }

    // The workstation code of this computer, on DB2 and Oracle; never fails the connection.
    if (state.DatabaseKind == DbKind::Db2Oracle) {
        Query& q = dm.LoginQuery;
        try {
            q.open(QStringLiteral("SELECT JWREGS_ID from system.JWREGS where JWREGS_BS like '") + sqlEscaped(C)
                + QStringLiteral("%'"));
            q.first();
            state.WorkstationCode = q.eof() ? QString() : catalogueName(q.text(QStringLiteral("JWREGS_ID")));
        } catch (...) {
            state.WorkstationCode = QStringLiteral("ERROR");
        }
        q.close();
    }

    // Second step: connect as the account set's owner.
    try {
        Query& q = dm.LoginQuery;
        q.open(QStringLiteral("SELECT kvdbztxx_owner,kvdbztxx_pass,kvdbztxx_base,kvdbztxx_ztmc") + fromClause
            + QStringLiteral(" WHERE kvdbztxx_ztbh = '") + sqlEscaped(ztbh) + QStringLiteral("'"));
        q.first();
        QString owner = U;
        QString ownerPassword;
        QString base = D;
        if (!q.eof()) {
            owner = catalogueName(q.text(0));
            ownerPassword = q.text(1);
            base = catalogueName(q.text(2));
            if (word != u"ODBC") {
                const std::optional<QString> restored = RestorePassword(ownerPassword);
                if (!restored)
                    throw StepFailure{};
                ownerPassword = *restored;
            }
        }
        q.close();
        mast.disconnect();
        if (word == u"MSS" || word == u"SYBASE")
            mast.setParam(QStringLiteral("DATABASE NAME"), base);
        mast.setParam(QStringLiteral("USER NAME"), owner);
        mast.setParam(QStringLiteral("PASSWORD"), ownerPassword);
        mast.connect();
        state.AccountSet = ztbh;
    } catch (...) {
        dm.LoginQuery.close();
        if (mast.connected())
            mast.disconnect();
        return QString::fromUtf16(SecondStepFailed);
    }
    return {};
}

QString autoStartFileName(const QDate& day)
{
    return day.toString(QStringLiteral("MMdd")) + QStringLiteral("log");
}

QString AutoConnect(TEndYearDataMod& dm, const QString& userCode, const QString& password, const QDate& today)
{
    return ConnectAccountSet(dm, userCode, password, autoStartFileName(today), QString(), false);
}

QString GetDataSourceName(const QString& dataSourceName)
{
    const QString driver = odbcDriverOf(dataSourceName);
    return driver.isEmpty() ? QString::fromUtf16(DefaultOdbcDriver) : driver;
}

std::optional<QString> RestorePassword(const QString& stored)
{
    if (stored.size() < 2)
        return std::nullopt;
    for (const QChar c : stored)
        if (c.unicode() > 0xFF)
            return std::nullopt;
    const int f = stored.front().unicode();
    const int d = stored.back().unicode() - f;
    const QString body = stored.mid(1, stored.size() - 2);
    qsizetype n = body.size();
    if (n % 2 != 0)
        return std::nullopt;
    QString result;
    for (int i = 1; n > 0; ++i, n -= 2) {
        const QChar first = body.at(n - 2);
        const QChar second = body.at(n - 1);
        const int a = (i % 2 == 1 ? first : second).unicode();
        const int b = (i % 2 == 1 ? second : first).unicode();
        const int code = ((a - f) * 26 + (b - 97) - d) & 0xFF;
        result.append(QChar(code));
    }
    return result;
}
