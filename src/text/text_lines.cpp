// Implementation of the text-box lines rule; see text_lines.h.
#include "text/text_lines.h"

#include <algorithm>

namespace valo {

TextLines::TextLines(std::string text) : text_(std::make_shared<std::string>(std::move(text))), indexed_(false) {}

void TextLines::setText(std::string text) {
  text_ = std::make_shared<std::string>(std::move(text));
  starts_.clear();
  starts_.shrink_to_fit();
  indexed_ = false;
}

int TextLines::count() const {
  index();
  return static_cast<int>(starts_.size());
}

void TextLines::index() const {
  if (indexed_) return;
  starts_.clear();
  TextLineCursor cursor(*text_);
  for (std::string_view line; cursor.next(line);)
    starts_.push_back(static_cast<std::size_t>(line.data() - text_->data()));
  indexed_ = true;
}

std::string_view TextLines::fullLine(int i) const {
  if (i < 0 || i >= count()) return {};
  const std::size_t b = starts_[static_cast<std::size_t>(i)];
  std::string_view rest(text_->data() + b, text_->size() - b);
  const std::size_t eol = rest.find(kCrLf);
  return eol == std::string_view::npos ? rest : rest.substr(0, eol);
}

std::string_view TextLines::line(int i) const {
  std::string_view l = fullLine(i);
  return l.substr(0, std::min(l.size(), kMaxLineBytes));
}

void TextLines::append(std::string_view l) {
  index();
  if (text_.use_count() > 1) text_ = std::make_shared<std::string>(*text_);
  std::string& text = *text_;
  if (!text.empty() && !std::string_view(text).ends_with(kCrLf)) text += kCrLf;
  const std::size_t from = text.size();
  text.append(l);
  text += kCrLf;
  // A text with line ends of its own becomes several lines, as in the box.
  TextLineCursor cursor(std::string_view(text).substr(from));
  for (std::string_view line; cursor.next(line);)
    starts_.push_back(static_cast<std::size_t>(line.data() - text.data()));
}

std::vector<std::string_view> TextLines::lines() const {
  std::vector<std::string_view> out;
  out.reserve(static_cast<std::size_t>(count()));
  for (int i = 0; i < count(); ++i) out.push_back(line(i));
  return out;
}

bool TextLineCursor::next(std::string_view& line) {
  if (pos_ >= text_.size()) return false;
  const std::size_t eol = text_.find(kCrLf, pos_);
  const std::size_t end = eol == std::string_view::npos ? text_.size() : eol;
  line = text_.substr(pos_, std::min(end - pos_, maxLineBytes_));
  pos_ = eol == std::string_view::npos ? text_.size() : eol + 2;
  return true;
}

std::vector<std::string_view> splitTextLines(std::string_view text) {
  std::vector<std::string_view> out;
  TextLineCursor cursor(text);
  for (std::string_view line; cursor.next(line);) out.push_back(line);
  return out;
}

std::string_view trimBlanks(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
  return text.substr(b, e - b);
}

}  // namespace valo
