#include "ui/ReportedLines.h"

#include <algorithm>

#include "ui/UiText.h"

void ReportedLines::clear()
{
    lines_.clear();
    firstGroup_.clear();
    text_.clear();
    groupEnds_.clear();
    cut_.clear();
    infos_.clear();
}

void ReportedLines::add(int line, std::string_view group, ReportInfo info)
{
    const std::string_view kept = utf8Prefix(group, kKeptBytes);
    if (!lines_.empty() && line < lines_.back()) {
        // Not the order of a run: rebuild around the new group (rare, slow).
        std::vector<std::pair<int, std::string>> all;
        std::vector<bool> cuts;
        std::vector<ReportInfo> infos;
        for (std::size_t i = 0; i < lines_.size(); ++i)
            for (const Group& g : groupsOf(lines_[i])) {
                all.emplace_back(lines_[i], std::string(g.text));
                cuts.push_back(g.cut);
                infos.push_back(g.info);
            }
        std::size_t at = 0;
        while (at < all.size() && all[at].first <= line)
            ++at;
        all.emplace(all.begin() + static_cast<std::ptrdiff_t>(at), line, std::string(kept));
        cuts.insert(cuts.begin() + static_cast<std::ptrdiff_t>(at), kept.size() < group.size());
        infos.insert(infos.begin() + static_cast<std::ptrdiff_t>(at), info);
        clear();
        for (std::size_t i = 0; i < all.size(); ++i) {
            add(all[i].first, all[i].second, infos[i]);
            cut_.back() = cuts[i];
        }
        return;
    }
    if (lines_.empty() || lines_.back() != line) {
        lines_.push_back(line);
        firstGroup_.push_back(static_cast<uint32_t>(groupEnds_.size()));
    }
    text_.append(kept);
    groupEnds_.push_back(text_.size());
    cut_.push_back(kept.size() < group.size());
    infos_.push_back(info);
}

std::size_t ReportedLines::lowerBound(int line) const
{
    return static_cast<std::size_t>(std::lower_bound(lines_.begin(), lines_.end(), line) -
                                    lines_.begin());
}

bool ReportedLines::contains(int line) const
{
    const std::size_t i = lowerBound(line);
    return i < lines_.size() && lines_[i] == line;
}

int ReportedLines::indexOf(int line) const
{
    const std::size_t i = lowerBound(line);
    return i < lines_.size() && lines_[i] == line ? static_cast<int>(i) : -1;
}

std::vector<ReportedLines::Group> ReportedLines::groupsOf(int line) const
{
    std::vector<Group> groups;
    const int index = indexOf(line);
    if (index < 0)
        return groups;
    const std::size_t i = static_cast<std::size_t>(index);
    const std::size_t first = firstGroup_[i];
    const std::size_t last = i + 1 < lines_.size() ? firstGroup_[i + 1] : groupEnds_.size();
    for (std::size_t g = first; g < last; ++g) {
        const std::size_t begin = g == 0 ? 0 : groupEnds_[g - 1];
        groups.push_back(
            {std::string_view(text_).substr(begin, groupEnds_[g] - begin), cut_[g], infos_[g]});
    }
    return groups;
}

int ReportedLines::next(int line) const
{
    const auto it = std::upper_bound(lines_.begin(), lines_.end(), line);
    return it == lines_.end() ? -1 : *it;
}

int ReportedLines::previous(int line) const
{
    const std::size_t i = lowerBound(line);
    return i == 0 ? -1 : lines_[i - 1];
}
