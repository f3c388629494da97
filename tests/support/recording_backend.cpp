#include "support/recording_backend.h"

#include "data_module/database_error.h"

namespace {
class ListCursor : public Cursor {
public:
    ListCursor(QStringList columns, QList<QList<QVariant>> rows)
        : m_columns(std::move(columns)), m_rows(std::move(rows)) {}
    QStringList columns() const override { return m_columns; }
    bool fetch(QList<QVariant>& row) override
    {
        if (m_next >= m_rows.size())
            return false;
        row = m_rows.at(m_next++);
        return true;
    }

private:
    QStringList m_columns;
    QList<QList<QVariant>> m_rows;
    qsizetype m_next = 0;
};
}

void RecordingBackend::answer(const QString& containing, const Answer& a, int times)
{
    m_rules.append({containing, a, times});
}

void RecordingBackend::fail(const QString& containing, const QString& error, int times)
{
    Answer a;
    a.error = error;
    m_rules.append({containing, a, times});
}

QStringList RecordingBackend::statements() const
{
    QStringList out;
    for (const Event& e : events)
        if (e.kind == QLatin1String("open") || e.kind == QLatin1String("exec"))
            out << e.text;
    return out;
}

QList<RecordingBackend::Event> RecordingBackend::connects() const
{
    QList<Event> out;
    for (const Event& e : events)
        if (e.kind == QLatin1String("connect"))
            out << e;
    return out;
}

void RecordingBackend::connect(const QString& driverName, const QStringList& params)
{
    events.append({QStringLiteral("connect"), driverName, params});
    m_connected = false;
    if (onConnect)
        onConnect(driverName, params);
    m_connected = true;
}

void RecordingBackend::disconnect()
{
    if (m_connected)
        events.append({QStringLiteral("disconnect"), {}, {}});
    m_connected = false;
}

void RecordingBackend::begin() { events.append({QStringLiteral("begin"), {}, {}}); }
void RecordingBackend::commit() { events.append({QStringLiteral("commit"), {}, {}}); }
void RecordingBackend::rollback() { events.append({QStringLiteral("rollback"), {}, {}}); }

const RecordingBackend::Answer* RecordingBackend::match(const QString& sql)
{
    for (Rule& r : m_rules) {
        if (r.times == 0 || !sql.contains(r.containing, Qt::CaseInsensitive))
            continue;
        if (r.times > 0)
            --r.times;
        return &r.answer;
    }
    return nullptr;
}

std::unique_ptr<Cursor> RecordingBackend::open(const QString& sql, const QList<QVariant>&)
{
    events.append({QStringLiteral("open"), sql, {}});
    if (!m_connected)
        throw DatabaseError(QStringLiteral("not connected"));
    const Answer* a = match(sql);
    if (a && !a->error.isEmpty())
        throw DatabaseError(a->error);
    return std::make_unique<ListCursor>(a ? a->columns : QStringList{}, a ? a->rows : QList<QList<QVariant>>{});
}

int RecordingBackend::exec(const QString& sql, const QList<QVariant>&)
{
    events.append({QStringLiteral("exec"), sql, {}});
    if (!m_connected)
        throw DatabaseError(QStringLiteral("not connected"));
    const Answer* a = match(sql);
    if (a && !a->error.isEmpty())
        throw DatabaseError(a->error);
    return a ? a->affected : 0;
}
