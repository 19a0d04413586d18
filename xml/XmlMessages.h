// Message texts of the XML document parser, in Windows-1250. Each syntax
// error reads kSyntaxPrefix, the line, kSyntaxColumn, the column and a tail.
#pragma once

namespace vexxml {

// "Błąd w składni XML (linia "
inline constexpr char kSyntaxPrefix[] = "B\xB3\xB9"
                                        "d w sk\xB3"
                                        "adni XML (linia ";
// ", znak "
inline constexpr char kSyntaxColumn[] = ", znak ";
// ") : Nieoczekiwany koniec pliku."
inline constexpr char kTailEndOfText[] = ") : Nieoczekiwany koniec pliku.";
// ") : Nieoczekiwany koniec pliku - nie dokończona encja."
inline constexpr char kTailEndInEntity[] = ") : Nieoczekiwany koniec pliku - nie doko\xF1"
                                           "czona encja.";
// ") : Nieprawidłowa wartość heksadecymalna encji (dopuszczalne: 0..255)"
inline constexpr char kTailHexEntityRange[] =
    ") : Nieprawid\xB3owa warto\x9C\xE6 heksadecymalna encji (dopuszczalne: 0..255)";
// ") : Nieprawidłowa wartość dziesiętna encji (dopuszczalne: 0..255)"
inline constexpr char kTailDecEntityRange[] =
    ") : Nieprawid\xB3owa warto\x9C\xE6 dziesi\xEAtna encji (dopuszczalne: 0..255)";
// ") : Nieprawidłowa (nie obsługiwana) encja!"
inline constexpr char kTailUnknownEntity[] = ") : Nieprawid\xB3owa (nie obs\xB3ugiwana) encja!";
// ") : Nieprawidłowa nazwa taga!"
inline constexpr char kTailBadTagName[] = ") : Nieprawid\xB3owa nazwa taga!";
// "Nieprawidłowa liczba heksadecymalna!"
inline constexpr char kBadHexNumber[] = "Nieprawid\xB3owa liczba heksadecymalna!";
// ") : Nieprawidłowy znak podczas przetwarzania pliku."
inline constexpr char kTailBadCharBetweenTags[] = ") : Nieprawid\xB3owy znak podczas przetwarzania pliku.";
// ") : Nieoczekiwany koniec pliku!"
inline constexpr char kTailEndInTag[] = ") : Nieoczekiwany koniec pliku!";
// ") : Oczekiwany znak równości (prawdopodobnie nieprawidłowa nazwa parametru)"
inline constexpr char kTailExpectedEquals[] = ") : Oczekiwany znak r\xF3wno\x9C"
                                              "ci (prawdopodobnie nieprawid\xB3owa nazwa parametru)";
// ") : Nieprawidłowy znak, oczekiwano ' lub ""
inline constexpr char kTailExpectedQuote[] = ") : Nieprawid\xB3owy znak, oczekiwano ' lub \"";
// ") : Nieprawidłowe domknięcie taga kontrolnego (powinno być: ?>)"
inline constexpr char kTailBadControlTagEnd[] = ") : Nieprawid\xB3owe domkni\xEA"
                                                "cie taga kontrolnego (powinno by\xE6: ?>)";
// ") : Nieprawidłowe domknięcie taga XML (powinno być: > lub />)"
inline constexpr char kTailBadElementTagEnd[] = ") : Nieprawid\xB3owe domkni\xEA"
                                                "cie taga XML (powinno by\xE6: > lub />)";
// ") : Oczekiwany znak zamknięcia taga (>)"
inline constexpr char kTailExpectedTagClose[] = ") : Oczekiwany znak zamkni\xEA"
                                                "cia taga (>)";
// ") : Brakuje taga otwierającego do zamykającego!"
inline constexpr char kTailNoOpeningTag[] = ") : Brakuje taga otwieraj\xB9"
                                            "cego do zamykaj\xB9"
                                            "cego!";
// ") : Tag zamykający ("
inline constexpr char kTailMismatchOpen[] = ") : Tag zamykaj\xB9"
                                            "cy (";
// ") nie pasuje do taga otwierającego ("
inline constexpr char kTailMismatchMiddle[] = ") nie pasuje do taga otwieraj\xB9"
                                              "cego (";
// ") !"
inline constexpr char kTailMismatchEnd[] = ") !";
// ") : Nieoczekiwany koniec pliku (istnieją nie domknięte tagi, pierwszy z nich: "
inline constexpr char kTailUnclosedTags[] =
    ") : Nieoczekiwany koniec pliku (istniej\xB9 nie domkni\xEAte tagi, pierwszy z nich: ";
// ")"
inline constexpr char kTailUnclosedTagsEnd[] = ")";

}  // namespace vexxml
