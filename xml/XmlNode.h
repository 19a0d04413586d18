// The node tree: TVexBaseXmlNode holds an owned, ordered child list and the
// name index over its element children; TVexXMLNode is one element, control
// tag or comment with its name, text and attributes. The document,
// TVexXMLParser, derives from TVexBaseXmlNode.
//
// Building a tree cheaply (what the parser does):
//   auto* node = new TVexXMLNode(std::move(name), nkElement);   // name moved in
//   node->Parameters().ParamByName(attrName, true)->SetValue(std::move(value));
//   node->SetText(std::move(text));                              // moved in
//   parent->Add(node);                                           // parent owns it now
// An element node is one allocation of 128 bytes (64-bit libstdc++); its name and its text
// live inside it up to 15 bytes each and take one more allocation each when
// longer. An attribute is one allocation (likewise with its two texts). A
// parent's child array is one allocation, grown geometrically. A parsed
// document places its nodes, their texts and child arrays in large blocks of
// its own instead, freed with the document.
//
// The name index is built lazily: Add only appends, and the children added
// since the index was last used are entered, in their order, the first time
// anything asks the index (NodeByName, NameIndex, SetName of a child, the
// index operations). The result is the index that entering each element at
// its Add would have built, but a tree that is parsed and never searched by
// name costs no tree nodes. Once used, the index costs one tree node per
// distinct element name among the children. Name lookups and insertions
// compare the names in place and allocate nothing. Since even the const
// readers may build the index, one tree must not be read by two threads at
// once.
//
// Destruction and Clear free a subtree of any depth without recursion,
// siblings from the last to the first.
#pragma once

#include "xml/NodeList.h"
#include "xml/XmlIndex.h"
#include "xml/XmlParameters.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>

enum TVexXMLNodeKind : std::uint8_t { nkElement, nkControlTag, nkComment };

class TVexXMLNode;

class TVexBaseXmlNode {
public:
    TVexBaseXmlNode() noexcept = default;
    virtual ~TVexBaseXmlNode();
    TVexBaseXmlNode(const TVexBaseXmlNode&) = delete;
    TVexBaseXmlNode& operator=(const TVexBaseXmlNode&) = delete;

    // Children of every kind, in the order they were added.
    int Count() const noexcept { return FChildren.Size(); }
    // Raises "Nieprawidłowy indeks!" outside 0..Count()-1.
    TVexXMLNode* Items(int i) const {
        if (static_cast<unsigned>(i) >= static_cast<unsigned>(FChildren.Size()))
            ThrowBadIndex();
        return FChildren[i];
    }

    // The first indexed element child whose name has the key of `name`.
    // When there is none: with autoCreate a new empty element named `name`
    // as passed, added last; without it nullptr.
    TVexXMLNode* NodeByName(std::string_view name, bool autoCreate);

    // Makes `node` the last child and takes ownership of it; an element is
    // also entered in the name index (when the index is next used). Raises
    // "Nie mogę dodać siebie do własnej listy!" when node is this node. On
    // any failure nothing changes and the caller still owns the node. `node`
    // must not belong to a parent already, nor be an ancestor of this node.
    void Add(TVexXMLNode* node);

    // Destroys the name index and every child, the last child first.
    virtual void Clear();

    // The root of the name index, or nullptr while no element child is indexed.
    TBinaryTreeNode* NameIndex() const {
        SyncIndex();
        return FNameIndex;
    }
    TVexBaseXmlNode* Parent() const noexcept { return FParent; }

protected:
    // Tells the tree that this node now owns memory outside a parsed
    // document's own, so that the document's destruction visits its nodes;
    // a parsed document that nobody changed is freed without visiting
    // them. Each node passes the word on once, so marking costs no more
    // than the nodes it reaches.
    void NoteOwnership() noexcept {
        for (TVexBaseXmlNode* n = this; !n->FReported; n = n->FParent) {
            n->FReported = true;
            if (!n->FParent) {
                n->ChildrenOwnMemory();
                break;
            }
        }
    }
    // Called on the root of a tree when some node in it owns memory; a
    // parsed document then visits its nodes at destruction.
    virtual void ChildrenOwnMemory() noexcept {}
    // Called on the root of a tree before a node in it makes its name
    // index; a parsed document keeps a list of them, to free their indexes
    // without visiting the rest. May throw std::bad_alloc.
    virtual void IndexMade(TVexBaseXmlNode*) {}
    static void DestroyIndexOf(TVexBaseXmlNode& node) noexcept { node.DestroyIndex(); }
    // For a document whose nodes own nothing outside its memory: forgets
    // the children and the index without visiting the children, and the
    // word of ownership.
    void ForgetChildren() noexcept;

    // The name index operations; only the library calls them.

    // The tree node whose key is the key of `name`, or nullptr.
    TBinaryTreeNode* IndexLookup(std::string_view name) const;
    // Enters a node that the index does not list yet after the entries of
    // its key. May throw std::bad_alloc, and then changes nothing.
    void AddToIndex(TVexXMLNode* node);
    // Takes a node out of the index; raises "Takiego elementu nie ma w
    // drzewie AVL!" when it is not listed, changing nothing.
    void RemoveFromIndex(TVexXMLNode* node);
    // The tree node that lists this very node, or nullptr.
    TBinaryTreeNode* FindIndexNode(const TVexXMLNode* node) const;
    // Restores the balance from `node` up to the root.
    void Rebalance(TBinaryTreeNode* node) noexcept;
    // Raise "Prawa podgałąź jest pusta!" / "Lewa podgałąź jest pusta!" when
    // the needed child is missing; return the tree node that takes its place.
    TBinaryTreeNode* RotateLeft(TBinaryTreeNode* node);
    TBinaryTreeNode* RotateRight(TBinaryTreeNode* node);

private:
    friend class TVexXMLNode;
    friend class TVexXMLDocumentBuilder;

    [[noreturn]] static void ThrowBadIndex();

    // Enters the children added since the index was last used. Touches only
    // FNameIndex, FIndexed and the tree nodes, so it may run on behalf of
    // the const readers.
    void SyncIndex() const {
        if (FIndexed < FChildren.Size())
            const_cast<TVexBaseXmlNode*>(this)->IndexPending();
    }
    void IndexPending();
    // Up to this many children, a lookup before the index is built scans them.
    static constexpr int kScanLimit = 16;
    TBinaryTreeNode* FindKey(std::string_view name) const noexcept;
    // AddToIndex that takes a new tree node from `spare` when it needs one
    // and allocates it there first when `spare` is empty.
    void InsertIntoIndex(TVexXMLNode* node, std::unique_ptr<TBinaryTreeNode>& spare);
    // Takes a tree node with at most one child out of the tree and frees it.
    void UnlinkIndexNode(TBinaryTreeNode* node) noexcept;
    // SetName of an indexed element child: out of the index, renamed, back in.
    void RenameIndexed(TVexXMLNode* node, std::string name);
    void DestroyIndex() noexcept;
    void DestroyChildren() noexcept;

    // The count of indexed children fits in the list's tail padding.
    [[no_unique_address]] TVexNodeList FChildren;
    // Both in the list's tail padding: a node stays 128 bytes.
    mutable int FIndexed : 31 = 0;  // the children before this position are indexed
    bool FReported : 1 = false;     // the word of ownership has gone up from here
    mutable TBinaryTreeNode* FNameIndex = nullptr;
    TVexBaseXmlNode* FParent = nullptr;
};

class TVexXMLNode : public TVexBaseXmlNode {
public:
    TVexXMLNode(std::string name, TVexXMLNodeKind kind) noexcept
        : FName(std::move(name)), FText(), FKind(kind) {}
    ~TVexXMLNode() override;

    std::string_view Name() const noexcept { return FNameIsView ? FKeptName : std::string_view(FName); }
    // Renames the node. An element with a parent is re-indexed there: it now
    // comes after every child already indexed under the new name, even when
    // only the letter case changed. Its place among the children stays.
    void SetName(std::string name);

    // The view stays valid until the text is set again or the node dies.
    std::string_view Text() const noexcept { return FTextIsView ? FKept.Text : std::string_view(FText); }
    // A parsed node given a text of its own (not an empty one) loses its Tail.
    void SetText(std::string text) noexcept {
        if (FInArena && !text.empty())
            NoteOwnership();
        if (!FTextIsView) {
            FText = std::move(text);
        } else if (text.empty()) {
            FKept.Text = {};
        } else {
            new (&FText) std::string(std::move(text));
            FTextIsView = false;
            FTailSize = 0;
        }
    }

    // The text that follows the node up to its next sibling or its parent's
    // closing tag, trimmed as element text is: "x" in "<a><b/>x</a>". Only
    // the parser sets one; it lives as long as the document.
    std::string_view Tail() const noexcept {
        return FTextIsView ? std::string_view(FKept.Tail, FTailSize) : std::string_view();
    }

    // The attributes to change; a parsed node then has its document visit
    // it at destruction. Readers use the const form or Attribute.
    TVexXMLParameters& Parameters() noexcept {
        if (FInArena)
            NoteOwnership();
        return FParameters;
    }
    const TVexXMLParameters& Parameters() const noexcept { return FParameters; }
    // The attribute whose name has the key of `name`, or nullptr.
    const TVexXMLParameter* Attribute(std::string_view name) const noexcept {
        return FParameters.ParamByName(name);
    }

    TVexXMLNodeKind Kind() const noexcept { return FKind; }

    // The base Clear, then no attributes and an empty Text; the Name, Kind
    // and place in the parent stay.
    void Clear() override;

private:
    friend class TVexBaseXmlNode;
    friend class TVexXMLDocumentBuilder;

    // A text kept by the document that the node belongs to; only the parser
    // sets one, on a node it placed in the document's arena.
    void SetKeptText(std::string_view text) noexcept {
        if (FTextIsView) {
            FKept.Text = text;
            return;
        }
        FText.~basic_string();
        new (&FKept) TKept{text, nullptr};
        FTextIsView = true;
        FTailSize = 0;
    }
    // Raises std::length_error for a tail of 4 GiB or more.
    void SetKeptTail(std::string_view text);
    void SetKeptName(std::string_view name) noexcept {
        if (!FNameIsView)
            FName.~basic_string();
        new (&FKeptName) std::string_view(name);
        FNameIsView = true;
    }
    void SetOwnName(std::string name) noexcept;

    // The node's own name, or, on a parsed node with a long name, the name
    // the document keeps; FNameIsView tells which.
    union {
        std::string FName;
        std::string_view FKeptName;
    };
    // A parsed node's text and tail, kept by the document.
    struct TKept {
        std::string_view Text;
        const char* Tail;
    };
    // The node's own text, or, on a parsed node, the texts the document
    // keeps; FTextIsView tells which.
    union {
        std::string FText;
        TKept FKept;
    };
    TVexXMLParameters FParameters;
    TVexXMLNodeKind FKind;
    bool FTextIsView = false;
    bool FInArena = false;  // placed in the document's arena, not allocated alone
    bool FNameIsView = false;
    std::uint32_t FTailSize = 0;  // of FKept.Tail; in the padding after the flags
};
