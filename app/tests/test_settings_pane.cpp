// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The picture-settings pane against simulated cameras: loading, dragging,
// the anti-flicker combo, Default, OK and the settings button.
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

#include "window/AppState.h"
#include "window/MainWindow.h"
#include "dialogs/NO_Device.h"
#include "dialogs/NO_Mord_Camera.h"
#include "support/SimulatedBus.h"
#include "support/WindowProbe.h"

namespace {

const int kPassTimeout = 15000;

struct Row {
    const char* slider;
    const char* field;
    int procAmpId;
    int min, max, defaultValue, current;
};

// Every row with its own range, default and current value, so that a row
// loaded from or sent to the wrong property shows. Backlight's current value
// lies beyond a fresh slider's range of 0 to 99.
const Row kRows[] = {
    {"slider_blc", "v_blc", 8, 0, 255, 64, 200},
    {"slider_gamma", "v_gamma", 5, 100, 500, 220, 300},
    {"slider_contrast", "v_contrast", 1, 0, 95, 50, 37},
    {"slider_saturation", "v_saturation", 3, 0, 180, 90, 150},
    {"slider_brightness", "v_brightness", 0, -64, 64, 0, -10},
    {"slider_sharpness", "v_sharpness", 4, 0, 15, 6, 7},
    {"slider_wb", "v_wb", 7, 2800, 6500, 4600, 5200},
};

QStringList Properties(int powerLineDefault, int powerLineCurrent)
{
    QStringList lines;
    for (const Row& r : kRows)
        lines << QStringLiteral("proc-amp.%1=%2,%3,1,%4,%5")
                     .arg(r.procAmpId)
                     .arg(r.min)
                     .arg(r.max)
                     .arg(r.defaultValue)
                     .arg(r.current);
    lines << QStringLiteral("proc-amp.13=0,3,1,%1,%2").arg(powerLineDefault).arg(powerLineCurrent);
    return lines;
}

QString KsSet(const QString& cam, int id, const QString& value1, int flags)
{
    return QStringLiteral("%1 ks-set proc-amp %2 value1=%3 value2=\\S+ flags=0x%4 len=\\d+")
        .arg(QRegularExpression::escape(cam))
        .arg(id)
        .arg(value1)
        .arg(flags, 0, 16);
}

void CompareLines(const QStringList& actual, const QStringList& patterns)
{
    QCOMPARE(actual.size(), patterns.size());
    for (int i = 0; i < patterns.size(); ++i) {
        const QRegularExpression re(QRegularExpression::anchoredPattern(patterns[i]));
        QVERIFY2(re.match(actual[i]).hasMatch(), qPrintable(actual[i] + "  !~  " + patterns[i]));
    }
}

}  // namespace

class SettingsPaneTest : public QObject {
    Q_OBJECT

private:
    SimulatedBus* bus = nullptr;
    MainWindow* window = nullptr;
    int generation = 0;

    QString cameraName(int n) const { return QStringLiteral("s%1cam%2").arg(generation).arg(n); }

    // One camera per entry (power-line default and current), then a shown
    // window after its first pass. The pane is built the first time a test
    // looks into it, or here before the pass.
    void startWith(
        const QList<QPair<int, int>>& powerLines, const QStringList& faultsOfSecond = {}, bool paneFirst = false)
    {
        ++generation;
        for (int i = 0; i < powerLines.size(); ++i)
            bus->plugCamera(cameraName(i + 1),
                Properties(powerLines[i].first, powerLines[i].second) + (i == 1 ? faultsOfSecond : QStringList()));
        window = new MainWindow;
        if (paneFirst)
            window->settingsPane();
        window->show();
        QSignalSpy passes(probe::discoveryTimer(*window), &QTimer::timeout);
        QTRY_COMPARE_WITH_TIMEOUT(passes.count(), 1, kPassTimeout);
        QVERIFY(probe::settled(*window));
    }

    QSlider* slider(const char* name) { return probe::child<QSlider>(window, name); }
    QComboBox* combo() { return probe::child<QComboBox>(window, "cb_fliker"); }
    QWidget* pane() { return probe::child<QWidget>(window, "Win_Right"); }
    void click(const char* name)
    {
        QTest::mouseClick(probe::button(window, name), Qt::LeftButton);
        QVERIFY(probe::settled(*window));
    }
    // What the cameras received, once the window's camera answered all it was sent.
    template <typename... Filter>
    QStringList received(Filter... filter)
    {
        probe::settled(*window);
        return bus->requests(filter...);
    }

private slots:
    void initTestCase() { bus = new SimulatedBus; }
    void cleanupTestCase() { delete bus; }

    void init()
    {
        probe::resetAppState();
        bus->unplugAll();
        bus->clearRequests();
    }

    void cleanup()
    {
        delete window;
        window = nullptr;
        probe::deleteDialogs();
    }

    void loadsRangesBeforeValues()
    {
        startWith({{1, 2}});
        if (QTest::currentTestFailed())
            return;
        for (const Row& r : kRows) {
            QSlider* s = slider(r.slider);
            QCOMPARE(s->minimum(), r.min);
            QCOMPARE(s->maximum(), r.max);
            QCOMPARE(s->value(), r.current);
            QCOMPARE(s->pageStep(), 0);
            QCOMPARE(s->singleStep(), 1);
            QCOMPARE(probe::child<QLineEdit>(window, r.field)->text(), QString::number(r.current));
        }
        QCOMPARE(combo()->currentIndex(), 2);
        const PictureSettings& c = g_pictureSettings;
        QCOMPARE(c.backlight.current, 200);
        QCOMPARE(c.backlight.max, 255);
        QCOMPARE(c.gamma.min, 100);
        QCOMPARE(c.whiteBalance.defaultValue, 4600);
        QCOMPARE(c.sharpness.pageStep, 0);
        QCOMPARE(c.powerLine.current, 2);
        QCOMPARE(c.powerLine.defaultValue, 1);
        QCOMPARE(c.powerLine.max, 3);
        // The first pass loads before it marks the camera open: the combo's
        // change sends nothing back.
        QVERIFY(received("ks-set").isEmpty());
    }

    // A camera without contrast and anti-flicker: those rows are not usable
    // and show no value; the next camera that has them brings them back.
    void rowsTheCameraLacks()
    {
        startWith({{1, 2}, {1, 1}}, {QStringLiteral("proc-amp.1=none"), QStringLiteral("proc-amp.13=none")});
        const auto usable = [&](const char* slider, const char* field) {
            return probe::child<QSlider>(window, slider)->isEnabled()
                   && probe::child<QLineEdit>(window, field)->isEnabled()
                   && !probe::child<QLineEdit>(window, field)->text().isEmpty();
        };
        for (const char* tab : {"btn_cam2", "btn_cam1"}) {
            click(tab);
            const bool first = tab == QLatin1String("btn_cam1");
            QCOMPARE(usable("slider_contrast", "v_contrast"), first);
            QCOMPARE(combo()->isEnabled(), first);
            QVERIFY(usable("slider_brightness", "v_brightness"));
        }
    }

    // Loading sends the power-line value back only when the combo's index
    // changes, and not at all for a value beyond its three items; the same
    // whether the pane is built or not yet, which then shows the last item.
    void powerLineGoesBackOnlyOnChange_data()
    {
        QTest::addColumn<bool>("paneBuilt");
        QTest::newRow("pane built from the start") << true;
        QTest::newRow("pane not built until the end") << false;
    }

    void powerLineGoesBackOnlyOnChange()
    {
        QFETCH(bool, paneBuilt);
        startWith({{0, 1}, {0, 2}, {0, 3}}, {}, paneBuilt);
        if (QTest::currentTestFailed())
            return;
        // Nothing of the pane, and so no text field, until it is wanted.
        QCOMPARE(window->findChildren<QLineEdit*>().size(), paneBuilt ? 7 : 0);
        const auto shows = [&](int index) {
            if (paneBuilt) {
                QCOMPARE(combo()->currentIndex(), index);
                QCOMPARE(combo()->currentText().isEmpty(), index < 0);
            }
        };
        shows(1);
        bus->clearRequests();

        click("btn_cam2");
        CompareLines(received("ks-set"), {KsSet(cameraName(2), 13, "2", 2)});
        bus->clearRequests();
        click("btn_cam2");
        QVERIFY(received("ks-set").isEmpty());

        click("btn_cam3");
        shows(-1);
        QVERIFY(received("ks-set").isEmpty());

        click("btn_cam1");
        shows(1);
        CompareLines(received("ks-set"), {KsSet(cameraName(1), 13, "1", 2)});
        QCOMPARE(window->findChildren<QLineEdit*>().size(), paneBuilt ? 7 : 0);
        QCOMPARE(combo()->currentIndex(), 1);
        QCOMPARE(probe::child<QLineEdit>(window, "v_wb")->text(), QStringLiteral("5200"));
    }

    void comboChoiceSendsItsValue()
    {
        startWith({{1, 1}});
        if (QTest::currentTestFailed())
            return;
        bus->clearRequests();
        combo()->setCurrentIndex(2);
        combo()->setCurrentIndex(0);
        combo()->setCurrentIndex(1);
        const QString cam = cameraName(1);
        CompareLines(received("ks-set"), {KsSet(cam, 13, "2", 2), KsSet(cam, 13, "0", 2), KsSet(cam, 13, "1", 2)});
        QCOMPARE(g_pictureSettings.powerLine.current, 1);
    }

    void defaultSendsCachedDefaultsInOrder_data()
    {
        QTest::addColumn<int>("powerLineCurrent");
        QTest::newRow("combo already at the default") << 1;
        QTest::newRow("combo moves to the default") << 2;
    }

    void defaultSendsCachedDefaultsInOrder()
    {
        QFETCH(int, powerLineCurrent);
        startWith({{1, powerLineCurrent}});
        if (QTest::currentTestFailed())
            return;
        bus->clearRequests();
        click("btn_default");

        const QString cam = cameraName(1);
        QStringList expected;
        if (powerLineCurrent != 1)
            expected << KsSet(cam, 13, "1", 2);  // the combo's own change
        expected << KsSet(cam, 7, "4600", 2) << KsSet(cam, 8, "64", 2) << KsSet(cam, 5, "220", 2)
                 << KsSet(cam, 1, "50", 2) << KsSet(cam, 3, "90", 2) << KsSet(cam, 0, "0", 2) << KsSet(cam, 4, "6", 2)
                 << KsSet(cam, 13, "1", 2) << KsSet(cam, 7, "-?\\d+", 1);  // white balance back to automatic
        CompareLines(received("ks-set"), expected);

        for (const Row& r : kRows) {
            QCOMPARE(slider(r.slider)->value(), r.defaultValue);
            QCOMPARE(probe::child<QLineEdit>(window, r.field)->text(), QString::number(r.defaultValue));
        }
        QCOMPARE(combo()->currentIndex(), 1);
        // The cache keeps the loaded values.
        QCOMPARE(g_pictureSettings.backlight.current, 200);
        QCOMPARE(g_pictureSettings.whiteBalance.current, 5200);
    }

    // A drag sends each value it passes, once, to its own property; the
    // field and the cache follow.
    void dragSendsEachValueOnce()
    {
        startWith({{1, 1}});
        if (QTest::currentTestFailed())
            return;
        click("btn_setting");
        QVERIFY(pane()->isVisible());
        const QString cam = cameraName(1);
        PictureSetting* caches[] = {&g_pictureSettings.backlight, &g_pictureSettings.gamma, &g_pictureSettings.contrast,
            &g_pictureSettings.saturation, &g_pictureSettings.brightness, &g_pictureSettings.sharpness,
            &g_pictureSettings.whiteBalance};
        int i = 0;
        for (const Row& r : kRows) {
            QSlider* s = slider(r.slider);
            const int before = s->value();
            bus->clearRequests();
            probe::dragHandle(s, s->width() / 2);
            const int reached = s->value();
            QVERIFY2(reached > before, r.slider);
            const QStringList sent = received("ks-set");
            QVERIFY2(!sent.isEmpty(), r.slider);
            QList<int> values;
            for (const QString& line : sent) {
                QVERIFY2(line.contains(QStringLiteral(" proc-amp %1 ").arg(r.procAmpId)), qPrintable(line));
                values << line.section(QStringLiteral("value1="), 1).section(' ', 0, 0).toInt();
            }
            for (int k = 1; k < values.size(); ++k)
                QVERIFY2(values[k] > values[k - 1], qPrintable(sent.join('\n')));  // rising, none twice
            CompareLines(sent.mid(sent.size() - 1), {KsSet(cam, r.procAmpId, QString::number(reached), 2)});
            QCOMPARE(probe::child<QLineEdit>(window, r.field)->text(), QString::number(reached));
            QCOMPARE(caches[i]->current, reached);
            ++i;
        }
    }

    // Every other change of a value (the wheel, keys, a click on the groove,
    // a value given from outside) reaches the field, the cache and the
    // camera, once; one that moves nothing sends nothing.
    void everyChangeOfValueReachesTheCamera_data()
    {
        QTest::addColumn<int>("row");  // into kRows
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("expected");  // the value after it; -1: wherever the click put it
        QTest::newRow("Right on brightness") << 4 << "key Right" << -9;
        QTest::newRow("Left on contrast") << 2 << "key Left" << 36;
        QTest::newRow("End on gamma") << 1 << "key End" << 500;
        QTest::newRow("Home on white balance") << 6 << "key Home" << 2800;
        QTest::newRow("Page Up on saturation: no page step") << 3 << "key PageUp" << 150;
        QTest::newRow("wheel on sharpness: no page step") << 5 << "wheel" << 7;
        QTest::newRow("groove click on backlight") << 0 << "groove" << -1;
        QTest::newRow("a value given from outside") << 1 << "setValue" << 123;
    }

    void everyChangeOfValueReachesTheCamera()
    {
        QFETCH(int, row);
        QFETCH(QString, how);
        QFETCH(int, expected);
        startWith({{1, 1}});
        if (QTest::currentTestFailed())
            return;
        click("btn_setting");
        const Row& r = kRows[row];
        QSlider* s = slider(r.slider);
        QCOMPARE(s->value(), r.current);
        bus->clearRequests();
        if (how.startsWith(QLatin1String("key "))) {
            static const QMap<QString, Qt::Key> keys = {{"Right", Qt::Key_Right}, {"Left", Qt::Key_Left},
                {"End", Qt::Key_End}, {"Home", Qt::Key_Home}, {"PageUp", Qt::Key_PageUp}};
            s->setFocus();
            QTest::keyClick(s, keys.value(how.mid(4)));
        } else if (how == QLatin1String("wheel")) {
            const QPoint at = s->rect().center();
            QWheelEvent wheel(QPointF(at), QPointF(s->mapToGlobal(at)), QPoint(), QPoint(0, 120), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(s, &wheel);
        } else if (how == QLatin1String("groove")) {
            // The button that jumps the handle to the pointer, far from it.
            const auto jump = Qt::MouseButtons(s->style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons));
            QVERIFY(jump & Qt::MiddleButton);
            QTest::mouseClick(s, Qt::MiddleButton, Qt::NoModifier, QPoint(s->width() * 9 / 10, s->height() / 2));
            expected = s->value();
            QVERIFY(expected != r.current);
        } else {
            s->setValue(expected);
        }
        QCOMPARE(s->value(), expected);
        // (An arrow's release reaches the window and stops the camera's pan
        // or tilt as ever: only the picture's requests count here.)
        const QStringList sent = received("ks-set").filter(QStringLiteral(" proc-amp "));
        if (expected == r.current) {
            QVERIFY2(sent.isEmpty(), qPrintable(sent.join('\n')));
        } else {
            CompareLines(sent, {KsSet(cameraName(1), r.procAmpId, QString::number(expected), 2)});
        }
        QCOMPARE(probe::child<QLineEdit>(window, r.field)->text(), QString::number(expected));
        PictureSetting* caches[] = {&g_pictureSettings.backlight, &g_pictureSettings.gamma, &g_pictureSettings.contrast,
            &g_pictureSettings.saturation, &g_pictureSettings.brightness, &g_pictureSettings.sharpness,
            &g_pictureSettings.whiteBalance};
        QCOMPARE(caches[row]->current, expected);
    }

    void settingsButtonAndOk()
    {
        startWith({{1, 1}});
        if (QTest::currentTestFailed())
            return;
        bus->clearRequests();
        click("btn_setting");
        QVERIFY(pane()->isVisible());
        QCOMPARE(g_settingsShown, 1);
        click("btn_setting");
        QVERIFY(!pane()->isVisible());
        QCOMPARE(g_settingsShown, 0);
        click("btn_setting");
        click("btn_ok");
        QVERIFY(!pane()->isVisible());
        QCOMPARE(g_settingsShown, 0);
        QVERIFY(pane()->isEnabled());
        QVERIFY(received().isEmpty());
    }

    // Without a camera the settings button disables the pane; the pass that
    // finds a camera makes it usable again.
    void paneUsableAgainOnceACameraArrives()
    {
        ++generation;
        window = new MainWindow;
        window->show();
        QSignalSpy passes(probe::discoveryTimer(*window), &QTimer::timeout);
        QTRY_COMPARE_WITH_TIMEOUT(passes.count(), 1, kPassTimeout);
        QVERIFY(probe::settled(*window));
        click("btn_setting");
        QVERIFY(!pane()->isEnabled());
        QVERIFY(!pane()->isVisible());
        QCOMPARE(g_settingsShown, 0);

        bus->plugCamera(cameraName(1), Properties(1, 1));
        QTRY_COMPARE_WITH_TIMEOUT(g_cameraOpen, 1, kPassTimeout);
        QVERIFY(probe::settled(*window));
        QVERIFY(pane()->isEnabled());
        click("btn_setting");
        QVERIFY(pane()->isVisible());
        bus->clearRequests();
        probe::dragHandle(slider("slider_blc"), 30);
        QVERIFY(!received("ks-set", cameraName(1)).isEmpty());
    }

    // A camera that is counted but will not open: the device is closed while
    // g_cameraOpen is 1. Nothing may reach it, and the window goes on.
    void failedOpenSendsNothing_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("camera cannot be bound") << "fault.bind=fail";
        QTest::newRow("bound without camera control") << "fault.interface=camera-control";
    }

    void failedOpenSendsNothing()
    {
        QFETCH(QString, fault);
        startWith({{1, 1}, {1, 1}}, {fault});
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(g_cameraCount, 2);
        click("btn_setting");
        click("btn_cam2");
        QCOMPARE(g_cameraOpen, 1);
        // Nothing is open: no tab lights.
        QCOMPARE(probe::tabColours(window), QStringLiteral("bbbbb"));
        // The pane keeps the first camera's values.
        QCOMPARE(slider("slider_blc")->value(), 200);
        QCOMPARE(probe::child<QLineEdit>(window, "v_wb")->text(), QStringLiteral("5200"));
        bus->clearRequests();

        probe::dragHandle(slider("slider_gamma"), 40);
        QVERIFY(slider("slider_gamma")->value() != 300);
        QCOMPARE(probe::child<QLineEdit>(window, "v_gamma")->text(), QString::number(slider("slider_gamma")->value()));
        combo()->setCurrentIndex(2);
        click("btn_default");
        QVERIFY2(received("ks-set").isEmpty(), qPrintable(received().join('\n')));
        QVERIFY(received("set").isEmpty());

        // Choosing the working camera again opens it and sends as before.
        click("btn_cam1");
        bus->clearRequests();
        probe::dragHandle(slider("slider_gamma"), -20);
        QVERIFY(!received("ks-set", cameraName(1)).isEmpty());
    }

    // The same when the pass itself fails to open camera index 0.
    void passWithUnopenableCamera_data() { failedOpenSendsNothing_data(); }

    void passWithUnopenableCamera()
    {
        QFETCH(QString, fault);
        ++generation;
        bus->plugCamera(cameraName(1), Properties(1, 1) << fault);
        window = new MainWindow;
        window->show();
        QSignalSpy passes(probe::discoveryTimer(*window), &QTimer::timeout);
        QTRY_COMPARE_WITH_TIMEOUT(passes.count(), 1, kPassTimeout);
        QVERIFY(probe::settled(*window));
        QCOMPARE(g_cameraOpen, 1);
        QCOMPARE(probe::tabColours(window), QStringLiteral("bbbbb"));
        click("btn_setting");
        QVERIFY(pane()->isVisible());
        bus->clearRequests();
        probe::dragHandle(slider("slider_contrast"), 30);
        combo()->setCurrentIndex(2);
        click("btn_default");
        QVERIFY(received("ks-set").isEmpty());
    }
};

QTEST_MAIN(SettingsPaneTest)
#include "test_settings_pane.moc"
