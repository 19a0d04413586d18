#include "Support.h"
#include "ui/FileIO.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Dir()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// Only a regular file of bounded size is read: a pipe would wait for a
// writer for ever, /dev/zero never ends, a huge sparse file fills memory.
TEST(FileIO, ReadsEveryByteOfARegularFileOnly) {
    TempDir dir;
    std::string bytes;
    EXPECT_EQ(ReadFileBytes(dir.File("missing"), 100, bytes), TReadOutcome::roMissing);
    EXPECT_EQ(ReadFileBytes(dir.Dir(), 100, bytes), TReadOutcome::roRefused);
    const std::string content("a\0b\r\n\xFF", 6);
    WriteBytes(dir.File("f"), content);
    EXPECT_EQ(ReadFileBytes(dir.File("f"), 100, bytes), TReadOutcome::roRead);
    EXPECT_EQ(bytes, content);
    EXPECT_EQ(ReadFileBytes(dir.File("f"), 5, bytes), TReadOutcome::roRefused);
    EXPECT_EQ(bytes, "");

    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0666), 0);
    EXPECT_EQ(ReadFileBytes(dir.File("fifo"), 100, bytes), TReadOutcome::roRefused);
    ASSERT_EQ(::symlink("/dev/zero", dir.File("zero").c_str()), 0);
    EXPECT_EQ(ReadFileBytes(dir.File("zero"), 100, bytes), TReadOutcome::roRefused);
    ASSERT_EQ(::truncate((WriteBytes(dir.File("sparse"), ""), dir.File("sparse")).c_str(), 1 << 30), 0);
    EXPECT_EQ(ReadFileBytes(dir.File("sparse"), 16 << 20, bytes), TReadOutcome::roRefused);
}

TEST(FileIO, ReplacesOrCreatesAFile) {
    TempDir dir;
    const std::string path = dir.File("channels.lst");
    EXPECT_TRUE(WriteFileReplacing(path, "new\r\n"));
    EXPECT_EQ(ReadBytes(path), "new\r\n");
    ::chmod(path.c_str(), 0640);
    EXPECT_TRUE(WriteFileReplacing(path, ""));
    EXPECT_EQ(ReadBytes(path), "");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Names(dir), std::vector<std::string>{"channels.lst"});
}

TEST(FileIO, ADirectoryOfThatNameIsNotReplaced) {
    TempDir dir;
    const std::string path = dir.File("channels.lst");
    fs::create_directory(path);
    WriteBytes(dir.File("channels.lst/inside"), "x");
    EXPECT_FALSE(WriteFileReplacing(path, "new\r\n"));
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(ReadBytes(dir.File("channels.lst/inside")), "x");
    EXPECT_EQ(Names(dir), std::vector<std::string>{"channels.lst"});
    EXPECT_FALSE(WriteFileReplacing(dir.File("no/such/dir/channels.lst"), "x"));
}

TEST(FileIO, AFullDiskLeavesTheOldFileByteForByte) {
    TempDir dir;
    const std::string path = dir.File("channels.lst");
    const std::string old = "http://old.pl/rss\r\nhttp://\xB3\xF3"
                            "d\x9F.pl/\r\n";  // łódź
    WriteBytes(path, old);
    bool written = true;
    {
        FileSizeLimit limit(16);
        written = WriteFileReplacing(path, std::string(1000, 'x'));
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(Names(dir), std::vector<std::string>{"channels.lst"});
}

TEST(FileIO, ALinkStaysALinkToTheReplacedFile) {
    TempDir dir;
    fs::create_directory(dir.File("real"));
    WriteBytes(dir.File("real/list"), "old");
    fs::create_symlink(dir.File("real/list"), dir.File("channels.lst"));
    EXPECT_TRUE(WriteFileReplacing(dir.File("channels.lst"), "new"));
    EXPECT_TRUE(fs::is_symlink(dir.File("channels.lst")));
    EXPECT_EQ(ReadBytes(dir.File("real/list")), "new");
}

// Tests run as root, whom a read-only bit does not stop: the write is then
// tried by a child that has given up root.
TEST(FileIO, AFileTheUserMayNotWriteStays) {
    TempDir dir;
    ::chmod(dir.Dir().c_str(), 0777);
    const std::string path = dir.File("channels.lst");
    WriteBytes(path, "old");
    ::chmod(path.c_str(), 0444);
    if (::geteuid() != 0) {
        EXPECT_FALSE(WriteFileReplacing(path, "new"));
    } else {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            ::_exit(WriteFileReplacing(path, "new") ? 1 : 0);
        }
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "1: replaced, 2: could not give up root";
    }
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(Names(dir), std::vector<std::string>{"channels.lst"});
}
