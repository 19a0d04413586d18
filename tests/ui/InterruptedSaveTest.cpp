// A save killed at any moment leaves the old list or the new one, whole.
#include "ui/FileIO.h"

#include "Support.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace {

std::string List(const char* host, int count) {
    std::string list;
    for (int i = 0; i < count; ++i)
        list += std::string("http://") + host + ".pl/feed/" + std::to_string(i) + "\r\n";
    return list;
}

TEST(InterruptedSave, AKilledSaveLeavesTheOldOrTheNewList) {
    TempDir dir;
    const std::string path = dir.File("channels.lst");
    const std::string before = List("old", 3000);
    const std::string after = List("new", 5000);
    WriteBytes(path, before);
    for (int round = 0; round < 40; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Saves one list and the other until killed.
            for (;;) {
                WriteFileReplacing(path, after);
                WriteFileReplacing(path, before);
            }
        }
        // Each round kills at another point of the save.
        std::this_thread::sleep_for(std::chrono::microseconds(500 + round * 397 % 20000));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        const std::string saved = ReadBytes(path);
        ASSERT_TRUE(saved == before || saved == after)
            << "round " << round << ": " << saved.size() << " bytes";
    }
    // What a killed save left beside the list is never the list itself, and
    // the next save still works.
    EXPECT_TRUE(WriteFileReplacing(path, after));
    EXPECT_EQ(ReadBytes(path), after);
    for (const auto& entry : std::filesystem::directory_iterator(dir.Dir()))
        EXPECT_TRUE(entry.path().filename().string().starts_with("channels.lst")) << entry.path();
}

}  // namespace
