// The main window on the line's own thread, against ampsim on a real
// pseudo-terminal: a cable pulled during the data monitor's ticks is shown
// within about one read time-out, and the window keeps answering meanwhile.
#include <QAction>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>
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

}  // namespace

class LineThreadWindowTest : public QObject {
    Q_OBJECT

private slots:
    void cablePullIsShownAtOnceWhileTheWindowAnswers() {
        AmpsimProcess ampsim(AMPSIM_PATH, "fx", {"--fx-version", "31"});
        const std::string folder = ampsim.Folder() + "/";
        for (const char* name : kDataFiles) {
            std::filesystem::copy_file(std::string(SERVODESK_DATA_DIR) + "/" + name, folder + name);
        }
        ScriptedQuestions questions;
        questions.Answer(AnswerFX);
        MainFormSetup setup;
        setup.StartFolder = folder;
        setup.QuestionsOverride = &questions;
        setup.LineThread = true;
        TMainForm form(setup);
        auto* app = static_cast<DeskApplication*>(qApp);
        app->SetDeskLock(&form.GetDesk().Lock());
        form.FormCreate();
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

        QVERIFY(ampsim.Command("pull", "cable pulled"));
        gap = 0;
        QElapsedTimer sincePull;
        sincePull.start();
        QVERIFY(RunUntil([&] { return panelSays(CatalogueTexts::MsgCommError); }, 5000, gap));
        QVERIFY2(sincePull.elapsed() < 1500, qPrintable(QString::number(sincePull.elapsed())));
        // A read waiting for its time-out (1 s) never holds the window.
        QVERIFY2(gap < 500, qPrintable(QString::number(gap)));

        QVERIFY(ampsim.Command("plug", "cable in"));
        QVERIFY(RunUntil([&] { return !panelSays(CatalogueTexts::MsgCommError); }, 5000, gap));
        form.GetDesk().StopLine();
        app->SetDeskLock(nullptr);
    }
};

int main(int argc, char** argv) {
    DeskApplication app(argc, argv);
    LineThreadWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LineThreadWindowTest.moc"
