#pragma once
#include "data_module/sinks.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStringList>

// Sinks that write to the wizard's widgets.

class MemoSink : public ReportSink {
public:
    explicit MemoSink(QPlainTextEdit* memo) : m_memo(memo) {}
    void addLine(const QString& line) override { m_memo->appendPlainText(line); }
    void clear() override { m_memo->clear(); }

private:
    QPlainTextEdit* m_memo;
};

// A bar driven by a job. An empty range (maximum 0) shows an empty bar rather than
// Qt's busy indicator; the logical range is kept for the readers.
class BarSink : public ProgressSink {
public:
    explicit BarSink(QProgressBar* bar) : m_bar(bar) {}
    void setRange(int minimum, int maximum) override
    {
        m_bar->setRange(minimum, maximum > minimum ? maximum : minimum + 1);
        m_bar->setProperty("logicalMaximum", maximum);
        m_bar->setValue(minimum);
    }
    void setPosition(int position) override { m_bar->setValue(qBound(m_bar->minimum(), position, m_bar->maximum())); }
    void step() override
    {
        if (m_bar->value() < m_bar->maximum())
            m_bar->setValue(std::max(m_bar->value(), m_bar->minimum()) + 1);
    }
    int maximum() const
    {
        const QVariant v = m_bar->property("logicalMaximum");
        return v.isValid() ? v.toInt() : m_bar->maximum();
    }
    void toMaximum() { m_bar->setValue(m_bar->maximum()); }

private:
    QProgressBar* m_bar;
};

class PumpEvents : public EventsHook {
public:
    void processEvents() override { QCoreApplication::processEvents(); }
};
