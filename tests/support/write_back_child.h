#pragma once
// The parent's side of a write-back run in a child process that announces, after its line
// "write-back", each statement as "<number> <text>" before sending it.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// Reads the child's lines until it ends (or is silent for waitMs), keeping them in output
// and the last announced number in lastSeen; statements, when given, gets each text.
// atStatement runs once, as soon as statement `at` was announced (never when at < 0).
inline void followWriteBackChild(QProcess& child, int at, int waitMs, int& lastSeen, QString& output,
    QStringList* statements, const std::function<void()>& atStatement)
{
    bool inWriteBack = false;
    bool fired = false;
    while (child.state() != QProcess::NotRunning) {
        if (!child.canReadLine() && !child.waitForReadyRead(waitMs))
            break;
        while (child.canReadLine()) {
            const QString line = QString::fromUtf8(child.readLine()).trimmed();
            output += line + u'\n';
            if (line == u"write-back") {
                inWriteBack = true;
            } else if (inWriteBack && !line.startsWith(u"done")) {
                lastSeen = line.section(u' ', 0, 0).toInt();
                if (statements)
                    statements->append(line.section(u' ', 1));
            }
            if (!fired && at >= 0 && lastSeen >= at) {
                fired = true;
                atStatement();
            }
        }
    }
}
