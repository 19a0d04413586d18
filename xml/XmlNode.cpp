#include "xml/XmlNode.h"

#include "xml/NameKey.h"
#include "xml/NodeMessages.h"

#include <cassert>
#include <limits>
#include <stdexcept>

TVexBaseXmlNode::~TVexBaseXmlNode() {
    DestroyIndex();
    DestroyChildren();
}

void TVexBaseXmlNode::ThrowBadIndex() { throw EVexXMLError(nodemsg::BadIndex); }

TVexXMLNode* TVexBaseXmlNode::NodeByName(std::string_view name, bool autoCreate) {
    // A node with few children that was never indexed is searched in child
    // order, the order its index would have: the index would cost an
    // allocation per distinct name (an item of a feed: six) to save little.
    if (FIndexed == 0 && FChildren.Size() <= kScanLimit) {
        for (int i = 0; i < FChildren.Size(); ++i) {
            TVexXMLNode* child = FChildren[i];
            if (child->Kind() == nkElement && SameNameKey(child->Name(), name))
                return child;
        }
    } else if (TBinaryTreeNode* found = IndexLookup(name)) {
        return found->FItems[0];
    }
    if (!autoCreate)
        return nullptr;
    auto node = std::make_unique<TVexXMLNode>(std::string(name), nkElement);
    Add(node.get());
    return node.release();
}

void TVexBaseXmlNode::Add(TVexXMLNode* node) {
    if (node == this)
        throw EVexXMLError(nodemsg::AddSelf);
    assert(node->FParent == nullptr && "a node belongs to one parent only");
    FChildren.ReserveOne();  // the only step that may fail
    FChildren.PushBack(node);
    node->FParent = this;
    if (!node->FInArena)
        NoteOwnership();
}

void TVexBaseXmlNode::Clear() {
    DestroyIndex();
    DestroyChildren();
}

void TVexBaseXmlNode::ForgetChildren() noexcept {
    DestroyIndex();
    FChildren.Release();
    FReported = false;
}

void TVexBaseXmlNode::DestroyIndex() noexcept {
    delete FNameIndex;
    FNameIndex = nullptr;
    FIndexed = 0;
}

void TVexBaseXmlNode::DestroyChildren() noexcept {
    // Depth-first along the parent links instead of recursion, so the depth
    // of the tree costs no stack: go down through the last child until a
    // node without children, free it, and go back up to its parent, whose
    // last child is now the previous sibling. Each node is freed once its
    // children are gone, so its destructor has only its own data to free.
    TVexBaseXmlNode* n = this;
    for (;;) {
        if (n->FChildren.Size() > 0) {
            TVexBaseXmlNode* child = n->FChildren.Back();
            child->FParent = n;  // the way back up
            n = child;
        } else if (n == this) {
            break;
        } else {
            TVexBaseXmlNode* parent = n->FParent;
            parent->FChildren.PopBack();
            auto* node = static_cast<TVexXMLNode*>(n);
            if (node->FInArena)
                node->~TVexXMLNode();  // its memory goes with the document's arena
            else
                delete node;
            n = parent;
        }
    }
    FChildren.Release();
}

TVexXMLNode::~TVexXMLNode() {
    // The attributes go first, then the base destructor frees the index
    // and the children.
    FParameters.Clear();
    if (!FTextIsView)
        FText.~basic_string();
    if (!FNameIsView)
        FName.~basic_string();
}

void TVexXMLNode::SetKeptTail(std::string_view text) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("XML text too long");
    if (!FTextIsView)
        SetKeptText({});
    FKept.Tail = text.data();
    FTailSize = static_cast<std::uint32_t>(text.size());
}

void TVexXMLNode::SetOwnName(std::string name) noexcept {
    if (FNameIsView) {
        new (&FName) std::string(std::move(name));
        FNameIsView = false;
    } else {
        FName = std::move(name);
    }
}

void TVexXMLNode::SetName(std::string name) {
    if (FInArena)
        NoteOwnership();
    TVexBaseXmlNode* parent = Parent();
    if (!parent || FKind != nkElement) {
        SetOwnName(std::move(name));
        return;
    }
    parent->RenameIndexed(this, std::move(name));
}

void TVexXMLNode::Clear() {
    // Nodes of a parsed document die before it: it visits the rest then.
    if (FInArena)
        NoteOwnership();
    TVexBaseXmlNode::Clear();
    FParameters.Clear();
    SetText(std::string());
}

// The size a parsed document pays per node (64-bit libstdc++).
static_assert(sizeof(void*) != 8 || sizeof(TVexXMLNode) <= 128, "a node outgrew its 128 bytes");
