#pragma once
#include "cleanup/cleanup_sinks.h"

#include <QIcon>
#include <QLabel>
#include <QTreeWidget>
#include <array>

// The wizard's own sinks: the class labels of the check page and the list of affected
// reports. Memos, bars and events are the shared ones (ReportMemo, BarSink, the guard).

class LabelSink : public ClassLabelSink {
public:
    explicit LabelSink(const std::array<QLabel*, 5>& labels) : m_labels(labels) {}
    void setClassLabel(DataClassId id, const QString& text, const QColor& colour) override
    {
        QLabel* l = m_labels.at(static_cast<size_t>(static_cast<int>(id) - 1));
        l->setText(text);
        if (colour.isValid()) {
            QPalette p = l->palette();
            p.setColor(QPalette::WindowText, colour);
            l->setPalette(p);
        }
    }

private:
    const std::array<QLabel*, 5>& m_labels;
};

class ListSink : public DirtyListSink {
public:
    explicit ListSink(QTreeWidget* list) : m_list(list) {}
    void clearEntries() override { m_list->clear(); }
    void addEntry(const DirtyEntry& e) override
    {
        auto* item = new QTreeWidgetItem(m_list,
            QStringList{e.reportNumber, e.reportDate, e.reportName, e.className, e.count});
        item->setIcon(0, QIcon(QStringLiteral(":/cleanup/images/class_%1.svg").arg(e.image)));
        item->setData(0, Qt::UserRole, e.image);
    }

private:
    QTreeWidget* m_list;
};
