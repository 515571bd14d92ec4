#include "ui/message_dialog_layout.h"

namespace ui {

Size MessageDialogSize(Size background, double factor) {
  return {background.width - ScaleBy(7, factor) - ScaleBy(6, factor),
          background.height - ScaleBy(4, factor) - ScaleBy(8, factor)};
}

MessageDialogLayout LayOutMessageDialog(Size client, Size main_button, Size second_button,
                                        bool right_aligned, ShownButtons shown,
                                        const TextMargins& margins, double factor) {
  MessageDialogLayout layout;
  int main_x = right_aligned ? client.width - main_button.width - second_button.width -
                                   ScaleBy(30, factor) - 10
                             : ScaleBy(40, factor);
  int main_y = client.height - ScaleBy(20, factor) - main_button.height;
  int second_x = main_x + main_button.width + 10;
  int second_y = client.height - ScaleBy(20, factor) - second_button.height;
  if (shown == ShownButtons::kSecondOnly) second_x = (client.width - second_button.width) / 2;
  layout.main_button = {main_x, main_y, main_x + main_button.width, main_y + main_button.height};
  layout.second_button = {second_x, second_y, second_x + second_button.width,
                          second_y + second_button.height};
  layout.main_visible = shown != ShownButtons::kSecondOnly;
  layout.second_visible = shown != ShownButtons::kMainOnly;

  int bottom = client.height - ScaleBy(margins.bottom_gap, factor) - main_button.height;
  int left = ScaleBy(margins.left, factor);
  int right = client.width - ScaleBy(margins.right, factor);
  layout.body = {left, bottom - ScaleBy(margins.a, factor) - ScaleBy(margins.b, factor), right,
                 bottom};
  layout.title = {left, ScaleBy(margins.title_top, factor), right, layout.body.top};
  return layout;
}

}  // namespace ui
