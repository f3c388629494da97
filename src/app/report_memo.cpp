#include "app/report_memo.h"

#include <QScrollBar>
#include <QTextBlock>

ReportMemo::ReportMemo(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setUndoRedoEnabled(false);
}

void ReportMemo::addLine(const QString& line)
{
    appendPlainText(line);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ReportMemo::clear() { QPlainTextEdit::clear(); }

QStringList ReportMemo::lines() const
{
    QStringList out;
    const QTextDocument* doc = document();
    if (doc->isEmpty())
        return out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        out.append(b.text());
    return out;
}
