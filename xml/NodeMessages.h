// Messages of the node tree, its name index and its attributes, in UTF-8.
#pragma once

#include "base/Exceptions.h"

namespace nodemsg {

inline constexpr char BadIndex[] = "Nieprawidłowy indeks!";
inline constexpr char BadDeleteIndex[] = "Nieprawidłowy indeks.";
inline constexpr char MixedNames[] = "Pojedyncza gałąź przechowuje dane o jednakowych nazwach!";
inline constexpr char NotInIndex[] = "Takiego elementu nie ma w drzewie AVL!";
inline constexpr char NoRightSubtree[] = "Prawa podgałąź jest pusta!";
inline constexpr char NoLeftSubtree[] = "Lewa podgałąź jest pusta!";
inline constexpr char AddSelf[] = "Nie mogę dodać siebie do własnej listy!";

}  // namespace nodemsg
