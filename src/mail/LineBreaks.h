#pragma once

#include <string>
#include <string_view>

// Message text handed out by the store has CR LF line breaks, whatever the file held.
namespace mail {

// Every line break (CR LF, a lone LF, a lone CR) written as CR LF.
std::string WithCrLf(std::string_view text);

// The same text appended to `out`.
void AppendWithCrLf(std::string_view text, std::string& out);

}  // namespace mail
