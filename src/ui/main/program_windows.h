// The program's four windows, created in start-up order (Form1, Form2,
// Form3, delform) and wired to each other, living until the program ends.
// The program's main() and the window tests both start the program this way.
#pragma once

#include <memory>

namespace valo::ui {

class TForm1;
class TForm2;
class TForm3;
class Tdelform;
class WebEngineDataStore;

class ProgramWindows {
 public:
  // Form1 first (its FormCreate runs before any other window exists), then
  // the About window, the keyword list builder and the clean-up window, all
  // hidden.
  ProgramWindows();
  // Form1 goes first: its destruction writes the keyword file.
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  TForm1* Form1() const { return form1_.get(); }
  TForm2* Form2() const { return form2_.get(); }
  TForm3* Form3() const { return form3_.get(); }
  Tdelform* delform() const { return delform_.get(); }

 private:
  std::unique_ptr<TForm1> form1_;
  std::unique_ptr<TForm2> form2_;
  std::unique_ptr<TForm3> form3_;
  std::unique_ptr<WebEngineDataStore> browserData_;
  std::unique_ptr<Tdelform> delform_;
};

}  // namespace valo::ui
