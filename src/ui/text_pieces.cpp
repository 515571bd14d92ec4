#include "ui/text_pieces.h"

#include <algorithm>

namespace ui {

namespace {

bool IsPunctuationOrSpace(const std::wstring& text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t c) {
    return c == L' ' || c == L'\n' || c == L',' || c == L'.' || c == L':' || c == L';' ||
           c == L'?' || c == L'!';
  });
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
    if (c != L' ' && !current.empty() && current.back() == L' ') flush();
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
