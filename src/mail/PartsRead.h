#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mail {

// Which parts of a message its body text reads, judged from an outline of the message: its header
// section, then its parts, each with its own header, every leaf part's content replaced by a label
// of one line that names it. Gives the labels of the parts read, in reading order. Nothing when the
// outline does not parse into the leaf parts `labels` names, in that order: the parser would then
// see another message than the one outlined, and the outline tells nothing.
std::optional<std::vector<std::string>> LabelsRead(std::string_view outline,
                                                   const std::vector<std::string>& labels);

}  // namespace mail
