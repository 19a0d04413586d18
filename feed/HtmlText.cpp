#include "feed/HtmlText.h"

#include "feed/HtmlLink.h"
#include "feed/HtmlReference.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace {

enum TTag : std::uint8_t {
    tUnknown,
    // Inline styles and links: counted within the innermost scope.
    tA,
    tB,
    tI,
    tU,
    tCode,
    tS,
    // Scopes: what is inside them is laid out differently.
    tUl,
    tOl,
    tQuote,
    tPre,
    tHeading,
    tTable,
    tDl,
    // Block boundaries, and elements without an end.
    tP,
    tDiv,
    tBr,
    tLi,
    tDt,
    tDd,
    tTr,
    tTd,
    tTh,
    tHr,
    tImg,
    // Elements whose contents are never shown.
    tDrop,
    tCount
};

constexpr std::size_t kInlineTags = tS - tA + 1;

constexpr bool IsScope(TTag tag) { return tag >= tUl && tag <= tDl; }

struct TTagName {
    std::string_view Name;
    TTag Tag;
};

// Sorted by name, byte for byte. Tags not named here keep their text.
constexpr TTagName kTags[] = {
    {"a", tA},           {"address", tDiv},
    {"article", tDiv},   {"aside", tDiv},
    {"b", tB},           {"blockquote", tQuote},
    {"br", tBr},         {"caption", tDiv},
    {"center", tDiv},    {"cite", tI},
    {"code", tCode},     {"dd", tDd},
    {"del", tS},         {"details", tDiv},
    {"dfn", tI},         {"dir", tUl},
    {"div", tDiv},       {"dl", tDl},
    {"dt", tDt},         {"em", tI},
    {"fieldset", tDiv},  {"figcaption", tDiv},
    {"figure", tP},      {"footer", tDiv},
    {"form", tDiv},      {"h1", tHeading},
    {"h2", tHeading},    {"h3", tHeading},
    {"h4", tHeading},    {"h5", tHeading},
    {"h6", tHeading},    {"header", tDiv},
    {"hgroup", tDiv},    {"hr", tHr},
    {"i", tI},           {"iframe", tDrop},
    {"img", tImg},       {"ins", tU},
    {"kbd", tCode},      {"legend", tDiv},
    {"li", tLi},         {"listing", tPre},
    {"main", tDiv},      {"menu", tUl},
    {"nav", tDiv},       {"noembed", tDrop},
    {"noframes", tDrop}, {"ol", tOl},
    {"p", tP},           {"plaintext", tPre},
    {"pre", tPre},       {"s", tS},
    {"samp", tCode},     {"script", tDrop},
    {"section", tDiv},   {"strike", tS},
    {"strong", tB},      {"style", tDrop},
    {"summary", tDiv},   {"table", tTable},
    {"td", tTd},         {"template", tDrop},
    {"textarea", tDrop}, {"th", tTh},
    {"title", tDrop},    {"tr", tTr},
    {"tt", tCode},       {"u", tU},
    {"ul", tUl},         {"var", tI},
    {"xmp", tPre},
};
static_assert(std::is_sorted(std::begin(kTags), std::end(kTags),
                             [](const TTagName& a, const TTagName& b) { return a.Name < b.Name; }));

TTag TagOf(std::string_view lowerName) {
    const auto it = std::lower_bound(std::begin(kTags), std::end(kTags), lowerName,
                                     [](const TTagName& t, std::string_view n) { return t.Name < n; });
    return it != std::end(kTags) && it->Name == lowerName ? it->Tag : tUnknown;
}

// What the text never shows: control characters other than the tab.
constexpr bool IsControl(char c) { return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F; }

// Whitespace runs as one space, none at the ends; no control characters.
std::string Collapse(std::string_view text) {
    std::string out;
    bool space = false;
    for (const char c : text) {
        if (IsHtmlSpace(c)) {
            space = !out.empty();
            continue;
        }
        if (IsControl(c))
            continue;
        if (space)
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

// The attributes that the reader looks at.
struct TAttributes {
    std::string Href, Src, Alt, Width, Height, Start;
    bool HasAlt = false;
    bool SelfClosing = false;
};

struct TOpen {
    TTag Tag = tUnknown;
    // A link's outer link, a heading's outer level, a list's outer list, a
    // definition list's outer "in dd".
    std::int32_t Saved = 0;
    std::int32_t Number = 0;  // a list's last item number
    bool Ordered = false;
    // A scope's: the inline counts and the style outside it.
    std::uint8_t OuterStyle = 0;
    std::array<std::uint32_t, kInlineTags> OuterInline{};
};

class THtmlReader {
public:
    THtmlReader(std::string_view html, std::string_view base) : html_(html), base_(base) {}

    THtmlText Read() {
        plain_ = !HasTag(html_);
        const std::size_t n = html_.size();
        std::size_t i = 0;
        while (i < n) {
            const char c = html_[i];
            if (c == '<' && !plain_) {
                i = Markup(i);
            } else if (c == '&') {
                const std::uint32_t cp = ReadCharacterReference(html_, i, false);
                if (cp == kNoReference) {
                    PutText("&");
                    ++i;
                } else {
                    PutCodePoint(cp);
                }
            } else {
                std::size_t end = i + 1;
                while (end < n && html_[end] != '<' && html_[end] != '&')
                    ++end;
                Text(html_.substr(i, end - i));
                i = end;
            }
        }
        Flush(false);
        while (!out_.Blocks.empty() && out_.Blocks.back().Text.empty() &&
               out_.Blocks.back().Kind != THtmlBlockKind::bkRule)
            out_.Blocks.pop_back();
        return std::move(out_);
    }

private:
    static constexpr std::size_t kMaxOpen = 1024;
    static constexpr int kMaxEmptyLines = 2;

    // A "<" that begins markup, as browsers read it.
    static bool HasTag(std::string_view html) {
        for (std::size_t i = html.find('<'); i != std::string_view::npos; i = html.find('<', i + 1)) {
            const char next = i + 1 < html.size() ? html[i + 1] : '\0';
            if (IsAsciiLetter(next) || next == '/' || next == '!' || next == '?')
                return true;
        }
        return false;
    }

    bool Pre() const { return plain_ || counts_[tPre] > 0; }
    bool InGrid() const { return counts_[tTable] > 0; }

    std::uint8_t Style() const {
        std::uint8_t style = inheritedStyle_;
        const auto open = [this](TTag tag) { return counts_[tag] > 0; };
        if (open(tB))
            style |= hsBold;
        if (open(tI))
            style |= hsItalic;
        if (open(tU))
            style |= hsUnderline;
        if (open(tCode))
            style |= hsCode;
        if (open(tS))
            style |= hsStrike;
        return style;
    }

    // Raw text: spaces collapse outside preformatted text; line breaks end
    // a line inside it; other control characters are dropped.
    void Text(std::string_view run) {
        const bool pre = Pre();
        const auto breaks = [pre](char c) { return pre ? c == '\r' || c == '\n' : IsHtmlSpace(c); };
        std::size_t i = 0;
        while (i < run.size()) {
            const char c = run[i];
            if (pre && (c == '\r' || c == '\n')) {
                i += c == '\r' && i + 1 < run.size() && run[i + 1] == '\n' ? 2 : 1;
                if (!std::exchange(skipNewline_, false))
                    Flush(true);
                continue;
            }
            if (!pre && IsHtmlSpace(c)) {
                pendingSpace_ = true;
                ++i;
                continue;
            }
            if (IsControl(c)) {
                ++i;
                continue;
            }
            std::size_t end = i + 1;
            while (end < run.size() && !IsControl(run[end]) && !breaks(run[end]))
                ++end;
            PutText(run.substr(i, end - i));
            i = end;
        }
    }

    void PutCodePoint(std::uint32_t cp) {
        if (cp < 0x80 && IsHtmlSpace(static_cast<char>(cp))) {
            const char c = static_cast<char>(cp);
            Text(std::string_view(&c, 1));
            return;
        }
        if (cp < 0x20 || cp == 0x7F)
            return;
        std::string bytes;
        AppendUtf8(bytes, cp);
        PutText(bytes);
    }

    void PutText(std::string_view bytes) { Put(bytes, Style(), link_); }

    void Put(std::string_view bytes, std::uint8_t style, std::int32_t link) {
        skipNewline_ = false;
        std::string& text = block_.Text;
        std::vector<THtmlSpan>& spans = block_.Spans;
        if (std::exchange(pendingSpace_, false) && !text.empty()) {
            // The space belongs to the span before it when that span goes on.
            const bool joins = !spans.empty() && spans.back().End == text.size() &&
                               spans.back().Style == style && spans.back().Link == link;
            text += ' ';
            if (joins)
                spans.back().End = static_cast<std::uint32_t>(text.size());
        }
        const auto begin = static_cast<std::uint32_t>(text.size());
        text.append(bytes);
        const auto end = static_cast<std::uint32_t>(text.size());
        if (style == 0 && link < 0)
            return;
        if (!spans.empty() && spans.back().End == begin && spans.back().Style == style &&
            spans.back().Link == link)
            spans.back().End = end;
        else
            spans.push_back({begin, end, style, link});
    }

    // Ends the block being read. An empty one is kept only when forced (a
    // line break), and not at the start or after two empty lines.
    void Flush(bool force) {
        pendingSpace_ = false;
        const bool empty = block_.Text.empty();
        if (empty && !force)
            return;
        if (empty) {
            int emptyBefore = 0;
            for (auto it = out_.Blocks.rbegin(); it != out_.Blocks.rend() && emptyBefore < kMaxEmptyLines;
                 ++it) {
                if (!it->Text.empty() || it->Kind == THtmlBlockKind::bkRule)
                    break;
                ++emptyBefore;
            }
            if (out_.Blocks.empty() || (!Pre() && emptyBefore >= kMaxEmptyLines)) {
                block_ = {};
                return;
            }
        }
        Finish(block_, !empty);
        out_.Blocks.push_back(std::move(block_));
        block_ = {};
    }

    // The block takes the place it was read in.
    void Finish(THtmlBlock& block, bool takesMarker) {
        block.Kind = heading_ > 0        ? THtmlBlockKind::bkHeading
                     : counts_[tPre] > 0 ? THtmlBlockKind::bkPre
                                         : THtmlBlockKind::bkText;
        block.Heading = static_cast<std::uint8_t>(heading_);
        block.Indent =
            static_cast<std::uint8_t>(std::min<std::uint32_t>(counts_[tUl] + counts_[tOl], kHtmlMaxIndent));
        block.Quote = static_cast<std::uint8_t>(
            std::min<std::uint32_t>(counts_[tQuote] + (dd_ ? 1 : 0), kHtmlMaxIndent));
        block.Gap = std::exchange(gap_, false) && !out_.Blocks.empty();
        if (InGrid()) {
            block.Table = tables_;
            block.Row = static_cast<std::uint32_t>(std::max(row_, 0));
            block.Column = static_cast<std::uint16_t>(std::max(column_, 0));
            block.HeaderCell = headerCell_;
        }
        if (takesMarker)
            block.Marker = std::move(marker_), marker_.clear();
    }

    void Rule() {
        Flush(false);
        THtmlBlock rule;
        gap_ = true;
        Finish(rule, false);
        rule.Kind = THtmlBlockKind::bkRule;
        rule.Heading = 0;
        out_.Blocks.push_back(std::move(rule));
        gap_ = true;
    }

    std::int32_t AddLink(std::string_view href) {
        std::string address = ResolveLink(href, base_);
        if (address.empty())
            return -1;
        out_.Links.push_back(std::move(address));
        return static_cast<std::int32_t>(out_.Links.size() - 1);
    }

    bool Push(TOpen open) {
        if (stack_.size() >= kMaxOpen)
            return false;
        const TTag tag = open.Tag;
        if (IsScope(tag)) {
            open.OuterStyle = inheritedStyle_;
            inheritedStyle_ = Style();
            std::copy_n(counts_.begin() + tA, kInlineTags, open.OuterInline.begin());
            std::fill_n(counts_.begin() + tA, kInlineTags, 0);
        }
        ++counts_[tag];
        stack_.push_back(open);
        return true;
    }

    void Pop() {
        const TOpen open = stack_.back();
        stack_.pop_back();
        --counts_[open.Tag];
        switch (open.Tag) {
        case tA:
            link_ = open.Saved;
            break;
        case tUl:
        case tOl:
            list_ = open.Saved;
            break;
        case tHeading:
            heading_ = open.Saved;
            break;
        case tDl:
            dd_ = open.Saved != 0;
            break;
        default:
            break;
        }
        if (IsScope(open.Tag)) {
            std::copy_n(open.OuterInline.begin(), kInlineTags, counts_.begin() + tA);
            inheritedStyle_ = open.OuterStyle;
        }
    }

    // Closes the innermost open element of the tag and all inside it. An
    // inline one is looked for only within the innermost scope; every
    // element is pushed once, so all closing costs no more than the reading.
    void Close(TTag tag) {
        if (counts_[tag] == 0)
            return;
        while (!stack_.empty()) {
            const TTag top = stack_.back().Tag;
            Pop();
            if (top == tag)
                break;
        }
    }

    void StartTag(TTag tag, std::string_view name, const TAttributes& a) {
        switch (tag) {
        case tA: {
            Close(tA);
            TOpen open{tA, link_};
            const std::int32_t link = a.Href.empty() ? -1 : AddLink(a.Href);
            if (Push(open))
                link_ = link;
            break;
        }
        case tB:
        case tI:
        case tU:
        case tCode:
        case tS:
            Push(TOpen{tag});
            break;
        case tUl:
        case tOl: {
            Flush(false);
            if (counts_[tUl] + counts_[tOl] == 0)
                gap_ = true;
            marker_.clear();
            TOpen open{tag, list_};
            open.Ordered = tag == tOl;
            open.Number = tag == tOl ? StartNumber(a.Start) - 1 : 0;
            if (Push(open))
                list_ = static_cast<std::int32_t>(stack_.size() - 1);
            break;
        }
        case tQuote:
            Flush(false);
            gap_ = true;
            Push(TOpen{tQuote});
            break;
        case tPre:
            Flush(false);
            gap_ = true;
            if (Push(TOpen{tPre}))
                skipNewline_ = true;
            break;
        case tDl:
            Flush(false);
            gap_ = true;
            if (Push(TOpen{tDl, dd_ ? 1 : 0}))
                dd_ = false;
            break;
        case tHeading:
            Flush(false);
            gap_ = true;
            if (Push(TOpen{tHeading, heading_}))
                heading_ = name.size() == 2 ? name[1] - '0' : 1;
            break;
        case tTable:
            Flush(false);
            gap_ = true;
            if (counts_[tTable] == 0) {
                ++tables_;
                row_ = column_ = -1;
                headerCell_ = false;
            }
            Push(TOpen{tTable});
            break;
        case tP:
            Flush(false);
            gap_ = true;
            break;
        case tDiv:
            Flush(false);
            break;
        case tBr:
            Flush(true);
            break;
        case tLi:
            Flush(false);
            marker_ = Marker();
            break;
        case tDt:
            Flush(false);
            dd_ = false;
            break;
        case tDd:
            Flush(false);
            dd_ = counts_[tDl] > 0;
            break;
        case tTr:
            Flush(false);
            if (GridInnermost()) {
                ++row_;
                column_ = -1;
            }
            break;
        case tTd:
        case tTh:
            Flush(false);
            if (GridInnermost()) {
                row_ = std::max(row_, 0);
                column_ = std::min(column_ + 1, kHtmlMaxColumns - 1);
                headerCell_ = tag == tTh;
            }
            break;
        case tHr:
            Rule();
            break;
        case tImg:
            Image(a);
            break;
        default:
            break;
        }
    }

    void EndTag(TTag tag) {
        switch (tag) {
        case tA:
        case tB:
        case tI:
        case tU:
        case tCode:
        case tS:
            Close(tag);
            break;
        case tUl:
        case tOl:
            Flush(false);
            Close(tag);
            if (counts_[tUl] + counts_[tOl] == 0)
                gap_ = true;
            break;
        case tQuote:
        case tPre:
        case tHeading:
        case tTable:
        case tDl:
            Flush(false);
            Close(tag);
            gap_ = true;
            break;
        case tP:
            Flush(false);
            gap_ = true;
            break;
        case tDd:
            Flush(false);
            dd_ = false;
            break;
        case tBr:
            // Browsers read "</br>" as "<br>".
            Flush(true);
            break;
        case tDiv:
        case tLi:
        case tDt:
        case tTr:
        case tTd:
        case tTh:
            Flush(false);
            break;
        default:
            break;
        }
    }

    // The only table shown as one is the outermost; the rows and cells of
    // tables inside it are lines of its cell.
    bool GridInnermost() const { return counts_[tTable] == 1; }

    static std::int32_t StartNumber(std::string_view text) {
        std::int32_t value = 0;
        std::size_t i = 0;
        const bool negative = !text.empty() && text[0] == '-';
        if (negative)
            ++i;
        if (i >= text.size() || !IsAsciiDigit(text[i]))
            return 1;
        for (; i < text.size() && IsAsciiDigit(text[i]); ++i)
            value = std::min(value * 10 + (text[i] - '0'), 1000000);
        return negative ? -value : value;
    }

    std::string Marker() {
        if (list_ < 0)
            return "\u2022";
        TOpen& list = stack_[static_cast<std::size_t>(list_)];
        if (list.Ordered)
            return std::to_string(++list.Number) + ".";
        switch (counts_[tUl] + counts_[tOl]) {
        case 1:
            return "\u2022";
        case 2:
            return "\u25E6";
        default:
            return "\u25AA";
        }
    }

    // "[alternative text]", a link to the image (or to where the link
    // around it goes). An image without a text shows as "[image]", unless it
    // is a pixel that counts readers.
    void Image(const TAttributes& a) {
        std::string alt = Collapse(a.Alt);
        if (alt.empty()) {
            const auto tiny = [](std::string_view size) { return !size.empty() && StartNumber(size) <= 1; };
            if (tiny(a.Width) || tiny(a.Height))
                return;
            alt = "image";
        }
        std::int32_t link = link_;
        if (link < 0 && !a.Src.empty())
            link = AddLink(a.Src);
        Put("[" + alt + "]", Style(), link);
    }

    // The markup at html_[i] == '<'; returns where the text goes on.
    std::size_t Markup(std::size_t i) {
        const std::string_view h = html_;
        const std::size_t n = h.size();
        const char next = i + 1 < n ? h[i + 1] : '\0';
        if (IsAsciiLetter(next))
            return Tag(i + 1, false);
        if (next == '/') {
            if (i + 2 < n && IsAsciiLetter(h[i + 2]))
                return Tag(i + 2, true);
            return SkipPast(i + 2, ">");
        }
        if (next == '!') {
            if (h.substr(i, 4) == "<!--") {
                // "<!-->" and "<!--->" are empty comments.
                if (h.substr(i + 4, 1) == ">")
                    return i + 5;
                if (h.substr(i + 4, 2) == "->")
                    return i + 6;
                return SkipPast(i + 4, "-->");
            }
            if (h.substr(i, 9) == "<![CDATA[") {
                const std::size_t end = std::min(h.find("]]>", i + 9), n);
                Text(h.substr(i + 9, end - i - 9));
                return std::min(end + 3, n);
            }
            return SkipPast(i + 2, ">");
        }
        if (next == '?')
            return SkipPast(i + 2, ">");
        PutText("<");
        return i + 1;
    }

    std::size_t SkipPast(std::size_t from, std::string_view end) const {
        const std::size_t at = html_.find(end, std::min(from, html_.size()));
        return at == std::string_view::npos ? html_.size() : at + end.size();
    }

    // A start or end tag whose name begins at html_[i]; returns where the
    // text goes on. A tag cut off by the end of the text is dropped.
    std::size_t Tag(std::size_t i, bool end) {
        const std::string_view h = html_;
        const std::size_t n = h.size();
        const std::size_t nameBegin = i;
        while (i < n && !IsHtmlSpace(h[i]) && h[i] != '/' && h[i] != '>')
            ++i;
        const std::string_view rawName = h.substr(nameBegin, i - nameBegin);
        std::string name;
        if (rawName.size() <= 16) {
            name.resize(rawName.size());
            std::transform(rawName.begin(), rawName.end(), name.begin(), AsciiLower);
        }
        const TTag tag = TagOf(name);
        TAttributes a;
        i = Attributes(i, end ? tUnknown : tag, a);
        if (i > n)
            return n;
        if (end) {
            EndTag(tag);
            return i;
        }
        if (tag == tDrop) {
            // Its contents are raw text up to its end tag; none is shown.
            return a.SelfClosing ? i : RawTextEnd(i, name);
        }
        StartTag(tag, name, a);
        return i;
    }

    // Reads the attributes from html_[i] up to and past the tag's ">";
    // returns past the end of the text (n + 1) when the tag has no end.
    std::size_t Attributes(std::size_t i, TTag tag, TAttributes& a) {
        const std::string_view h = html_;
        const std::size_t n = h.size();
        for (;;) {
            bool slash = false;
            while (i < n && (IsHtmlSpace(h[i]) || h[i] == '/')) {
                slash = h[i] == '/';
                ++i;
            }
            if (i >= n)
                return n + 1;
            if (h[i] == '>') {
                a.SelfClosing = slash;
                return i + 1;
            }
            const std::size_t nameBegin = i++;
            while (i < n && !IsHtmlSpace(h[i]) && h[i] != '/' && h[i] != '>' && h[i] != '=')
                ++i;
            const std::string_view name = h.substr(nameBegin, i - nameBegin);
            std::size_t j = i;
            while (j < n && IsHtmlSpace(h[j]))
                ++j;
            std::string_view value;
            if (j < n && h[j] == '=') {
                ++j;
                while (j < n && IsHtmlSpace(h[j]))
                    ++j;
                if (j < n && (h[j] == '"' || h[j] == '\'')) {
                    const std::size_t close = h.find(h[j], j + 1);
                    if (close == std::string_view::npos)
                        return n + 1;
                    value = h.substr(j + 1, close - j - 1);
                    j = close + 1;
                } else {
                    const std::size_t valueBegin = j;
                    while (j < n && !IsHtmlSpace(h[j]) && h[j] != '>')
                        ++j;
                    value = h.substr(valueBegin, j - valueBegin);
                }
                i = j;
            }
            Keep(tag, name, value, a);
        }
    }

    static void Keep(TTag tag, std::string_view name, std::string_view value, TAttributes& a) {
        std::string* into = nullptr;
        if (tag == tA && EqualsIgnoringCase(name, "href")) {
            into = &a.Href;
        } else if (tag == tImg) {
            if (EqualsIgnoringCase(name, "src"))
                into = &a.Src;
            else if (EqualsIgnoringCase(name, "alt"))
                into = &a.Alt;
            else if (EqualsIgnoringCase(name, "width"))
                into = &a.Width;
            else if (EqualsIgnoringCase(name, "height"))
                into = &a.Height;
        } else if (tag == tOl && EqualsIgnoringCase(name, "start")) {
            into = &a.Start;
        }
        // The first of a name counts, as in browsers.
        if (into && into->empty())
            *into = DecodeAttribute(value);
    }

    // Where the end tag of a raw-text element begins, or the end of the text.
    std::size_t RawTextEnd(std::size_t from, std::string_view name) const {
        const std::string_view h = html_;
        for (std::size_t p = h.find("</", from); p != std::string_view::npos; p = h.find("</", p + 2)) {
            const std::size_t after = p + 2 + name.size();
            if (after <= h.size() && EqualsIgnoringCase(h.substr(p + 2, name.size()), name) &&
                (after == h.size() || IsHtmlSpace(h[after]) || h[after] == '/' || h[after] == '>'))
                return p;
        }
        return h.size();
    }

    std::string_view html_;
    std::string_view base_;
    THtmlText out_;
    THtmlBlock block_;
    std::vector<TOpen> stack_;
    std::array<std::uint32_t, tCount> counts_{};
    std::uint8_t inheritedStyle_ = 0;
    std::int32_t link_ = -1;
    std::int32_t list_ = -1;  // the innermost list's place in stack_
    std::int32_t heading_ = 0;
    bool dd_ = false;
    bool plain_ = false;
    bool pendingSpace_ = false;
    bool skipNewline_ = false;
    bool gap_ = false;
    std::string marker_;
    // The outermost table.
    std::uint32_t tables_ = 0;
    std::int32_t row_ = -1, column_ = -1;
    bool headerCell_ = false;
};

}  // namespace

THtmlText ReadHtmlText(std::string_view html, std::string_view base) {
    return THtmlReader(html, base).Read();
}

std::string HtmlPlainText(const THtmlText& text) {
    std::string out;
    const THtmlBlock* before = nullptr;
    for (const THtmlBlock& block : text.Blocks) {
        if (before) {
            const bool sameRow = block.Table != 0 && before->Table == block.Table &&
                                 before->Row == block.Row && before->Column != block.Column;
            out += sameRow ? "\t" : "\r\n";
        }
        if (!block.Marker.empty()) {
            out.append(2 * static_cast<std::size_t>(std::max(block.Indent - 1, 0)), ' ');
            out.append(block.Marker).append(" ");
        }
        out += block.Text;
        before = &block;
    }
    return out;
}
