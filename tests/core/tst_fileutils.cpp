#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <vector>

#include <QTemporaryDir>
#include <QTest>

#include "ScratchDisk.h"
#include "core/uTFileUtils.h"
#include "core/uTrash.h"

namespace fs = std::filesystem;

class TestFileUtils : public QObject {
    Q_OBJECT
private slots:
    void init();
    void readMissingOrEmptyGivesEmpty();
    void roundTripKeepsEveryByte();
    void writeReplacesLongerFile();
    void writeIntoMissingFolderFailsAndCreatesNothing();
    void writeEmptyCreatesEmptyFile();
    void writeToFullDiskFails();
    void readOfFolderGivesEmpty();
    void listingTakesPlainFilesOnly();
    void deleteFolderFilesKeepsSubfolders();
    void deleteFolderFilesOnMissingFolderDoesNothing();
    void createDirMakesOneLevelOnly();
    void interruptedCopyLeavesNothingUnderTheName();
    void trashOnAFreshHomeIsTheDesktopsTrash();
    void anotherDiskHasATrashOfItsOwn_data();
    void anotherDiskHasATrashOfItsOwn();

private:
    std::string Path(const char* name) const { return (fs::path(m_dir->path().toStdString()) / name).string(); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFileUtils::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestFileUtils::readMissingOrEmptyGivesEmpty() {
    QCOMPARE(TFileUtils::ReadWholeFile(Path("missing")), std::string());
    QVERIFY(TFileUtils::WriteWholeFile(Path("empty"), ""));
    QCOMPARE(TFileUtils::ReadWholeFile(Path("empty")), std::string());
}

void TestFileUtils::roundTripKeepsEveryByte() {
    std::string data;
    for (int i = 0; i < 70000; ++i)
        data += static_cast<char>(i % 256);
    data += "\r\n\r\n";
    QVERIFY(TFileUtils::WriteWholeFile(Path("bytes.dat"), data));
    QCOMPARE(TFileUtils::ReadWholeFile(Path("bytes.dat")), data);
}

void TestFileUtils::writeReplacesLongerFile() {
    QVERIFY(TFileUtils::WriteWholeFile(Path("f"), std::string(5000, 'x')));
    QVERIFY(TFileUtils::WriteWholeFile(Path("f"), "short"));
    QCOMPARE(TFileUtils::ReadWholeFile(Path("f")), std::string("short"));
}

void TestFileUtils::writeIntoMissingFolderFailsAndCreatesNothing() {
    QVERIFY(!TFileUtils::WriteWholeFile(Path("nofolder/file.txt"), "data"));
    QVERIFY(!fs::exists(Path("nofolder")));
}

void TestFileUtils::writeEmptyCreatesEmptyFile() {
    QVERIFY(TFileUtils::WriteWholeFile(Path("e"), ""));
    QVERIFY(fs::exists(Path("e")));
    QCOMPARE(fs::file_size(Path("e")), uintmax_t(0));
}

void TestFileUtils::writeToFullDiskFails() {
    // A file-size limit makes the kernel refuse bytes past it, as a full disk would.
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = TFileUtils::WriteWholeFile(Path("big"), std::string(10000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY(!written);
}

void TestFileUtils::readOfFolderGivesEmpty() {
    QCOMPARE(TFileUtils::ReadWholeFile(m_dir->path().toStdString()), std::string());
}

void TestFileUtils::listingTakesPlainFilesOnly() {
    // One rule for the play list, Clear Incomplete Folder and orvalo-cli check: a regular file
    // or a link to one (with the target's size); never a pipe (opening it would wait for
    // ever), a dangling link or a link to a folder; folders apart, only when asked for.
    QVERIFY(TFileUtils::WriteWholeFile(Path("song.mp3"), "12345"));
    QVERIFY(TFileUtils::WriteWholeFile(Path(".hidden"), "h"));
    fs::create_symlink(Path("song.mp3"), Path("link.mp3"));
    fs::create_symlink(Path("gone.mp3"), Path("dangling.mp3"));
    fs::create_directory(Path("sub"));
    fs::create_directory_symlink(Path("sub"), Path("sublink"));
    QCOMPARE(::mkfifo(Path("pipe.mp3").c_str(), 0600), 0);
    std::vector<TListedFile> files;
    std::vector<std::string> folders;
    QVERIFY(ListFolder(m_dir->path().toStdString(), files, &folders));
    std::map<std::string, int64_t> listed;
    for (const TListedFile& file : files)
        listed[file.Name] = file.Size;
    QCOMPARE(listed, (std::map<std::string, int64_t>{{".hidden", 1}, {"link.mp3", 5}, {"song.mp3", 5}}));
    QCOMPARE(folders, std::vector<std::string>{Path("sub")});
    files.clear();
    QVERIFY(!ListFolder(Path("missing"), files));
    QVERIFY(files.empty());
}

void TestFileUtils::deleteFolderFilesKeepsSubfolders() {
    const std::string sub = Path("sub");
    fs::create_directory(sub);
    QVERIFY(TFileUtils::WriteWholeFile(Path("a.mp3"), "a"));
    QVERIFY(TFileUtils::WriteWholeFile(Path(".hidden"), "h"));
    QVERIFY(TFileUtils::WriteWholeFile(sub + "/inner.mp3", "i"));
    // A link to a file outside: the link goes, the target stays.
    QTemporaryDir outside;
    const std::string target = outside.path().toStdString() + "/target";
    QVERIFY(TFileUtils::WriteWholeFile(target, "t"));
    fs::create_symlink(target, Path("link"));
    fs::create_directory_symlink(sub, Path("dirlink"));

    DeleteFolderFiles(m_dir->path().toStdString());

    QVERIFY(!fs::exists(Path("a.mp3")));
    QVERIFY(!fs::exists(Path(".hidden")));
    QVERIFY(!fs::is_symlink(Path("link")));
    QVERIFY(fs::exists(target));
    QVERIFY(fs::is_directory(sub));
    QVERIFY(fs::exists(sub + "/inner.mp3"));
    QVERIFY(fs::is_symlink(Path("dirlink")));
}

void TestFileUtils::deleteFolderFilesOnMissingFolderDoesNothing() {
    // No folder set must not mean the current one.
    QVERIFY(TFileUtils::WriteWholeFile(Path("keep.mp3"), "x"));
    const fs::path before = fs::current_path();
    fs::current_path(m_dir->path().toStdString());
    DeleteFolderFiles("");
    DeleteFolderFiles(Path("missing"));
    fs::current_path(before);
    QVERIFY(fs::exists(Path("keep.mp3")));
    QVERIFY(!fs::exists(Path("missing")));
}

void TestFileUtils::createDirMakesOneLevelOnly() {
    QVERIFY(!CreateDir(Path("x/y")));
    QVERIFY(!fs::exists(Path("x")));
    QVERIFY(CreateDir(Path("x")));
    QVERIFY(DirectoryExists(Path("x")));
    QVERIFY(CreateDir(Path("x"))); // already there
    QVERIFY(!DirectoryExists(""));
    QVERIFY(TFileUtils::WriteWholeFile(Path("file"), "f"));
    QVERIFY(!DirectoryExists(Path("file")));
    QVERIFY(FileExists(Path("file")));
    QVERIFY(!FileExists(Path("x")));
}

void TestFileUtils::interruptedCopyLeavesNothingUnderTheName() {
    const std::string data(1 << 20, 'c');
    QVERIFY(TFileUtils::WriteWholeFile(Path("source"), data));
    // A child whose file-size limit ends it by SIGXFSZ part-way through the copy, as a kill
    // or a crash would.
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        const rlimit small{100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &small);
        CopyFileNoReplace(Path("source"), Path("copy"));
        ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
    QVERIFY(!fs::exists(Path("copy")));
    // Uninterrupted, the copy is whole, and a second one never replaces it.
    QVERIFY(!CopyFileNoReplace(Path("source"), Path("copy")));
    QCOMPARE(TFileUtils::ReadWholeFile(Path("copy")), data);
    QVERIFY(TFileUtils::WriteWholeFile(Path("other"), "other"));
    QCOMPARE(CopyFileNoReplace(Path("other"), Path("copy")).value(), EEXIST);
    QCOMPARE(TFileUtils::ReadWholeFile(Path("copy")), data);
}

void TestFileUtils::trashOnAFreshHomeIsTheDesktopsTrash() {
    // A first start: the data folder does not exist yet.
    const std::string dataHome = Path("home/.local/share");
    QCOMPARE(::setenv("XDG_DATA_HOME", dataHome.c_str(), 1), 0);
    QVERIFY(TFileUtils::WriteWholeFile(Path("song.mp3"), "tune"));
    const fs::path before = fs::current_path();
    QVERIFY(CreateDir(Path("elsewhere")));
    fs::current_path(Path("elsewhere"));
    const TTrashOutcome outcome = MoveToTrash(Path("song.mp3"));
    fs::current_path(before);
    QCOMPARE(outcome, TTrashOutcome::Trashed);
    QVERIFY(!fs::exists(Path("song.mp3")));
    QCOMPARE(TFileUtils::ReadWholeFile(dataHome + "/Trash/files/song.mp3"), std::string("tune"));
    const std::string record = TFileUtils::ReadWholeFile(dataHome + "/Trash/info/song.mp3.trashinfo");
    QVERIFY2(record.find("Path=" + Path("song.mp3")) != std::string::npos, record.c_str());
    // Nothing went astray into the folder the program ran in.
    QVERIFY(fs::is_empty(Path("elsewhere")));
    // The folders made for it are the user's alone.
    QCOMPARE(fs::status(dataHome).permissions() & fs::perms::all, fs::perms::owner_all);
    QCOMPARE(fs::status(dataHome + "/Trash").permissions() & fs::perms::all, fs::perms::owner_all);
    // A folder is never trashed.
    QVERIFY(CreateDir(Path("folder")));
    QCOMPARE(MoveToTrash(Path("folder")), TTrashOutcome::Failed);
    ::unsetenv("XDG_DATA_HOME");
}

void TestFileUtils::anotherDiskHasATrashOfItsOwn_data() {
    QTest::addColumn<bool>("trashPossible");
    QTest::newRow("a disk with room for a trash") << true;
    QTest::newRow("a disk where none can be made") << false;
}

void TestFileUtils::anotherDiskHasATrashOfItsOwn() {
    QFETCH(bool, trashPossible);
    QVERIFY(CreateDir(Path("disk")));
    const TScratchDisk disk(Path("disk"));
    if (!disk.Mounted())
        QSKIP(disk.Why().c_str());
    const std::string dataHome = Path("home/share");
    QCOMPARE(::setenv("XDG_DATA_HOME", dataHome.c_str(), 1), 0);
    const std::string diskTrash = Path("disk/.Trash-") + std::to_string(::getuid());
    // Where the disk's own trash would be made, a file: the disk can have no trash.
    if (!trashPossible)
        QVERIFY(TFileUtils::WriteWholeFile(diskTrash, ""));
    QVERIFY(TFileUtils::WriteWholeFile(Path("disk/song.mp3"), "tune"));
    QCOMPARE(MoveToTrash(Path("disk/song.mp3")), trashPossible ? TTrashOutcome::Trashed : TTrashOutcome::NoTrash);
    QCOMPARE(FileExists(Path("disk/song.mp3")), !trashPossible);
    QCOMPARE(FileExists(diskTrash + "/files/song.mp3"), trashPossible);
    QCOMPARE(FileExists(diskTrash + "/info/song.mp3.trashinfo"), trashPossible);
    // Nothing in the home trash: a file there would have crossed disks, and a record there
    // would name a file that is not in it.
    std::error_code error;
    QVERIFY(!fs::exists(dataHome + "/Trash/info/song.mp3.trashinfo", error));
    QVERIFY(!fs::exists(dataHome + "/Trash/files/song.mp3", error));
    ::unsetenv("XDG_DATA_HOME");
}

QTEST_APPLESS_MAIN(TestFileUtils)
#include "tst_fileutils.moc"
