// The horoscope window: charts added, edited, duplicated and deleted through the file, a file
// that cannot be read left as it is, the reading of an ambiguous local time asked for, the
// transit ring stepped by its keys, and export.
#include "app/natal_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <cmath>

#include "app/command_ids.h"
#include "app/natal_edit_dialog.h"
#include "app/natal_wheel_view.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "natal/aspects.h"
#include "natal/chart_file.h"
#include "natal/natal_chart.h"
#include "testing/modal_dialog.h"

using apptest::AppFixture;
using caelvane::testing::ActOnModal;
using caelvane::testing::WhenModalOpens;
using Answer = caelvane::CQtHostServices::Answer;

namespace {

template <typename T>
T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no child %s", name);
    return child;
}

void Type(QWidget* dialog, const char* name, const QString& text) {
    auto* edit = Child<QLineEdit>(dialog, name);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void ClickOk(QWidget* dialog) {
    QMetaObject::invokeMethod(dialog, "accept");
}

natal::Horoscope London() {
    natal::Horoscope h;
    h.name = "London birth";
    h.local = {1975, 6, 14, 8, 30, 0};
    h.place = {"London", 51.50853, -0.12574};
    h.zone = "Europe/London";
    return h;
}

std::vector<natal::Horoscope> Load(const QString& path) {
    std::vector<natal::Horoscope> charts;
    std::string error;
    if (!natal::LoadChartFile(QFile::encodeName(path).toStdString(), charts, error)) {
        qWarning("%s", error.c_str());
    }
    return charts;
}

QStringList Names(const std::vector<natal::Horoscope>& charts) {
    QStringList names;
    for (const natal::Horoscope& h : charts) names.append(QString::fromStdString(h.name));
    return names;
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double RingLongitude(const CNatalWindow& window, const char* body) {
    for (const natal::ChartPoint& point : window.View()->Ring().points) {
        if (point.name == body) return point.longitude;
    }
    return std::nan("");
}

CNatalWindow* OnlyWindow(AppFixture& fixture) {
    const auto windows = fixture.Frame().findChildren<CNatalWindow*>();
    return windows.size() == 1 ? windows.front() : nullptr;
}

}  // namespace

class NatalWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void chartsRoundTripThroughTheFile() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        const QString path = m_dir.filePath("round.json");
        QFile::remove(path);
        fixture.horoscopeSavePath = path;
        // New Horoscope: the window, then the entries of its first chart, found in the atlas.
        QVERIFY(fixture.App().OnFileNewHoroscope());
        CNatalWindow* window = OnlyWindow(fixture);
        QVERIFY(window != nullptr);
        QString results;
        ActOnModal([&results](QWidget* dialog) {
            Type(dialog, "name", "London birth");
            Type(dialog, "date", "1975-06-14");
            Type(dialog, "time", "08:30");
            Type(dialog, "placeSearch", "London");
            auto* places = Child<QListWidget>(dialog, "placeResults");
            for (int i = 0; i < places->count(); ++i) results += places->item(i)->text() + "\n";
            // The first London is England's (the most populous); Ontario's is listed too.
            places->setCurrentRow(0);
            ClickOk(dialog);
        });
        QTRY_COMPARE(window->Charts().size(), std::size_t{1});
        QVERIFY2(results.contains("London \u2014 England, United Kingdom"), qPrintable(results));
        QVERIFY2(results.contains("Ontario, Canada"), qPrintable(results));
        const natal::Horoscope first = window->Charts().front();
        QCOMPARE(first.zone, std::string("Europe/London"));
        QVERIFY(std::fabs(first.place.latitude - 51.5085) < 0.01);
        QCOMPARE(window->FilePath(), path);
        QVERIFY(!window->IsModified());
        QCOMPARE(Names(Load(path)), QStringList{"London birth"});
        QVERIFY(window->View()->Chart().has_value());
        QCOMPARE(natal::IsoUtc(window->View()->Chart()->zone.utcSeconds),
                 std::string("1975-06-14T07:30:00Z"));

        QVERIFY(window->DuplicateChart(0));
        QCOMPARE(Names(Load(path)), (QStringList{"London birth", "London birth (2)"}));
        QCOMPARE(window->CurrentChart(), 1);

        // Edit the duplicate through its dialog: another name and an unknown time.
        ActOnModal([](QWidget* dialog) {
            Type(dialog, "name", "Noon");
            Child<QCheckBox>(dialog, "timeUnknown")->setChecked(true);
            ClickOk(dialog);
        });
        window->OnEditChart();
        const std::vector<natal::Horoscope> edited = Load(path);
        QCOMPARE(Names(edited), (QStringList{"London birth", "Noon"}));
        QVERIFY(edited[1].timeUnknown);
        QVERIFY(!window->View()->Chart()->houses.has_value());

        // Delete asks; No keeps the chart.
        fixture.host.answers = {Answer::No, Answer::Yes};
        QVERIFY(!window->DeleteChart(0));
        QCOMPARE(Load(path).size(), std::size_t{2});
        QVERIFY(window->DeleteChart(0));
        QCOMPARE(Names(Load(path)), QStringList{"Noon"});
        QCOMPARE(fixture.host.questions.size(), 2);

        // Opened again, the file shows what was saved, in the window that has it already.
        QVERIFY(fixture.App().OpenHoroscopeFile(path));
        QCOMPARE(OnlyWindow(fixture), window);
        window->close();
        QTRY_VERIFY(OnlyWindow(fixture) == nullptr);
        fixture.horoscopeFilePath = path;
        fixture.App().OnCommand(cmd::kFileOpenHoroscopes);
        QVERIFY(OnlyWindow(fixture) != nullptr);
        QCOMPARE(Names(OnlyWindow(fixture)->Charts()), QStringList{"Noon"});
        QVERIFY(fixture.host.messages.isEmpty());
    }

    void fileThatFailsToLoadIsLeftAsItIs_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not JSON") << QByteArray("{\"format\": \"caelvane-horoscopes\", ");
        QTest::newRow("another format") << QByteArray(R"({"format": "x", "version": 1})");
        QTest::newRow("later version")
            << QByteArray(R"({"format": "caelvane-horoscopes", "version": 99, "charts": []})");
        QTest::newRow("bad chart") << QByteArray(
            R"({"format": "caelvane-horoscopes", "version": 1, "charts": [{"name": "x"}]})");
    }
    void fileThatFailsToLoadIsLeftAsItIs() {
        QFETCH(QByteArray, content);
        AppFixture fixture(m_dir.filePath("profile.ini"));
        const QString path = m_dir.filePath("damaged.json");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(content);
        }
        fixture.horoscopeFilePath = path;
        fixture.App().OnCommand(cmd::kFileOpenHoroscopes);
        QCOMPARE(OnlyWindow(fixture), nullptr);
        QCOMPARE(fixture.host.messages.size(), 1);
        QVERIFY2(fixture.host.messages.front().contains(path),
                 qPrintable(fixture.host.messages.front()));
        QCOMPARE(Bytes(path), content);
    }

    // A file of horoscopes named on the command line or dropped on the main window opens in a
    // horoscope window (once: a second open raises it); a damaged one is named and left alone.
    void horoscopeFilesOpenFromTheCommandLineAndByDrop() {
        const QString good = m_dir.filePath("first trades.json");
        std::string error;
        QVERIFY(natal::SaveChartFile(QFile::encodeName(good).toStdString(), {London()}, error));
        const QString damaged = m_dir.filePath("damaged.JSON");
        {
            QFile file(damaged);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("{\"format\": \"caelvane-horoscopes\", ");
        }
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QCOMPARE(fixture.App().InitInstance({good}), std::nullopt);
        CNatalWindow* window = OnlyWindow(fixture);
        QVERIFY(window != nullptr);
        QCOMPARE(window->FilePath(), good);
        // No new job besides: the file opened.
        QVERIFY(fixture.App().Template().Documents().empty());

        // Both in one drop: they open in order, so once the damaged one is told the good one
        // has been opened again.
        {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(good), QUrl::fromLocalFile(damaged)});
            QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QCoreApplication::sendEvent(&fixture.Frame(), &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent event(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton,
                             Qt::NoModifier);
            QCoreApplication::sendEvent(&fixture.Frame(), &event);
        }
        QTRY_COMPARE(fixture.host.messages.size(), 1);
        QVERIFY2(fixture.host.messages.front().contains(damaged),
                 qPrintable(fixture.host.messages.front()));
        QCOMPARE(fixture.Frame().findChildren<CNatalWindow*>().size(), 1);
        QCOMPARE(Bytes(damaged), QByteArray("{\"format\": \"caelvane-horoscopes\", "));
    }

    // The orb table and the Houses choice outlive the window: the next one, of any file, starts
    // with them; a damaged value in the profile is passed over for the defaults.
    void orbsAndHousesAreKeptInTheProfile() {
        const QString path = m_dir.filePath("kept.json");
        std::string error;
        QVERIFY(natal::SaveChartFile(QFile::encodeName(path).toStdString(), {London()}, error));
        natal::OrbTable changed;
        changed.orb[static_cast<int>(natal::AspectKind::Trine)] = 4.5;
        changed.orb[static_cast<int>(natal::AspectKind::Sextile)] = 0;
        {
            AppFixture fixture(m_dir.filePath("kept.ini"));
            QVERIFY(fixture.App().OpenHoroscopeFile(path));
            CNatalWindow* window = OnlyWindow(fixture);
            QVERIFY(window != nullptr);
            QCOMPARE(window->HouseOverride(), std::nullopt);
            window->SetOrbs(changed);
            window->SetHouseOverride(natal::HouseSystem::Koch);
            window->close();
        }
        {
            AppFixture fixture(m_dir.filePath("kept.ini"));
            QVERIFY(fixture.App().OpenHoroscopeFile(path));
            CNatalWindow* window = OnlyWindow(fixture);
            QVERIFY(window != nullptr);
            QVERIFY(window->View()->Options().orbs.orb == changed.orb);
            QCOMPARE(window->HouseOverride(), std::optional(natal::HouseSystem::Koch));
            // Back to the chart's own houses is kept too.
            window->SetHouseOverride(std::nullopt);
            window->close();
            fixture.App().Profile().setValue("Horoscope/Orbs", "trine=99");
        }
        {
            AppFixture fixture(m_dir.filePath("kept.ini"));
            QVERIFY(fixture.App().OpenHoroscopeFile(path));
            CNatalWindow* window = OnlyWindow(fixture);
            QVERIFY(window != nullptr);
            QVERIFY(window->View()->Options().orbs.orb == natal::OrbTable{}.orb);
            QCOMPARE(window->HouseOverride(), std::nullopt);
            QVERIFY(fixture.host.messages.isEmpty());
        }
    }

    void aChangeThatCannotBeWrittenIsToldAndKept() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        QDir dir(m_dir.path());
        dir.mkpath("kept");
        const QString path = m_dir.filePath("kept/charts.json");
        std::string error;
        QVERIFY(natal::SaveChartFile(QFile::encodeName(path).toStdString(), {London()}, error));
        const QByteArray before = Bytes(path);
        QVERIFY(fixture.App().OpenHoroscopeFile(path));
        CNatalWindow* window = OnlyWindow(fixture);
        // The folder gives way to a plain file of its name: no write can reach the file.
        QVERIFY(dir.rename("kept", "away"));
        {
            QFile blocker(m_dir.filePath("kept"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        QVERIFY(!window->DuplicateChart(0));
        QCOMPARE(fixture.host.messages.size(), 1);
        QVERIFY2(fixture.host.messages.front().contains(path),
                 qPrintable(fixture.host.messages.front()));
        QVERIFY(window->IsModified());
        QCOMPARE(window->Charts().size(), std::size_t{2});
        // With the folder back, Save writes both charts.
        QVERIFY(QFile::remove(m_dir.filePath("kept")));
        QVERIFY(dir.rename("away", "kept"));
        QCOMPARE(Bytes(path), before);
        QVERIFY(window->Save());
        QVERIFY(!window->IsModified());
        QCOMPARE(Names(Load(path)), (QStringList{"London birth", "London birth (2)"}));
        window->close();
    }

    void ambiguousOrSkippedTimeIsAsked_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("utc");  // empty: the dialog stays open
        // New York: clocks back from 02:00 EDT to 01:00 EST on 2021-11-07, forward from
        // 02:00 EST to 03:00 EDT on 2021-03-14.
        QTest::newRow("ambiguous, earlier") << "2021-11-07"
                                            << "01:30"
                                            << "earlier"
                                            << "2021-11-07T05:30:00Z";
        QTest::newRow("ambiguous, later") << "2021-11-07"
                                          << "01:30"
                                          << "later"
                                          << "2021-11-07T06:30:00Z";
        QTest::newRow("skipped, earlier") << "2021-03-14"
                                          << "02:30"
                                          << "earlier"
                                          << "2021-03-14T07:30:00Z";
        QTest::newRow("skipped, cancelled") << "2021-03-14"
                                            << "02:30"
                                            << ""
                                            << "";
        QTest::newRow("unique: not asked") << "2021-07-01"
                                           << "12:00"
                                           << "none"
                                           << "2021-07-01T16:00:00Z";
    }
    void ambiguousOrSkippedTimeIsAsked() {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, button);
        QFETCH(QString, utc);
        natal::Horoscope h;
        h.name = "New York";
        h.place = {"New York", 40.71427, -74.00597};
        h.zone = "America/New_York";
        CNatalEditDialog dialog(h);
        Type(&dialog, "date", date);
        Type(&dialog, "time", time);
        bool asked = false;
        QString question;
        caelvane::testing::WhileModal(dialog, [&] {
            // The question opens inside OK, over the dialog.
            if (button != "none") {
                WhenModalOpens([&](QWidget* box) {
                    auto* message = qobject_cast<QMessageBox*>(box);
                    if (message == nullptr) return;
                    asked = box->objectName() == "localTimeChoice";
                    question = message->text();
                    if (button.isEmpty()) {
                        QTest::keyClick(box, Qt::Key_Escape);
                    } else {
                        box->findChild<QPushButton*>(button)->click();
                    }
                });
            }
            ClickOk(&dialog);
        });
        const int result = dialog.exec();
        QCOMPARE(asked, button != "none");
        if (asked) QVERIFY2(question.contains("America/New_York"), qPrintable(question));
        if (utc.isEmpty()) {
            QCOMPARE(result, int(QDialog::Rejected));  // left open by the cancel, then Escape
            return;
        }
        QCOMPARE(result, int(QDialog::Accepted));
        const natal::Horoscope& chosen = dialog.Result();
        const natal::ZoneResolution zone = natal::ResolveLocalTime(
            chosen.local, chosen.zone, chosen.place.longitude, chosen.choice);
        QVERIFY2(zone.ok, zone.error.c_str());
        QCOMPARE(QString::fromStdString(natal::IsoUtc(zone.utcSeconds)), utc);
    }

    void transitRingStepsByItsKeys() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        CNatalWindow window({London()}, QString(), fixture.host, nullptr);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.Ring(), natal::RingKind::None);
        QVERIFY(window.SourceText().contains("Swiss Ephemeris"));
        QVERIFY(window.StatusText().contains("Ctrl+"));
        std::int64_t start = 0;
        QVERIFY(natal::ParseIsoUtc("2024-01-01T00:00", start));
        window.SetRingMoment(start);
        window.View()->setFocus();
        // A step with no ring on shows the transits.
        QTest::keyClick(&window, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(window.Ring(), natal::RingKind::Transits);
        QCOMPARE(window.RingMoment(), start + 86400);
        const double moon1 = RingLongitude(window, "Moon");
        QTest::keyClick(&window, Qt::Key_Right, Qt::ControlModifier);
        const double moon2 = RingLongitude(window, "Moon");
        const double moved = natal::Normalize(moon2 - moon1);
        QVERIFY2(moved > 11.5 && moved < 15.5, qPrintable(QString::number(moved)));
        // The Sun of the ring is the Sun of that moment.
        std::vector<natal::ChartPoint> bodies;
        std::string error;
        QVERIFY(natal::BodiesAt(natal::JulianDayOfUtc(start + 2 * 86400), nullptr, bodies, nullptr,
                                error));
        QCOMPARE(RingLongitude(window, "Sun"), bodies.front().longitude);

        struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            std::int64_t seconds;
        } const steps[] = {
            {Qt::Key_Left, Qt::ControlModifier, -86400},
            {Qt::Key_Right, Qt::ShiftModifier, 3600},
            {Qt::Key_Left, Qt::ShiftModifier, -3600},
            {Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier, 60},
            {Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier, -60},
            {Qt::Key_PageDown, Qt::ControlModifier, 31 * 86400},  // January 2 to February 2
        };
        for (const auto& step : steps) {
            const std::int64_t before = window.RingMoment();
            QTest::keyClick(&window, step.key, step.modifiers);
            QCOMPARE(window.RingMoment() - before, step.seconds);
        }

        // Progressions and solar arc take the same moment as their date.
        window.SetRing(natal::RingKind::SolarArc);
        QVERIFY(window.View()->Ring().label.find("Solar arc") == 0);
        window.SetRing(natal::RingKind::None);
        QVERIFY(window.View()->Ring().points.empty());
    }

    void exportWritesTheCommandLinesFiles() {
        AppFixture fixture(m_dir.filePath("profile.ini"));
        CNatalWindow window({London()}, QString(), fixture.host, nullptr);
        QString error;
        const QString pdf = m_dir.filePath("wheel.pdf");
        QVERIFY2(window.ExportTo(pdf, error), qPrintable(error));
        QVERIFY(Bytes(pdf).startsWith("%PDF"));
        const QString text = apptest::PdfPageText(pdf, 1);
        QVERIFY2(text.contains("London birth") && text.contains("Placidus"), qPrintable(text));
        const QString png = m_dir.filePath("wheel.png");
        QVERIFY2(window.ExportTo(png, error), qPrintable(error));
        const QImage image(png);
        QCOMPARE(image.size(), QSize(1000, 1480));
        int ink = 0;
        for (int y = 0; y < image.height(); y += 4) {
            for (int x = 0; x < image.width(); x += 4) ink += qGray(image.pixel(x, y)) < 128;
        }
        QVERIFY2(ink > 500, qPrintable(QString::number(ink)));
        QVERIFY(!window.ExportTo(m_dir.filePath("wheel.gif"), error));
        QVERIFY(error.contains("wheel.gif"));
        QVERIFY(!QFile::exists(m_dir.filePath("wheel.gif")));
    }

private:
    QTemporaryDir m_dir;
};

#include "natal_window_test.moc"
static apptest::Register<NatalWindowTest> registration;
