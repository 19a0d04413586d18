// The reader of an item's HTML for the text view: any bytes are read, the
// blocks and spans it gives hold together, and its links go only where a
// browser may be sent.
#include "feed/Decode.h"
#include "feed/HtmlLink.h"
#include "feed/HtmlText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

bool IsAllowedLink(std::string_view link) {
    for (const std::string_view scheme : {"http:", "https:", "ftp:", "mailto:"}) {
        if (link.size() < scheme.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < scheme.size(); ++i)
            same = same && (link[i] | 0x20) == scheme[i];
        if (same)
            return link.find_first_of("\t\r\n") == std::string_view::npos &&
                   static_cast<unsigned char>(link.back()) > 0x20;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    const bool validInput = IsValidUtf8(html);
    const THtmlText text = ReadHtmlText(html, "http://a.pl/d/i.html?q=1");

    for (const std::string& link : text.Links)
        Check(IsAllowedLink(link));
    std::uint32_t lastTable = 0;
    for (const THtmlBlock& block : text.Blocks) {
        Check(block.Indent <= kHtmlMaxIndent && block.Quote <= kHtmlMaxIndent);
        Check(block.Column < kHtmlMaxColumns && block.Heading <= 6);
        // A table's cells come one after another; no table comes back.
        Check(block.Table == 0 || block.Table >= lastTable);
        if (block.Table != 0)
            lastTable = block.Table;
        for (const char c : block.Text)
            Check(static_cast<unsigned char>(c) >= 0x20 || c == '\t');
        if (validInput)
            Check(IsValidUtf8(block.Text));
        std::uint32_t end = 0;
        for (const THtmlSpan& span : block.Spans) {
            Check(span.Begin >= end && span.Begin < span.End && span.End <= block.Text.size());
            Check(span.Link < static_cast<std::int32_t>(text.Links.size()));
            Check(span.Style != 0 || span.Link >= 0);
            if (validInput)
                Check(IsValidUtf8(std::string_view(block.Text).substr(span.Begin, span.End - span.Begin)));
            end = span.End;
        }
    }
    const std::string plain = HtmlPlainText(text);
    if (validInput)
        Check(IsValidUtf8(plain));
    return 0;
}
