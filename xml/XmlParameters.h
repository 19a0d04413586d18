// The attributes of a tag: TVexXMLParameter (one name and value) and
// TVexXMLParameters, the owning list that every TVexXMLNode carries.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class TVexXMLParameter {
public:
    TVexXMLParameter(std::string name, std::string value) noexcept;
    TVexXMLParameter(const TVexXMLParameter&) = delete;
    TVexXMLParameter& operator=(const TVexXMLParameter&) = delete;

    const std::string& Name() const noexcept { return FName; }
    const std::string& Value() const noexcept { return FValue; }
    void SetValue(std::string value) noexcept { FValue = std::move(value); }

private:
    friend class TVexXMLParameters;

    std::string FName;
    std::string FValue;
    TVexXMLParameter* FNext = nullptr;  // the next attribute of the owning list
};

// Attributes in the order of their creation; no two share a name key.
// Kept as a singly linked list: an empty list costs no allocation, and each
// attribute is exactly one allocation. The search is linear while a tag has
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
    TVexXMLParameter* Items(int i) const;

private:
    struct TIndex;

    TVexXMLParameter* FFirst = nullptr;
    std::unique_ptr<TIndex> FIndex;  // none while the list is short
};
