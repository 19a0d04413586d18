#include "xml/XmlIndex.h"

#include "xml/NameKey.h"
#include "xml/NodeMessages.h"
#include "xml/XmlNode.h"

#include <cstring>
#include <new>

TBinaryTreeNode::~TBinaryTreeNode() {
    if (FParent)
        FParent->DetachChild(this);
    DestroySubtrees();
    FreeEntries();
}

void TBinaryTreeNode::DestroySubtrees() noexcept {
    // Post-order walk along the parent links: each tree node is cut loose
    // before it is freed, so its own destructor finds nothing left to do.
    // The left subtree goes before the right one.
    TBinaryTreeNode* n = this;
    for (;;) {
        if (n->FLeft) {
            n = n->FLeft;
        } else if (n->FRight) {
            n = n->FRight;
        } else if (n == this) {
            break;
        } else {
            TBinaryTreeNode* parent = n->FParent;
            (parent->FLeft == n ? parent->FLeft : parent->FRight) = nullptr;
            n->FParent = nullptr;
            delete n;
            n = parent;
        }
    }
    FHeight = 0;
}

TVexXMLNode* TBinaryTreeNode::Nodes(int i) const {
    if (i < 0 || i >= FCount)
        throw EVexXMLError(nodemsg::BadIndex);
    return FItems[i];
}

void TBinaryTreeNode::AddNode(TVexXMLNode* node) {
    if (FCount > 0 && !SameNameKey(node->Name(), FItems[0]->Name()))
        throw EVexXMLError(nodemsg::MixedNames);
    ReserveOne();
    Append(node);
}

void TBinaryTreeNode::DeleteNode(int i) {
    if (i < 0 || i >= FCount)
        throw EVexXMLError(nodemsg::BadDeleteIndex);
    std::memmove(FItems + i, FItems + i + 1, sizeof(TVexXMLNode*) * static_cast<unsigned>(FCount - i - 1));
    --FCount;
}

void TBinaryTreeNode::ClearNodes() noexcept { FreeEntries(); }

void TBinaryTreeNode::ReserveOne() {
    if (FCount < FCapacity)
        return;
    const int capacity = FCapacity < 4 ? 4 : FCapacity * 2;
    auto* items =
        static_cast<TVexXMLNode**>(::operator new(sizeof(TVexXMLNode*) * static_cast<unsigned>(capacity)));
    std::memcpy(items, FItems, sizeof(TVexXMLNode*) * static_cast<unsigned>(FCount));
    if (FItems != &FInline)
        ::operator delete(FItems);
    FItems = items;
    FCapacity = capacity;
}

int TBinaryTreeNode::IndexOf(const TVexXMLNode* node) const noexcept {
    for (int i = 0; i < FCount; ++i) {
        if (FItems[i] == node)
            return i;
    }
    return -1;
}

void TBinaryTreeNode::FreeEntries() noexcept {
    if (FItems != &FInline)
        ::operator delete(FItems);
    FItems = &FInline;
    FInline = nullptr;
    FCapacity = 1;
    FCount = 0;
}

void TBinaryTreeNode::TakeEntries(TBinaryTreeNode& from) noexcept {
    FreeEntries();
    if (from.FItems == &from.FInline) {
        FInline = from.FInline;
    } else {
        FItems = from.FItems;
        FCapacity = from.FCapacity;
    }
    FCount = from.FCount;
    from.FItems = &from.FInline;
    from.FInline = nullptr;
    from.FCapacity = 1;
    from.FCount = 0;
}

void TBinaryTreeNode::SetLeft(TBinaryTreeNode* child) noexcept {
    if (FLeft)
        FLeft->FParent = nullptr;
    FLeft = child;
    if (child)
        child->SetParent(this);
    UpdateHeight();
}

void TBinaryTreeNode::SetRight(TBinaryTreeNode* child) noexcept {
    if (FRight)
        FRight->FParent = nullptr;
    FRight = child;
    if (child)
        child->SetParent(this);
    UpdateHeight();
}

void TBinaryTreeNode::SetParent(TBinaryTreeNode* parent) noexcept {
    if (FParent == parent)
        return;
    if (FParent)
        FParent->DetachChild(this);
    FParent = parent;
}

void TBinaryTreeNode::DetachChild(TBinaryTreeNode* child) noexcept {
    if (FLeft == child)
        FLeft = nullptr;
    if (FRight == child)
        FRight = nullptr;
    UpdateHeight();
}

void TBinaryTreeNode::UpdateHeight() noexcept {
    for (TBinaryTreeNode* n = this; n; n = n->FParent) {
        const int left = n->LeftHeight();
        const int right = n->RightHeight();
        n->FHeight = left > right ? left : right;
    }
}
