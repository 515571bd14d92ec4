// The first screen's three choices (make the browser default, send statistics, pin it to the
// taskbar): which check boxes the user gets, how they start, and what the installation is told
// when the progress screen opens. A choice whose distribution flag is given is not the user's:
// its box is not shown and the flag's value counts. Portable.
#pragma once

#include <optional>

namespace ui {

// What the distribution and the brand say about the choices.
struct ChoiceFlags {
  // The "def", statistics ("stat", else "statpromo") and "omrixshortcut" flags: nothing when
  // absent, else the flag's value.
  std::optional<bool> make_default;
  std::optional<bool> send_statistics;
  std::optional<bool> taskbar_shortcut;
  bool brand_taskbar_prompt = false;  // the brand asks about the taskbar at all
  bool uac_at_browser_start = false;  // UAC mode 2: making the browser default is not offered
};

// One value per choice, in the order of the boxes on the screen.
struct Choices {
  bool make_default = false;
  bool send_statistics = false;
  bool taskbar_shortcut = false;
  bool operator==(const Choices&) const = default;
};

// Which boxes get a place on the first screen. The mask the layout table is chosen by
// (CheckBoxMask) counts only the flags; UAC mode 2 takes the make-default box away afterwards,
// so the other boxes keep the places of a three-box screen.
Choices ShownCheckBoxes(const ChoiceFlags& flags);

// How the boxes start: the brand's make-default and statistics defaults, the taskbar ticked. The
// make-default box starts clear where the default-browser interface is not available (the box
// is then hidden as well).
Choices InitialTicks(bool brand_make_default, bool brand_send_statistics, bool default_interface_available);

// What the installation gets: a given flag's value, else the box's state. A box that was not
// shown still counts with its initial state.
Choices ResolveChoices(const ChoiceFlags& flags, const Choices& ticked);

}  // namespace ui
