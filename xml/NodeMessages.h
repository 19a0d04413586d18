// Messages of the node tree, its name index and its attributes, in
// Windows-1250 bytes as the user sees them.
#pragma once

#include "base/Exceptions.h"

namespace nodemsg {

// "Nieprawidłowy indeks!"
inline constexpr char BadIndex[] = "Nieprawid\xB3owy indeks!";
// "Nieprawidłowy indeks." (DeleteNode's variant, with a full stop)
inline constexpr char BadDeleteIndex[] = "Nieprawid\xB3owy indeks.";
// "Pojedyncza gałąź przechowuje dane o jednakowych nazwach!"
inline constexpr char MixedNames[] = "Pojedyncza ga\xB3\xB9\x9F przechowuje dane o jednakowych nazwach!";
// "Takiego elementu nie ma w drzewie AVL!"
inline constexpr char NotInIndex[] = "Takiego elementu nie ma w drzewie AVL!";
// "Prawa podgałąź jest pusta!"
inline constexpr char NoRightSubtree[] = "Prawa podga\xB3\xB9\x9F jest pusta!";
// "Lewa podgałąź jest pusta!"
inline constexpr char NoLeftSubtree[] = "Lewa podga\xB3\xB9\x9F jest pusta!";
// "Nie mogę dodać siebie do własnej listy!"
inline constexpr char AddSelf[] = "Nie mog\xEA doda\xE6 siebie do w\xB3"
                                  "asnej listy!";

}  // namespace nodemsg
