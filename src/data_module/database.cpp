#include "data_module/database.h"

#include "data_module/database_error.h"
#include "data_module/dialect.h"
#include "data_module/qt_backend.h"
#include "data_module/sql_text.h"

#include <QFile>
#include <QTextStream>

namespace {
// A statement with its "?" placeholders (outside literals) replaced by the values as
// literals: quoted with their quotes doubled (numbers too: every kind converts them), NULL,
// bytes as X'..'.
QString withValues(const QString& sql, const QList<QVariant>& binds)
{
    if (binds.isEmpty())
        return sql;
    QString text;
    text.reserve(sql.size() + 16 * binds.size());
    qsizetype next = 0;
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?' && next < binds.size()) {
            const QVariant& v = binds.at(next++);
            switch (v.isNull() ? QMetaType::UnknownType : v.typeId()) {
            case QMetaType::UnknownType:
                text += QStringLiteral("NULL");
                break;
            case QMetaType::QByteArray:
                text += QStringLiteral("X'") + QString::fromLatin1(v.toByteArray().toHex()) + QLatin1Char('\'');
                break;
            default:
                text += sqlQuoted(v.toString());
            }
            continue;
        }
        text += c;
    }
    return text;
}
} // namespace

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
        const QString text = withValues(sql, binds);
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

Database::~Database() { dropPrepared(); }

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
    dropPrepared();
    m_inTransaction = false;
    m_backend->connect(m_driver.isEmpty() ? m_alias : m_driver, m_params);
    m_dbms = m_backend->dbmsName();
    m_server = dialect::serverOf(m_dbms);
}

void Database::disconnect()
{
    dropPrepared();
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

void Database::dropPrepared()
{
    for (StatementSlot* slot : std::as_const(m_slots)) {
        slot->prepared.reset();
        slot->source.clear();
    }
    m_slots.clear();
}

void Database::release(StatementSlot& slot)
{
    m_slots.removeOne(&slot);
    slot.prepared.reset();
    slot.source.clear();
}

QString Database::beforeReuse(StatementSlot& slot, const QString& sql, const QList<QVariant>& binds)
{
    if (slot.source != sql || slot.source.isNull()) {
        release(slot);
        slot.source = sql;
        slot.text = translate(sql);
        slot.textOnly = false;
    }
    // Shown (and, without a prepared statement, sent) with the values written in.
    const bool asText = slot.textOnly || !slot.prepared;
    if (asText || m_hook || m_afterHook || m_trace) {
        const QString text = withValues(slot.text, binds);
        before(text, {});
        return text;
    }
    before(slot.text, {});
    return {};
}

void Database::setPreparedStatements(bool on)
{
    m_prepare = on;
    if (!on)
        dropPrepared();
}

void Database::prepare(StatementSlot& slot)
{
    if (slot.prepared || slot.textOnly)
        return;
    if (!m_prepare) {
        slot.textOnly = true;
        return;
    }
    try {
        slot.prepared = m_backend->prepare(slot.text);
    } catch (const DatabaseError&) {
        // Refused as a prepared statement: the text alone says whether it can run.
    }
    if (slot.prepared)
        m_slots.append(&slot);
    else
        slot.textOnly = true;
}

int Database::send(StatementSlot& slot, const QString& sql, const QList<QVariant>& binds)
{
    const QString text = beforeReuse(slot, sql, binds);
    prepare(slot);
    const int affected = slot.prepared ? slot.prepared->exec(binds) : m_backend->exec(text, {});
    after(text.isEmpty() ? slot.text : text);
    return affected;
}

std::unique_ptr<Cursor> Database::openCursor(StatementSlot& slot, const QString& sql, const QList<QVariant>& binds)
{
    const QString text = beforeReuse(slot, sql, binds);
    prepare(slot);
    std::unique_ptr<Cursor> cursor = slot.prepared ? slot.prepared->open(binds) : m_backend->open(text, {});
    after(text.isEmpty() ? slot.text : text);
    return cursor;
}

StatementGroup::StatementGroup(Database& db) : m_db(db)
{
    if (m_db.inTransaction() || !m_db.groupedRuns() || !dialect::groupsStatementRuns(m_db.server()))
        return;
    try {
        m_db.startTransaction();
        m_open = true;
    } catch (const DatabaseError&) {
    }
}

StatementGroup::~StatementGroup() { finish(); }

bool StatementGroup::finish(QString* error)
{
    if (!m_open)
        return true;
    m_open = false;
    try {
        m_db.commit();
        return true;
    } catch (const DatabaseError& e) {
        if (error)
            *error = e.message();
        try {
            m_db.rollback();
        } catch (const DatabaseError&) {
        }
        return false;
    }
}
