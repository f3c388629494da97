#pragma once
#include "app/prompt_service.h"

#include <QList>
#include <QQueue>
#include <QString>

// Records every box and answers from queues; installs itself for its lifetime.
class ScriptedPrompts : public PromptService {
public:
    struct Box {
        QString text;
        QString caption;
        PromptIcon icon;
        PromptButtons buttons;
    };

    ScriptedPrompts() { PromptService::install(this); }
    ~ScriptedPrompts() override { PromptService::install(nullptr); }

    PromptAnswer message(const QString& text, const QString& caption, PromptIcon icon,
        PromptButtons buttons) override
    {
        boxes.append({text, caption, icon, buttons});
        if (!answers.isEmpty())
            return answers.dequeue();
        return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    }
    QString saveFileName(const QString&, const QString&) override
    {
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }
    QString folder(const QString&, const QString&) override
    {
        return folders.isEmpty() ? QString() : folders.dequeue();
    }

    QStringList texts() const
    {
        QStringList out;
        for (const Box& b : boxes)
            out << b.text;
        return out;
    }

    QList<Box> boxes;
    QQueue<PromptAnswer> answers;   // default: Yes for questions, Ok otherwise
    QQueue<QString> fileNames;
    QQueue<QString> folders;
};
