// See program_windows.h.
#include "ui/main/program_windows.h"

#include "ui/about/about_form.h"
#include "ui/browser/browser_data_store.h"
#include "ui/browser/web_browser.h"
#include "ui/builder/tform3.h"
#include "ui/cleanup/tdelform.h"
#include "ui/main/tform1.h"

namespace valo::ui {

ProgramWindows::ProgramWindows() {
  form1_ = std::make_unique<TForm1>();
  form2_ = std::make_unique<TForm2>();
  form3_ = std::make_unique<TForm3>();
  TForm1* main = form1_.get();
  form3_->appendToKeywords = [main](const std::vector<GbkString>& lines) { main->appendKeywordLines(lines); };
  browserData_ = std::make_unique<WebEngineDataStore>(form1_->WebBrowser1);
  delform_ = std::make_unique<Tdelform>(*browserData_);
  form1_->Form2 = form2_.get();
  form1_->Form3 = form3_.get();
  form1_->delform = delform_.get();
}

ProgramWindows::~ProgramWindows() {
  form1_.reset();
  delform_.reset();
  browserData_.reset();
  form3_.reset();
  form2_.reset();
}

}  // namespace valo::ui
