#include "app/bar_sink.h"

#include <QProgressBar>
#include <QVariant>

void BarSink::setRange(int minimum, int maximum)
{
    m_bar->setRange(minimum, maximum > minimum ? maximum : minimum + 1);
    m_bar->setProperty("logicalMaximum", maximum);
    m_bar->setValue(minimum);
}

void BarSink::setPosition(int position) { m_bar->setValue(qBound(m_bar->minimum(), position, m_bar->maximum())); }

void BarSink::step()
{
    if (m_bar->value() < m_bar->maximum())
        m_bar->setValue(std::max(m_bar->value(), m_bar->minimum()) + 1);
}

int BarSink::maximum() const
{
    const QVariant v = m_bar->property("logicalMaximum");
    return v.isValid() ? v.toInt() : m_bar->maximum();
}

void BarSink::toMaximum() { m_bar->setValue(m_bar->maximum()); }
