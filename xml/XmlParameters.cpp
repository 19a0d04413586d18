#include "xml/XmlParameters.h"

#include "xml/NameKey.h"
#include "xml/NodeMessages.h"

#include <cstddef>
#include <unordered_map>

namespace {

// Lists up to this long are searched by walking them.
constexpr int LinearSearchLimit = 16;

// FNV-1a over the name key, folded byte by byte as SameNameKey compares.
struct NameKeyHash {
    std::size_t operator()(std::string_view name) const noexcept {
        std::size_t hash = 14695981039346656037ull;
        for (const char c : name)
            hash = (hash ^ FoldNameByte(c)) * 1099511628211ull;
        return hash;
    }
};

struct NameKeyEqual {
    bool operator()(std::string_view a, std::string_view b) const noexcept { return SameNameKey(a, b); }
};

}  // namespace

// The keys view the attributes' own names, which never change or move
// while the attribute lives.
struct TVexXMLParameters::TIndex {
    std::unordered_map<std::string_view, TVexXMLParameter*, NameKeyHash, NameKeyEqual> ByName;
    TVexXMLParameter* Last = nullptr;
};

TVexXMLParameter::TVexXMLParameter(std::string name, std::string value) noexcept
    : FName(std::move(name)), FValue(std::move(value)) {}

TVexXMLParameters::TVexXMLParameters() noexcept = default;

TVexXMLParameters::~TVexXMLParameters() { Clear(); }

TVexXMLParameter* TVexXMLParameters::ParamByName(std::string_view name, bool autoCreate) {
    if (FIndex) {
        const auto found = FIndex->ByName.find(name);
        if (found != FIndex->ByName.end())
            return found->second;
        if (!autoCreate)
            return nullptr;
        auto created = std::make_unique<TVexXMLParameter>(std::string(name), std::string());
        FIndex->ByName.emplace(created->FName, created.get());
        FIndex->Last->FNext = created.get();
        FIndex->Last = created.release();
        return FIndex->Last;
    }
    TVexXMLParameter** link = &FFirst;
    int length = 0;
    for (; *link; link = &(*link)->FNext, ++length) {
        if (SameNameKey((*link)->FName, name))
            return *link;
    }
    if (!autoCreate)
        return nullptr;
    auto created = std::make_unique<TVexXMLParameter>(std::string(name), std::string());
    if (length >= LinearSearchLimit) {
        // Everything that may fail comes before the first change.
        auto index = std::make_unique<TIndex>();
        index->ByName.reserve(static_cast<std::size_t>(length) * 2);
        for (TVexXMLParameter* p = FFirst; p; p = p->FNext)
            index->ByName.emplace(p->FName, p);
        index->ByName.emplace(created->FName, created.get());
        index->Last = created.get();
        FIndex = std::move(index);
    }
    // The walk ended on the last link, where the new attribute belongs.
    *link = created.release();
    return *link;
}

const TVexXMLParameter* TVexXMLParameters::ParamByName(std::string_view name) const noexcept {
    if (FIndex) {
        const auto found = FIndex->ByName.find(name);
        return found != FIndex->ByName.end() ? found->second : nullptr;
    }
    for (const TVexXMLParameter* p = FFirst; p; p = p->FNext) {
        if (SameNameKey(p->FName, name))
            return p;
    }
    return nullptr;
}

void TVexXMLParameters::Clear() noexcept {
    FIndex.reset();
    // Reverse the chain in place, then free from its new head: the last
    // attribute goes first without any extra memory.
    TVexXMLParameter* reversed = nullptr;
    while (FFirst) {
        TVexXMLParameter* next = FFirst->FNext;
        FFirst->FNext = reversed;
        reversed = FFirst;
        FFirst = next;
    }
    while (reversed) {
        TVexXMLParameter* next = reversed->FNext;
        delete reversed;
        reversed = next;
    }
}

int TVexXMLParameters::Count() const noexcept {
    int n = 0;
    for (const TVexXMLParameter* p = FFirst; p; p = p->FNext)
        ++n;
    return n;
}

TVexXMLParameter* TVexXMLParameters::Items(int i) const {
    TVexXMLParameter* p = i >= 0 ? FFirst : nullptr;
    for (; p && i > 0; --i)
        p = p->FNext;
    if (!p)
        throw EVexXMLError(nodemsg::BadIndex);
    return p;
}
