#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <clocale>

#include "shell/Mainform.h"
#include "shell/Settings.h"

namespace {

// Without a window manager nothing acts on the maximise request and the
// window would stay at its form size in a corner: fill the screen instead.
void FillScreenIfNotMaximised(TMainForm& mainForm) {
    const QRect screen = mainForm.screen()->availableGeometry();
    const QRect frame = mainForm.frameGeometry();
    if (frame.width() < screen.width() * 9 / 10 || frame.height() < screen.height() * 9 / 10) {
        mainForm.setGeometry(screen);
    }
}

}  // namespace

// ServoDesk takes no options: everything comes from Init.ini in the folder it
// is started in.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Qt takes the user's locale; the amplifier's texts, cell formats and the
    // files all use "." as the decimal point, whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    MainFormSetup setup;
    setup.StartFolder = CurrentStartFolder();
    TMainForm mainForm(setup);
    // The window shows before the link is tried, so that a dead link never
    // leaves the user looking at nothing.
    mainForm.showMaximized();
    mainForm.FormCreate();
    QTimer::singleShot(500, &mainForm, [&mainForm] { FillScreenIfNotMaximised(mainForm); });
    return app.exec();
}
