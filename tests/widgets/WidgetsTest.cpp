// Gauge percentages and drawing; spin-button halves, repeat and focus.
#include <QSignalSpy>
#include <QTest>

#include "widgets/Gauge.h"
#include "widgets/SpinButton.h"

class WidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void GaugePercentOfRanges_data();
    void GaugePercentOfRanges();
    void GaugeKeepsProgressInsideRange();
    void GaugeDrawsBarInProportion();
    void SpinButtonHalvesEmitTheirClick();
    void SpinButtonRepeatsWhileHeldOnly();
    void SpinButtonPressFocusesItsControl();
};

void WidgetsTest::GaugePercentOfRanges_data() {
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("progress");
    QTest::addColumn<int>("percent");
    QTest::newRow("plain") << 0 << 100 << 37 << 37;
    QTest::newRow("offset range") << 10 << 20 << 15 << 50;
    QTest::newRow("truncates") << 0 << 3 << 2 << 66;
    QTest::newRow("negative range") << -100 << 100 << 0 << 50;
    QTest::newRow("empty range") << 5 << 5 << 5 << 0;
    QTest::newRow("empty zero range") << 0 << 0 << 0 << 0;
    QTest::newRow("inverted range") << 10 << 0 << 5 << 0;
    QTest::newRow("below range") << 0 << 100 << -20 << 0;
    QTest::newRow("above range") << 0 << 100 << 120 << 100;
    QTest::newRow("large, no overflow") << 0 << 2000000000 << 1500000000 << 75;
    QTest::newRow("full int span") << INT_MIN << INT_MAX << INT_MAX << 100;
}

void WidgetsTest::GaugePercentOfRanges() {
    QFETCH(int, minValue);
    QFETCH(int, maxValue);
    QFETCH(int, progress);
    QFETCH(int, percent);
    QCOMPARE(TGauge::PercentOf(minValue, maxValue, progress), percent);
}

void WidgetsTest::GaugeKeepsProgressInsideRange() {
    TGauge gauge;
    gauge.SetProgress(150);
    QCOMPARE(gauge.Progress(), 100);
    gauge.SetMaxValue(40);
    QCOMPARE(gauge.Progress(), 40);
    QCOMPARE(gauge.PercentDone(), 100);
    gauge.SetMinValue(60);  // drags the maximum along
    QCOMPARE(gauge.MaxValue(), 60);
    QCOMPARE(gauge.Progress(), 60);
    QCOMPARE(gauge.PercentDone(), 0);
    gauge.SetRange(0, 200);
    gauge.AddProgress(-10);
    QCOMPARE(gauge.Progress(), 50);
    QCOMPARE(gauge.PercentDone(), 25);
}

void WidgetsTest::GaugeDrawsBarInProportion() {
    TGauge gauge;
    gauge.resize(200, 24);
    gauge.SetProgress(37);
    const QImage image = gauge.grab().toImage();
    const QColor bar = gauge.palette().color(QPalette::Highlight);
    const QColor empty = gauge.palette().color(QPalette::Base);
    // Row 3 lies above the centred text.
    QCOMPARE(image.pixelColor(20, 3), bar);
    QCOMPARE(image.pixelColor(70, 3), bar);
    QCOMPARE(image.pixelColor(76, 3), empty);
    QCOMPARE(image.pixelColor(180, 3), empty);
}

void WidgetsTest::SpinButtonHalvesEmitTheirClick() {
    TSpinButton button;
    button.resize(15, 24);
    QSignalSpy ups(&button, &TSpinButton::upClick);
    QSignalSpy downs(&button, &TSpinButton::downClick);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(7, 3));
    QCOMPARE(ups.count(), 1);
    QCOMPARE(downs.count(), 0);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(7, 20));
    QCOMPARE(ups.count(), 1);
    QCOMPARE(downs.count(), 1);
    QTest::mouseClick(&button, Qt::RightButton, {}, QPoint(7, 3));
    QCOMPARE(ups.count(), 1);
    button.setEnabled(false);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(7, 3));
    QCOMPARE(ups.count(), 1);
}

void WidgetsTest::SpinButtonRepeatsWhileHeldOnly() {
    TSpinButton button;
    button.resize(15, 24);
    button.SetRepeatDelays(20, 10);
    QSignalSpy downs(&button, &TSpinButton::downClick);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(7, 20));
    QCOMPARE(downs.count(), 1);  // at once, before any repeat
    QTRY_VERIFY_WITH_TIMEOUT(downs.count() >= 4, 2000);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(7, 20));
    const int afterRelease = downs.count();
    QTest::qWait(60);
    QCOMPARE(downs.count(), afterRelease);
    QCOMPARE(button.PressedHalf(), TSpinButton::Half::None);
}

void WidgetsTest::SpinButtonPressFocusesItsControl() {
    QWidget window;
    auto* control = new QWidget(&window);
    control->setFocusPolicy(Qt::StrongFocus);
    auto* other = new QWidget(&window);
    other->setFocusPolicy(Qt::StrongFocus);
    auto* button = new TSpinButton(&window);
    button->setGeometry(50, 0, 15, 24);
    button->SetFocusControl(control);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(7, 3));
    QVERIFY(control->hasFocus());
    QCOMPARE(button->focusPolicy(), Qt::NoFocus);
}

QTEST_MAIN(WidgetsTest)
#include "WidgetsTest.moc"
