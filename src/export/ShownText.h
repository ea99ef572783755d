#pragma once

#include <QString>
#include <string_view>

namespace exporter {

// Text from a store as the window and the command line show it: control characters as spaces, and no more than a
// few hundred characters, so that no name or subject can break a line or stall the window.
QString ShownText(std::string_view text);

}  // namespace exporter
