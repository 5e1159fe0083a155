// The file dialogs and the viewer, offscreen: the name and folder rules.
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "files/FileDialogRules.h"
#include "files/Openfile.h"
#include "files/ParamFile.h"
#include "files/Readampdata.h"
#include "tests/support/ScriptedQuestions.h"

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Touch(const std::string& path) {
    std::ofstream(path) << "x\n";
}

}  // namespace

class FileFormsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    MessageCatalogue catalogue_;
    std::string Folder() const { return dir_.path().toStdString() + "/"; }
    FileQuestion Question(int family) const {
        return FileQuestion{"title", Folder(), FileFilterFor(family), "Tmp.Hdt"};
    }
    template <typename T>
    static T* Find(QWidget& form, const char* name) {
        T* widget = form.findChild<T*>(name);
        if (widget == nullptr) qFatal("no widget %s", name);
        return widget;
    }

private slots:
    void initTestCase() {
        QVERIFY(catalogue_.Load(SERVODESK_DATA_DIR "/", 1));
        Touch(Folder() + "a.hdt");
        Touch(Folder() + "b.src");
    }

    void OpenFormListsTheFamilysFilesAndAppendsItsExtension() {
        ScriptedQuestions ask;
        TFileForm form(TFileForm::Mode::Open, Question(1), catalogue_, ask, Folder());
        auto* edit = Find<QLineEdit>(form, "FileEdit");
        auto* files = Find<QListWidget>(form, "FileListBox");
        QCOMPARE(edit->text(), QString("Tmp.Hdt"));
        QCOMPARE(files->count(), 1);
        QCOMPARE(files->item(0)->text(), QString("a.hdt"));
        files->setCurrentRow(0);
        QCOMPARE(edit->text(), QString("a.hdt"));

        edit->setText("abc");
        QTest::mouseClick(Find<QPushButton>(form, "OpenOKBtn"), Qt::LeftButton);
        QVERIFY(form.DialogAccepted());
        QCOMPARE(form.SelectedPath(), Folder() + "abc.hdt");
        QCOMPARE(form.TypedName(), std::string("abc"));
        QCOMPARE(form.ShownFolder(), Folder());
    }

    void ANameWithADotIsUsedAsTyped() {
        ScriptedQuestions ask;
        TFileForm form(TFileForm::Mode::Open, Question(1), catalogue_, ask, Folder());
        Find<QLineEdit>(form, "FileEdit")->setText("x.other");
        QTest::keyClick(Find<QLineEdit>(form, "FileEdit"), Qt::Key_Return);
        QCOMPARE(form.SelectedPath(), Folder() + "x.other");
    }

    void AnEmptyNameIsRefused() {
        ScriptedQuestions ask;
        TFileForm form(TFileForm::Mode::Save, Question(0), catalogue_, ask, Folder());
        Find<QLineEdit>(form, "FileEdit")->setText("   ");
        QTest::mouseClick(Find<QPushButton>(form, "SaveOKBtn"), Qt::LeftButton);
        QVERIFY(!form.DialogAccepted());
        QCOMPARE(ask.AskedQuestions().size(), std::size_t(1));
        QVERIFY(form.SelectedPath().empty());
    }

    void SavingOverAFileAsksFirst() {
        ScriptedQuestions ask;
        ask.Answer(mrNo).Answer(mrYes);
        TFileForm form(TFileForm::Mode::Save, Question(0), catalogue_, ask, Folder());
        Find<QLineEdit>(form, "FileEdit")->setText("b");
        auto* ok = Find<QPushButton>(form, "SaveOKBtn");
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!form.DialogAccepted());
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(form.DialogAccepted());
        QCOMPARE(form.SelectedPath(), Folder() + "b.src");
        QCOMPARE(ask.AskedQuestions().size(), std::size_t(2));
        QVERIFY(ask.Last().text.find(Folder() + "b.src") == 0);
    }

    // Return in the save dialog's name field: a full path is taken as typed,
    // a folder is shown.
    void SaveFormTakesReturnAfterAFullPathOrAFolder() {
        ScriptedQuestions ask;
        std::filesystem::create_directories(Folder() + "sub");
        TFileForm form(TFileForm::Mode::Save, Question(0), catalogue_, ask, Folder());
        auto* edit = Find<QLineEdit>(form, "FileEdit");
        edit->setText(QString::fromStdString(Folder() + "sub"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(!form.DialogAccepted());
        QCOMPARE(form.ShownFolder(), Folder() + "sub/");
        edit->setText(QString::fromStdString(Folder() + "sub/full.src"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(form.DialogAccepted());
        QCOMPARE(form.SelectedPath(), Folder() + "sub/full.src");
    }

    void TheChooserRemembersTheFolderShownAndTheTypedName() {
        ScriptedQuestions ask;
        DriveState state;
        state.StartFolder = Folder();
        state.WorkFolder = "/nonexistent/folder/";
        FileChooser choose = MakeOpenChooser(state, catalogue_, ask, nullptr);
        QTimer::singleShot(0, [] {
            QWidget* form = QApplication::activeModalWidget();
            QVERIFY(form != nullptr);
            form->findChild<QLineEdit*>("FileEdit")->setText("typed");
            form->findChild<QPushButton*>("OpenOKBtn")->click();
        });
        FileQuestion question = Question(2);
        question.Folder = state.WorkFolder;  // not there: the start-up folder is shown
        const std::optional<std::string> path = choose(question);
        QVERIFY(path.has_value());
        QCOMPARE(*path, Folder() + "typed.dat");
        QCOMPARE(state.WorkFolder, Folder());
        QCOMPARE(state.TempFileName, std::string("typed"));
    }

    void TheDriveSelectorOffersRootHomeAndStartFolder() {
        ScriptedQuestions ask;
        TFileForm form(TFileForm::Mode::Open, Question(2), catalogue_, ask, Folder());
        auto* drives = Find<QComboBox>(form, "DriveComboBox");
        QCOMPARE(drives->count(), 3);
        QCOMPARE(drives->itemText(0), QString("/"));
        QCOMPARE(drives->itemText(2).toStdString(), Folder());
        form.ShowFolder("/");
        QCOMPARE(form.ShownFolder(), std::string("/"));
    }

    void NewFolderIsMadeWithTheSeparatorOrRefusedWithMessage195() {
        ScriptedQuestions ask;
        TNewDirForm form(Folder(), catalogue_, ask);
        Find<QLineEdit>(form, "NewDirEdit")->setText("made");
        QTest::keyClick(Find<QLineEdit>(form, "NewDirEdit"), Qt::Key_Return);
        QVERIFY(form.result() == QDialog::Accepted);
        QCOMPARE(form.NewDirectory(), Folder() + "made/");
        QVERIFY(std::filesystem::is_directory(Folder() + "made"));

        TNewDirForm again(Folder(), catalogue_, ask);
        Find<QLineEdit>(again, "NewDirEdit")->setText("made");
        QTest::mouseClick(Find<QPushButton>(again, "ConfirmBtn"), Qt::LeftButton);
        QVERIFY(again.result() != QDialog::Accepted);
        QCOMPARE(ask.Last().text, catalogue_.Msg(195));
        QCOMPARE(ask.Last().kind, DialogKind::Error);
        QCOMPARE(ask.Beeps(), 1);
    }

    void ViewerShowsWholeLinesAndSavesThemBack() {
        ScriptedQuestions ask;
        DriveState state;
        TReadData viewer(state, catalogue_, ask);
        const std::string longLine(300, 'x');
        const std::string source = Folder() + "view.dat";
        std::ofstream(source, std::ios::binary) << "This is a FX Data\r\n"
                                                << DataLine(12, 5, true) << "\r\n"
                                                << longLine << "\n";
        ask.AnswerFile(source);
        QTest::mouseClick(Find<QPushButton>(viewer, "ReadBtn"), Qt::LeftButton);
        auto* memo = Find<QPlainTextEdit>(viewer, "Memo1");
        QCOMPARE(memo->blockCount(), 3);
        QCOMPARE(memo->document()->findBlockByNumber(2).text().size(), 300);
        QCOMPARE(memo->textCursor().position(), 0);

        ask.AnswerFile(Folder() + "copy.dat");
        QTest::mouseClick(Find<QPushButton>(viewer, "SaveBtn"), Qt::LeftButton);
        QCOMPARE(Bytes(Folder() + "copy.dat"),
                 "This is a FX Data\r\n" + DataLine(12, 5, true) + "\r\n" + longLine + "\r\n");

        // A file that cannot be read keeps the viewer and its text.
        memo->setPlainText("edited");
        ask.AnswerFile(Folder() + "missing.dat");
        QTest::mouseClick(Find<QPushButton>(viewer, "ReadBtn"), Qt::LeftButton);
        QCOMPARE(memo->toPlainText(), QString("edited"));
        QVERIFY(ask.Last().custom);
    }

    void AnEmptyViewerSavesAnEmptyFile() {
        ScriptedQuestions ask;
        DriveState state;
        TReadData viewer(state, catalogue_, ask);
        ask.AnswerFile(Folder() + "empty.dat");
        QTest::mouseClick(Find<QPushButton>(viewer, "SaveBtn"), Qt::LeftButton);
        QCOMPARE(Bytes(Folder() + "empty.dat"), std::string());
        QCOMPARE(TextLines("a\nb\n"), (std::vector<std::string>{"a", "b"}));
        QCOMPARE(TextLines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
    }

    void ViewerCloseTakesItsFrameAlong() {
        ScriptedQuestions ask;
        DriveState state;
        QMdiArea area;
        area.addSubWindow(new TReadData(state, catalogue_, ask))->show();
        area.show();
        QCOMPARE(area.subWindowList().size(), 1);
        auto* viewer = area.findChild<TReadData*>();
        QTest::mouseClick(Find<QPushButton>(*viewer, "ReadCloseBtn"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(area.subWindowList().size(), 0);
    }

    // A path whose second line is still wider than the viewer wraps again
    // and keeps its end in sight.
    void ViewerPathLabelKeepsTheEndOfALongPath() {
        ScriptedQuestions ask;
        DriveState state;
        TReadData viewer(state, catalogue_, ask);
        viewer.show();
        const std::string dir = Folder() + std::string(50, 'd') + "/" + std::string(30, 'e') + "/";
        std::filesystem::create_directories(dir);
        const std::string path = dir + "a_long_file_name_at_the_end.dat";
        std::ofstream(path) << "x\n";
        ask.AnswerFile(path);
        QTest::mouseClick(Find<QPushButton>(viewer, "ReadBtn"), Qt::LeftButton);
        viewer.layout()->activate();
        auto* label = Find<QLabel>(viewer, "Fname");
        const QRect room = label->contentsRect();
        const QRect needed =
            label->fontMetrics().boundingRect(room, Qt::TextWordWrap, label->text());
        QVERIFY2(needed.width() <= room.width(), qPrintable(label->text()));
        QVERIFY(needed.height() <= room.height());
        QCOMPARE(label->toolTip().toStdString(), path);
    }

    void PathLabelBreaksAfterTheLastSeparatorWithin75() {
        const std::string path = "/" + std::string(58, 'a') + "/" + std::string(20, 'b');
        QCOMPARE(path.size(), std::size_t(80));
        const std::string label = PathLabelText(path);
        QCOMPARE(label, path.substr(0, 60) + "\n" + path.substr(60));
        QCOMPARE(PathLabelText(std::string(80, 'c')), std::string(80, 'c'));
        QCOMPARE(PathLabelText("/short"), std::string("/short"));
    }
};

QTEST_MAIN(FileFormsTest)
#include "FileFormsTest.moc"
