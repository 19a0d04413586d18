// The XML document library: the node tree with its name index and
// attributes, and the document parser.
#pragma once

#include "base/Exceptions.h"
#include "xml/NameKey.h"
#include "xml/XmlIndex.h"
#include "xml/XmlNode.h"
#include "xml/XmlParameters.h"
#include "xml/XmlDocument.h"
