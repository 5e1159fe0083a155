// Draws the "Other port..." dialog and the open-failure dialogs into PNG files
// to look at: port_dialogs_demo OUTPUT_FOLDER. The port list comes from a
// test tree in which a pseudo-terminal stands under a USB adapter's by-id
// name; the failures are real opens (missing, busy, not a serial port), and
// permission is told as an ordinary user would see it.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "link/Comm.h"
#include "link/MessageCatalogue.h"
#include "link/PortDiagnosis.h"
#include "shell/Msgdlg.h"
#include "tests/link/PtyPair.h"

namespace fs = std::filesystem;

namespace {

// Saves the dialog that is about to open, then closes it.
void ShootNextDialog(const std::string& file) {
    QTimer::singleShot(400, [file] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->grab().save(QString::fromStdString(file));
            dialog->close();
        }
    });
}

OpenFailure FailedOpen(const std::string& path) {
    TComm port;
    port.SetDeviceName(path);
    port.Open();
    return port.LastOpenFailure();
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const std::string out = argc > 1 ? std::string(argv[1]) + "/" : std::string("./");
    MessageCatalogue catalogue;
    catalogue.Load(SERVODESK_DATA_DIR "/", 1);
    DialogCaptions captions;
    DialogQuestions questions(captions, catalogue);

    const fs::path tree = fs::temp_directory_path() / ("port-demo-" + std::to_string(::getpid()));
    fs::create_directories(tree / "dev" / "serial" / "by-id");
    PtyPair adapter;
    fs::create_symlink(adapter.SlavePath(),
                       tree / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    for (const char* node : {"ttyUSB1", "ttyACM0"}) std::ofstream(tree / "dev" / node) << "";
    const DeviceTree devices{(tree / "dev").string(), (tree / "sys").string()};
    ShootNextDialog(out + "other_port.png");
    questions.ChooseSerialPort({catalogue.Msg(328), ListSerialPorts(devices), ""});

    DiagnosisContext context;
    context.Tree = devices;
    auto show = [&](const std::string& name, const std::string& port, const OpenFailure& failure) {
        ShootNextDialog(out + name);
        questions.StandardDialog(DescribeOpenFailure(port, failure, context), DialogKind::Error,
                                 {sbOK});
    };
    show("missing.png", "Com1", FailedOpen("/dev/ttyUSB9"));
    // Root opens everything: the refusal an ordinary user meets is told for a
    // device node of the usual group.
    const std::string usbNode = (tree / "dev" / "ttyUSB1").string();
    if (const group* dialout = ::getgrnam("dialout")) {
        if (::chown(usbNode.c_str(), 0, dialout->gr_gid) != 0) return 1;
    }
    show("permission.png", "Com1", {PortProblem::PermissionDenied, EACCES, usbNode, 0});
    const pid_t holder = ::fork();
    if (holder == 0) {
        commline::OpenExclusive(adapter.SlavePath());
        ::pause();
        ::_exit(0);
    }
    ::usleep(300000);
    show("busy.png", "", FailedOpen(adapter.SlavePath()));
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    show("not_serial.png", "Com1", FailedOpen("/dev/null"));
    fs::remove_all(tree);
    return 0;
}
