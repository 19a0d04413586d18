// Message texts of the XML document parser, in UTF-8. Each syntax
// error reads kSyntaxPrefix, the line, kSyntaxColumn, the column and a tail.
#pragma once

namespace vexxml {

inline constexpr char kSyntaxPrefix[] = "Błąd w składni XML (linia ";
inline constexpr char kSyntaxColumn[] = ", znak ";
inline constexpr char kTailEndOfText[] = ") : Nieoczekiwany koniec pliku.";
inline constexpr char kTailEndInEntity[] = ") : Nieoczekiwany koniec pliku - nie dokończona encja.";
inline constexpr char kTailHexEntityRange[] =
    ") : Nieprawidłowa wartość heksadecymalna encji (dopuszczalne: 0..255)";
inline constexpr char kTailDecEntityRange[] =
    ") : Nieprawidłowa wartość dziesiętna encji (dopuszczalne: 0..255)";
inline constexpr char kTailUnknownEntity[] = ") : Nieprawidłowa (nie obsługiwana) encja!";
inline constexpr char kTailBadTagName[] = ") : Nieprawidłowa nazwa taga!";
inline constexpr char kBadHexNumber[] = "Nieprawidłowa liczba heksadecymalna!";
inline constexpr char kTailBadCharBetweenTags[] = ") : Nieprawidłowy znak podczas przetwarzania pliku.";
inline constexpr char kTailEndInTag[] = ") : Nieoczekiwany koniec pliku!";
inline constexpr char kTailExpectedEquals[] =
    ") : Oczekiwany znak równości (prawdopodobnie nieprawidłowa nazwa parametru)";
inline constexpr char kTailExpectedQuote[] = ") : Nieprawidłowy znak, oczekiwano ' lub \"";
inline constexpr char kTailBadControlTagEnd[] =
    ") : Nieprawidłowe domknięcie taga kontrolnego (powinno być: ?>)";
inline constexpr char kTailBadElementTagEnd[] =
    ") : Nieprawidłowe domknięcie taga XML (powinno być: > lub />)";
inline constexpr char kTailExpectedTagClose[] = ") : Oczekiwany znak zamknięcia taga (>)";
inline constexpr char kTailNoOpeningTag[] = ") : Brakuje taga otwierającego do zamykającego!";
inline constexpr char kTailMismatchOpen[] = ") : Tag zamykający (";
inline constexpr char kTailMismatchMiddle[] = ") nie pasuje do taga otwierającego (";
inline constexpr char kTailMismatchEnd[] = ") !";
inline constexpr char kTailUnclosedTags[] =
    ") : Nieoczekiwany koniec pliku (istnieją nie domknięte tagi, pierwszy z nich: ";
inline constexpr char kTailUnclosedTagsEnd[] = ")";

}  // namespace vexxml
