#include "data_module/engine_config.h"

#include "data_module/database_error.h"
#include "platform/program_dir.h"

#include <QFile>
#include <QRegularExpression>

namespace {
const char* const kMssql = "DRIVER={FreeTDS};SERVER={SERVER NAME};DATABASE={DATABASE NAME};"
                           "UID={USER NAME};PWD={PASSWORD};TDS_Version=7.3";
const char* const kSybase = "DRIVER={FreeTDS};SERVER={SERVER NAME};DATABASE={DATABASE NAME};"
                            "UID={USER NAME};PWD={PASSWORD};TDS_Version=5.0";
const char* const kOracle = "DRIVER={Oracle};DBQ={SERVER NAME};UID={USER NAME};PWD={PASSWORD}";

QString fill(const QString& pattern, const QStringList& params, bool brace)
{
    static const QRegularExpression placeholder(QStringLiteral("\\{([A-Z][A-Z0-9 ]*)\\}"));
    QString out;
    qsizetype last = 0;
    auto it = placeholder.globalMatch(pattern);
    while (it.hasNext()) {
        const auto m = it.next();
        out += pattern.mid(last, m.capturedStart() - last);
        const QString v = EngineConfig::paramValue(params, m.captured(1));
        out += brace ? EngineConfig::braced(v) : v;
        last = m.capturedEnd();
    }
    out += pattern.mid(last);
    return out;
}
}

QString EngineConfig::paramValue(const QStringList& params, const QString& name)
{
    for (const QString& line : params) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return {};
}

QString EngineConfig::braced(const QString& value)
{
    QString v = value;
    v.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + v + QLatin1Char('}');
}

EngineConfig EngineConfig::load()
{
    QFile f(programFile(QStringLiteral("engine.ini")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return fromText(QString::fromUtf8(f.readAll()));
}

EngineConfig EngineConfig::fromText(const QString& text)
{
    EngineConfig config;
    Entry* current = nullptr;
    bool inEngine = false;
    for (QString line : text.split(QRegularExpression(QStringLiteral("\r?\n")))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            inEngine = name.compare(QLatin1String("engine"), Qt::CaseInsensitive) == 0;
            current = nullptr;
            if (!inEngine) {
                config.m_entries.append({name, {}, {}});
                current = &config.m_entries.last();
            }
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (inEngine) {
            if (key.compare(QLatin1String("LoginTimeout"), Qt::CaseInsensitive) == 0)
                config.m_loginTimeout = qMax(1, value.toInt());
            else if (key.compare(QLatin1String("RegisterCommand"), Qt::CaseInsensitive) == 0 && !value.isEmpty())
                config.m_registerCommand = value;
        } else if (current) {
            if (key.compare(QLatin1String("DataSource"), Qt::CaseInsensitive) == 0)
                current->dataSource = value;
            else if (key.compare(QLatin1String("ConnectionString"), Qt::CaseInsensitive) == 0)
                current->connectionString = value;
            else if (key.compare(QLatin1String("Credentials"), Qt::CaseInsensitive) == 0)
                current->credentials = value;
        }
    }
    return config;
}

const EngineConfig::Entry* EngineConfig::find(const QString& name) const
{
    for (const Entry& e : m_entries)
        if (e.section.compare(name, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

OdbcTarget EngineConfig::resolve(const QString& driverName, const QStringList& params) const
{
    OdbcTarget t;
    t.loginTimeoutSeconds = m_loginTimeout;
    t.userName = paramValue(params, QStringLiteral("USER NAME"));
    t.password = paramValue(params, QStringLiteral("PASSWORD"));

    QString dataSource;
    QString connection;
    t.sendCredentials = !driverName.contains(QLatin1String("SQLite"), Qt::CaseInsensitive);
    if (const Entry* e = find(driverName)) {
        dataSource = e->dataSource;
        connection = e->connectionString;
        if (!e->credentials.isEmpty())
            t.sendCredentials = e->credentials.compare(QLatin1String("no"), Qt::CaseInsensitive) != 0;
    } else if (params.contains(QStringLiteral("ODBC DSN="), Qt::CaseInsensitive)
        || !paramValue(params, QStringLiteral("ODBC DSN")).isEmpty()) {
        dataSource = QStringLiteral("{ODBC DSN}");
    } else if (driverName.compare(QLatin1String("DB2"), Qt::CaseInsensitive) == 0) {
        dataSource = QStringLiteral("{DB2 DSN}");
    } else if (driverName.compare(QLatin1String("MSSQL"), Qt::CaseInsensitive) == 0) {
        connection = QString::fromLatin1(kMssql);
    } else if (driverName.compare(QLatin1String("SYBASE"), Qt::CaseInsensitive) == 0) {
        connection = QString::fromLatin1(kSybase);
    } else if (driverName.compare(QLatin1String("ORACLE"), Qt::CaseInsensitive) == 0) {
        connection = QString::fromLatin1(kOracle);
    } else {
        throw DatabaseError(QStringLiteral("数据库驱动程序或别名“%1”未配置（engine.ini）").arg(driverName));
    }

    if (!connection.isEmpty()) {
        t.connectionString = fill(connection, params, true);
    } else {
        t.dataSource = fill(dataSource, params, false);
        if (t.dataSource.isEmpty())
            throw DatabaseError(QStringLiteral("数据库驱动程序“%1”没有指定数据源").arg(driverName));
    }
    return t;
}

QString OdbcTarget::dataSourceText() const
{
    static const QRegularExpression unsafe(QStringLiteral("[;{}=]"));
    if (dataSource.contains(unsafe))
        throw DatabaseError(QStringLiteral("数据源名称“%1”无效").arg(dataSource));
    QString text = dataSource;
    if (sendCredentials && !userName.isEmpty())
        text += QStringLiteral(";UID=") + EngineConfig::braced(userName);
    if (sendCredentials && !password.isEmpty())
        text += QStringLiteral(";PWD=") + EngineConfig::braced(password);
    return text;
}
