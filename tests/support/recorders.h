#pragma once
// Sinks that record what a job reports, for the job and window tests: a progress bar, a
// report memo, the events hook, and a progress factory that logs every window it makes.
#include "data_module/sinks.h"

#include <QList>
#include <QStringList>
#include <memory>

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

// A progress factory for function-window jobs that logs what each progress window is told.
struct ProgressLog {
    int windows = 0;   // progress windows created
    int open = 0;      // progress windows not yet freed
    QStringList labels;
    QList<int> maxima;
    int steps = 0;
};

class LoggedProgress : public ProgressSink {
public:
    explicit LoggedProgress(ProgressLog& log) : m_log(log) { ++m_log.open; }
    ~LoggedProgress() override { --m_log.open; }
    void setLabel(const QString& text) override { m_log.labels << text; }
    void setRange(int, int maximum) override { m_log.maxima << maximum; }
    void setPosition(int) override {}
    void step() override { ++m_log.steps; }

private:
    ProgressLog& m_log;
};

inline ProgressFactory loggedProgress(ProgressLog& log)
{
    return [&log]() -> std::unique_ptr<ProgressSink> {
        ++log.windows;
        return std::make_unique<LoggedProgress>(log);
    };
}
