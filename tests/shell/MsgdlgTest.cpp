#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <fstream>
#include <functional>

#include "link/MessageCatalogue.h"
#include "shell/Msgdlg.h"
#include "shell/OtherPortDialog.h"
#include "tests/support/ScriptedQuestions.h"

namespace {

// A catalogue whose message n reads "M<n>".
MessageCatalogue NumberedCatalogue(const QTemporaryDir& dir) {
    const std::string path = dir.filePath("Message.E").toStdString();
    std::ofstream out(path);
    for (int n = 1; n <= 1200; ++n) out << n << " M" << n << "\n";
    out.close();
    MessageCatalogue catalogue;
    catalogue.LoadFile(path);
    return catalogue;
}

// Runs the form modally; act runs once the form is up.
int RunModal(TMessageForm& form, const std::function<void(TMessageForm&)>& act) {
    QTimer::singleShot(0, &form, [&form, act] { act(form); });
    return form.exec();
}

QPushButton* ButtonNamed(QWidget& form, const char* name) {
    return form.findChild<QPushButton*>(name);
}

QStringList ButtonNames(QWidget& form) {
    QList<QPushButton*> buttons = form.findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
    QStringList names;
    for (QPushButton* button : buttons) names << button->objectName();
    return names;
}

void PressEscape(TMessageForm& form) {
    QWidget* target = form.focusWidget() ? form.focusWidget() : &form;
    QTest::keyClick(target, Qt::Key_Escape);
}

const std::vector<int> kFamilyButtons{0, 1, 2, 3, 4, 5};

}  // namespace

class MsgdlgTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        catalogue_ = NumberedCatalogue(dir_);
        captions_.SetCaptions(86, 6, catalogue_);
    }

    void familyCaptionsTakeMessage190ForTheSixthButton() {
        QCOMPARE(captions_.Custom(0), std::string("M86"));
        QCOMPARE(captions_.Custom(4), std::string("M90"));
        QCOMPARE(captions_.Custom(5), std::string("M190"));
        QCOMPARE(captions_.Standard(0), std::string("M71"));
        QCOMPARE(captions_.Standard(10), std::string("M81"));

        DialogCaptions partial;
        partial.SetCaptions(95, 3, catalogue_);
        QCOMPARE(partial.Custom(2), std::string("M97"));
        QCOMPARE(partial.Custom(3), std::string("KQRV Amplifier"));  // untouched

        MessageCatalogue empty;
        partial.SetCaptions(86, 6, empty);
        QCOMPARE(partial.Custom(5), std::string());
    }

    void familyQuestionFocusEscapeAndClose() {
        auto form = CreateCustomDialog("M48", DialogKind::Confirmation, kFamilyButtons, 2,
                                       captions_, "ServoDesk");
        // The title follows the language like the captions.
        QCOMPARE(form->windowTitle(), QString("M1153"));
        QCOMPARE(ButtonNames(*form),
                 QStringList({"BXBtn", "DXBtn", "FXBtn", "FLBtn", "LQRBtn", "YZBtn"}));
        QVERIFY(ButtonNamed(*form, "BXBtn")->isDefault());
        QCOMPARE(ButtonNamed(*form, "YZBtn")->text(), QString("M190"));
        QWidget* focused = nullptr;
        const int escaped = RunModal(*form, [&focused](TMessageForm& f) {
            focused = f.focusWidget();
            PressEscape(f);
        });
        QCOMPARE(focused ? focused->objectName() : QString(), QString("FXBtn"));
        QCOMPARE(escaped, mrYes);

        auto again = CreateCustomDialog("M48", DialogKind::Confirmation, kFamilyButtons, 0,
                                        captions_, "ServoDesk");
        QCOMPARE(RunModal(*again, [](TMessageForm& f) { f.close(); }), mrCancel);
    }

    void familyButtonResults() {
        const std::vector<std::pair<const char*, int>> rows{
            {"BXBtn", 6}, {"DXBtn", 7}, {"FXBtn", 1}, {"FLBtn", 2}, {"LQRBtn", 3}, {"YZBtn", 4}};
        for (const auto& [name, result] : rows) {
            auto form = CreateCustomDialog("M48", DialogKind::Confirmation, kFamilyButtons, 0,
                                           captions_, "ServoDesk");
            QCOMPARE(RunModal(*form, [name](TMessageForm& f) { ButtonNamed(f, name)->click(); }),
                     result);
        }
    }

    void singleButtonErrorDialog() {
        DialogCaptions captions;
        captions.SetCaptions(73, 1, catalogue_);
        auto form = CreateCustomDialog("M167", DialogKind::Error, {0}, 0, captions, "ServoDesk");
        QCOMPARE(form->windowTitle(), QString("M1151"));
        QCOMPARE(ButtonNames(*form), QStringList({"BXBtn"}));
        QCOMPARE(ButtonNamed(*form, "BXBtn")->text(), QString("M73"));
        QVERIFY(form->findChild<QLabel*>("Image"));
        QCOMPARE(form->findChild<QLabel*>("Message")->text(), QString("M167"));
        QCOMPARE(RunModal(*form, [](TMessageForm& f) { ButtonNamed(f, "BXBtn")->click(); }), mrYes);

        auto escaped = CreateCustomDialog("M167", DialogKind::Error, {0}, 0, captions, "x");
        QCOMPARE(RunModal(*escaped, PressEscape), mrYes);  // BXBtn is the cancel button
    }

    void customCancelIsTheFirstOfTheFirstFourButtons() {
        auto form =
            CreateCustomDialog("q", DialogKind::Confirmation, {5, 4, 3, 1}, 0, captions_, "x");
        QVERIFY(ButtonNamed(*form, "YZBtn")->isDefault());
        QCOMPARE(RunModal(*form, PressEscape), mrCancel);  // FLBtn, result 2

        auto noCancel = CreateCustomDialog("q", DialogKind::Information, {4, 5}, 1, captions_, "x");
        QCOMPARE(RunModal(*noCancel,
                          [](TMessageForm& f) {
                              PressEscape(f);  // no cancel button: stays open
                              QVERIFY(f.isVisible());
                              ButtonNamed(f, "YZBtn")->click();
                          }),
                 mrRetry);
    }

    void standardExitQuestion() {
        const std::vector<int> yesNo{sbYes, sbNo};
        auto form = CreateStandardDialog("M49", DialogKind::Confirmation, yesNo, captions_, "x");
        QCOMPARE(ButtonNames(*form), QStringList({"Yes", "No"}));
        QCOMPARE(ButtonNamed(*form, "Yes")->text(), QString("M71"));
        QCOMPARE(ButtonNamed(*form, "No")->text(), QString("M72"));
        QVERIFY(ButtonNamed(*form, "Yes")->isDefault());
        QCOMPARE(RunModal(*form, [](TMessageForm& f) { ButtonNamed(f, "Yes")->click(); }), mrYes);

        auto no = CreateStandardDialog("M49", DialogKind::Confirmation, yesNo, captions_, "x");
        QCOMPARE(RunModal(*no, [](TMessageForm& f) { ButtonNamed(f, "No")->click(); }), mrNo);

        auto escaped = CreateStandardDialog("M49", DialogKind::Confirmation, yesNo, captions_, "x");
        QCOMPARE(RunModal(*escaped, PressEscape), mrNo);

        auto entered = CreateStandardDialog("M49", DialogKind::Confirmation, yesNo, captions_, "x");
        QCOMPARE(
            RunModal(*entered,
                     [](TMessageForm& f) { QTest::keyClick(f.focusWidget(), Qt::Key_Return); }),
            mrYes);
    }

    void standardDefaultAndCancelRules_data() {
        QTest::addColumn<QList<int>>("buttons");
        QTest::addColumn<QString>("defaultName");
        QTest::addColumn<int>("escapeResult");  // -1: Escape leaves the dialog open
        QTest::newRow("ok-cancel") << QList<int>{sbOK, sbCancel} << "OK" << mrCancel;
        QTest::newRow("ok only") << QList<int>{sbOK} << "OK" << mrOk;
        QTest::newRow("no before yes") << QList<int>{sbNo, sbOK, sbYes} << "OK" << mrNo;
        QTest::newRow("retry") << QList<int>{sbAbort, sbRetry, sbCancel} << "Retry" << mrCancel;
        QTest::newRow("none") << QList<int>{sbAbort, sbIgnore} << "" << -1;
    }
    void standardDefaultAndCancelRules() {
        QFETCH(QList<int>, buttons);
        QFETCH(QString, defaultName);
        QFETCH(int, escapeResult);
        auto form =
            CreateStandardDialog("q", DialogKind::Warning,
                                 std::vector<int>(buttons.begin(), buttons.end()), captions_, "x");
        QString actualDefault;
        for (QPushButton* button : form->findChildren<QPushButton*>()) {
            if (button->isDefault()) actualDefault = button->objectName();
        }
        QCOMPARE(actualDefault, defaultName);
        const int result = RunModal(*form, [](TMessageForm& f) {
            PressEscape(f);
            if (f.isVisible()) f.close();
        });
        QCOMPARE(result, escapeResult < 0 ? mrCancel : escapeResult);
    }

    void helpButtonDoesNotClose() {
        auto form =
            CreateStandardDialog("q", DialogKind::Information, {sbOK, sbHelp}, captions_, "x");
        QCOMPARE(RunModal(*form,
                          [](TMessageForm& f) {
                              ButtonNamed(f, "Help")->click();
                              QVERIFY(f.isVisible());
                              ButtonNamed(f, "OK")->click();
                          }),
                 mrOk);
    }

    void layoutFollowsTheFontAndStaysOnScreen() {
        auto form =
            CreateCustomDialog("M48", DialogKind::Confirmation, kFamilyButtons, 2, captions_, "x");
        const QFontMetrics metrics(form->font());
        const int cw =
            metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52;
        const QLabel* image = form->findChild<QLabel*>("Image");
        QCOMPARE(image->geometry(), QRect((16 * cw + 2) / 4, image->y(), 32, 32));
        const QLabel* message = form->findChild<QLabel*>("Message");
        QVERIFY(message->x() >= image->geometry().right() + 1 + (20 * cw + 2) / 4);
        // Buttons in one row, centred, not overlapping, below the text.
        const QList<QPushButton*> buttons = form->findChildren<QPushButton*>();
        int left = form->width();
        int right = 0;
        for (QPushButton* button : buttons) {
            QCOMPARE(button->y(), buttons.front()->y());
            QVERIFY(button->y() > message->geometry().bottom());
            QVERIFY(button->width() >= button->sizeHint().width());
            left = std::min(left, button->x());
            right = std::max(right, button->geometry().right() + 1);
        }
        QVERIFY(std::abs(left - (form->width() - right)) <= 1);
        QVERIFY(form->frameGeometry().intersects(QGuiApplication::primaryScreen()->geometry()));

        const std::string longText(2000, 'w');  // wraps nowhere: still half the screen wide
        auto wide = CreateStandardDialog(longText + " end", DialogKind::Application, {sbOK},
                                         captions_, "ServoDesk");
        QCOMPARE(wide->windowTitle(), QString("ServoDesk"));
        QVERIFY(!wide->findChild<QLabel*>("Image"));
        QVERIFY(wide->width() < QGuiApplication::primaryScreen()->availableGeometry().width());
        const QLabel* wideText = wide->findChild<QLabel*>("Message");
        QVERIFY(wideText->geometry().bottom() < wide->findChild<QPushButton*>("OK")->y());
    }

    // The real dialog carries the question's identifier, as the double records it.
    void dialogQuestionsShowsTheRealDialog() {
        DialogQuestions questions(captions_, catalogue_);
        QString shown;
        QTimer::singleShot(0, [&shown] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            shown = modal->property("question").toString();
            ButtonNamed(*modal, "LQRBtn")->click();
        });
        QCOMPARE(questions.CustomDialog("M48", DialogKind::Confirmation, kFamilyButtons, 4, {86, 6},
                                        QuestionId::FamilyChoice),
                 mrAbort);
        QCOMPARE(shown, QString("FamilyChoice"));
        QTimer::singleShot(0, [&shown] {
            shown = QApplication::activeModalWidget()->property("question").toString();
            ButtonNamed(*QApplication::activeModalWidget(), "No")->click();
        });
        QCOMPARE(questions.StandardDialog("M49", DialogKind::Confirmation, {sbYes, sbNo},
                                          QuestionId::ExitProgram),
                 mrNo);
        QCOMPARE(shown, QString("ExitProgram"));
    }

    // Return on a cautious question answers No, as does Escape.
    void cautiousQuestionHasTheFocusOnNo() {
        DialogQuestions questions(captions_, catalogue_);
        for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
            QTimer::singleShot(0, [key] {
                QWidget* modal = QApplication::activeModalWidget();
                QVERIFY(modal);
                QCOMPARE(modal->focusWidget(), ButtonNamed(*modal, "No"));
                QTest::keyClick(modal->focusWidget(), Qt::Key(key));
            });
            QCOMPARE(questions.CautiousYesNo("M1019", DialogKind::Warning), mrNo);
        }
    }

    // Every question the program asks, Escape and closing in the real dialog
    // against the scripted double: a test's Escape must mean the user's.
    void escapeAndCloseMatchTheScriptedDouble_data() {
        QTest::addColumn<bool>("custom");
        QTest::addColumn<QList<int>>("buttons");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("escapePosition");
        QTest::addColumn<int>("escapeResult");
        QTest::newRow("ok") << false << QList<int>{sbOK} << 0 << 0 << -1 << mrOk;
        QTest::newRow("yes-no") << false << QList<int>{sbYes, sbNo} << 0 << 0 << -1 << mrNo;
        QTest::newRow("ok-help") << false << QList<int>{sbOK, sbHelp} << 0 << 0 << -1 << mrOk;
        QTest::newRow("all-none") << false << QList<int>{sbAll, sbNoToAll} << 0 << 0 << -1
                                  << mrCancel;
        QTest::newRow("family") << true << QList<int>{0, 1, 2, 3, 4, 5} << 86 << 6 << -1 << mrYes;
        QTest::newRow("error ok") << true << QList<int>{0} << 73 << 1 << -1 << mrYes;
        QTest::newRow("fill") << true << QList<int>{0, 1} << 187 << 2 << -1 << mrYes;
        QTest::newRow("reset") << true << QList<int>{0, 1, 2} << 97 << 3 << 2 << mrOk;
    }
    void escapeAndCloseMatchTheScriptedDouble() {
        QFETCH(bool, custom);
        QFETCH(QList<int>, buttons);
        QFETCH(int, first);
        QFETCH(int, count);
        QFETCH(int, escapePosition);
        QFETCH(int, escapeResult);
        const std::vector<int> list(buttons.begin(), buttons.end());
        const CaptionRange range{first, count, escapePosition};
        DialogCaptions captions;
        captions.SetCaptions(first, count, catalogue_);
        auto real = [&](const std::function<void(TMessageForm&)>& act) {
            auto form =
                custom ? CreateCustomDialog("q", DialogKind::Confirmation, list, 0, captions, "x",
                                            nullptr, escapePosition)
                       : CreateStandardDialog("q", DialogKind::Confirmation, list, captions, "x");
            return RunModal(*form, act);
        };
        const int escaped = real([](TMessageForm& f) {
            PressEscape(f);
            if (f.isVisible()) f.close();  // Escape ignored: the user closes it
        });
        const int closed = real([](TMessageForm& f) { f.close(); });

        ScriptedQuestions script;
        script.PressEscape().CloseWindow();
        auto ask = [&] {
            return custom ? script.CustomDialog("q", DialogKind::Confirmation, list, 0, range)
                          : script.StandardDialog("q", DialogKind::Confirmation, list);
        };
        const int scriptedEscape = ask();
        QCOMPARE(scriptedEscape, escaped);
        QCOMPARE(ask(), closed);
        QCOMPARE(escaped, escapeResult);
        QCOMPARE(closed, mrCancel);
    }

    // Reopened while a typed path is in use, the dialog keeps it: showing the
    // list must not pick its first row.
    void otherPortKeepsATypedCurrentPath() {
        const PortQuestion question{"Other port", {{"/dev/ttyS0", "ttyS0", ""}}, "/tmp/pty7"};
        QTimer::singleShot(0, [] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            QCOMPARE(modal->findChild<QLineEdit*>("PortPath")->text(), QString("/tmp/pty7"));
            ButtonNamed(*modal, "OKBtn")->click();
        });
        QCOMPARE(AskOtherPort(question, catalogue_, nullptr),
                 std::optional<std::string>("/tmp/pty7"));

        QTimer::singleShot(0, [] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* list = modal->findChild<QListWidget*>("PortList");
            list->setCurrentRow(0);  // a row the user picks does fill the field
            ButtonNamed(*modal, "OKBtn")->click();
        });
        QCOMPARE(AskOtherPort(question, catalogue_, nullptr),
                 std::optional<std::string>("/dev/ttyS0"));
    }

    void scriptedQuestionsRecordAndAnswer() {
        ScriptedQuestions script;
        script.Answer(mrNo).Answer(mrAbort);
        Questions& questions = script;
        QCOMPARE(questions.StandardDialog("exit?", DialogKind::Confirmation, {sbYes, sbNo}), mrNo);
        questions.Beep();
        QCOMPARE(
            questions.CustomDialog("family?", DialogKind::Confirmation, kFamilyButtons, 2, {86, 6}),
            mrAbort);
        QCOMPARE(questions.StandardDialog("more?", DialogKind::Warning, {sbOK}), mrCancel);
        QCOMPARE(script.Unanswered(), 1);
        QCOMPARE(script.Beeps(), 1);
        QCOMPARE(int(script.AskedQuestions().size()), 3);
        QVERIFY(script.AskedQuestions()[1].custom);
        QCOMPARE(script.AskedQuestions()[1].focusPosition, 2);
        QCOMPARE(script.AskedQuestions()[0].text, std::string("exit?"));
    }

private:
    QTemporaryDir dir_;
    MessageCatalogue catalogue_;
    DialogCaptions captions_;
};

QTEST_MAIN(MsgdlgTest)
#include "MsgdlgTest.moc"
