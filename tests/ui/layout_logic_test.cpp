// Layout arithmetic: scale factor rules, link-sentence pieces, message dialog geometry, sprite
// frames and the progress split.
#include <gtest/gtest.h>

#include <string>

#include "ui/message_dialog_layout.h"
#include "ui/scale.h"
#include "ui/sprite_frames.h"
#include "ui/text_pieces.h"

namespace ui {
namespace {

TEST(ScaleFactor, SwitchValueOrScreen) {
  EXPECT_EQ(ChooseScaleFactor("2", 96), 2.0);
  EXPECT_EQ(ChooseScaleFactor("1.5", 96), 1.5);
  EXPECT_EQ(ChooseScaleFactor("1", 192), 1.0);
  // Absent, zero, infinite or unparsable values leave the decision to the screen.
  EXPECT_EQ(ChooseScaleFactor("", 144), 1.5);
  EXPECT_EQ(ChooseScaleFactor("0", 144), 1.5);
  EXPECT_EQ(ChooseScaleFactor("inf", 120), 1.25);
  EXPECT_EQ(ChooseScaleFactor("abc", 96), 1.0);
  EXPECT_EQ(ChooseScaleFactor("2x", 96), 1.0);
  // Only a plain decimal number: no blanks, no "+", no hexadecimal, no second number.
  EXPECT_EQ(ChooseScaleFactor(" 2", 96), 1.0);
  EXPECT_EQ(ChooseScaleFactor("2 ", 96), 1.0);
  EXPECT_EQ(ChooseScaleFactor("+2", 96), 1.0);
  EXPECT_EQ(ChooseScaleFactor("0x2", 96), 1.0);
  EXPECT_EQ(ChooseScaleFactor("1.5.2", 96), 1.0);
  EXPECT_EQ(ChooseScaleFactor("1.25e0", 96), 1.25);
  EXPECT_EQ(ChooseScaleFactor(".5", 96), 0.5);
  // Values that would break every size: negative, NaN, absurdly large.
  EXPECT_EQ(ChooseScaleFactor("-2", 96), 1.0);
  EXPECT_EQ(ChooseScaleFactor("nan", 96), 1.0);
  EXPECT_EQ(ChooseScaleFactor("1e9", 96), 1.0);
  // No screen DPI at all keeps the design size.
  EXPECT_EQ(ChooseScaleFactor("", 0), 1.0);
}

TEST(ScaleFactor, TruncatesEachCoordinate) {
  EXPECT_EQ(ScaleBy(7, 1.5), 10);
  EXPECT_EQ(ScaleBy(-7, 1.5), -10);
  EXPECT_EQ(ScaleBy(Rect{61, 41, 227, 69}, 1.25), (Rect{76, 51, 283, 86}));
  EXPECT_EQ(ScaleBy(Rect{0, 0, 728, 400}, 2.0), (Rect{0, 0, 1456, 800}));
}

std::wstring Texts(const std::vector<TextPiece>& pieces) {
  std::wstring out;
  for (const auto& p : pieces) out += (p.link ? L"[" : L"<") + p.text + (p.link ? L"]" : L">");
  return out;
}

TEST(LinkSentence, SplitsWordsAndLink) {
  EXPECT_EQ(Texts(SplitLinkText(L"By using Vorlex Browser, you agree to the ((License Agreement)).")),
            L"<By ><using ><Vorlex ><Browser, ><you ><agree ><to ><the >[License Agreement]<.>");
  // A line feed ends its piece; an unclosed marker is plain text.
  EXPECT_EQ(Texts(SplitLinkText(L"one\ntwo  ((x")), L"<one\n><two  ><((x>");
  EXPECT_EQ(Texts(SplitLinkText(L"((a))((b))")), L"[a][b]");
  EXPECT_TRUE(SplitLinkText(L"").empty());
}

// Every character is 10 wide.
int Measure(std::wstring_view text) { return static_cast<int>(text.size()) * 10; }

TEST(LinkSentence, WrapsMergesAndCentres) {
  auto placed = LayoutPieces(SplitLinkText(L"aa bb cc ((dd ee)). fff gg"), 90, false, Measure);
  // Line 0: "aa bb cc " fills 90; the link does not fit; ". " rides along; "fff " wraps and
  // "gg" joins it.
  ASSERT_EQ(placed.size(), 4u);
  EXPECT_EQ(placed[0], (PlacedPiece{L"aa bb cc ", false, 0, 0, 90}));
  EXPECT_EQ(placed[1], (PlacedPiece{L"dd ee", true, 1, 0, 50}));
  EXPECT_EQ(placed[2], (PlacedPiece{L". ", false, 1, 50, 20}));
  EXPECT_EQ(placed[3], (PlacedPiece{L"fff gg", false, 2, 0, 60}));
  EXPECT_EQ(LineCount(placed), 3);

  auto centred = LayoutPieces(SplitLinkText(L"aa bb cc ((dd ee)). fff gg"), 95, true, Measure);
  EXPECT_EQ(centred[0].x, 2);   // (95 - 90) / 2
  EXPECT_EQ(centred[1].x, 12);  // (95 - 70) / 2
  EXPECT_EQ(centred[2].x, 62);
  EXPECT_EQ(centred[3].x, 17);  // (95 - 60) / 2

  // A line feed forces the next word onto a new line even across punctuation; a word wider
  // than the wrap width still gets placed.
  auto breaks = LayoutPieces(SplitLinkText(L"a\n, b verylongword"), 50, false, Measure);
  EXPECT_EQ(breaks[0].line, 0);
  EXPECT_EQ(breaks[0].text, L"a, ");
  EXPECT_EQ(breaks[1], (PlacedPiece{L"b ", false, 1, 0, 20}));
  EXPECT_EQ(breaks[2], (PlacedPiece{L"verylongword", false, 2, 0, 120}));
}

// Chinese and Japanese have no spaces: a line may break between any two characters, but never
// before closing punctuation or small kana, nor after an opening bracket; Latin words inside keep
// breaking only at spaces.
TEST(LinkSentence, ChineseAndJapaneseBreakBetweenCharacters) {
  EXPECT_EQ(Texts(SplitLinkText(L"\x4F7F\x7528 Vorlex \x5373\x8868\x793A\x3002")),
            L"<\x4F7F><\x7528 ><Vorlex ><\x5373><\x8868><\x793A\x3002>");
  // 、 ， 」 ！ and a small kana stay with the character before; 「 with the one after.
  EXPECT_EQ(Texts(SplitLinkText(L"\x5B89\x3001\x5168\xFF0C\x300C\x30C6\x30C3\x30C8\x300D\xFF01")),
            L"<\x5B89\x3001><\x5168\xFF0C><\x300C\x30C6\x30C3><\x30C8\x300D\xFF01>");
  // Between a CJK character and a Latin word there is a break opportunity both ways; a link stays
  // whole and a closing mark after it is a piece that rides along.
  EXPECT_EQ(Texts(SplitLinkText(L"\x540Cxyz\x610F((\x8BB8\x53EF))\x3002")),
            L"<\x540C><xyz><\x610F>[\x8BB8\x53EF]<\x3002>");
  // A supplementary ideograph is never split between its two halves.
  EXPECT_EQ(Texts(SplitLinkText(L"\xD840\xDC0B\x4E00")), L"<\xD840\xDC0B><\x4E00>");

  // Eighteen characters and a full stop, 10 wide each, in centred lines of 60: six characters a
  // line; the full stop does not fit on the third line and takes its character along to a fourth.
  std::wstring text(18, L'\x5B57');
  text += L"\x3002";
  auto placed = LayoutPieces(SplitLinkText(text), 60, true, Measure);
  ASSERT_EQ(LineCount(placed), 4);
  EXPECT_EQ(placed[0], (PlacedPiece{std::wstring(6, L'\x5B57'), false, 0, 0, 60}));
  EXPECT_EQ(placed[2], (PlacedPiece{std::wstring(5, L'\x5B57'), false, 2, 5, 50}));
  EXPECT_EQ(placed[3], (PlacedPiece{L"\x5B57\x3002", false, 3, 20, 20}));
  // The punctuation rides along past the wrap width only after a link, which cannot take it.
  auto after_link = LayoutPieces(SplitLinkText(L"((\x5B57\x5B57\x5B57))\x3002"), 30, false, Measure);
  ASSERT_EQ(after_link.size(), 2u);
  EXPECT_EQ(after_link[1], (PlacedPiece{L"\x3002", false, 0, 30, 10}));
}

TEST(MessageDialogGeometry, SizesAndButtons) {
  EXPECT_EQ(MessageDialogSize({410, 186}, 1.0), (Size{397, 174}));
  EXPECT_EQ(MessageDialogSize({820, 372}, 2.0), (Size{794, 348}));

  // Resume question at scale 1: both buttons 120 x 28, right-aligned.
  auto right = LayOutMessageDialog({397, 174}, {120, 28}, {120, 28}, true, ShownButtons::kBoth,
                                   kMessageTextMargins, 1.0);
  EXPECT_EQ(right.main_button, (Rect{117, 126, 237, 154}));
  EXPECT_EQ(right.second_button, (Rect{247, 126, 367, 154}));
  EXPECT_TRUE(right.main_visible && right.second_visible);
  EXPECT_EQ(right.body, (Rect{40, 76, 367, 126}));
  EXPECT_EQ(right.title, (Rect{40, 30, 367, 76}));

  auto left = LayOutMessageDialog({397, 174}, {120, 28}, {120, 28}, false, ShownButtons::kBoth,
                                  kMessageTextMargins, 1.0);
  EXPECT_EQ(left.main_button.left, 40);
  EXPECT_EQ(left.second_button.left, 170);

  auto lone = LayOutMessageDialog({794, 348}, {240, 56}, {240, 56}, false,
                                  ShownButtons::kSecondOnly, kRevocationTextMargins, 2.0);
  EXPECT_FALSE(lone.main_visible);
  EXPECT_EQ(lone.second_button, (Rect{277, 252, 517, 308}));
  EXPECT_EQ(lone.body, (Rect{80, 112, 754, 252}));
  EXPECT_EQ(lone.title, (Rect{80, 60, 754, 112}));
}

TEST(SpriteFrames, FrameChoiceAndProgressSplit) {
  EXPECT_EQ(ButtonFrame(false, false), 0);
  EXPECT_EQ(ButtonFrame(false, true), 1);
  EXPECT_EQ(ButtonFrame(true, true), 2);
  EXPECT_EQ(CheckBoxFrame(false, false, true), 3);
  EXPECT_EQ(CheckBoxFrame(false, true, true), 4);
  EXPECT_EQ(CheckBoxFrame(true, false, false), 2);
  EXPECT_EQ(CheckBoxFrame(true, true, true), 5);
  EXPECT_EQ(FrameWidth(96, 6), 16);
  EXPECT_EQ(FrameWidth(0, 3), 0);
  EXPECT_EQ(ProgressFilledWidth(292, 0, 100, 0), 0);
  EXPECT_EQ(ProgressFilledWidth(292, 0, 100, 50), 146);
  EXPECT_EQ(ProgressFilledWidth(292, 0, 100, 33), 96);
  EXPECT_EQ(ProgressFilledWidth(292, 0, 100, 100), 292);
  // Outside or empty ranges neither overflow nor divide by zero.
  EXPECT_EQ(ProgressFilledWidth(292, 0, 100, 150), 292);
  EXPECT_EQ(ProgressFilledWidth(292, 50, 50, 50), 0);
  EXPECT_EQ(ProgressFilledWidth(584, 0, 100, 75), 438);
  EXPECT_EQ(CheckBoxHeight(16, 28), 32);
  EXPECT_EQ(CheckBoxHeight(16, 0), 20);
}

}  // namespace
}  // namespace ui
