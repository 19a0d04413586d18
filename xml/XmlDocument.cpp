#include "xml/XmlDocument.h"

#include "base/Exceptions.h"
#include "xml/NameKey.h"
#include "xml/HugePages.h"
#include "xml/XmlFileText.h"
#include "xml/XmlLexer.h"
#include "xml/XmlMessages.h"

#include <cassert>
#include <cstdint>
#include <cstring>
#include <limits>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <unordered_map>
#include <vector>

namespace {

using namespace vexxml;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kCDataOpener = "<![CDATA[";

enum TParseState { psBetweenTags, psElementTag, psElementText, psControlTag, psComment, psClosingTag };

// Disposes of an open element that never joined the tree.
struct TArenaNodeDeleter {
    void operator()(TVexXMLNode* node) const noexcept { node->~TVexXMLNode(); }
};
using TOpenNode = std::unique_ptr<TVexXMLNode, TArenaNodeDeleter>;

// An XML declaration that names UTF-8, or no encoding at all.
bool DeclaresUtf8(const TVexXMLNode& declaration) {
    const TVexXMLParameter* encoding = declaration.Attribute("encoding");
    // An empty name declares no encoding.
    return !encoding || encoding->Value().empty() || SameNameKey(encoding->Value(), "utf-8") ||
           SameNameKey(encoding->Value(), "utf8");
}

// Whether what follows an instruction's name up to its "?>" reads as
// attributes ("<?xml-stylesheet href='s.xsl'?>"); an instruction may hold
// any text ("<?pi 0?>"), which is kept as its text instead.
bool HoldsAttributesOnly(const char* p) {
    for (;;) {
        const char* start = p;
        while (HasClass(*p, kClassSpace))
            ++p;
        if (p[0] == '?' && p[1] == '>')
            return true;
        // Each attribute follows whitespace.
        if (p == start || !HasClass(*p, kClassLetter))
            return false;
        while (HasClass(*p, kClassName))
            ++p;
        while (HasClass(*p, kClassSpace))
            ++p;
        if (*p != '=' && *p != ':')
            return false;
        ++p;
        while (HasClass(*p, kClassSpace))
            ++p;
        const char quote = *p;
        if (quote != '\'' && quote != '"')
            return false;
        ++p;
        while (*p && *p != quote)
            ++p;
        if (!*p)
            return false;
        ++p;
    }
}

}  // namespace

// The parser's access to the document's arena and to what a node keeps there.
class TVexXMLDocumentBuilder {
public:
    explicit TVexXMLDocumentBuilder(TVexXMLParser& document) : FDocument(document), FArena(document.FArena) {}

    // A name that fits in the node stays there; a longer one is kept in
    // the arena, so that a parsed node owns nothing outside it.
    TOpenNode NewNode(std::string_view name, TVexXMLNodeKind kind) {
        void* memory = FArena.Allocate(sizeof(TVexXMLNode));
        const bool fits = name.size() < sizeof(std::string) / 2;
        TOpenNode node(new (memory) TVexXMLNode(fits ? std::string(name) : std::string(), kind));
        if (!fits)
            node->SetKeptName(FArena.Keep(name));
        node->FInArena = true;
        return node;
    }

    // An attribute of a parsed tag, kept in the arena; a second one of the
    // same name replaces the first one's value.
    void SetAttribute(TVexXMLNode& node, std::string_view name, std::string_view value) {
        TVexXMLParameters& list = node.FParameters;
        if (value.size() > std::numeric_limits<std::uint32_t>::max())
            throw std::length_error("XML attribute too long");
        if (const TVexXMLParameter* same = std::as_const(list).ParamByName(name)) {
            const_cast<TVexXMLParameter*>(same)->SetValueView(FArena.Keep(value));
            return;
        }
        void* memory = FArena.Allocate(sizeof(TVexXMLParameter));
        auto* kept =
            new (memory) TVexXMLParameter(KeptName(name), FArena.Keep(value), TVexXMLParameter::pkKept);
        if (list.AppendKept(kept))
            FDocument.FMustVisit = true;  // its hash index lives on the heap
    }

    // Attribute names repeat from tag to tag: a name kept lately is shared.
    std::string_view KeptName(std::string_view name) {
        for (const std::string_view kept : FRecentNames)
            if (kept == name)
                return kept;
        if (name.size() > TVexXMLParameter::kMaxNameSize)
            throw std::length_error("XML attribute too long");
        const std::string_view kept = FArena.Keep(name);
        FRecentNames[FNextRecent++ % std::size(FRecentNames)] = kept;
        return kept;
    }

    // A completed top-level node joins the document.
    void AddTop(TVexXMLNode* node) {
        FDocument.FChildren.ReserveOne();
        FDocument.FChildren.PushBack(node);
        node->FParent = &FDocument;
    }

    void SetText(TVexXMLNode& node, std::string_view text) { node.SetKeptText(FArena.Keep(text)); }

    // Element text: decoded straight into the arena's free room when it
    // fits there, else copied in as any other text.
    void ReadElementText(TVexXMLLexer& lexer, TVexXMLNode& node) { node.SetKeptText(ReadKeptText(lexer)); }

    // The text after a child, read as element text.
    void ReadTail(TVexXMLLexer& lexer, TVexXMLNode& node) { node.SetKeptTail(ReadKeptText(lexer)); }

    // A new text or tail for the node.
    void SetKept(TVexXMLNode& node, std::string_view text, bool tail) {
        const std::string_view kept = FArena.Keep(text);
        if (tail)
            node.SetKeptTail(kept);
        else
            node.SetKeptText(kept);
    }

    std::vector<const TVexXMLNode*>& CutShort() noexcept { return FDocument.FCutShort; }
    TVexXMLParseMode Mode() const noexcept { return FDocument.FMode; }

    // A completed node that will be a child of the open `element`: its
    // parent is set now, while the node is at hand, not when the element
    // closes.
    static void SetParent(TVexXMLNode& node, TVexXMLNode& element) noexcept { node.FParent = &element; }

    TVexXMLArena::TMark Mark() const noexcept { return FArena.Mark(); }
    // Gives back what was carved since the mark; the recent names may lie
    // there, so they are forgotten.
    void Rewind(const TVexXMLArena::TMark& mark) noexcept {
        FArena.Rewind(mark);
        for (std::string_view& name : FRecentNames)
            name = {};
    }

    // Makes the `count` nodes at `children`, whose parent is set already,
    // the children of `element`, which has none, in an array of their exact
    // size.
    void SetChildren(TVexXMLNode& element, TVexXMLNode* const* children, std::size_t count) {
        if (count == 0)
            return;
        auto** items = static_cast<TVexXMLNode**>(FArena.Allocate(sizeof(TVexXMLNode*) * count));
        std::memcpy(items, children, sizeof(TVexXMLNode*) * count);
        element.FChildren.Borrow(items, static_cast<int>(count));
    }

private:
    std::string_view ReadKeptText(TVexXMLLexer& lexer) {
        TVexXMLLexer::TTextWindow window{FArena.FreeBegin(), FArena.FreeEnd()};
        const std::string_view text = lexer.ReadText('<', true, &window);
        return window.InWindow ? FArena.KeepWritten(text.size()) : FArena.Keep(text);
    }

    TVexXMLParser& FDocument;
    TVexXMLArena& FArena;
    std::string_view FRecentNames[16];
    unsigned FNextRecent = 0;
};

namespace {

// One run of Parse: the cursor, the state and the open elements. The open
// elements belong to the reader until they are complete; whatever is still
// open when the reader dies, on success or failure, dies with it.
class TDocumentReader {
public:
    // With `file`, the memory of the text behind the cursor goes back as
    // the reading goes on.
    TDocumentReader(TVexXMLParser& document, const char* text, TFileText* file, TVexXMLNodeSink* sink)
        : FBuilder(document), FLexer(text), FText(text), FFile(file), FSink(sink) {
        // A UTF-8 byte order mark says nothing that the declaration does not.
        if (FLexer.At(kByteOrderMark))
            FLexer.Advance(static_cast<int>(kByteOrderMark.size()));
        // Without a declaration, or until it says otherwise, the text is UTF-8.
        FLexer.SetUtf8References(true);
        FLexer.SetRecovering(FRecovering);
    }

    ~TDocumentReader() {
        // Completed elements whose parent is still open, after a failure.
        for (auto it = FChildren.rbegin(); it != FChildren.rend(); ++it)
            (*it)->~TVexXMLNode();
        // Then the open elements, which have no children yet.
        for (auto it = FOpen.rbegin(); it != FOpen.rend(); ++it)
            (*it)->~TVexXMLNode();
    }
    TDocumentReader(const TDocumentReader&) = delete;
    TDocumentReader& operator=(const TDocumentReader&) = delete;

    void Run() {
        if (FRecovering) {
            RunRecovering();
            return;
        }
        TParseState state = psBetweenTags;
        while (!FLexer.AtEnd()) {
            if (reinterpret_cast<std::uintptr_t>(FLexer.Cursor()) >= FDiscardAt)
                DiscardRead();
            switch (state) {
            case psBetweenTags:
                state = BetweenTags();
                break;
            case psElementTag:
            case psControlTag:
                state = Tag(state == psControlTag);
                break;
            case psElementText:
                state = ElementText();
                break;
            case psComment:
                state = Comment();
                break;
            case psClosingTag:
                state = ClosingTag();
                break;
            }
        }
        if (!FOpen.empty())
            throw EVexXMLError(FLexer.SyntaxMessage(
                std::string(kTailUnclosedTags).append(FOpen.back()->Name()).append(kTailUnclosedTagsEnd)));
    }

private:
    // The recovering mode's work below stays out of the strict parse's way:
    // out of line, and marked as seldom run.
    [[gnu::cold, gnu::noinline]] TParseState Step(TParseState state) {
        switch (state) {
        case psBetweenTags:
            return BetweenTags();
        case psElementTag:
        case psControlTag:
            return Tag(state == psControlTag);
        case psElementText:
            return ElementText();
        case psComment:
            return Comment();
        case psClosingTag:
            return ClosingTag();
        }
        return psBetweenTags;
    }

    // The recovering mode's loop. Most faults are met where they stand (see
    // their steps); what is left raises, and is dropped: the node under
    // construction dies with the step, and the reading goes on after the
    // character where the step began. The end of the text closes every
    // open element.
    [[gnu::cold, gnu::noinline]] void RunRecovering() {
        TParseState state = psBetweenTags;
        while (!FLexer.AtEnd() && !FRootDone) {
            if (reinterpret_cast<std::uintptr_t>(FLexer.Cursor()) >= FDiscardAt)
                DiscardRead();
            const char* before = FLexer.Cursor();
            try {
                state = Step(state);
            } catch (const EVexXMLError&) {
                if (FLexer.AtEnd())
                    break;
                if (FLexer.Cursor() == before)
                    FLexer.Advance(1);
                state = psBetweenTags;
            }
        }
        if (FOpen.empty())
            return;
        FBuilder.CutShort().assign(FOpen.rbegin(), FOpen.rend());
        while (!FOpen.empty())
            CloseInnermost();
    }

    // Recovering: whether the "<" at p begins markup, not text ("a < b").
    static bool OpensMarkup(const char* p) {
        const char next = p[1];
        if (HasClass(next, kClassLetter))
            return true;
        if (next == '/' || next == '?')
            return HasClass(p[2], kClassLetter);
        return next == '!' && p[2] == '-' && p[3] == '-';
    }

    // Recovering: text where none may stand (after a child's tail, a stray
    // "<", outside every element). Inside an element it joins the tail of
    // its last child, or its own text; outside it is dropped.
    [[gnu::cold, gnu::noinline]] TParseState StrayText() {
        std::string text;
        while (!FLexer.AtEnd()) {
            if (FLexer.Current() == '<' && !FLexer.At(kCDataOpener)) {
                if (OpensMarkup(FLexer.Cursor()))
                    break;
                if (!text.empty() && HasClass(FLexer.Cursor()[-1], kClassSpace))
                    text += ' ';
                text += '<';
                FLexer.Advance(1);
                if (HasClass(FLexer.Current(), kClassSpace))
                    text += ' ';
            }
            text += FLexer.ReadText('<', true);
        }
        if (FOpen.empty() || FTakenLast || text.empty())
            return psBetweenTags;
        if (FChildren.size() > FOpenState.back().ChildrenStart)
            Gather(*FChildren.back(), true, text);
        else
            Gather(*FOpen.back(), false, text);
        return psBetweenTags;
    }

    // Recovering: stray text joins a node's text or tail after a space. It
    // gathers here while it goes to the same node, which takes it when
    // anything else happens to it (FlushGathered), so that many pieces cost
    // no copy each.
    [[gnu::cold, gnu::noinline]] void Gather(TVexXMLNode& node, bool tail, std::string_view text) {
        if (&node != FGatherNode || tail != FGatherTail) {
            FlushGathered();
            FGatherNode = &node;
            FGatherTail = tail;
            FGathered = tail ? node.Tail() : node.Text();
        }
        if (!FGathered.empty())
            FGathered += ' ';
        FGathered += text;
    }

    [[gnu::cold, gnu::noinline]] void FlushGathered() {
        if (!FGatherNode)
            return;
        FBuilder.SetKept(*FGatherNode, FGathered, FGatherTail);
        FGatherNode = nullptr;
    }

    // Recovering: the open elements' names, folded, with how many of each
    // are open, so that a closing tag that names none is told at once.
    [[gnu::cold, gnu::noinline]] void CountOpen(std::string_view name, int change) {
        FOpenNames[Folded(name)] += change;
    }

    [[gnu::cold, gnu::noinline]] std::string& Folded(std::string_view name) {
        FFolded.assign(name);
        for (char& c : FFolded)
            c = static_cast<char>(FoldNameByte(c));
        return FFolded;
    }

    // Recovering: the cursor goes past the next ">"; true when it closed
    // an empty-element tag ("/>").
    [[gnu::cold, gnu::noinline]] bool SkipToTagEnd() {
        const char* end = std::strchr(FLexer.Cursor(), '>');
        if (!end) {
            FLexer.Advance(static_cast<int>(std::strlen(FLexer.Cursor())));
            FLexer.SyntaxError(kTailEndInTag);
        }
        const bool empty = end != FLexer.Cursor() && end[-1] == '/';
        FLexer.Advance(static_cast<int>(end + 1 - FLexer.Cursor()));
        return empty;
    }

    void DiscardRead() {
        // Nothing before the cursor is read again but to count lines.
        const char* pageStart = FFile->PageStart(FLexer.Cursor());
        FLexer.Forget(pageStart);
        FFile->DiscardBefore(pageStart);
        FDiscardAt = reinterpret_cast<std::uintptr_t>(FLexer.Cursor()) + kHugePage;
    }

    // A completed node joins the document, or waits among FChildren until
    // its parent is complete and takes all its children at once.
    void AddToCurrentParent(TOpenNode node) {
        if (FOpen.empty()) {
            FRootSeen = FRootSeen || node->Kind() == nkElement;
            FRootDone = FRecovering && FRootSeen;
            FBuilder.AddTop(node.get());
        } else {
            FChildren.push_back(node.get());
            TVexXMLDocumentBuilder::SetParent(*node, *FOpen.back());
        }
        node.release();  // the parent or the reader owns it now
        FTakenLast = false;
    }

    // A completed node: the sink's to take, else its parent's. `mark` is the
    // arena before the node.
    void Complete(TOpenNode node, const TVexXMLArena::TMark& mark) {
        if (FSink && !FOpen.empty() && FSink->NodeCompleted(*node, FOpen)) {
            node.reset();
            FBuilder.Rewind(mark);
            FTakenLast = true;
            return;
        }
        AddToCurrentParent(std::move(node));
    }

    void Open(TOpenNode node, const TVexXMLArena::TMark& mark) {
        if (FRecovering)
            CountOpen(node->Name(), 1);
        FRootSeen = true;
        FOpenState.push_back({FChildren.size(), mark});
        FOpen.push_back(node.get());
        node.release();  // the reader owns it until it is complete
        FTakenLast = false;
    }

    void EndInTagUnlessMore() {
        if (FLexer.AtEnd())
            FLexer.SyntaxError(kTailEndInTag);
    }

    TParseState BetweenTags() {
        FLexer.SkipWhitespace();
        if (FLexer.AtEnd()) {
            if (!FOpen.empty() && !FRecovering)
                FLexer.SyntaxError(kTailEndOfText);
            return psBetweenTags;
        }
        const char next = FLexer.Cursor()[1];
        const bool text = FLexer.Current() != '<' || (next == '!' && FLexer.At(kCDataOpener));
        // Text after a child element, comment or instruction is that child's
        // tail; outside every element it is an error (a CDATA section there
        // fails as a tag name).
        if (text && !FOpen.empty() && FTakenLast) {
            FLexer.ReadText('<', true);
            return psBetweenTags;
        }
        if (text && !FOpen.empty() && FChildren.size() > FOpenState.back().ChildrenStart) {
            // Recovering, a tail may have begun before a dropped closing tag.
            if (FRecovering && (!FChildren.back()->Tail().empty() || FGatherNode == FChildren.back()))
                return StrayText();
            FBuilder.ReadTail(FLexer, *FChildren.back());
            return psBetweenTags;
        }
        if (FRecovering && (FLexer.Current() != '<' || !OpensMarkup(FLexer.Cursor())))
            return StrayText();
        if (FLexer.Current() != '<')
            FLexer.SyntaxError(kTailBadCharBetweenTags);
        if (next == '?')
            return psControlTag;
        if (next == '!' && FLexer.At("<!--"))
            return psComment;
        if (next == '!' && !FRootSeen && FLexer.AtDocumentType()) {
            // Its entities are not read: a reference to one stays unknown.
            FLexer.SkipDocumentType();
            return psBetweenTags;
        }
        if (next == '/')
            return psClosingTag;
        return psElementTag;
    }

    TParseState Tag(bool control) {
        FLexer.Advance(control ? 2 : 1);
        EndInTagUnlessMore();
        const TVexXMLArena::TMark mark = FBuilder.Mark();
        TOpenNode node = FBuilder.NewNode(FLexer.ReadTagName(), control ? nkControlTag : nkElement);
        EndInTagUnlessMore();
        // The XML declaration needs its attributes; another instruction may
        // hold free text.
        if (control && !SameNameKey(node->Name(), "xml") && !HoldsAttributesOnly(FLexer.Cursor()))
            return InstructionText(std::move(node), mark);

        // Recovering, an attribute without a value may stand right before the next.
        bool valueless = false;
        while (HasClass(FLexer.Current(), kClassSpace) ||
               (valueless && HasClass(FLexer.Current(), kClassLetter))) {
            valueless = false;
            FLexer.SkipWhitespace();
            EndInTagUnlessMore();
            if (!HasClass(FLexer.Current(), kClassLetter))
                break;
            const std::string_view name = FLexer.ReadAttributeName();
            FLexer.SkipWhitespace();
            EndInTagUnlessMore();
            if (FLexer.Current() != '=' && FLexer.Current() != ':') {
                if (!FRecovering)
                    FLexer.SyntaxError(kTailExpectedEquals);
                BareAttribute(*node, name, true);  // HTML's <option selected>
                valueless = true;
                continue;
            }
            FLexer.Advance(1);
            FLexer.SkipWhitespace();
            EndInTagUnlessMore();
            const char quote = FLexer.Current();
            if (quote != '\'' && quote != '"') {
                if (!FRecovering)
                    FLexer.SyntaxError(kTailExpectedQuote);
                BareAttribute(*node, name, false);
                continue;
            }
            FLexer.Advance(1);
            const std::string_view value = FLexer.ReadText(quote, false);
            FLexer.Advance(1);
            FBuilder.SetAttribute(*node, name, value);
        }
        EndInTagUnlessMore();

        if (control) {
            if (FLexer.At("?>"))
                FLexer.Advance(2);
            else if (FRecovering)
                SkipToTagEnd();
            else
                FLexer.SyntaxError(kTailBadControlTagEnd);
            if (!FRootSeen && SameNameKey(node->Name(), "xml"))
                FLexer.SetUtf8References(DeclaresUtf8(*node));
            Complete(std::move(node), mark);
            return psBetweenTags;
        }
        if (FLexer.At("/>")) {
            FLexer.Advance(2);
            Complete(std::move(node), mark);
            return psBetweenTags;
        }
        if (FLexer.Current() == '>') {
            FLexer.Advance(1);
            Open(std::move(node), mark);
            return psElementText;
        }
        if (!FRecovering)
            FLexer.SyntaxError(kTailBadElementTagEnd);
        return EndTagAnyway(std::move(node), mark);
    }

    // The rest of an instruction up to its "?>" as its text, trimmed.
    TParseState InstructionText(TOpenNode node, const TVexXMLArena::TMark& mark) {
        const char* body = FLexer.Cursor();
        const char* close = std::strstr(body, "?>");
        if (!close) {
            FLexer.Advance(static_cast<int>(std::strlen(body)));
            FLexer.SyntaxError(kTailEndInTag);
        }
        std::string_view text(body, static_cast<std::size_t>(close - body));
        while (!text.empty() && HasClass(text.front(), kClassSpace))
            text.remove_prefix(1);
        while (!text.empty() && HasClass(text.back(), kClassSpace))
            text.remove_suffix(1);
        FBuilder.SetText(*node, text);
        FLexer.Advance(static_cast<int>(close + 2 - body));
        Complete(std::move(node), mark);
        return psBetweenTags;
    }

    TParseState ElementText() {
        // Entered only right after an element opened.
        assert(!FOpen.empty());
        FBuilder.ReadElementText(FLexer, *FOpen.back());
        return psBetweenTags;
    }

    TParseState Comment() {
        const std::string_view text = FLexer.ReadComment();
        const TVexXMLArena::TMark mark = FBuilder.Mark();
        TOpenNode node = FBuilder.NewNode({}, nkComment);
        FBuilder.SetText(*node, text);
        Complete(std::move(node), mark);
        return psBetweenTags;
    }

    TParseState ClosingTag() {
        FLexer.Advance(2);
        EndInTagUnlessMore();
        const std::string_view name = FLexer.ReadTagName();
        FLexer.SkipWhitespace();
        EndInTagUnlessMore();
        if (FLexer.Current() == '>')
            FLexer.Advance(1);
        else if (FRecovering)
            SkipToTagEnd();
        else
            FLexer.SyntaxError(kTailExpectedTagClose);
        if (FOpen.empty()) {
            if (FRecovering)
                return psBetweenTags;
            FLexer.SyntaxError(kTailNoOpeningTag);
        }
        const std::string_view openName = FOpen.back()->Name();
        if (!SameNameKey(name, openName)) {
            if (FRecovering)
                return CloseUpTo(name);
            std::string tail(kTailMismatchOpen);
            tail += name;
            tail += kTailMismatchMiddle;
            tail += openName;
            tail += kTailMismatchEnd;
            FLexer.SyntaxError(tail);
        }
        CloseInnermost();
        return psBetweenTags;
    }

    // Recovering: a closing tag closes the elements inside the one it
    // names; names none, and it is dropped.
    [[gnu::cold, gnu::noinline]] TParseState CloseUpTo(std::string_view name) {
        if (FOpenNames[Folded(name)] == 0)
            return psBetweenTags;
        for (std::size_t i = FOpen.size(); i-- > 0;)
            if (SameNameKey(name, FOpen[i]->Name())) {
                while (FOpen.size() > i)
                    CloseInnermost();
                break;
            }
        return psBetweenTags;
    }

    // Recovering: an attribute without a value, or with one unquoted.
    [[gnu::cold, gnu::noinline]] void BareAttribute(TVexXMLNode& node, std::string_view name,
                                                    bool valueless) {
        FBuilder.SetAttribute(node, name, valueless ? std::string_view() : FLexer.ReadBareValue());
    }

    // Recovering: a tag that does not end as it should ends at its ">".
    [[gnu::cold, gnu::noinline]] TParseState EndTagAnyway(TOpenNode node, const TVexXMLArena::TMark& mark) {
        if (SkipToTagEnd()) {
            Complete(std::move(node), mark);
            return psBetweenTags;
        }
        Open(std::move(node), mark);
        return psElementText;
    }

    // The innermost open element is complete.
    [[gnu::always_inline]] void CloseInnermost() {
        if (FRecovering) {
            FlushGathered();
            CountOpen(FOpen.back()->Name(), -1);
        }
        TOpenNode element(FOpen.back());
        FOpen.pop_back();
        const TOpenState state = FOpenState.back();
        FOpenState.pop_back();
        const std::size_t first = state.ChildrenStart;
        FBuilder.SetChildren(*element, FChildren.data() + first, FChildren.size() - first);
        FChildren.resize(first);
        Complete(std::move(element), state.Mark);
    }

    TVexXMLDocumentBuilder FBuilder;
    TVexXMLLexer FLexer;
    const char* FText;
    TFileText* FFile;
    TVexXMLNodeSink* FSink;
    // The cursor's address that discards next; never reached without a file.
    std::uintptr_t FDiscardAt = FFile ? reinterpret_cast<std::uintptr_t>(FText) + kHugePage
                                      : std::numeric_limits<std::uintptr_t>::max();
    const bool FRecovering = FBuilder.Mode() == TVexXMLParseMode::pmRecovering;
    bool FRootSeen = false;   // an element has begun at the top level
    bool FRootDone = false;   // recovering: a top-level element is complete
    bool FTakenLast = false;  // the sink took the last node completed
    // The open elements, the outermost first; the reader owns them.
    std::vector<TVexXMLNode*> FOpen;
    struct TOpenState {
        std::size_t ChildrenStart;  // where its completed children begin in FChildren
        TVexXMLArena::TMark Mark;   // the arena before the element's node
    };
    std::vector<TOpenState> FOpenState;
    // The completed children of the open elements, the outermost first.
    std::vector<TVexXMLNode*> FChildren;
    // Recovering only.
    TVexXMLNode* FGatherNode = nullptr;
    bool FGatherTail = false;
    std::string FGathered;
    std::unordered_map<std::string, int> FOpenNames;
    std::string FFolded;
};

}  // namespace

TVexXMLParser::~TVexXMLParser() {
    // The nodes first: they live in the arena.
    ReleaseNodes();
}

void TVexXMLParser::ReleaseNodes() noexcept {
    if (FMustVisit) {
        TVexBaseXmlNode::Clear();
    } else {
        for (TVexBaseXmlNode* node : FIndexed)
            DestroyIndexOf(*node);
        ForgetChildren();
    }
    FIndexed.clear();
    FMustVisit = false;
    FCutShort.clear();
}

void TVexXMLParser::Clear() {
    ReleaseNodes();
    FArena.Release();
}

void TVexXMLParser::Parse(const char* text, TVexXMLNodeSink* sink) {
    Clear();
    if (text == nullptr || *text == '\0')
        return;
    TDocumentReader(*this, text, nullptr, sink).Run();
}

void TVexXMLParser::LoadFromFile(const std::string& fileName, TVexXMLNodeSink* sink) {
    TFileText text = ReadFileText(fileName);
    if (text.Empty())
        return;
    Parse(text, sink);
}

void TVexXMLParser::Parse(TFileText& text, TVexXMLNodeSink* sink) {
    Clear();
    if (text.Empty())
        return;
    TDocumentReader(*this, text.Data(), &text, sink).Run();
}
