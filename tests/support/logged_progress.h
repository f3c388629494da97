#pragma once
// A progress factory for function-window jobs that logs what each progress window is told.
#include "data_module/sinks.h"

#include <QList>
#include <QStringList>
#include <memory>

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
