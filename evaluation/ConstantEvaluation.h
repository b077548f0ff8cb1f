// How often constant tables were evaluated, for tests and benchmarks that
// check that concurrent runs share one evaluation.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<uint64_t> ConstantEvaluationCount;
