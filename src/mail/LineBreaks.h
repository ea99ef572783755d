#pragma once

#include <string>
#include <string_view>

// Message text handed out by the store has CR LF line breaks, whatever the file held.
namespace mail {

// Every line break (CR LF, a lone LF, a lone CR) written as CR LF.
std::string WithCrLf(std::string_view text);

// The same text appended to `out`.
void AppendWithCrLf(std::string_view text, std::string& out);

// The same for text given a piece at a time: a CR at a piece's end waits to see whether an LF
// follows it. Makes no room in `out` beyond what each piece needs.
class CrLfWriter {
 public:
  void Append(std::string_view piece, std::string& out);
  // After the last piece.
  void Finish(std::string& out);

 private:
  bool cr_ = false;
};

}  // namespace mail
