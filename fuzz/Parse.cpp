// The XML parser, on a text in memory and on the same bytes as a file. A
// parse either builds a sound tree or raises the library's own errors;
// anything else (a crash, a leak, another exception) is a fault.
#include "base/Exceptions.h"
#include "xml/VexXMLParser.h"
#include "xml/XmlFileText.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// Every node once, without recursion: parents, kinds and the name index
// agree with the child lists.
void Walk(TVexBaseXmlNode& root) {
    std::vector<TVexBaseXmlNode*> pending{&root};
    while (!pending.empty()) {
        TVexBaseXmlNode* node = pending.back();
        pending.pop_back();
        for (int i = 0; i < node->Count(); ++i) {
            TVexXMLNode* child = node->Items(i);
            Check(child->Parent() == node);
            Check(child->Kind() <= nkComment);
            // Comments and instructions may hold text (an instruction with
            // free text keeps it); elements are in their parent's index.
            if (child->Kind() == nkElement) {
                TVexXMLNode* first = node->NodeByName(child->Name(), false);
                Check(first && SameNameKey(first->Name(), child->Name()));
            }
            const TVexXMLParameters& attributes = child->Parameters();
            for (int a = 0; a < attributes.Count(); ++a)
                Check(attributes.ParamByName(attributes.Items(a)->Name()) == attributes.Items(a));
            pending.push_back(child);
        }
    }
}

// What loading a file gives the parser, byte by byte: the bytes up to the
// first NUL, every CR LF, lone CR and lone LF as CR LF, and a last line
// ended by CR LF too.
std::string CrLfText(const std::string& bytes) {
    std::string text;
    bool lineOpen = false;
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            text += "\r\n";
            lineOpen = false;
        } else {
            text += bytes[i];
            lineOpen = true;
        }
    }
    if (lineOpen)
        text += "\r\n";
    return text;
}

template <typename Action>
void Attempt(TVexXMLParser& doc, Action action) {
    try {
        action();
    } catch (const EVexXMLError&) {
    } catch (const EConvertError&) {
    }
    Walk(doc);
}

// One scratch file for the whole run, in memory where the system offers
// it (a file on disk costs more than the parse), removed at exit.
char ScratchName[64];

const char* ScratchFile() {
    static const bool made = [] {
        for (const char* pattern : {"/dev/shm/fuzz-parse-XXXXXX", "/tmp/fuzz-parse-XXXXXX"}) {
            std::snprintf(ScratchName, sizeof ScratchName, "%s", pattern);
            const int fd = ::mkstemp(ScratchName);
            if (fd >= 0) {
                ::close(fd);
                std::atexit([] { ::unlink(ScratchName); });
                return true;
            }
        }
        return false;
    }();
    Check(made);
    return ScratchName;
}

void WriteScratch(const std::string& bytes) {
    std::FILE* file = std::fopen(ScratchFile(), "wb");
    Check(file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    Check(std::fclose(file) == 0);
}

// The size in which a file is read.
constexpr std::size_t ReadPiece = 64 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    TVexXMLParser doc;
    Attempt(doc, [&] { doc.Parse(text.c_str()); });

    // The recovering mode raises nothing for the text, whatever it holds.
    TVexXMLParser recovered;
    recovered.SetParseMode(TVexXMLParseMode::pmRecovering);
    recovered.Parse(text.c_str());
    Walk(recovered);

    const std::string path = ScratchFile();
    WriteScratch(text);
    Check(vexxml::ReadFileAsCrLfText(path) == CrLfText(text));
    Attempt(doc, [&] { doc.LoadFromFile(path); });

    // The same bytes where the file is read in two pieces: the first byte
    // picks how far before the boundary they begin.
    const std::string lead(ReadPiece - 1 - data[0] % 8, 'x');
    WriteScratch(lead + text);
    // The lead is one open line, which the text continues or ends.
    Check(vexxml::ReadFileAsCrLfText(path) == lead + (text[0] == '\0' ? "\r\n" : CrLfText(text)));
    return 0;
}
