// Deterministic result-page text for the extractor benchmark: snippets of
// Chinese text, addresses, company names, phone lines and fax lines written
// in the many ways web pages write them, all in GBK.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace valo::harvest::bench {

// Lines until their bytes reach `totalBytes`, from a fixed seed.
std::vector<std::string> generatePageLines(std::size_t totalBytes, std::uint32_t seed);

}  // namespace valo::harvest::bench
