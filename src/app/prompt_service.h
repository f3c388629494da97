#pragma once
#include "data_module/prompts.h"

#include <QString>

// The real service: QMessageBox / QFileDialog, parented to the active window.
class WidgetPromptService : public PromptService {
public:
    PromptAnswer message(const QString& text, const QString& caption, PromptIcon icon,
        PromptButtons buttons) override;
    QString saveFileName(const QString& defaultSuffix, const QString& filter) override;
    QString openFileName(const QString& caption, const QString& filter) override;
    QString folder(const QString& caption, const QString& start) override;
};

inline PromptService& prompts() { return PromptService::instance(); }
