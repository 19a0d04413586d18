// pugixml and libxml2, loaded the way their users ordinarily load a file.
#include "Clock.h"
#include "Contenders.h"
#include "PeakMemory.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <pugixml.hpp>

#include <cstring>
#include <memory>
#include <stdexcept>

namespace bench {

namespace {

struct XmlDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

void Check(const pugi::xml_parse_result& result, const char* what) {
    if (!result)
        throw std::runtime_error(std::string(what) + ": " + result.description());
}

XmlDocPtr ReadMemory(const FeedInput& in) {
    XmlDocPtr doc(xmlReadMemory(in.Text.data(), static_cast<int>(in.Text.size()), "feed.xml", nullptr, 0));
    if (!doc)
        throw std::runtime_error("libxml2 xmlReadMemory failed");
    return doc;
}

int CountPugiItems(const pugi::xml_document& doc) {
    int n = 0;
    for ([[maybe_unused]] pugi::xml_node item : doc.child("rss").child("channel").children("item"))
        ++n;
    return n;
}

const xmlNode* ChildElement(const xmlNode* parent, const char* name) {
    for (const xmlNode* n = parent ? parent->children : nullptr; n; n = n->next) {
        if (n->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(n->name), name) == 0)
            return n;
    }
    return nullptr;
}

int CountLibxmlItems(xmlDoc* doc) {
    const xmlNode* channel = ChildElement(xmlDocGetRootElement(doc), "channel");
    int n = 0;
    for (const xmlNode* c = channel ? channel->children : nullptr; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(c->name), "item") == 0)
            ++n;
    }
    return n;
}

// Runs load, then destroys what it made, timing both.
template <typename Load>
Sample TimeLoadAndDestroy(Load load) {
    const auto t0 = Now();
    auto doc = load();
    const auto t1 = Now();
    doc.reset();
    const auto t2 = Now();
    return {Seconds(t0, t1), Seconds(t1, t2)};
}

std::unique_ptr<pugi::xml_document> PugiFromBuffer(const FeedInput& in) {
    auto doc = std::make_unique<pugi::xml_document>();
    Check(doc->load_buffer(in.Text.data(), in.Text.size()), "pugixml load_buffer");
    return doc;
}

std::unique_ptr<pugi::xml_document> PugiFromFile(const std::string& path) {
    auto doc = std::make_unique<pugi::xml_document>();
    Check(doc->load_file(path.c_str()), "pugixml load_file");
    return doc;
}

}  // namespace

std::vector<Contender> PeerContenders() {
    xmlInitParser();
    return {
        {"pugixml load_buffer", "pugixml document destroyed",
         [](const FeedInput& in) { return TimeLoadAndDestroy([&] { return PugiFromBuffer(in); }); },
         [](const FeedInput& in) { return CountPugiItems(*PugiFromBuffer(in)); }},
        {"pugixml load_file", "",
         [](const FeedInput& in) { return TimeLoadAndDestroy([&] { return PugiFromFile(in.Path); }); },
         [](const FeedInput& in) { return CountPugiItems(*PugiFromFile(in.Path)); }},
        {"libxml2 xmlReadMemory", "libxml2 xmlFreeDoc",
         [](const FeedInput& in) { return TimeLoadAndDestroy([&] { return ReadMemory(in); }); },
         [](const FeedInput& in) { return CountLibxmlItems(ReadMemory(in).get()); }},
    };
}

std::vector<PeakLoad> PeerPeakLoads() {
    return {
        {"pugixml-file", "pugixml load_file",
         [](const std::string& path) {
             const long long before = ProcStatusBytes("VmRSS");
             auto doc = PugiFromFile(path);
             return ProcStatusBytes("VmHWM") - before;
         }},
        {"libxml2-file", "libxml2 xmlReadFile",
         [](const std::string& path) {
             xmlInitParser();
             const long long before = ProcStatusBytes("VmRSS");
             XmlDocPtr doc(xmlReadFile(path.c_str(), nullptr, 0));
             if (!doc)
                 throw std::runtime_error("libxml2 xmlReadFile failed");
             return ProcStatusBytes("VmHWM") - before;
         }},
    };
}

}  // namespace bench
