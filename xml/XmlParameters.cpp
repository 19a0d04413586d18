#include "xml/XmlParameters.h"

#include "xml/NameKey.h"
#include "xml/NodeMessages.h"

TVexXMLParameter::TVexXMLParameter(std::string name, std::string value) noexcept
    : FName(std::move(name)), FValue(std::move(value))
{
}

TVexXMLParameters::~TVexXMLParameters()
{
    Clear();
}

TVexXMLParameter* TVexXMLParameters::ParamByName(std::string_view name, bool autoCreate)
{
    TVexXMLParameter** link = &FFirst;
    for (; *link; link = &(*link)->FNext) {
        if (SameNameKey((*link)->FName, name))
            return *link;
    }
    if (!autoCreate)
        return nullptr;
    // The walk ended on the last link, where the new attribute belongs.
    *link = new TVexXMLParameter(std::string(name), std::string());
    return *link;
}

const TVexXMLParameter* TVexXMLParameters::ParamByName(std::string_view name) const noexcept
{
    for (const TVexXMLParameter* p = FFirst; p; p = p->FNext) {
        if (SameNameKey(p->FName, name))
            return p;
    }
    return nullptr;
}

void TVexXMLParameters::Clear() noexcept
{
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

int TVexXMLParameters::Count() const noexcept
{
    int n = 0;
    for (const TVexXMLParameter* p = FFirst; p; p = p->FNext)
        ++n;
    return n;
}

TVexXMLParameter* TVexXMLParameters::Items(int i) const
{
    TVexXMLParameter* p = i >= 0 ? FFirst : nullptr;
    for (; p && i > 0; --i)
        p = p->FNext;
    if (!p)
        throw EVexXMLError(nodemsg::BadIndex);
    return p;
}
