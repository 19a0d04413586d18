// The reasons that the window and nemara-dump give for a failure, in
// English. The XML library's own messages are Polish and stay so (they are
// its interface); they are turned into English here, in one table.
#pragma once

#include <exception>
#include <string>
#include <string_view>

// "<Subject> is not well-formed XML (line L, column C): <what went wrong>"
// for a syntax message of the XML library, "<Subject> is not well-formed
// XML: ..." for its unpositioned ones, "The XML library failed: ..." for a
// fault of its tree; any other message is returned as it is. subject is
// what was read: "The feed", "The file".
std::string EnglishReason(std::string_view message, std::string_view subject = "The feed");

// The reason of a caught failure: EnglishReason of what an EVexXMLError
// says, any other failure's own message.
std::string ReasonOf(const std::exception& failure, std::string_view subject = "The feed");
