#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "PackageVersion.h"
#include "shell/DeskApplication.h"
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

// What the platform plugin said while it looked for a display.
std::string& DisplayComplaint() {
    static std::string complaint;
    return complaint;
}

std::string DisplayName() {
    for (const char* variable : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return std::string(variable) + "=" + value;
    }
    return {};
}

// A display that cannot be reached makes Qt abort with a trace about
// reinstalling plugins; the user needs one line that says what is wrong.
void StartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        const std::string display = DisplayName();
        std::string line = display.empty() ? "servodesk: no display (DISPLAY is not set)"
                                           : "servodesk: cannot open the display (" + display + ")";
        if (!DisplayComplaint().empty()) line += ": " + DisplayComplaint();
        std::fprintf(stderr, "%s; start ServoDesk in a desktop session, or under xvfb-run.\n",
                     line.c_str());
        std::_Exit(1);
    }
    if (context.category && std::strncmp(context.category, "qt.qpa", 6) == 0) {
        if (DisplayComplaint().empty()) DisplayComplaint() = message.toStdString();
        return;
    }
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

constexpr char kUsage[] =
    "usage: servodesk [--help] [--version]\n"
    "Sets up and watches a servo amplifier over RS-232. Everything else comes\n"
    "from Init.ini: in the start folder when it holds one (or the installation\n"
    "files), else in $XDG_CONFIG_HOME/servodesk/ (~/.config/servodesk/).\n"
    "See servodesk(1).\n";

// --help and --version are answered before Qt looks for a display, so that
// they work from any shell; every other argument is left to Qt.
bool AnsweredWithoutWindow(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--version") {
            std::printf("servodesk %s\n", kPackageVersion);
            return true;
        }
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsage, stdout);
            return true;
        }
    }
    return false;
}

}  // namespace

// Apart from --help and --version, ServoDesk takes no options: everything
// comes from Init.ini.
int main(int argc, char* argv[]) {
    if (AnsweredWithoutWindow(argc, argv)) return 0;
    const QtMessageHandler previous = qInstallMessageHandler(StartupMessages);
    DeskApplication app(argc, argv);
    qInstallMessageHandler(previous);
    // Qt takes the user's locale; the amplifier's texts, cell formats and the
    // files all use "." as the decimal point, whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    MainFormSetup setup;
    setup.StartFolder = CurrentStartFolder();
    setup.LineThread = true;
    TMainForm mainForm(setup);
    app.SetDeskLock(&mainForm.GetDesk().Lock());
    // The window shows before the link is tried, so that a dead link never
    // leaves the user looking at nothing.
    mainForm.showMaximized();
    mainForm.FormCreate();
    QTimer::singleShot(500, &mainForm, [&mainForm] { FillScreenIfNotMaximised(mainForm); });
    const int status = app.exec();
    // The line thread ends before the window and the desk go.
    mainForm.GetDesk().StopLine();
    app.SetDeskLock(nullptr);
    return status;
}
