#pragma once
// Sinks that record the cleanup check's own reports (class labels, the list of affected
// reports); the progress, log and event recorders are in support/recorders.h.
#include "cleanup/cleanup_sinks.h"
#include "support/recorders.h"

#include <QList>
#include <QStringList>

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

