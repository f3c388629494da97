#pragma once
#include "data_module/job_context.h"
#include "data_module/sinks.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <QTime>

// The report page's memo: read-only, both scroll bars, lines appended as a job reports
// them. A job writes to it through ReportSink.
class ReportMemo : public QPlainTextEdit, public ReportSink {
    Q_OBJECT
public:
    explicit ReportMemo(QWidget* parent = nullptr);

    void addLine(const QString& line) override;
    void clear() override;
    // The last line gives way to line; an empty memo gets it as its first line.
    void replaceLastLine(const QString& line) override;

    // The memo's lines as they stand (edits included); none when the memo is empty.
    QStringList lines() const;
    int lineCount() const { return lines().size(); }
};
