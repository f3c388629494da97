#include "app/folder_picker.h"

#include "data_module/prompts.h"

#include <QDir>
#include <QFileInfo>

bool PickFolder(PromptService& prompts, const QString& caption, QString& folder)
{
    if (!QFileInfo(folder).isDir())
        folder.clear();
    const QString chosen = prompts.folder(caption, folder);
    if (chosen.isEmpty() || !QFileInfo(chosen).isDir())
        return false;
    folder = QDir::cleanPath(QFileInfo(chosen).absoluteFilePath());
    return true;
}
