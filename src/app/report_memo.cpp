#include "app/report_memo.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

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

void ReportMemo::replaceLastLine(const QString& line)
{
    if (document()->isEmpty()) {
        addLine(line);
        return;
    }
    QTextCursor cursor(document()->lastBlock());
    cursor.movePosition(QTextCursor::StartOfBlock);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(line);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

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
