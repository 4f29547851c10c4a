#include "sampling/CommaText.h"

namespace dravel {
namespace {

constexpr char Quote = '"';
constexpr char Delimiter = ',';

bool IsBlank(char C) { return static_cast<unsigned char>(C) <= static_cast<unsigned char>(' '); }

class TCursor {
 public:
  explicit TCursor(std::string_view Text) : FText(Text.substr(0, Text.find('\0'))) {}
  bool AtEnd() const { return FAt >= FText.size(); }
  char Peek() const { return AtEnd() ? '\0' : FText[FAt]; }
  char PeekNext() const { return FAt + 1 < FText.size() ? FText[FAt + 1] : '\0'; }
  void Skip() { ++FAt; }
  bool AtBlank() const { return !AtEnd() && IsBlank(FText[FAt]); }
  void SkipBlanks() {
    while (AtBlank()) Skip();
  }

 private:
  std::string_view FText;
  std::size_t FAt = 0;
};

// A quoted entry, the cursor on its opening quote; ends after the closing quote or at the
// end of the text.
std::string QuotedEntry(TCursor& At) {
  std::string Entry;
  At.Skip();
  while (!At.AtEnd()) {
    const char C = At.Peek();
    At.Skip();
    if (C != Quote) {
      Entry.push_back(C);
    } else if (At.Peek() == Quote) {
      Entry.push_back(Quote);
      At.Skip();
    } else {
      break;
    }
  }
  return Entry;
}

}  // namespace

std::vector<std::string> ParseCommaText(std::string_view Text) {
  std::vector<std::string> Entries;
  TCursor At(Text);
  At.SkipBlanks();
  while (!At.AtEnd()) {
    if (At.Peek() == Quote) {
      Entries.push_back(QuotedEntry(At));
    } else {
      std::string Entry;
      while (!At.AtEnd() && !At.AtBlank() && At.Peek() != Delimiter) {
        Entry.push_back(At.Peek());
        At.Skip();
      }
      Entries.push_back(std::move(Entry));
    }
    At.SkipBlanks();
    if (At.Peek() == Delimiter) {
      if (At.PeekNext() == '\0') Entries.emplace_back();
      do {
        At.Skip();
      } while (At.AtBlank());
    }
  }
  return Entries;
}

std::string TrimBlanks(std::string_view Text) {
  while (!Text.empty() && IsBlank(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && IsBlank(Text.back())) Text.remove_suffix(1);
  return std::string(Text);
}

}  // namespace dravel
