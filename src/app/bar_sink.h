#pragma once
#include "data_module/sinks.h"

class QProgressBar;

// A progress bar of a window driven by a job. An empty range (maximum 0) shows an empty bar
// rather than Qt's busy indicator; the logical range is kept for the readers.
class BarSink : public ProgressSink {
public:
    explicit BarSink(QProgressBar* bar) : m_bar(bar) {}
    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;
    void step() override;
    // The range's maximum as the job gave it.
    int maximum() const;
    void toMaximum();

private:
    QProgressBar* m_bar;
};
