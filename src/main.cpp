#include "app/application.h"
#include "app/startup.h"
#include "dispatch_table.h"

int main(int argc, char** argv)
{
    VostrelApplication app(argc, argv);
    return RunProgram(app, buildDispatchTable);
}
