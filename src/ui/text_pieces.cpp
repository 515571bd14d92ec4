#include "ui/text_pieces.h"

#include <algorithm>

namespace ui {

namespace {

// Characters that never start a line: closing punctuation and brackets, the Japanese small kana,
// the prolonged sound mark and the iteration marks.
constexpr std::wstring_view kNoBreakBefore =
    L",.:;?!)]}%\x2019\x201D\x2026\x3001\x3002\x3005\x3009\x300B\x300D\x300F\x3011\x3015\x3017"
    L"\x3019\x301C\x3041\x3043\x3045\x3047\x3049\x3063\x3083\x3085\x3087\x308E\x309D\x309E"
    L"\x30A1\x30A3\x30A5\x30A7\x30A9\x30C3\x30E3\x30E5\x30E7\x30EE\x30F5\x30F6\x30FB\x30FC"
    L"\x30FD\x30FE\xFF01\xFF05\xFF09\xFF0C\xFF0E\xFF1A\xFF1B\xFF1F\xFF3D\xFF5D";
// Characters that never end a line: opening brackets and quotes.
constexpr std::wstring_view kNoBreakAfter =
    L"([{\x2018\x201C\x3008\x300A\x300C\x300E\x3010\x3014\x3016\x3018\xFF08\xFF3B\xFF5B";

// Chinese and Japanese script, their punctuation and full-width forms: a line may break before
// and after each of these characters, as no space separates their words.
bool IsCjk(wchar_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF01 && c <= 0xFF60) ||
         (c >= 0xD800 && c <= 0xDBFF);  // a supplementary ideograph starts with its high surrogate
}

bool NoBreakBefore(wchar_t c) {
  return kNoBreakBefore.find(c) != std::wstring_view::npos || (c >= 0xDC00 && c <= 0xDFFF);
}

// Whether a new piece may start with `c` after `previous` (not a space) inside a sentence.
bool BreakBetween(wchar_t previous, wchar_t c) {
  return (IsCjk(previous) || IsCjk(c)) && c != L' ' && c != L'\n' && !NoBreakBefore(c) &&
         kNoBreakAfter.find(previous) == std::wstring_view::npos;
}

// A piece that may stay at the end of a full line: spaces, line feeds and characters that never
// start a line.
bool IsPunctuationOrSpace(const std::wstring& text) {
  return std::all_of(text.begin(), text.end(),
                     [](wchar_t c) { return c == L' ' || c == L'\n' || NoBreakBefore(c); });
}

std::wstring WithoutLineFeeds(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c != L'\n') out.push_back(c);
  }
  return out;
}

}  // namespace

std::vector<TextPiece> SplitLinkText(std::wstring_view text) {
  std::vector<TextPiece> pieces;
  std::wstring current;
  auto flush = [&]() {
    if (!current.empty()) pieces.push_back({std::move(current), false});
    current.clear();
  };
  size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, 2, L"((") == 0) {
      size_t close = text.find(L"))", i + 2);
      if (close != std::wstring_view::npos) {
        flush();
        pieces.push_back({std::wstring(text.substr(i + 2, close - i - 2)), true});
        i = close + 2;
        continue;
      }
    }
    wchar_t c = text[i];
    if (!current.empty() && c != L' ' && (current.back() == L' ' || BreakBetween(current.back(), c)))
      flush();
    current.push_back(c);
    if (c == L'\n') flush();
    ++i;
  }
  flush();
  return pieces;
}

std::vector<PlacedPiece> LayoutPieces(const std::vector<TextPiece>& pieces, int wrap_width,
                                      bool centre, const MeasureText& measure) {
  std::vector<PlacedPiece> placed;
  std::vector<int> line_widths;
  int line = 0;
  int line_width = 0;
  bool line_empty = true;
  bool ends_with_line_feed = false;
  for (const TextPiece& piece : pieces) {
    std::wstring shown = WithoutLineFeeds(piece.text);
    int width = measure(shown);
    bool free_ride = IsPunctuationOrSpace(piece.text);
    if (!line_empty && !free_ride &&
        (ends_with_line_feed || line_width + width > wrap_width)) {
      line_widths.push_back(line_width);
      ++line;
      line_width = 0;
      line_empty = true;
      ends_with_line_feed = false;
    }
    if (!line_empty && !placed.empty() && placed.back().line == line &&
        placed.back().link == piece.link) {
      placed.back().text += shown;
      placed.back().width += width;
    } else {
      placed.push_back({shown, piece.link, line, line_width, width});
    }
    line_width += width;
    line_empty = false;
    // A line feed holds until the next line starts, even across spaces and punctuation.
    bool line_feed = !piece.text.empty() && piece.text.back() == L'\n';
    ends_with_line_feed = line_feed || (free_ride && ends_with_line_feed);
  }
  line_widths.push_back(line_width);
  if (centre) {
    for (PlacedPiece& p : placed) p.x += (wrap_width - line_widths[p.line]) / 2;
  }
  return placed;
}

int LineCount(const std::vector<PlacedPiece>& placed) {
  return placed.empty() ? 0 : placed.back().line + 1;
}

}  // namespace ui
