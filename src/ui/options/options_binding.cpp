// See options_binding.h.
#include "ui/options/options_binding.h"

#include "ui/options/options_window.h"

namespace valo::ui {

void OptionsBinding::edit(QWidget* parent) {
  OptionsWindow window(options_.current(), parent);
  if (furnish) furnish(window);
  if (window.exec() != QDialog::Accepted) return;
  options_.change(window.options());
}

}  // namespace valo::ui
