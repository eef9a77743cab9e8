// The hand-over between starts: who may speak on the socket, what a request may hold, and what
// floods and barrages of requests leave behind. Every socket lives in the run's own runtime
// folder (see main.cpp), never where a user's program listens.
#include "app/instance_channel.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>
#include <chrono>
#include <future>
#include <vector>

#include "app/native_path.h"
#include "app/tests/app_tests.h"
#include "app/tests/test_support.h"
#include "job/caelvane_doc.h"
#include "testing/modal_dialog.h"

using apptest::AppFixture;
using namespace std::chrono_literals;

namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
    ~ScopedEnv() {
        if (m_had) {
            qputenv(m_name, m_old);
        } else {
            qunsetenv(m_name);
        }
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

sockaddr_un Address(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
    return address;
}

int Connect(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = Address(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QByteArray Number(quint32 value) {
    const quint32 big = qToBigEndian(value);
    return QByteArray(reinterpret_cast<const char*>(&big), sizeof big);
}

QByteArray Frame(quint32 magic, quint32 count, const QList<QByteArray>& files,
                 qint64 sizeOverride = -1) {
    QByteArray payload;
    for (const QByteArray& file : files)
        payload += Number(static_cast<quint32>(file.size())) + file;
    const quint32 size = sizeOverride >= 0 ? static_cast<quint32>(sizeOverride)
                                           : static_cast<quint32>(payload.size());
    return Number(magic) + Number(count) + Number(size) + payload;
}

constexpr quint32 kMagic = 0x43564A32;

// Runs a blocking hand-over on another thread while this one serves the channel.
bool HandOverServed(const QString& name, const QList<QByteArray>& files, QString* refusal = nullptr,
                    uid_t trusted = ::getuid()) {
    auto result = std::async(std::launch::async, [&] {
        return CInstanceChannel::HandOver(name, files, 4000, refusal, trusted);
    });
    while (result.wait_for(0ms) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return result.get();
}

// Sends `bytes` and tells whether the server closed the connection without taking anything.
bool DroppedAfterSending(const QString& path, const QByteArray& bytes) {
    const int fd = Connect(path);
    if (fd < 0) return false;
    (void)::send(fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL);
    auto answer = std::async(std::launch::async, [fd] {
        char reply = 0;
        return ::recv(fd, &reply, 1, 0);  // 0: closed without an answer
    });
    while (answer.wait_for(0ms) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ::close(fd);
    return answer.get() == 0;
}

}  // namespace

class InstanceChannelTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void theSocketIsPerSessionInAFolderOfOurOwn() {
        const QString runtime = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
        QVERIFY(!runtime.isEmpty());
        QString error;
        QCOMPARE(CInstanceChannel::RuntimeFolder(&error), runtime);
        QVERIFY(CInstanceChannel::DefaultName().startsWith(runtime + "/caelvane-"));

        // Each display, and each home, has its own program.
        QString x0, x1, wayland, otherHome;
        {
            const ScopedEnv noWayland("WAYLAND_DISPLAY", QByteArray());
            const ScopedEnv display("DISPLAY", ":0");
            x0 = CInstanceChannel::DefaultName();
            {
                const ScopedEnv home("HOME", QFile::encodeName(m_dir.path()));
                otherHome = CInstanceChannel::DefaultName();
            }
        }
        {
            const ScopedEnv noWayland("WAYLAND_DISPLAY", QByteArray());
            const ScopedEnv display("DISPLAY", ":1");
            x1 = CInstanceChannel::DefaultName();
        }
        {
            // Wayland's display wins; a name with '/' in it cannot leave the folder.
            const ScopedEnv display("DISPLAY", ":0");
            const ScopedEnv way("WAYLAND_DISPLAY", "../wayland/0");
            wayland = CInstanceChannel::DefaultName();
            QVERIFY2(CInstanceChannel::SessionTag().startsWith(".._wayland_0-"),
                     qPrintable(CInstanceChannel::SessionTag()));
        }
        const QStringList names{x0, x1, wayland, otherHome};
        for (const QString& name : names) {
            QCOMPARE(QFileInfo(name).path(), runtime);
            QCOMPARE(names.count(name), 1);
        }
    }

    void withoutASessionFolderOnlyAFolderOfOursIsUsed() {
        const QString temp = m_dir.filePath("tmp");
        QVERIFY(QDir().mkpath(temp));
        const ScopedEnv tmpdir("TMPDIR", QFile::encodeName(temp));
        const QString ours = temp + QStringLiteral("/caelvane-%1").arg(::getuid());
        QString error;
        {
            // Missing, or open to others: not the session's folder.
            const ScopedEnv noRuntime("XDG_RUNTIME_DIR", QByteArray());
            QCOMPARE(CInstanceChannel::RuntimeFolder(&error), ours);
            struct stat info {};
            QCOMPARE(::lstat(QFile::encodeName(ours).constData(), &info), 0);
            QCOMPARE(info.st_mode & 07777, mode_t(0700));
            QVERIFY(CInstanceChannel::DefaultName().startsWith(ours + "/"));
        }
        const QString open = m_dir.filePath("open");
        QVERIFY(QDir().mkpath(open));
        QVERIFY(::chmod(QFile::encodeName(open).constData(), 0755) == 0);
        {
            const ScopedEnv runtime("XDG_RUNTIME_DIR", QFile::encodeName(open));
            QCOMPARE(CInstanceChannel::RuntimeFolder(&error), ours);
        }

        // What another could have put there first is refused, never used.
        const ScopedEnv noRuntime("XDG_RUNTIME_DIR", QByteArray());
        QVERIFY(::chmod(QFile::encodeName(ours).constData(), 0755) == 0);
        error.clear();
        QCOMPARE(CInstanceChannel::RuntimeFolder(&error), QString());
        QVERIFY2(error.contains(ours) && error.contains("0755"), qPrintable(error));
        QCOMPARE(CInstanceChannel::DefaultName(), QString());

        QVERIFY(QDir(ours).removeRecursively());
        QVERIFY(QFile::link(open, ours));  // a link to a folder is not our folder
        error.clear();
        QCOMPARE(CInstanceChannel::RuntimeFolder(&error), QString());
        QVERIFY2(error.contains("not a folder"), qPrintable(error));
    }

    void nobodyButTheUserIsSpokenTo() {
        const QString name = "owned";
        CInstanceChannel channel;
        int received = 0;
        channel.SetReceiver([&](const QList<QByteArray>&) {
            ++received;
            return true;
        });
        QVERIFY(channel.Listen(name));
        const QByteArray file = QFile::encodeName(m_dir.filePath("a.cvj"));

        // A socket whose owner is not the expected user is not even connected to.
        QString refusal;
        QVERIFY(!HandOverServed(name, {file}, &refusal, ::getuid() + 1));
        QVERIFY2(refusal.contains("belongs to user"), qPrintable(refusal));
        QCOMPARE(channel.OpenConnections(), 0);
        QCOMPARE(received, 0);

        // A program that takes connections from another user drops this one unheard.
        CInstanceChannel strict(nullptr, ::getuid() + 1);
        bool strictReceived = false;
        strict.SetReceiver([&](const QList<QByteArray>&) { return strictReceived = true; });
        QVERIFY(strict.Listen("strict"));
        QVERIFY(!HandOverServed("strict", {file}));
        QVERIFY(!strictReceived);

        // What is at the name but is no socket is neither spoken to nor removed.
        const QString planted = CInstanceChannel::SocketPath("planted");
        QFile plantedFile(planted);
        QVERIFY(plantedFile.open(QIODevice::WriteOnly));
        plantedFile.close();
        refusal.clear();
        QVERIFY(!HandOverServed("planted", {file}, &refusal));
        QVERIFY2(refusal.contains("not a socket"), qPrintable(refusal));
        CInstanceChannel squatter;
        QString error;
        QVERIFY(!squatter.Listen("planted", &error));
        QVERIFY2(error.contains(planted), qPrintable(error));
        QVERIFY(QFileInfo(planted).isFile());

        // The rightful start is still heard.
        QVERIFY(HandOverServed(name, {file}));
        QCOMPARE(received, 1);
    }

    void aNameThatAnswersIsNeverTakenOver() {
        CInstanceChannel running;
        QList<QByteArray> got;
        running.SetReceiver([&](const QList<QByteArray>& files) {
            got += files;
            return true;
        });
        QVERIFY(running.Listen("live"));
        CInstanceChannel second;
        QString error;
        QVERIFY(!second.Listen("live", &error));
        QVERIFY2(error.contains("answers"), qPrintable(error));
        QVERIFY(!second.IsListening());
        const QByteArray file = QFile::encodeName(m_dir.filePath("b.cvj"));
        QVERIFY(HandOverServed("live", {file}));
        QCOMPARE(got, QList<QByteArray>{file});

        // A socket nobody listens on any more (its program died) is replaced.
        const QString stalePath = CInstanceChannel::SocketPath("stale");
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un address = Address(stalePath);
        QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(QFileInfo::exists(stalePath));
        QVERIFY(!HandOverServed("stale", {file}));
        CInstanceChannel revived;
        revived.SetReceiver([](const QList<QByteArray>&) { return true; });
        QVERIFY(revived.Listen("stale", &error));
        QVERIFY(HandOverServed("stale", {file}));
    }

    void namesTravelAbsoluteCanonicalAndAsBytes() {
        // Relative to the sender's folder, reached through a link and "..", and not UTF-8.
        QVERIFY(QDir().mkpath(m_dir.filePath("real/sub")));
        QVERIFY(QFile::link(m_dir.filePath("real"), m_dir.filePath("link")));
        const QByteArray latin1 = QByteArray("caf\xE9.cvj");
        QVERIFY(QFile(QFile::encodeName(m_dir.filePath("real")) + "/x").open(QIODevice::WriteOnly));
        const QByteArray realFolder =
            CanonicalNativePath(QFile::encodeName(m_dir.filePath("real")));

        CInstanceChannel channel;
        QList<QByteArray> got;
        channel.SetReceiver([&](const QList<QByteArray>& files) {
            got = files;
            return true;
        });
        QVERIFY(channel.Listen("paths"));
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.filePath("link/sub")));
        const bool handed = HandOverServed("paths", {"../x", "./../" + latin1, "gone/../y.cvj"});
        QVERIFY(QDir::setCurrent(here));
        QVERIFY(handed);
        QCOMPARE(got, (QList<QByteArray>{realFolder + "/x", realFolder + "/" + latin1,
                                         realFolder + "/sub/y.cvj"}));
    }

    void malformedRequestsAreDroppedBeforeAnythingIsMade_data() {
        QTest::addColumn<QByteArray>("request");
        const QByteArray path = QFile::encodeName(m_dir.filePath("c.cvj"));
        QTest::newRow("count 0xFFFFFFFF") << Frame(kMagic, 0xFFFFFFFFu, {path});
        QTest::newRow("size 0xFFFFFFFF") << Frame(kMagic, 1, {path}, 0xFFFFFFFFll);
        QTest::newRow("wrong magic") << Frame(0x43564A31, 1, {path});
        QTest::newRow("no files") << Frame(kMagic, 0, {});
        QTest::newRow("too many files")
            << Frame(kMagic, CInstanceChannel::kMaxFiles + 1,
                     QList<QByteArray>(CInstanceChannel::kMaxFiles + 1, path));
        QTest::newRow("name too long")
            << Frame(kMagic, 1, {"/" + QByteArray(CInstanceChannel::kMaxPathBytes, 'a')});
        QTest::newRow("relative name") << Frame(kMagic, 1, {"c.cvj"});
        QTest::newRow("name with NUL") << Frame(kMagic, 1, {path + QByteArray(1, '\0') + "x"});
        QTest::newRow("count says more") << Frame(kMagic, 2, {path, QByteArray()});
        QTest::newRow("bytes after the request") << Frame(kMagic, 1, {path}) + "junk";
        QTest::newRow("length past the end")
            << Number(kMagic) + Number(1) + Number(8) + Number(400) + "/abc";
    }
    void malformedRequestsAreDroppedBeforeAnythingIsMade() {
        QFETCH(QByteArray, request);
        CInstanceChannel channel;
        int received = 0;
        channel.SetReceiver([&](const QList<QByteArray>&) {
            ++received;
            return true;
        });
        QVERIFY(channel.Listen("garbage"));
        const QString path = CInstanceChannel::SocketPath("garbage");
        QVERIFY(DroppedAfterSending(path, request));
        QCOMPARE(received, 0);
        QTRY_COMPARE(channel.OpenConnections(), 0);
        // Still answering.
        QVERIFY(HandOverServed("garbage", {QFile::encodeName(m_dir.filePath("c.cvj"))}));
        QCOMPARE(received, 1);
    }

    // A sender whose header and payload arrive apart, with a pause between them, is answered:
    // the channel waits for the rest of a request it has the header of.
    void aRequestInTwoWritesWithAPauseIsAccepted() {
        CInstanceChannel channel;
        QList<QByteArray> got;
        channel.SetReceiver([&](const QList<QByteArray>& files) {
            got = files;
            return true;
        });
        QVERIFY(channel.Listen("split"));
        const QByteArray path = QFile::encodeName(m_dir.filePath("split.cvj"));
        const QByteArray request = Frame(kMagic, 1, {path});
        const int fd = Connect(CInstanceChannel::SocketPath("split"));
        QVERIFY(fd >= 0);
        const timeval patience{10, 0};  // a channel that never answers fails the test, not hangs
        QCOMPARE(::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience), 0);
        QCOMPARE(::send(fd, request.constData(), 12, MSG_NOSIGNAL), ssize_t{12});
        QTRY_COMPARE(channel.OpenConnections(), 1);
        // The pause: the channel reads the header alone before the rest is sent.
        QTest::qWait(150);
        const QByteArray rest = request.mid(12);
        QCOMPARE(::send(fd, rest.constData(), static_cast<size_t>(rest.size()), MSG_NOSIGNAL),
                 static_cast<ssize_t>(rest.size()));
        auto answer = std::async(std::launch::async, [fd] {
            char reply = 0;
            return ::recv(fd, &reply, 1, 0);
        });
        while (answer.wait_for(0ms) != std::future_status::ready) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        ::close(fd);
        QCOMPARE(answer.get(), ssize_t{1});
        QCOMPARE(got, QList<QByteArray>{path});
    }

    void idleFloodsNeitherExhaustNorSilenceTheProgram() {
        CInstanceChannel channel;
        int received = 0;
        channel.SetReceiver([&](const QList<QByteArray>&) {
            ++received;
            return true;
        });
        QVERIFY(channel.Listen("flood"));
        const QString path = CInstanceChannel::SocketPath("flood");
        std::vector<int> idle;
        for (int i = 0; i < 300; ++i) {
            const int fd = Connect(path);
            if (fd >= 0) idle.push_back(fd);
            if (i % 20 == 0) QCoreApplication::processEvents();
        }
        QTRY_VERIFY(channel.OpenConnections() > 0);
        QVERIFY(channel.OpenConnections() <= CInstanceChannel::kMaxConnections);
        // Those held open are dropped after the time limit; then a start is heard again.
        QTRY_COMPARE_WITH_TIMEOUT(channel.OpenConnections(), 0,
                                  CInstanceChannel::kConnectionTimeLimitMs + 2000);
        QVERIFY(channel.IsListening());
        QVERIFY(HandOverServed("flood", {QFile::encodeName(m_dir.filePath("d.cvj"))}));
        QCOMPARE(received, 1);
        for (const int fd : idle) ::close(fd);

        // A name removed under the program (a cleaner of the temporary folder) comes back.
        QVERIFY(QFile::remove(path));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(path), 5000);
        QVERIFY(HandOverServed("flood", {QFile::encodeName(m_dir.filePath("d.cvj"))}));
        QCOMPARE(received, 2);
    }

    // Starts that send their request and end at once (a flood of them): writing the answer
    // finds the sender gone, which drops the connection inside the write; the channel must not
    // touch it afterwards (it did, and crashed), and goes on serving.
    void sendersGoneBeforeTheirAnswerAreForgotten() {
        CInstanceChannel channel;
        int received = 0;
        channel.SetReceiver([&](const QList<QByteArray>&) {
            ++received;
            return true;
        });
        QVERIFY(channel.Listen("gone"));
        const QString path = CInstanceChannel::SocketPath("gone");
        const QByteArray request = Frame(kMagic, 1, {QFile::encodeName(m_dir.filePath("g.cvj"))});
        for (int batch = 0; batch < 10; ++batch) {
            for (int i = 0; i < 10; ++i) {
                const int fd = Connect(path);
                QVERIFY(fd >= 0);
                QCOMPARE(::send(fd, request.constData(), static_cast<size_t>(request.size()),
                                MSG_NOSIGNAL),
                         static_cast<ssize_t>(request.size()));
                ::close(fd);
            }
            QTRY_COMPARE(received, (batch + 1) * 10);
        }
        QTRY_COMPARE(channel.OpenConnections(), 0);
        QVERIFY(HandOverServed("gone", {QFile::encodeName(m_dir.filePath("g.cvj"))}));
        QCOMPARE(received, 101);
    }

    void aBarrageOfMissingFilesGivesOneMessageAfterTheCurrentDialog() {
        CCaelvaneDoc saved;
        const QString good = apptest::WriteJob(m_dir, "good.cvj", saved);
        AppFixture running(m_dir.filePath("profile.ini"), "barrage");
        QCOMPARE(running.App().InitInstance({}), std::nullopt);
        QVERIFY(running.App().InstanceChannel() != nullptr);
        // The user is in a dialog while the files come.
        bool shownInsideTheDialog = false;
        running.host.onMessage = [&] {
            shownInsideTheDialog = QApplication::activeModalWidget() != nullptr;
        };
        QDialog dialog(&running.Frame());
        // Checked after the dialog's loop: a check failing inside it would leave it open.
        int served = 0;
        bool queued = false, extraRefused = false;
        caelvane::testing::WhileModal(dialog, [&] {
            for (int i = 0; i < 40; ++i) {
                const QString missing = m_dir.filePath(QString("missing-%1.cvj").arg(i));
                served += HandOverServed("barrage", {QFile::encodeName(missing)}) ? 1 : 0;
            }
            served += HandOverServed("barrage", {QFile::encodeName(good)}) ? 1 : 0;
            // More than the program keeps waiting at once: the extra start goes on by itself.
            const QList<QByteArray> filler(CCaelvaneApp::kMaxQueuedFiles - 41, "/nowhere/x.cvj");
            queued = running.App().QueueHandedFiles(filler);
            extraRefused = !HandOverServed("barrage", {QFile::encodeName(good)});
            // Serving the starts ran the program's queued opening, with the dialog up.
            dialog.reject();
        });
        dialog.exec();
        QCOMPARE(served, 41);
        QVERIFY(queued);
        QVERIFY(extraRefused);
        QTRY_COMPARE(running.host.messages.size(), 1);
        QVERIFY(!shownInsideTheDialog);
        const QString message = running.host.messages.front();
        for (int i = 0; i < 40; ++i) {
            QVERIFY(message.contains(m_dir.filePath(QString("missing-%1.cvj").arg(i))));
        }
        // Every one in the details, and the first again in the summary above them.
        QCOMPARE(message.count("Cannot find this file."), CCaelvaneApp::kMaxQueuedFiles);
        // So many are summed up, the details in a list of their own.
        QCOMPARE(running.host.summaries.size(), 1);
        QVERIFY(running.host.summaries.front().startsWith(
            QString("%1 problems; the first:").arg(CCaelvaneApp::kMaxQueuedFiles - 1)));
        QCOMPARE(running.App().Template().Documents().size(), size_t(2));
        QCOMPARE(QString::fromStdString(running.Frame().GetActiveJobDocument()->GetTitle()),
                 QString("good.cvj"));
    }

    // Hundreds of messages at once fit the screen: the box holds a summary, the rest scrolls
    // in its details. A few are shown whole.
    void manyMessagesFitTheScreen() {
        caelvane::CQtHostServices host;
        QStringList texts;
        for (int i = 0; i < 256; ++i)
            texts << QString("Cannot open \"/tmp/flood-%1.cvj\".\nCannot find this file.").arg(i);
        QSize shown;
        QString details, text;
        caelvane::testing::ActOnModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) return;  // nothing read: the checks below fail
            shown = box->sizeHint();
            details = box->detailedText();
            text = box->text();
            box->accept();
        });
        host.ShowMessages(texts);
        QVERIFY(shown.isValid());
        QVERIFY2(shown.height() < 600, qPrintable(QString::number(shown.height())));
        QVERIFY(text.startsWith("256 problems; the first:"));
        QVERIFY(text.contains("flood-0.cvj"));
        QCOMPARE(details.count("Cannot find this file."), 256);

        text = QStringLiteral("(no message box)");
        caelvane::testing::ActOnModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) return;
            text = box->text();
            details = box->detailedText();
            box->accept();
        });
        host.ShowMessages(texts.mid(0, 2));
        QCOMPARE(text, texts[0] + "\n\n" + texts[1]);
        QVERIFY(details.isEmpty());
    }

    void namesThatAreNotUtf8OpenFromTheCommandLineAndTheHandOver() {
        CCaelvaneDoc saved;
        saved.m_note = "latin-1 name";
        const QString written = apptest::WriteJob(m_dir, "plain.cvj", saved);
        const QByteArray latin1 = QFile::encodeName(m_dir.path()) + "/caf\xE9.cvj";
        QVERIFY(::rename(QFile::encodeName(written).constData(), latin1.constData()) == 0);
        // The folder's own clean-up goes by text and would miss this name.
        const auto remove = qScopeGuard([&] { ::unlink(latin1.constData()); });
        {
            AppFixture fixture(m_dir.filePath("profile.ini"));
            QCOMPARE(fixture.App().InitInstanceNative({latin1}), std::nullopt);
            CCaelvaneDoc* doc = fixture.Frame().GetActiveJobDocument();
            QVERIFY(doc != nullptr);
            QCOMPARE(doc->m_note, std::string("latin-1 name"));
            QCOMPARE(doc->GetTitle(), std::string("caf\xE9.cvj"));
            QCOMPARE(QByteArray::fromStdString(doc->GetPathName()), CanonicalNativePath(latin1));
            QVERIFY(fixture.host.messages.isEmpty());
        }
        AppFixture running(m_dir.filePath("profile.ini"), "bytes");
        QCOMPARE(running.App().InitInstance({}), std::nullopt);
        QVERIFY(HandOverServed("bytes", {latin1}));
        QTRY_COMPARE(running.App().Template().Documents().size(), size_t(2));
        QCOMPARE(running.Frame().GetActiveJobDocument()->m_note, std::string("latin-1 name"));
        QVERIFY(running.host.messages.isEmpty());
    }

private:
    QTemporaryDir m_dir;
};

static apptest::Register<InstanceChannelTest> registration;
#include "instance_channel_test.moc"
