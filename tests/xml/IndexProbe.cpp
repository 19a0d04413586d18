#include "IndexProbe.h"

#include <sstream>

namespace {

struct Checker {
    std::ostringstream problems;
    std::set<const TVexXMLNode*> seen;
    std::vector<TVexXMLNode*>* listed = nullptr;
    const TBinaryTreeNode* previous = nullptr;

    // Returns the true height of the subtree; the tree is balanced or the
    // walk reports it, so recursion stays shallow.
    int Walk(const TBinaryTreeNode* t, int depth) {
        if (depth > 64) {
            problems << "tree deeper than 64: a cycle?\n";
            return 0;
        }
        int left = 0, right = 0;
        if (t->Left()) {
            if (t->Left()->Parent() != t)
                problems << "left child of " << Key(t) << " does not point back\n";
            left = Walk(t->Left(), depth + 1) + 1;
        }
        Visit(t);
        if (t->Right()) {
            if (t->Right()->Parent() != t)
                problems << "right child of " << Key(t) << " does not point back\n";
            right = Walk(t->Right(), depth + 1) + 1;
        }
        if (t->LeftHeight() != left || t->RightHeight() != right)
            problems << "wrong child heights at " << Key(t) << "\n";
        const int height = std::max(left, right);
        if (t->Height() != height)
            problems << "Height " << t->Height() << " instead of " << height << " at " << Key(t) << "\n";
        if (std::abs(left - right) > 1)
            problems << "unbalanced at " << Key(t) << "\n";
        return height;
    }

    void Visit(const TBinaryTreeNode* t) {
        if (t->NodeCount() < 1) {
            problems << "tree node without entries\n";
            return;
        }
        for (int i = 0; i < t->NodeCount(); ++i) {
            TVexXMLNode* n = t->Nodes(i);
            if (CompareNameKeys(n->Name(), t->Nodes(0)->Name()) != 0)
                problems << "entries of different keys: " << n->Name() << " under " << Key(t) << "\n";
            if (!seen.insert(n).second)
                problems << "node listed twice: " << n->Name() << "\n";
            if (listed)
                listed->push_back(n);
        }
        if (previous && CompareNameKeys(previous->Nodes(0)->Name(), t->Nodes(0)->Name()) >= 0)
            problems << "keys out of order: " << Key(previous) << " before " << Key(t) << "\n";
        previous = t;
    }

    static std::string Key(const TBinaryTreeNode* t) {
        return t->NodeCount() ? std::string("'").append(t->Nodes(0)->Name()).append("'") : "(empty)";
    }
};

void Snapshot(const TBinaryTreeNode* t, std::ostream& out) {
    if (!t) {
        out << '-';
        return;
    }
    out << '(';
    Snapshot(t->Left(), out);
    out << ' ' << t->Height() << ':';
    for (int i = 0; i < t->NodeCount(); ++i)
        out << t->Nodes(i)->Name() << '@' << static_cast<const void*>(t->Nodes(i)) << ',';
    out << ' ';
    Snapshot(t->Right(), out);
    out << ')';
}

void Keys(const TBinaryTreeNode* t, std::string& out) {
    if (!t)
        return;
    Keys(t->Left(), out);
    out += out.empty() ? "" : " ";
    out += t->Nodes(0)->Name();
    Keys(t->Right(), out);
}

}  // namespace

testing::AssertionResult IndexIsSound(const TVexBaseXmlNode& holder, std::vector<TVexXMLNode*>* listed) {
    Checker check;
    check.listed = listed;
    if (const TBinaryTreeNode* root = holder.NameIndex()) {
        if (root->Parent())
            check.problems << "root has a parent\n";
        check.Walk(root, 0);
    }
    const std::string problems = check.problems.str();
    if (problems.empty())
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << problems;
}

std::string IndexSnapshot(const TVexBaseXmlNode& holder) {
    std::ostringstream out;
    Snapshot(holder.NameIndex(), out);
    return out.str();
}

std::string IndexKeys(const TVexBaseXmlNode& holder) {
    std::string out;
    Keys(holder.NameIndex(), out);
    return out;
}
