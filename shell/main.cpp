#include <QApplication>

#include "shell/Mainform.h"
#include "shell/Settings.h"

// ServoDesk takes no options: everything comes from Init.ini in the folder it
// is started in.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    MainFormSetup setup;
    setup.StartFolder = CurrentStartFolder();
    TMainForm mainForm(setup);
    mainForm.FormCreate();
    mainForm.showMaximized();
    return app.exec();
}
