#pragma once
#include "cleanup/data_classes.h"
#include "data_module/job_context.h"
#include "data_module/sinks.h"

#include <QColor>
#include <QString>
#include <QTime>
#include <functional>

// What the cleanup jobs report; the wizard window shows it, tests record it.

// The per-class status labels of the check page (LabHZD .. LabHZSJ).
class ClassLabelSink {
public:
    virtual ~ClassLabelSink() = default;
    // colour invalid: leave the label's colour as it is.
    virtual void setClassLabel(DataClassId id, const QString& text, const QColor& colour) = 0;
};

// One entry of the list of affected reports (LvDirty).
struct DirtyEntry {
    int image = 0;          // the class number 1..5
    QString reportNumber;   // the caption: BBZD_BH
    QString reportDate;     // BBZD_DATE
    QString reportName;     // BBZD_MC
    QString className;      // "行字典" ...
    QString count;          // rows involved, shortest decimal text ("4")
};

class DirtyListSink {
public:
    virtual ~DirtyListSink() = default;
    virtual void clearEntries() = 0;
    virtual void addEntry(const DirtyEntry& entry) = 0;
};

struct CheckSinks {
    ClassLabelSink& labels;
    ProgressSink& bar;       // CheckDirtyBar
    DirtyListSink& list;     // LvDirty
    EventsHook& events;
};

struct AutoCleanSinks {
    ReportSink& log;         // AutoOptiLogMemo
    ProgressSink& bar;       // AutoOptiBar
    ProgressSink& rowBar;    // DeleteDYZDBar
    EventsHook& events;
};

// Verdict colours of the check labels.
inline QColor verdictRed() { return QColor(255, 0, 0); }
inline QColor verdictGreen() { return QColor(0, 128, 0); }

// The clock the log lines take their time from (tests fix it).
using CleanupClock = JobClock;

// "【hh:mm:ss】 " (24-hour), the start of every stamped log line.
inline QString logStamp(const QTime& time)
{
    return QStringLiteral("【") + time.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("】 ");
}
// 30 equals signs, and the blank line of 30 spaces that closes a class.
inline QString logSeparator() { return QString(30, QLatin1Char('=')); }
inline QString logBlankLine() { return QString(30, QLatin1Char(' ')); }
