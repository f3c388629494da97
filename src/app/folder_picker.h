#pragma once
#include <QString>

class PromptService;

// PickFolder: the user chooses an existing folder through the prompt service's
// directory-only chooser. folder is the preselection on entry, dropped when it is not an
// existing directory; on true it holds the chosen folder's absolute path. On false (the user
// cancelled) it keeps its entry value after that dropping, and the caller leaves its edit
// box as it was.
bool PickFolder(PromptService& prompts, const QString& caption, QString& folder);
