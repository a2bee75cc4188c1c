// Deterministic result-page text for the extractor benchmark: snippets of
// Chinese text, addresses, company names, phone lines and fax lines written
// in the many ways web pages write them, all in GBK. Two kinds of page: a
// search result page, where one line in ten carries a fax label, and a
// directory page dense with fax lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace valo::harvest::bench {

// Lines until their bytes reach `totalBytes`, from a fixed seed.
std::vector<std::string> generatePageLines(std::size_t totalBytes, std::uint32_t seed);

// A directory page: short lines of 20 to 60 bytes, about 45 % of them with
// a fax label in one of its many spellings and a number in any of its forms.
std::vector<std::string> generateDenseLines(std::size_t totalBytes, std::uint32_t seed);

}  // namespace valo::harvest::bench
