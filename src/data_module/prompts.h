#pragma once
#include <QString>

class DatabaseError;

enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptButtons { Ok, YesNo, OkCancel, YesNoCancel };
enum class PromptAnswer { Ok, Yes, No, Cancel };

// Every message box, the save-file dialog and the folder picker go through here, so that
// tests can install a scripted service that records each box and answers from a queue.
// Jobs reach it through their job context; windows through prompts() (app/prompt_service.h).
class PromptService {
public:
    virtual ~PromptService() = default;

    virtual PromptAnswer message(const QString& text, const QString& caption, PromptIcon icon,
        PromptButtons buttons) = 0;
    // Empty when the user cancels.
    virtual QString saveFileName(const QString& defaultSuffix, const QString& filter) = 0;
    // An existing file to read; empty when the user cancels.
    virtual QString openFileName(const QString& caption, const QString& filter) = 0;
    // A directory-only chooser: an absolute path, or empty when the user cancels.
    virtual QString folder(const QString& caption, const QString& start) = 0;

    // The standard error box for a database error no caller caught.
    void databaseError(const DatabaseError& error);
    // Shorthands for the common boxes.
    void information(const QString& text, const QString& caption = QStringLiteral("提示"));
    bool confirm(const QString& text, const QString& caption, PromptIcon icon = PromptIcon::Question);

    // The installed service, else the real one (defined with the real one in app).
    static PromptService& instance();
    // Installs a service (not owned); nullptr restores the real one.
    static void install(PromptService* service);
};
