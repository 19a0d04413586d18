// Test helpers for the name index: a node holder whose index operations the
// tests may call, and a check of every invariant of its index.
#pragma once

#include "xml/VexXMLParser.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

class TIndexProbe : public TVexBaseXmlNode {
public:
    using TVexBaseXmlNode::AddToIndex;
    using TVexBaseXmlNode::FindIndexNode;
    using TVexBaseXmlNode::IndexLookup;
    using TVexBaseXmlNode::Rebalance;
    using TVexBaseXmlNode::RemoveFromIndex;
    using TVexBaseXmlNode::RotateLeft;
    using TVexBaseXmlNode::RotateRight;
};

// The six invariants: order and distinct keys, non-empty tree nodes of one
// key each, no XML node listed twice, mutual links, true heights, balance.
// `listed` receives every entry in key order, the entries of one tree node
// in their order.
testing::AssertionResult IndexIsSound(const TVexBaseXmlNode& holder,
                                      std::vector<TVexXMLNode*>* listed = nullptr);

// The index as text: shape, heights and every entry, to see that an
// operation left it as it was.
std::string IndexSnapshot(const TVexBaseXmlNode& holder);

// The in-order keys, written with the first entry's name of each tree node.
std::string IndexKeys(const TVexBaseXmlNode& holder);
