#include "app/VamloApp.h"

int main(int argc, char* argv[])
{
    CVamloApp app(argc, argv);
    if (!app.InitInstance())
        return app.InitExitCode();
    return app.exec();
}
