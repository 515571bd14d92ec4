// Splitting and wrapping a sentence with an embedded link ("... the ((License Agreement)).") into
// pieces that become separate child windows. Portable: text widths come from a callback.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct TextPiece {
  std::wstring text;
  bool link = false;
  bool operator==(const TextPiece&) const = default;
};

// Text between "((" and "))" is one link piece (markers dropped). Elsewhere a piece is a word
// with its trailing spaces; a line feed ends its piece and stays in it. Chinese and Japanese
// have no spaces between words: there every character starts a piece of its own, except one that
// never starts a line (closing punctuation such as 、 。 ， 」, small kana), which
// stays with the character before it, and one after an opening bracket or quote. A "((" without
// its "))" is ordinary text.
std::vector<TextPiece> SplitLinkText(std::wstring_view text);

struct PlacedPiece {
  std::wstring text;  // line feeds removed
  bool link = false;
  int line = 0;       // line index
  int x = 0;          // from the area's left, centring included
  int width = 0;
  bool operator==(const PlacedPiece&) const = default;
};

// Width of a text in the font the pieces are drawn in.
using MeasureText = std::function<int(std::wstring_view)>;

// Lines of at most `wrap_width` (a piece wider than a whole line gets a line of its own). A piece
// of only spaces, line feeds and characters that never start a line (, . : ; ? ! and the closing
// punctuation of Chinese and Japanese) stays on the current line; a line ends after a
// piece that ends with a line feed. Neighbours of the same kind on one line are merged. With
// `centre`, each line moves right by (wrap_width - line width) / 2, rounded toward zero.
std::vector<PlacedPiece> LayoutPieces(const std::vector<TextPiece>& pieces, int wrap_width,
                                      bool centre, const MeasureText& measure);

// The number of lines a layout uses.
int LineCount(const std::vector<PlacedPiece>& placed);

}  // namespace ui
