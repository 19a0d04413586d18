#include "feed/Reasons.h"

#include "base/Exceptions.h"
#include "xml/NodeMessages.h"
#include "xml/XmlMessages.h"

#include <utility>

namespace {

using namespace vexxml;

// Each tail of a syntax message and what it means. The two tails that
// carry element names are read apart, below.
constexpr std::pair<std::string_view, std::string_view> kSyntaxTails[] = {
    {kTailEndOfText, "the text ends while elements are still open"},
    {kTailEndInEntity, "the text ends inside an entity reference"},
    {kTailHexEntityRange, "a hexadecimal character reference names no character"},
    {kTailDecEntityRange, "a decimal character reference names no character"},
    {kTailUnknownEntity, "an unknown entity reference"},
    {kTailBadTagName, "a tag name is not valid"},
    {kTailBadCharBetweenTags, "a character that may not stand between tags"},
    {kTailEndInTag, "the text ends inside a tag"},
    {kTailExpectedEquals, "an equals sign is expected after an attribute name (the name may not be valid)"},
    {kTailExpectedQuote, "an attribute value must begin with ' or \""},
    {kTailBadControlTagEnd, "a processing instruction is not closed by ?>"},
    {kTailBadElementTagEnd, "a tag is not closed by > or />"},
    {kTailExpectedTagClose, "a closing tag is not ended by >"},
    {kTailNoOpeningTag, "a closing tag has no opening tag"},
};

// The library's messages that carry no position.
constexpr std::pair<std::string_view, std::string_view> kPlainMessages[] = {
    {kBadHexNumber, "a hexadecimal number is not valid"},
};
constexpr std::pair<std::string_view, std::string_view> kTreeMessages[] = {
    {nodemsg::BadIndex, "an index is out of range"},
    {nodemsg::BadDeleteIndex, "an index to remove is out of range"},
    {nodemsg::MixedNames, "a branch of the name index holds different names"},
    {nodemsg::NotInIndex, "the element is not in the name index"},
    {nodemsg::NoRightSubtree, "the right subtree is empty"},
    {nodemsg::NoLeftSubtree, "the left subtree is empty"},
    {nodemsg::AddSelf, "a node cannot be added to its own list"},
};

// A decimal number at the start of text, taken off it; false without one.
bool TakeNumber(std::string_view& text, std::string_view& number) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits == 0)
        return false;
    number = text.substr(0, digits);
    text.remove_prefix(digits);
    return true;
}

// The English of a syntax message's tail; "" for a tail the table lacks.
std::string TailInEnglish(std::string_view tail) {
    for (const auto& [polish, english] : kSyntaxTails)
        if (tail == polish)
            return std::string(english);
    // ") : Tag zamykający (B) nie pasuje do taga otwierającego (A) !"
    if (tail.starts_with(kTailMismatchOpen) && tail.ends_with(kTailMismatchEnd)) {
        const std::string_view names = tail.substr(std::string_view(kTailMismatchOpen).size(),
                                                   tail.size() - std::string_view(kTailMismatchOpen).size() -
                                                       std::string_view(kTailMismatchEnd).size());
        const std::size_t middle = names.find(kTailMismatchMiddle);
        if (middle != std::string_view::npos)
            return "the closing tag (" + std::string(names.substr(0, middle)) +
                   ") does not match the opening tag (" +
                   std::string(names.substr(middle + std::string_view(kTailMismatchMiddle).size())) + ")";
    }
    if (tail.starts_with(kTailUnclosedTags) && tail.ends_with(kTailUnclosedTagsEnd)) {
        const std::string_view name = tail.substr(std::string_view(kTailUnclosedTags).size(),
                                                  tail.size() - std::string_view(kTailUnclosedTags).size() -
                                                      std::string_view(kTailUnclosedTagsEnd).size());
        return "the text ends while elements are still open, the first of them " + std::string(name);
    }
    return {};
}

}  // namespace

std::string EnglishReason(std::string_view message, std::string_view subject) {
    const std::string notWellFormed = std::string(subject) + " is not well-formed XML";
    // "Błąd w składni XML (linia L, znak C) : tail"
    if (message.starts_with(kSyntaxPrefix)) {
        std::string_view rest = message.substr(std::string_view(kSyntaxPrefix).size());
        std::string_view line;
        std::string_view column;
        if (TakeNumber(rest, line) && rest.starts_with(kSyntaxColumn)) {
            rest.remove_prefix(std::string_view(kSyntaxColumn).size());
            if (TakeNumber(rest, column)) {
                const std::string what = TailInEnglish(rest);
                if (!what.empty())
                    return notWellFormed + " (line " + std::string(line) + ", column " + std::string(column) +
                           "): " + what;
            }
        }
    }
    for (const auto& [polish, english] : kPlainMessages)
        if (message == polish)
            return notWellFormed + ": " + std::string(english);
    for (const auto& [polish, english] : kTreeMessages)
        if (message == polish)
            return "The XML library failed: " + std::string(english);
    return std::string(message);
}

std::string ReasonOf(const std::exception& failure, std::string_view subject) {
    if (dynamic_cast<const EVexXMLError*>(&failure))
        return EnglishReason(failure.what(), subject);
    return failure.what();
}
