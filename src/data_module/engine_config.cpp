#include "data_module/engine_config.h"

#include "data_module/database_error.h"
#include "platform/odbc_sources.h"
#include "platform/program_dir.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
const char* const kMssql = "DRIVER={FreeTDS};SERVER={SERVER NAME};DATABASE={DATABASE NAME};"
                           "UID={USER NAME};PWD={PASSWORD};TDS_Version=7.3";
const char* const kSybase = "DRIVER={FreeTDS};SERVER={SERVER NAME};DATABASE={DATABASE NAME};"
                            "UID={USER NAME};PWD={PASSWORD};TDS_Version=5.0";
const char* const kOracle = "DRIVER={Oracle};DBQ={SERVER NAME};UID={USER NAME};PWD={PASSWORD}";

const QRegularExpression& placeholder()
{
    static const QRegularExpression re(QStringLiteral("\\{([A-Z][A-Z0-9 ]*)\\}"));
    return re;
}

// The template with every placeholder replaced; as attribute values when `traits` is given.
QString fill(const QString& pattern, const QStringList& params, const DriverTraits* traits)
{
    QString out;
    qsizetype last = 0;
    auto it = placeholder().globalMatch(pattern);
    while (it.hasNext()) {
        const auto m = it.next();
        out += pattern.mid(last, m.capturedStart() - last);
        const QString v = EngineConfig::paramValue(params, m.captured(1));
        out += traits ? EngineConfig::attributeValue(v, traits->bracesHonoured, m.captured(1)) : v;
        last = m.capturedEnd();
    }
    out += pattern.mid(last);
    return out;
}

// The driver library a connection-string template leads to: its DRIVER= attribute, else
// the driver of its DSN= attribute.
QString templateLibrary(const QString& pattern, const QStringList& params)
{
    static const QRegularExpression attribute(
        QStringLiteral("(?:^|;)\\s*(DRIVER|DSN)\\s*=\\s*(\\{(?:[^}]|\\}\\})*\\}|[^;]*)"),
        QRegularExpression::CaseInsensitiveOption);
    QString driver;
    QString dataSource;
    auto it = attribute.globalMatch(pattern);
    while (it.hasNext()) {
        const auto m = it.next();
        QString value = m.captured(2).trimmed();
        const auto p = placeholder().match(value);
        if (p.hasMatch() && p.capturedLength() == value.size())
            value = EngineConfig::paramValue(params, p.captured(1));
        else if (value.startsWith(QLatin1Char('{')) && value.endsWith(QLatin1Char('}')))
            value = value.mid(1, value.size() - 2).replace(QLatin1String("}}"), QLatin1String("}"));
        QString& slot = m.captured(1).compare(QLatin1String("DRIVER"), Qt::CaseInsensitive) == 0 ? driver : dataSource;
        if (slot.isEmpty())
            slot = value;
    }
    if (!driver.isEmpty()) {
        // A driver no section names is taken for a library of that name.
        const QString library = odbcDriverLibrary(driver);
        return library.isEmpty() ? driver : library;
    }
    return odbcDataSourceLibrary(dataSource);
}
}

DriverTraits driverTraits(const QString& library, const QString& driverName)
{
    QString file;
    if (!library.isEmpty()) {
        const QFileInfo info(library);
        const QString real = info.isAbsolute() ? info.canonicalFilePath() : QString();
        file = QFileInfo(real.isEmpty() ? library : real).fileName();
    }
    // The SQLite ODBC driver splits attributes at every ";" and has no users.
    static const QRegularExpression sqlite(QStringLiteral("^libsqlite[0-9]*odbc"), QRegularExpression::CaseInsensitiveOption);
    // psqlodbc keeps the braces of a user name as part of it.
    static const QRegularExpression postgres(QStringLiteral("^psqlodbc[aw]?\\."), QRegularExpression::CaseInsensitiveOption);
    if (file.isEmpty()) {
        if (driverName.contains(QLatin1String("SQLite"), Qt::CaseInsensitive))
            return {.bracesHonoured = false, .hasUsers = false};
        return {};
    }
    if (sqlite.match(file).hasMatch())
        return {.bracesHonoured = false, .hasUsers = false};
    if (postgres.match(file).hasMatch())
        return {.bracesHonoured = false, .hasUsers = true};
    return {};
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

bool EngineConfig::needsQuoting(const QString& value)
{
    static const QRegularExpression special(QStringLiteral("[;{}=]"));
    if (value.isEmpty())
        return false;
    return value.contains(special) || value.front().isSpace() || value.back().isSpace();
}

QString EngineConfig::attributeValue(const QString& value, bool bracesHonoured, const QString& parameter)
{
    if (!needsQuoting(value))
        return value;
    if (bracesHonoured)
        return braced(value);
    throw DatabaseError(QStringLiteral("连接参数“%1”含有数据库驱动程序不能识别的字符").arg(parameter));
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
    QString credentials;
    if (const Entry* e = find(driverName)) {
        dataSource = e->dataSource;
        connection = e->connectionString;
        credentials = e->credentials;
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

    // How values are passed is decided by the driver library the driver manager will load,
    // not by the name a site gave its driver section.
    if (!connection.isEmpty()) {
        t.driverLibrary = templateLibrary(connection, params);
    } else {
        t.dataSource = fill(dataSource, params, nullptr);
        if (t.dataSource.isEmpty())
            throw DatabaseError(QStringLiteral("数据库驱动程序“%1”没有指定数据源").arg(driverName));
        t.dataSourceAttributes = odbcDataSourceAttributes(t.dataSource);
        for (const OdbcAttribute& a : t.dataSourceAttributes)
            if (a.key.compare(QLatin1String("Driver"), Qt::CaseInsensitive) == 0) {
                t.driverLibrary = odbcDriverLibrary(a.value);
                break;
            }
    }
    const DriverTraits traits = driverTraits(t.driverLibrary, t.driverLibrary.isEmpty() ? driverName : QString());
    t.bracesHonoured = traits.bracesHonoured;
    t.sendCredentials = traits.hasUsers;
    if (!credentials.isEmpty())
        t.sendCredentials = credentials.compare(QLatin1String("no"), Qt::CaseInsensitive) != 0;
    // A driver that does not read braces gets no user or password it would split, sent or not.
    if (!t.bracesHonoured) {
        attributeValue(t.userName, false, QStringLiteral("USER NAME"));
        attributeValue(t.password, false, QStringLiteral("PASSWORD"));
    }
    if (!connection.isEmpty())
        t.connectionString = fill(connection, params, &traits);
    return t;
}

QString OdbcTarget::inlineAttributes() const
{
    static const QRegularExpression unsafeKey(QStringLiteral("[;{}=\\s]"));
    auto plain = [](const QString& text) {
        for (const QChar c : text)
            if (c.unicode() < 0x20 || c.unicode() > 0x7e)
                return false;   // bytes of another encoding than the driver would read
        return true;
    };
    QString driver;
    QStringList parts;
    for (const auto& [key, value] : dataSourceAttributes) {
        if (key.compare(QLatin1String("Description"), Qt::CaseInsensitive) == 0)
            continue;
        if (key.isEmpty() || key.contains(unsafeKey) || !plain(key) || !plain(value))
            return {};
        if (EngineConfig::needsQuoting(value) && !bracesHonoured)
            return {};
        const QString v = EngineConfig::needsQuoting(value) ? EngineConfig::braced(value) : value;
        if (key.compare(QLatin1String("Driver"), Qt::CaseInsensitive) == 0)
            driver = v;
        else
            parts << key + QLatin1Char('=') + v;
    }
    if (driver.isEmpty())
        return {};
    parts.prepend(QStringLiteral("DRIVER=") + driver);
    const QString text = parts.join(QLatin1Char(';'));
    // QODBC takes any text holding ".dsn" for the name of a file data source.
    return text.contains(QLatin1String(".dsn"), Qt::CaseInsensitive) ? QString() : text;
}

QString OdbcTarget::dataSourceText() const
{
    static const QRegularExpression unsafe(QStringLiteral("[;{}=]"));
    if (dataSource.contains(unsafe))
        throw DatabaseError(QStringLiteral("数据源名称“%1”无效").arg(dataSource));
    QString text = inlineAttributes();
    if (text.isEmpty())
        text = dataSource;
    if (sendCredentials && !userName.isEmpty())
        text += QStringLiteral(";UID=") + EngineConfig::attributeValue(userName, bracesHonoured, QStringLiteral("USER NAME"));
    if (sendCredentials && !password.isEmpty())
        text += QStringLiteral(";PWD=") + EngineConfig::attributeValue(password, bracesHonoured, QStringLiteral("PASSWORD"));
    return text;
}
