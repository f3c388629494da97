#include "data_module/database.h"

#include "data_module/database_error.h"
#include "data_module/dialect.h"
#include "data_module/qt_backend.h"
#include "data_module/sql_text.h"

#include <QFile>
#include <QTextStream>

// Statement trace: every statement as sent, to the file $VOSTREL_SQL_TRACE, with bound
// values written in as literals so that the file can be replayed. Off when unset.
class Database::Trace {
public:
    static std::unique_ptr<Trace> fromEnvironment()
    {
        const QString path = qEnvironmentVariable("VOSTREL_SQL_TRACE");
        if (path.isEmpty())
            return {};
        auto t = std::make_unique<Trace>();
        t->file.setFileName(path);
        if (!t->file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            return {};
        return t;
    }
    void write(const QString& sql, const QList<QVariant>& binds)
    {
        QString text;
        qsizetype next = 0;
        for (qsizetype i = 0; i < sql.size(); ++i) {
            if (sql.at(i) == u'?' && next < binds.size()) {
                const QVariant& v = binds.at(next++);
                text += v.isNull() ? QStringLiteral("NULL")
                    : v.typeId() == QMetaType::QByteArray
                    ? QStringLiteral("X'") + QString::fromLatin1(v.toByteArray().toHex()) + QLatin1Char('\'')
                    : sqlQuoted(v.toString());
            } else {
                text += sql.at(i);
            }
        }
        file.write(text.toUtf8());
        file.write(";\n");
        file.flush();
    }
    QFile file;
};

Database::Database(std::unique_ptr<Backend> backend)
    : m_backend(backend ? std::move(backend) : std::make_unique<QtSqlBackend>()),
      m_trace(Trace::fromEnvironment())
{
}

Database::~Database() = default;

void Database::setAliasName(const QString& alias)
{
    m_alias = alias;
    m_driver.clear();
}

void Database::setDriverName(const QString& driver)
{
    m_driver = driver;
    if (!driver.isEmpty())
        m_alias.clear();
}

void Database::setParam(const QString& name, const QString& value)
{
    for (QString& line : m_params) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && line.left(eq).compare(name, Qt::CaseInsensitive) == 0) {
            line = name + QLatin1Char('=') + value;
            return;
        }
    }
    m_params.append(name + QLatin1Char('=') + value);
}

QString Database::param(const QString& name) const
{
    for (const QString& line : m_params) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && line.left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return {};
}

void Database::connect()
{
    m_inTransaction = false;
    m_backend->connect(m_driver.isEmpty() ? m_alias : m_driver, m_params);
    m_dbms = m_backend->dbmsName();
    m_server = dialect::serverOf(m_dbms);
}

void Database::disconnect()
{
    m_inTransaction = false;
    m_backend->disconnect();
    m_dbms.clear();
    m_server = dialect::Server::Other;
}

bool Database::connected() const { return m_backend->connected(); }

bool Database::isSqlite() const { return m_server == dialect::Server::Sqlite; }

QString Database::translate(const QString& sql) const { return dialect::translate(m_server, sql); }

void Database::before(const QString& sql, const QList<QVariant>& binds)
{
    ++m_statements;
    if (m_hook)
        m_hook(sql);
    if (m_trace)
        m_trace->write(sql, binds);
}

void Database::after(const QString& sql)
{
    if (m_afterHook)
        m_afterHook(sql);
}

void Database::startTransaction()
{
    const QString begin = QStringLiteral("BEGIN");
    before(begin, {});
    try {
        m_backend->begin();
        after(begin);
    } catch (const DatabaseError&) {
        // A begin that reported failure may still have opened the transaction; the
        // caller goes on as if outside one, so nothing may stay open uncommitted.
        if (!m_inTransaction) {
            try {
                m_backend->rollback();
            } catch (const DatabaseError&) {
            }
        }
        throw;
    }
    m_inTransaction = true;
}

void Database::commit()
{
    const QString commit = QStringLiteral("COMMIT");
    before(commit, {});
    m_backend->commit();
    // A commit that took effect and then reported failure looks to the caller like any
    // failed commit: still in the transaction, to be rolled back (nothing left to undo).
    after(commit);
    m_inTransaction = false;
}

void Database::rollback()
{
    m_inTransaction = false;
    if (m_trace)
        m_trace->write(QStringLiteral("ROLLBACK"), {});
    m_backend->rollback();
}

int Database::send(const QString& sql, const QList<QVariant>& binds)
{
    const QString s = translate(sql);
    if (binds.isEmpty() && isSqlite()) {
        // A statement SQLite carries out in steps: each step passes here as a statement.
        const dialect::SqliteSteps steps{
            [this](const QString& step, const QList<QVariant>& values) {
                before(step, values);
                m_backend->exec(step, values);
                after(step);
            },
            [this](const QString& step, const QList<QVariant>& values) {
                before(step, values);
                const std::unique_ptr<Cursor> cursor = m_backend->open(step, values);
                after(step);
                QList<QList<QVariant>> rows;
                QList<QVariant> row;
                while (cursor->fetch(row))
                    rows.append(row);
                return rows;
            }};
        if (dialect::runSqliteProcedure(s, steps))
            return 0;
    }
    before(s, binds);
    const int affected = m_backend->exec(s, binds);
    after(s);
    return affected;
}

std::unique_ptr<Cursor> Database::openCursor(const QString& sql, const QList<QVariant>& binds)
{
    const QString s = translate(sql);
    before(s, binds);
    std::unique_ptr<Cursor> cursor = m_backend->open(s, binds);
    after(s);
    return cursor;
}
