#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// What the benchmarks share: their scratch folder, files written whole, another process that changes a document, and
// the median of the times taken.
namespace bench {

// A folder of this process for the benchmark named, made on first use; the caller removes it at the end.
const std::filesystem::path& benchFolder(std::string_view name);

void writeBytes(const std::filesystem::path& path, const std::string& bytes);

// Another process changes the document: a child with its own store writes one key and exits.
void rewriteByAnotherProcess(const std::filesystem::path& path, int generation);

// The median of the times (0 when there are none).
double median(std::vector<double> times);

}  // namespace bench
