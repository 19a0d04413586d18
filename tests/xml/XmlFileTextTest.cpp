#include "xml/XmlFileText.h"

#include "TempDir.h"
#include "base/Exceptions.h"

#include <gtest/gtest.h>

#include <filesystem>

using vexxml::ReadFileAsCrLfText;

namespace {

using namespace std::string_literals;

TEST(XmlFileText, LineBreaksBecomeCrLf)
{
    const std::pair<std::string, std::string> rows[] = {
        {""s, ""s},
        {"\0abc"s, ""s},
        {"a"s, "a\r\n"s},
        {"a\n"s, "a\r\n"s},
        {"a\nb"s, "a\r\nb\r\n"s},
        {"a\r\nb\r\n"s, "a\r\nb\r\n"s},
        {"a\rb\r"s, "a\r\nb\r\n"s},
        {"a\n\n"s, "a\r\n\r\n"s},
        {"\n"s, "\r\n"s},
        {"a\r\r\nb"s, "a\r\n\r\nb\r\n"s},
        {"a\n\rb"s, "a\r\n\r\nb\r\n"s},
        {"ab\0cd\n"s, "ab\r\n"s},
        {"ab\r\0\nx"s, "ab\r\n"s},
        {"<a>\xB1\xEA</a>"s, "<a>\xB1\xEA</a>\r\n"s},
    };
    TempDir dir;
    int n = 0;
    for (const auto& [bytes, expected] : rows) {
        const std::string path = dir.Write("f" + std::to_string(n++), bytes);
        EXPECT_EQ(ReadFileAsCrLfText(path), expected) << testing::PrintToString(bytes);
    }
}

TEST(XmlFileText, LineBreaksAcrossReadChunks)
{
    // Break pairs that straddle the reader's 64 KiB chunks must stay one break.
    TempDir dir;
    for (std::size_t before : {65534u, 65535u, 65536u, 131071u}) {
        for (const std::string& lineBreak : {"\r\n"s, "\r"s, "\n"s, "\r\r"s}) {
            const std::string bytes = std::string(before, 'x') + lineBreak + "y";
            const std::string breaks = lineBreak == "\r\r" ? "\r\n\r\n" : "\r\n";
            EXPECT_EQ(ReadFileAsCrLfText(dir.Write("big", bytes)),
                      std::string(before, 'x') + breaks + "y\r\n")
                << before << ' ' << testing::PrintToString(lineBreak);
        }
    }
}

TEST(XmlFileText, UnreadableFiles)
{
    TempDir dir;
    const std::string missing = dir.PathOf("missing.xml");
    try {
        ReadFileAsCrLfText(missing);
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + missing + "\". No such file or directory");
    }
    const std::string folder = dir.PathOf("folder");
    std::filesystem::create_directory(folder);
    EXPECT_THROW(ReadFileAsCrLfText(folder), EInOutError);
}

} // namespace
