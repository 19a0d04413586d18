#include "xml/XmlParameters.h"

#include "xml/NameKey.h"
#include "xml/NodeMessages.h"

#include <cstddef>
#include <limits>
#include <stdexcept>
#include <unordered_map>
#include <utility>

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

// An attribute made by a caller keeps its texts in strings of its own.
struct TVexXMLParameter::TOwned : TVexXMLParameter {
    TOwned(std::string name, std::string value) noexcept
        : TVexXMLParameter({}, {}, pkOwned), OwnName(std::move(name)), OwnValue(std::move(value)) {
        SetName(OwnName);
        SetValueView(OwnValue);
    }
    std::string OwnName;
    std::string OwnValue;
};

TVexXMLParameter* TVexXMLParameter::Create(std::string name, std::string value) {
    if (name.size() > kMaxNameSize || value.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("XML attribute too long");
    return new TOwned(std::move(name), std::move(value));
}

void TVexXMLParameter::SetValue(std::string value) {
    if (value.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("XML attribute too long");
    if (FKind == pkOwned) {
        auto* owned = static_cast<TOwned*>(this);
        owned->OwnValue = std::move(value);
        SetValueView(owned->OwnValue);
        return;
    }
    // A parsed attribute: its document keeps the old text, the new one is its own.
    char* text = new char[value.size()];
    value.copy(text, value.size());
    if (FKind == pkKeptOnHeap)
        delete[] FValue;
    SetValueView({text, value.size()});
    FKind = pkKeptOnHeap;
}

void TVexXMLParameter::TDeleter::operator()(TVexXMLParameter* p) const noexcept {
    if (p->FKind == pkOwned)
        delete static_cast<TOwned*>(p);
    else if (p->FKind == pkKeptOnHeap)
        delete[] p->FValue;
}

TVexXMLParameters::TVexXMLParameters() noexcept = default;

TVexXMLParameters::~TVexXMLParameters() { Clear(); }

TVexXMLParameter* TVexXMLParameters::ParamByName(std::string_view name, bool autoCreate) {
    if (FIndex) {
        const auto found = FIndex->ByName.find(name);
        if (found != FIndex->ByName.end())
            return found->second;
        if (!autoCreate)
            return nullptr;
        std::unique_ptr<TVexXMLParameter, TVexXMLParameter::TDeleter> created(
            TVexXMLParameter::Create(std::string(name), {}));
        FIndex->ByName.emplace(created->Name(), created.get());
        FIndex->Last->FNext = created.get();
        FIndex->Last = created.release();
        return FIndex->Last;
    }
    TVexXMLParameter** link = &FFirst;
    int length = 0;
    for (; *link; link = &(*link)->FNext, ++length) {
        if (SameNameKey((*link)->Name(), name))
            return *link;
    }
    if (!autoCreate)
        return nullptr;
    std::unique_ptr<TVexXMLParameter, TVexXMLParameter::TDeleter> created(
        TVexXMLParameter::Create(std::string(name), {}));
    if (length >= LinearSearchLimit) {
        // Everything that may fail comes before the first change.
        auto index = std::make_unique<TIndex>();
        index->ByName.reserve(static_cast<std::size_t>(length) * 2);
        for (TVexXMLParameter* p = FFirst; p; p = p->FNext)
            index->ByName.emplace(p->Name(), p);
        index->ByName.emplace(created->Name(), created.get());
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
        if (SameNameKey(p->Name(), name))
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
        TVexXMLParameter::TDeleter()(reversed);
        reversed = next;
    }
}

int TVexXMLParameters::Count() const noexcept {
    int n = 0;
    for (const TVexXMLParameter* p = FFirst; p; p = p->FNext)
        ++n;
    return n;
}

TVexXMLParameter* TVexXMLParameters::Items(int i) {
    return const_cast<TVexXMLParameter*>(std::as_const(*this).Items(i));
}

const TVexXMLParameter* TVexXMLParameters::Items(int i) const {
    const TVexXMLParameter* p = i >= 0 ? FFirst : nullptr;
    for (; p && i > 0; --i)
        p = p->FNext;
    if (!p)
        throw EVexXMLError(nodemsg::BadIndex);
    return p;
}

bool TVexXMLParameters::AppendKept(TVexXMLParameter* kept) {
    if (FIndex) {
        FIndex->ByName.emplace(kept->Name(), kept);
        FIndex->Last->FNext = kept;
        FIndex->Last = kept;
        return true;
    }
    TVexXMLParameter** link = &FFirst;
    int length = 0;
    for (; *link; link = &(*link)->FNext)
        ++length;
    if (length >= LinearSearchLimit) {
        auto index = std::make_unique<TIndex>();
        index->ByName.reserve(static_cast<std::size_t>(length) * 2);
        for (TVexXMLParameter* p = FFirst; p; p = p->FNext)
            index->ByName.emplace(p->Name(), p);
        index->ByName.emplace(kept->Name(), kept);
        index->Last = kept;
        FIndex = std::move(index);
    }
    *link = kept;
    return FIndex != nullptr;
}
