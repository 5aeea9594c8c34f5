#include "results/ExportCommon.h"

#include "core/Version.h"
#include "results/Evaluation.h"

namespace quilo {

std::string CreatorText() { return std::string("Quilo ") + QUILO_VERSION; }

CompetitorNumbers::CompetitorNumbers(const Event& ev) {
    number_.resize(ev.Entries.size());
    for (std::size_t c = 0; c < ev.Entries.size(); ++c) number_[c].assign(ev.Entries[c].size(), -1);
    for (int n = 0; n < ev.Rows(); ++n)
        if (ev.EntryOf(n)) number_[static_cast<std::size_t>(ev.EntryClass[n])][static_cast<std::size_t>(ev.EntrySlot[n])] = n;
}

std::vector<int> ExportOrder(const Event& ev, int c) {
    std::vector<int> slots;
    const int count = SlotCount(ev, c);
    slots.reserve(static_cast<std::size_t>(count));
    KeySorter sorter;
    for (int s = 1; s <= count; ++s)
        if (HasResult(ev.Entries[c][s])) sorter.Add(ResultSortKey(ev.Entries[c][s]), s);
    sorter.Sort();
    for (int i = 0; i < sorter.Count(); ++i) slots.push_back(sorter.SlotAt(i));
    sorter.Clear();
    for (int s = 1; s <= count; ++s)
        if (!HasResult(ev.Entries[c][s])) sorter.Add(FormatHhNnSs(ev.Entries[c][s].StartTime), s);
    sorter.Sort();
    for (int i = 0; i < sorter.Count(); ++i) slots.push_back(sorter.SlotAt(i));
    return slots;
}

namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

std::string_view TrimNameBlanks(std::string_view s) {
    while (true) {
        if (!s.empty() && s.front() == ' ') s.remove_prefix(1);
        else if (s.starts_with(kIdeographicSpace)) s.remove_prefix(kIdeographicSpace.size());
        else if (!s.empty() && s.back() == ' ') s.remove_suffix(1);
        else if (s.ends_with(kIdeographicSpace)) s.remove_suffix(kIdeographicSpace.size());
        else return s;
    }
}

} // namespace

SplitNameParts SplitName(std::string_view name) {
    name = TrimNameBlanks(name);
    const std::size_t half = name.find(' ');
    const std::size_t wide = name.find(kIdeographicSpace);
    if (half == std::string_view::npos && wide == std::string_view::npos) return {std::string(name), {}};
    const bool halfFirst = half < wide;
    const std::size_t at = halfFirst ? half : wide;
    const std::size_t len = halfFirst ? 1 : kIdeographicSpace.size();
    return {std::string(TrimNameBlanks(name.substr(0, at))), std::string(TrimNameBlanks(name.substr(at + len)))};
}

} // namespace quilo
