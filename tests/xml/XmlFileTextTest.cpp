#include "xml/XmlFileText.h"

#include "TempDir.h"
#include "base/Exceptions.h"

#include <gtest/gtest.h>

#include <filesystem>

using vexxml::ReadFileAsCrLfText;

namespace {

using namespace std::string_literals;

TEST(XmlFileText, LineBreaksBecomeCrLf) {
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

TEST(XmlFileText, LineBreaksAcrossReadChunks) {
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

// The text as splitting into lines and joining them with CR LF gives it.
std::string SplitAndJoin(const std::string& bytes) {
    std::string text;
    const std::size_t nul = bytes.find('\0');
    const std::string body = bytes.substr(0, nul);
    std::size_t i = 0;
    while (i < body.size()) {
        const std::size_t br = body.find_first_of("\r\n", i);
        if (br == std::string::npos) {
            text += body.substr(i) + "\r\n";
            break;
        }
        text += body.substr(i, br - i) + "\r\n";
        i = br + (body.compare(br, 2, "\r\n") == 0 ? 2 : 1);
    }
    return text;
}

TEST(XmlFileText, LongFilesOfMixedBreaksReadAsLines) {
    // Long stretches of CR LF lines (LF lines for seeds 4 and 5) with now and
    // then another break, over several read chunks, in a few seeded mixtures.
    TempDir dir;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        unsigned state = seed;
        auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 16; };
        std::string bytes;
        while (bytes.size() < 200'000) {
            bytes.append(next() % 300, static_cast<char>('a' + next() % 26));
            const bool lf = seed == 4 || seed == 5;
            const unsigned kind = next() % (lf ? 2000 : 50);
            bytes += kind == 0   ? "\r"
                     : kind == 1 ? (lf ? "\r\n" : "\n")
                     : kind == 2 ? "\n\r"
                                 : (lf ? "\n" : "\r\n");
        }
        if (seed % 2)
            bytes += "tail";
        if (seed == 6)
            bytes.insert(150'000, 1, '\0');
        EXPECT_EQ(ReadFileAsCrLfText(dir.Write("mixed", bytes)), SplitAndJoin(bytes)) << "seed " << seed;
    }
}

TEST(XmlFileText, UnreadableFiles) {
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

}  // namespace
