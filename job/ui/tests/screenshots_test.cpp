#include <QDir>
#include <QTest>

#include "job/caelvane_doc.h"
#include "job/ui/aspects_dlg.h"
#include "job/ui/job_data_dlg.h"
#include "test_support.h"

// Pictures of the dialogs for a look by eye: runs only when CAELVANE_DIALOG_SHOTS names a
// folder (best under a real display server, e.g. Xvfb with QT_QPA_PLATFORM=xcb).
class DialogScreenshots : public QObject {
    Q_OBJECT

private slots:
    void jobDataDialogs() {
        const QString folder = qEnvironmentVariable("CAELVANE_DIALOG_SHOTS");
        if (folder.isEmpty()) QSKIP("CAELVANE_DIALOG_SHOTS not set");
        struct Shot {
            const char* file;
            int jobType, natal, overlay;
        };
        for (const Shot& shot :
             {Shot{"job_data_default.png", 1, 0, 0},
              Shot{"job_data_range_natal_overlay.png", 3, 1, 1},
              Shot{"job_data_today_range.png", 2, 0, 0}, Shot{"job_data_today.png", 0, 0, 0}}) {
            CCaelvaneDoc doc;
            doc.m_jobType = shot.jobType;
            doc.m_includeNatal = static_cast<std::uint8_t>(shot.natal);
            doc.m_overlayEnabled = shot.overlay;
            doc.m_note = "Quarterly turning points";
            CJobDataDlg dlg(&doc);
            dlg.LoadFrom(doc);
            dlg.show();
            dlg.activateWindow();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QVERIFY(dlg.grab().save(QDir(folder).filePath(shot.file)));
        }
    }

    void aspectsDialog() {
        const QString folder = qEnvironmentVariable("CAELVANE_DIALOG_SHOTS");
        if (folder.isEmpty()) QSKIP("CAELVANE_DIALOG_SHOTS not set");
        CCaelvaneDoc doc;
        doc.m_aspectSelected[12] = 0;
        doc.m_customAspect[1] = 22.5;
        doc.m_customAspectEnabled[1] = 1;
        CAspectsDlg dlg(&doc);
        dlg.LoadFrom(doc);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(dlg.grab().save(QDir(folder).filePath("aspects.png")));
    }
};

static TestRegistration<DialogScreenshots> registration;

#include "screenshots_test.moc"
