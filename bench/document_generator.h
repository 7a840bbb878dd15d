#pragma once

#include <cstdint>
#include <string>

#include "store/person_document.h"

// Person documents of any size with realistic GBK values, for benchmarks and load tests.
namespace bench {

// A person as the form would save it, varied by its section index.
store::Person samplePerson(std::int32_t n);

// The bytes of a document of the current form holding persons 1..count, as saving them one by one would leave it.
std::string currentDocument(std::int32_t count);

// The bytes of a document of the old form (one section "ql") holding persons 1..count.
std::string oldDocument(std::int32_t count);

}  // namespace bench
