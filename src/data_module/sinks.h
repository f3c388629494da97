#pragma once
#include <QString>

#include <functional>
#include <memory>

// What a job reports while it runs. Windows connect these to their widgets;
// tests record them.

// Appends report lines (a memo or a log).
class ReportSink {
public:
    virtual ~ReportSink() = default;
    virtual void addLine(const QString& line) = 0;
    virtual void clear() {}
    // Puts line in place of the last line (a running line that became a done line).
    // A sink that cannot change what it has written appends it.
    virtual void replaceLastLine(const QString& line) { addLine(line); }
};

// A progress bar with an optional label.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void setLabel(const QString& /*text*/) {}
    virtual void setRange(int minimum, int maximum) = 0;
    virtual void setPosition(int position) = 0;
    virtual void step() = 0;
};

// Lets pending window events run between statements (repaints, the run guard).
class EventsHook {
public:
    virtual ~EventsHook() = default;
    virtual void processEvents() = 0;
};

// Creates and shows a progress window for one pass of a run; destroying the sink closes
// and frees the window. Jobs take one of these so that tests can count the windows.
using ProgressFactory = std::function<std::unique_ptr<ProgressSink>()>;

// Sinks that drop everything, for callers that do not show progress.
class NullProgress : public ProgressSink {
public:
    void setRange(int, int) override {}
    void setPosition(int) override {}
    void step() override {}
};
class NullEvents : public EventsHook {
public:
    void processEvents() override {}
};
