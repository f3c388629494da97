#pragma once
#include "app/prompt_service.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QTest>

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
        if (strict && !expected(text)) {
            // Fails the running test now, and answers so that the flow ends rather than goes on.
            QTest::qFail(qPrintable(QStringLiteral("unexpected box: ") + text), __FILE__, __LINE__);
            return buttons == PromptButtons::Ok ? PromptAnswer::Ok
                : buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
        }
        return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    }

    // Strict: a box without a queued answer must begin with one of the allowed texts;
    // any other fails the test at once (a test that would otherwise wait on it or go on
    // on a wrong path).
    void expectOnly(const QStringList& allowedStarts)
    {
        strict = true;
        allowed = allowedStarts;
    }
    bool expected(const QString& text) const
    {
        for (const QString& start : allowed)
            if (text.startsWith(start))
                return true;
        return false;
    }
    QString saveFileName(const QString&, const QString&) override
    {
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }
    QString openFileName(const QString& caption, const QString&) override
    {
        openCaptions << caption;
        return openFileNames.isEmpty() ? QString() : openFileNames.dequeue();
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
    QQueue<QString> openFileNames;
    QStringList openCaptions;
    bool strict = false;
    QStringList allowed;
};

// Whatever service is installed when a box is shown: for jobs built before the test's
// ScriptedPrompts.
class InstalledPrompts : public PromptService {
public:
    PromptAnswer message(const QString& text, const QString& caption, PromptIcon icon,
        PromptButtons buttons) override
    {
        return PromptService::instance().message(text, caption, icon, buttons);
    }
    QString saveFileName(const QString& suffix, const QString& filter) override
    {
        return PromptService::instance().saveFileName(suffix, filter);
    }
    QString openFileName(const QString& caption, const QString& filter) override
    {
        return PromptService::instance().openFileName(caption, filter);
    }
    QString folder(const QString& caption, const QString& start) override
    {
        return PromptService::instance().folder(caption, start);
    }
};
