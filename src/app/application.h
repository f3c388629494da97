#pragma once
#include "data_module/job_context.h"

#include <QApplication>

// The program's application object: its title, Qt's own Chinese texts for standard
// buttons and dialogs, and the standard error box for an error no caller caught.
class VostrelApplication : public QApplication {
    Q_OBJECT
public:
    VostrelApplication(int& argc, char** argv);

    // An exception leaving an event handler is shown instead of ending the program.
    bool notify(QObject* receiver, QEvent* event) override;
};

// Sets the application title (as the application name, so that window titles stay
// exactly as the windows set them).
void setApplicationTitle();
// Loads Qt's zh_CN translation into the application; false when it is not installed.
bool installChineseTranslation();
