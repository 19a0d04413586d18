// TBinaryTreeNode: one node of the name index, the AVL tree over the element
// children of a TVexBaseXmlNode. A tree node stands for one name key and
// lists the children of that key in the order they were indexed; its key is
// the key of its first entry's Name. The tree operations that may replace
// the root (insertion, removal, rotations) belong to the owner,
// TVexBaseXmlNode, which owns the tree nodes but not the XML nodes listed.
#pragma once

class TVexXMLNode;

class TBinaryTreeNode {
public:
    TBinaryTreeNode() noexcept = default;
    // Detaches from the parent (updating the heights above), then destroys
    // the left subtree and the right one. The listed XML nodes are untouched.
    ~TBinaryTreeNode();
    TBinaryTreeNode(const TBinaryTreeNode&) = delete;
    TBinaryTreeNode& operator=(const TBinaryTreeNode&) = delete;

    TBinaryTreeNode* Left() const noexcept { return FLeft; }
    TBinaryTreeNode* Right() const noexcept { return FRight; }
    TBinaryTreeNode* Parent() const noexcept { return FParent; }
    int Height() const noexcept { return FHeight; }
    int LeftHeight() const noexcept { return FLeft ? FLeft->FHeight + 1 : 0; }
    int RightHeight() const noexcept { return FRight ? FRight->FHeight + 1 : 0; }

    int NodeCount() const noexcept { return FCount; }
    // Entry i; raises "Nieprawidłowy indeks!" outside 0..NodeCount()-1.
    TVexXMLNode* Nodes(int i) const;
    // Appends an entry; raises "Pojedyncza gałąź przechowuje dane o
    // jednakowych nazwach!" when its key differs from that of Nodes(0).
    void AddNode(TVexXMLNode* node);
    // Removes entry i; raises "Nieprawidłowy indeks." outside 0..NodeCount()-1.
    void DeleteNode(int i);
    void ClearNodes() noexcept;

    // Link maintenance: every change of a child link goes through these, so
    // that Parent links and heights stay right.
    void SetLeft(TBinaryTreeNode* child) noexcept;
    void SetRight(TBinaryTreeNode* child) noexcept;
    void SetParent(TBinaryTreeNode* parent) noexcept;
    void DetachChild(TBinaryTreeNode* child) noexcept;
    // Recomputes Height here and in every ancestor up to the root.
    void UpdateHeight() noexcept;

private:
    friend class TVexBaseXmlNode;

    // Room for one more entry (may throw std::bad_alloc, changing nothing);
    // Append after it cannot fail.
    void ReserveOne();
    void Append(TVexXMLNode* node) noexcept { FItems[FCount++] = node; }
    int IndexOf(const TVexXMLNode* node) const noexcept;
    // Takes over the entries of `from`, which is left without any.
    void TakeEntries(TBinaryTreeNode& from) noexcept;
    void FreeEntries() noexcept;
    // Frees every tree node below this one, without recursion.
    void DestroySubtrees() noexcept;

    TBinaryTreeNode* FLeft = nullptr;
    TBinaryTreeNode* FRight = nullptr;
    TBinaryTreeNode* FParent = nullptr;
    // The entries: FInline while there is at most one (the usual case, which
    // then needs no allocation of its own), else a heap array.
    TVexXMLNode** FItems = &FInline;
    TVexXMLNode* FInline = nullptr;
    int FCount = 0;
    int FCapacity = 1;
    int FHeight = 0;
};
