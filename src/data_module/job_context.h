#pragma once
#include "data_module/connection_state.h"
#include "data_module/prompts.h"
#include "data_module/sinks.h"

#include <QString>
#include <QTime>
#include <functional>
#include <memory>

class Database;

// The clock report lines are stamped with (tests fix it).
using JobClock = std::function<QTime()>;
inline QTime systemClock() { return QTime::currentTime(); }

// What every job runs with: the one connection and its state, the events hook that keeps
// the window painting between statements, the progress windows, the prompt service and
// the clock. A window builds it (FunctionWindow::jobContext()); tests build their own.
// A job's own choices come as a plain options struct beside it.
struct JobContext {
    Database& db;
    ConnectionState& state;
    EventsHook& events;
    ProgressFactory progressWindows;   // may be empty: the job then shows no progress
    PromptService& prompts;
    JobClock clock = systemClock;

    // A progress window for one pass; one that shows nothing when there is no factory.
    std::unique_ptr<ProgressSink> progressWindow() const;
    // "【hh:mm:ss】 " of the clock's time.
    QString stamp() const;
    DbKind kind() const { return state.DatabaseKind; }
};

// "Vostrel报表系统数据优化工具": the caption of boxes that name none of their own.
QString applicationTitle();

// The stamp that begins a timed report line: "【hh:mm:ss】 " (24-hour clock, one blank).
QString reportStamp(const QTime& time = QTime::currentTime());
