// Every window and dialog in Japanese and Chinese, driven through the main
// window on the in-process simulated amplifier: a visible text made only of
// Latin letters is English that escaped the catalogues, unless it is a unit,
// an address, a path or one of the few texts that stay as they are.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "files/Openfile.h"
#include "files/ParamFile.h"
#include "files/ParamTable.h"
#include "params/Fspinedit.h"
#include "shell/Mainform.h"
#include "shell/Msgdlg.h"
#include "sim/SimLine.h"
#include "tests/support/ScriptedQuestions.h"

#ifndef SERVODESK_DATA_DIR
#error "SERVODESK_DATA_DIR must name the folder with the catalogues and type files"
#endif

namespace {

constexpr int AnswerBX = 6, AnswerFX = 1;

const char* const kDataFiles[] = {"Message.E", "Message.J",    "Message.C", "BXAmp.typ",
                                  "Motor.typ", "FX_Motor.tpy", "limit.ini"};

// Texts that are the same in every language: numbers with their units,
// ranges, addresses, paths, names of amplifiers, memories and directions,
// and the fixed captions of some windows.
const char* const kAllowedPatterns[] = {
    R"(^[-+0-9.,:;\s]+[-A-Za-z/%0-9]*$)",  // numbers, ranges, with a unit
    R"(^[0-9A-Fa-fXx\-]+$)",               // addresses, hidden values
    R"(^/\S*$)",                           // paths
    R"(^(OK|CW|CCW|RAM|ROM|COM\d|CPU:.*|EEP:.*|Pn[-\d]+)$)",
    R"(^(BX|DX|FX|KQRV|LQRV|YZ|QRV)[-\w ]*$)",  // amplifier models and families
    R"(^(r/min|V|A|W|kW|ms|s|Hz|mm|pulse)$)",   // units
    R"(^ServoDesk V[0-9.]+$)",                  // the program's name and version
    R"(^(Monitor Form|IO Display|JogForm|AutoTuneForm|HelpForm|About|QRV Parameter Table)$)",
    R"(^(Direct Read/Write Address|AutoReset|Direct_R/W|Reset)$)",
    R"(^Version [0-9.]+ [0-9.]+$)",  // the about box's version line
    R"(^ ?Version [0-9]+\.[0-9]+\.[0-9]+$)",  // the package's version
};

// The parameter table's row names come from limit.ini, one file for every
// language.
QStringList LimitFileNames() {
    std::vector<std::string> lines;
    std::string error;
    ReadTextLines(std::string(SERVODESK_DATA_DIR) + "/limit.ini", lines, error);
    QStringList names;
    for (const LimitRow& row : ParseLimitFile(lines)) names << QString::fromStdString(row.Name);
    return names;
}

bool Allowed(const QString& text) {
    for (const char* pattern : kAllowedPatterns) {
        if (QRegularExpression(pattern).match(text).hasMatch()) return true;
    }
    static const QStringList limitFileNames = LimitFileNames();
    return limitFileNames.contains(text);
}

// English that escaped: Latin letters and nothing of the language in use.
bool LatinOnly(const QString& text) {
    bool letters = false;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) return false;
        letters = letters || c.isLetter();
    }
    return letters;
}

QString Shown(QString text) {
    text.remove(QRegularExpression("\\(&.\\)"));
    text.remove('&');
    return text.split('\t').front().trimmed();
}

// The visible texts of a window and its children, each with where it was.
class TextWalk {
public:
    void Window(QWidget* window) {
        Add(window->objectName() + " title", window->windowTitle());
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(window) && widget->isVisible() != window->isVisible())
                continue;
            Widget(widget);
        }
    }
    void Menu(const QString& where, const QList<QAction*>& actions) {
        for (QAction* action : actions) {
            if (!action->isVisible()) continue;
            Add(where + "/" + action->objectName(), action->text());
            if (action->menu()) Menu(where + "/" + action->objectName(), action->menu()->actions());
        }
    }
    void Add(const QString& where, const QString& raw) {
        const QString text = Shown(raw);
        if (LatinOnly(text) && !Allowed(text)) found_ << where + ": \"" + raw + "\"";
    }
    const QStringList& Found() const { return found_; }

private:
    void Widget(QWidget* widget) {
        const QString where = widget->window()->objectName() + "/" + widget->objectName();
        if (auto* label = qobject_cast<QLabel*>(widget)) Add(where, label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) Add(where, button->text());
        if (auto* group = qobject_cast<QGroupBox*>(widget)) Add(where, group->title());
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i) Add(where, combo->itemText(i));
        }
        if (auto* header = qobject_cast<QHeaderView*>(widget); header && header->model()) {
            for (int i = 0; i < header->count(); ++i)
                Add(where, header->model()->headerData(i, header->orientation()).toString());
        }
        if (auto* menuBar = qobject_cast<QMenuBar*>(widget)) Menu(where, menuBar->actions());
        if (widget->isWindow() && widget != widget->window()) Add(where, widget->windowTitle());
    }

    QStringList found_;
};

// A start-up folder in the language, with the amplifier on a simulated line.
class Bench {
public:
    Bench(const std::string& family, int language) : rig_(family, 31) {
        for (const char* name : kDataFiles) {
            std::filesystem::copy_file(std::string(SERVODESK_DATA_DIR) + "/" + name,
                                       Folder() + name);
        }
        std::ofstream(Folder() + "Init.ini")
            << "SelectCOM=  0\nSelectLanguage=  " << language
            << "\nBefore Amplifier=  0\nFX_Version= 31\nFor User=2\n";
        rig_.line.Close();
    }
    std::string Folder() const { return dir_.path().toStdString() + "/"; }

    TMainForm& Start(int familyAnswer) {
        questions.Answer(familyAnswer);
        MainFormSetup setup;
        setup.StartFolder = Folder();
        setup.QuestionsOverride = &questions;
        setup.PortOverride = &rig_.line;
        setup.ClockOverride = &rig_.clock;
        setup.StartTimers = false;
        form_ = std::make_unique<TMainForm>(setup);
        form_->FormCreate();
        form_->show();
        return *form_;
    }

    ScriptedQuestions questions;

private:
    QTemporaryDir dir_;
    sim::SimRig rig_;
    std::unique_ptr<TMainForm> form_;
};

// Runs open, walks the modal window it shows, then closes that window.
void WalkModal(TextWalk& walk, const std::function<void()>& open) {
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&walk, &timer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        timer.stop();
        walk.Window(modal);
        modal->close();
    });
    timer.start();
    open();
}

const char* const kChildWindowItems[] = {"M11Monitor",     "M12IODisplay",     "M13Alarm",
                                         "M15Trend",       "M21SystemParam",   "M22SpeedParam",
                                         "M23TorqueParam", "M24PositionParam", "M41Jog",
                                         "M42AutoGain",    "M33DirectRW",      "M35Read"};

}  // namespace

class LanguageWalkTest : public QObject {
    Q_OBJECT

private slots:
    void EveryWindowSpeaksTheLanguage_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("language");
        for (const int language : {0, 2}) {
            const QByteArray tag = language == 0 ? "ja" : "zh";
            QTest::newRow(tag + " bx") << "bx" << AnswerBX << language;
            QTest::newRow(tag + " fx") << "fx" << AnswerFX << language;
        }
    }

    void EveryWindowSpeaksTheLanguage() {
        QFETCH(QString, family);
        QFETCH(int, answer);
        QFETCH(int, language);
        Bench desk(family.toStdString(), language);
        TMainForm& form = desk.Start(answer);
        desk.questions.SetFallback(mrNo);
        TextWalk walk;
        int opened = 0;
        for (const char* item : kChildWindowItems) {
            if (!form.Action(item)->isEnabled()) continue;
            form.Action(item)->trigger();
            opened += form.ChildWindowOf(item) != nullptr;
        }
        QCOMPARE(opened, family == "bx" ? 12 : 10);  // jog and tuning are BX's
        walk.Window(&form);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window != &form) walk.Window(window);
        }
        WalkModal(walk, [&form] { form.Action("M71ShowHelp")->trigger(); });
        WalkModal(walk, [&form] { form.Action("M72ShowAbout")->trigger(); });
        if (family == "fx") {
            desk.questions.Answer(mrYes);  // the table from the amplifier
            WalkModal(walk, [&form] { form.Action("M36Table")->trigger(); });
        }
        const FileQuestion question{"", desk.Folder(), "*.dat", "a"};
        TFileForm save(TFileForm::Mode::Save, question, form.Catalogue(), desk.questions,
                       desk.Folder());
        save.show();
        walk.Window(&save);
        // No name, then the name of a file that is there: two questions.
        const std::size_t asked = desk.questions.AskedQuestions().size();
        save.findChild<QLineEdit*>("FileEdit")->setText(" ");
        save.OpenOKBtnClick();
        save.findChild<QLineEdit*>("FileEdit")->setText("Init.ini");
        save.OpenOKBtnClick();
        QCOMPARE(desk.questions.AskedQuestions().size(), asked + 2);
        for (const auto& asked : desk.questions.AskedQuestions()) {
            walk.Add("question", QString::fromStdString(asked.text));
        }
        QVERIFY2(walk.Found().isEmpty(), qPrintable(walk.Found().join("\n")));
    }

    // The message dialogs' titles and buttons, the spin edit's menu and Qt's
    // own print dialog follow the language.
    void DialogsAndQtTextsSpeakTheLanguage() {
        for (const int language : {0, 2}) {
            Bench desk("bx", language);
            TMainForm& form = desk.Start(AnswerBX);
            TextWalk walk;
            DialogCaptions captions;
            captions.SetCaptions(86, 6, form.Catalogue());
            for (const DialogKind kind : {DialogKind::Warning, DialogKind::Error,
                                          DialogKind::Information, DialogKind::Confirmation}) {
                auto dialog = CreateStandardDialog("x", kind,
                                                   {sbYes, sbNo, sbOK, sbCancel, sbAbort, sbRetry,
                                                    sbIgnore, sbAll, sbNoToAll, sbYesToAll, sbHelp},
                                                   captions, "ServoDesk");
                walk.Window(dialog.get());
            }
            TFSpinEdit edit;
            edit.setText("12");
            edit.selectAll();
            std::unique_ptr<QMenu> menu(edit.CreateContextMenu());
            walk.Menu("spin edit menu", menu->actions());
            walk.Add("print dialog", QPrintDialog::tr("Print"));
            QVERIFY2(walk.Found().isEmpty(), qPrintable(walk.Found().join("\n")));
            // Qt's texts switch with the language menu.
            form.Action("M52English")->trigger();
            QCOMPARE(QPrintDialog::tr("Print"), QString("Print"));
        }
    }
};

QTEST_MAIN(LanguageWalkTest)
#include "LanguageWalkTest.moc"
