// The name index operations of TVexBaseXmlNode: lookup, insertion, removal
// and the AVL rebalancing with its rotations.
#include "xml/XmlNode.h"

#include "xml/NameKey.h"
#include "xml/NodeMessages.h"

void TVexBaseXmlNode::IndexPending() {
    // Children are entered in their order, as each Add would have done.
    // A failed allocation leaves the rest for the next use.
    for (; FIndexed < FChildren.Size(); ++FIndexed) {
        TVexXMLNode* node = FChildren[FIndexed];
        if (node->Kind() == nkElement) {
            std::unique_ptr<TBinaryTreeNode> spare;
            InsertIntoIndex(node, spare);
        }
    }
}

TBinaryTreeNode* TVexBaseXmlNode::IndexLookup(std::string_view name) const {
    SyncIndex();
    return FindKey(name);
}

TBinaryTreeNode* TVexBaseXmlNode::FindKey(std::string_view name) const noexcept {
    TBinaryTreeNode* t = FNameIndex;
    while (t) {
        const int order = CompareNameKeys(name, t->FItems[0]->Name());
        if (order == 0)
            break;
        t = order < 0 ? t->FLeft : t->FRight;
    }
    return t;
}

void TVexBaseXmlNode::AddToIndex(TVexXMLNode* node) {
    SyncIndex();
    std::unique_ptr<TBinaryTreeNode> spare;
    InsertIntoIndex(node, spare);
}

void TVexBaseXmlNode::InsertIntoIndex(TVexXMLNode* node, std::unique_ptr<TBinaryTreeNode>& spare) {
    // The index is memory of its own. A parsed document learns of it when
    // it is made, from a node near its top (where readers look things up);
    // deeper down the node has the document visit its nodes instead, so
    // that no walk is longer than kIndexWalk. The index of a node made alone
    // or at the top goes with the node itself.
    if (!FNameIndex && FParent && static_cast<TVexXMLNode*>(this)->FInArena) {
        constexpr int kIndexWalk = 64;
        TVexBaseXmlNode* root = FParent;
        for (int steps = 0; root->FParent && steps < kIndexWalk; ++steps)
            root = root->FParent;
        if (root->FParent)
            NoteOwnership();
        else
            root->IndexMade(this);
    }
    const std::string_view key = node->Name();
    TBinaryTreeNode* t = FNameIndex;
    TBinaryTreeNode* last = nullptr;
    int order = 0;
    while (t) {
        order = CompareNameKeys(key, t->FItems[0]->Name());
        if (order == 0)
            break;
        last = t;
        t = order < 0 ? t->FLeft : t->FRight;
    }
    if (t) {
        // Same key: after the entries indexed before; the shape stays.
        t->ReserveOne();
        t->Append(node);
        return;
    }
    if (!spare)
        spare = std::make_unique<TBinaryTreeNode>();
    TBinaryTreeNode* fresh = spare.release();
    fresh->Append(node);  // an empty tree node has room for one entry
    if (!last) {
        FNameIndex = fresh;
        return;
    }
    if (order < 0)
        last->SetLeft(fresh);
    else
        last->SetRight(fresh);
    Rebalance(fresh);
}

TBinaryTreeNode* TVexBaseXmlNode::FindIndexNode(const TVexXMLNode* node) const {
    TBinaryTreeNode* t = IndexLookup(node->Name());
    return t && t->IndexOf(node) >= 0 ? t : nullptr;
}

void TVexBaseXmlNode::RemoveFromIndex(TVexXMLNode* node) {
    TBinaryTreeNode* t = FindIndexNode(node);
    if (!t)
        throw EVexXMLError(nodemsg::NotInIndex);
    if (t->FCount >= 2) {
        t->DeleteNode(t->IndexOf(node));
        return;
    }
    if (!t->FLeft || !t->FRight) {
        UnlinkIndexNode(t);
        return;
    }
    // Two subtrees: the in-order successor's entries move into t, which
    // keeps the order since theirs is the smallest key above t's; the
    // successor, which has no left child, leaves the tree instead.
    TBinaryTreeNode* successor = t->FRight;
    while (successor->FLeft)
        successor = successor->FLeft;
    t->TakeEntries(*successor);
    UnlinkIndexNode(successor);
}

void TVexBaseXmlNode::UnlinkIndexNode(TBinaryTreeNode* t) noexcept {
    TBinaryTreeNode* child = t->FLeft ? t->FLeft : t->FRight;
    TBinaryTreeNode* parent = t->FParent;
    if (parent) {
        // The child (or nothing) takes t's place; that also takes it from t.
        if (parent->FLeft == t)
            parent->SetLeft(child);
        else
            parent->SetRight(child);
        delete t;
        Rebalance(parent);
    } else {
        // The root: its child's subtree becomes the index as it stands.
        if (child)
            child->SetParent(nullptr);
        FNameIndex = child;
        delete t;
    }
}

void TVexBaseXmlNode::Rebalance(TBinaryTreeNode* t) noexcept {
    // Climbs from t to the root; a difference of 1 is left alone.
    for (; t; t = t->FParent) {
        while (t->LeftHeight() - t->RightHeight() >= 2) {
            TBinaryTreeNode* left = t->FLeft;
            if (left->RightHeight() > left->LeftHeight())
                RotateLeft(left);
            t = RotateRight(t);
        }
        while (t->RightHeight() - t->LeftHeight() >= 2) {
            TBinaryTreeNode* right = t->FRight;
            if (right->LeftHeight() > right->RightHeight())
                RotateRight(right);
            t = RotateLeft(t);
        }
    }
}

TBinaryTreeNode* TVexBaseXmlNode::RotateLeft(TBinaryTreeNode* t) {
    TBinaryTreeNode* right = t->FRight;
    if (!right)
        throw EVexXMLError(nodemsg::NoRightSubtree);
    TBinaryTreeNode* parent = t->FParent;
    const bool wasLeft = parent && parent->FLeft == t;
    t->SetRight(right->FLeft);
    right->SetLeft(t);
    if (!parent)
        FNameIndex = right;
    else if (wasLeft)
        parent->SetLeft(right);
    else
        parent->SetRight(right);
    return right;
}

TBinaryTreeNode* TVexBaseXmlNode::RotateRight(TBinaryTreeNode* t) {
    TBinaryTreeNode* left = t->FLeft;
    if (!left)
        throw EVexXMLError(nodemsg::NoLeftSubtree);
    TBinaryTreeNode* parent = t->FParent;
    const bool wasLeft = parent && parent->FLeft == t;
    t->SetLeft(left->FRight);
    left->SetRight(t);
    if (!parent)
        FNameIndex = left;
    else if (wasLeft)
        parent->SetLeft(left);
    else
        parent->SetRight(left);
    return left;
}

void TVexBaseXmlNode::RenameIndexed(TVexXMLNode* node, std::string name) {
    // Whatever re-entering the node needs is allocated before it is taken
    // out, so that a failed allocation changes nothing: a fresh tree node
    // when the new key has none (or only this node), else room for one more
    // entry there. Removal may move that tree node's entries into another
    // tree node, but the room moves with them.
    std::unique_ptr<TBinaryTreeNode> spare;
    TBinaryTreeNode* target = IndexLookup(name);  // brings the index up to date
    if (!target || (target->FCount == 1 && target->FItems[0] == node))
        spare = std::make_unique<TBinaryTreeNode>();
    else
        target->ReserveOne();
    RemoveFromIndex(node);
    node->SetOwnName(std::move(name));
    InsertIntoIndex(node, spare);
}
