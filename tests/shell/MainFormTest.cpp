// The main window on the in-process simulated amplifier: start-up from the
// settings file, exit, service mode, menus, COM and language changes, and the
// bottom panel. Timers are not started; tests call the handlers.
#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "monitor/Monitor.h"
#include "params/ParamForm.h"
#include "shell/ChildWindows.h"
#include "shell/MainMenu.h"
#include "shell/Mainform.h"
#include "sim/SimLine.h"
#include "tests/support/ScriptedQuestions.h"
#include "widgets/Gauge.h"

#ifndef SERVODESK_DATA_DIR
#error "SERVODESK_DATA_DIR must name the folder with the catalogues and type files"
#endif

namespace {

// Family question results.
constexpr int AnswerBX = 6, AnswerDX = 7, AnswerFX = 1, AnswerKQRV = 2, AnswerLQRV = 3;

const char* const kDataFiles[] = {"Message.E", "Message.J",    "Message.C", "BXAmp.typ",
                                  "Motor.typ", "FX_Motor.tpy", "limit.ini"};

// A start-up folder with the data files, a simulated amplifier on a line and
// scripted answers; the main window is built on them by Start().
class Bench {
public:
    explicit Bench(const std::string& family, int fxVersion = 31) : rig_(family, fxVersion) {
        for (const char* name : kDataFiles) {
            std::filesystem::copy_file(std::string(SERVODESK_DATA_DIR) + "/" + name,
                                       Folder() + name);
        }
        rig_.line.Close();  // start-up opens it
    }

    std::string Folder() const { return dir_.path().toStdString() + "/"; }
    std::string IniPath() const { return Folder() + "Init.ini"; }
    void WriteIni(const std::string& content) const { std::ofstream(IniPath()) << content; }
    std::string ReadIni() const {
        std::ifstream in(IniPath());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Builds the window and runs start-up, answering the family question.
    TMainForm& Start(int familyAnswer) {
        questions.Answer(familyAnswer);
        MainFormSetup setup;
        setup.StartFolder = Folder();
        setup.QuestionsOverride = &questions;
        setup.PortOverride = line_ ? line_.get() : &rig_.line;
        setup.ClockOverride = &rig_.clock;
        setup.StartTimers = false;
        form_ = std::make_unique<TMainForm>(setup);
        form_->FormCreate();
        return *form_;
    }

    TMainForm& Form() { return *form_; }
    sim::SimLine& Line() { return rig_.line; }
    sim::Amplifier& Amp() { return rig_.amplifier; }
    QAction* Action(const char* name) { return form_->Action(name); }
    QLabel* Label(const char* name) { return form_->findChild<QLabel*>(name); }
    std::string Msg(int n) const { return form_->Catalogue().Msg(n); }
    QString MsgQ(int n) const { return QString::fromStdString(Msg(n)); }
    void Destroy() { form_.reset(); }
    // Start-up uses this line instead of the simulated one; the desk keeps it
    // until the window that uses it is gone.
    void UseLine(std::unique_ptr<SerialLine> line) { line_ = std::move(line); }

    ScriptedQuestions questions;

private:
    QTemporaryDir dir_;
    sim::SimRig rig_;
    std::unique_ptr<SerialLine> line_;
    std::unique_ptr<TMainForm> form_;
};

// A port whose opening fails the way an adapter pulled mid-open does.
class ThrowingLine : public sim::SimLine {
public:
    using sim::SimLine::SimLine;
    void Open() override { throw std::runtime_error("EIO: input/output error"); }
};

// Service mode and the family enable items; an item shows enabled only once
// it has a command to run.
bool ShownEnabled(Bench& desk, const char* item, bool wanted) {
    return desk.Action(item)->isEnabled() == (wanted && desk.Form().HasCommand(item));
}

QStringList CheckedItems(Bench& desk, const QStringList& names) {
    QStringList checked;
    for (const QString& name : names) {
        if (desk.Action(name.toLatin1().constData())->isChecked()) checked << name;
    }
    return checked;
}

const QStringList kComItems = {"M61COM1", "M62COM2", "M63COM3", "M64COM4",
                               "M65COM5", "M66COM6", "M67COM7", "M68COM8"};
const QStringList kLanguageItems = {"M51Japaness", "M52English", "M53Chinese"};

const char kFullIni[] =
    "SelectCOM=  2\n"
    "SelectLanguage=  0\n"
    "Before Amplifier=  4\n"
    "FX_Version= 30\n"
    "For User=0\n"
    "Printer page lines=60,20,30,1\n"
    "/srv/params/line7";

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void StartsWithDefaultsWithoutSettingsFile();
    void ShortSettingsFileOpensCom3InEnglish();
    void FullSettingsFileIsApplied();
    void ExitRewritesSettingsFile();
    void TransferChecksAreRememberedBesideOtherLines();
    void ExitAnsweredNoKeepsTheWindow();
    void UserLevelTwoStartsInServiceMode();
    void RestrictedUserLeavesServiceModeWithoutFullAccess();
    void ServiceModeEnablesTheFxFileItems();
    void InitialMenuStatesAndCaptions();
    void OnlyBxEnablesJogAndTuning_data();
    void OnlyBxEnablesJogAndTuning();
    void ComChangeReconnectsOnlyOnAChange();
    void OtherPortIsChosenShownAndRemembered();
    void LanguageChangeReloadsCaptions();
    void MissingCatalogueKeepsTheLanguageInUse();
    void UnknownSavedLanguageStartsInEnglish();
    void OutOfRangePortFallsBackToCom1();
    void PortThatThrowsOnOpenIsReported();
    void SettingsRewriteDefaultsAndFailure();
    void MenuCommandsWaitForARunningGroupRead();
    void CancelledGroupReadOpensNoWindowAndShowsNoError();
    void EveryChildWindowOpensOnceAndClearsItsFlag();
    void MonitoringWindowsOpenOnceAndTheirTimersServeThem();
    void UnreadableSettingsLinesAreReported();
    void BottomPanelMirrorsThePoll();
    void StatusTimerUpdatesTheLabels();
    void CommErrorShowsOnceAndStatusReturns();
    void LanguageChangeDuringOutageKeepsTheOutageTexts_data();
    void LanguageChangeDuringOutageKeepsTheOutageTexts();
    void ResizeCentresTheProgressPanel();
    void ProgressPanelAndMemoFollowThePanelState();
};

void MainFormTest::StartsWithDefaultsWithoutSettingsFile() {
    Bench desk("fx");
    TMainForm& form = desk.Start(AnswerFX);
    const DriveState& state = form.State();

    QCOMPARE(CheckedItems(desk, kComItems), QStringList{"M61COM1"});
    QCOMPARE(desk.Line().GetDeviceName(), std::string("Com1"));
    QCOMPARE(CheckedItems(desk, kLanguageItems), QStringList{"M52English"});
    QCOMPARE(state.Language, 1);
    QVERIFY(state.UserRestricted);
    QVERIFY(!state.FullAccess);
    QVERIFY(!state.ServiceMode);
    QCOMPARE(state.WorkFolder, desk.Folder());
    QCOMPARE(state.TempFileName, std::string("Tmp.Dat"));

    QCOMPARE(desk.questions.AskedQuestions().size(), std::size_t{1});
    const ScriptedQuestions::Asked& asked = desk.questions.Last();
    QVERIFY(asked.custom);
    QCOMPARE(asked.text, desk.Msg(48));
    QVERIFY(asked.kind == DialogKind::Confirmation);
    QCOMPARE(asked.buttons, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    QCOMPARE(asked.focusPosition, 0);

    // Identified over the line: FX 31, port open, busy flags released.
    QCOMPARE(state.FxVersion, 31);
    QVERIFY(desk.Line().Enabled());
    QVERIFY(!state.CommErrorLatched);
    QVERIFY(!state.PollBusy);
    QVERIFY(!state.ParamWriteBusy);
}

void MainFormTest::ShortSettingsFileOpensCom3InEnglish() {
    Bench desk("bx");
    desk.WriteIni("SelectCOM=  2\n");
    TMainForm& form = desk.Start(AnswerBX);

    QCOMPARE(CheckedItems(desk, kComItems), QStringList{"M63COM3"});
    QCOMPARE(desk.Line().GetDeviceName(), std::string("Com3"));
    QCOMPARE(form.State().SelectCom, 2);
    QCOMPARE(CheckedItems(desk, kLanguageItems), QStringList{"M52English"});
    QCOMPARE(desk.questions.Last().focusPosition, 0);
    QCOMPARE(form.State().FxVersion, 25);
    QCOMPARE(form.State().PrintLines, (std::array<int, 4>{58, 24, 36, 0}));
}

void MainFormTest::FullSettingsFileIsApplied() {
    Bench desk("lqrv", 33);
    desk.WriteIni(kFullIni);
    TMainForm& form = desk.Start(AnswerLQRV);
    const DriveState& state = form.State();

    QCOMPARE(desk.questions.Last().focusPosition, 4);
    QCOMPARE(CheckedItems(desk, kComItems), QStringList{"M63COM3"});
    QCOMPARE(CheckedItems(desk, kLanguageItems), QStringList{"M51Japaness"});
    QCOMPARE(state.Language, 0);
    QCOMPARE(desk.Action("M11Monitor")->text(), QString::fromUtf8("データモニタ"));
    QCOMPARE(state.PrintLines, (std::array<int, 4>{60, 20, 30, 1}));
    QCOMPARE(state.WorkFolder, std::string("/srv/params/line7"));
    QVERIFY(!state.UserRestricted);
    QVERIFY(state.FullAccess);
    QVERIFY(!state.ServiceMode);
    QVERIFY(state.QrvFlag && state.LqrvFlag && !state.YzFlag);
    QCOMPARE(state.FxVersion, 33);
}

// The check items start from Init.ini, flip on a click and go back into the
// file; a line another build wrote after the seven stays.
void MainFormTest::TransferChecksAreRememberedBesideOtherLines() {
    Bench desk("lqrv", 33);
    desk.WriteIni(std::string(kFullIni) + "\nPreviewBeforeTransfer=0\nPort=/dev/ttyUSB0\n");
    TMainForm& form = desk.Start(AnswerLQRV);
    QVERIFY(form.Action("M39VerifyAfterTransfer")->isChecked());
    QVERIFY(!form.Action("M3APreviewBeforeTransfer")->isChecked());
    QVERIFY(!form.Action("M3BBackupProduction")->isChecked());
    form.Action("M39VerifyAfterTransfer")->trigger();
    QVERIFY(!form.Action("M39VerifyAfterTransfer")->isChecked());
    QVERIFY(!form.State().VerifyAfterTransfer);
    form.Action("M3BBackupProduction")->trigger();
    QVERIFY(form.State().BackupInProduction);
    desk.questions.Answer(mrYes);
    form.M8ExitClick();
    const std::string ini = desk.ReadIni();
    QVERIFY2(ini.find("/srv/params/line7\nVerifyAfterTransfer=0\nPreviewBeforeTransfer=0\n"
                      "BackupInProduction=1\nPort=/dev/ttyUSB0\n") != std::string::npos,
             ini.c_str());
}

void MainFormTest::ExitRewritesSettingsFile() {
    Bench desk("lqrv", 33);
    desk.WriteIni(kFullIni);
    TMainForm& form = desk.Start(AnswerLQRV);
    desk.questions.Answer(mrYes);

    form.M8ExitClick();

    const ScriptedQuestions::Asked& asked = desk.questions.Last();
    QVERIFY(!asked.custom);
    QCOMPARE(asked.text, desk.Msg(49));
    QCOMPARE(asked.buttons, (std::vector<int>{sbYes, sbNo}));
    QVERIFY(!desk.Line().Enabled());
    QCOMPARE(desk.ReadIni(), std::string("SelectCOM=  2\n"
                                         "SelectLanguage=  0\n"
                                         "Before Amplifier=  4\n"
                                         "FX_Version= 33\n"
                                         "For User=0\n"
                                         "Printer page lines=60,20,30,1\n"
                                         "/srv/params/line7\n"
                                         "VerifyAfterTransfer=1\n"
                                         "PreviewBeforeTransfer=1\n"
                                         "BackupInProduction=0\n"));
    // Destroying the window afterwards writes nothing different.
    desk.Destroy();
    QCOMPARE(desk.ReadIni().substr(0, 14), std::string("SelectCOM=  2\n"));
}

void MainFormTest::ExitAnsweredNoKeepsTheWindow() {
    Bench desk("dx");
    TMainForm& form = desk.Start(AnswerDX);
    form.show();
    desk.questions.Answer(mrNo);

    form.M8ExitClick();

    QVERIFY(form.isVisible());
    QVERIFY(desk.Line().Enabled());
    QVERIFY(!std::filesystem::exists(desk.IniPath()));
    // The close box asks the same question.
    desk.questions.Answer(mrNo);
    form.close();
    QVERIFY(form.isVisible());
    QCOMPARE(desk.questions.AskedQuestions().size(), std::size_t{3});
}

void MainFormTest::UserLevelTwoStartsInServiceMode() {
    Bench desk("dx");
    desk.WriteIni(
        "SelectCOM=  0\nSelectLanguage=  1\nBefore Amplifier=  1\nFX_Version= 25\n"
        "For User=2\n");
    TMainForm& form = desk.Start(AnswerDX);
    QVERIFY(form.State().ServiceMode);
    QVERIFY(form.State().FullAccess);
    QVERIFY(ShownEnabled(desk, "M33DirectRW", true));

    desk.Action("HotKey1")->trigger();

    QVERIFY(!form.State().ServiceMode);
    QVERIFY(ShownEnabled(desk, "M33DirectRW", false));
    QVERIFY(form.State().FullAccess);
}

void MainFormTest::RestrictedUserLeavesServiceModeWithoutFullAccess() {
    Bench desk("dx");
    desk.WriteIni(
        "SelectCOM=  0\nSelectLanguage=  1\nBefore Amplifier=  1\nFX_Version= 25\n"
        "For User=1\n");
    TMainForm& form = desk.Start(AnswerDX);
    QVERIFY(!form.State().FullAccess);

    desk.Action("HotKey1")->trigger();
    QVERIFY(form.State().ServiceMode);
    QVERIFY(form.State().FullAccess);
    QVERIFY(ShownEnabled(desk, "M33DirectRW", true));
    // Not the FX group: the FX file items keep their state.
    QVERIFY(ShownEnabled(desk, "M37Maker", false));

    desk.Action("HotKey1")->trigger();
    QVERIFY(!form.State().ServiceMode);
    QVERIFY(!form.State().FullAccess);
    QVERIFY(ShownEnabled(desk, "M33DirectRW", false));
}

void MainFormTest::ServiceModeEnablesTheFxFileItems() {
    Bench desk("kqrv", 33);
    desk.WriteIni(
        "SelectCOM=  0\nSelectLanguage=  1\nBefore Amplifier=  3\nFX_Version= 33\n"
        "For User=2\n");
    TMainForm& form = desk.Start(AnswerKQRV);
    for (const char* name : {"M33DirectRW", "M36Table", "M37Maker", "M38Compare"}) {
        QVERIFY2(ShownEnabled(desk, name, true), name);
    }
    QVERIFY(desk.Action("M73AutoReset")->isChecked());

    form.HotKey1Click();
    for (const char* name : {"M33DirectRW", "M36Table", "M37Maker", "M38Compare"}) {
        QVERIFY2(ShownEnabled(desk, name, false), name);
    }
    form.HotKey1Click();
    for (const char* name : {"M33DirectRW", "M36Table", "M37Maker", "M38Compare"}) {
        QVERIFY2(ShownEnabled(desk, name, true), name);
    }
    QCOMPARE(desk.Action("HotKey1")->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F10));
}

void MainFormTest::InitialMenuStatesAndCaptions() {
    Bench desk("dx");
    TMainForm& form = desk.Start(AnswerDX);

    QCOMPARE(form.windowTitle(), desk.MsgQ(1) + " V1.500");
    for (const MenuItemRow& row : MainMenuRows()) {
        QAction* action = desk.Action(row.Name);
        QVERIFY2(action, row.Name);
        QCOMPARE(action->objectName(), QString(row.Name));
        if (row.Message > 0) {
            QVERIFY2(!action->text().isEmpty(), row.Name);
            QCOMPARE(action->text(), desk.MsgQ(row.Message));
        }
    }
    // Items without a message keep the form's captions.
    QCOMPARE(desk.Action("M33DirectRW")->text(), QString("Direct_R/W"));
    QCOMPARE(desk.Action("M34Reset")->text(), QString("Reset"));
    QCOMPARE(desk.Action("M36Table")->text(), QString("QRV Parameter Table"));
    QCOMPARE(desk.Action("M67COM7")->text(), QString("COM7"));
    QCOMPARE(desk.Action("M73AutoReset")->text(), QString("AutoReset"));

    const QStringList disabled = {"M14Graph", "M33DirectRW", "M34Reset",
                                  "M37Maker", "M38Compare",  "M4Jog",
                                  "M41Jog",   "M42AutoGain", "M43OffsetTune"};
    for (const MenuItemRow& row : MainMenuRows()) {
        const bool topLevel = row.Parent == nullptr;
        QVERIFY2(
            ShownEnabled(desk, row.Name, !disabled.contains(row.Name)) ||
                (topLevel && desk.Action(row.Name)->isEnabled() == !disabled.contains(row.Name)),
            row.Name);
    }
    QVERIFY(!desk.Action("M73AutoReset")->isChecked());

    QCOMPARE(desk.Label("MsgTitle1")->text(), desk.MsgQ(51));
    QCOMPARE(desk.Label("MsgTitle2")->text(), desk.MsgQ(52));
    QCOMPARE(desk.Label("MainMsg4")->text(), desk.MsgQ(45));
}

void MainFormTest::OnlyBxEnablesJogAndTuning_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("bx") << "bx" << AnswerBX << true;
    QTest::newRow("dx") << "dx" << AnswerDX << false;
    QTest::newRow("fx") << "fx" << AnswerFX << false;
}

void MainFormTest::OnlyBxEnablesJogAndTuning() {
    QFETCH(QString, family);
    QFETCH(int, answer);
    QFETCH(bool, enabled);
    Bench desk(family.toStdString());
    TMainForm& form = desk.Start(answer);
    QCOMPARE(desk.Action("M4Jog")->isEnabled(), enabled);
    for (const char* name : {"M41Jog", "M42AutoGain"}) QVERIFY(ShownEnabled(desk, name, enabled));
    QVERIFY(!desk.Action("M43OffsetTune")->isEnabled());
    // A long operation (the table command, the alarm read) greys the whole
    // menu bar; lifting it must not enable the group on another family.
    { const LongOperation::Scope busy(form.GetDesk().LongOp); }
    QCOMPARE(desk.Action("M4Jog")->isEnabled(), enabled);
}

void MainFormTest::ComChangeReconnectsOnlyOnAChange() {
    Bench desk("fx");
    TMainForm& form = desk.Start(AnswerFX);
    desk.Line().ClearLog();

    desk.Action("M61COM1")->trigger();  // already checked
    QVERIFY(desk.Line().Requests().empty());
    QCOMPARE(CheckedItems(desk, kComItems), QStringList{"M61COM1"});

    desk.Action("M65COM5")->trigger();
    QCOMPARE(CheckedItems(desk, kComItems), QStringList{"M65COM5"});
    QCOMPARE(desk.Line().GetDeviceName(), std::string("Com5"));
    QCOMPARE(form.State().SelectCom, 4);
    QVERIFY(desk.Line().Enabled());
    const std::vector<std::string> requests = desk.Line().Requests();
    QVERIFY(!requests.empty());
    QVERIFY2(requests.front().rfind("R5C3", 0) == 0, requests.front().c_str());  // CPU word

    desk.Line().ClearLog();
    form.ComClick(4);
    QVERIFY(desk.Line().Requests().empty());
}

void MainFormTest::OtherPortIsChosenShownAndRemembered() {
    const std::string adapter = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0";
    Bench desk("fx");
    TMainForm& form = desk.Start(AnswerFX);
    desk.questions.AnswerPort(std::nullopt);  // cancelled: nothing changes
    desk.Action("M69OtherPort")->trigger();
    QCOMPARE(desk.questions.PortQuestions().back().Title, desk.Msg(328));
    QCOMPARE(CheckedItems(desk, kComItems), QStringList{"M61COM1"});
    QVERIFY(!desk.Action("M69OtherPort")->isChecked());

    // A network port typed once is offered again, also after a restart.
    const std::string server = "rfc2217://box7:2000";
    desk.questions.AnswerPort(server);
    desk.Action("M69OtherPort")->trigger();
    QCOMPARE(desk.Line().GetDeviceName(), server);

    desk.Line().ClearLog();
    desk.questions.AnswerPort(adapter);
    desk.Action("M69OtherPort")->trigger();
    QCOMPARE(desk.Line().GetDeviceName(), adapter);
    QVERIFY(desk.Line().Enabled());
    QVERIFY(!desk.Line().Requests().empty());  // connected and identified
    QVERIFY(CheckedItems(desk, kComItems).isEmpty());
    QVERIFY(desk.Action("M69OtherPort")->isChecked());
    QCOMPARE(desk.Label("MainMsg4")->text(), desk.MsgQ(45) + "  FTDI FT232R USB UART A1");
    QCOMPARE(form.State().SelectCom, 0);  // the seven known lines keep a COM port
    desk.questions.Answer(mrYes);
    form.M8ExitClick();
    const std::string written = desk.ReadIni();
    QVERIFY2(written.find("SelectCOM=  0\n") == 0, written.c_str());
    QVERIFY2(written.find("\nOtherPort=" + adapter + "\n") != std::string::npos, written.c_str());
    QVERIFY2(written.find("\nNetworkPorts=" + server + "\n") != std::string::npos, written.c_str());

    Bench again("fx");
    again.WriteIni(written);
    TMainForm& second = again.Start(AnswerFX);
    QCOMPARE(again.Line().GetDeviceName(), adapter);
    QVERIFY(again.Action("M69OtherPort")->isChecked());
    QVERIFY(CheckedItems(again, kComItems).isEmpty());
    again.questions.AnswerPort(std::nullopt);
    again.Action("M69OtherPort")->trigger();
    QCOMPARE(again.questions.PortQuestions().back().Ports.back().Path, server);
    again.Action("M62COM2")->trigger();
    QCOMPARE(again.Line().GetDeviceName(), std::string("Com2"));
    QVERIFY(!again.Action("M69OtherPort")->isChecked());
    QCOMPARE(again.Label("MainMsg4")->text(), again.MsgQ(45));
    again.questions.Answer(mrYes);
    second.M8ExitClick();
    QVERIFY(again.ReadIni().find("OtherPort") == std::string::npos);
}

void MainFormTest::LanguageChangeReloadsCaptions() {
    Bench desk("fx");
    TMainForm& form = desk.Start(AnswerFX);
    form.StsTimerTimer();

    desk.Action("M51Japaness")->trigger();
    QCOMPARE(form.State().Language, 0);
    QCOMPARE(CheckedItems(desk, kLanguageItems), QStringList{"M51Japaness"});
    QCOMPARE(desk.Action("M11Monitor")->text(), QString::fromUtf8("データモニタ"));
    QCOMPARE(desk.Label("MsgTitle1")->text(), QString::fromUtf8("アンプ状態"));
    QCOMPARE(desk.Label("MainMsg1")->text(), desk.MsgQ(53));
    QCOMPARE(desk.Label("MainMsg4")->text(), QString::fromUtf8("ポート接続"));
    QCOMPARE(form.windowTitle(), desk.MsgQ(1) + " V1.500");

    desk.Action("M53Chinese")->trigger();
    QCOMPARE(CheckedItems(desk, kLanguageItems), QStringList{"M53Chinese"});
    QCOMPARE(desk.Action("M11Monitor")->text(), QString::fromUtf8("数据监视"));
    QCOMPARE(desk.Action("M8Exit")->text(), QString::fromUtf8("退出(&E)"));

    // The checked item again: nothing reloads.
    desk.Action("M53Chinese")->trigger();
    QCOMPARE(form.State().Language, 2);
    QCOMPARE(CheckedItems(desk, kLanguageItems), QStringList{"M53Chinese"});
}

// A language whose catalogue cannot be read would blank every caption and
// the menu with them: the texts in use stay and the user is told.
void MainFormTest::MissingCatalogueKeepsTheLanguageInUse() {
    Bench desk("fx");
    std::filesystem::remove(desk.Folder() + "Message.C");
    TMainForm& form = desk.Start(AnswerFX);
    const QString englishMonitor = desk.Action("M11Monitor")->text();

    form.LanguageClick(2);
    QVERIFY(desk.questions.Last().text.find("Message.C") != std::string::npos);
    QVERIFY(desk.questions.Last().kind == DialogKind::Error);
    QCOMPARE(form.State().Language, 1);
    QCOMPARE(CheckedItems(desk, kLanguageItems), QStringList{"M52English"});
    QCOMPARE(desk.Action("M11Monitor")->text(), englishMonitor);
    QCOMPARE(desk.Label("MsgTitle1")->text(), desk.MsgQ(51));
}

// A saved language outside the three starts in English.
void MainFormTest::UnknownSavedLanguageStartsInEnglish() {
    Bench desk("fx");
    desk.WriteIni("SelectCOM=  0\nSelectLanguage=  7\n");
    TMainForm& form = desk.Start(AnswerFX);
    QCOMPARE(form.State().Language, 1);
    QCOMPARE(CheckedItems(desk, kLanguageItems), QStringList{"M52English"});
    QVERIFY(!desk.questions.AskedQuestions().front().text.empty());  // the family question
    QCOMPARE(desk.Action("M11Monitor")->text(), desk.MsgQ(3));
}

// A port number outside COM1 ... COM8 uses COM1 and ticks it.
void MainFormTest::OutOfRangePortFallsBackToCom1() {
    Bench desk("fx");
    desk.WriteIni("SelectCOM= 12\n");
    TMainForm& form = desk.Start(AnswerFX);
    QCOMPARE(form.State().SelectCom, 0);
    QCOMPARE(CheckedItems(desk, kComItems), QStringList{"M61COM1"});
    QCOMPARE(desk.Line().GetDeviceName(), std::string("Com1"));
}

void MainFormTest::PortThatThrowsOnOpenIsReported() {
    Bench desk("fx");
    desk.UseLine(std::make_unique<ThrowingLine>(desk.Amp()));
    TMainForm& form = desk.Start(AnswerFX);
    QVERIFY(desk.questions.Last().text.find("EIO") != std::string::npos);
    QVERIFY(desk.questions.Last().kind == DialogKind::Error);
    desk.questions.Answer(mrOk);
    form.ComClick(3);  // and again from the menu
    QVERIFY(desk.questions.Last().text.find("EIO") != std::string::npos);
    QCOMPARE(form.State().SelectCom, 3);
}

// A first start has no page-line settings: the defaults are written, never 0.
// A settings file that cannot be rewritten is reported with its path.
void MainFormTest::SettingsRewriteDefaultsAndFailure() {
    Bench desk("dx");
    TMainForm& form = desk.Start(AnswerDX);
    desk.questions.Answer(mrYes);
    form.M8ExitClick();
    QVERIFY(desk.ReadIni().find("Printer page lines=58,24,36,0\n") != std::string::npos);

    Bench blocked("dx");
    std::filesystem::create_directory(blocked.IniPath() + ".tmp");  // the rewrite cannot start
    TMainForm& second = blocked.Start(AnswerDX);
    blocked.questions.Answer(mrYes);
    second.M8ExitClick();
    QVERIFY(blocked.questions.Last().text.find(blocked.IniPath()) != std::string::npos);
    QVERIFY(blocked.questions.Last().kind == DialogKind::Error);
}

// A group read lets window events run: a second choice of the item inside it,
// or any other menu command, must not start.
void MainFormTest::MenuCommandsWaitForARunningGroupRead() {
    Bench desk("fx");
    TMainForm& form = desk.Start(AnswerFX);
    int reentries = 0;
    bool menuEnabledDuringRead = true;
    form.Panel().ProcessEvents = [&] {
        menuEnabledDuringRead = menuEnabledDuringRead && form.menuBar()->isEnabled();
        if (reentries++ < 3) {
            desk.Action("M22SpeedParam")->trigger();
            desk.Action("M21SystemParam")->trigger();
        }
    };
    desk.Action("M22SpeedParam")->trigger();
    QVERIFY(reentries > 0);
    QVERIFY(!menuEnabledDuringRead);
    QVERIFY(form.menuBar()->isEnabled());
    QCOMPARE(form.findChildren<TParamForm*>().size(), qsizetype{1});
    QVERIFY(form.ParamForm(ParamGroup::Speed) != nullptr);
    QVERIFY(form.ParamForm(ParamGroup::System) == nullptr);
    QVERIFY(!form.State().SystemFormOpen);
}

// Cancel during an FX group read: no window on values half read, and no
// communication error for what the user did.
void MainFormTest::CancelledGroupReadOpensNoWindowAndShowsNoError() {
    Bench desk("fx");
    TMainForm& form = desk.Start(AnswerFX);
    const std::size_t asked = desk.questions.AskedQuestions().size();
    form.Panel().ProcessEvents = [&] { form.findChild<QPushButton*>("CancelButton")->click(); };
    desk.Action("M22SpeedParam")->trigger();
    QVERIFY(form.ParamForm(ParamGroup::Speed) == nullptr);
    QVERIFY(!form.State().SpeedFormOpen);
    QCOMPARE(desk.questions.AskedQuestions().size(), asked);
    QCOMPARE(form.Panel().Memo1.back(), desk.Msg(1190));
}

void MainFormTest::MonitoringWindowsOpenOnceAndTheirTimersServeThem() {
    Bench desk("dx");
    TMainForm& form = desk.Start(AnswerDX);
    desk.Amp().SetRam(0x80, 0x0305);
    desk.Action("M13Alarm")->trigger();
    QVERIFY(form.State().AlarmFormOpen);
    QCOMPARE(form.Monitors().Alarm.AlarmCodes[0], 5);
    desk.Action("M11Monitor")->trigger();
    desk.Action("M11Monitor")->trigger();
    QCOMPARE(form.findChildren<TMonitorForm*>().size(), qsizetype{1});
    auto* monitor = qobject_cast<TMonitorForm*>(form.ChildWindowOf("M11Monitor"));
    QVERIFY(monitor);

    desk.Amp().SetRam(0x02, 16384);
    monitor->CheckBox(1)->setChecked(true);
    monitor->RefreshDisplayData();
    form.MonitorTimerTimer();
    monitor->RefreshDisplayData();
    QCOMPARE(monitor->ValueLabel(1)->text(), QString("  3000.0"));

    desk.Action("M12IODisplay")->trigger();
    QVERIFY(form.State().IOFormOpen);
    desk.Amp().SetRam(0x11, 0x0001);
    form.IODispalyTimerTimer();
    QCOMPARE(form.State().ServoWord, 1);

    form.Monitors().Alarm.AlarmResetRequest = true;
    form.AlarmTimerTimer();
    QCOMPARE(desk.Amp().Ram(0x80), 0);
    QVERIFY(form.Monitors().Alarm.AlarmDataReady);

    monitor->close();
    QVERIFY(!form.State().MonitorFormOpen);
}

void MainFormTest::UnreadableSettingsLinesAreReported() {
    Bench desk("fx");
    desk.WriteIni("SelectCOM=  3\nSelectLanguage=English\n");
    QTest::ignoreMessage(QtWarningMsg,
                         "Init.ini line 2 is not readable: \"SelectLanguage=English\"");
    TMainForm& form = desk.Start(AnswerFX);
    QCOMPARE(form.State().SelectCom, 3);
    QCOMPARE(form.State().Language, 1);
}

void MainFormTest::BottomPanelMirrorsThePoll() {
    Bench desk("fx");
    TMainForm& form = desk.Start(AnswerFX);
    desk.Amp().SetServo(true);
    desk.Amp().RaiseAlarm(13);

    form.StsTimerTimer();
    form.RefreshPanel();

    const MainPanel& panel = form.Panel();
    const std::pair<const char*, const std::string*> labels[] = {
        {"MainMsg1", &panel.MainMsg1}, {"MainMsg2", &panel.MainMsg2}, {"MainMsg3", &panel.MainMsg3},
        {"MainMsg4", &panel.MainMsg4}, {"MainMsg5", &panel.MainMsg5}, {"MainMsg6", &panel.MainMsg6},
        {"CPULabel", &panel.CPULabel}, {"EEPLabel", &panel.EEPLabel}};
    for (const auto& [name, text] : labels) {
        QVERIFY2(desk.Label(name), name);
        QCOMPARE(desk.Label(name)->text(), QString::fromStdString(*text));
    }
    QCOMPARE(desk.Label("MainMsg2")->text(), desk.MsgQ(147));
    QCOMPARE(desk.Label("MainMsg4")->text(), desk.MsgQ(45));
    QVERIFY(desk.Label("CPULabel")->text().startsWith("CPU:"));
    QVERIFY(desk.Label("MainMsg5")->text().startsWith("FX"));
}

void MainFormTest::StatusTimerUpdatesTheLabels() {
    Bench desk("fx");
    TMainForm& form = desk.Start(AnswerFX);
    desk.Amp().SetServo(true);
    QCOMPARE(desk.Label("MainMsg1")->text(), desk.MsgQ(53));

    // The real timer: its handler polls and the window shows the result.
    auto* timer = form.findChild<QTimer*>("StsTimer");
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 200);
    timer->start();
    QTRY_COMPARE(desk.Label("MainMsg1")->text(), desk.MsgQ(54));
    timer->stop();
}

void MainFormTest::CommErrorShowsOnceAndStatusReturns() {
    Bench desk("fx");
    TMainForm& form = desk.Start(AnswerFX);
    form.StsTimerTimer();
    form.RefreshPanel();
    QCOMPARE(desk.Label("MainMsg2")->text(), desk.MsgQ(151));

    desk.Amp().SetCablePulled(true);
    form.StsTimerTimer();
    form.RefreshPanel();
    QVERIFY(form.State().CommErrorLatched);
    QCOMPARE(desk.Label("MainMsg2")->text(), desk.MsgQ(167));
    QCOMPARE(desk.Label("MainMsg3")->text(), desk.MsgQ(55));
    form.StsTimerTimer();
    form.RefreshPanel();
    QCOMPARE(desk.Label("MainMsg2")->text(), desk.MsgQ(167));

    desk.Amp().SetCablePulled(false);
    desk.Line().ClearLog();
    form.StsTimerTimer();
    form.RefreshPanel();
    QVERIFY(!form.State().CommErrorLatched);
    QCOMPARE(desk.Label("MainMsg2")->text(), desk.MsgQ(151));
    QVERIFY(desk.Label("CPULabel")->text() != "CPU:XXX");
    // Re-identified once: one CPU word read (read again only after a failure).
    int cpuReads = 0;
    for (const std::string& request : desk.Line().Requests())
        cpuReads += request.rfind("R5C3", 0) == 0;
    QCOMPARE(cpuReads, 1);
}

void MainFormTest::LanguageChangeDuringOutageKeepsTheOutageTexts_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("answer");
    QTest::newRow("bx") << "bx" << AnswerBX;
    QTest::newRow("fx") << "fx" << AnswerFX;
}

// The outage leaves StatusWord at -1 and CurrentMode at -1; redrawing from
// them must not turn into "servo on" or into the dialog button texts that
// follow the status fields in the catalogue.
void MainFormTest::LanguageChangeDuringOutageKeepsTheOutageTexts() {
    QFETCH(QString, family);
    QFETCH(int, answer);
    Bench desk(family.toStdString());
    TMainForm& form = desk.Start(answer);
    form.StsTimerTimer();
    desk.Amp().SetCablePulled(true);
    form.StsTimerTimer();
    QVERIFY(form.State().CommErrorLatched);

    form.LanguageClick(0);

    QCOMPARE(desk.Label("MainMsg1")->text(), desk.MsgQ(53));
    QCOMPARE(desk.Label("MainMsg2")->text(), desk.MsgQ(167));
    QCOMPARE(desk.Label("MainMsg3")->text(), desk.MsgQ(55));
    if (answer == AnswerBX) {
        QCOMPARE(desk.Label("MainMsg6")->text(), desk.MsgQ(62) + " " + desk.MsgQ(64));
    }
}

void MainFormTest::ResizeCentresTheProgressPanel() {
    Bench desk("fx");
    TMainForm& form = desk.Start(AnswerFX);
    form.show();
    form.resize(1001, 603);
    QCoreApplication::processEvents();
    QTRY_COMPARE(form.size(), QSize(1001, 603));

    auto* progress = form.findChild<QFrame*>("ProgressPanel");
    auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
    QVERIFY(progress && memo);
    const int top = 603 / 8 + progress->height() / 2;
    QCOMPARE(progress->pos(), QPoint(1001 / 2 - progress->width() / 2, top));
    QCOMPARE(memo->pos(), QPoint(1001 / 2 - memo->width() / 2, top + progress->height()));
}

void MainFormTest::ProgressPanelAndMemoFollowThePanelState() {
    Bench desk("fx");
    TMainForm& form = desk.Start(AnswerFX);
    form.show();
    auto* progress = form.findChild<QFrame*>("ProgressPanel");
    auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
    QVERIFY(progress->isHidden());

    MainPanel& panel = form.Panel();
    panel.ProgressPanel = true;
    panel.ProgressMsg = "Reading";
    panel.RWGaugeMax = 19;
    panel.RWGaugeProgress = 7;
    panel.Memo1 = {"line 1", "line 2"};
    panel.Memo1Visible = true;
    form.RefreshPanel();

    QVERIFY(progress->isVisible());
    QCOMPARE(form.findChild<QLabel*>("ProgressMsg")->text(), QString("Reading"));
    auto* gauge = form.findChild<TGauge*>("RWGauge");
    QCOMPARE(gauge->MaxValue(), 19);
    QCOMPARE(gauge->Progress(), 7);
    QVERIFY(memo->isVisible());
    QCOMPARE(memo->toPlainText(), QString("line 1\nline 2"));

    panel.Memo1.push_back("line 3");
    form.RefreshPanel();
    QCOMPARE(memo->toPlainText(), QString("line 1\nline 2\nline 3"));
    panel.Memo1 = {"new"};  // a new transfer starts its log afresh
    panel.ProgressPanel = false;
    panel.Memo1Visible = false;
    form.RefreshPanel();
    QCOMPARE(memo->toPlainText(), QString("new"));
    QVERIFY(progress->isHidden());
    QVERIFY(memo->isHidden());
}

// Each row of the child-window table: the item opens one window, a second
// choice opens no other, closing clears the flag.
void MainFormTest::EveryChildWindowOpensOnceAndClearsItsFlag() {
    Bench desk("bx");
    TMainForm& form = desk.Start(AnswerBX);
    form.HotKey1Click();  // service mode enables the service items
    int opened = 0;
    for (const ChildWindowRow& row : ChildWindowRows()) {
        QAction* item = desk.Action(row.Item);
        if (!item->isEnabled()) continue;  // another family's command
        item->trigger();
        QWidget* window = form.ChildWindowOf(row.Item);
        QVERIFY2(window != nullptr, row.Item);
        if (!row.OpenFlag) {  // several at once
            QVERIFY2(window->close(), row.Item);
            continue;
        }
        QVERIFY2(form.State().*row.OpenFlag, row.Item);
        item->trigger();
        QCOMPARE(form.ChildWindowOf(row.Item), window);
        QVERIFY2(window->close(), row.Item);
        QVERIFY2(!(form.State().*row.OpenFlag), row.Item);
        ++opened;
    }
    QVERIFY(opened >= 7);
}

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
