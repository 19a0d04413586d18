// The XML parser followed by the channel readers, as a fetch runs them: a
// document with the root "feed" is read as Atom, any other as RSS (the fetch
// refuses other roots, but the readers must hold on any tree). The readers
// either fill the channel or raise the program's own errors.
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
            ReadChannelAtom(doc, channel, TShortDateFormat{TDateOrder::doYMD, '-'});
        else
            ReadChannelRss(doc, channel);
    } catch (const Exception&) {
    }
    for (const TRSSItem& item : channel.News)
        Check(IsNoDate(item.Date) || (std::isfinite(item.Date) && item.Date == std::floor(item.Date)));
    return 0;
}
