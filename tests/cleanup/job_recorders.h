#pragma once
// Sinks that record what the cleanup jobs report, for the job tests.
#include "cleanup/cleanup_sinks.h"

#include <QList>
#include <QStringList>

struct RecordingProgress : ProgressSink {
    QStringList calls;   // "range 0 9", "pos 0", "step"
    int minimum = 0, maximum = 0, position = 0;
    void setLabel(const QString& text) override { calls << QStringLiteral("label ") + text; }
    void setRange(int mn, int mx) override
    {
        minimum = mn;
        maximum = mx;
        calls << QStringLiteral("range %1 %2").arg(mn).arg(mx);
    }
    void setPosition(int p) override
    {
        position = p;
        calls << QStringLiteral("pos %1").arg(p);
    }
    void step() override
    {
        ++position;
        calls << QStringLiteral("step");
    }
    int steps() const { return int(calls.count(QStringLiteral("step"))); }
};

struct RecordingLabels : ClassLabelSink {
    struct Change {
        DataClassId id;
        QString text;
        QColor colour;
    };
    QList<Change> changes;
    void setClassLabel(DataClassId id, const QString& text, const QColor& colour) override
    {
        changes.append({id, text, colour});
    }
    QStringList texts(DataClassId id) const
    {
        QStringList out;
        for (const Change& c : changes)
            if (c.id == id)
                out << c.text;
        return out;
    }
    QColor lastColour(DataClassId id) const
    {
        QColor colour;
        for (const Change& c : changes)
            if (c.id == id && c.colour.isValid())
                colour = c.colour;
        return colour;
    }
};

struct RecordingList : DirtyListSink {
    QList<DirtyEntry> entries;
    int clears = 0;
    void clearEntries() override
    {
        ++clears;
        entries.clear();
    }
    void addEntry(const DirtyEntry& e) override { entries.append(e); }
    // "image|number|date|name|class|count" per entry, in list order.
    QStringList rows() const
    {
        QStringList out;
        for (const DirtyEntry& e : entries)
            out << QStringLiteral("%1|%2|%3|%4|%5|%6")
                       .arg(e.image)
                       .arg(e.reportNumber, e.reportDate, e.reportName, e.className, e.count);
        return out;
    }
};

struct RecordingLog : ReportSink {
    QStringList lines;
    int clears = 0;
    void addLine(const QString& line) override { lines << line; }
    void clear() override
    {
        ++clears;
        lines.clear();
    }
};

struct CountingEvents : EventsHook {
    int count = 0;
    void processEvents() override { ++count; }
};
