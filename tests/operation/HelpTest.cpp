#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <fstream>

#include "PackageVersion.h"
#include "link/MessageCatalogue.h"
#include "operation/Help.h"

namespace {

// A catalogue whose message n reads "<prefix><n>".
MessageCatalogue PrefixedCatalogue(const QTemporaryDir& dir, const std::string& prefix) {
    const std::string path = dir.filePath(QString::fromStdString(prefix)).toStdString();
    std::ofstream out(path);
    for (int n = 1; n <= 400; ++n) out << n << " " << prefix << n << "\n";
    out.close();
    MessageCatalogue catalogue;
    catalogue.LoadFile(path);
    return catalogue;
}

// Opens the modal window through show, reads what it shows, and closes it
// with its OK button.
QString MemoOfShownHelp(HelpCaller caller, const MessageCatalogue& catalogue) {
    QString memo;
    QTimer::singleShot(0, [&memo] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        QCOMPARE(modal->windowTitle(), QString("HelpForm"));
        memo = modal->findChild<QPlainTextEdit*>("HelpMemo")->toPlainText();
        modal->findChild<QPushButton*>("OKButton")->click();
    });
    ShowHelp(caller, catalogue);
    return memo;
}

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        english_ = PrefixedCatalogue(dir_, "E");
        other_ = PrefixedCatalogue(dir_, "J");
    }

    void mainHelpShowsItsLinesOnceEachTime() {
        const QString expected = "E331\n\nE337\n\nE338\nE339\nE340";
        QCOMPARE(MemoOfShownHelp(HelpCaller::MainMenu, english_), expected);
        QCOMPARE(MemoOfShownHelp(HelpCaller::MainMenu, english_), expected);
        QCOMPARE(MemoOfShownHelp(HelpCaller::MainMenu, other_),
                 QString(expected).replace('E', 'J'));
    }

    void everyCallerHasItsPairOfLines() {
        const std::vector<std::pair<HelpCaller, int>> callers{
            {HelpCaller::DataMonitor, 381},  {HelpCaller::IODisplay, 383},
            {HelpCaller::Alarm, 385},        {HelpCaller::SystemParam, 389},
            {HelpCaller::SpeedParam, 391},   {HelpCaller::TorqueParam, 393},
            {HelpCaller::PositionParam, 395}};
        for (const auto& [caller, first] : callers) {
            THelpForm form;
            form.ChangeLanguage(english_);
            form.AddHelp(caller, english_);
            QCOMPARE(form.HelpMemo()->toPlainText(),
                     QString("E%1\n\nE%2").arg(first).arg(first + 1));
            QVERIFY(form.HelpMemo()->isReadOnly());
            QCOMPARE(form.findChild<QPushButton*>("OKButton")->text(), QString("E341"));
        }
    }

    void aboutBoxShowsProductLinesAndVersion() {
        QTimer::singleShot(0, [] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QString("About"));
            QCOMPARE(box->size(), QSize(526, 233));
            const auto label = [box](const char* name) {
                return box->findChild<QLabel*>(name)->text();
            };
            QCOMPARE(label("ProductName"), QString("E331"));
            QCOMPARE(label("Version"), QString(" Version ") + kPackageVersion);  // as the package
            QCOMPARE(label("Copyright"), QString("E332"));
            QCOMPARE(label("Comments"), QString("E333"));
            QCOMPARE(label("Comments2"), QString("E334"));
            QCOMPARE(label("Comments3"), QString("E335"));
            QVERIFY(!box->findChild<QLabel*>("ProgramIcon")->pixmap().isNull());
            QWidget* focused = box->focusWidget();
            QCOMPARE(focused ? focused->objectName() : QString(), QString("OKButton"));
            QTest::keyClick(focused, Qt::Key_Return);
        });
        ShowAbout(english_);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void emptyCatalogueLeavesEmptyTexts() {
        const MessageCatalogue empty;
        QCOMPARE(MemoOfShownHelp(HelpCaller::Alarm, empty), QString("\n\n"));
    }

private:
    QTemporaryDir dir_;
    MessageCatalogue english_;
    MessageCatalogue other_;
};

QTEST_MAIN(HelpTest)
#include "HelpTest.moc"
