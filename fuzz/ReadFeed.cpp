// The XML parser followed by the channel readers, as a fetch runs them: a
// document with the root "feed" is read as Atom, any other as RSS (the fetch
// refuses other roots, but the readers must hold on any tree). The readers
// either fill the channel or raise the program's own errors. The read that
// takes the items during the parse gives what the read of the whole tree
// gives.
#include "base/Dates.h"
#include "base/Exceptions.h"
#include "feed/Feed.h"
#include "xml/VexXMLParser.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

constexpr TShortDateFormat kFormat{TDateOrder::doYMD, '-'};

bool SameDate(double a, double b) { return IsNoDate(a) ? IsNoDate(b) : a == b; }

bool SameItem(const TRSSItem& a, const TRSSItem& b) {
    return a.Category == b.Category && a.Title == b.Title && a.Description == b.Description &&
           a.Link == b.Link && a.Guid == b.Guid && SameDate(a.Date, b.Date);
}

// ReadChannel of the whole tree against TChannelItemReader during the parse.
void CompareReads(const std::string& text, TVexXMLParseMode mode) {
    TRSS whole;
    bool wholeFailed = false;
    TChannelFormat wholeFormat = TChannelFormat::cfUnsupported;
    try {
        TVexXMLParser doc;
        doc.SetParseMode(mode);
        doc.Parse(text.c_str());
        wholeFormat = ReadChannel(doc, whole, kFormat);
    } catch (const Exception&) {
        wholeFailed = true;
    }
    TRSS taken;
    bool takenFailed = false;
    TChannelFormat takenFormat = TChannelFormat::cfUnsupported;
    try {
        TVexXMLParser doc;
        doc.SetParseMode(mode);
        TChannelItemReader items(doc, taken, kFormat);
        doc.Parse(text.c_str(), &items);
        takenFormat = items.Finish();
    } catch (const Exception&) {
        takenFailed = true;
    }
    Check(wholeFailed == takenFailed);
    if (wholeFailed)
        return;
    Check(wholeFormat == takenFormat);
    Check(whole.Encoding == taken.Encoding && whole.Title == taken.Title && whole.Link == taken.Link &&
          whole.Description == taken.Description && whole.Language == taken.Language);
    Check(whole.News.size() == taken.News.size());
    for (std::size_t i = 0; i < whole.News.size(); ++i)
        Check(SameItem(whole.News[i], taken.News[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TVexXMLParser doc;
    try {
        doc.Parse(text.c_str());
    } catch (const Exception&) {
        return 0;  // the fetch stops here too
    }
    const bool atom = doc.Count() > 1 && doc.Items(1)->Name() == "feed";
    TRSS channel;
    try {
        if (atom)
            ReadChannelAtom(doc, channel, kFormat);
        else
            ReadChannelRss(doc, channel);
    } catch (const Exception&) {
    }
    for (const TRSSItem& item : channel.News)
        Check(IsNoDate(item.Date) || (std::isfinite(item.Date) && item.Date == std::floor(item.Date)));
    CompareReads(text, TVexXMLParseMode::pmStrict);
    CompareReads(text, TVexXMLParseMode::pmRecovering);
    return 0;
}
