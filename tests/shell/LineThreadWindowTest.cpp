// The main window on the line's own thread, against ampsim on a real
// pseudo-terminal: a cable pulled during the data monitor's ticks is shown
// within about one read time-out, and the window keeps answering meanwhile;
// a dialog the window opens does not stop the line.
#include <QAction>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <filesystem>
#include <fstream>

#include "link/StatusTexts.h"
#include "shell/DeskApplication.h"
#include "shell/Mainform.h"
#include "tests/link/AmpsimProcess.h"
#include "tests/support/ScriptedQuestions.h"

namespace {

constexpr int AnswerFX = 1;
const char* const kDataFiles[] = {"Message.E", "Message.J",    "Message.C", "BXAmp.typ",
                                  "Motor.typ", "FX_Motor.tpy", "limit.ini"};

// Runs the event loop until ready() or ms have passed; the longest gap
// between two turns of a 10 ms probe timer is kept in longestGapMs.
bool RunUntil(const std::function<bool()>& ready, int ms, qint64& longestGapMs) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longestGapMs = std::max(longestGapMs, clock.elapsed() - last);
        last = clock.elapsed();
    });
    probe.start(10);
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (ready()) return true;
    }
    return false;
}

// The main window on the line's own thread against ampsim, with the desk lock
// handed to the application while the window lives.
struct WindowOnAmpsim {
    WindowOnAmpsim() : ampsim(AMPSIM_PATH, "fx", {"--fx-version", "31"}), form(Setup()) {
        app->SetDeskLock(&form.GetDesk().Lock());
        form.FormCreate();
    }
    ~WindowOnAmpsim() {
        form.GetDesk().StopLine();
        app->SetDeskLock(nullptr);
    }
    MainFormSetup Setup() {
        const std::string folder = ampsim.Folder() + "/";
        for (const char* name : kDataFiles) {
            std::filesystem::copy_file(std::string(SERVODESK_DATA_DIR) + "/" + name, folder + name);
        }
        questions.Answer(AnswerFX);
        MainFormSetup setup;
        setup.StartFolder = folder;
        setup.QuestionsOverride = &questions;
        setup.LineThread = true;
        return setup;
    }

    DeskApplication* app = static_cast<DeskApplication*>(qApp);
    AmpsimProcess ampsim;
    ScriptedQuestions questions;
    TMainForm form;
};

}  // namespace

class LineThreadWindowTest : public QObject {
    Q_OBJECT

private slots:
    void cablePullIsShownAtOnceWhileTheWindowAnswers() {
        WindowOnAmpsim bench;
        TMainForm& form = bench.form;
        Desk& desk = form.GetDesk();
        const auto panelSays = [&](int message) {
            const DeskLock::Scope hold(desk.Lock());
            return desk.Panel.MainMsg2 == desk.Catalogue.Msg(message);
        };
        qint64 gap = 0;
        QVERIFY(
            RunUntil([&] { return desk.LinkOpen() && !panelSays(CatalogueTexts::MsgCommError); },
                     5000, gap));
        form.Action("M11Monitor")->trigger();
        {
            const DeskLock::Scope hold(desk.Lock());
            desk.Monitors.Monitor.MonitorSelection.fill(1);
        }
        RunUntil([] { return false; }, 1200, gap);  // the monitor ticks

        QVERIFY(bench.ampsim.Command("pull", "cable pulled"));
        gap = 0;
        QElapsedTimer sincePull;
        sincePull.start();
        QVERIFY(RunUntil([&] { return panelSays(CatalogueTexts::MsgCommError); }, 5000, gap));
        QVERIFY2(sincePull.elapsed() < 1500, qPrintable(QString::number(sincePull.elapsed())));
        // A read waiting for its time-out (1 s) never holds the window.
        QVERIFY2(gap < 500, qPrintable(QString::number(gap)));

        QVERIFY(bench.ampsim.Command("plug", "cable in"));
        QVERIFY(RunUntil([&] { return !panelSays(CatalogueTexts::MsgCommError); }, 5000, gap));
    }

    // A dialog the window opens from a menu runs its own event loop: the
    // line's jobs go on while the user reads it.
    void lineJobsRunWhileADialogOfTheWindowIsOpen() {
        WindowOnAmpsim bench;
        Desk& desk = bench.form.GetDesk();
        qint64 gap = 0;
        QVERIFY(RunUntil([&] { return desk.LinkOpen(); }, 5000, gap));
        for (const char* item : {"M72ShowAbout", "M71ShowHelp"}) {
            std::atomic<bool> ran = false;
            bool posted = false, ranWhileOpen = false, closed = false;
            QElapsedTimer sincePosted;
            QTimer watch;
            connect(&watch, &QTimer::timeout, [&] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (dialog == nullptr) return;
                if (!posted) {
                    posted = desk.PostCommand([&] { ran = true; });
                    sincePosted.start();
                }
                if (!ran && sincePosted.elapsed() < 3000) return;
                ranWhileOpen = ran;
                dialog->reject();
            });
            watch.start(20);
            // From an event, as a menu click comes: the window holds the lock.
            QTimer::singleShot(0, &bench.form, [&] {
                bench.form.Action(item)->trigger();
                closed = true;
            });
            QVERIFY(RunUntil([&] { return closed; }, 10000, gap));
            QVERIFY2(posted, item);
            QVERIFY2(ranWhileOpen, item);
        }
    }
};

int main(int argc, char** argv) {
    DeskApplication app(argc, argv);
    LineThreadWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LineThreadWindowTest.moc"
