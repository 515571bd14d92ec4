#include "ui/first_screen_choices.h"

namespace ui {

Choices ShownCheckBoxes(const ChoiceFlags& flags) {
  Choices shown;
  shown.make_default = !flags.make_default && !flags.uac_at_browser_start;
  shown.send_statistics = !flags.send_statistics;
  shown.taskbar_shortcut = !flags.taskbar_shortcut && flags.brand_taskbar_prompt;
  return shown;
}

Choices InitialTicks(bool brand_make_default, bool brand_send_statistics, bool default_interface_available) {
  return {brand_make_default && default_interface_available, brand_send_statistics, true};
}

Choices ResolveChoices(const ChoiceFlags& flags, const Choices& ticked) {
  return {flags.make_default.value_or(ticked.make_default), flags.send_statistics.value_or(ticked.send_statistics),
          flags.taskbar_shortcut.value_or(ticked.taskbar_shortcut)};
}

}  // namespace ui
