// The text view's formatted document of an item: its title as a heading,
// its date, its description laid out from its HTML, then its link and its
// enclosures. The document is built piece by piece, never from HTML, so
// that it refers to no resource and holds no script. A link's anchor names
// its place in Links, so that the address reaches the browser byte for byte.
#pragma once

#include "ui/MessageText.h"

#include <QFont>
#include <QPalette>
#include <QString>
#include <QTextDocument>
#include <QUrl>

#include <memory>
#include <string>
#include <vector>

struct TItemDocument {
    std::unique_ptr<QTextDocument> Document;
    std::vector<std::string> Links;
};

// font: the view's; palette: its colours (links, muted text).
TItemDocument BuildItemDocument(const TItemText& item, const QFont& font, const QPalette& palette);

// The anchor of link number index, and back: -1 for an anchor of no link.
QString LinkAnchor(std::size_t index);
int LinkIndex(const QUrl& anchor);
