// The attributes of a tag: TVexXMLParameter (one name and value) and
// TVexXMLParameters, the owning list that every TVexXMLNode carries.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TVexXMLParameter {
public:
    // An attribute of its own: one allocation holding its two texts.
    static TVexXMLParameter* Create(std::string name, std::string value);
    TVexXMLParameter(const TVexXMLParameter&) = delete;
    TVexXMLParameter& operator=(const TVexXMLParameter&) = delete;

    // Frees what an attribute owns; a parsed attribute's memory stays with
    // its document.
    struct TDeleter {
        void operator()(TVexXMLParameter* p) const noexcept;
    };

    std::string_view Name() const noexcept { return {FName, FNameSize}; }
    std::string_view Value() const noexcept { return {FValue, FValueSize}; }
    void SetValue(std::string value);

private:
    friend class TVexXMLParameters;
    friend class TVexXMLDocumentBuilder;
    struct TOwned;

    enum TKind : unsigned char {
        pkKept,        // a parsed attribute: both texts kept by the document
        pkKeptOnHeap,  // a parsed attribute given a value of its own, on the heap
        pkOwned,       // a TOwned, allocated alone
    };
    // A name of 16 MiB or more and a value of 4 GiB or more are refused
    // before (std::length_error).
    static constexpr std::uint32_t kMaxNameSize = (1u << 24) - 1;
    TVexXMLParameter(std::string_view name, std::string_view value, TKind kind) noexcept
        : FNameSize(0), FKind(kind) {
        SetName(name);
        SetValueView(value);
    }
    void SetName(std::string_view name) noexcept {
        FName = name.data();
        FNameSize = static_cast<std::uint32_t>(name.size()) & kMaxNameSize;
    }
    void SetValueView(std::string_view value) noexcept {
        FValue = value.data();
        FValueSize = static_cast<std::uint32_t>(value.size());
    }

    // Pointers and sizes rather than views: a parsed document holds many.
    const char* FName = nullptr;
    const char* FValue = nullptr;
    std::uint32_t FValueSize = 0;
    std::uint32_t FNameSize : 24;  // longer names are refused: 32 bytes an attribute
    std::uint32_t FKind : 8;
    TVexXMLParameter* FNext = nullptr;  // the next attribute of the owning list
};

// Attributes in the order of their creation; no two share a name key.
// Kept as a singly linked list: an empty list costs no allocation, and each
// attribute made by a caller is exactly one allocation; a parsed one lives
// in the document's memory and costs none. The search is linear while a tag has
// the few attributes tags usually carry; a list that grows beyond that gets
// a hash index by name key, so that a tag of many thousands of attributes
// still reads in linear time.
class TVexXMLParameters {
public:
    TVexXMLParameters() noexcept;
    ~TVexXMLParameters();
    TVexXMLParameters(const TVexXMLParameters&) = delete;
    TVexXMLParameters& operator=(const TVexXMLParameters&) = delete;

    // The attribute whose name has the key of `name`. When there is none:
    // with autoCreate a new attribute named `name` as passed, with an empty
    // value, appended last; without it nullptr. The result stays valid until
    // the list is cleared or destroyed.
    TVexXMLParameter* ParamByName(std::string_view name, bool autoCreate);
    const TVexXMLParameter* ParamByName(std::string_view name) const noexcept;

    // Destroys every attribute, the last one first.
    void Clear() noexcept;

    // Positional access for tools and tests; linear in the position.
    // Items raises "Nieprawidłowy indeks!" outside 0..Count()-1.
    int Count() const noexcept;
    TVexXMLParameter* Items(int i);
    const TVexXMLParameter* Items(int i) const;

private:
    friend class TVexXMLDocumentBuilder;

    // Appends an attribute placed by the parser, whose name no attribute of
    // the list has. True when the list now has a hash index (it owns memory
    // outside the document then).
    bool AppendKept(TVexXMLParameter* kept);

    struct TIndex;

    TVexXMLParameter* FFirst = nullptr;
    std::unique_ptr<TIndex> FIndex;  // none while the list is short
};
