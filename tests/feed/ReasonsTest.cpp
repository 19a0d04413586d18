// Every message of the XML library reaches the user in English.
#include "feed/Reasons.h"

#include "base/Exceptions.h"
#include "xml/NodeMessages.h"
#include "xml/XmlMessages.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace vexxml;

bool IsAscii(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

TEST(Reasons, EveryMessageOfTheXmlLibraryIsToldInEnglish) {
    const std::string position = std::string(kSyntaxPrefix) + "12" + kSyntaxColumn + "34";
    for (const char* tail :
         {kTailEndOfText, kTailEndInEntity, kTailHexEntityRange, kTailDecEntityRange, kTailUnknownEntity,
          kTailBadTagName, kTailBadCharBetweenTags, kTailEndInTag, kTailExpectedEquals, kTailExpectedQuote,
          kTailBadControlTagEnd, kTailBadElementTagEnd, kTailExpectedTagClose, kTailNoOpeningTag}) {
        SCOPED_TRACE(tail);
        const std::string reason = EnglishReason(position + tail);
        EXPECT_TRUE(reason.starts_with("The feed is not well-formed XML (line 12, column 34): ")) << reason;
        EXPECT_TRUE(IsAscii(reason)) << reason;
    }
    // The tails that name elements keep the names as written.
    EXPECT_EQ(EnglishReason(position + kTailMismatchOpen + "Łódź" + kTailMismatchMiddle + "item" +
                            kTailMismatchEnd),
              "The feed is not well-formed XML (line 12, column 34): the closing tag (Łódź) does not match "
              "the opening tag (item)");
    EXPECT_EQ(EnglishReason(position + kTailUnclosedTags + "channel" + kTailUnclosedTagsEnd, "The file"),
              "The file is not well-formed XML (line 12, column 34): the text ends while elements are still "
              "open, the first of them channel");
    EXPECT_EQ(EnglishReason(kBadHexNumber),
              "The feed is not well-formed XML: a hexadecimal number is not valid");
    for (const char* message :
         {nodemsg::BadIndex, nodemsg::BadDeleteIndex, nodemsg::MixedNames, nodemsg::NotInIndex,
          nodemsg::NoRightSubtree, nodemsg::NoLeftSubtree, nodemsg::AddSelf}) {
        const std::string reason = ReasonOf(EVexXMLError(message));
        EXPECT_TRUE(reason.starts_with("The XML library failed: ")) << reason;
        EXPECT_TRUE(IsAscii(reason)) << reason;
    }
    // Other failures say what they say; the library's own text stays Polish.
    EXPECT_EQ(ReasonOf(Exception("The server answered 404 Not Found")), "The server answered 404 Not Found");
    EXPECT_EQ(EVexXMLError(kBadHexNumber).what(), std::string(kBadHexNumber));
}

}  // namespace
