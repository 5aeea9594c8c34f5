#pragma once
// The two tables an import writes, as plain rows: what the course file and the start
// list mean, compared before and after a round through the files and the readers.
#include "core/Event.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilo {

// One class of Control.dat.
struct CourseClass {
    std::string name;
    std::vector<Alternatives> positions; // positions 1.. in order
    Alternatives finish{};
    bool operator==(const CourseClass&) const = default;
};

// One row of Startlst.dat; a spare card has only its card.
struct StartRow {
    std::string card;
    bool spare = false;
    std::string className;
    Time start;
    int bib = 0;
    std::string name;
    int extra = 0;
    std::string club;
    bool operator==(const StartRow&) const = default;
};

// The classes in use and the start-list rows in row order, as the readers left them.
std::vector<CourseClass> CourseClassesOf(const Event& ev);
std::vector<StartRow> StartRowsOf(const Event& ev);

// A line of fields joined by the separator, a field holding the separator or a double
// quote in double quotes; nullopt when the readers' field rules cannot give every field
// back whole.
std::optional<std::string> SeparatedLine(const std::vector<std::string>& fields, std::string_view separator);

// The lines of the files (UTF-8, without line ends); nullopt for a class or row whose
// line cannot read back whole (the caller has refused it before).
std::optional<std::string> ClassLine(const CourseClass& c);
std::vector<std::string> CourseFileLines(const std::vector<CourseClass>& classes);
std::optional<std::string> StartListLine(const StartRow& row);
std::vector<std::string> StartListLines(const std::vector<StartRow>& rows);

} // namespace quilo
