#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "chart/chart_engine.h"
#include "store/person_document.h"

// The card of one person as the main form holds it: the values bound to its fields, and the positions chosen in its
// lists; with the two mappings between a card and the person document's Person record.
namespace records {

// The form's held values, in the order the form takes them from its fields.
struct CardValues {
    std::int32_t code = store::kFirstCode;
    std::array<float, store::kPlanetCount> degrees{};
    std::string birthday;
    std::string name;
    std::string memo;  // line breaks as "\r\n"
    std::string area;
    std::string noteTime;
    std::string lunarDate;
    chart::AspectTexts aspects;
};

// The list positions of a card: -1 means no selection (or, for a shown person, leave the list as it is).
struct CardChoices {
    int category = 0;
    int timeZone = 0;
    std::array<int, store::kPlanetCount> signs{};
};

struct Card {
    CardValues values;
    CardChoices choices;
};

// A listed person as the form shows it: numbers read as atoi/atof read them, the memo's "|" as line breaks. A
// negative stored position gives -1 (the form then leaves that list as it was).
Card cardOfPerson(const store::Person& person);

// The 36 texts a card is written as: numbers in the document's formats, the memo's line breaks as "|".
store::Person personOfCard(const Card& card);

// The degree as a field shows it: up to six significant digits, no trailing zeros ("%g").
std::string formatDegreeField(float degree);

}  // namespace records
