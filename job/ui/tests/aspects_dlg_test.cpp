#include "job/ui/aspects_dlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "job/caelvane_doc.h"
#include "test_support.h"

namespace {

struct OpenedAspects {
    std::unique_ptr<CCaelvaneDoc> doc = std::make_unique<CCaelvaneDoc>();
    std::unique_ptr<CAspectsDlg> dlg;
    OpenedAspects() {
        dlg = std::make_unique<CAspectsDlg>(doc.get());
        dlg->LoadFrom(*doc);
        dlg->show();
    }
    bool Accepted() const { return !dlg->isVisible() && dlg->result() == QDialog::Accepted; }
};

QCheckBox* AngleBox(QWidget* dlg, int angle) {
    return Child<QCheckBox>(dlg, ("aspect" + std::to_string(angle)).c_str());
}

}  // namespace

class AspectsDlgTest : public QObject {
    Q_OBJECT

private slots:
    void defaultJobShowsEveryStandardAspect() {
        OpenedAspects opened;
        QWidget* dlg = opened.dlg.get();
        QCOMPARE(dlg->windowTitle(), QString("Select Significant Aspects"));
        for (int angle : kAspectAngleByIndex) QVERIFY(AngleBox(dlg, angle)->isChecked());
        for (int i = 1; i <= 4; ++i) {
            const std::string n = std::to_string(i);
            QCOMPARE(Child<QLineEdit>(dlg, ("customAspect" + n).c_str())->text(), QString("0"));
            QVERIFY(!Child<QCheckBox>(dlg, ("enable" + n).c_str())->isChecked());
        }
        QVERIFY(!Child<QPushButton>(dlg, "ok")->isDefault());
    }

    // Boxes stand in numeric order, members in text order: unchecking one box clears exactly
    // the member of its angle ("30" is index 12, not index 1).
    void eachBoxClearsItsOwnIndex_data() {
        QTest::addColumn<int>("index");
        for (int index = 0; index < 20; ++index) {
            QTest::newRow(qPrintable(QString::number(kAspectAngleByIndex[index]))) << index;
        }
    }
    void eachBoxClearsItsOwnIndex() {
        QFETCH(int, index);
        OpenedAspects opened;
        AngleBox(opened.dlg.get(), kAspectAngleByIndex[index])->click();
        opened.dlg->accept();
        QVERIFY(opened.Accepted());
        for (int i = 0; i < 20; ++i) QCOMPARE(opened.dlg->m_aspectSelected[i], i == index ? 0 : 1);
    }

    void customAngleChecks_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("359 accepted") << "359"
                                      << "";
        QTest::newRow("359.5 refused") << "359.5"
                                       << "Please enter a number between 0 and 359.";
        QTest::newRow("negative refused") << "-1"
                                          << "Please enter a number between 0 and 359.";
        QTest::newRow("words refused") << "thirty"
                                       << "Please enter a number.";
    }
    void customAngleChecks() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        OpenedAspects opened;
        QWidget* dlg = opened.dlg.get();
        SetText(dlg, "customAspect3", typed);
        MessageCapture capture(opened.dlg.get());
        Child<QPushButton>(dlg, "ok")->click();
        QVERIFY(opened.doc->IsModified());
        if (message.isEmpty()) {
            QVERIFY(opened.Accepted());
            QCOMPARE(opened.dlg->m_customAspect[2], typed.toDouble());
        } else {
            QCOMPARE(capture.messages, QStringList{message});
            QCOMPARE(dlg->focusWidget()->objectName(), QString("customAspect3"));
            QVERIFY(dlg->isVisible());
        }
    }

    void customAngleKeptWhileDisabled() {
        OpenedAspects opened;
        SetText(opened.dlg.get(), "customAspect1", "45.5");
        opened.dlg->accept();
        QCOMPARE(opened.dlg->m_customAspect[0], 45.5);
        QCOMPARE(opened.dlg->m_customAspectEnabled[0], 0);
    }

    void customSpinWraps() {
        OpenedAspects opened;
        auto* edit = Child<QLineEdit>(opened.dlg.get(), "customAspect1");
        edit->setText("359");
        QTest::keyClick(edit, Qt::Key_Up);
        QCOMPARE(edit->text(), QString("0"));
        QTest::keyClick(edit, Qt::Key_Down);
        QCOMPARE(edit->text(), QString("359"));
    }

    void enterMeansOkThoughNoButtonIsDefault() {
        OpenedAspects opened;
        QTest::keyClick(Child<QLineEdit>(opened.dlg.get(), "customAspect1"), Qt::Key_Return);
        QVERIFY(opened.Accepted());
    }
};

static TestRegistration<AspectsDlgTest> registration;

#include "aspects_dlg_test.moc"
