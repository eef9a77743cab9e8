#include "platform/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;
using caelvane::AtomicWriteFailure;
using caelvane::AtomicWriteStep;
using caelvane::CAtomicFile;
using caelvane::CAtomicFileSet;
using caelvane::WriteFileAtomically;

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "caelvane-atomic-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(m_folder, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_folder, ec);
    }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Put(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static unsigned ModeOf(const fs::path& path) {
        struct stat info;
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    }
    // Every name in `folder`, sorted: a leftover temporary file shows up here.
    static std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_folder;
};

TEST_F(AtomicFile, ReplacesTheFileAndKeepsItsMode) {
    const fs::path path = m_folder / "out.dat";
    Put(path, "old contents, longer than the new ones");
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path.string(), "new", error)) << error;
    EXPECT_EQ(Read(path), "new");
    EXPECT_EQ(ModeOf(path), 0604u);
    EXPECT_EQ(Names(m_folder), std::vector<std::string>{"out.dat"});

    // Large enough to take several writes; bytes of every value, zero included.
    std::string big(9 << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4099);
    ASSERT_TRUE(WriteFileAtomically(path.string(), big, error)) << error;
    EXPECT_TRUE(Read(path) == big);
    ASSERT_TRUE(WriteFileAtomically(path.string(), "", error)) << error;
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_EQ(ModeOf(path), 0604u);
}

TEST_F(AtomicFile, NewFilesFollowTheUmaskAndBareNamesTheCurrentFolder) {
    const mode_t saved = ::umask(027);
    std::string error;
    const bool written = WriteFileAtomically((m_folder / "new.dat").string(), "x", error);
    ::umask(saved);
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(ModeOf(m_folder / "new.dat"), 0640u);

    const fs::path previous = fs::current_path();
    fs::current_path(m_folder);
    const bool bare = WriteFileAtomically("bare.dat", "y", error);
    fs::current_path(previous);
    ASSERT_TRUE(bare) << error;
    EXPECT_EQ(Read(m_folder / "bare.dat"), "y");
    EXPECT_EQ(Names(m_folder), (std::vector<std::string>{"bare.dat", "new.dat"}));
}

TEST_F(AtomicFile, SymbolicLinksHaveTheirTargetReplaced) {
    fs::create_directory(m_folder / "real");
    const fs::path real = m_folder / "real" / "file.dat";
    const fs::path link = m_folder / "link.dat";
    Put(real, "old");
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    fs::create_symlink(real, link);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(link.string(), "new", error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(real), "new");
    EXPECT_EQ(ModeOf(real), 0600u);
    // The temporary file was made beside the real file, and is gone.
    EXPECT_EQ(Names(m_folder / "real"), std::vector<std::string>{"file.dat"});
    EXPECT_EQ(Names(m_folder), (std::vector<std::string>{"link.dat", "real"}));

    // A dangling link keeps its place: the file is created where it points, through a chain
    // of links and a relative one too.
    const fs::path dangling = m_folder / "dangling.dat";
    fs::create_symlink("chain.dat", dangling);
    fs::create_symlink(m_folder / "real" / "nowhere.dat", m_folder / "chain.dat");
    ASSERT_TRUE(WriteFileAtomically(dangling.string(), "here", error)) << error;
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_TRUE(fs::is_symlink(m_folder / "chain.dat"));
    EXPECT_EQ(Read(m_folder / "real" / "nowhere.dat"), "here");
    EXPECT_EQ(Read(dangling), "here");

    // A loop of links has no file at its end: refused, and both links stay.
    fs::create_symlink("loop-b.dat", m_folder / "loop-a.dat");
    fs::create_symlink("loop-a.dat", m_folder / "loop-b.dat");
    AtomicWriteFailure failure;
    EXPECT_FALSE(WriteFileAtomically((m_folder / "loop-a.dat").string(), "x", failure));
    EXPECT_EQ(failure.code, ELOOP);
    EXPECT_TRUE(fs::is_symlink(m_folder / "loop-a.dat"));
}

TEST_F(AtomicFile, ReplacedFileKeepsItsOwnerWhereWeMayGiveIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    const fs::path path = m_folder / "owned.dat";
    Put(path, "old");
    ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path.string(), "new", error)) << error;
    struct stat info;
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(Read(path), "new");
}

// A process killed during a write leaves its temporary file; the next run's first write into
// that folder removes it, but never one of a process still running, nor a name or a kind that
// is not ours.
TEST_F(AtomicFile, StaleTemporaryFilesOfDeadProcessesAreRemoved) {
    const fs::path path = m_folder / "data.dat";
    Put(path, "old");
    // A child that exits at once leaves a process id nobody has (until it is reused, which
    // the short time here makes unlikely; a reused id only keeps the file).
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::string dead = std::to_string(child);
    const std::string alive = std::to_string(::getpid());
    Put(m_folder / (".data.dat.~" + dead + ".abcdefABCD12"), "stale");
    Put(m_folder / (".data.dat.~" + alive + ".abcdefABCD12"), "in progress");
    Put(m_folder / (".other.dat.~" + dead + ".abcdefABCD12"), "another file's, stale too");
    Put(m_folder / ("other.dat.~" + dead + ".abcdefABCD12"), "not hidden: a user's own file");
    Put(m_folder / (".data.dat.~" + dead + ".short"), "not our name");
    fs::create_directory(m_folder / (".data.dat.~" + dead + ".zzzzzzzzzzzz"));

    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path.string(), "new", error)) << error;
    EXPECT_EQ(Names(m_folder), (std::vector<std::string>{
                                   ".data.dat.~" + alive + ".abcdefABCD12",
                                   ".data.dat.~" + dead + ".short",
                                   ".data.dat.~" + dead + ".zzzzzzzzzzzz",
                                   "data.dat",
                                   "other.dat.~" + dead + ".abcdefABCD12",
                               }));

    // Our own temporary file carries our process id, so a later run can judge it.
    CAtomicFile file;
    ASSERT_TRUE(file.Open(path.string()));
    EXPECT_EQ(
        fs::path(file.TemporaryPath()).filename().string().rfind(".data.dat.~" + alive + ".", 0),
        0u)
        << file.TemporaryPath();
}

// A folder, a device or a pipe is refused before anything is opened, and stays as it was.
TEST_F(AtomicFile, TargetsThatAreNoRegularFileAreRefused) {
    const fs::path folder = m_folder / "folder.dat";
    fs::create_directory(folder);
    Put(folder / "inside", "kept");
    const fs::path pipe = m_folder / "pipe.dat";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // A reader, so that a wrongful open for writing would not hang the test but show up below.
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const fs::path pipeLink = m_folder / "pipe-link.dat";
    fs::create_symlink(pipe, pipeLink);
    // Root may replace /dev/null itself: a fault would cost the machine its null device, so root
    // tries a node of its own (the same device).
    std::string device = "/dev/null";
    const fs::path ownDevice = m_folder / "null";
    if (::geteuid() == 0 && ::mknod(ownDevice.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
        device = ownDevice.string();
    }

    struct Case {
        std::string path;
        int code;
    };
    for (const Case& c : {Case{folder.string(), EISDIR}, Case{pipe.string(), 0},
                          Case{pipeLink.string(), 0}, Case{device, 0}}) {
        AtomicWriteFailure failure;
        EXPECT_FALSE(WriteFileAtomically(c.path, "bytes", failure)) << c.path;
        EXPECT_EQ(failure.step, AtomicWriteStep::Target) << c.path;
        EXPECT_EQ(failure.code, c.code) << c.path;
        EXPECT_EQ(failure.path, c.path);
        EXPECT_EQ(failure.Message(), "cannot write " + c.path + ": " +
                                         (c.code ? std::strerror(c.code) : "not a regular file"));
    }
    char buffer[8];
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 0);  // no writer ever came
    ::close(reader);
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(fs::is_character_file(device));
    EXPECT_EQ(Read(folder / "inside"), "kept");
    if (device != "/dev/null") fs::remove(ownDevice);
    EXPECT_EQ(Names(m_folder),
              (std::vector<std::string>{"folder.dat", "pipe-link.dat", "pipe.dat"}));
}

// Each failure names the file and its reason, keeps the old file and leaves no temporary file.
TEST_F(AtomicFile, FailuresNameTheFileAndLeaveNothingBehind) {
    {  // the folder does not exist
        const std::string path = (m_folder / "missing" / "out.dat").string();
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(path, "x", error));
        EXPECT_EQ(error, "cannot write " + path + ": " + std::strerror(ENOENT));
    }
    {  // a file stands where a folder should be
        Put(m_folder / "plain", "kept");
        const std::string path = (m_folder / "plain" / "out.dat").string();
        AtomicWriteFailure failure;
        EXPECT_FALSE(WriteFileAtomically(path, "x", failure));
        EXPECT_EQ(failure.step, AtomicWriteStep::Create);
        EXPECT_EQ(failure.code, ENOTDIR);
        EXPECT_EQ(Read(m_folder / "plain"), "kept");
    }
    {  // a folder that cannot be written to (root writes anywhere: /proc stands in for it)
        const fs::path folder = m_folder / "read-only";
        fs::create_directory(folder);
        Put(folder / "out.dat", "old");
        ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
        const std::string path =
            ::geteuid() == 0 ? "/proc/caelvane-atomic.dat" : (folder / "out.dat").string();
        AtomicWriteFailure failure;
        EXPECT_FALSE(WriteFileAtomically(path, "new", failure));
        EXPECT_EQ(failure.step, AtomicWriteStep::Create);
        EXPECT_NE(failure.Message().find(path), std::string::npos) << failure.Message();
        ::chmod(folder.c_str(), 0755);
        EXPECT_EQ(Names(folder), std::vector<std::string>{"out.dat"});
        EXPECT_EQ(Read(folder / "out.dat"), "old");
    }
    {  // the disk fills up midway: the write is cut by the file size limit
        const fs::path path = m_folder / "full.dat";
        Put(path, "old");
        struct rlimit saved;
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = saved;
        limited.rlim_cur = 1000;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        AtomicWriteFailure failure;
        const bool written = WriteFileAtomically(path.string(), std::string(5000, 'n'), failure);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        EXPECT_FALSE(written);
        EXPECT_EQ(failure.step, AtomicWriteStep::Write);
        EXPECT_EQ(failure.code, EFBIG);
        EXPECT_EQ(failure.path, path.string());
        EXPECT_FALSE(failure.temporary.empty());
        EXPECT_FALSE(fs::exists(failure.temporary));
        EXPECT_EQ(Read(path), "old");
    }
    EXPECT_EQ(Names(m_folder), (std::vector<std::string>{"full.dat", "plain", "read-only"}));
}

TEST_F(AtomicFile, StepsTouchTheTargetOnlyAtCommit) {
    const fs::path path = m_folder / "out.dat";
    Put(path, "old");
    {
        CAtomicFile file;
        ASSERT_TRUE(file.Open(path.string()));
        CAtomicFile other;
        ASSERT_TRUE(other.Open(path.string()));
        // Hidden, beside the target, and not the same name twice.
        EXPECT_EQ(fs::path(file.TemporaryPath()).parent_path(), m_folder);
        EXPECT_EQ(fs::path(file.TemporaryPath()).filename().string().rfind(".out.dat.", 0), 0u);
        EXPECT_NE(file.TemporaryPath(), other.TemporaryPath());
        ASSERT_TRUE(file.Write("ne"));
        ASSERT_TRUE(file.Write("w"));
        ASSERT_TRUE(file.Finish());
        EXPECT_EQ(file.Descriptor(), -1);
        EXPECT_EQ(Read(path), "old");
        EXPECT_EQ(Read(file.TemporaryPath()), "new");
        // `other` is dropped unfinished; `file` is committed.
        ASSERT_TRUE(file.Commit());
        EXPECT_EQ(Read(path), "new");
    }
    EXPECT_EQ(Names(m_folder), std::vector<std::string>{"out.dat"});

    CAtomicFile abandoned;
    ASSERT_TRUE(abandoned.Open(path.string()));
    ASSERT_TRUE(abandoned.Write("never"));
    abandoned.Abandon();
    EXPECT_EQ(abandoned.Descriptor(), -1);
    EXPECT_EQ(Read(path), "new");
    EXPECT_EQ(Names(m_folder), std::vector<std::string>{"out.dat"});
    // Nothing to write to any more: the failure says so and sticks.
    EXPECT_FALSE(abandoned.Write("x"));
    EXPECT_EQ(abandoned.Failure().code, EBADF);
    EXPECT_FALSE(abandoned.Commit());
    EXPECT_EQ(Read(path), "new");
}

TEST_F(AtomicFile, SetsAreReplacedTogether) {
    const std::vector<std::string> names = {"p-001.dat", "p-002.dat", "p-003.dat"};
    for (const std::string& name : names) Put(m_folder / name, "old " + name);
    {  // complete: nothing changes until Commit, then everything
        CAtomicFileSet set;
        for (const std::string& name : names) {
            CAtomicFile* file = set.Add((m_folder / name).string());
            ASSERT_NE(file, nullptr);
            ASSERT_TRUE(file->Write("new " + name));
            ASSERT_TRUE(file->Finish());
            EXPECT_EQ(file->Descriptor(), -1);  // a long set holds no descriptors open
        }
        for (const std::string& name : names) EXPECT_EQ(Read(m_folder / name), "old " + name);
        ASSERT_TRUE(set.Commit()) << set.Message();
        for (const std::string& name : names) EXPECT_EQ(Read(m_folder / name), "new " + name);
        EXPECT_EQ(set.Replaced().size(), 3u);
    }
    EXPECT_EQ(Names(m_folder), names);

    {  // a member that cannot be written: none is replaced, no temporary file stays
        fs::remove(m_folder / names[2]);
        fs::create_directory(m_folder / names[2]);
        CAtomicFileSet set;
        for (int i = 0; i < 2; ++i) {
            CAtomicFile* file = set.Add((m_folder / names[i]).string());
            ASSERT_NE(file, nullptr);
            ASSERT_TRUE(file->Write("newer"));
        }
        EXPECT_EQ(set.Add((m_folder / names[2]).string()), nullptr);
        EXPECT_EQ(set.Failure().step, AtomicWriteStep::Target);
        EXPECT_EQ(set.Message(),
                  "cannot write " + (m_folder / names[2]).string() + ": " + std::strerror(EISDIR));
        EXPECT_EQ(Names(m_folder), names);
        for (int i = 0; i < 2; ++i) EXPECT_EQ(Read(m_folder / names[i]), "new " + names[i]);
    }
    {  // a member dropped by its owner: the destructor takes every temporary file away
        CAtomicFileSet set;
        ASSERT_NE(set.Add((m_folder / names[0]).string()), nullptr);
        ASSERT_NE(set.Add((m_folder / names[1]).string()), nullptr);
    }
    EXPECT_EQ(Names(m_folder), names);

    {  // a rename that fails after others succeeded: the message names those already written
        fs::remove(m_folder / names[2]);
        CAtomicFileSet set;
        for (const std::string& name : names) {
            CAtomicFile* file = set.Add((m_folder / name).string());
            ASSERT_NE(file, nullptr);
            ASSERT_TRUE(file->Write("newest"));
        }
        fs::remove(m_folder / names[1]);  // taken by a folder meanwhile
        fs::create_directory(m_folder / names[1]);
        EXPECT_FALSE(set.Commit());
        EXPECT_EQ(set.Failure().step, AtomicWriteStep::Rename);
        EXPECT_EQ(set.Replaced(), std::vector<std::string>{(m_folder / names[0]).string()});
        EXPECT_NE(set.Message().find("already written"), std::string::npos);
        EXPECT_NE(set.Message().find(names[0]), std::string::npos) << set.Message();
        EXPECT_EQ(Read(m_folder / names[0]), "newest");
        EXPECT_FALSE(fs::exists(m_folder / names[2]));
        EXPECT_EQ(Names(m_folder), (std::vector<std::string>{names[0], names[1]}));
    }
}

// Each system call that moves the bytes to the disk or puts the file in place fails in turn:
// the old file stays whole, nothing else is left in the folder, and the failure names the step
// and the reason.
namespace failing {
int g_failing = 0;  // which call fails: 1 write, 2 fsync, 3 close, 4 rename
long Write(int fd, const void* data, unsigned long size) {
    if (g_failing == 1) return errno = ENOSPC, -1;
    return ::write(fd, data, size);
}
int Fsync(int fd) {
    if (g_failing == 2) return errno = EIO, -1;
    return ::fsync(fd);
}
int Close(int fd) {
    // The descriptor is gone whatever close reports, as on Linux.
    const int result = ::close(fd);
    if (g_failing == 3) return errno = EDQUOT, -1;
    return result;
}
int Rename(const char* from, const char* to) {
    if (g_failing == 4) return errno = EXDEV, -1;
    return ::rename(from, to);
}
const caelvane::AtomicFileCalls kCalls{&Write, &Fsync, &Close, &Rename};
}  // namespace failing

TEST_F(AtomicFile, AFailingSystemCallLeavesTheOldFile) {
    struct Case {
        int failing;
        AtomicWriteStep step;
        int code;
    };
    const Case cases[] = {
        {1, AtomicWriteStep::Write, ENOSPC},
        {2, AtomicWriteStep::Write, EIO},
        {3, AtomicWriteStep::Write, EDQUOT},
        {4, AtomicWriteStep::Rename, EXDEV},
    };
    const fs::path path = m_folder / "kept.dat";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        Put(path, "the old file");
        failing::g_failing = c.failing;
        CAtomicFile file(failing::kCalls);
        const bool written =
            file.Open(path.string()) && file.Write("the new file") && file.Commit();
        failing::g_failing = 0;
        EXPECT_FALSE(written);
        EXPECT_EQ(file.Failure().step, c.step);
        EXPECT_EQ(file.Failure().code, c.code);
        EXPECT_NE(file.Failure().Message().find(path.string()), std::string::npos);
        EXPECT_EQ(Read(path), "the old file");
        EXPECT_EQ(Names(m_folder), std::vector<std::string>{"kept.dat"});
    }
    // The same calls, none failing, replace it.
    CAtomicFile file(failing::kCalls);
    ASSERT_TRUE(file.Open(path.string()) && file.Write("the new file") && file.Commit());
    EXPECT_EQ(Read(path), "the new file");
}

// Set-group-id and the group's bits survive a replacement (the owner is given back first, which
// could clear them).
TEST_F(AtomicFile, ASetGroupIdModeIsKept) {
    const fs::path path = m_folder / "shared.dat";
    Put(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 02750), 0);
    if (ModeOf(path) != 02750u) GTEST_SKIP() << "this file system does not keep set-group-id";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path.string(), "new", error)) << error;
    EXPECT_EQ(Read(path), "new");
    EXPECT_EQ(ModeOf(path), 02750u);
}

}  // namespace
